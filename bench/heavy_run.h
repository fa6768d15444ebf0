#pragma once
// What the benchmarks share: the heavy run's parameters (compaction and
// both faults on, a horizon every 400 years: 500 horizons) and a run
// carried to its end.

#include <chrono>

#include "core/model_parameters.h"
#include "core/simulation.h"

namespace vendrel::bench {

inline void make_heavy(ModelParameters& p) {
    p.includecompact = 1;
    p.slip1 = 1;
    p.slip2 = 0.5;
    p.display_inc = 400;
}

inline void run_to_end(Simulation& sim) {
    sim.start_run();
    while (!sim.wait_until_idle(std::chrono::seconds(10))) {
    }
}

}  // namespace vendrel::bench
