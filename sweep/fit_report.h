#pragma once
// The tables of a finished fit, in its folder:
//
//   posterior.csv            one row per particle: particle, run (the batch
//                            and id whose .vdl it holds), the free
//                            parameters' values, weight, misfit (chi^2)
//   posterior_intervals.csv  parameter, median, q05, q95, prior_low,
//                            prior_high: weighted quantiles
//   tempering.csv            one row per temperature (0, the prior, first):
//                            stage, temperature, runs, and each parameter's
//                            median, q05 and q95 (<key>_median ...)
//   fit.json                 parameters -> each free key's median, q05 and
//                            q95; runs, wall_time_s, and how far the
//                            sampler got (temperature 1 is the posterior)
//
// Values are printed to 12 significant digits, as a manifest holds them.
// Each file is saved atomically.

#include <string>
#include <vector>

#include "sweep/fit_settings.h"
#include "sweep/fit_state.h"

namespace vendrel {

struct ParameterInterval {
    double median = 0, q05 = 0, q95 = 0;
};

// The value below which the weights (summing to 1) first reach q, of the
// values sorted.
double weighted_quantile(std::vector<double> values, std::vector<double> weights, double q);

// The particles' values of each free parameter, [parameter][particle].
std::vector<std::vector<double>> particle_values(const FitInputs& inputs, const FitState& state);

std::vector<ParameterInterval> posterior_intervals(const FitInputs& inputs, const FitState& state);

void write_fit_tables(const FitInputs& inputs, const FitState& state, const std::string& dir,
                      bool finished);

// A number to 12 significant digits.
std::string fit_number(double value);

}  // namespace vendrel
