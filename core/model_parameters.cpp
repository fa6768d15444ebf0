#include "core/model_parameters.h"

#include <cmath>

namespace vendrel {

ModelParameters make_startup_parameters(int default_threads) {
    ModelParameters p;
    p.fault1 = 0.5 * p.max_x;
    p.fault2 = 0.75 * p.max_x;
    p.baselevel = kInitialSeaLevel;
    p.omp_threads = default_threads / 2;
    p.ramp_dip = std::atan(p.max_y / p.max_x) * kDegreesPerRadian;
    return p;
}

void set_document_defaults(ModelParameters& p) {
    const ModelParameters defaults;
    p.depths = defaults.depths;
    p.rates = defaults.rates;
    p.control_x = defaults.control_x;
    p.control_y = defaults.control_y;
    p.control_x[9] = p.max_x;
}

}  // namespace vendrel
