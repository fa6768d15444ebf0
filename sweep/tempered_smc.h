#pragma once
// The steps of a likelihood-tempered sequential Monte Carlo sampler
// (Del Moral, Doucet and Jasra 2006; adaptive temperatures after Jasra,
// Stephens, Doucet and Tsagaris 2011), on particles in the unit cube where
// the prior is uniform (design_sampling.h maps the cube to the parameters):
//
//   target at temperature b:  p_b(u) ~ L(u)^b on [0, 1]^d, b from 0 to 1
//   next temperature:         the largest b' <= 1 whose incremental weights
//                             exp((b' - b) log L) keep an effective sample
//                             size (sum w)^2 / sum w^2 of at least
//                             `ess_fraction` N (bisection, 60 halvings)
//   resampling:               systematic, one uniform number
//   move:                     random-walk Metropolis, u' = u + C z with z
//                             standard normal and C the Cholesky factor of
//                             (2.38^2 / d) times the particles' covariance
//                             (Roberts and Rosenthal 2001), reflected at
//                             the cube's faces (which keeps the proposal
//                             symmetric); accepted when log v < b (log L' -
//                             log L) for a uniform v
//
// Particles all start with equal weight and have it again after each
// resampling. Normal numbers come from DesignRandom by the Box-Muller
// transform, so a seed gives the same particles with any standard library.

#include <vector>

#include "sweep/design_sampling.h"

namespace vendrel {

using Particles = std::vector<std::vector<double>>;  // [particle][coordinate]

// ESS / N of the weights exp(delta log L) of equally weighted particles;
// a log L of -inf has weight 0. 0 when every weight is 0.
double ess_fraction_after(const std::vector<double>& log_likelihood, double delta);

// The next temperature from `temperature`, as above. Returns `temperature`
// itself when no particle has a finite log L.
double next_temperature(const std::vector<double>& log_likelihood, double temperature,
                        double ess_fraction);

// Normalised weights exp(delta log L) (sum 1). Every weight 0 gives equal
// weights.
std::vector<double> tempering_weights(const std::vector<double>& log_likelihood, double delta);

// Systematic resampling: the indices of N particles drawn with the weights
// (which sum to 1) from the single uniform number v in [0, 1).
std::vector<int> systematic_resample(const std::vector<double>& weights, double v);

// The lower-triangular factor C of (2.38^2 / d) times the covariance of the
// equally weighted particles, rows of C; a small ridge keeps it positive
// definite when the particles collapse onto fewer dimensions.
std::vector<std::vector<double>> proposal_factor(const Particles& particles);

// A point of the proposal from `u`, reflected into [0, 1]^d.
std::vector<double> propose(const std::vector<double>& u,
                            const std::vector<std::vector<double>>& factor, DesignRandom& random);

// A standard normal number.
double standard_normal(DesignRandom& random);

}  // namespace vendrel
