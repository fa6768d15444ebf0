// Recordings written in batches by record_column_group against the same
// recordings taken one at a time by the separate steps (fault movement,
// new horizon, truncation, new layer, compaction pass): every value bit for
// bit, on columns in order and out of order, with erosion that truncates
// stacks of horizons, layers never deposited, a NaN, owed fault movement,
// every path and with and without one phi0 for every layer.

#include "core/recording_pass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/horizons.h"
#include "core/model_state.h"
#include "core/surface_step.h"
#include "tests/literal_processes.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

constexpr int kColumns = 8;
constexpr int kFirstSlots = 40;
constexpr int kRecordings = 12;

struct BatchCase {
    const char* name;
    VectorPath path;
    bool uniform_phi0;
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

// Columns 1..8 with slots 1..40: stacks that thin upward with runs of
// layers never deposited; column 3 has older horizons above younger ones,
// column 6 a NaN.
void fill_columns(ModelState& s, bool uniform_phi0) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> thickness(0, 8), phi0(0.3, 0.5), unit(0, 1);
    for (int i = 1; i <= kColumns; ++i) {
        double z = 400;
        for (int h = 1; h <= kFirstSlots; ++h) {
            const double t = h == 1 || unit(random) < 0.35 ? 0 : thickness(random);
            z -= t;
            s.horizon_z[i][h] = z;
            s.horizon_thickness0[i][h] = t * 1.1;
            s.horizon_phi0[i][h] = uniform_phi0 ? 0.45 : phi0(random);
            s.horizon_porosity[i][h] = s.horizon_phi0[i][h] * (0.8 + 0.2 * unit(random));
        }
    }
    s.horizon_z[3][10] = s.horizon_z[3][12] + 3;
    s.horizon_z[3][25] = s.horizon_z[3][20] - 1;
    s.horizon_z[6][30] = std::nan("");
}

// What each recording reads: per column a surface (deposition on top of
// the newest horizon, or erosion down into older ones; once a NaN), a
// distance and the owed movement (every other recording owes nothing).
struct Inputs {
    std::vector<std::vector<double>> surface, distance, owed;
    std::vector<double> sea_level;
    std::vector<double> phizero;
};

Inputs make_inputs(const ModelState& s, bool uniform_phi0) {
    std::mt19937 random(9);
    std::uniform_real_distribution<double> unit(0, 1);
    Inputs in;
    std::vector<double> top(COLUMN_SLOTS);
    for (int i = 1; i <= kColumns; ++i) {
        top[i] = s.horizon_z[i][kFirstSlots];
    }
    for (int n = 0; n < kRecordings; ++n) {
        std::vector<double> surface(COLUMN_SLOTS), distance(COLUMN_SLOTS), owed(COLUMN_SLOTS);
        for (int i = 1; i <= kColumns; ++i) {
            const double u = unit(random);
            top[i] = u < 0.2   ? top[i] + 30 * unit(random)  // erosion
                     : u < 0.4 ? top[i]                      // nothing laid down
                               : top[i] - 6 * unit(random);  // deposition
            surface[i] = top[i];
            distance[i] = 100 * unit(random);
            owed[i] = 0.25 * unit(random);
        }
        if (n == 3) {
            surface[5] = std::nan("");
        }
        in.surface.push_back(surface);
        in.distance.push_back(distance);
        in.owed.push_back(owed);
        in.sea_level.push_back(380 + 10 * unit(random));
        in.phizero.push_back(uniform_phi0 || n < 6 ? 0.45 : 0.4);
    }
    return in;
}

class RecordingBatches : public ::testing::TestWithParam<BatchCase> {};

TEST_P(RecordingBatches, SameBitsAsTheStepsOneRecordingAtATime) {
    const BatchCase& c = GetParam();
    if (!vector_path_supported(c.path)) {
        GTEST_SKIP() << "this build or processor lacks the path";
    }
    ModelParameters p = testing::document_parameters();
    p.cvalue = 0.01;
    auto batched = std::make_unique<ModelState>(p);
    auto stepped = std::make_unique<ModelState>(p);
    fill_columns(*batched, c.uniform_phi0);
    fill_columns(*stepped, c.uniform_phi0);
    const Inputs in = make_inputs(*batched, c.uniform_phi0);
    // Columns 4 and 8 move with a fault; column 2 is in order but not known
    // to be.
    std::vector<std::uint8_t> faults(COLUMN_SLOTS, 0);
    faults[4] = faults[8] = 1;
    std::vector<std::uint8_t> ordered(COLUMN_SLOTS, 0);
    for (int i = 1; i <= kColumns; ++i) {
        ordered[i] = column_in_order(batched->horizon_z[i], kFirstSlots) ? 1 : 0;
    }
    EXPECT_EQ(ordered[3], 0);
    ordered[2] = 0;

    std::vector<Recording> recordings;
    for (int n = 0; n < kRecordings; ++n) {
        const int h = kFirstSlots + 1 + n;
        recordings.push_back(Recording{h, in.sea_level[n], true, in.phizero[n], p.cvalue,
                                       c.uniform_phi0, in.surface[n].data(), in.distance[n].data(),
                                       n % 2 == 0 ? in.owed[n].data() : nullptr});

        ModelState& s = *stepped;
        ModelParameters layer = p;
        layer.phizero = in.phizero[n];
        for (int i = 1; i <= kColumns; ++i) {
            double* z = s.horizon_z[i];
            if (n % 2 == 0 && faults[i] != 0) {
                for (int m = 1; m < h; ++m) {
                    z[m] = z[m] + in.owed[n][i];
                }
            }
            z[h] = in.surface[n][i];
            const double depth = z[h] - in.sea_level[n];
            s.horizon_depth[i][h] = depth < 0 ? 0.0 : depth;
            s.horizon_distance[i][h] = in.distance[n][i];
            truncate_horizons_column(s, i, h);
            set_new_layer_column(layer, s, i, h);
            compact_column(layer, s, i, h);
        }
    }
    // Batches of 5, 1 and 6 recordings; a whole group, a group of three and
    // a single column.
    std::vector<int> cut_from(COLUMN_SLOTS, MAX_HORIZON_SLOT + 1);
    const RecordingColumns columns{faults.data(), ordered.data(), cut_from.data(), c.path};
    for (auto [start, count] : {std::pair{0, 5}, std::pair{5, 1}, std::pair{6, 6}}) {
        record_column_group(*batched, columns, recordings.data() + start, count, 1, 4);
        record_column_group(*batched, columns, recordings.data() + start, count, 5, 7);
        record_column_group(*batched, columns, recordings.data() + start, count, 8, 8);
    }

    const int last = kFirstSlots + kRecordings;
    for (int i = 1; i <= kColumns; ++i) {
        for (int h = 1; h <= last; ++h) {
            SCOPED_TRACE(::testing::Message() << "column " << i << ", slot " << h);
            EXPECT_TRUE(testing::same_bits(batched->horizon_z[i][h], stepped->horizon_z[i][h]))
                << batched->horizon_z[i][h] << " " << stepped->horizon_z[i][h];
            EXPECT_TRUE(testing::same_bits(batched->horizon_porosity[i][h],
                                           stepped->horizon_porosity[i][h]));
            EXPECT_TRUE(
                testing::same_bits(batched->horizon_depth[i][h], stepped->horizon_depth[i][h]));
            EXPECT_TRUE(testing::same_bits(batched->horizon_distance[i][h],
                                           stepped->horizon_distance[i][h]));
            EXPECT_TRUE(testing::same_bits(batched->horizon_thickness0[i][h],
                                           stepped->horizon_thickness0[i][h]));
            EXPECT_TRUE(
                testing::same_bits(batched->horizon_phi0[i][h], stepped->horizon_phi0[i][h]));
        }
        // A column taken to be in order must be.
        if (ordered[i] != 0) {
            EXPECT_TRUE(column_in_order(batched->horizon_z[i], last)) << "column " << i;
        }
    }
    EXPECT_EQ(ordered[6], 0) << "the column with a NaN is never in order";
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordingBatches,
                         ::testing::Values(BatchCase{"ScalarOnePhi0", VectorPath::Scalar, true},
                                           BatchCase{"ScalarLayerPhi0", VectorPath::Scalar, false},
                                           BatchCase{"Sse2OnePhi0", VectorPath::Sse2, true},
                                           BatchCase{"Sse2LayerPhi0", VectorPath::Sse2, false},
                                           BatchCase{"Avx2OnePhi0", VectorPath::Avx2, true},
                                           BatchCase{"Avx2LayerPhi0", VectorPath::Avx2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The order check two pairs at a time, with the odd pair at the end, an
// inversion or a NaN at either place, and equal neighbours.
TEST(ColumnOrder, EveryPairIsChecked) {
    const double nan = std::nan("");
    struct Case {
        std::vector<double> z;  // slots 1..n
        bool in_order;
    };
    const Case cases[] = {
        {{5}, true},
        {{5, 4}, true},
        {{4, 5}, false},
        {{5, 5, 5, 5}, true},
        {{9, 8, 7, 6, 5}, true},
        {{9, 8, 7, 6, 7}, false},
        {{9, 8, 7, 8, 5}, false},
        {{8, 9, 7, 6, 5}, false},
        {{9, 8, 7, 6, nan}, false},
        {{9, nan, 7, 6}, false},
        {{9, 8, 7, 6, 5, 4}, true},
        {{9, 8, 7, 6, 5, 6}, false},
    };
    for (const Case& c : cases) {
        std::vector<double> z = {0};
        z.insert(z.end(), c.z.begin(), c.z.end());
        EXPECT_EQ(column_in_order(z.data(), int(c.z.size())), c.in_order)
            << ::testing::PrintToString(c.z);
    }
}

}  // namespace
}  // namespace vendrel
