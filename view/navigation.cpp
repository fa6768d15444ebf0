#include "view/navigation.h"

#include <algorithm>
#include <cmath>

namespace vendrel {
namespace {

void multiply_zoom(NavigationState& n, double factor) {
    n.zoom_x = std::clamp(n.zoom_x * factor, kMinZoom, kMaxZoom);
    n.zoom_y = std::clamp(n.zoom_y * factor, kMinZoom, kMaxZoom);
}

constexpr double kPanStep = 50;
constexpr std::int64_t kPanLimit = 1 << 30;

void pan_by(std::int32_t& pan, int direction, double dpi_scale) {
    const std::int64_t moved = std::int64_t{pan} + direction * scaled(kPanStep, dpi_scale);
    pan = std::int32_t(std::clamp(moved, -kPanLimit, kPanLimit));
}

}  // namespace

void zoom_in(NavigationState& n) {
    multiply_zoom(n, 1.5);
}
void zoom_out(NavigationState& n) {
    multiply_zoom(n, 0.66666);
}
void move_model_left(NavigationState& n) {
    pan_by(n.pan_x, +1, n.dpi_scale);
}
void move_model_right(NavigationState& n) {
    pan_by(n.pan_x, -1, n.dpi_scale);
}
void move_model_up(NavigationState& n) {
    pan_by(n.pan_y, +1, n.dpi_scale);
}
void move_model_down(NavigationState& n) {
    pan_by(n.pan_y, -1, n.dpi_scale);
}

int scaled(double n, double dpi_scale) {
    return to_pixel(n * dpi_scale);
}

std::int32_t to_pixel(double v) {
    constexpr double kLimit = 1073741824.0;  // 2^30
    if (!(v > -kLimit)) {
        return -1073741824;
    }
    if (v > kLimit) {
        return 1073741824;
    }
    return static_cast<std::int32_t>(v);
}

double vertical_exaggeration(double max_x, double max_y, int width, int height) {
    return (max_x * height) / (max_y * width);
}

}  // namespace vendrel
