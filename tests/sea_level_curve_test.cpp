#include "core/sea_level_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/model_reset.h"
#include "core/model_state.h"
#include "core/sea_level.h"
#include "document/project_reader.h"
#include "document/project_writer.h"
#include "document/sea_level_csv.h"
#include "tests/reference_model.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

std::shared_ptr<const SeaLevelCurve> make_curve(std::vector<SeaLevelPoint> points) {
    return std::make_shared<const SeaLevelCurve>("test.csv", std::move(points));
}

TEST(SeaLevelCurve, LevelAtAndBetweenPoints) {
    const auto curve = make_curve({{0, 0}, {1000, 10}, {3000, -10}, {3000.5, 0.1}});
    struct Case {
        double t, level;
    };
    const Case cases[] = {
        {-100, 0},                                            // before the first point: held
        {0, 0},                                               // at points: their own level, exactly
        {1000, 10}, {3000, -10}, {3000.5, 0.1},    {500, 5},  // between points: linear in time
        {2000, 0},  {2500, -5},  {3000.25, -4.95}, {1e9, 0.1},  // after the last point: held
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        EXPECT_NEAR(curve->level_at(c.t), c.level, 1e-12);
        // The remembered interval gives the same from any earlier position,
        // and from a later one.
        for (std::size_t start : {std::size_t(0), std::size_t(2), std::size_t(3)}) {
            std::size_t index = start;
            EXPECT_EQ(curve->level_at(c.t, index), curve->level_at(c.t));
        }
    }
    EXPECT_EQ(curve->level_at(1000), 10.0);
    EXPECT_EQ(curve->level_at(3000.5), 0.1);
}

TEST(SeaLevelCurve, RemembersIntervalOverManyPoints) {
    std::vector<SeaLevelPoint> points;
    for (int i = 0; i <= 10000; ++i) {
        points.push_back({i * 10.0, std::sin(i * 0.01)});
    }
    const auto curve = make_curve(points);
    std::size_t index = 0;
    for (double t = 0; t <= 100000; t += 3.7) {
        ASSERT_EQ(curve->level_at(t, index), curve->level_at(t)) << t;
    }
    // A jump back and a jump far ahead.
    EXPECT_EQ(curve->level_at(55.5, index), curve->level_at(55.5));
    EXPECT_EQ(curve->level_at(99995, index), curve->level_at(99995));
}

TEST(SeaLevelCurve, RefusesBadPoints) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::vector<SeaLevelPoint>> bad = {
        {{0, 0}},           {{0, 0}, {0, 1}}, {{0, 0}, {10, 1}, {5, 1}}, {{0, nan}, {10, 1}},
        {{0, 0}, {inf, 1}},
    };
    for (const auto& points : bad) {
        EXPECT_THROW(SeaLevelCurve("x", points), std::invalid_argument) << points.size();
    }
}

TEST(SeaLevelCurve, RefusesRunItDoesNotCover) {
    ModelParameters p = testing::document_parameters();
    EXPECT_EQ(sea_level_curve_refusal(p), "");
    struct Case {
        double start, end, totaltime;
        bool refused;
    };
    const Case cases[] = {
        {0, 200000, 200000, false}, {-5000, 300000, 200000, false}, {0, 199999, 200000, true},
        {1, 200000, 200000, true},  {0, 150000, 200000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.end);
        p.sea_level_curve = make_curve({{c.start, 0}, {c.end, 1}});
        p.totaltime = c.totaltime;
        EXPECT_EQ(!sea_level_curve_refusal(p).empty(), c.refused);
    }
    p.sea_level_curve = make_curve({{0, 0}, {150000, 1}});
    p.totaltime = 200000;
    EXPECT_EQ(sea_level_curve_refusal(p),
              "the sea-level curve test.csv covers 0 to 150 kyr of the run, not 0 to 200 kyr "
              "(totaltime)");
}

// The run's level after time t and the planned curve follow the closed
// forms with E in place of the sinusoids.
TEST(SeaLevelCurve, RecurrenceInRunAndPlan) {
    ModelParameters p = testing::document_parameters();
    const auto curve = make_curve({{0, 3}, {1500, -7}, {4000, 20}, {10000, 20}});
    p.sea_level_curve = curve;
    for (double rise : {0.0, 2.5}) {
        SCOPED_TRACE(rise);
        p.baselevel_rise = rise;
        auto s = std::make_unique<ModelState>(p);
        SineState state{};
        s->current_sea_level = p.baselevel;
        s->dt = 1.0;
        for (int i = 1; i <= 5000; ++i) {
            s->sim_time = i;
            advance_sea_level(p, *s, state);
            if (i % 250 == 0) {
                const double expected = 250 - rise * i / 1000 - (curve->level_at(i) - 3);
                ASSERT_NEAR(s->current_sea_level, expected, 1e-9) << i;
            }
        }
        p.totaltime = 8000;
        p.display_inc = 1000;
        reset_model(p, *s);
        for (int i = 0; i <= 8; ++i) {
            const double expected =
                250 - rise * (i + 1) * 1000 / 1000 - (curve->level_at(i * 1000.0) - 3);
            EXPECT_NEAR(s->sealevel_values[i], expected, 1e-9) << i;
        }
        EXPECT_EQ(s->current_sea_level, 250.0);
        p.totaltime = 200000;
        p.display_inc = 2000;
    }
}

// A flat curve is no sea-level change: the run equals one with amplitudes
// 0 in every number, and its file differs only in the stored sinusoids and
// the curve section.
TEST(SeaLevelCurve, FlatCurveEqualsAmplitudesZero) {
    ModelParameters flat = testing::short_run_parameters();
    flat.sea_level_curve = make_curve({{0, 12}, {4000, 12}});
    ModelParameters zero = testing::short_run_parameters();
    zero.amp_1 = zero.amp_2 = zero.amp_3 = 0;
    ProjectData with_curve = testing::run_engine(flat);
    const ProjectData without = testing::run_engine(zero);
    const std::string curve_text = format_project_file(with_curve);
    EXPECT_NE(curve_text.find("\r\nsea_level_curve test.csv 2\r\n"
                              "sea_level_point 0.000000 12.000000\r\n"
                              "sea_level_point 4000.000000 12.000000\r\n"),
              std::string::npos);
    with_curve.params.sea_level_curve = nullptr;
    with_curve.params.amp_1 = with_curve.params.amp_2 = with_curve.params.amp_3 = 0;
    EXPECT_TRUE(format_project_file(with_curve) == format_project_file(without));
}

// A curve sampled from the default sinusoids every 100 years. Linear
// interpolation misses a curve by at most h^2 / 8 max|E''|: with h = 100 yr
// and |E''| <= sum A_k (6.28 / P_k)^2 = 1.41e-6 m/yr^2, 1.77 mm; rounding the
// points to six decimals adds at most 1e-6 m. The recordings (every 2000
// years) fall on points, where only the rounding remains; the horizons
// follow within 5 mm (1.2 mm measured).
TEST(SeaLevelCurve, SampledSinusoidsReproduceDefaultRun) {
    const ModelParameters sines = testing::document_parameters();
    std::vector<SeaLevelPoint> points;
    for (int i = 0; i <= 2000; ++i) {
        const double t = i * 100.0;
        const double e = 50 * std::sin(t / (100000 / 6.28)) + 20 * std::sin(t / (41000 / 6.28)) +
                         10 * std::sin(t / (23000 / 6.28));
        points.push_back({t, stored_form(e)});
    }
    ModelParameters sampled = sines;
    sampled.sea_level_curve = make_curve(points);

    // Every step of a year, against the bound.
    double between = 0;
    {
        SineState a{};
        SineState b{};
        double level_a = 250;
        double level_b = 250;
        for (int i = 1; i <= 200000; ++i) {
            level_a = next_sea_level(sines, level_a, i, 1.0, a);
            level_b = next_sea_level(sampled, level_b, i, 1.0, b);
            between = std::max(between, std::fabs(level_a - level_b));
        }
    }
    EXPECT_LE(between, 1.77e-3 + 1e-6);
    EXPECT_GT(between, 1e-4);  // the interpolation does miss between points

    const ProjectData a = testing::run_engine(sines);
    const ProjectData b = testing::run_engine(sampled);
    ASSERT_EQ(a.count, b.count);
    ASSERT_EQ(a.count, 101);
    double sea = 0;
    for (int h = 1; h <= a.count; ++h) {
        sea = std::max(sea, std::fabs(a.sealevels[h] - b.sealevels[h]));
    }
    double z = 0;
    for (std::size_t k = 0; k < a.horizons.size(); ++k) {
        z = std::max(z, std::fabs(a.horizons[k][0] - b.horizons[k][0]));
    }
    EXPECT_LE(sea, 1e-6);
    EXPECT_LE(z, 5e-3) << "sea level at the recordings within " << sea;
}

class CurveCsv : public ::testing::Test {
  protected:
    std::shared_ptr<const SeaLevelCurve> parse(const std::string& text, double totaltime = 200000) {
        return parse_sea_level_csv(text, "c.csv", totaltime);
    }
    std::string error_of(const std::string& text) {
        try {
            parse(text);
        } catch (const FileError& e) {
            return e.what();
        }
        return "(read)";
    }
};

TEST_F(CurveCsv, ReadsTimesAndAges) {
    const auto times = parse("time_kyr,sea_level_m\r\n0,-120\r\n\r\n 12.5 , 3.25\r\n200,+1\r\n");
    ASSERT_EQ(times->points().size(), 3u);
    EXPECT_EQ(times->points()[1].time, 12500.0);
    EXPECT_EQ(times->points()[1].level, 3.25);
    EXPECT_EQ(times->points()[2].level, 1.0);
    EXPECT_EQ(times->name(), "c.csv");

    const auto ages = parse(
        "\xEF\xBB\xBF"
        "age_ka,sea_level_m\n210,5\n100,-2\n0,0",
        200000);
    ASSERT_EQ(ages->points().size(), 3u);
    EXPECT_EQ(ages->points()[0].time, -10000.0);
    EXPECT_EQ(ages->points()[1].time, 100000.0);
    EXPECT_EQ(ages->points()[2].time, 200000.0);
    EXPECT_TRUE(ages->covers(200000));
}

TEST_F(CurveCsv, RoundsToStoredForm) {
    const auto curve = parse("time_kyr,sea_level_m\n0.0000001234,1.23456789\n1e-3,-0.0000004\n");
    EXPECT_EQ(curve->points()[0].time, 0.000123);
    EXPECT_EQ(curve->points()[0].level, 1.234568);
    EXPECT_EQ(curve->points()[1].time, 1.0);
    EXPECT_EQ(curve->points()[1].level, -0.0);
}

TEST_F(CurveCsv, RefusesBadFilesWithTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "line 1: expected the header"},
        {"time,level\n0,0\n1,1\n", "line 1: expected the header"},
        {"time_kyr;sea_level_m\n0,0\n1,1\n", "line 1: expected the header"},
        {"time_kyr,sea_level_m\n", "line 1: fewer than two points"},
        {"time_kyr,sea_level_m\n0,0\n", "line 2: fewer than two points"},
        {"time_kyr,sea_level_m\n0,0\n1\n", "line 3: expected two numbers separated by a comma"},
        {"time_kyr,sea_level_m\n0,0\n1,2,3\n", "line 3: expected two numbers"},
        {"time_kyr,sea_level_m\n0,0\n1,2m\n", "line 3: expected two numbers"},
        {"time_kyr,sea_level_m\n0,0\n,2\n", "line 3: expected two numbers"},
        {"time_kyr,sea_level_m\n0,0\n\n1,nan\n", "line 4: a number that is not finite"},
        {"time_kyr,sea_level_m\n0,0\n1,inf\n", "line 3: a number that is not finite"},
        {"time_kyr,sea_level_m\n0,0\n1e400,1\n", "line 3: expected two numbers"},
        {"time_kyr,sea_level_m\n0,0\n5,1\n5,2\n", "line 4: a time that repeats the previous one"},
        {"time_kyr,sea_level_m\n0,0\n5,1\n4,2\n", "line 4: a time before the previous one"},
        // Equal once rounded to the stored microyear.
        {"time_kyr,sea_level_m\n0,0\n0.0000000001,1\n", "line 3: a time that repeats"},
        {"age_ka,sea_level_m\n10,0\n10,1\n", "line 3: an age that repeats the previous one"},
        {"age_ka,sea_level_m\n10,0\n11,1\n", "line 3: an age not below the previous one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string error = error_of(c.text);
        EXPECT_EQ(error.rfind("c.csv: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

TEST_F(CurveCsv, AtMostAMillionPoints) {
    std::string text = "time_kyr,sea_level_m\n";
    text.reserve(16'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        text += std::to_string(i);
        text += ",1\n";
    }
    EXPECT_EQ(parse(text)->points().size(), 1'000'000u);
    text += "1000000,1\n";
    EXPECT_NE(error_of(text).find("line 1000002: more than 1000000 points"), std::string::npos);
}

// ---- the project file section -------------------------------------------

class CurveSection : public ::testing::Test {
  protected:
    ModelParameters p = testing::short_run_parameters();
    ProjectDefaults defaults = [] {
        ProjectDefaults d;
        d.params = testing::document_parameters();
        d.x_values.assign(COLUMN_SLOTS, 0.0);
        return d;
    }();

    std::string text_with_curve() {
        p.sea_level_curve = parse_sea_level_csv(
            "time_kyr,sea_level_m\n0,1.5\n2,-3.25\n4.0000005,7\n", "my curve.csv", p.totaltime);
        return format_project_file(testing::run_engine(p));
    }
    std::string error_of(const std::string& text) {
        try {
            parse_project_file(text, "p.vdl", defaults);
        } catch (const ProjectFileError& e) {
            return e.what();
        }
        return "(read)";
    }
};

TEST_F(CurveSection, RoundTripIsByteIdentical) {
    const std::string text = text_with_curve();
    const LoadedProject loaded = parse_project_file(text, "p.vdl", defaults);
    ASSERT_TRUE(loaded.data.params.sea_level_curve);
    EXPECT_TRUE(*loaded.data.params.sea_level_curve == *p.sea_level_curve);
    EXPECT_EQ(loaded.data.params.sea_level_curve->name(), "my curve.csv");
    EXPECT_TRUE(format_project_file(loaded.data) == text);
    // A curve read from the project runs as the one read from the CSV.
    EXPECT_TRUE(format_project_file(testing::run_engine(loaded.data.params)) == text);
}

TEST_F(CurveSection, OtherTrailingLinesStayIgnored) {
    p.totaltime = 0;  // no horizons: a short file
    const std::string plain = format_project_file(testing::run_engine(p));
    defaults.params.sea_level_curve = make_curve({{0, 0}, {1, 1}});
    for (const char* tail : {"", "\r\n", "sea_level_curves x 2\r\n", " sea_level_curve x 2\r\n",
                             "Sea_level_curve x 2\r\n", "note\r\nsea_level_curve x 2\r\n"}) {
        SCOPED_TRACE(tail);
        const LoadedProject loaded = parse_project_file(plain + tail, "p.vdl", defaults);
        EXPECT_FALSE(loaded.data.params.sea_level_curve);
        EXPECT_TRUE(format_project_file(loaded.data) == plain);
    }
}

TEST_F(CurveSection, RefusesBadSectionWithTheLine) {
    const std::string text = text_with_curve();
    const std::size_t at = text.find("sea_level_curve ");
    ASSERT_NE(at, std::string::npos);
    const std::string head = text.substr(0, at);
    int header_line = 1;
    for (char c : head) {
        header_line += c == '\n';
    }
    const std::string line = ": line " + std::to_string(header_line);
    const std::string next = ": line " + std::to_string(header_line + 1);
    const std::string third = ": line " + std::to_string(header_line + 2);
    struct Case {
        std::string tail, error;
    };
    const Case cases[] = {
        {"sea_level_curve x\r\n", line + ": expected a point count from 2 to 1000000"},
        {"sea_level_curve x 1\r\nsea_level_point 0 0\r\n", line + ": expected a point count"},
        {"sea_level_curve x 1000001\r\n", line + ": expected a point count"},
        {"sea_level_curve x 2z\r\n", line + ": expected a point count"},
        {"sea_level_curve x 2\r\nsea_level_point 0 0\r\n",
         third + ": expected 2 values after \"sea_level_point\", found the end of the file"},
        {"sea_level_curve x 2\r\nsea_level_point 0\r\n", next + ": expected 2 values"},
        {"sea_level_curve x 2\r\nsea_level_point 0 nan\r\nsea_level_point 1 1\r\n",
         next + ": a number that is not finite"},
        {"sea_level_curve x 2\r\nsea_level_point 5 0\r\nsea_level_point 5 1\r\n",
         third + ": a time that repeats the previous one"},
        {"sea_level_curve x 3\r\nsea_level_point 5 0\r\nsea_level_point 6 1\r\n"
         "sea_level_point 1 1\r\n",
         ": line " + std::to_string(header_line + 3) + ": a time before the previous one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        const std::string error = error_of(head + c.tail);
        EXPECT_EQ(error.find("p.vdl" + c.error), 0u) << error;
    }
}

}  // namespace
}  // namespace vendrel
