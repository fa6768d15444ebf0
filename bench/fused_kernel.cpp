#include "bench/fused_kernel.h"

namespace vendrel::bench {
namespace {

constexpr int kColumns = 2000;
constexpr double kDepths[8] = {0, 5, 10, 15, 20, 30, 40, 50};
constexpr double kRates[8] = {0, 10, 6, 3, 1, 1, 0.5, 0.2};

// Rate of the curve at water depth `depth`: R1 above the first point, then
// the first interval whose deeper end is at or beyond the depth, 0 beyond
// the last point.
double rate_at(double depth) {
    if (depth < kDepths[0]) {
        return kRates[0];
    }
    for (int k = 1; k < 8; ++k) {
        if (depth <= kDepths[k]) {
            return (kRates[k] - kRates[k - 1]) *
                       ((depth - kDepths[k - 1]) / (kDepths[k] - kDepths[k - 1])) +
                   kRates[k - 1];
        }
    }
    return 0.0;
}

}  // namespace

std::vector<double> run_fused_kernel(int steps) {
    const double dx = 1.0, dt = 1.0, kappa = 0.25;
    const double sea_level = 250.0, threshold = 100.0, basin_rate = 0.0;
    const double factor = dt / (dx * dx) * kappa;
    std::vector<double> z(kColumns + 2);
    for (int i = 1; i <= kColumns; ++i) {
        z[i] = double(i) / kColumns * 500.0;
    }
    auto settle = [&](double v) {
        v = v - rate_at(v - sea_level) * dt * 0.001;
        return v - sea_level > threshold ? v - basin_rate * dt * 0.001 : v;
    };
    for (int step = 0; step < steps; ++step) {
        // Column 1 moves as column 2; `left` keeps the old value of the
        // column before i, `change` the last interior change.
        double change = factor * ((z[1] - 2 * z[2]) + z[3]);
        double left = z[1];
        z[1] = settle(z[1] + change);
        for (int i = 2; i < kColumns; ++i) {
            change = factor * ((left - 2 * z[i]) + z[i + 1]);
            left = z[i];
            z[i] = settle(z[i] + change);
        }
        z[kColumns] = settle(z[kColumns] + change);
    }
    return z;
}

}  // namespace vendrel::bench
