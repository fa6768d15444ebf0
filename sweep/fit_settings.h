#pragma once
// What a fit reads before it runs anything: the priors (a design
// description, design_description.h, with `samples` the number of
// particles and a [fit] table of the sampler's settings), the observations
// (document/well_observations.h) checked against the run the priors
// describe, and the folder of the fit.
//
//   [fit]
//   moves = 2             move batches at each temperature at least (1 to
//                         100); more follow until nine in ten particles
//                         have moved, up to ten times as many
//   ess_fraction = 0.5    effective sample size kept at each new
//                         temperature, as a fraction of the particles
//   max_runs = 5000       the fit stops, tempered short of the posterior,
//                         rather than run more
//
// `totaltime` and `display_inc` cannot be free: the observations' ages
// count on the run's length. A datum older than the run (totaltime) or a
// well outside the section (0 to max_x, the smallest max_x a free max_x
// takes) is refused with its line. Errors throw UsageError.

#include <string>
#include <vector>

#include "core/model_parameters.h"
#include "document/well_observations.h"
#include "sweep/design_description.h"

namespace vendrel {

struct FitSettings {
    int moves = 2;
    double ess_fraction = 0.5;
    long long max_runs = 5000;
};

struct FitInputs {
    DesignDescription priors;
    FitSettings settings;
    std::vector<Observation> observations;
    std::string priors_text;
    std::string observations_text;
};

FitInputs read_fit_inputs(const std::string& priors_path, const std::string& observations_path);

// The parameters of a run with the priors' fixed values: the runner's
// start-up values, then [fixed].
ModelParameters fixed_parameters(const DesignDescription& priors);

}  // namespace vendrel
