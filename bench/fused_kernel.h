#pragma once
// The yardstick of the engine's speed: the surface step of a default run
// written as plain code, one loop over the columns per step (diffusion
// stencil, production off the eight-point curve, basinal sediment), at a
// fixed sea level, with nothing recorded. Compiled at -O2 for the base
// instruction set, so it shows what straightforward code achieves.

#include <vector>

namespace vendrel::bench {

// Runs `steps` steps of the default model and returns the final surface
// (columns 1..2000 at indices 1..2000).
std::vector<double> run_fused_kernel(int steps);

}  // namespace vendrel::bench
