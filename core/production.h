#pragma once
// Carbonate production and basinal sedimentation.
//
// Production builds each column up at a rate read off the eight-point curve
// of rate (m/ka) against water depth; basinal sediment then settles at a
// constant rate wherever the water is strictly deeper than basin_threshold.
// A rate r deposits r x dt x 0.001 m per step, which lowers the depth-down
// surface value.

#include "core/model_parameters.h"

namespace vendrel {

// The production curve under sea level L, with the depths shifted by L.
// rate(s) compares the surface value s with the shifted depths, taking the
// first test that holds:
//   s < D1 + L                 R1 (shallower than the first point)
//   L <= s <= D2 + L           interpolated between points 1 and 2
//   Dk-1 + L < s <= Dk + L     interpolated between points k-1 and k
//   otherwise (or NaN)         0 (deeper than the last point)
// so a depth exactly at a curve point takes the interval that ends there and
// gets that point's rate, also where later points share that depth (a step
// in the curve): the first of them wins. A segment of zero width is never
// selected by the third test; the second test selects it only when D1 = D2
// and s = D1 + L, where its interpolation would be 0 / 0: that surface takes
// the rate of the last point sharing the depth.
class ProductionCurve {
  public:
    ProductionCurve(const ModelParameters& p, double L) : sea_level_(L), rates_(p.rates) {
        for (int k = 0; k < 8; ++k) {
            shifted_[k] = p.depths[k] + L;
        }
        ordered_ = true;
        for (int k = 1; k < 8; ++k) {
            width_[k] = p.depths[k] - p.depths[k - 1];
            rise_[k] = p.rates[k] - p.rates[k - 1];
            ordered_ = ordered_ && shifted_[k - 1] <= shifted_[k];
        }
        step_end_[7] = 7;
        for (int k = 6; k >= 0; --k) {
            step_end_[k] = width_[k + 1] == 0.0 ? step_end_[k + 1] : k;
        }
    }

    double rate(double s) const {
        if (s < shifted_[0]) {
            return rates_[0];
        }
        // On an ordered curve nothing deeper than the last point can pass a test.
        if (ordered_ && s > shifted_[7]) {
            return 0.0;
        }
        if (sea_level_ <= s && s <= shifted_[1]) {
            return interpolate(1, s);
        }
        for (int k = 2; k < 8; ++k) {
            if (shifted_[k - 1] < s && s <= shifted_[k]) {
                return interpolate(k, s);
            }
        }
        return 0.0;
    }

    // Point k (0..7) and segment k (1..7, from point k - 1 to point k) as
    // the vectorised time step reads them.
    double shifted_depth(int k) const { return shifted_[k]; }
    double point_rate(int k) const { return rates_[k]; }
    double width(int k) const { return width_[k]; }
    double rise(int k) const { return rise_[k]; }
    // The last of the points from k on that share point k's depth: the rate
    // of a zero-width segment 1.
    int step_end(int k) const { return step_end_[k]; }
    double sea_level() const { return sea_level_; }
    bool ordered() const { return ordered_; }

  private:
    double interpolate(int k, double s) const {
        if (width_[k] == 0.0) {
            return rates_[step_end_[k]];
        }
        return rise_[k] * ((s - shifted_[k - 1]) / width_[k]) + rates_[k - 1];
    }
    double sea_level_;
    bool ordered_;
    std::array<double, 8> rates_;
    std::array<double, 8> shifted_{};
    std::array<double, 8> width_{};
    std::array<double, 8> rise_{};
    std::array<int, 8> step_end_{};
};

// Surface after one step of production.
inline double produced_surface(const ProductionCurve& curve, double s, double dt) {
    return s - curve.rate(s) * dt * 0.001;
}

// Basinal sedimentation of one step: columns deeper than the threshold
// below sea level L get rate x dt x 0.001.
class BasinalDeposit {
  public:
    BasinalDeposit(const ModelParameters& p, double L, double dt)
        : sea_level_(L), threshold_(p.basin_threshold), thickness_(p.basin_sed_rate * dt * 0.001) {}
    double surface_after(double s) const {
        return s - sea_level_ > threshold_ ? s - thickness_ : s;
    }
    double sea_level() const { return sea_level_; }
    double threshold() const { return threshold_; }
    double thickness() const { return thickness_; }

  private:
    double sea_level_, threshold_, thickness_;
};

}  // namespace vendrel
