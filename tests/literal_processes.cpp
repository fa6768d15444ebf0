#include "tests/literal_processes.h"

#include "core/diffusion.h"
#include "core/model_parameters.h"
#include "core/model_state.h"
#include "core/production.h"

namespace vendrel {

void compute_diffusion_change(const ModelParameters& p, ModelState& s) {
    const double factor = diffusion_factor(s.dt, s.dx, p.diff_coeff);
    const double* z = s.surface.data();
    double* change = s.diffusion_change.data();
    for (int i = 2; i < COLUMN_COUNT; ++i) {
        change[i] = diffusion_change_at(factor, z[i - 1], z[i], z[i + 1]);
    }
    change[1] = change[2];
    change[COLUMN_COUNT] = change[COLUMN_COUNT - 1];
}

void apply_diffusion_change(ModelState& s) {
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        s.surface[i] = s.surface[i] + s.diffusion_change[i];
    }
}

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
