#include "core/time_step.h"

#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {

double derive_dx(const ModelParameters& p) {
    return p.max_x / COLUMN_COUNT;
}

double derive_dt(double dx, double diff_coeff) {
    const double limit = 0.5 * dx * dx / diff_coeff;
    return limit < 1.0 ? limit : 1.0;
}

}  // namespace vendrel
