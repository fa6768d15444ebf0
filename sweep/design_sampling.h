#pragma once
// The points of a designed sample in the unit cube, one coordinate per free
// parameter, one row per run, with the runs' ids:
//
//   grid      every combination: a range at `samples` evenly spaced levels
//             (ends included), a list at each of its values; ids g000001…
//   lhs       Latin hypercube of `samples` rows: each coordinate falls once
//             in each of `samples` equal strata (random permutations and
//             random places within the strata); ids l000001…
//   sobol     the first `samples` points of the Sobol' sequence after its
//             zero point (Boost.Random's generator, Joe and Kuo's
//             direction numbers); ids s000001…
//   saltelli  the scheme the Sobol' indices need: matrices A and B from a
//             Sobol' sequence of twice the dimension, and for each
//             parameter i the matrix A with column i from B; per base point
//             j the rows a, b, ab1 … abk (ids 000001-a, 000001-b,
//             000001-ab1 …): samples x (k + 2) runs
//   morris    `samples` one-at-a-time trajectories on a 4-level grid with
//             the step 2/3: a start point, then k rows that each move one
//             more parameter by ±2/3, in a random order (ids 000001-0 …
//             000001-k): samples x (k + 1) runs
//
// Randomness comes from std::mt19937_64 seeded with the description's seed,
// whose output the C++ standard fixes, mapped to numbers here rather than
// by the standard library's distributions (which differ between
// libraries), so a description and seed give the same points everywhere.
//
// A coordinate u in [0, 1] becomes a value: low + u (high - low) for a
// range, the same in log(value) for a log range, value number floor(u n)
// (the last for u = 1) of a list of n.

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sweep/design_description.h"

namespace vendrel {

enum class DesignMethod { Grid, Lhs, Sobol, Saltelli, Morris };

std::optional<DesignMethod> design_method(std::string_view name);
std::string_view design_method_name(DesignMethod method);

// At most this many runs in a design.
constexpr std::int64_t kMaxDesignRows = 1000000;

struct DesignPoints {
    std::vector<std::string> ids;
    std::vector<std::vector<double>> unit;  // per row, one coordinate per free parameter
};

// Throws UsageError when the design would have more than kMaxDesignRows
// rows, or a Sobol' sequence more dimensions than the generator has.
DesignPoints sample_design(const DesignDescription& description, DesignMethod method);

// The value of the free parameter at coordinate u.
double design_value(const FreeParameter& free, double u);

// The step of a Morris trajectory, in unit coordinates.
constexpr double kMorrisStep = 2.0 / 3.0;

// A generator of numbers the same on every platform.
class DesignRandom {
  public:
    explicit DesignRandom(std::uint64_t seed);
    // Uniform in [0, 1), 53 random bits.
    double uniform();
    // Uniform in 0 .. n - 1 (n at least 1), without bias.
    std::uint64_t below(std::uint64_t n);

  private:
    std::mt19937_64 engine_;
};

}  // namespace vendrel
