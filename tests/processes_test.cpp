#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/diffusion.h"
#include "core/faults.h"
#include "core/model_state.h"
#include "core/production.h"
#include "tests/literal_processes.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

TEST(Production, RateAgainstWaterDepth) {
    const ModelParameters p = testing::document_parameters();
    struct Case {
        double surface, rate;
    };
    // Sea level 250: the surface value minus 250 is the water depth.
    const Case cases[] = {{252.5, 5},    {255, 10},   {262.5, 4.5},     {300, 0.2},
                          {300.0001, 0}, {249, 0},    {250, 0},         {270, 1},
                          {275, 1},      {285, 0.75}, {std::nan(""), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.surface);
        EXPECT_NEAR(ProductionCurve(p, 250).rate(c.surface), c.rate, 1e-12);
    }
    EXPECT_NEAR(produced_surface(ProductionCurve(p, 250), 252.5, 1), 252.495, 1e-12);
}

TEST(Production, UnorderedCurveStillTakesTheFirstMatchingInterval) {
    ModelParameters p = testing::document_parameters();
    p.depths = {0, 5, 100, 15, 20, 30, 40, 50};
    // 80 m of water lies beyond the last point but inside the interval 5..100.
    EXPECT_NEAR(ProductionCurve(p, 250).rate(330), 10 - 4 * 75.0 / 95, 1e-12);
}

TEST(Production, RepeatedDepthsTakeTheFirstTestThatHolds) {
    // Consecutive equal depths make a step in the curve (a segment of zero
    // width). A surface exactly at the repeated depth takes the interval
    // that ends there, so the first of those points gives the rate; only
    // where the second test would divide 0 by 0 (D1 = D2) does the last
    // point of that depth give it. Every surface gets a number, the one the
    // tests give in their order.
    struct Case {
        const char* name;
        std::array<double, 8> depths;
        int rate_point;  // the point whose rate the repeated depth takes
    };
    const Case cases[] = {
        {"first two at sea level", {0, 0, 10, 15, 20, 30, 40, 50}, 1},
        {"first three at sea level", {0, 0, 0, 15, 20, 30, 40, 50}, 2},
        {"below sea level at the start", {5, 5, 10, 15, 20, 30, 40, 50}, 1},
        {"second and third", {0, 5, 5, 15, 20, 30, 40, 50}, 1},
        {"in the middle", {0, 5, 10, 10, 20, 30, 40, 50}, 2},
        {"three in the middle", {0, 5, 10, 10, 10, 30, 40, 50}, 2},
        {"the last two", {0, 5, 10, 15, 20, 30, 50, 50}, 6},
    };
    // Distinct rates, so the point that gives a rate is known.
    const std::array<double, 8> rates{1, 10, 8, 6, 4, 2, 1.5, 0.5};
    for (double L : {250.0, 123.456}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << ", sea level " << L);
            ModelParameters p = testing::document_parameters();
            p.depths = c.depths;
            p.rates = rates;
            const ProductionCurve curve(p, L);
            std::vector<double> surfaces;
            for (double s = L - 5; s <= L + 60; s += 0.125) {
                surfaces.push_back(s);
            }
            for (double depth : c.depths) {
                surfaces.insert(surfaces.end(), {std::nextafter(L + depth, 0.0), L + depth,
                                                 std::nextafter(L + depth, 1000.0)});
            }
            for (double s : surfaces) {
                const double rate = curve.rate(s);
                EXPECT_FALSE(std::isnan(rate)) << "surface " << s;
                EXPECT_EQ(rate, literal_production_rate(p, s, L)) << "surface " << s;
            }
            // Exactly the point's rate where the interpolation's quotient is 1.
            EXPECT_NEAR(curve.rate(L + c.depths[std::size_t(c.rate_point)]),
                        rates[std::size_t(c.rate_point)], 1e-12);
        }
    }
}

TEST(Production, NegativeRateDeepens) {
    ModelParameters p = testing::document_parameters();
    p.rates[1] = -10;
    EXPECT_GT(produced_surface(ProductionCurve(p, 250), 255, 1), 255);
}

TEST(Basinal, OnlyStrictlyDeeperThanThreshold) {
    ModelParameters p = testing::document_parameters();
    p.basin_threshold = 100;
    p.basin_sed_rate = 0.5;
    const BasinalDeposit deposit(p, 250, 1);
    EXPECT_EQ(deposit.surface_after(350), 350);
    EXPECT_NEAR(deposit.surface_after(350.5), 350.5 - 0.0005, 1e-12);
}

class Diffusion : public ::testing::Test {
  protected:
    ModelParameters p = testing::document_parameters();
    std::unique_ptr<ModelState> s = std::make_unique<ModelState>(p);
    void step() {
        compute_diffusion_change(p, *s);
        apply_diffusion_change(*s);
    }
};

TEST_F(Diffusion, StraightSlopeUnchangedEdgesIncluded) {
    s->dt = 1;
    step();
    for (int i : {1, 2, 1000, 1999, 2000}) {
        EXPECT_NEAR(s->surface[i], i * 0.25, 1e-12) << "column " << i;
    }
}

TEST_F(Diffusion, SpikeSpreadsToNeighbours) {
    s->dt = 1;
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        s->surface[i] = 100;
    }
    s->surface[500] = 99;  // one column standing 1 m high
    step();
    EXPECT_DOUBLE_EQ(s->surface[500], 99.5);
    EXPECT_DOUBLE_EQ(s->surface[499], 99.75);
    EXPECT_DOUBLE_EQ(s->surface[501], 99.75);
    EXPECT_DOUBLE_EQ(s->surface[502], 100);
}

TEST_F(Diffusion, ZeroCoefficientChangesNothing) {
    p.diff_coeff = 0;
    s->dt = 1;
    s->surface[500] = 99;
    step();
    EXPECT_EQ(s->surface[500], 99);
}

TEST(Faults, WhichBlocksMove) {
    struct Case {
        const char* name;
        double slip1, slip2;
        int antithetic1, antithetic2;
        double fault1, fault2;
        int column;
        double per_step;
    };
    const Case cases[] = {
        {"defaults", 0, 0, 0, 0, 1000, 1500, 1200, 0},
        {"middle block", 1, 0, 0, 0, 1000, 1500, 1000, 0.001},
        {"middle block end", 1, 0, 0, 0, 1000, 1500, 1499, 0.001},
        {"left of fault 1", 1, 0, 0, 0, 1000, 1500, 999, 0},
        {"right block", 1, 0, 0, 0, 1000, 1500, 1500, 0},
        {"antithetic 1, left", 1, 0, 1, 0, 1000, 1500, 1, 0.001},
        {"antithetic 1, at fault", 1, 0, 1, 0, 1000, 1500, 1000, 0},
        {"both on middle", 1, 2, 0, 1, 1000, 1500, 1200, 0.003},
        {"both, right", 1, 2, 0, 1, 1000, 1500, 1600, 0},
        {"fault 2 right", 0, 2, 0, 0, 1000, 1500, 1500, 0.002},
        {"empty middle", 1, 0, 0, 0, 1500, 1500, 1500, 0},
        {"empty middle, antithetic 2", 0, 1, 0, 1, 1600, 1500, 1550, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelParameters p = testing::document_parameters();
        p.slip1 = c.slip1;
        p.slip2 = c.slip2;
        p.antithetic1 = c.antithetic1;
        p.antithetic2 = c.antithetic2;
        p.fault1 = c.fault1;
        p.fault2 = c.fault2;
        const double moved =
            moved_by_faults(100.0, faults_moving_column(p, c.column, 1.0), fault_steps(p, 1.0));
        EXPECT_NEAR(moved - 100.0, c.per_step, 1e-12);
    }
}

TEST(Faults, PositionRoundedToSinglePrecision) {
    // Column 3 at dx 0.1 is 0.30000000000000004 in double precision and
    // 0.30000001192... in single: a fault at 0.30000001 lies between the two,
    // so only the rounded position puts the column in the middle block.
    ModelParameters p = testing::document_parameters();
    p.fault2 = 10;
    p.fault1 = 0.30000001;
    EXPECT_EQ(faults_moving_column(p, 3, 0.1), 1u);
    p.fault1 = 0.30000002;
    EXPECT_EQ(faults_moving_column(p, 3, 0.1), 0u);
}

TEST(Faults, HorizonsMoveWithSurface) {
    ModelParameters p = testing::document_parameters();
    p.slip1 = 1;
    auto s = std::make_unique<ModelState>(p);
    s->dt = 1;
    s->horizon_count = 3;
    s->horizon_z[1200][2] = 7;
    s->horizon_z[1200][3] = 5;
    apply_faults_to_surface(p, *s);
    apply_faults_to_horizons(p, *s);
    EXPECT_NEAR(s->surface[1200], 300.001, 1e-12);
    EXPECT_NEAR(s->horizon_z[1200][1], 300.001, 1e-12);
    EXPECT_NEAR(s->horizon_z[1200][3], 5.001, 1e-12);
    EXPECT_EQ(s->horizon_z[1200][4], 0.0);
    EXPECT_EQ(s->horizon_z[999][1], 249.75);
}

}  // namespace
}  // namespace vendrel
