#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "core/model_parameters.h"
#include "core/model_state.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

TEST(StartupParameters, DerivedDefaults) {
    const ModelParameters p = make_startup_parameters(8);
    EXPECT_DOUBLE_EQ(p.fault1, 1000.0);
    EXPECT_DOUBLE_EQ(p.fault2, 1500.0);
    EXPECT_DOUBLE_EQ(p.baselevel, 250.0);
    EXPECT_EQ(p.omp_threads, 4);
    EXPECT_EQ(make_startup_parameters(3).omp_threads, 1);
    EXPECT_NEAR(p.ramp_dip, 14.0363, 1e-4);
    // The dip converted back with the same factor gives the section height.
    EXPECT_NEAR(std::tan(p.ramp_dip / kDegreesPerRadian) * p.max_x, 500.0, 1e-9);
}

TEST(DocumentDefaults, LastControlPointFollowsWidth) {
    ModelParameters p = make_startup_parameters(2);
    p.max_x = 3000;
    p.rates[1] = 99;
    p.control_y[0] = 1;
    set_document_defaults(p);
    EXPECT_EQ(p.control_x[9], 3000.0);
    EXPECT_EQ(p.control_x[8], 1900.0);
    EXPECT_EQ(p.control_y[0], 430.0);
    EXPECT_EQ(p.rates[1], 10.0);
}

class ConstructedState : public ::testing::Test {
  protected:
    ModelParameters p = testing::document_parameters();
    std::unique_ptr<ModelState> s = std::make_unique<ModelState>(p);
};

TEST_F(ConstructedState, StraightRampInSlotOne) {
    EXPECT_DOUBLE_EQ(s->dx, 1.0);
    EXPECT_DOUBLE_EQ(s->horizon_z[1][1], 0.25);
    EXPECT_DOUBLE_EQ(s->horizon_z[2000][1], 500.0);
    EXPECT_DOUBLE_EQ(s->x_values[2000], 2000.0);
    EXPECT_DOUBLE_EQ(s->surface[1000], 250.0);
    EXPECT_DOUBLE_EQ(s->horizon_porosity[7][1], 0.45);
    EXPECT_DOUBLE_EQ(s->horizon_phi0[7][1], 0.45);
    EXPECT_EQ(s->horizon_depth[7][1], 0.0);
    EXPECT_EQ(s->horizon_count.load(), 1);
    EXPECT_EQ(s->display_current_disp.load(), 1);
    EXPECT_EQ(s->sealevel_values[1], 250.0);
    EXPECT_EQ(s->flags.running.load(), 0);
    EXPECT_EQ(s->flags.engine_alive.load(), 1);
}

TEST_F(ConstructedState, EverySlotDefinedAndColumnArraysAligned) {
    for (int c : {0, 1, 999, 2000}) {
        for (int h : {0, 2, 250, 500}) {
            SCOPED_TRACE(::testing::Message() << "column " << c << " slot " << h);
            EXPECT_EQ(s->horizon_z[c][h], 0.0);
            EXPECT_EQ(s->horizon_depth[c][h], 0.0);
            EXPECT_EQ(s->horizon_distance[c][h], 0.0);
            EXPECT_EQ(s->horizon_porosity[c][h], 0.0);
            EXPECT_EQ(s->horizon_phi0[c][h], 0.0);
            EXPECT_EQ(s->horizon_thickness0[c][h], 0.0);
        }
    }
    EXPECT_EQ(s->sealevel_values[500], 0.0);
    EXPECT_EQ(s->diffusion_change[1000], 0.0);
    for (const AlignedArray* a :
         {&s->x_values, &s->initial_surface, &s->surface, &s->diffusion_change}) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a->data()) % 64, 0u);
    }
}

// Arrays large enough to be mapped from the system on their own 2 MB
// boundary, and small ones, are zero in every element, also where an
// earlier array of the same size was written and freed.
TEST(AlignedArrays, EveryElementZeroAndLargeOnesOnAHugePage) {
    for (std::size_t size :
         {std::size_t{COLUMN_SLOTS}, std::size_t{COLUMN_SLOTS} * HORIZON_SLOTS}) {
        SCOPED_TRACE(size);
        for (int round = 0; round < 2; ++round) {
            AlignedArray a(size);
            ASSERT_EQ(a.size(), size);
            const auto address = reinterpret_cast<std::uintptr_t>(a.data());
            EXPECT_EQ(address % (size > COLUMN_SLOTS ? AlignedArray::kHugePage : 64), 0u);
            std::size_t nonzero = 0;
            for (std::size_t i = 0; i < size; ++i) {
                nonzero += a[i] != 0.0;
            }
            EXPECT_EQ(nonzero, 0u);
            for (std::size_t i = 0; i < size; ++i) {
                a[i] = 1.5;  // the last element too: the whole array is writable
            }
        }
    }
}

}  // namespace
}  // namespace vendrel
