#include "core/production.h"

#include "core/model_state.h"

namespace vendrel {

void produce_carbonate(const ModelParameters& p, ModelState& s, int first, int last) {
    const double L = s.current_sea_level;
    const double dt = s.dt;
    for (int i = first; i <= last; ++i) {
        s.surface[i] = produced_surface(p, s.surface[i], L, dt);
    }
}

void deposit_basinal(const ModelParameters& p, ModelState& s, int first, int last) {
    const double L = s.current_sea_level;
    const double dt = s.dt;
    for (int i = first; i <= last; ++i) {
        s.surface[i] = basinal_surface(p, s.surface[i], L, dt);
    }
}

}  // namespace vendrel
