#include <gtest/gtest.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <thread>

#include "core/simulation.h"
#include "core/thread_count.h"
#include "core/view_notifier.h"
#include "document/project_data.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using namespace std::chrono_literals;

class CountingNotifier : public ViewNotifier {
  public:
    void request_redraw() override { count.fetch_add(1); }
    std::atomic<int> count{0};
};

class EngineRun : public ::testing::Test {
  protected:
    ModelParameters params = make_startup_parameters(2);
    Simulation sim{params};
    CountingNotifier notifier;

    void SetUp() override {
        sim.set_notifier(&notifier);
        sim.new_model();
    }
    // Applies `change` as a dialog would and runs to the end.
    template <class Change>
    void run_with(Change change) {
        sim.change_parameters(change);
        notifier.count = 0;
        sim.start_run();
        ASSERT_TRUE(sim.wait_until_idle(60s));
    }
    int published() { return sim.read().state().display_current_disp.load(); }
};

TEST_F(EngineRun, DegenerateRunsTakeNoStepsOrRecordNothing) {
    struct Case {
        const char* name;
        double max_x, diff_coeff, totaltime, display_inc;
        long long steps;
        int published;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"totaltime below dt", 2000, 0.25, 0.5, 2000, 0, 1},
        {"display_inc below dt", 2000, 0.25, 300, 0.5, 300, 1},
        {"zero width", 0, 0.25, 200000, 2000, 0, 1},
        {"tiny width overflows the step count", 1, 0.25, 200000, 2000, 0, 1},
        {"NaN run length", 2000, 0.25, nan, 2000, 0, 1},
        {"negative increment", 2000, 0.25, 300, -100, 300, 1},
        {"zero kappa", 2000, 0, 400, 100, 400, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        run_with([&](ModelParameters& p) {
            p.max_x = c.max_x;
            p.diff_coeff = c.diff_coeff;
            p.totaltime = c.totaltime;
            p.display_inc = c.display_inc;
        });
        EXPECT_EQ(sim.steps_taken(), c.steps);
        EXPECT_EQ(published(), c.published);
        EXPECT_EQ(sim.read().state().flags.running.load(), 0);
        EXPECT_EQ(notifier.count.load(), c.published)  // one per recording, one at the end
            << "repaint requests";
    }
}

TEST_F(EngineRun, DefaultRecordingSlots) {
    run_with([](ModelParameters& p) { p.totaltime = 20000; });
    EXPECT_EQ(sim.steps_taken(), 20000);
    EXPECT_EQ(published(), 11);
    EXPECT_EQ(sim.read().state().horizon_count.load(), 11);
    EXPECT_EQ(notifier.count.load(), 11);
    EXPECT_DOUBLE_EQ(sim.read().state().sim_time, 20000);
}

TEST_F(EngineRun, FiveHundredIncrementsStopAtTheLastSlot) {
    run_with([](ModelParameters& p) {
        p.totaltime = 5000;
        p.display_inc = 10;  // 500 increments: the last would need slot 501
    });
    EXPECT_EQ(published(), 500);
    EXPECT_EQ(sim.steps_taken(), 5000);

    run_with([](ModelParameters& p) {
        p.totaltime = 20000;
        p.display_inc = 10;  // 2000 increments: the run ends at slot 500
    });
    EXPECT_EQ(published(), 500);
    EXPECT_EQ(sim.steps_taken(), 5000);
    EXPECT_EQ(sim.read().state().flags.running.load(), 0);
}

TEST_F(EngineRun, NonFiniteParametersRunWithoutHarm) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    run_with([&](ModelParameters& p) {
        p.totaltime = 2000;
        p.display_inc = 500;
        p.amp_1 = nan;
        p.rates[2] = inf;
        p.slip1 = nan;
        p.fault2 = -inf;
        p.cvalue = nan;
        p.includecompact = 1;
        p.isolated_platform = 1;
        p.control_x[3] = nan;
    });
    EXPECT_EQ(published(), 5);
}

// Sets or clears an environment variable for one test and restores it.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(ThreadCount, OmpNumThreadsValues) {
    struct Case {
        const char* value;
        std::optional<int> count;
    };
    const Case cases[] = {{"4", 4},
                          {"2,1", 2},
                          {" 3 ", 3},
                          {"1", 1},
                          {"99999", 256},
                          {"0", std::nullopt},
                          {"-2", std::nullopt},
                          {"", std::nullopt},
                          {"two", std::nullopt},
                          {"3x", std::nullopt},
                          {",2", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(parse_thread_count(c.value), c.count);
    }
}

// A process confined to one processor (a batch task given one CPU) gets
// one thread by default, and OMP_NUM_THREADS never raises the count above
// the processors it may use.
TEST(ThreadCount, DefaultCountsTheProcessorsThisProcessMayUse) {
    ScopedEnvironment unset("OMP_NUM_THREADS", nullptr);
    int usable = 0, confined = 0, confined_asked_for_four = 0;
    std::thread([&] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        usable = usable_processors();
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        confined = default_thread_count();
        ScopedEnvironment four("OMP_NUM_THREADS", "4");
        confined_asked_for_four = default_thread_count();
    }).join();
    EXPECT_GE(usable, 1);
    EXPECT_EQ(confined, 1);
    EXPECT_EQ(confined_asked_for_four, 1);
    ScopedEnvironment one("OMP_NUM_THREADS", "1");
    EXPECT_EQ(default_thread_count(), 1);
}

// The threads a run computes with follow its own omp_threads, whatever an
// earlier run used: a count of 0 is the default the status bar shows, a
// huge count is capped at the usable processors.
TEST_F(EngineRun, ThreadCountOfEachRun) {
    ScopedEnvironment unset("OMP_NUM_THREADS", nullptr);
    struct Case {
        int omp_threads;
        int threads;
    };
    const int usable = usable_processors();
    const Case cases[] = {{2147483647, usable},  // the dialog's upper bound
                          {2, std::min(2, usable)},
                          {0, default_thread_count()},
                          {1, 1},
                          {0, default_thread_count()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.omp_threads);
        run_with([&](ModelParameters& p) {
            p.totaltime = 400;
            p.display_inc = 20;  // enough horizons for the recording loop to go parallel
            p.omp_threads = c.omp_threads;
        });
        EXPECT_EQ(published(), 21);
        EXPECT_EQ(sim.run_threads(), c.threads);
    }
}

TEST_F(EngineRun, StopKeepsRecordedHorizons) {
    // A run far longer than the test: ten million steps, a horizon every 5000.
    sim.change_parameters([](ModelParameters& p) {
        p.totaltime = 1e7;
        p.display_inc = 5000;
    });
    sim.start_run();
    while (published() < 4) {
        std::this_thread::sleep_for(1ms);
    }
    sim.stop_run();
    ASSERT_TRUE(sim.wait_until_idle(10s));
    const int kept = published();
    EXPECT_GE(kept, 4);
    EXPECT_LT(kept, 500);
    EXPECT_LT(sim.steps_taken(), 10000000);
    EXPECT_EQ(sim.read().state().horizon_count.load(), kept);
}

// Waits until a started run has taken a step; false after 30 s.
bool wait_for_a_step(const Simulation& sim) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (sim.steps_taken() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    return sim.steps_taken() > 0;
}

TEST_F(EngineRun, ExclusiveAccessStopsTheRunBetweenSteps) {
    sim.change_parameters([](ModelParameters& p) { p.totaltime = 1e7; });  // longer than the test
    sim.start_run();
    ASSERT_TRUE(wait_for_a_step(sim));
    {
        Simulation::WriteGuard model = sim.modify();
        EXPECT_EQ(model.state().flags.running.load(), 0);
        const long long steps = sim.steps_taken();
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(sim.steps_taken(), steps) << "no step while the model is held";
    }
    EXPECT_TRUE(sim.wait_until_idle(1s));
}

TEST_F(EngineRun, ReadAccessPausesARunningEngine) {
    sim.change_parameters([](ModelParameters& p) { p.totaltime = 1e7; });  // longer than the test
    sim.start_run();
    ASSERT_TRUE(wait_for_a_step(sim));
    for (int k = 0; k < 20; ++k) {
        const Simulation::ReadGuard model = sim.read();
        const long long steps = sim.steps_taken();
        const ProjectData snapshot =
            take_project_snapshot(model.params(), DisplaySettings{}, model.state());
        EXPECT_EQ(sim.steps_taken(), steps);
        EXPECT_EQ(snapshot.sealevels.size(), std::size_t(snapshot.count) + 1);
    }
    EXPECT_TRUE(sim.is_running()) << "the reads ended the run";
    const long long before = sim.steps_taken();
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (sim.steps_taken() == before && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_GT(sim.steps_taken(), before) << "the run did not go on after the reads";
    sim.stop_and_wait();
    EXPECT_FALSE(sim.is_running());
}

double cpu_seconds_of_process() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

TEST_F(EngineRun, IdleEngineSleepsAndStartsAtOnce) {
    // A spinning engine would use the whole 300 ms.
    const double before = cpu_seconds_of_process();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(cpu_seconds_of_process() - before, 0.15) << "the idle engine spins";

    sim.change_parameters([](ModelParameters& p) { p.totaltime = 1e7; });  // longer than the test
    sim.start_run();
    EXPECT_TRUE(sim.is_running()) << "start_run waited for the run to end";
    EXPECT_TRUE(wait_for_a_step(sim));
    EXPECT_LT(sim.steps_taken(), 10000000);
    sim.stop_and_wait();
}

}  // namespace
}  // namespace vendrel
