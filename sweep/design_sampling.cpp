#include "sweep/design_sampling.h"

#include <algorithm>
#include <boost/random/sobol.hpp>
#include <cmath>
#include <numeric>

#include "cli/run_options.h"

namespace vendrel {
namespace {

// The Sobol' generator's direction numbers reach this many dimensions.
constexpr std::size_t kMaxSobolDimensions = 3667;

// n with leading zeros to `width` digits, after `prefix`.
std::string padded(std::int64_t n, int width, std::string_view prefix = "") {
    const std::string digits = std::to_string(n);
    std::string text(prefix);
    text.append(std::size_t(std::max(0, width - int(digits.size()))), '0');
    text += digits;
    return text;
}

int id_width(std::int64_t count) {
    return std::max(6, int(std::to_string(count).size()));
}

void check_rows(long double rows, DesignMethod method) {
    if (rows > double(kMaxDesignRows)) {
        throw UsageError(std::string(design_method_name(method)) + ": the design would have " +
                         std::to_string(std::llround(double(rows))) + " runs, more than " +
                         std::to_string(kMaxDesignRows));
    }
}

// Each point of a Sobol' sequence in `dimensions`, after its zero point.
class SobolSequence {
  public:
    explicit SobolSequence(std::size_t dimensions) : engine_(dimensions), dimensions_(dimensions) {
        if (dimensions > kMaxSobolDimensions) {
            throw UsageError("a Sobol' sequence of " + std::to_string(dimensions) +
                             " dimensions is more than the generator's " +
                             std::to_string(kMaxSobolDimensions));
        }
    }
    std::vector<double> next() {
        std::vector<double> point(dimensions_);
        for (double& u : point) {
            // The generator's 64 bits, of which a double keeps the top 53.
            u = double(engine_() >> 11) * 0x1.0p-53;
        }
        return point;
    }

  private:
    boost::random::sobol engine_;
    std::size_t dimensions_;
};

DesignPoints grid(const DesignDescription& d) {
    std::vector<std::vector<double>> levels;
    long double rows = 1;
    for (const FreeParameter& f : d.free) {
        std::vector<double> u;
        if (f.is_list()) {
            const double n = double(f.values.size());
            for (std::size_t j = 0; j < f.values.size(); ++j) {
                u.push_back((double(j) + 0.5) / n);
            }
        } else if (d.samples == 1) {
            u.push_back(0.5);
        } else {
            for (std::int64_t j = 0; j < d.samples; ++j) {
                u.push_back(double(j) / double(d.samples - 1));
            }
        }
        rows *= u.size();
        levels.push_back(std::move(u));
    }
    check_rows(rows, DesignMethod::Grid);
    const auto count = std::int64_t(rows);
    DesignPoints points;
    std::vector<std::size_t> at(levels.size(), 0);
    for (std::int64_t r = 0; r < count; ++r) {
        std::vector<double> row;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            row.push_back(levels[i][at[i]]);
        }
        points.ids.push_back(padded(r + 1, id_width(count), "g"));
        points.unit.push_back(std::move(row));
        // The last parameter changes fastest.
        for (std::size_t i = levels.size(); i-- > 0;) {
            if (++at[i] < levels[i].size()) {
                break;
            }
            at[i] = 0;
        }
    }
    return points;
}

DesignPoints latin_hypercube(const DesignDescription& d) {
    const std::size_t n = std::size_t(d.samples);
    const std::size_t k = d.free.size();
    DesignRandom random(d.seed);
    DesignPoints points;
    points.unit.assign(n, std::vector<double>(k));
    for (std::size_t i = 0; i < k; ++i) {
        std::vector<std::size_t> strata(n);
        std::iota(strata.begin(), strata.end(), std::size_t(0));
        for (std::size_t j = n; j > 1; --j) {  // Fisher and Yates
            std::swap(strata[j - 1], strata[random.below(j)]);
        }
        for (std::size_t r = 0; r < n; ++r) {
            points.unit[r][i] = (double(strata[r]) + random.uniform()) / double(n);
        }
    }
    for (std::size_t r = 0; r < n; ++r) {
        points.ids.push_back(padded(std::int64_t(r + 1), id_width(d.samples), "l"));
    }
    return points;
}

DesignPoints sobol(const DesignDescription& d) {
    SobolSequence sequence(d.free.size());
    DesignPoints points;
    for (std::int64_t r = 0; r < d.samples; ++r) {
        points.ids.push_back(padded(r + 1, id_width(d.samples), "s"));
        points.unit.push_back(sequence.next());
    }
    return points;
}

DesignPoints saltelli(const DesignDescription& d) {
    const std::size_t k = d.free.size();
    check_rows((long double)(d.samples) * (k + 2), DesignMethod::Saltelli);
    SobolSequence sequence(2 * k);
    DesignPoints points;
    const int width = id_width(d.samples);
    for (std::int64_t j = 0; j < d.samples; ++j) {
        const std::vector<double> both = sequence.next();
        const std::vector<double> a(both.begin(), both.begin() + std::ptrdiff_t(k));
        const std::vector<double> b(both.begin() + std::ptrdiff_t(k), both.end());
        const std::string base = padded(j + 1, width);
        points.ids.push_back(base + "-a");
        points.unit.push_back(a);
        points.ids.push_back(base + "-b");
        points.unit.push_back(b);
        for (std::size_t i = 0; i < k; ++i) {
            std::vector<double> ab = a;
            ab[i] = b[i];
            points.ids.push_back(base + "-ab" + std::to_string(i + 1));
            points.unit.push_back(std::move(ab));
        }
    }
    return points;
}

DesignPoints morris(const DesignDescription& d) {
    const std::size_t k = d.free.size();
    check_rows((long double)(d.samples) * (k + 1), DesignMethod::Morris);
    DesignRandom random(d.seed);
    DesignPoints points;
    const int width = id_width(d.samples);
    for (std::int64_t t = 0; t < d.samples; ++t) {
        // Each parameter starts at level 0 or 1 of 0, 1/3, 2/3, 1 and moves
        // up by the step, or starts a step higher and moves down.
        std::vector<double> start(k), moved(k);
        for (std::size_t i = 0; i < k; ++i) {
            const double level = double(random.below(2)) / 3.0;
            const bool up = random.below(2) == 0;
            start[i] = up ? level : level + kMorrisStep;
            moved[i] = up ? level + kMorrisStep : level;
        }
        std::vector<std::size_t> order(k);
        std::iota(order.begin(), order.end(), std::size_t(0));
        for (std::size_t j = k; j > 1; --j) {
            std::swap(order[j - 1], order[random.below(j)]);
        }
        const std::string base = padded(t + 1, width);
        std::vector<double> row = start;
        points.ids.push_back(base + "-0");
        points.unit.push_back(row);
        for (std::size_t s = 0; s < k; ++s) {
            row[order[s]] = moved[order[s]];
            points.ids.push_back(base + "-" + std::to_string(s + 1));
            points.unit.push_back(row);
        }
    }
    return points;
}

}  // namespace

std::optional<DesignMethod> design_method(std::string_view name) {
    for (const DesignMethod m : {DesignMethod::Grid, DesignMethod::Lhs, DesignMethod::Sobol,
                                 DesignMethod::Saltelli, DesignMethod::Morris}) {
        if (design_method_name(m) == name) {
            return m;
        }
    }
    return std::nullopt;
}

std::string_view design_method_name(DesignMethod method) {
    switch (method) {
        case DesignMethod::Grid:
            return "grid";
        case DesignMethod::Lhs:
            return "lhs";
        case DesignMethod::Sobol:
            return "sobol";
        case DesignMethod::Saltelli:
            return "saltelli";
        case DesignMethod::Morris:
            return "morris";
    }
    return "";
}

DesignPoints sample_design(const DesignDescription& description, DesignMethod method) {
    switch (method) {
        case DesignMethod::Grid:
            return grid(description);
        case DesignMethod::Lhs:
            return latin_hypercube(description);
        case DesignMethod::Sobol:
            return sobol(description);
        case DesignMethod::Saltelli:
            return saltelli(description);
        case DesignMethod::Morris:
            return morris(description);
    }
    return {};
}

double design_value(const FreeParameter& free, double u) {
    if (free.is_list()) {
        const std::size_t n = free.values.size();
        const auto j = std::size_t(std::max(0.0, std::floor(u * double(n))));
        return free.values[std::min(j, n - 1)];
    }
    double v = 0;
    if (free.log) {
        const double low = std::log(free.low);
        v = std::exp(low + u * (std::log(free.high) - low));
    } else {
        v = free.low + u * (free.high - free.low);
    }
    return std::clamp(v, free.low, free.high);
}

DesignRandom::DesignRandom(std::uint64_t seed) : engine_(seed) {}

double DesignRandom::uniform() {
    return double(engine_() >> 11) * 0x1.0p-53;
}

std::uint64_t DesignRandom::below(std::uint64_t n) {
    // Draws above the largest multiple of n are redrawn.
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    for (;;) {
        const std::uint64_t x = engine_();
        if (x < limit) {
            return x % n;
        }
    }
}

}  // namespace vendrel
