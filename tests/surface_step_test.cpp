// Every path of the time step this processor can run (scalar, SSE2, AVX2)
// against the scalar one, bit for bit, over runs that reach every branch of
// the step: the production curve's segments and its steps, basinal
// sediment, both faults and a time step below one year.

#include "core/surface_step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "core/diffusion.h"
#include "core/model_state.h"
#include "tests/reference_model.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

// Runs started while it lives take `path`.
class ForcedPath {
  public:
    explicit ForcedPath(VectorPath path) { force_vector_path(path); }
    ~ForcedPath() { force_vector_path(std::nullopt); }
};

ProjectData run_on(VectorPath path, const ModelParameters& p) {
    ForcedPath forced(path);
    return testing::run_engine(p);
}

template <class T>
bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

// One step of a fixture surface made of plateaus, four columns each, so
// that the inner columns of a plateau reach production with exactly its
// value: every point of the curve, the values either side of it, sea level,
// the basinal threshold, a sweep, and non-finite values at the end.
class StepOfPlateaus : public ::testing::Test {
  protected:
    static constexpr int kWidth = 4;
    static constexpr double kSeaLevel = 250;
    // Basinal sediment settles below this depth, beyond every curve here.
    static constexpr double kThreshold = 60;

    std::vector<double> plateau_values(const ModelParameters& p) const {
        std::vector<double> v;
        for (double d : p.depths) {
            const double at = kSeaLevel + d;
            v.insert(v.end(), {std::nextafter(at, 0.0), at, std::nextafter(at, 1000.0)});
        }
        v.insert(v.end(), {kSeaLevel, -0.0, 0.0, kSeaLevel + kThreshold});
        for (double s = kSeaLevel - 10; v.size() < COLUMN_COUNT / kWidth - 3; s += 0.37) {
            v.push_back(s);
        }
        v.insert(v.end(), {std::nan(""), INFINITY, -INFINITY});
        return v;
    }

    // Columns moved by neither fault, by one of them and, when `both`, by both.
    static std::uint8_t faults_of(int column, bool both) {
        return std::uint8_t((column / 3) % (both ? 4 : 3));
    }

    // Surface and owed movement after one step on `path`.
    std::pair<std::vector<double>, std::vector<double>> step(const ModelParameters& p, double dt,
                                                             bool both, VectorPath path) const {
        std::vector<double> z(COLUMN_SLOTS, 0.0), change(COLUMN_SLOTS, 0.0),
            owed(COLUMN_SLOTS, 0.0);
        const std::vector<double> values = plateau_values(p);
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            z[i] = values[std::size_t(i - 1) / kWidth];
        }
        std::vector<std::uint8_t> which(COLUMN_SLOTS, 0);
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            which[i] = faults_of(i, both);
        }
        const FaultSteps steps{p.slip1 * dt / 1000, p.slip2 * dt / 1000};
        ColumnFaults faults;
        faults.assign(which, steps);
        const SurfaceStep s{diffusion_factor(dt, 1.0, p.diff_coeff),
                            dt,
                            ProductionCurve(p, kSeaLevel),
                            BasinalDeposit(p, kSeaLevel, dt),
                            which.data(),
                            &faults,
                            steps,
                            p.slip1 != 0 || p.slip2 != 0};
        step_surface(s, z.data(), change.data(), owed.data(), path);
        return {z, owed};
    }
};

TEST_F(StepOfPlateaus, EveryPathGivesTheScalarBitsAndStepsTakeTheFirstTestThatHolds) {
    struct Case {
        const char* name;
        std::array<double, 8> depths;
        int step_point;  // the point whose rate a repeated depth takes, or -1
        double dt, basin_sed_rate, slip1, slip2;
        bool both;
    };
    const Case cases[] = {
        {"default curve", {0, 5, 10, 15, 20, 30, 40, 50}, -1, 1, 0, 0, 0, true},
        {"step at sea level, basinal sediment",
         {0, 0, 10, 15, 20, 30, 40, 50},
         1,
         1,
         0.5,
         0,
         0,
         false},
        {"three equal in the middle, one fault a column",
         {0, 5, 10, 10, 10, 30, 40, 50},
         2,
         1,
         0,
         2,
         -1,
         false},
        {"step at the last point, short step",
         {0, 5, 10, 15, 20, 30, 50, 50},
         6,
         0.125,
         0,
         1,
         0,
         true},
        {"step in the middle, both faults", {0, 5, 10, 10, 20, 30, 40, 50}, 2, 1, 0, 1, 1, true},
        {"step after the second point", {0, 5, 5, 15, 20, 30, 40, 50}, 1, 0.5, 0, 0, 0, false},
        {"unordered, both faults", {-5, 30, 10, 15, 5, 30, 40, 35}, -1, 0.5, 1, 3, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelParameters p = testing::document_parameters();
        p.depths = c.depths;
        p.rates = {1, 10, 8, 6, 4, 2, 1.5, 0.5};
        p.basin_sed_rate = c.basin_sed_rate;
        p.basin_threshold = kThreshold;
        p.slip1 = c.slip1;
        p.slip2 = c.slip2;
        p.diff_coeff = 0.25;
        const auto scalar = step(p, c.dt, c.both, VectorPath::Scalar);
        const std::vector<double> values = plateau_values(p);
        for (std::size_t k = 0; k + 3 < values.size(); ++k) {
            const int column = int(k) * kWidth + 2;  // inside the plateau
            EXPECT_FALSE(std::isnan(scalar.first[column])) << "surface " << values[k];
        }
        if (c.step_point >= 0) {
            // Inside the plateau at the repeated depth.
            const double at = kSeaLevel + c.depths[c.step_point];
            const auto k = std::find(values.begin(), values.end(), at) - values.begin();
            const int column = int(k) * kWidth + 2;
            const double produced = at - p.rates[c.step_point] * c.dt * 0.001;
            const double expected = moved_by_faults(
                BasinalDeposit(p, kSeaLevel, c.dt).surface_after(produced),
                faults_of(column, c.both), {p.slip1 * c.dt / 1000, p.slip2 * c.dt / 1000});
            EXPECT_EQ(scalar.first[column], expected);
        }
        for (VectorPath path : {VectorPath::Sse2, VectorPath::Avx2}) {
            if (!vector_path_supported(path)) {
                continue;
            }
            SCOPED_TRACE(int(path));
            const auto vector = step(p, c.dt, c.both, path);
            EXPECT_TRUE(same_bits(vector.first, scalar.first));
            EXPECT_TRUE(same_bits(vector.second, scalar.second));
        }
    }
}

TEST(StepPaths, EveryPathGivesTheScalarBits) {
    struct Case {
        const char* name;
        std::function<void(ModelParameters&)> change;
    };
    const Case cases[] = {
        {"defaults", [](ModelParameters&) {}},
        {"platform, basinal sediment, rising sea",
         [](ModelParameters& p) {
             p.isolated_platform = 1;
             p.basin_sed_rate = 1;
             p.basin_threshold = 50;
             p.baselevel_rise = 20;
             p.rates = {5, 80, 60, 30, 10, 10, 5, 2};
         }},
        {"both faults on the middle block, compaction",
         [](ModelParameters& p) {
             p.slip1 = 20;
             p.slip2 = -10;
             p.antithetic2 = 1;
             p.includecompact = 1;
         }},
        {"one fault each, steps in the curve",
         [](ModelParameters& p) {
             p.slip1 = 5;
             p.slip2 = 3;
             p.depths = {0, 0, 10, 10, 20, 30, 50, 50};
             p.rates = {1, 40, 30, 20, 10, 5, 2, 1};
         }},
        {"steady sea on a step in the curve",
         [](ModelParameters& p) {
             p.amp_1 = p.amp_2 = p.amp_3 = 0;
             p.depths = {0, 5, 10, 10, 20, 30, 40, 50};
             p.rates = {0, 10, 6, 1, 1, 1, 0.5, 0.2};
         }},
        {"unordered curve above sea level",
         [](ModelParameters& p) {
             p.depths = {-5, 30, 10, 15, 5, 30, 40, 35};
             p.rates = {3, 40, 30, 20, 10, 5, 2, 1};
             p.basin_sed_rate = 0.5;
         }},
        {"time step below a year",
         [](ModelParameters& p) {
             p.max_x = 500;
             p.diff_coeff = 0.7;
             p.rates = {0, 60, 40, 20, 10, 5, 2, 1};
         }},
    };
    const VectorPath vector_paths[] = {VectorPath::Sse2, VectorPath::Avx2};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelParameters p = testing::document_parameters();
        p.totaltime = 2000;
        p.display_inc = 20;
        c.change(p);
        const ProjectData scalar = run_on(VectorPath::Scalar, p);
        ASSERT_EQ(scalar.count, 101);
        for (VectorPath path : vector_paths) {
            if (!vector_path_supported(path)) {
                continue;
            }
            SCOPED_TRACE(int(path));
            const ProjectData vector = run_on(path, p);
            ASSERT_EQ(vector.count, scalar.count);
            EXPECT_TRUE(same_bits(vector.horizons, scalar.horizons));
            EXPECT_TRUE(same_bits(vector.sealevels, scalar.sealevels));
        }
    }
}

}  // namespace
}  // namespace vendrel
