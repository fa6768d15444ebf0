#include "core/horizons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "core/model_state.h"
#include "tests/literal_processes.h"
#include "tests/reference_model.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

class Horizons : public ::testing::Test {
  protected:
    ModelParameters p = testing::document_parameters();
    std::unique_ptr<ModelState> s = std::make_unique<ModelState>(p);
    LandNeighbours neighbours;

    // Land (surface 240 under sea level 250) at columns first..last, water
    // (surface 260) elsewhere.
    void land_at(int first, int last) {
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            s->surface[i] = (i >= first && i <= last) ? 240 : 260;
        }
    }
    double distance(int column) {
        find_land_neighbours(*s, 250, neighbours);
        const double fast = land_distance(*s, 250, column, neighbours);
        EXPECT_EQ(fast, land_distance_by_search(*s, 250, column)) << "column " << column;
        return fast;
    }
};

TEST_F(Horizons, DistanceFromShoreline) {
    land_at(1, 100);
    EXPECT_EQ(distance(137), 37);
    EXPECT_EQ(distance(50), 1);  // its own column does not count
    EXPECT_EQ(distance(100), 1);
    EXPECT_EQ(distance(2000), 1900);
    land_at(500, 500);
    EXPECT_EQ(distance(500), kNoLandDistance);  // the only land column
    land_at(0, 0);
    EXPECT_EQ(distance(1000), kNoLandDistance);
    s->surface[700] = 250;  // exactly at sea level counts as land
    EXPECT_EQ(distance(690), 10);
}

TEST_F(Horizons, FastDistanceEqualsSearchOnRandomSurfaces) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> height(248, 252);
    for (int trial = 0; trial < 5; ++trial) {
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            s->surface[i] = height(random) + (trial == 4 ? 30 * std::sin(i / 100.0) : 0);
        }
        find_land_neighbours(*s, 250, neighbours);
        for (int i = 1; i <= COLUMN_COUNT; i += 7) {
            ASSERT_EQ(land_distance(*s, 250, i, neighbours), land_distance_by_search(*s, 250, i))
                << "trial " << trial << " column " << i;
        }
    }
}

TEST_F(Horizons, RecordDepthAndTruncation) {
    land_at(0, 0);
    s->surface[10] = 253;  // 3 m of water
    s->surface[11] = 249;  // 1 m above sea level
    s->horizon_z[12][1] = 270;
    s->horizon_z[12][2] = 258;
    s->surface[12] = 260;  // eroded 2 m below horizon 2
    find_land_neighbours(*s, 250, neighbours);
    for (int i : {10, 11, 12}) {
        record_horizon_column(*s, 250, i, 3, neighbours);
        truncate_horizons_column(*s, i, 3);
        set_new_layer_column(p, *s, i, 3);
    }
    EXPECT_EQ(s->horizon_depth[10][3], 3);
    EXPECT_EQ(s->horizon_depth[11][3], 0);
    EXPECT_EQ(s->horizon_z[12][2], 260);  // brought down onto the new horizon
    EXPECT_EQ(s->horizon_z[12][1], 270);  // already below
    EXPECT_EQ(s->horizon_thickness0[12][3], 0);
    EXPECT_EQ(s->horizon_porosity[12][3], 0.45);
    EXPECT_EQ(s->horizon_phi0[12][3], 0.45);
}

TEST(Compaction, AthyFactors) {
    const double c = 0.0005, phi0 = 0.45;
    struct Case {
        double burial, porosity, thickness_factor;
    };
    const Case cases[] = {{1000, 0.2729, 0.7565}, {100, 0.4280, 0.9616}, {0, 0.45, 1.0}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.burial);
        const double phi = compacted_porosity(c, phi0, phi0, k.burial);
        EXPECT_NEAR(phi, k.porosity, 1e-4);
        EXPECT_NEAR(compacted_thickness(1.0, phi0, phi), k.thickness_factor, 1e-4);
    }
    // Porosity never increases.
    EXPECT_EQ(compacted_porosity(c, phi0, 0.2, 0), 0.2);
}

// One column of layers, compacted by the engine's pass and by the literal
// algorithm (every younger horizon moved for each thinned layer).
TEST(Compaction, PassAgreesWithLiteralAlgorithm) {
    ModelParameters p = testing::document_parameters();
    auto a = std::make_unique<ModelState>(p);
    auto b = std::make_unique<ModelState>(p);
    std::uniform_real_distribution<double> thickness(0, 40);
    const int N = 60;
    for (ModelState* s : {a.get(), b.get()}) {
        std::mt19937 same(11);
        double z = 2000;
        for (int h = 1; h <= N; ++h) {
            const double t = h == 1 ? 0 : (h % 9 == 0 ? 0 : thickness(same));
            z -= t;
            s->horizon_z[1][h] = z;
            s->horizon_thickness0[1][h] = t;
            s->horizon_phi0[1][h] = 0.45;
            s->horizon_porosity[1][h] = 0.45;
        }
    }
    compact_column(p, *a, 1, N);
    testing::compact_column_literally(p, *b, 1, N);
    for (int h = 1; h <= N; ++h) {
        SCOPED_TRACE(h);
        EXPECT_NEAR(a->horizon_z[1][h], b->horizon_z[1][h], 1e-9);
        EXPECT_NEAR(a->horizon_porosity[1][h], b->horizon_porosity[1][h], 1e-12);
    }
    EXPECT_GT(a->horizon_z[1][N], 2000 - 40.0 * N);
    EXPECT_EQ(a->horizon_porosity[1][N], 0.45) << "the newest layer is not thinned";
    EXPECT_EQ(a->horizon_z[1][1], 2000);
}

}  // namespace
}  // namespace vendrel
