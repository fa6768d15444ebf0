#include "sweep/design_sampling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "cli/run_metrics.h"
#include "cli/run_options.h"
#include "sweep/sensitivity_analysis.h"

namespace vendrel {
namespace {

DesignDescription unit_design(std::int64_t samples, std::size_t k) {
    DesignDescription d;
    d.samples = samples;
    d.seed = 9;
    for (std::size_t i = 0; i < k; ++i) {
        d.free.push_back({std::string("slip").append(std::to_string(i + 1)), 0, 1, false, {}, ""});
    }
    return d;
}

TEST(DesignSampling, LatinHypercubeFillsEachStratumOnce) {
    const DesignPoints p = sample_design(unit_design(50, 3), DesignMethod::Lhs);
    ASSERT_EQ(p.unit.size(), 50u);
    for (std::size_t i = 0; i < 3; ++i) {
        std::set<int> strata;
        for (const auto& row : p.unit) {
            ASSERT_GE(row[i], 0);
            ASSERT_LT(row[i], 1);
            strata.insert(int(row[i] * 50));
        }
        EXPECT_EQ(strata.size(), 50u) << "column " << i;
    }
    EXPECT_EQ(p.ids.front(), "l000001");
}

TEST(DesignSampling, SobolSequenceStartsAfterItsZeroPoint) {
    const DesignPoints p = sample_design(unit_design(3, 2), DesignMethod::Sobol);
    const std::vector<std::vector<double>> known = {{0.5, 0.5}, {0.75, 0.25}, {0.25, 0.75}};
    EXPECT_EQ(p.unit, known);
}

TEST(DesignSampling, SaltelliRowsTakeOneColumnFromB) {
    const std::size_t k = 3;
    const DesignPoints p = sample_design(unit_design(16, k), DesignMethod::Saltelli);
    ASSERT_EQ(p.unit.size(), 16 * (k + 2));
    EXPECT_EQ(p.ids[0], "000001-a");
    EXPECT_EQ(p.ids[4], "000001-ab3");
    for (std::size_t j = 0; j < 16; ++j) {
        const auto& a = p.unit[j * (k + 2)];
        const auto& b = p.unit[j * (k + 2) + 1];
        for (std::size_t i = 0; i < k; ++i) {
            std::vector<double> expected = a;
            expected[i] = b[i];
            EXPECT_EQ(p.unit[j * (k + 2) + 2 + i], expected);
        }
    }
}

TEST(DesignSampling, GridTakesEveryCombination) {
    DesignDescription d = unit_design(3, 1);
    d.free.push_back({"includecompact", 0, 0, false, {0, 1}, ""});
    const DesignPoints p = sample_design(d, DesignMethod::Grid);
    ASSERT_EQ(p.unit.size(), 6u);
    std::vector<std::pair<double, double>> values;
    for (const auto& row : p.unit) {
        values.push_back({design_value(d.free[0], row[0]), design_value(d.free[1], row[1])});
    }
    const std::vector<std::pair<double, double>> expected = {{0, 0},   {0, 1}, {0.5, 0},
                                                             {0.5, 1}, {1, 0}, {1, 1}};
    EXPECT_EQ(values, expected);
}

TEST(DesignSampling, ValuesFollowTheScale) {
    const FreeParameter log{"diff_coeff", 0.1, 10, true, {}, ""};
    EXPECT_DOUBLE_EQ(design_value(log, 0.5), 1);
    EXPECT_EQ(design_value(log, 1), 10);
    const FreeParameter list{"includecompact", 0, 0, false, {3, 5, 7}, ""};
    EXPECT_EQ(design_value(list, 0), 3);
    EXPECT_EQ(design_value(list, 0.5), 5);
    EXPECT_EQ(design_value(list, 1), 7);
}

TEST(DesignSampling, RefusesADesignTooLargeToRun) {
    EXPECT_THROW(sample_design(unit_design(1000, 3), DesignMethod::Grid), UsageError);
    EXPECT_THROW(sample_design(unit_design(500000, 3), DesignMethod::Saltelli), UsageError);
}

// The Morris measures from a summary: each run's row found by its id, each
// step's effect given to the parameter it moved.
TEST(SensitivityAnalysis, MorrisMeasuresFromASummary) {
    KeptDesign design{unit_design(10, 3), DesignMethod::Morris};
    design.description.free[1].high = 2;
    const DesignPoints p = sample_design(design.description, DesignMethod::Morris);
    std::string csv = "run,status";
    for (const RunMetricColumn& m : run_metric_table()) {
        csv += std::string(",") + m.name;
    }
    csv += "\n";
    // Rows in reverse: the summary's order does not matter.
    for (std::size_t r = p.ids.size(); r-- > 0;) {
        const auto x = [&](std::size_t i) {
            return design_value(design.description.free[i], p.unit[r][i]);
        };
        csv += p.ids[r] + ",ok";
        for (std::size_t m = 0; m < run_metric_table().size(); ++m) {
            csv += ',';
            csv += std::to_string(m == 0 ? 5 * x(0) - 3 * x(1) : 1.0);
        }
        csv += "\n";
    }
    const SensitivityResult result = analyse_sensitivity(design, csv, "summary.csv");
    const SensitivityMetric& first = result.metrics.front();
    ASSERT_TRUE(first.defined);
    EXPECT_NEAR(first.entries[0].morris.mu_star.value, 5, 1e-6);
    EXPECT_NEAR(first.entries[1].morris.mu_star.value, 6, 1e-6);
    EXPECT_NEAR(first.entries[2].morris.mu_star.value, 0, 1e-6);
    EXPECT_FALSE(result.metrics[1].defined);
    const std::string out = sensitivity_csv(result);
    EXPECT_EQ(out.substr(0, out.find('\n')),
              "metric,parameter,mu_star,mu_star_low,mu_star_high,sigma");
    EXPECT_NE(out.find(std::string(run_metric_table()[1].name) + ",slip1,,,,\n"),
              std::string::npos);
}

}  // namespace
}  // namespace vendrel
