#include "core/run_admission.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "core/dialog_ranges.h"
#include "core/recording_plan.h"
#include "core/simulation.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using Change = std::function<void(ModelParameters&)>;

// What a run from a script refuses, what the window refuses (the faults
// whose run diverges), and what every run takes.
TEST(RunAdmission, FaultsNameTheKeyTheValueAndWhy) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        Change change;
        const char* refusal;  // the start of the one line; "" when the run may start
        bool diverges;
    };
    const Case cases[] = {
        {"defaults", [](ModelParameters&) {}, "", false},
        {"diff_coeff -1", [](ModelParameters& p) { p.diff_coeff = -1; },
         "diff_coeff = -1: must be at least 0", true},
        {"diff_coeff 0", [](ModelParameters& p) { p.diff_coeff = 0; }, "", false},
        {"totaltime -5", [](ModelParameters& p) { p.totaltime = -5; },
         "totaltime = -5: must be above 0", false},
        {"totaltime 0", [](ModelParameters& p) { p.totaltime = 0; },
         "totaltime = 0: must be above 0", false},
        {"display_inc -1", [](ModelParameters& p) { p.display_inc = -1; },
         "display_inc = -1: must be above 0", false},
        {"max_x -10", [](ModelParameters& p) { p.max_x = -10; }, "max_x = -10: must be above 0",
         false},
        {"max_y 0", [](ModelParameters& p) { p.max_y = 0; }, "max_y = 0: must be above 0", false},
        {"cvalue -0.5", [](ModelParameters& p) { p.cvalue = -0.5; },
         "cvalue = -0.5: must be at least 0", false},
        {"phizero 1.5, compaction on",
         [](ModelParameters& p) {
             p.phizero = 1.5;
             p.includecompact = 1;
         },
         "phizero = 1.5: must be below 1 while compaction is on", true},
        {"phizero 1, compaction on",
         [](ModelParameters& p) {
             p.phizero = 1;
             p.includecompact = 1;
         },
         "phizero = 1: must be below 1", true},
        {"phizero 1.5, compaction off", [](ModelParameters& p) { p.phizero = 1.5; }, "", false},
        {"amp_2 nan", [](ModelParameters& p) { p.amp_2 = nan; }, "amp_2 = nan: is not a finite",
         true},
        {"rates_4 inf", [](ModelParameters& p) { p.rates[3] = inf; },
         "rates_4 = inf: is not a finite", true},
        {"equal neighbouring depths",
         [](ModelParameters& p) { p.depths = {0, 5, 10, 10, 20, 30, 40, 50}; }, "", false},
        {"unordered curve",
         [](ModelParameters& p) {
             p.depths = {50, 5, 30, 10, 0, 20, 40, 15};
             p.rates = {-1, 10, 6, 3, 1, 1, 0.5, 0.2};
         },
         "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelParameters p = testing::document_parameters();
        c.change(p);
        const std::optional<RunRefusal> refusal = refuse_script_run(p, false);
        const std::vector<ParameterFault> faults = parameter_faults(p);
        if (*c.refusal == '\0') {
            EXPECT_FALSE(refusal) << refusal->text;
            EXPECT_TRUE(faults.empty());
            continue;
        }
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->text.rfind(c.refusal, 0), 0u) << refusal->text;
        EXPECT_FALSE(refusal->early_end);
        EXPECT_EQ(refusal->text.find('\n'), std::string::npos);
        ASSERT_EQ(faults.size(), 1u);
        EXPECT_EQ(faults[0].diverges, c.diverges);
        EXPECT_TRUE(refuse_script_run(p, true)) << "an early end allowed allows no fault";
    }
}

// The plan's steps, recordings and end agree with what the engine does,
// also where cutting display_inc / dt to whole steps shortens the interval.
TEST(RecordingPlan, AgreesWithTheEngine) {
    struct Case {
        const char* name;
        double totaltime, display_inc, diff_coeff;
        bool fits;
        std::int64_t recordings;
    };
    const Case cases[] = {
        {"ten recordings", 1000, 100, 0.25, true, 10},
        {"499 recordings, every slot", 998, 2, 0.25, true, 499},
        {"500 increments, as the Runtime dialog admits", 1000, 2, 0.25, false, 500},
        {"20000 yr every 10 yr", 20000, 10, 0.25, false, 2000},
        // dt = 0.5 / 0.7 yr: 2 yr is 2.8 steps, cut to 2, so 800 yr is
        // 1120 steps and 560 recordings, not 400.
        {"whole steps shorten the interval", 800, 2, 0.7, false, 560},
        {"shortened but within the slots", 600, 2, 0.7, true, 420},
        {"display_inc below dt", 100, 0.5, 0.25, true, 0},
        {"display_inc longer than the run", 100, 200, 0.25, true, 0},
    };
    Simulation sim(testing::document_parameters());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.change_parameters([&](ModelParameters& p) {
            p.totaltime = c.totaltime;
            p.display_inc = c.display_inc;
            p.diff_coeff = c.diff_coeff;
        });
        const RecordingPlan plan = plan_recordings(sim.params());
        EXPECT_EQ(plan.fits(), c.fits);
        EXPECT_EQ(plan.recordings, c.recordings);
        sim.start_run();
        ASSERT_TRUE(sim.wait_until_idle(std::chrono::seconds(60)));
        EXPECT_EQ(sim.steps_taken(), plan.steps_run);
        EXPECT_EQ(sim.published_count(),
                  1 + std::min<std::int64_t>(plan.recordings, kRecordingRoom));
        EXPECT_EQ(sim.read().state().sim_time, plan.simulated_time());
        if (!c.fits) {
            const std::optional<RunRefusal> refusal = refuse_script_run(sim.params(), false);
            ASSERT_TRUE(refusal);
            EXPECT_TRUE(refusal->early_end);
            EXPECT_FALSE(refuse_script_run(sim.params(), true));
        }
    }
}

TEST(RecordingPlan, SmallestDisplayIncThatFits) {
    struct Case {
        double totaltime, display_inc, diff_coeff, smallest;
    };
    // 20000 steps: 41 steps between recordings give 487, 40 give 500.
    const Case cases[] = {
        {20000, 10, 0.25, 41},
        {1000, 2, 0.25, 3},
        {800, 2, 0.7, 0},            // dt = 0.5 / 0.7: checked below on whole steps
        {200000, 2000, 0.25, 2000},  // fits already
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.totaltime);
        ModelParameters p = testing::document_parameters();
        p.totaltime = c.totaltime;
        p.display_inc = c.display_inc;
        p.diff_coeff = c.diff_coeff;
        const double smallest = smallest_fitting_display_inc(p);
        if (c.smallest > 0) {
            EXPECT_EQ(smallest, c.smallest);
        }
        p.display_inc = smallest;
        EXPECT_TRUE(plan_recordings(p).fits());
        if (smallest != c.display_inc) {
            p.display_inc = std::nextafter(smallest, 0.0);
            EXPECT_FALSE(plan_recordings(p).fits()) << "a smaller one fits";
        }
    }
}

TEST(DialogRanges, RunnableValuesOutsideADialogsRange) {
    struct Case {
        const char* name;
        Change change;
        const char* warning;  // "" for none
    };
    const Case cases[] = {
        {"defaults", [](ModelParameters&) {}, ""},
        {"amp_1 150", [](ModelParameters& p) { p.amp_1 = 150; },
         "amp_1 = 150 is outside the range of the Sea-Level Variations dialog: 0 to 100"},
        {"amp_2 150, no range", [](ModelParameters& p) { p.amp_2 = 150; }, ""},
        {"depths_3 1000.5", [](ModelParameters& p) { p.depths[2] = 1000.5; },
         "depths_3 = 1000.5 is outside the range of the Carbonate Factory dialog: 0 to 1000"},
        {"phizero 1.5 is in range", [](ModelParameters& p) { p.phizero = 1.5; }, ""},
        {"cvalue -1", [](ModelParameters& p) { p.cvalue = -1; },
         "cvalue = -1 is outside the range of the Compaction dialog: at least 0"},
        {"max_x 20000", [](ModelParameters& p) { p.max_x = 20000; },
         "max_x = 20000 is outside the range of the Model Dimensions dialog: 0 to 10000"},
        {"control_x_10 beyond the section", [](ModelParameters& p) { p.control_x[9] = 2500; },
         "control_x_10 = 2500 is outside the range of the Arbitrary Platform dialog: 0 to 2000"},
        {"sea level below the base", [](ModelParameters& p) { p.baselevel = 600; },
         "baselevel = 600 is outside the range of the Sea-Level Variations dialog: a starting sea "
         "level 0 to 10000 m above the base (max_y - baselevel = -100)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelParameters p = testing::document_parameters();
        c.change(p);
        const std::vector<RangeWarning> warnings = dialog_range_warnings(p, DisplaySettings{});
        if (*c.warning == '\0') {
            EXPECT_TRUE(warnings.empty()) << warnings.front().text();
        } else {
            ASSERT_EQ(warnings.size(), 1u);
            EXPECT_EQ(warnings[0].text(), c.warning);
        }
    }
    DisplaySettings display;
    display.depth2 = -3;
    const std::vector<RangeWarning> warnings =
        dialog_range_warnings(testing::document_parameters(), display);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].text(),
              "depth2 = -3 is outside the range of the Display Preferences dialog: 0 to 1000");
}

}  // namespace
}  // namespace vendrel
