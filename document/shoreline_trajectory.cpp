#include "document/shoreline_trajectory.h"

#include <cmath>

#include "core/model_state.h"

namespace vendrel {

const char* trajectory_class_name(TrajectoryClass c) {
    switch (c) {
        case TrajectoryClass::ForcedRegressive:
            return "forced_regressive";
        case TrajectoryClass::NormalRegressive:
            return "normal_regressive";
        case TrajectoryClass::Transgressive:
            return "transgressive";
        case TrajectoryClass::Aggradational:
            return "aggradational";
        case TrajectoryClass::Missing:
            break;
    }
    return "";
}

TrajectoryClass classify_trajectory_step(double dx, double de, double column_width) {
    if (!std::isfinite(dx) || !std::isfinite(de)) {
        return TrajectoryClass::Missing;
    }
    const double within = std::fabs(column_width) * (1 + 1e-9);
    if (de < 0 && dx >= -within) {
        return TrajectoryClass::ForcedRegressive;
    }
    if (dx > within) {
        return TrajectoryClass::NormalRegressive;
    }
    if (dx < -within) {
        return TrajectoryClass::Transgressive;
    }
    return TrajectoryClass::Aggradational;
}

std::vector<ShorelinePoint> shoreline_trajectory(const ModelParameters& params, int count,
                                                 const std::function<double(int, int)>& z,
                                                 const double* x_values, const double* sealevels) {
    const int n = count;
    std::vector<ShorelinePoint> out(std::size_t(n > 0 ? n : 0));
    const double max_y = params.max_y;
    const double width = params.max_x / COLUMN_COUNT;
    for (int h = 1; h <= n; ++h) {
        const double sea = h == 1 ? params.baselevel : sealevels[h];
        ShorelinePoint& p = out[std::size_t(h - 1)];
        // The seaward-most such column: the first one from the seaward end.
        for (int c = COLUMN_COUNT; c >= 1; --c) {
            if (z(c, h) <= sea) {
                p.column = c;
                break;
            }
        }
        if (p.column != 0) {
            p.x = x_values[p.column];
            p.elevation = max_y - sea;
        }
        if (h >= 2) {
            const ShorelinePoint& before = out[std::size_t(h - 2)];
            if (p.column != 0 && before.column != 0) {
                p.step =
                    classify_trajectory_step(p.x - before.x, p.elevation - before.elevation, width);
            }
        }
    }
    return out;
}

std::vector<ShorelinePoint> shoreline_trajectory(const ProjectData& data) {
    return shoreline_trajectory(
        data.params, data.count, [&](int c, int h) { return data.horizon(c, h)[0]; },
        data.x_values.data(), data.sealevels.data());
}

}  // namespace vendrel
