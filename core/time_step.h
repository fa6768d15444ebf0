#pragma once

namespace vendrel {

struct ModelParameters;

// Column spacing: max_x / 2000.
double derive_dx(const ModelParameters& p);

// Time step: the explicit-diffusion stability limit 0.5 dx^2 / kappa, capped
// at one year. A limit that is not a number (or not below 1) gives 1.
double derive_dt(double dx, double diff_coeff);

}  // namespace vendrel
