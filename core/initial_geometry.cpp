#include "core/initial_geometry.h"

#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {

double interpolate_control_points(const ModelParameters& p, double x) {
    const auto& cx = p.control_x;
    const auto& cy = p.control_y;
    int b = -1;  // right end of the selected segment, 0-based
    if (x <= cx[1]) {
        b = 1;
    } else {
        for (int k = 2; k < 10; ++k) {
            if (x <= cx[k]) {
                b = k;
                break;
            }
        }
    }
    if (b < 0) {
        return cy[9];
    }
    const int a = b - 1;
    const double width = cx[b] - cx[a];
    if (width == 0.0) {
        return cy[b];
    }
    return (x - cx[a]) / width * (cy[b] - cy[a]) + cy[a];
}

double column_x(const ModelParameters& p, int i) {
    return double(i) / COLUMN_COUNT * p.max_x;
}

double initial_surface_at(const ModelParameters& p, int i) {
    if (p.isolated_platform == 1) {
        return interpolate_control_points(p, column_x(p, i));
    }
    return double(i) / COLUMN_COUNT * p.max_y;
}

void build_initial_geometry(const ModelParameters& p, ModelState& s) {
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        s.x_values[i] = column_x(p, i);
        s.initial_surface[i] = initial_surface_at(p, i);
        s.surface[i] = s.initial_surface[i];
    }
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        s.horizon_z[i][1] = s.initial_surface[i];
    }
}

}  // namespace vendrel
