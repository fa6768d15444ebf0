#pragma once
// The errors of the programs the sweep runs for a cluster (scontrol,
// sbatch): one that could not be started, gave no usable answer or refused
// the work. The message names the program and what it said.

#include <stdexcept>

namespace vendrel {

class ProcessError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vendrel
