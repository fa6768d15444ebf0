#include "core/model_state.h"

namespace vendrel {

ModelState::ModelState(const ModelParameters& p) {
    dx = p.max_x / COLUMN_COUNT;
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        const double fraction = double(i) / COLUMN_COUNT;
        x_values[i] = fraction * p.max_x;
        initial_surface[i] = fraction * p.max_y;
        surface[i] = initial_surface[i];
        horizon_z[i][1] = initial_surface[i];
        horizon_phi0[i][1] = p.phizero;
        horizon_porosity[i][1] = p.phizero;
    }
    reset_counters();
    sealevel_values[1] = current_sea_level;
    flags.running.store(0);
    flags.engine_alive.store(1);
}

}  // namespace vendrel
