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

double literal_production_rate(const ModelParameters& p, double s, double L) {
    const auto& D = p.depths;
    const auto& R = p.rates;
    if (s < D[0] + L) {
        return R[0];
    }
    if (L <= s && s <= D[1] + L) {
        if (D[1] - D[0] == 0.0) {
            int last = 1;
            while (last < 7 && D[last + 1] == D[0]) {
                ++last;
            }
            return R[last];
        }
        return (R[1] - R[0]) * ((s - (D[0] + L)) / (D[1] - D[0])) + R[0];
    }
    for (int k = 2; k < 8; ++k) {
        if (D[k - 1] + L < s && s <= D[k] + L) {
            return (R[k] - R[k - 1]) * ((s - (D[k - 1] + L)) / (D[k] - D[k - 1])) + R[k - 1];
        }
    }
    return 0.0;
}

void produce_carbonate(const ModelParameters& p, ModelState& s, int first, int last) {
    const double L = s.current_sea_level;
    const double dt = s.dt;
    for (int i = first; i <= last; ++i) {
        s.surface[i] = s.surface[i] - literal_production_rate(p, s.surface[i], L) * dt * 0.001;
    }
}

void deposit_basinal(const ModelParameters& p, ModelState& s, int first, int last) {
    const BasinalDeposit deposit(p, s.current_sea_level, s.dt);
    for (int i = first; i <= last; ++i) {
        s.surface[i] = deposit.surface_after(s.surface[i]);
    }
}

}  // namespace vendrel
