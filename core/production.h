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

struct ModelState;

// Rate for surface s under sea level L: the curve depths are shifted by L
// and the first interval that ends at or below s is interpolated, so a
// depth exactly at a curve point takes that point's rate. Shallower than
// the first point gives R1; deeper than the last point (or NaN) gives 0.
inline double production_rate(const ModelParameters& p, double s, double L) {
    const auto& D = p.depths;
    const auto& R = p.rates;
    if (s < D[0] + L) {
        return R[0];
    }
    if (L <= s && s <= D[1] + L) {
        return (R[1] - R[0]) * ((s - (D[0] + L)) / (D[1] - D[0])) + R[0];
    }
    for (int k = 2; k < 8; ++k) {
        if (D[k - 1] + L < s && s <= D[k] + L) {
            return (R[k] - R[k - 1]) * ((s - (D[k - 1] + L)) / (D[k] - D[k - 1])) + R[k - 1];
        }
    }
    return 0.0;
}

// Surface after one step of production.
inline double produced_surface(const ModelParameters& p, double s, double L, double dt) {
    return s - production_rate(p, s, L) * dt * 0.001;
}

// Surface after one step of basinal sedimentation.
inline double basinal_surface(const ModelParameters& p, double s, double L, double dt) {
    if (s - L > p.basin_threshold) {
        return s - p.basin_sed_rate * dt * 0.001;
    }
    return s;
}

// Columns first to last (inclusive) of surface, as phases of a time step.
void produce_carbonate(const ModelParameters& p, ModelState& s, int first, int last);
void deposit_basinal(const ModelParameters& p, ModelState& s, int first, int last);

}  // namespace vendrel
