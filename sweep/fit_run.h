#pragma once
// A fit of the free parameters to well observations by a likelihood-
// tempered SMC sampler (tempered_smc.h). Each batch is N independent runs
// (N = the priors' `samples`), run as a sweep in DIR/batches/bNNNNN (its
// manifest written as a designed sample's, design_manifest.h, and run by
// the local pool of sweep_runner.h or as one Slurm job array,
// slurm_submission.h):
//
//   batch 0      N particles drawn uniformly in the unit cube of the priors
//   then         at each new temperature the particles are reweighted and
//                resampled, then moved, one batch a move, at least `moves`
//                times and until nine in ten particles have moved (at most
//                ten times `moves`)
//
// The likelihood is Gaussian: log L = -chi^2 / 2 with chi^2 the sum over
// the data of ((model - value) / sigma)^2 (modelled_observations.h); a run
// that failed or cannot give a datum has L = 0. The random numbers of batch
// k come from DesignRandom seeded with a mix of the seed and k, so a fit
// depends only on its inputs: the same on any number of jobs, here or on a
// cluster, and stopped and resumed or not. The state is saved after each
// batch (fit_state.h). The fit stops short of the posterior rather than
// exceed fit.max_runs. The .vdl of runs no particle holds any more (and
// that is not the best so far) are removed as the fit goes.

#include <string>
#include <vector>

#include "sweep/fit_settings.h"
#include "sweep/fit_state.h"
#include "sweep/slurm_options.h"
#include "sweep/sweep_runner.h"

namespace vendrel {

struct FitRunOptions {
    std::string dir;  // absolute
    int jobs = 1;
    SweepProgress progress = SweepProgress::None;  // of each batch's runs
    bool slurm = false;
    SlurmOptions cluster;
};

enum class FitEnd { Finished, OutOfRuns, Interrupted };

struct FitOutcome {
    FitEnd end = FitEnd::Finished;
    FitState state;
};

// Runs (or resumes) the fit in options.dir. Throws UsageError for inputs
// that do not match the fit already in the folder, FileError and
// ProcessError when the fit cannot go on.
FitOutcome run_fit(const FitInputs& inputs, const FitRunOptions& options);

// The path of a particle's project file: DIR/batches/<run>.vdl.
std::string particle_project(const std::string& dir, const std::string& run);

// Chi^2 of the model's values against the data; +inf when a value is NaN.
double chi_square(const std::vector<Observation>& data, const std::vector<double>& model);

}  // namespace vendrel
