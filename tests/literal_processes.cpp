#include "tests/literal_processes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/diffusion.h"
#include "core/exponential.h"
#include "core/faults.h"
#include "core/horizons.h"
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

void apply_faults_to_surface(const ModelParameters& p, ModelState& s) {
    const FaultSteps steps = fault_steps(p, s.dt);
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        s.surface[i] = moved_by_faults(s.surface[i], faults_moving_column(p, i, s.dx), steps);
    }
}

void apply_faults_to_horizons(const ModelParameters& p, ModelState& s) {
    const FaultSteps steps = fault_steps(p, s.dt);
    const int count = s.horizon_count.load();
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        const std::uint8_t which = faults_moving_column(p, i, s.dx);
        double* z = s.horizon_z[i];
        for (int h = 1; h <= count; ++h) {
            z[h] = moved_by_faults(z[h], which, steps);
        }
    }
}

void record_horizon_column(ModelState& s, double L, int i, int h, const LandNeighbours& n) {
    const double surface = s.surface[i];
    s.horizon_z[i][h] = surface;
    const double depth = surface - L;
    s.horizon_depth[i][h] = depth < 0 ? 0.0 : depth;
    s.horizon_distance[i][h] = land_distance(s, L, i, n);
}

void set_new_layer_column(const ModelParameters& p, ModelState& s, int i, int h) {
    const double* z = s.horizon_z[i];
    s.horizon_thickness0[i][h] = std::fabs(z[h] - z[h - 1]);
    s.horizon_phi0[i][h] = p.phizero;
    s.horizon_porosity[i][h] = p.phizero;
}

// Porosity of a layer buried b below the newest horizon; never increases.
double compacted_porosity(double c, double phi0, double current, double b) {
    return std::min(phi0 * std::exp(-c * b), current);
}

// Thickness that keeps the layer's solid volume at porosity phi.
double compacted_thickness(double thickness0, double phi0, double phi) {
    return thickness0 * ((1 - phi0) / (1 - phi));
}

void compact_column(const ModelParameters& p, ModelState& s, int i, int N) {
    double* z = s.horizon_z[i];
    double* porosity = s.horizon_porosity[i];
    const double* phi0 = s.horizon_phi0[i];
    const double* thickness0 = s.horizon_thickness0[i];
    const double c = p.cvalue;
    // Burial depths and thicknesses are differences of horizons that move
    // together, so they are taken from the positions before this pass; only
    // the accumulated movement is carried up the column. That keeps the
    // layers independent of each other but for that sum, so the pass runs
    // in stages: the exponents, their exponentials, porosity and lost
    // thickness of every layer, and last the running sum of
    // the movement.
    //
    // Layers that were never deposited (on land, in water too deep for any
    // sediment) lie at the burial depth of the layer below them: their
    // exponential is that layer's, so it is taken again, not recomputed.
    if (N < 2 || N > MAX_HORIZON_SLOT) {
        return;
    }
    double factor[HORIZON_SLOTS];
    double lost[HORIZON_SLOTS];
    const double newest = z[N];
    for (int j = 2; j <= N; ++j) {
        factor[j] = -c * std::fabs(newest - z[j]);
    }
    double last_exponent = std::numeric_limits<double>::quiet_NaN();
    double last_factor = 0.0;
    for (int j = 2; j <= N; ++j) {
        if (!(factor[j] == last_exponent)) {
            last_exponent = factor[j];
            last_factor = exponential(last_exponent);
        }
        factor[j] = last_factor;
    }
    for (int j = 2; j <= N; ++j) {
        const double phi = std::min(phi0[j] * factor[j], porosity[j]);
        porosity[j] = phi;
        const double t = std::fabs(z[j] - z[j - 1]);
        const double T = compacted_thickness(thickness0[j], phi0[j], phi);
        lost[j] = t > T ? t - T : 0.0;
    }
    double shift = 0.0;
    for (int j = 2; j <= N; ++j) {
        shift += lost[j];
        z[j] = z[j] + shift;
    }
}

}  // namespace vendrel
