#include "core/model_reset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/initial_geometry.h"
#include "core/int_conversion.h"
#include "core/model_state.h"
#include "core/time_step.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

TEST(TruncateToInt32, TowardZeroElseIntMin) {
    struct Case {
        double value;
        std::int32_t expected;
    };
    const Case cases[] = {
        {200000.0, 200000},
        {1999.9999, 1999},
        {-7.9, -7},
        {0.4, 0},
        {2147483647.9, 2147483647},
        {-2147483648.9, kIntMin},
        {2147483648.0, kIntMin},
        {-1e12, kIntMin},
        {kNaN, kIntMin},
        {kInf, kIntMin},
        {-kInf, kIntMin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(truncate_to_int32(c.value), c.expected);
    }
}

TEST(TimeStep, DxAndDtRules) {
    struct Case {
        double max_x, diff_coeff, dx, dt;
    };
    const Case cases[] = {
        {2000, 0.25, 1, 1},    {4000, 0.25, 2, 1}, {500, 0.25, 0.25, 0.125},
        {2000, 0.0, 1, 1},     {2000, kNaN, 1, 1}, {2000, 1.0, 1, 0.5},
        {2000, -1.0, 1, -0.5}, {0, 0.25, 0, 0},    {2, 0.25, 0.001, 0.000002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "max_x " << c.max_x << " kappa " << c.diff_coeff);
        ModelParameters p;
        p.max_x = c.max_x;
        const double dx = derive_dx(p);
        EXPECT_DOUBLE_EQ(dx, c.dx);
        EXPECT_DOUBLE_EQ(derive_dt(dx, c.diff_coeff), c.dt);
    }
}

TEST(ControlPoints, DefaultProfile) {
    const ModelParameters p = testing::document_parameters();
    struct Case {
        double x, depth;
    };
    const Case cases[] = {{1, 430},    {100, 430},  {600, 200},  {800, 250},
                          {1250, 350}, {2000, 420}, {2500, 420}, {-100, 430}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_DOUBLE_EQ(interpolate_control_points(p, c.x), c.depth);
    }
}

TEST(ControlPoints, ZeroWidthSegmentGivesPointDepth) {
    ModelParameters p = testing::document_parameters();
    p.control_x[1] = 0;  // points 1 and 2 both at x = 0
    p.control_y[1] = 400;
    EXPECT_DOUBLE_EQ(interpolate_control_points(p, 0), 400);
    EXPECT_DOUBLE_EQ(interpolate_control_points(p, -5), 400);
    EXPECT_TRUE(std::isfinite(interpolate_control_points(p, 100)));
}

class Reset : public ::testing::Test {
  protected:
    ModelParameters p = testing::document_parameters();
    std::unique_ptr<ModelState> s = std::make_unique<ModelState>(p);
};

TEST_F(Reset, DefaultsAndGeometry) {
    p.reset_geometry = 1;
    reset_model(p, *s);
    EXPECT_EQ(p.reset_geometry, 0);
    EXPECT_EQ(s->dx, 1.0);
    EXPECT_EQ(s->dt, 1.0);
    EXPECT_EQ(s->increment_count, 100);
    EXPECT_EQ(s->current_sea_level, 250.0);
    EXPECT_EQ(s->horizon_z[1][1], 0.25);
    EXPECT_EQ(s->horizon_z[1000][1], 250.0);

    p.isolated_platform = 1;
    p.reset_geometry = 1;
    reset_model(p, *s);
    EXPECT_EQ(s->surface[1], 430.0);
    EXPECT_EQ(s->horizon_z[600][1], 200.0);
    EXPECT_EQ(s->initial_surface[2000], 420.0);
}

TEST_F(Reset, WithoutGeometryRequestKeepsGrid) {
    s->surface[5] = 123.0;
    s->horizon_z[5][1] = 124.0;
    s->x_values[5] = 125.0;
    p.max_x = 4000;
    p.reset_geometry = 0;
    reset_model(p, *s);
    EXPECT_EQ(s->surface[5], 123.0);
    EXPECT_EQ(s->horizon_z[5][1], 124.0);
    EXPECT_EQ(s->x_values[5], 125.0);
    EXPECT_EQ(s->dx, 2.0);
}

TEST_F(Reset, IncrementCountStaysInsideTheCurve) {
    struct Case {
        double totaltime, display_inc;
        int increment_count;
    };
    const Case cases[] = {{200000, 2000, 100}, {200000, 400, 500}, {200000, 1, 500}, {200000, 0, 0},
                          {200000, -5, 0},     {1000, 2000, 0},    {kNaN, 2000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.totaltime << " / " << c.display_inc);
        p.totaltime = c.totaltime;
        p.display_inc = c.display_inc;
        reset_model(p, *s);
        EXPECT_EQ(s->increment_count, c.increment_count);
    }
}

TEST_F(Reset, KeepsLoadedSeaLevels) {
    for (int h = 1; h <= 3; ++h) {
        s->sealevel_values[h] = 100.0 + h;
    }
    reset_model(p, *s, 3);
    EXPECT_EQ(s->sealevel_values[1], 101.0);
    EXPECT_EQ(s->sealevel_values[3], 103.0);
    EXPECT_NE(s->sealevel_values[4], 0.0);  // planned above the kept slots
    EXPECT_NEAR(s->sealevel_values[0], 250.0, 1e-12);
}

}  // namespace
}  // namespace vendrel
