#include "core/faults.h"

#include <cfloat>
#include <cmath>

#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {
namespace {

// Nearest single-precision value; out of range gives the signed infinity
// that IEEE rounding gives, without relying on an out-of-range conversion.
float to_single(double v) {
    if (v > FLT_MAX) {
        return INFINITY;
    }
    if (v < -FLT_MAX) {
        return -INFINITY;
    }
    return static_cast<float>(v);
}

}  // namespace

std::uint8_t faults_moving_column(const ModelParameters& p, int column, double dx) {
    const double x = to_single(column * dx);
    const double f1 = p.fault1;
    const double f2 = p.fault2;
    const bool first = (p.antithetic1 == 1 && f1 > x) || (p.antithetic1 == 0 && x >= f1 && f2 > x);
    const bool second =
        (p.antithetic2 == 0 && x >= f2) || (p.antithetic2 == 1 && f2 > x && x >= f1);
    return std::uint8_t((first ? 1u : 0u) | (second ? 2u : 0u));
}

FaultSteps fault_steps(const ModelParameters& p, double dt) {
    return {p.slip1 * dt / 1000, p.slip2 * dt / 1000};
}

}  // namespace vendrel
