#include "sweep/tempered_smc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace vendrel {
namespace {

double max_finite(const std::vector<double>& values) {
    double m = -std::numeric_limits<double>::infinity();
    for (double v : values) {
        if (std::isfinite(v)) {
            m = std::max(m, v);
        }
    }
    return m;
}

// Reflects x into [0, 1] as a mirror at each face would.
double reflect(double x) {
    x = std::fmod(std::fabs(x), 2.0);
    return x > 1.0 ? 2.0 - x : x;
}

}  // namespace

std::vector<double> tempering_weights(const std::vector<double>& log_likelihood, double delta) {
    const double top = max_finite(log_likelihood);
    std::vector<double> w(log_likelihood.size(), 0.0);
    double sum = 0;
    if (std::isfinite(top)) {
        for (std::size_t i = 0; i < w.size(); ++i) {
            if (std::isfinite(log_likelihood[i])) {
                w[i] = std::exp(delta * (log_likelihood[i] - top));
                sum += w[i];
            }
        }
    }
    for (double& x : w) {
        x = sum > 0 ? x / sum : 1.0 / double(w.size());
    }
    return w;
}

double ess_fraction_after(const std::vector<double>& log_likelihood, double delta) {
    if (!std::isfinite(max_finite(log_likelihood))) {
        return 0;
    }
    const std::vector<double> w = tempering_weights(log_likelihood, delta);
    double squares = 0;
    for (double x : w) {
        squares += x * x;
    }
    return 1.0 / (squares * double(w.size()));
}

double next_temperature(const std::vector<double>& log_likelihood, double temperature,
                        double ess_fraction) {
    if (!std::isfinite(max_finite(log_likelihood))) {
        return temperature;
    }
    if (ess_fraction_after(log_likelihood, 1.0 - temperature) >= ess_fraction) {
        return 1.0;
    }
    double low = 0, high = 1.0 - temperature;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (low + high);
        (ess_fraction_after(log_likelihood, mid) >= ess_fraction ? low : high) = mid;
    }
    // At least a step the double can tell from the temperature.
    return std::min(1.0, std::max(temperature + low, std::nextafter(temperature, 2.0)));
}

std::vector<int> systematic_resample(const std::vector<double>& weights, double v) {
    const std::size_t n = weights.size();
    std::vector<int> picked(n);
    double cumulative = weights.empty() ? 0 : weights[0];
    std::size_t j = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double point = (double(i) + v) / double(n);
        while (point >= cumulative && j + 1 < n) {
            cumulative += weights[++j];
        }
        picked[i] = int(j);
    }
    return picked;
}

std::vector<std::vector<double>> proposal_factor(const Particles& particles) {
    const std::size_t n = particles.size();
    const std::size_t d = n > 0 ? particles[0].size() : 0;
    std::vector<double> mean(d, 0.0);
    for (const auto& p : particles) {
        for (std::size_t k = 0; k < d; ++k) {
            mean[k] += p[k] / double(n);
        }
    }
    const double scale = 2.38 * 2.38 / double(std::max<std::size_t>(d, 1));
    std::vector<std::vector<double>> c(d, std::vector<double>(d, 0.0));
    for (std::size_t a = 0; a < d; ++a) {
        for (std::size_t b = 0; b <= a; ++b) {
            double s = 0;
            for (const auto& p : particles) {
                s += (p[a] - mean[a]) * (p[b] - mean[b]);
            }
            c[a][b] = scale * s / double(std::max<std::size_t>(n - 1, 1));
        }
        c[a][a] += 1e-10;
    }
    // Cholesky: c = l l^T.
    std::vector<std::vector<double>> l(d, std::vector<double>(d, 0.0));
    for (std::size_t a = 0; a < d; ++a) {
        for (std::size_t b = 0; b <= a; ++b) {
            double s = c[a][b];
            for (std::size_t k = 0; k < b; ++k) {
                s -= l[a][k] * l[b][k];
            }
            if (a == b) {
                l[a][a] = std::sqrt(std::max(s, 1e-10));
            } else {
                l[a][b] = s / l[b][b];
            }
        }
    }
    return l;
}

double standard_normal(DesignRandom& random) {
    const double u1 = 1.0 - random.uniform();  // in (0, 1]
    const double u2 = random.uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

std::vector<double> propose(const std::vector<double>& u,
                            const std::vector<std::vector<double>>& factor, DesignRandom& random) {
    const std::size_t d = u.size();
    std::vector<double> z(d);
    for (double& x : z) {
        x = standard_normal(random);
    }
    std::vector<double> out(d);
    for (std::size_t a = 0; a < d; ++a) {
        double step = 0;
        for (std::size_t b = 0; b <= a; ++b) {
            step += factor[a][b] * z[b];
        }
        out[a] = reflect(u[a] + step);
    }
    return out;
}

}  // namespace vendrel
