#include "sweep/sensitivity_estimators.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sweep/design_sampling.h"

namespace vendrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The resampled values' 2.5 % and 97.5 % points (nearest rank).
void set_interval(Estimate& e, std::vector<double>& replicates) {
    std::sort(replicates.begin(), replicates.end());
    const auto at = [&](double p) {
        const auto k = std::size_t(std::lround(p * double(replicates.size() - 1)));
        return replicates[k];
    };
    e.low = at(0.025);
    e.high = at(0.975);
}

// The indices of one sample of base points (`pick`, each an index into
// the outputs).
void sobol_at(const std::vector<double>& a, const std::vector<double>& b,
              const std::vector<std::vector<double>>& ab, const std::vector<std::size_t>& pick,
              std::vector<double>& first, std::vector<double>& total) {
    const double n = double(pick.size());
    double mean = 0;
    for (const std::size_t j : pick) {
        mean += a[j] + b[j];
    }
    mean /= 2 * n;
    double variance = 0;
    for (const std::size_t j : pick) {
        variance += (a[j] - mean) * (a[j] - mean) + (b[j] - mean) * (b[j] - mean);
    }
    variance /= 2 * n;
    for (std::size_t i = 0; i < ab.size(); ++i) {
        double s = 0, t = 0;
        for (const std::size_t j : pick) {
            s += (b[j] - mean) * (ab[i][j] - a[j]);
            t += (a[j] - ab[i][j]) * (a[j] - ab[i][j]);
        }
        first[i] = variance > 0 ? s / n / variance : kNaN;
        total[i] = variance > 0 ? t / (2 * n) / variance : kNaN;
    }
}

std::vector<std::size_t> resample(DesignRandom& random, std::size_t n) {
    std::vector<std::size_t> pick(n);
    for (std::size_t& j : pick) {
        j = std::size_t(random.below(n));
    }
    return pick;
}

}  // namespace

std::vector<SobolIndices> sobol_indices(const std::vector<double>& a, const std::vector<double>& b,
                                        const std::vector<std::vector<double>>& ab,
                                        std::uint64_t seed, int resamples) {
    const std::size_t k = ab.size();
    const std::size_t n = a.size();
    std::vector<SobolIndices> out(k);
    if (n == 0) {
        return out;
    }
    std::vector<std::size_t> all(n);
    for (std::size_t j = 0; j < n; ++j) {
        all[j] = j;
    }
    std::vector<double> first(k), total(k);
    sobol_at(a, b, ab, all, first, total);
    for (std::size_t i = 0; i < k; ++i) {
        out[i].first.value = first[i];
        out[i].total.value = total[i];
    }
    std::vector<std::vector<double>> first_r(k), total_r(k);
    DesignRandom random(seed);
    for (int r = 0; r < resamples; ++r) {
        sobol_at(a, b, ab, resample(random, n), first, total);
        for (std::size_t i = 0; i < k; ++i) {
            first_r[i].push_back(first[i]);
            total_r[i].push_back(total[i]);
        }
    }
    for (std::size_t i = 0; i < k; ++i) {
        if (std::isnan(out[i].first.value) || resamples < 1) {
            out[i].first.low = out[i].first.high = out[i].total.low = out[i].total.high = kNaN;
            continue;
        }
        set_interval(out[i].first, first_r[i]);
        set_interval(out[i].total, total_r[i]);
    }
    return out;
}

std::vector<MorrisEffects> morris_effects(const std::vector<std::vector<double>>& effects,
                                          std::uint64_t seed, int resamples) {
    std::vector<MorrisEffects> out(effects.size());
    DesignRandom random(seed);
    const std::size_t r = effects.empty() ? 0 : effects.front().size();
    if (r == 0) {
        return out;
    }
    const auto mu_star = [&](const std::vector<double>& e, const std::vector<std::size_t>& pick) {
        double sum = 0;
        for (const std::size_t t : pick) {
            sum += std::fabs(e[t]);
        }
        return sum / double(pick.size());
    };
    std::vector<std::size_t> all(r);
    for (std::size_t t = 0; t < r; ++t) {
        all[t] = t;
    }
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const std::vector<double>& e = effects[i];
        out[i].mu_star.value = mu_star(e, all);
        double mean = 0;
        for (const double v : e) {
            mean += v;
        }
        mean /= double(r);
        double squares = 0;
        for (const double v : e) {
            squares += (v - mean) * (v - mean);
        }
        out[i].sigma = r > 1 ? std::sqrt(squares / double(r - 1)) : kNaN;
    }
    std::vector<std::vector<double>> replicates(effects.size());
    for (int k = 0; k < resamples; ++k) {
        const std::vector<std::size_t> pick = resample(random, r);
        for (std::size_t i = 0; i < effects.size(); ++i) {
            replicates[i].push_back(mu_star(effects[i], pick));
        }
    }
    for (std::size_t i = 0; i < effects.size(); ++i) {
        if (resamples < 1) {
            out[i].mu_star.low = out[i].mu_star.high = kNaN;
            continue;
        }
        set_interval(out[i].mu_star, replicates[i]);
    }
    return out;
}

}  // namespace vendrel
