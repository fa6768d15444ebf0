#include "core/sea_level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/model_reset.h"
#include "core/model_state.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

class SeaLevel : public ::testing::Test {
  protected:
    ModelParameters p = testing::document_parameters();
    std::unique_ptr<ModelState> s = std::make_unique<ModelState>(p);

    // Runs the incremental sea level for `steps` steps of `dt`.
    double level_after(int steps, double dt) {
        SineState sines{};
        s->current_sea_level = p.baselevel;
        s->dt = dt;
        for (int i = 1; i <= steps; ++i) {
            s->sim_time = i * dt;
            advance_sea_level(p, *s, sines);
        }
        return s->current_sea_level;
    }
};

TEST_F(SeaLevel, OneDefaultStep) {
    const double expected = 250 - 50 * std::sin(6.28 / 100000) - 20 * std::sin(6.28 / 41000) -
                            10 * std::sin(6.28 / 23000);
    EXPECT_NEAR(level_after(1, 1.0), expected, 1e-12);
    EXPECT_NEAR(level_after(1, 1.0), 249.9911, 1e-4);
}

TEST_F(SeaLevel, ClosedFormAfterManySteps) {
    p.baselevel_rise = 3;
    const double t = 5000;
    const double expected = 250 - 3 * t / 1000 - 50 * std::sin(t / (100000 / 6.28)) -
                            20 * std::sin(t / (41000 / 6.28)) - 10 * std::sin(t / (23000 / 6.28));
    EXPECT_NEAR(level_after(5000, 1.0), expected, 1e-9);
}

TEST_F(SeaLevel, TrendOnlyRunAndPlan) {
    p.amp_1 = p.amp_2 = p.amp_3 = 0;
    p.baselevel_rise = 1;
    EXPECT_NEAR(level_after(2000, 1.0), 248.0, 1e-9);
    reset_model(p, *s);
    EXPECT_NEAR(s->sealevel_values[0], 248.0, 1e-12);
    EXPECT_NEAR(s->sealevel_values[1], 246.0, 1e-12);
    EXPECT_EQ(s->current_sea_level, 250.0);
}

TEST_F(SeaLevel, FlatCurveExtremesEqualBase) {
    p.amp_1 = p.amp_2 = p.amp_3 = 0;
    reset_model(p, *s);
    EXPECT_EQ(s->sealevel_min, 250.0);
    EXPECT_EQ(s->sealevel_max, 250.0);
    EXPECT_EQ(s->sealevel_values[100], 250.0);
}

TEST_F(SeaLevel, ExtremesOfDefaultCurve) {
    reset_model(p, *s);
    double lo = 1e9, hi = -1e9;
    for (int i = 0; i <= s->increment_count; ++i) {
        lo = std::min(lo, s->sealevel_values[i]);
        hi = std::max(hi, s->sealevel_values[i]);
    }
    EXPECT_EQ(s->sealevel_min, lo);
    EXPECT_EQ(s->sealevel_max, hi);
    EXPECT_LT(s->sealevel_min, 250.0);
    EXPECT_GT(s->sealevel_max, 250.0);
}

TEST_F(SeaLevel, ZeroPeriodSinusoidIsAbsent) {
    p.wave_2 = 0;
    p.amp_2 = 20;
    const double level = level_after(10, 1.0);
    EXPECT_TRUE(std::isfinite(level));
    const double expected =
        250 - 50 * std::sin(10 / (100000 / 6.28)) - 10 * std::sin(10 / (23000 / 6.28));
    EXPECT_NEAR(level, expected, 1e-12);
    reset_model(p, *s);
    EXPECT_TRUE(std::isfinite(s->sealevel_min));
}

TEST_F(SeaLevel, NotANumberPlanKeepsLastLevelAsExtreme) {
    p.amp_1 = std::nan("");
    reset_model(p, *s);
    EXPECT_TRUE(std::isnan(s->sealevel_values[3]));
    EXPECT_TRUE(std::isnan(s->sealevel_min));
    EXPECT_TRUE(std::isnan(s->sealevel_max));
}

}  // namespace
}  // namespace vendrel
