// The engine's exponential against a 200-bit reference: the error of every
// value tried, in ulps of the result, stays within the bound its header
// states, and every path this build and processor run gives the bits of
// the scalar one. Values tried: the edges (0, -0, the thresholds of the
// special paths, subnormal results, underflow, overflow, infinities, NaN),
// every binade of magnitude from 2^-60 to 2^10 of either sign with random
// significands, and random exponents in the range compaction meets (-c b
// with c up to 1 per metre and b up to 750 m, the last one below the
// subnormal limit). VENDREL_EXPONENTIAL_SAMPLES multiplies the random
// sample for a longer sweep.

#include "core/exponential.h"

#include <gmp.h>
#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "core/lanes.h"

namespace vendrel {
namespace {

// The bound core/exponential.h states, in ulps of the result (of the
// smallest subnormal where the result is subnormal).
constexpr double kBoundUlps = 0.52;

class Reference {
  public:
    Reference() { mpfr_inits2(200, x_, exact_, diff_, (mpfr_ptr)0); }
    ~Reference() { mpfr_clears(x_, exact_, diff_, (mpfr_ptr)0); }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;

    // exp(x) rounded to nearest.
    double rounded(double x) {
        exact(x);
        return mpfr_get_d(exact_, MPFR_RNDN);
    }

    // |y - exp(x)| in ulps of exp(x) rounded to a double (2^-1074 below the
    // normal range); for a finite x whose exponential is a finite double.
    double error_ulps(double x, double y) {
        exact(x);
        mpfr_sub_d(diff_, exact_, y, MPFR_RNDN);
        mpfr_abs(diff_, diff_, MPFR_RNDN);
        const double correct = mpfr_get_d(exact_, MPFR_RNDN);
        int exponent = 0;
        std::frexp(correct, &exponent);
        // ulp of a double in [2^(e-1), 2^e) is 2^(e-53), never below 2^-1074.
        const long ulp_exponent = correct == 0 ? -1074 : std::max<long>(exponent - 53, -1074);
        mpfr_mul_2si(diff_, diff_, -ulp_exponent, MPFR_RNDN);
        return mpfr_get_d(diff_, MPFR_RNDN);
    }

  private:
    void exact(double x) {
        mpfr_set_d(x_, x, MPFR_RNDN);
        mpfr_exp(exact_, x_, MPFR_RNDN);
    }
    mpfr_t x_, exact_, diff_;
};

std::vector<VectorPath> supported_paths() {
    std::vector<VectorPath> paths;
    for (VectorPath p : {VectorPath::Scalar, VectorPath::Sse2, VectorPath::Avx2}) {
        if (vector_path_supported(p)) {
            paths.push_back(p);
        }
    }
    return paths;
}

// Every path's results for `x`, checked against the scalar function bit for
// bit; returns the scalar results.
std::vector<double> on_every_path(const std::vector<double>& x) {
    std::vector<double> scalar(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        scalar[i] = exponential(x[i]);
    }
    for (VectorPath path : supported_paths()) {
        std::vector<double> y(x.size());
        exponentials(x.data(), y.data(), int(x.size()), path);
        int mismatches = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (std::bit_cast<std::uint64_t>(y[i]) != std::bit_cast<std::uint64_t>(scalar[i])) {
                if (++mismatches <= 5) {
                    ADD_FAILURE() << "path " << int(path) << " at " << std::hexfloat << x[i] << ": "
                                  << y[i] << ", scalar " << scalar[i];
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << "path " << int(path);
    }
    return scalar;
}

// Checks the error of each result of a finite x (an overflow must be one
// as the rounded reference has it); returns the largest.
double largest_error(const std::vector<double>& x, const std::vector<double>& y) {
    Reference reference;
    double largest = 0;
    int failures = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!std::isfinite(x[i])) {
            continue;
        }
        if (!std::isfinite(y[i])) {
            EXPECT_EQ(y[i], reference.rounded(x[i])) << std::hexfloat << "exp(" << x[i] << ")";
            continue;
        }
        const double error = reference.error_ulps(x[i], y[i]);
        largest = std::max(largest, error);
        if (!(error <= kBoundUlps) && ++failures <= 5) {
            ADD_FAILURE() << std::hexfloat << "exp(" << x[i] << ") = " << y[i] << std::defaultfloat
                          << ": " << error << " ulp";
        }
    }
    EXPECT_EQ(failures, 0);
    return largest;
}

int sample_factor() {
    const char* factor = std::getenv("VENDREL_EXPONENTIAL_SAMPLES");
    return factor != nullptr && std::atoi(factor) > 0 ? std::atoi(factor) : 1;
}

TEST(Exponential, EdgesGiveTheCorrectValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double overflow = std::log(std::numeric_limits<double>::max());  // 709.78
    struct Case {
        double x;
        double expected;  // NaN: a NaN
    };
    Reference reference;
    const Case cases[] = {
        {0.0, 1.0},
        {-0.0, 1.0},
        {tiny, 1.0},
        {-tiny, 1.0},
        {0x1p-54, 1.0},
        {-0x1p-54, 1.0},
        {std::nextafter(0x1p-54, 0.0), 1.0},
        {0x1p-53, reference.rounded(0x1p-53)},
        {-0x1p-53, reference.rounded(-0x1p-53)},
        {1.0, reference.rounded(1.0)},
        {-1.0, reference.rounded(-1.0)},
        {std::nextafter(512.0, 0.0), reference.rounded(std::nextafter(512.0, 0.0))},
        {512.0, reference.rounded(512.0)},
        {-512.0, reference.rounded(-512.0)},
        {overflow, reference.rounded(overflow)},
        {std::nextafter(overflow, inf), inf},
        {710.0, inf},
        {1023.0, inf},
        {1024.0, inf},
        {1e300, inf},
        {inf, inf},
        {-708.0, reference.rounded(-708.0)},  // normal, close to the limit
        {-709.0, reference.rounded(-709.0)},  // subnormal
        {-740.0, reference.rounded(-740.0)},  // a few bits left
        {-744.0, reference.rounded(-744.0)},  // one or two bits
        {-745.0, tiny},                       // rounds up to the smallest subnormal
        {-745.2, 0.0},                        // below half of it
        {-1000.0, 0.0},
        {-1023.0, 0.0},
        {-1024.0, 0.0},
        {-1e300, 0.0},
        {-inf, 0.0},
        {nan, nan},
        {-nan, nan},
    };
    std::vector<double> x;
    for (const Case& c : cases) {
        x.push_back(c.x);
    }
    const std::vector<double> y = on_every_path(x);
    for (std::size_t i = 0; i < x.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << std::hexfloat << "exp(" << x[i] << ")");
        if (std::isnan(cases[i].expected)) {
            EXPECT_TRUE(std::isnan(y[i])) << y[i];
        } else if (cases[i].expected == 0.0 || std::isinf(cases[i].expected)) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(y[i]),
                      std::bit_cast<std::uint64_t>(cases[i].expected))
                << y[i];
        } else {
            // The bound holds in ulps; where the exact value lies near a
            // half-way point the result may be the other neighbour.
            EXPECT_LE(std::fabs(y[i] - cases[i].expected),
                      std::fabs(std::nextafter(cases[i].expected, inf) - cases[i].expected))
                << y[i];
        }
    }
    largest_error(x, y);
}

TEST(Exponential, EveryBinadeWithinTheBound) {
    std::mt19937_64 random(20261211);
    std::vector<double> x;
    const int per_binade = 2000 * sample_factor();
    for (int e = -60; e <= 9; ++e) {
        for (int n = 0; n < per_binade; ++n) {
            // A random significand in binade [2^e, 2^(e+1)).
            const std::uint64_t significand = random() & ((std::uint64_t(1) << 52) - 1);
            const double magnitude =
                std::bit_cast<double>((std::uint64_t(e + 1023) << 52) | significand);
            x.push_back(n % 2 == 0 ? -magnitude : magnitude);
        }
    }
    const std::vector<double> y = on_every_path(x);
    const double largest = largest_error(x, y);
    RecordProperty("largest_error_ulps", std::to_string(largest));
}

TEST(Exponential, CompactionExponentsWithinTheBound) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> c(0.0, 1.0), burial(0.0, 750.0), small(0.0, 60.0);
    std::vector<double> x;
    const int count = 100000 * sample_factor();
    for (int n = 0; n < count; ++n) {
        // Mostly what real runs meet (c of 1e-4 to 1e-2 per metre, a few
        // hundred metres of burial), and the whole range down to underflow.
        x.push_back(n % 4 == 0 ? -c(random) * burial(random) : -small(random));
    }
    // Exponents that repeat, as the layers never deposited give them.
    for (int n = 0; n < 64; ++n) {
        x.push_back(x[x.size() - 1 - (n % 3)]);
    }
    const std::vector<double> y = on_every_path(x);
    largest_error(x, y);
}

}  // namespace
}  // namespace vendrel
