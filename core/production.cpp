#include "core/production.h"

#include "core/model_state.h"

namespace vendrel {

void produce_carbonate(const ModelParameters& p, ModelState& s, int first, int last) {
    const ProductionCurve curve(p, s.current_sea_level);
    const double dt = s.dt;
    for (int i = first; i <= last; ++i) {
        s.surface[i] = produced_surface(curve, s.surface[i], dt);
    }
}

void deposit_basinal(const ModelParameters& p, ModelState& s, int first, int last) {
    const BasinalDeposit deposit(p, s.current_sea_level, s.dt);
    for (int i = first; i <= last; ++i) {
        s.surface[i] = deposit.surface_after(s.surface[i]);
    }
}

}  // namespace vendrel
