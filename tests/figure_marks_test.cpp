// Marks drawn on request over the report figure and the Wheeler diagram:
// the shoreline trajectory in the colours of its classes, the final sea
// level, well ticks and time-line ages, on a hand-made ramp whose
// shoreline steps through every class.

#include "view/figure_marks.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <functional>
#include <string>

#include "view/figure_export.h"
#include "view/report_figure.h"
#include "view/report_palette.h"
#include "view/wheeler_diagram.h"

namespace vendrel {
namespace {

constexpr double kScale = 4;  // device pixels per figure pixel in the probes
const QSize kSize(900, 450);

// A ramp 3000 m wide, z = 100 + 0.1 x (depth down), under five sea levels.
// The shoreline is the last column j with 100 + 0.15 j <= sea level:
//   h1 sea 250 (baselevel):          x 1500, elevation 350
//   h2 sea 280, same surface:         x 1800, elevation 320  forced regressive
//   h3 sea 220, surface 15 m higher:  x 1350, elevation 380  transgressive
//   h4 sea 220, surface 30 m higher:  x 1500, elevation 380  normal regressive
//   h5 sea 190, surface 30 m higher:  x 1500, elevation 410  aggradational
SectionSnapshot ramp() {
    SectionSnapshot s;
    s.params.max_x = 3000;
    s.params.max_y = 600;
    s.params.fault1 = 3000;
    s.params.fault2 = 3000;
    s.params.display_inc = 1000;
    s.params.baselevel = 250;
    s.dt = 1;
    s.dx = 1.5;
    s.count = 5;
    s.x_values.resize(COLUMN_SLOTS);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        s.x_values[std::size_t(j)] = 1.5 * j;
    }
    s.z.assign(std::size_t(s.count) * COLUMN_SLOTS, 0);
    s.attribute.assign(std::size_t(s.count) * COLUMN_SLOTS, 20);
    const double raised[] = {0, 0, 15, 30, 60};
    for (int h = 1; h <= s.count; ++h) {
        for (int j = 1; j <= COLUMN_COUNT; ++j) {
            s.z[std::size_t(h - 1) * COLUMN_SLOTS + std::size_t(j)] =
                100 + 0.15 * j - raised[h - 1];
        }
    }
    const double sea[] = {0, 250, 280, 220, 220, 190};
    for (int h = 1; h <= s.count; ++h) {
        s.sealevels[std::size_t(h)] = sea[h];
    }
    return s;
}

QImage figure_png(const SectionSnapshot& s, const FigureMarks& marks) {
    FigureRequest request;
    request.size = kSize;
    request.dpi = 96 * kScale;
    request.report.marks = marks;
    return QImage::fromData(encode_figure(s, FigureFormat::Png, request), "png")
        .convertToFormat(QImage::Format_RGB32);
}

QImage wheeler_png(const SectionSnapshot& s, const FigureMarks& marks) {
    FigureRequest request;
    request.size = kSize;
    request.dpi = 96 * kScale;
    request.report.marks = marks;
    return QImage::fromData(
               encode_wheeler_diagram(s, FigureFormat::Png, request, SectionStyle::Report), "png")
        .convertToFormat(QImage::Format_RGB32);
}

bool near_colour(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue()) <
           40;
}

QColor at(const QImage& image, QPointF figure_point) {
    return image.pixelColor(int(figure_point.x() * kScale), int(figure_point.y() * kScale));
}

TEST(FigureMarks, ShorelineOfEachHorizonAndTheClassOfEachStep) {
    const std::vector<ShorelinePoint> shore = snapshot_shoreline_trajectory(ramp());
    struct Expected {
        double x, elevation;
        TrajectoryClass step;
    };
    const Expected expected[] = {
        {1500, 350, TrajectoryClass::Missing},       {1800, 320, TrajectoryClass::ForcedRegressive},
        {1350, 380, TrajectoryClass::Transgressive}, {1500, 380, TrajectoryClass::NormalRegressive},
        {1500, 410, TrajectoryClass::Aggradational},
    };
    ASSERT_EQ(shore.size(), std::size(expected));
    for (std::size_t h = 0; h < shore.size(); ++h) {
        SCOPED_TRACE(h + 1);
        EXPECT_DOUBLE_EQ(shore[h].x, expected[h].x);
        EXPECT_DOUBLE_EQ(shore[h].elevation, expected[h].elevation);
        EXPECT_EQ(shore[h].step, expected[h].step);
    }
}

// Each step's segment is drawn in its class's colour at its middle, on the
// figure (at its x and elevation) and on the Wheeler diagram (at its x and
// time), and only when asked.
TEST(FigureMarks, TrajectoryStepsInTheColoursOfTheirClasses) {
    const SectionSnapshot s = ramp();
    FigureMarks marks;
    marks.trajectory = true;
    const QImage figure = figure_png(s, marks), plain_figure = figure_png(s, {});
    const QImage wheeler = wheeler_png(s, marks), plain_wheeler = wheeler_png(s, {});
    const ReportLayout report = report_layout(kSize);
    const WheelerLayout diagram = wheeler_layout(kSize);
    const std::vector<ShorelinePoint> shore = snapshot_shoreline_trajectory(s);
    for (std::size_t h = 1; h < shore.size(); ++h) {
        SCOPED_TRACE(trajectory_class_name(shore[h].step));
        const QColor colour = trajectory_class_colour(shore[h].step);
        const double x = (shore[h - 1].x + shore[h].x) / 2 / 3000;
        const double elevation = (shore[h - 1].elevation + shore[h].elevation) / 2;
        const QPointF on_figure(report.plot.left() + x * report.plot.width(),
                                report.plot.top() + (600 - elevation) / 600 * report.plot.height());
        EXPECT_TRUE(near_colour(at(figure, on_figure), colour))
            << at(figure, on_figure).name().toStdString();
        EXPECT_FALSE(near_colour(at(plain_figure, on_figure), colour));
        const double time = (double(h) - 0.5) / 4;  // between horizons h and h + 1 of 1..5
        const QPointF on_wheeler(diagram.plot.left() + x * diagram.plot.width(),
                                 diagram.plot.bottom() - time * diagram.plot.height());
        EXPECT_TRUE(near_colour(at(wheeler, on_wheeler), colour))
            << at(wheeler, on_wheeler).name().toStdString();
        EXPECT_FALSE(near_colour(at(plain_wheeler, on_wheeler), colour));
    }
}

// The other marks: the final sea level across the figure's plot, a well's
// tick at its x below the top of either plot, and ages over the section.
TEST(FigureMarks, OtherMarksOnlyWhenAsked) {
    const SectionSnapshot s = ramp();
    const ReportLayout report = report_layout(kSize);
    const WheelerLayout diagram = wheeler_layout(kSize);
    const double sea_y = report.plot.top() + 190.0 / 600 * report.plot.height();
    const auto sea_level_pixels = [&](const QImage& image) {
        int n = 0;
        for (double x = report.plot.left() + 1; x < report.plot.right() - 1; x += 1) {
            n += near_colour(at(image, QPointF(x, sea_y)), kReportSeaLevel) ? 1 : 0;
        }
        return n;
    };
    const auto dark = [](const QColor& c) { return c.lightness() < 80; };
    const QPointF figure_tick(report.plot.left() + 600.0 / 3000 * report.plot.width(),
                              report.plot.top() + 5);
    const QPointF wheeler_tick(diagram.plot.left() + 600.0 / 3000 * diagram.plot.width(),
                               diagram.plot.top() + 5);
    const QImage plain = figure_png(s, {});
    FigureMarks sea;
    sea.sea_level = true;
    EXPECT_EQ(sea_level_pixels(plain), 0);
    EXPECT_GT(sea_level_pixels(figure_png(s, sea)), report.plot.width() / 3);

    FigureMarks wells;
    wells.wells = {600};
    EXPECT_FALSE(dark(at(plain, figure_tick)));
    EXPECT_TRUE(dark(at(figure_png(s, wells), figure_tick)));
    EXPECT_FALSE(dark(at(wheeler_png(s, {}), wheeler_tick)));
    EXPECT_TRUE(dark(at(wheeler_png(s, wells), wheeler_tick)));

    FigureMarks ages;
    ages.ages_every = 1;
    EXPECT_NE(figure_png(s, ages), plain);
    // None of them touches the diagram's cells or the figure where unasked.
    EXPECT_EQ(wheeler_png(s, sea), wheeler_png(s, {}));
}

}  // namespace
}  // namespace vendrel
