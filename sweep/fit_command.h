#pragma once
// vendrel-sweep fit PRIORS.toml OBSERVATIONS.csv --out DIR [--jobs N | --slurm ...]
//
// Fits the priors' free parameters to the observations (fit_run.h) and
// writes what the fit found into DIR: the tables of fit_report.h, the pair
// plot (posterior_pairs.png) and the posterior predictive at every well
// (posterior_predictive.png) of fit_plots.h, and the maximum-posterior run
// as max_posterior.vdl with its report figure (max_posterior_figure.png)
// and Wheeler diagram (max_posterior_wheeler.png), drawn by vendrel-run.
// Run again, the same command goes on from the last whole batch; a
// finished fit writes its outputs again. Exit status: 0 done, 1 failed, 2
// bad command line, priors or observations, 3 stopped at fit.max_runs short
// of the posterior (outputs written), 130 interrupted (state kept).

namespace vendrel {

// argv[0] is "fit".
int fit_main(int argc, char** argv);

}  // namespace vendrel
