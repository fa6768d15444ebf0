#pragma once
// Where a fit stands between two batches of runs, kept as DIR/fit-state.txt
// (saved atomically after each batch) so that a stopped fit goes on from
// the last whole batch and ends as an uninterrupted one would. Text, one
// record a line, numbers in their shortest exact form:
//
//   vendrel-fit-state 1
//   batches B            batches run and weighed
//   runs R
//   wall_time_s T        summed over the sessions
//   temperature b
//   moves M              move batches done at this temperature (-1 once
//                        they are all done)
//   stages S             temperatures taken so far
//   best RUN LOGL U1 ... the run of the highest likelihood so far and its
//                        coordinates
//   stage T RUNS M1 A1 B1 M2 ...  one line per temperature done: the
//                                 runs by then and each parameter's
//                                 median, q05 and q95 at T (0: the prior)
//   particle RUN LOGL U1 U2 ...   one line per particle: its run (the
//                                 batch folder and id, b00003/p0012), its
//                                 log-likelihood and coordinates
//   end

#include <string>
#include <vector>

#include "sweep/tempered_smc.h"

namespace vendrel {

struct FitStage {
    double temperature = 0;
    long long runs = 0;
    std::vector<double> intervals;  // median, q05, q95 of each parameter
};

struct FitState {
    int batches = 0;
    long long runs = 0;
    double wall_time_s = 0;
    double temperature = 0;
    int moves = 0;
    int stages = 0;
    std::string best_run;
    double best_log_likelihood = 0;
    std::vector<double> best_unit;
    std::vector<FitStage> history;
    Particles particles;
    std::vector<double> log_likelihood;
    std::vector<std::string> particle_runs;
};

std::string fit_state_text(const FitState& state);
// Throws FileError naming `name` and the line.
FitState parse_fit_state(const std::string& text, const std::string& name);

// A number in its shortest form that reads back exactly ("-inf" too).
std::string exact_number(double value);

}  // namespace vendrel
