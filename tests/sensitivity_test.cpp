#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include "sweep/design_sampling.h"
#include "sweep/sensitivity_estimators.h"

namespace vendrel {
namespace {

// A Saltelli design of `n` base points over [low, high]^k, the function
// evaluated at its rows and the indices estimated from them.
std::vector<SobolIndices> indices_of(const std::function<double(const std::vector<double>&)>& f,
                                     std::size_t k, double low, double high, std::int64_t n) {
    DesignDescription d;
    d.samples = n;
    d.seed = 5;
    for (std::size_t i = 0; i < k; ++i) {
        d.free.push_back(
            {std::string("x").append(std::to_string(i + 1)), low, high, false, {}, ""});
    }
    const DesignPoints points = sample_design(d, DesignMethod::Saltelli);
    std::vector<double> a, b;
    std::vector<std::vector<double>> ab(k);
    for (std::size_t r = 0; r < points.ids.size(); ++r) {
        std::vector<double> x;
        for (std::size_t i = 0; i < k; ++i) {
            x.push_back(design_value(d.free[i], points.unit[r][i]));
        }
        const std::size_t place = r % (k + 2);
        (place == 0 ? a : place == 1 ? b : ab[place - 2]).push_back(f(x));
    }
    return sobol_indices(a, b, ab, 11);
}

void expect_within(const Estimate& e, double known, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_LE(e.low, known);
    EXPECT_GE(e.high, known);
    // The interval is tight enough to tell the parameters apart.
    EXPECT_LT(e.high - e.low, 0.1);
    EXPECT_LE(e.low, e.value);
    EXPECT_GE(e.high, e.value);
}

TEST(SensitivityEstimators, IshigamiIndicesWithinTheirIntervals) {
    // Ishigami and Homma (1990), a = 7, b = 0.1, on [-pi, pi]^3.
    const auto ishigami = [](const std::vector<double>& x) {
        return std::sin(x[0]) + 7 * std::sin(x[1]) * std::sin(x[1]) +
               0.1 * std::pow(x[2], 4) * std::sin(x[0]);
    };
    const std::vector<SobolIndices> s =
        indices_of(ishigami, 3, -std::numbers::pi, std::numbers::pi, 4096);
    // V = a²/8 + b π⁴/5 + b² π⁸/18 + 1/2; V1 = (1 + b π⁴/5)²/2, V2 = a²/8,
    // V13 = b² π⁸ (1/18 - 1/50).
    const double pi4 = std::pow(std::numbers::pi, 4);
    const double v = 49.0 / 8 + 0.1 * pi4 / 5 + 0.01 * pi4 * pi4 / 18 + 0.5;
    const double v1 = (1 + 0.1 * pi4 / 5) * (1 + 0.1 * pi4 / 5) / 2;
    const double v2 = 49.0 / 8;
    const double v13 = 0.01 * pi4 * pi4 * (1.0 / 18 - 1.0 / 50);
    const double first[] = {v1 / v, v2 / v, 0};
    const double total[] = {(v1 + v13) / v, v2 / v, v13 / v};
    EXPECT_NEAR(first[0], 0.314, 5e-4);
    EXPECT_NEAR(total[2], 0.244, 5e-4);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(testing::Message() << "x" << i + 1);
        expect_within(s[i].first, first[i], "first");
        expect_within(s[i].total, total[i], "total");
    }
}

TEST(SensitivityEstimators, SobolGFunctionIndicesWithinTheirIntervals) {
    // g(x) = Π (|4 x_i - 2| + a_i) / (1 + a_i) on [0, 1]^k; V_i = 1 / (3 (1 + a_i)²),
    // V = Π (1 + V_i) - 1, S_i = V_i / V, S_Ti = V_i Π_{j≠i} (1 + V_j) / V.
    const std::vector<double> a = {0, 1, 4.5, 9, 99};
    const auto g = [&](const std::vector<double>& x) {
        double product = 1;
        for (std::size_t i = 0; i < a.size(); ++i) {
            product *= (std::fabs(4 * x[i] - 2) + a[i]) / (1 + a[i]);
        }
        return product;
    };
    const std::vector<SobolIndices> s = indices_of(g, a.size(), 0, 1, 16384);
    std::vector<double> vi;
    double all = 1;
    for (const double ai : a) {
        vi.push_back(1 / (3 * (1 + ai) * (1 + ai)));
        all *= 1 + vi.back();
    }
    const double v = all - 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "x" << i + 1);
        expect_within(s[i].first, vi[i] / v, "first");
        expect_within(s[i].total, vi[i] * all / (1 + vi[i]) / v, "total");
    }
}

TEST(SensitivityEstimators, MorrisMeasuresOfALinearFunction) {
    // f = 3 x1 - 2 x2 + 0 x3 on [0, 1]³ (x2 on [0, 2]): every elementary
    // effect in unit coordinates is the slope times the range's width.
    DesignDescription d;
    d.samples = 20;
    d.seed = 3;
    d.free = {
        {"x1", 0, 1, false, {}, ""}, {"x2", 0, 2, false, {}, ""}, {"x3", 0, 1, false, {}, ""}};
    const DesignPoints points = sample_design(d, DesignMethod::Morris);
    ASSERT_EQ(points.ids.size(), 80u);
    std::vector<std::vector<double>> effects(3);
    for (std::size_t t = 0; t < 20; ++t) {
        for (std::size_t s = 1; s <= 3; ++s) {
            const auto& from = points.unit[t * 4 + s - 1];
            const auto& to = points.unit[t * 4 + s];
            int changed = 0;
            for (std::size_t i = 0; i < 3; ++i) {
                if (from[i] != to[i]) {
                    ++changed;
                    EXPECT_NEAR(std::fabs(to[i] - from[i]), kMorrisStep, 1e-15);
                    const auto f = [&](const std::vector<double>& u) {
                        return 3 * design_value(d.free[0], u[0]) -
                               2 * design_value(d.free[1], u[1]);
                    };
                    effects[i].push_back((f(to) - f(from)) / (to[i] - from[i]));
                }
            }
            EXPECT_EQ(changed, 1);
        }
    }
    const std::vector<MorrisEffects> m = morris_effects(effects, 1);
    EXPECT_NEAR(m[0].mu_star.value, 3, 1e-12);
    EXPECT_NEAR(m[1].mu_star.value, 4, 1e-12);
    EXPECT_NEAR(m[2].mu_star.value, 0, 1e-12);
    EXPECT_NEAR(m[0].sigma, 0, 1e-12);
    EXPECT_NEAR(m[1].mu_star.low, 4, 1e-12);
}

}  // namespace
}  // namespace vendrel
