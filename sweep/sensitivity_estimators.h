#pragma once
// Estimators of how much each parameter matters, with bootstrap intervals.
//
// Sobol' indices from the Saltelli scheme (design_sampling.h): with f(A),
// f(B) and f(A_B^i) the outputs at the rows a, b and ab_i of base points
// j = 1 … N, and m and V the mean and variance of the 2N outputs f(A), f(B),
//   first-order S_i = (1/N) Σ_j (f(B)_j − m) (f(A_B^i)_j − f(A)_j) / V
//       (Saltelli et al. 2010, Comput. Phys. Commun. 181, 259–270; f(B)
//       centred on m, which leaves the expectation as it is, since
//       f(A_B^i) − f(A) has mean 0, and keeps a large mean from swamping a
//       small variance);
//   total S_Ti = (1/2N) Σ_j (f(A)_j − f(A_B^i)_j)² / V
//       (Jansen 1999, Comput. Phys. Commun. 117, 35–43; as in Saltelli et al. 2010).
//
// Morris elementary effects (Morris 1991, Technometrics 33, 161–174; μ*
// after Campolongo, Cariboni and Saltelli 2007, Environ. Model. Softw. 22,
// 1509–1518): EE = (f(x + Δ e_i) − f(x)) / Δ in unit coordinates, one per
// trajectory and parameter; μ* the mean of |EE|, σ the standard deviation of
// EE (divisor r − 1).
//
// Intervals: percentile bootstrap, 95 %, over base points (Sobol') or
// trajectories (Morris), resampled with DesignRandom from a given seed: the
// same data and seed give the same intervals.

#include <cstdint>
#include <vector>

namespace vendrel {

struct Estimate {
    double value = 0;
    double low = 0, high = 0;  // the 95 % interval
};

struct SobolIndices {
    Estimate first;
    Estimate total;
};

constexpr int kBootstrapResamples = 1000;

// One SobolIndices per parameter (ab.size()); ab[i][j] is f(A_B^i) at base
// point j. With no variance the values are NaN.
std::vector<SobolIndices> sobol_indices(const std::vector<double>& a, const std::vector<double>& b,
                                        const std::vector<std::vector<double>>& ab,
                                        std::uint64_t seed, int resamples = kBootstrapResamples);

struct MorrisEffects {
    Estimate mu_star;
    double sigma = 0;  // NaN with a single trajectory
};

// effects[i][t]: the elementary effect of parameter i on trajectory t.
std::vector<MorrisEffects> morris_effects(const std::vector<std::vector<double>>& effects,
                                          std::uint64_t seed, int resamples = kBootstrapResamples);

}  // namespace vendrel
