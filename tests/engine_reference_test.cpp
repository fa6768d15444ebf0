// The engine against the literal algorithm: byte-identical files where the
// engine performs the same operations, every value within 1e-6 where it
// takes its shortcuts (fault movement of the horizons paid at recordings,
// compaction once per recording with accumulated movement).

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "core/lanes.h"
#include "core/simulation.h"
#include "document/project_data.h"
#include "document/project_writer.h"
#include "tests/reference_model.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

struct ReferenceCase {
    const char* name;
    std::function<void(ModelParameters&)> change;
    bool same_operations;
};

void PrintTo(const ReferenceCase& c, std::ostream* os) {
    *os << c.name;
}

class EngineAgainstReference : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(EngineAgainstReference, SameFile) {
    ModelParameters p = testing::document_parameters();
    p.totaltime = 2000;
    p.display_inc = 100;
    GetParam().change(p);
    const ProjectData engine = testing::run_engine(p);
    const ProjectData reference = testing::run_reference(p);
    ASSERT_EQ(engine.count, reference.count);
    EXPECT_GT(engine.count, 1);
    if (GetParam().same_operations) {
        EXPECT_TRUE(format_project_file(engine) == format_project_file(reference));
        EXPECT_EQ(testing::largest_difference(engine, reference), 0.0);
    } else {
        EXPECT_LE(testing::largest_difference(engine, reference), 1e-6);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineAgainstReference,
    ::testing::Values(ReferenceCase{"defaults", [](ModelParameters&) {}, true},
                      ReferenceCase{"platform, basinal sediment, rising sea",
                                    [](ModelParameters& p) {
                                        p.isolated_platform = 1;
                                        p.basin_sed_rate = 1;
                                        p.basin_threshold = 50;
                                        p.baselevel_rise = 20;
                                        p.rates = {5, 80, 60, 30, 10, 10, 5, 2};
                                    },
                                    true},
                      ReferenceCase{"erosion of an emergent platform",
                                    [](ModelParameters& p) {
                                        p.isolated_platform = 1;
                                        p.diff_coeff = 2;
                                        p.totaltime = 500;
                                        p.display_inc = 25;
                                        p.baselevel_rise = -200;
                                    },
                                    true},
                      ReferenceCase{"a step in the curve at 10 m, steady sea",
                                    [](ModelParameters& p) {
                                        p.amp_1 = p.amp_2 = p.amp_3 = 0;
                                        p.depths = {0, 5, 10, 10, 20, 30, 40, 50};
                                        p.rates = {0, 10, 6, 1, 1, 1, 0.5, 0.2};
                                    },
                                    true},
                      ReferenceCase{"a step in the curve at 5 m",
                                    [](ModelParameters& p) {
                                        p.depths = {0, 5, 5, 20, 20, 30, 40, 50};
                                        p.rates = {0, 10, 6, 3, 1, 1, 0.5, 0.2};
                                    },
                                    true},
                      ReferenceCase{"faults",
                                    [](ModelParameters& p) {
                                        p.slip1 = 20;
                                        p.slip2 = -10;
                                        p.antithetic2 = 1;
                                    },
                                    false},
                      ReferenceCase{"compaction",
                                    [](ModelParameters& p) {
                                        p.includecompact = 1;
                                        p.cvalue = 0.01;
                                        p.rates = {0, 100, 60, 30, 10, 10, 5, 2};
                                        p.totaltime = 1000;
                                    },
                                    false},
                      ReferenceCase{"everything",
                                    [](ModelParameters& p) {
                                        p.includecompact = 1;
                                        p.cvalue = 0.005;
                                        p.isolated_platform = 1;
                                        p.slip1 = 50;
                                        p.antithetic1 = 1;
                                        p.slip2 = 30;
                                        p.basin_sed_rate = 1;
                                        p.rates = {0, 100, 60, 30, 10, 10, 5, 2};
                                        p.totaltime = 1000;
                                    },
                                    false}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

// Compaction computes its exponentials on the lanes of the run's path:
// every path this build and processor run, with one thread and with two,
// gives the scalar path's file on the compaction cases, and that file
// stays within 1e-6 of the literal model's.
TEST(EngineCompactionPaths, EveryPathAndThreadCountGivesTheScalarFile) {
    const std::function<void(ModelParameters&)> cases[] = {
        [](ModelParameters& p) {
            p.includecompact = 1;
            p.cvalue = 0.01;
            p.rates = {0, 100, 60, 30, 10, 10, 5, 2};
        },
        [](ModelParameters& p) {
            p.includecompact = 1;
            p.cvalue = 0.005;
            p.isolated_platform = 1;
            p.slip1 = 50;
            p.antithetic1 = 1;
            p.slip2 = 30;
            p.basin_sed_rate = 1;
            p.rates = {0, 100, 60, 30, 10, 10, 5, 2};
        },
    };
    for (const auto& change : cases) {
        ModelParameters p = testing::document_parameters();
        p.totaltime = 500;
        p.display_inc = 10;
        change(p);
        p.omp_threads = 1;
        force_vector_path(VectorPath::Scalar);
        const ProjectData scalar = testing::run_engine(p);
        const std::string scalar_file = format_project_file(scalar);
        EXPECT_LE(testing::largest_difference(scalar, testing::run_reference(p)), 1e-6);
        for (VectorPath path : {VectorPath::Scalar, VectorPath::Sse2, VectorPath::Avx2}) {
            if (!vector_path_supported(path)) {
                continue;
            }
            for (int threads : {1, 2}) {
                SCOPED_TRACE(::testing::Message()
                             << "path " << int(path) << ", " << threads << " thread(s)");
                force_vector_path(path);
                p.omp_threads = threads;
                const ProjectData run = testing::run_engine(p);
                ASSERT_EQ(run.horizons.size(), scalar.horizons.size());
                EXPECT_EQ(std::memcmp(run.horizons.data(), scalar.horizons.data(),
                                      scalar.horizons.size() * sizeof(scalar.horizons[0])),
                          0);
                EXPECT_TRUE(format_project_file(run) == scalar_file);
            }
        }
        force_vector_path(std::nullopt);
    }
}

// A surface exactly 10 m deep on a curve whose third and fourth points both
// lie at 10 m takes the interval ending at the third point: rate 6, not the
// fourth point's 1.
TEST(EngineProduction, ADepthAtAStepTakesTheIntervalEndingThere) {
    ModelParameters p = testing::document_parameters();
    p.amp_1 = p.amp_2 = p.amp_3 = 0;
    p.depths = {0, 5, 10, 10, 20, 30, 40, 50};
    p.rates = {0, 10, 6, 1, 1, 1, 0.5, 0.2};
    p.totaltime = 10;
    p.display_inc = 1;
    const ProjectData run = testing::run_engine(p);
    ASSERT_GE(run.count, 2);
    EXPECT_EQ(run.horizon(1040, 1)[0], 260.0);
    EXPECT_NEAR(run.horizon(1040, 2)[0], 259.994, 1e-9);
}

TEST(EngineThreads, SameFileWithOneAndTwoThreads) {
    ModelParameters p = testing::document_parameters();
    p.totaltime = 20000;
    p.display_inc = 100;
    p.includecompact = 1;
    p.slip1 = 1;
    p.slip2 = 0.5;
    p.isolated_platform = 1;
    p.omp_threads = 1;
    const std::string one = format_project_file(testing::run_engine(p));
    p.omp_threads = 2;
    const std::string two = format_project_file(testing::run_engine(p));
    EXPECT_EQ(one.size(), two.size());
    EXPECT_TRUE(one == two);
}

// A run's numbers do not depend on when others look at the model: a run
// that a window reads between steps, as often as it can, ends with the same
// file as one nobody read.
TEST(EngineReaders, SameFileWhetherOrNotTheModelIsRead) {
    ModelParameters p = testing::document_parameters();
    p.totaltime = 20000;
    p.display_inc = 100;
    p.slip1 = 1;
    p.slip2 = 0.5;
    for (int compaction : {0, 1}) {
        SCOPED_TRACE(compaction);
        p.includecompact = compaction;
        const std::string unread = format_project_file(testing::run_engine(p));
        Simulation sim(make_startup_parameters(2));
        sim.new_model();
        sim.change_parameters([&](ModelParameters& q) { q = p; });
        sim.start_run();
        int reads = 0;
        while (sim.is_running()) {
            const Simulation::ReadGuard model = sim.read();
            reads += model.state().published_count() > 0;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        ASSERT_TRUE(sim.wait_until_idle(std::chrono::minutes(1)));
        const Simulation::ReadGuard model = sim.read();
        const std::string read = format_project_file(
            take_project_snapshot(model.params(), DisplaySettings{}, model.state()));
        EXPECT_GT(reads, 1);
        EXPECT_TRUE(read == unread) << "after " << reads << " reads";
    }
}

}  // namespace
}  // namespace vendrel
