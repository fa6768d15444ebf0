#include "document/platform_margin.h"

#include <cmath>
#include <limits>

#include "core/model_state.h"

namespace vendrel {

std::vector<MarginPoint> platform_margin(const ProjectData& data,
                                         const std::vector<ShorelinePoint>& shore) {
    const int n = data.count;
    std::vector<MarginPoint> out(std::size_t(n > 0 ? n : 0));
    for (int h = 1; h <= n && std::size_t(h) <= shore.size(); ++h) {
        const int from = shore[std::size_t(h - 1)].column;
        if (from == 0) {
            continue;
        }
        for (int c = from; c < COLUMN_COUNT; ++c) {
            const double run = data.x_values[std::size_t(c + 1)] - data.x_values[std::size_t(c)];
            const double drop = data.horizon(c + 1, h)[0] - data.horizon(c, h)[0];
            if (run > 0 && drop / run > kShelfBreakSlope) {
                MarginPoint& m = out[std::size_t(h - 1)];
                m.column = c;
                m.x = data.x_values[std::size_t(c)];
                m.elevation = data.params.max_y - data.horizon(c, h)[0];
                break;
            }
        }
    }
    return out;
}

std::vector<double> sediment_supplied(const ProjectData& data) {
    const int n = data.count;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> out(std::size_t(n > 0 ? n : 0), nan);
    const double dx = data.params.max_x / COLUMN_COUNT;
    for (int h = 2; h <= n; ++h) {
        double area = 0;
        for (int c = 1; c <= COLUMN_COUNT; ++c) {
            area += (data.horizon(c, h - 1)[0] - data.horizon(c, h)[0]) * dx;
        }
        out[std::size_t(h - 1)] = std::isfinite(area) ? area : nan;
    }
    return out;
}

}  // namespace vendrel
