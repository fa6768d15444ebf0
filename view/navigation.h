#pragma once
// Navigation state and the model-to-window mapping.
//
// A model point (x, z), z measured downward, maps to the pixel
//   X = trunc((x / max_x) * W * zoom_x) - pan_x + L
//   Y = trunc((z / max_y) * H * zoom_y) - pan_y + T
// so the section's width spans the client width and its height the client
// height, each with its own scale. Zoom multiplies the distance from the
// section's top-left pixel, which stays where the pan put it.

#include <cstdint>

namespace vendrel {

struct NavigationState {
    double zoom_x = 1.0;
    double zoom_y = 1.0;
    std::int32_t pan_x = 0;
    std::int32_t pan_y = 0;
    double dpi_scale = 1.0;  // dots per inch of the window / 96
};

// Zoom stays within these bounds, so mapped coordinates of the section stay
// far inside the 32-bit range whatever the number of Zoom In steps.
inline constexpr double kMinZoom = 1e-3;
inline constexpr double kMaxZoom = 1e3;

void zoom_in(NavigationState& n);           // x 1.5
void zoom_out(NavigationState& n);          // x 0.66666
void move_model_left(NavigationState& n);   // pan_x + 50 s
void move_model_right(NavigationState& n);  // pan_x - 50 s
void move_model_up(NavigationState& n);     // pan_y + 50 s
void move_model_down(NavigationState& n);   // pan_y - 50 s

// A fixed pixel length n scaled by the display: n x dpi_scale toward zero.
int scaled(double n, double dpi_scale);

// A window coordinate from a double: toward zero, limited to +-2^30 (NaN
// gives the lower limit) so that later arithmetic cannot overflow.
std::int32_t to_pixel(double v);

// Ratio of the vertical to the horizontal scale: (max_x H) / (max_y W).
double vertical_exaggeration(double max_x, double max_y, int width, int height);

class ViewMapping {
  public:
    // Client area of width w and height h with its top-left at (left, top).
    ViewMapping(const NavigationState& n, double max_x, double max_y, int w, int h, int left = 0,
                int top = 0)
        : n_(n), max_x_(max_x), max_y_(max_y), w_(w), h_(h), left_(left), top_(top) {}

    std::int32_t X(double x) const {
        return to_pixel((x / max_x_) * w_ * n_.zoom_x) - n_.pan_x + left_;
    }
    std::int32_t Y(double z) const {
        return to_pixel((z / max_y_) * h_ * n_.zoom_y) - n_.pan_y + top_;
    }
    // The model x at window position X (a real position: the centre of
    // pixel k is k + 0.5), the inverse of X() before its truncation.
    double x_at(double X) const { return (X + n_.pan_x - left_) / (w_ * n_.zoom_x) * max_x_; }

  private:
    NavigationState n_;
    double max_x_, max_y_;
    int w_, h_, left_, top_;
};

}  // namespace vendrel
