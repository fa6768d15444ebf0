// The report figure: its pixels on a default run, its palette, its axes,
// its layers at faults, and its SVG, PDF and PNG files read back by real
// clients.

#include "view/report_figure.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "core/thread_count.h"
#include "tests/test_support.h"
#include "view/figure_axes.h"
#include "view/figure_export.h"
#include "view/report_palette.h"

namespace vendrel {
namespace {

using testing::read_file;
using testing::write_file;

const QColor kWhite(255, 255, 255);

// The default run, taken once.
const SectionSnapshot& default_run(ColourMode mode) {
    static const std::array<SectionSnapshot, 4> snapshots = [] {
        Simulation sim(make_startup_parameters(default_thread_count()));
        sim.new_model();
        sim.start_run();
        if (!sim.wait_until_idle(std::chrono::minutes(5))) {
            sim.stop_and_wait();
            ADD_FAILURE() << "the default run did not end within 5 minutes";
        }
        std::array<SectionSnapshot, 4> out;
        for (int m = 0; m < 4; ++m) {
            DisplaySettings d;
            d.draw_depthdepo = m == 0;
            d.draw_distance = m == 1;
            d.draw_porosity = m == 2;
            const Simulation::ReadGuard model = sim.read();
            out[std::size_t(m)] = take_section_snapshot(model.params(), d, model.state());
        }
        return out;
    }();
    return snapshots[std::size_t(mode)];
}

QImage png_of(const SectionSnapshot& s, QSize size, double dpi = 96) {
    FigureRequest request;
    request.size = size;
    request.dpi = dpi;
    const QByteArray bytes = encode_figure(s, FigureFormat::Png, request);
    return QImage::fromData(bytes, "png").convertToFormat(QImage::Format_RGB32);
}

double luminance(const QColor& c) {
    return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
}

TEST(ReportFigure, NoBackgroundLeftInsideTheDepositedBody) {
    for (ColourMode mode : {ColourMode::Depth, ColourMode::Porosity, ColourMode::TimeLines}) {
        SCOPED_TRACE(int(mode));
        const SectionSnapshot& s = default_run(mode);
        ASSERT_EQ(s.count, 101);
        const QImage image = png_of(s, QSize(1600, 800));
        ASSERT_EQ(image.size(), QSize(1600, 800));
        const QRectF plot = report_layout(image.size()).plot;
        const double* surface = s.horizon_z(s.count);
        int checked = 0, background = 0;
        for (int x = int(plot.left()) + 2; x < int(plot.right()) - 2; ++x) {
            // The lowest surface point near this pixel column, two pixels in.
            const double from = (x - plot.left()) / plot.width() * COLUMN_COUNT;
            double deepest = 0;
            for (int j = std::max(1, int(from) - 2); j <= std::min(COLUMN_COUNT, int(from) + 3);
                 ++j) {
                deepest = std::max(deepest, surface[j]);
            }
            const int top =
                int(std::ceil(plot.top() + deepest / s.params.max_y * plot.height())) + 2;
            for (int y = top; y < int(plot.bottom()) - 1; ++y) {
                ++checked;
                background += image.pixelColor(x, y) == kWhite ? 1 : 0;
            }
        }
        EXPECT_GT(checked, 100000);
        EXPECT_EQ(background, 0);
    }
}

TEST(ReportFigure, PaletteIsOrderedAndShownInTheColourBar) {
    const QImage image = png_of(default_run(ColourMode::Depth), QSize(1600, 800));
    const QRectF bar = report_layout(image.size()).colour_bar;
    for (ColourMode mode : {ColourMode::Depth, ColourMode::Distance, ColourMode::Porosity}) {
        SCOPED_TRACE(int(mode));
        // Lightest for the shallowest and the nearest, and for the most porous.
        const double direction = mode == ColourMode::Porosity ? 1 : -1;
        for (int c = 1; c < 5; ++c) {
            EXPECT_GT(direction * (luminance(report_class_colour(mode, c)) -
                                   luminance(report_class_colour(mode, c - 1))),
                      0.05)
                << "class " << c;
        }
    }
    for (int c = 0; c < 5; ++c) {
        const QPoint centre(int(bar.center().x()), int(bar.top() + (c + 0.5) * bar.height() / 5));
        EXPECT_EQ(image.pixelColor(centre), report_class_colour(ColourMode::Depth, c)) << c;
    }
    EXPECT_FALSE(report_layout(image.size()).plot.intersects(bar));
    EXPECT_FALSE(
        report_layout(image.size()).plot.intersects(report_layout(image.size()).sea_level));
}

// Flat layers 40 m thick over a flat substrate; layer h of class h - 2
// (depth attribute 3, 10, 20, 50, 200). The columns are 1.5 m apart over a
// 3000 m by 600 m section, a fault at 1500 m.
SectionSnapshot layer_cake(int count, double throw_at_fault = 0) {
    SectionSnapshot s;
    s.params.max_x = 3000;
    s.params.max_y = 600;
    s.params.fault1 = 1500;
    s.params.fault2 = 3000;
    s.params.display_inc = 1000;
    s.dt = 1;
    s.dx = 1.5;
    s.count = count;
    s.x_values.resize(COLUMN_SLOTS);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        s.x_values[j] = 1.5 * j;
    }
    s.z.assign(std::size_t(count) * COLUMN_SLOTS, 0);
    s.attribute.assign(std::size_t(count) * COLUMN_SLOTS, 0);
    const double attribute[] = {3, 10, 20, 50, 200};
    for (int h = 1; h <= count; ++h) {
        for (int j = 1; j <= COLUMN_COUNT; ++j) {
            const std::size_t at = std::size_t(h - 1) * COLUMN_SLOTS + std::size_t(j);
            s.z[at] = 500 - 40 * (h - 1) + (1.5 * j >= 1500 ? throw_at_fault : 0);
            s.attribute[at] = attribute[(h + 3) % 5];
        }
    }
    for (int k = 1; k <= count; ++k) {
        s.sealevels[std::size_t(k)] = 300 - 10 * k;
    }
    return s;
}

// Coloured by depth of deposition, a layer laid down on land is brown where
// it was laid down on land and keeps its class elsewhere; the colour bar
// names the brown. Other modes have no such class.
TEST(ReportFigure, LayersLaidDownOnLandAreAClassOfTheirOwn) {
    SectionSnapshot s = layer_cake(5);
    for (int j = 1; j <= COLUMN_COUNT / 2; ++j) {
        s.attribute[2 * std::size_t(COLUMN_SLOTS) + std::size_t(j)] = 0;  // layer 3, left half
    }
    const QSize size(1600, 800);
    const ReportLayout layout = report_layout(size);
    // Layer 3 lies between 460 m and 420 m.
    const int y = int(layout.plot.top() + 440.0 / 600 * layout.plot.height());
    const int left = int(layout.plot.left() + 0.25 * layout.plot.width());
    const int right = int(layout.plot.left() + 0.75 * layout.plot.width());
    const QPoint swatch(int(layout.colour_bar.center().x()), int(layout.colour_bar.bottom() + 16));
    const QImage depth = png_of(s, size);
    EXPECT_EQ(depth.pixelColor(left, y), kReportSubaerial);
    EXPECT_EQ(depth.pixelColor(right, y), report_class_colour(ColourMode::Depth, 1));
    EXPECT_EQ(depth.pixelColor(swatch), kReportSubaerial);
    s.display.draw_depthdepo = 0;
    s.display.draw_porosity = 1;
    const QImage porosity = png_of(s, size);
    EXPECT_EQ(porosity.pixelColor(left, y), report_class_colour(ColourMode::Porosity, 0));
    EXPECT_NE(porosity.pixelColor(swatch), kReportSubaerial);
}

// The sea-level curve starts at the level of time 0, not at slot 1's
// planned value, and follows the recorded levels after it.
TEST(ReportFigure, SeaLevelCurveStartsAtTimeZero) {
    SectionSnapshot s = layer_cake(5);
    s.params.baselevel = 250;
    ASSERT_EQ(s.sealevels[1], 290);
    EXPECT_EQ(report_sea_level_elevation(s, 1), 600 - 250);
    EXPECT_EQ(report_sea_level_elevation(s, 2), 600 - 280);
    EXPECT_EQ(report_sea_level_elevation(s, 5), 600 - 250);
}

// Words and their centres (in points) from pdftotext -bbox.
std::vector<std::pair<QString, QPointF>> pdf_words(const QString& pdf) {
    QProcess tool;
    tool.start("pdftotext", {"-bbox", pdf, "-"});
    EXPECT_TRUE(tool.waitForFinished(20000));
    QXmlStreamReader xml(tool.readAllStandardOutput());
    std::vector<std::pair<QString, QPointF>> words;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"word") {
            const auto a = xml.attributes();
            const QPointF centre((a.value("xMin").toDouble() + a.value("xMax").toDouble()) / 2,
                                 (a.value("yMin").toDouble() + a.value("yMax").toDouble()) / 2);
            words.emplace_back(xml.readElementText(), centre);
        }
    }
    return words;
}

TEST(ReportFigure, AxisTickLabelsWhereTheTicksAre) {
    VENDREL_SKIP_UNDER_TSAN();
    const SectionSnapshot s = layer_cake(5);
    QTemporaryDir dir;
    const QString path = dir.filePath("figure.pdf");
    FigureRequest request;
    request.size = QSize(1600, 800);
    save_figure(path.toStdString(), s, request);
    const ReportLayout layout = report_layout(request.size);
    const auto words = pdf_words(path);
    // The word `text` nearest to where its label belongs.
    auto find = [&](const QString& text, double near_x, double near_y) {
        QPointF best(1e9, 1e9);
        for (const auto& [word, centre] : words) {
            if (word == text && QLineF(centre, QPointF(near_x, near_y)).length() <
                                    QLineF(best, QPointF(near_x, near_y)).length()) {
                best = centre;
            }
        }
        EXPECT_LT(QLineF(best, QPointF(near_x, near_y)).length(), 30) << text.toStdString();
        return best;
    };
    // 3000 m over 1338 pixels: a tick every 200 m (89 pixels); 600 m over
    // 712 pixels: every 100 m. Points are 0.75 figure pixels.
    const std::vector<AxisTick> xs = x_axis_ticks(layout, 3000);
    ASSERT_EQ(xs.size(), 16u);
    for (const AxisTick& t : xs) {
        SCOPED_TRACE(t.value);
        EXPECT_DOUBLE_EQ(t.value, 200.0 * double(&t - xs.data()));
        EXPECT_DOUBLE_EQ(t.position, layout.plot.left() + t.value / 3000 * layout.plot.width());
        const QPointF at =
            find(QString::number(t.value), 0.75 * t.position, 0.75 * (layout.plot.bottom() + 14));
        EXPECT_NEAR(at.x(), 0.75 * t.position, 1.5);
    }
    const std::vector<AxisTick> ys = elevation_axis_ticks(layout, 600);
    ASSERT_EQ(ys.size(), 7u);
    for (const AxisTick& t : ys) {
        SCOPED_TRACE(t.value);
        EXPECT_DOUBLE_EQ(t.position, layout.plot.bottom() - t.value / 600 * layout.plot.height());
        const QPointF at =
            find(QString::number(t.value), 0.75 * (layout.plot.left() - 20), 0.75 * t.position);
        EXPECT_NEAR(at.y(), 0.75 * t.position, 2.5);
    }
}

// An axis of any positive range, from the smallest subnormal to the largest
// double, gets a finite positive step and no more ticks than fit its pixels
// 60 apart (its ends at the least), all on the axis.
TEST(ReportFigure, AxisTicksOfAnyRangeFitTheirPixels) {
    const double ranges[] = {4.9e-324, 1e-310, 1e-300,  0.3,
                             3000,     1e300,  1.7e308, std::numeric_limits<double>::max()};
    const double lengths[] = {1, 100, 1338};
    for (double range : ranges) {
        for (double length : lengths) {
            SCOPED_TRACE(std::to_string(range) + " over " + std::to_string(length));
            const double step = tick_step(range, length);
            ASSERT_TRUE(step > 0 && std::isfinite(step)) << step;
            const std::vector<AxisTick> ticks = axis_ticks(range, length, 10, 1);
            ASSERT_FALSE(ticks.empty());
            EXPECT_LE(ticks.size(), std::size_t(std::max(length / 60, 1.0)) + 1);
            EXPECT_EQ(ticks.front().value, 0);
            for (const AxisTick& t : ticks) {
                EXPECT_GE(t.position, 10);
                EXPECT_LE(t.position, 10 + length * (1 + 1e-9));
            }
        }
    }
}

TEST(ReportFigure, PdfIsOnePageOfTheFiguresSizeWithItsTexts) {
    VENDREL_SKIP_UNDER_TSAN();
    QTemporaryDir dir;
    const QString path = dir.filePath("figure.pdf");
    FigureRequest request;
    request.size = QSize(1600, 800);
    save_figure(path.toStdString(), default_run(ColourMode::Depth), request);
    QProcess info;
    info.start("pdfinfo", {path});
    ASSERT_TRUE(info.waitForFinished(20000));
    const QString text = info.readAllStandardOutput();
    EXPECT_TRUE(text.contains(QRegularExpression("Pages:\\s+1\\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("Page size:\\s+1200 x 600 pts")))
        << text.toStdString();
    QProcess words;
    words.start("pdftotext", {path, "-"});
    ASSERT_TRUE(words.waitForFinished(20000));
    const QString all = QString::fromUtf8(words.readAllStandardOutput());
    for (const char* label :
         {"Distance (m)", "Elevation (m)", "VE \u00d72.1", "Run of 200.0 ka, 101 horizons",
          "Depth of Deposition (m)", "Sea level (m)", "Time (ka)", "Subaerial"}) {
        EXPECT_TRUE(all.contains(QString::fromUtf8(label))) << label;
    }
}

struct SvgPath {
    QString fill;
    double left, right;
};

std::vector<SvgPath> svg_paths(const QByteArray& svg) {
    std::vector<SvgPath> paths;
    QXmlStreamReader xml(svg);
    QStringList fills{"none"};
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == u"g") {
            fills << (xml.attributes().hasAttribute("fill")
                          ? xml.attributes().value("fill").toString()
                          : fills.back());
        } else if (token == QXmlStreamReader::EndElement && xml.name() == u"g") {
            fills.removeLast();
        } else if (token == QXmlStreamReader::StartElement && xml.name() == u"path") {
            SvgPath p{fills.back(), 1e9, -1e9};
            const QStringList parts = xml.attributes().value("d").toString().split(
                QRegularExpression("[MLZ ]"), Qt::SkipEmptyParts);
            for (const QString& pair : parts) {
                const double x = pair.section(',', 0, 0).toDouble();
                p.left = std::min(p.left, x);
                p.right = std::max(p.right, x);
            }
            paths.push_back(p);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return paths;
}

TEST(ReportFigure, SvgHoldsOnePathPerLayerSplitAtASlippingFault) {
    FigureRequest request;
    request.size = QSize(1600, 800);
    const ReportLayout layout = report_layout(request.size);
    const double wall = std::round(layout.plot.left() + 0.5 * layout.plot.width());
    const struct {
        const char* name;
        double slip;
        double throw_at_fault;
        int sides;
    } cases[] = {
        {"a fault without slip cuts nothing", 0, 0, 1},
        {"a slipping fault splits before any throw", 1, 0, 2},
        {"20 m throw", 1, 20, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SectionSnapshot s = layer_cake(5, c.throw_at_fault);
        s.params.slip1 = c.slip;
        const auto paths = svg_paths(encode_figure(s, FigureFormat::Svg, request));
        // Four layers and the substrate on each side of the fault.
        ASSERT_EQ(paths.size(), std::size_t(5 * c.sides));
        for (const SvgPath& p : paths) {
            EXPECT_TRUE(c.sides == 1 || p.right <= wall + 0.05 || p.left >= wall - 0.05)
                << p.left << " .. " << p.right << " crosses the fault at " << wall;
        }
        EXPECT_EQ(std::count_if(paths.begin(), paths.end(),
                                [&](const SvgPath& p) {
                                    return p.fill ==
                                           report_class_colour(ColourMode::Depth, 0).name();
                                }),
                  c.sides)
            << "the top layer (class 1) once on each side";
    }
}

// A fault without slip leaves no seam: every pixel of the plot at the
// fault's x has the colour of the pixels a little beside it.
TEST(ReportFigure, NoSeamAtAFaultWithoutSlip) {
    const SectionSnapshot s = layer_cake(5);
    ASSERT_EQ(s.params.slip1, 0);
    const QImage image = png_of(s, QSize(1600, 800));
    const QRectF plot = report_layout(image.size()).plot;
    const int fault = int(std::round(plot.left() + 0.5 * plot.width()));
    int differing = 0;
    for (int y = int(plot.top()) + 2; y < int(plot.bottom()) - 1; ++y) {
        for (int x = fault - 1; x <= fault; ++x) {
            differing += image.pixel(x, y) != image.pixel(fault - 6, y);
        }
    }
    EXPECT_EQ(differing, 0);
}

// A block lowered below the base of the section stays in the figure: the
// plot reaches down to the lowest horizon and the elevation axis below 0.
TEST(ReportFigure, EveryHorizonInsideThePlot) {
    SectionSnapshot s = layer_cake(5, 150);  // the right half down to 650 m
    s.params.slip1 = 1;
    double top = 0, bottom = 0;
    report_depth_range(s, top, bottom);
    EXPECT_EQ(top, 0);
    EXPECT_EQ(bottom, 650);
    const QSize size(1600, 800);
    const ReportLayout layout = report_layout(size);
    const QImage image = png_of(s, size);
    // Layer 2 (class 1) lies between 650 m and 610 m on the right.
    const int x = int(layout.plot.left() + 0.75 * layout.plot.width());
    const int y = int(layout.plot.top() + 630.0 / 650 * layout.plot.height());
    EXPECT_EQ(image.pixelColor(x, y), report_class_colour(ColourMode::Depth, 0));
    const std::vector<AxisTick> ticks = elevation_axis_ticks(layout, 600 - bottom, 600 - top);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().value, 0);
    EXPECT_NEAR(ticks.front().position, layout.plot.bottom() - 50.0 / 650 * layout.plot.height(),
                1e-9);
    EXPECT_EQ(ticks.back().value, 600);
    EXPECT_NEAR(ticks.back().position, layout.plot.top(), 1e-9);
}

// Time-lines follow every horizon where they lie apart on the page and
// end where they converge: 40 layers 5 m thick on the left thin to 5 cm on
// the right, where only the initial surface and the newest horizon run on.
TEST(ReportFigure, TimeLinesThinnedWhereTheyConverge) {
    SectionSnapshot s = layer_cake(41);
    for (int h = 1; h <= s.count; ++h) {
        for (int j = 1; j <= COLUMN_COUNT; ++j) {
            s.z[std::size_t(h - 1) * COLUMN_SLOTS + std::size_t(j)] =
                500 - (j <= 1000 ? 5.0 : 0.05) * (h - 1);
        }
    }
    FigureRequest request;
    request.size = QSize(1600, 800);
    const QRectF plot = report_layout(request.size).plot;
    const QByteArray svg = encode_figure(s, FigureFormat::Svg, request);
    QXmlStreamReader xml(svg);
    int left = 0, right = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"polyline") {
            continue;
        }
        double low = 1e9, high = -1e9;
        for (const QString& pair :
             xml.attributes().value("points").toString().split(' ', Qt::SkipEmptyParts)) {
            const double x = pair.section(',', 0, 0).toDouble();
            low = std::min(low, x);
            high = std::max(high, x);
        }
        if (low < plot.left() - 1 || high > plot.right() + 1 || high - low < 1) {
            continue;  // not a time-line: beside the plot, or an axis tick
        }
        left += low < plot.left() + 0.25 * plot.width();
        right += high > plot.left() + 0.75 * plot.width();
    }
    EXPECT_EQ(left, 41);
    EXPECT_EQ(right, 2);
}

TEST(ReportFigure, FilesAllOrNothingAndRasterLimit) {
    QTemporaryDir dir;
    const SectionSnapshot s = layer_cake(5);
    const std::string png = dir.filePath("figure.png").toStdString();
    write_file(png, "old");
    const struct {
        const char* name;
        QSize size;
        double dpi;
        bool refused;
        QSize pixels;
    } cases[] = {
        {"at 96 dpi", {400, 300}, 96, false, {400, 300}},
        {"at 192 dpi: twice the pixels", {400, 300}, 192, false, {800, 600}},
        {"just over 100 megapixels", {10001, 10000}, 96, true, {}},
        {"over the limit through the resolution", {2000, 2000}, 96 * 6, true, {}},
        {"an empty size", {0, 300}, 96, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FigureRequest request;
        request.size = c.size;
        request.dpi = c.dpi;
        if (c.refused) {
            EXPECT_THROW(save_figure(png, s, request), FigureError);
            EXPECT_EQ(read_file(png), "old") << "a refused figure leaves the file as it was";
            continue;
        }
        save_figure(png, s, request);
        QImage image(QString::fromStdString(png));
        EXPECT_EQ(image.size(), c.pixels);
        EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, c.dpi, 0.5);
        write_file(png, "old");
    }
    EXPECT_THROW(save_figure(dir.filePath("figure.bmp").toStdString(), s, FigureRequest{}),
                 FigureError);
    EXPECT_EQ(figure_format_of("a/B.SVG"), FigureFormat::Svg);
    EXPECT_EQ(figure_format_of("svg"), std::nullopt);
}

}  // namespace
}  // namespace vendrel
