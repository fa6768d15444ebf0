#include "document/project_writer.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/model_reset.h"
#include "core/simulation.h"
#include "document/number_format.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF";
        if (end == std::string::npos) {
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string printf_lf(double v) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%lf", v);
    return buffer;
}

TEST(NumberFormat, SameTextAsPrintf) {
    const double values[] = {0,
                             -0.0,
                             250,
                             0.0005,
                             -20,
                             0.0000005,
                             0.00000049999999999,
                             0.0000005000000001,
                             -0.0000004,
                             -0.0000005,
                             -1e-300,
                             2.5e-7,
                             1.0000005,
                             0.1234565,
                             0.1234575,
                             2.675,
                             1e15 + 0.3,
                             123456789.1234565,
                             1e300,
                             -1e300,
                             DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             std::numeric_limits<double>::denorm_min(),
                             0.1,
                             1.0 / 3,
                             10000,
                             4503599627370496.5,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN()};
    for (double v : values) {
        std::string text;
        append_fixed6(text, v);
        EXPECT_EQ(text, printf_lf(v)) << "value " << v;
    }
    for (std::int32_t v : {0, 1, -1, 2147483647, -2147483647 - 1}) {
        std::string text;
        append_int(text, v);
        EXPECT_EQ(text, std::to_string(v));
    }
}

TEST(NumberFormat, IndependentOfProcessLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (scripts/setup installs it)";
    }
    std::string text;
    append_fixed6(text, -1234.5);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(text, "-1234.500000");
}

class SavedProject : public ::testing::Test {
  protected:
    ModelParameters params = make_startup_parameters(2);
    Simulation sim{params};
    void SetUp() override { sim.new_model(); }
    std::vector<std::string> saved_lines() {
        const Simulation::ReadGuard model = sim.read();
        return lines_of(format_project_file(
            take_project_snapshot(model.params(), DisplaySettings{}, model.state())));
    }
};

TEST_F(SavedProject, RightAfterStartup) {
    const std::vector<std::string> lines = saved_lines();
    ASSERT_EQ(lines.size(), 4051u);
    struct Line {
        std::size_t number;
        const char* text;
    };
    const Line expected[] = {
        {1, "baselevel 250.000000"},
        {2, "baselevel_rise 0.000000"},
        {9, "draw_bl 1"},
        {10, "draw_bath 0"},
        {22, "cvalue 0.000500"},
        {23, "dist1 0.100000"},
        {26, "dist1 0.400000"},
        {35,
         "control_x 0.000000 100.000000 255.000000 600.000000 1000.000000 1200.000000 "
         "1300.000000 1800.000000 1900.000000 2000.000000"},
        {39,
         "depths 0.000000 5.000000 10.000000 15.000000 20.000000 30.000000 40.000000 "
         "50.000000"},
        {43, "every_step 1"},
        {44, "display_current_disp 1"},
        {45, "x_values 1.000000"},
        {2044, "x_values 2000.000000"},
        {2045, "values 0.250000 0.000000 0.000000 0.450000"},
        {4044, "values 500.000000 0.000000 0.000000 0.450000"},
        {4045, "sealevel_values 232.511577"},  // slot 1 of the planned curve
        {4046, "fault1 1000.000000"},
        {4050, "antithetic1 0"},
        {4051, "antithetic2 0"},
    };
    for (const Line& line : expected) {
        EXPECT_EQ(lines[line.number - 1], line.text) << "line " << line.number;
    }
    for (const std::string& line : lines) {
        ASSERT_FALSE(line.empty());
        ASSERT_NE(line.back(), ' ') << line;
    }
}

TEST_F(SavedProject, NegativeAndTinyValues) {
    sim.change_parameters([](ModelParameters& p) {
        p.baselevel_rise = -20;
        p.amp_1 = 4e-7;
        p.amp_2 = -4e-7;
    });
    const std::vector<std::string> lines = saved_lines();
    EXPECT_EQ(lines[1], "baselevel_rise -20.000000");
    EXPECT_EQ(lines[2], "amp_1 0.000000");
    EXPECT_EQ(lines[4], "amp_2 -0.000000");
}

TEST_F(SavedProject, LineCountFollowsPublishedCount) {
    struct Case {
        int count;
        std::size_t lines;
    };
    for (const Case c :
         {Case{0, 2050}, Case{3, 2050 + 2001 * 3}, Case{-4, 2050}, Case{777, 2050 + 2001 * 500}}) {
        SCOPED_TRACE(c.count);
        sim.modify().state().display_current_disp = c.count;
        const std::vector<std::string> lines = saved_lines();
        EXPECT_EQ(lines.size(), c.lines);
        std::ostringstream count_line;
        count_line << "display_current_disp " << (c.count < 0 ? 0 : std::min(c.count, 500));
        EXPECT_EQ(lines[43], count_line.str());
        EXPECT_EQ(lines[2043], "x_values 2000.000000");
        EXPECT_EQ(lines[lines.size() - 6].rfind("fault1", 0), 0u);
    }
}

TEST_F(SavedProject, DefaultRunHasOneHundredAndOneHorizons) {
    sim.change_parameters([](ModelParameters& p) {
        p.totaltime = 20000;
        p.display_inc = 200;
    });
    sim.start_run();
    ASSERT_TRUE(sim.wait_until_idle(std::chrono::minutes(1)));
    EXPECT_EQ(saved_lines().size(), 2050u + 2001u * 101u);
}

}  // namespace
}  // namespace vendrel
