#include "tests/reference_model.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "core/diffusion.h"
#include "core/faults.h"
#include "core/horizons.h"
#include "core/initial_geometry.h"
#include "core/int_conversion.h"
#include "core/model_reset.h"
#include "core/model_state.h"
#include "core/production.h"
#include "core/sea_level.h"
#include "core/simulation.h"
#include "core/time_step.h"
#include "tests/literal_processes.h"

namespace vendrel::testing {

void compact_column_literally(const ModelParameters& p, ModelState& s, int i, int N) {
    double* z = s.horizon_z[i];
    double* porosity = s.horizon_porosity[i];
    for (int j = 2; j <= N; ++j) {
        const double b = std::fabs(z[N] - z[j]);
        const double phi = compacted_porosity(p.cvalue, s.horizon_phi0[i][j], porosity[j], b);
        porosity[j] = phi;
        const double t = std::fabs(z[j] - z[j - 1]);
        const double T = compacted_thickness(s.horizon_thickness0[i][j], s.horizon_phi0[i][j], phi);
        if (t > T) {
            for (int k = j; k <= N; ++k) {
                z[k] += t - T;
            }
        }
    }
}

namespace {

void record_literally(const ModelParameters& p, ModelState& s, int h) {
    const double L = s.current_sea_level;
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        const double surface = s.surface[i];
        s.horizon_z[i][h] = surface;
        s.horizon_depth[i][h] = surface - L < 0 ? 0.0 : surface - L;
        s.horizon_distance[i][h] = land_distance_by_search(s, L, i);
    }
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        truncate_horizons_column(s, i, h);
    }
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        set_new_layer_column(p, s, i, h);
    }
}

void compact_literally(const ModelParameters& p, ModelState& s) {
    const int N = s.display_current_disp.load();
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        compact_column_literally(p, s, i, N);
    }
}

void run_literally(const ModelParameters& p, ModelState& s) {
    s.horizon_count = 1;
    s.display_current_disp = 1;
    s.dx = derive_dx(p);
    s.dt = derive_dt(s.dx, p.diff_coeff);
    build_initial_geometry(p, s);
    const std::int32_t step_count = truncate_to_int32(p.totaltime / s.dt);
    const std::int32_t steps_per_record = truncate_to_int32(p.display_inc / s.dt);
    s.current_sea_level = p.baselevel;
    SineState sines{};
    std::int32_t since = 0;
    for (std::int64_t i = 1; i <= step_count; ++i) {
        s.sim_time = double(i) * s.dt;
        advance_sea_level(p, s, sines);
        compute_diffusion_change(p, s);
        apply_diffusion_change(s);
        produce_carbonate(p, s, 1, COLUMN_COUNT);
        deposit_basinal(p, s, 1, COLUMN_COUNT);
        apply_faults_to_surface(p, s);
        apply_faults_to_horizons(p, s);
        since += 1;
        bool last = false;
        if (since == steps_per_record) {
            const int h = s.horizon_count + 1;
            if (h > MAX_HORIZON_SLOT) {
                last = true;
            } else {
                s.horizon_count = h;
                record_literally(p, s, h);
                s.sealevel_values[h] = s.current_sea_level;
                s.display_current_disp = h;
                since = 0;
            }
        }
        if (p.includecompact == 1) {
            compact_literally(p, s);
        }
        if (last) {
            break;
        }
    }
}

ModelParameters prepared(ModelParameters p) {
    set_document_defaults(p);
    return p;
}

}  // namespace

ProjectData run_reference(const ModelParameters& given) {
    // Document construction and New's reset with the startup parameters,
    // then the given parameters and a dialog's reset.
    ModelParameters p = prepared(make_startup_parameters(2));
    auto s = std::make_unique<ModelState>(p);
    p.isolated_platform = 0;
    p.reset_geometry = 1;
    reset_model(p, *s);
    p = given;
    p.reset_geometry = 1;
    reset_model(p, *s);
    run_literally(p, *s);
    return take_project_snapshot(p, DisplaySettings{}, *s);
}

ProjectData run_engine(const ModelParameters& given) {
    ModelParameters p = make_startup_parameters(2);
    Simulation sim(p);
    sim.new_model();
    sim.change_parameters([&](ModelParameters& q) { q = given; });
    sim.start_run();
    if (!sim.wait_until_idle(std::chrono::minutes(5))) {
        throw std::runtime_error("engine run did not end");
    }
    const Simulation::ReadGuard model = sim.read();
    return take_project_snapshot(model.params(), DisplaySettings{}, model.state());
}

}  // namespace vendrel::testing
