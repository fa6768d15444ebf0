#include "view/section_renderer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QSvgGenerator>
#include <QXmlStreamReader>
#include <cmath>
#include <limits>
#include <vector>

#include "view/class_colours.h"
#include "view/navigation.h"
#include "view/section_snapshot.h"

void PrintTo(const QColor& c, std::ostream* os) {
    *os << "(" << c.red() << ", " << c.green() << ", " << c.blue() << ")";
}

namespace vendrel {
namespace {

const QColor kRed(255, 0, 0), kBlue(0, 0, 255), kGreen(0, 255, 0), kPurple(155, 30, 125),
    kOlive(155, 155, 40), kGrey(220, 220, 220), kBlack(0, 0, 0), kWhite(255, 255, 255);

TEST(Navigation, Mapping) {
    NavigationState n;
    const ViewMapping map(n, 2000, 500, 1000, 400);
    EXPECT_EQ(map.X(2000), 1000);  // column 2000 at the right edge
    EXPECT_EQ(map.Y(500), 400);
    EXPECT_EQ(map.X(1), 0);  // trunc(1000 / 2000)
    EXPECT_EQ(map.X(3), 1);
    EXPECT_DOUBLE_EQ(vertical_exaggeration(2000, 500, 1000, 500), 2.0);
}

TEST(Navigation, ZoomKeepsTheTopLeftCornerAndDrifts) {
    NavigationState n;
    n.pan_x = 30;
    n.pan_y = -20;
    const ViewMapping before(n, 2000, 500, 1000, 400);
    zoom_in(n);
    const ViewMapping after(n, 2000, 500, 1000, 400);
    EXPECT_EQ(after.X(0), before.X(0));
    EXPECT_EQ(after.Y(0), before.Y(0));
    EXPECT_EQ(after.X(1000), 750 - 30);  // half the width, times 1.5, less the pan
    zoom_in(n);
    zoom_out(n);
    zoom_out(n);
    EXPECT_NEAR(n.zoom_x, 0.99998, 1e-5);
    EXPECT_NE(n.zoom_x, 1.0);
    EXPECT_EQ(n.zoom_x, n.zoom_y);
}

TEST(Navigation, PanStepFollowsTheDisplayScale) {
    NavigationState n;
    n.dpi_scale = 1.25;
    move_model_left(n);
    EXPECT_EQ(n.pan_x, 62);
    move_model_down(n);
    EXPECT_EQ(n.pan_y, -62);
    EXPECT_EQ(scaled(70, 1.25), 87);
}

TEST(Navigation, ZoomIsBoundedSoCoordinatesStayInRange) {
    NavigationState n;
    for (int k = 0; k < 200; ++k) {
        zoom_in(n);
    }
    EXPECT_EQ(n.zoom_x, kMaxZoom);
    const ViewMapping map(n, 2000, 500, 4000, 4000);
    EXPECT_GT(map.X(2000), 0);
    EXPECT_GT(map.Y(1e9), map.Y(500));  // far outside the section, still ordered
    EXPECT_LT(map.Y(std::nan("")), 0);
    for (int k = 0; k < 400; ++k) {
        zoom_out(n);
    }
    EXPECT_EQ(n.zoom_y, kMinZoom);
}

// A section of `count` flat horizons, horizon h at depth 100 + 50 h, every
// attribute value 1; the sea level at 300, sea-level line and panel off.
SectionSnapshot flat_section(int count) {
    SectionSnapshot s;
    s.display.draw_bl = 0;
    s.count = count;
    s.x_values.resize(COLUMN_SLOTS);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        s.x_values[j] = j;
    }
    s.z.assign(std::size_t(count) * COLUMN_SLOTS, 0);
    s.attribute.assign(std::size_t(count) * COLUMN_SLOTS, 1);
    for (int h = 1; h <= count; ++h) {
        for (int j = 1; j <= COLUMN_COUNT; ++j) {
            s.z[std::size_t(h - 1) * COLUMN_SLOTS + j] = 100 + 50 * h;
        }
    }
    s.current_sea_level = 300;
    s.increment_count = 100;
    return s;
}

void set_attribute(SectionSnapshot& s, int h, int first, int last, double v) {
    for (int j = first; j <= last; ++j) {
        s.attribute[std::size_t(h - 1) * COLUMN_SLOTS + j] = v;
    }
}
void set_depth(SectionSnapshot& s, int h, int first, int last, double z) {
    for (int j = first; j <= last; ++j) {
        s.z[std::size_t(h - 1) * COLUMN_SLOTS + j] = z;
    }
}

// 1000 x 500 pixels: 2 m per pixel across, 1 m per pixel down.
QImage render(const SectionSnapshot& s, NavigationState n = {}) {
    QImage image(1000, 500, QImage::Format_RGB32);
    QPainter painter(&image);
    render_section(painter, s, n, image.size());
    return image;
}
QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// The column drawn at a model position: column j's flat segment runs from
// its own x to the next column's, so the right half of a step is still
// column j, not its nearer neighbour.
TEST(SectionRenderer, ColumnDrawnAtAPosition) {
    std::vector<double> x(COLUMN_SLOTS);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        x[std::size_t(j)] = j;  // 2000 m, 1 m apart
    }
    const struct {
        double x;
        int column;
    } cases[] = {
        {0.5, 0},        {1.0, 1},       {1.1, 1},    {1.9, 1}, {2.0, 2},          {999.7, 999},
        {1999.99, 1999}, {2000.0, 2000}, {2000.1, 0}, {-3, 0},  {std::nan(""), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(section_column_at(x.data(), c.x), c.column);
    }
}

TEST(SectionRenderer, ClassColoursAtAndAboveThresholds) {
    SectionSnapshot s = flat_section(1);
    s.display.depth1 = 5;
    set_attribute(s, 1, 1, 400, 5);                            // exactly T1: class 1
    set_attribute(s, 1, 401, 800, std::nextafter(5.0, 10.0));  // just above: class 2
    set_attribute(s, 1, 801, 1200, 35);                        // T3: class 3
    set_attribute(s, 1, 1201, 1600, 125.5);                    // above T4: class 5
    set_attribute(s, 1, 1601, 2000, std::numeric_limits<double>::quiet_NaN());
    const QImage image = render(s);
    const int y = 150;
    EXPECT_EQ(at(image, 100, y), kRed);
    EXPECT_EQ(at(image, 300, y), kBlue);
    EXPECT_EQ(at(image, 500, y), kGreen);
    EXPECT_EQ(at(image, 700, y), kOlive);
    EXPECT_EQ(at(image, 900, y), kOlive) << "NaN is class 5";
    EXPECT_EQ(at(image, 100, y - 1), kRed) << "class pens are 3 pixels wide";
    EXPECT_EQ(at(image, 100, y + 1), kRed);
    EXPECT_EQ(at(image, 100, y - 2), kGrey);
}

TEST(SectionRenderer, ModePrecedenceAndLegend) {
    SectionSnapshot s = flat_section(1);
    set_attribute(s, 1, 1, 2000, 40);  // depth class 4, distance class 1 (<= 45 is class 2)
    s.display.draw_depthdepo = 1;
    s.display.draw_distance = 1;
    EXPECT_EQ(colour_mode(s.display), ColourMode::Depth);
    EXPECT_EQ(at(render(s), 500, 150), kPurple);

    s.display.draw_depthdepo = 0;
    s.display.draw_distance = 0;
    s.display.draw_porosity = 0;
    const QImage lines = render(s);
    EXPECT_EQ(at(lines, 500, 150), kBlack) << "time-lines are thin black";
    EXPECT_EQ(at(lines, 500, 149), kGrey);
    EXPECT_EQ(at(lines, 500, 151), kGrey);
    EXPECT_EQ(at(lines, 100, 500 - 100), kGrey) << "no legend frame in time-lines mode";

    s.display.draw_depthdepo = 1;
    const QImage legend = render(s);
    EXPECT_EQ(at(legend, 100, 500 - 100), kWhite) << "legend frame";
    EXPECT_EQ(at(legend, 20, 500 - 50), kRed) << "class 1 swatch";
    EXPECT_EQ(at(legend, 20, 500 - 160), kOlive) << "class 5 swatch";
}

TEST(SectionRenderer, SeaLevelLineBreaksOverEmergentColumns) {
    SectionSnapshot s = flat_section(1);
    s.display.draw_bl = 1;
    set_depth(s, 1, 1, 500, 250);     // above sea level (300)
    set_depth(s, 1, 501, 2000, 400);  // submerged
    const QImage image = render(s);
    EXPECT_EQ(at(image, 200, 300), kGrey);
    EXPECT_EQ(at(image, 400, 300), kBlue);
}

TEST(SectionRenderer, MarkerLabelEvenWithoutLine) {
    SectionSnapshot s = flat_section(1);
    s.display.draw_bath = 1;
    s.display.bath_marker = 50;  // level 350, deeper than every column (150)
    const QImage image = render(s);
    EXPECT_EQ(at(image, 500, 350), kGrey) << "no marker line";
    int dark = 0;
    for (int x = 1000 - 120; x < 1000 - 40; ++x) {
        for (int y = 335; y < 352; ++y) {
            dark += at(image, x, y).lightness() < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 10) << "the label \"-50.0 m\" near the right edge";

    set_depth(s, 1, 1, 2000, 420);
    EXPECT_EQ(at(render(s), 500, 350), kPurple) << "marker line over deeper columns";
}

TEST(SectionRenderer, EveryStepThinsOnlyWhileRunning) {
    SectionSnapshot s = flat_section(8);  // horizons at 150, 200, ..., 500
    s.display.every_step = 3;
    s.display.draw_depthdepo = 0;
    s.running = true;
    QImage image = render(s);
    for (int h = 1; h <= 7; ++h) {
        const bool drawn = h == 1 || h == 4 || h == 7;
        EXPECT_EQ(at(image, 500, 100 + 50 * h) == kBlack, drawn) << "slot " << h;
    }
    s.running = false;
    image = render(s);
    for (int h = 1; h <= 7; ++h) {
        EXPECT_EQ(at(image, 500, 100 + 50 * h), kBlack) << "slot " << h;
    }
    s.display.every_step = 0;  // counts as 1
    s.running = true;
    EXPECT_EQ(at(render(s), 500, 200), kBlack);
}

TEST(SectionRenderer, PanelColoursRecordedAndPlannedSegments) {
    SectionSnapshot s = flat_section(3);
    s.display.draw_bl = 1;
    s.params.totaltime = 1000;
    s.params.display_inc = 100;  // n = 10: 40 pixels per increment
    s.increment_count = 10;
    s.sealevel_min = 200;
    s.sealevel_max = 300;
    for (int k = 0; k <= 10; ++k) {
        s.sealevels[k] = 250;  // flat at panel y 10 + 125
    }
    const QImage image = render(s);
    const int left = 1000 - 420, top = 500 - 320;
    EXPECT_EQ(at(image, left + 60, top + 135), kRed) << "segment to slot 3 (recorded)";
    EXPECT_EQ(at(image, left + 100, top + 135), kBlack) << "segment to slot 4 (planned)";
    EXPECT_EQ(at(image, left + 100, top + 137), kWhite) << "the planned segment is thin";
    EXPECT_EQ(at(image, left + 1, top + 1), kWhite);
    EXPECT_EQ(at(image, left, top + 50), kBlack) << "panel outline";
}

TEST(SectionRenderer, FlatPlannedCurveDrawsAtTheTopOfThePanel) {
    SectionSnapshot s = flat_section(1);
    s.display.draw_bl = 1;
    s.params.totaltime = 1000;
    s.params.display_inc = 100;
    s.increment_count = 10;
    s.sealevel_min = s.sealevel_max = 250;
    s.sealevels.fill(250);
    const QImage image = render(s);
    EXPECT_EQ(at(image, 1000 - 420 + 200, 500 - 320 + 10), kBlack);
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

// The texts a picture draws, read back from its SVG rendering.
QStringList drawn_texts(const SectionSnapshot& s, const NavigationState& n) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(1000, 500));
    {
        QPainter painter(&svg);
        render_section(painter, s, n, QSize(1000, 500));
    }
    QStringList texts;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"text") {
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return texts;
}

TEST(SectionRenderer, ScaleBarLabelStatesWhatTheBarSpans) {
    // The bar stays 2 x 50 pixels long (100 m at zoom 1 over 2 m per pixel).
    const struct {
        int zoom_ins, zoom_outs;
        const char* label;
    } cases[] = {
        {0, 0, "scale = 200.0 m"}, {1, 0, "scale = 133.3 m"}, {2, 0, "scale = 88.9 m"},
        {0, 1, "scale = 300.0 m"}, {1, 1, "scale = 200.0 m"},  // 1.5 x 0.66666 drifts below 1 by
                                                               // 1e-5
    };
    const SectionSnapshot s = flat_section(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        NavigationState n;
        for (int k = 0; k < c.zoom_ins; ++k) {
            zoom_in(n);
        }
        for (int k = 0; k < c.zoom_outs; ++k) {
            zoom_out(n);
        }
        EXPECT_TRUE(drawn_texts(s, n).contains(c.label))
            << drawn_texts(s, n).join(" | ").toStdString();
        const QImage image = render(s, n);
        EXPECT_EQ(at(image, 300 + 99, 500 - 40), kBlack) << "the bar keeps its length";
        EXPECT_EQ(at(image, 300 + 101, 500 - 40), kGrey);
    }
}

// Where two segments of one horizon overlap, the later column wins, as
// drawing them one after the other gives, whatever their classes.
TEST(SectionRenderer, LaterColumnWinsWhereSegmentsOfAHorizonOverlap) {
    // Columns 1..1000 and 1001..2000 at 2 m per pixel: the first run ends at
    // x 500, the second starts there; the 3-pixel pens overlap on 499..501.
    const struct {
        const char* name;
        double first, second;  // depth attribute: class 1 (3), class 5 (200)
        double second_depth;   // horizon depth of the second run
        int x, y;              // probed pixel
        QColor expected;
    } cases[] = {
        {"high class then low class", 200, 3, 150, 500, 150, kRed},
        {"low class then high class", 3, 200, 150, 500, 150, kOlive},
        {"a step down: the later run covers its rows", 200, 3, 151, 500, 151, kRed},
        {"a step down: above it the earlier run stays", 200, 3, 151, 501, 149, kOlive},
        {"a step up", 200, 3, 149, 500, 150, kRed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SectionSnapshot s = flat_section(1);
        set_attribute(s, 1, 1, 1000, c.first);
        set_attribute(s, 1, 1001, 2000, c.second);
        set_depth(s, 1, 1001, 2000, c.second_depth);
        EXPECT_EQ(at(render(s), c.x, c.y), c.expected);
    }
}

// On a plain image the horizons' rectangles are written straight into the
// pixels; the result must be what the painter's own fills give (played back
// from a recording, which takes the painter's path), in every mode, with
// overlapping pens of several colours and rectangles beyond the image.
TEST(SectionRenderer, DirectFillsEqualThePaintersFills) {
    SectionSnapshot s = flat_section(40);
    for (int h = 1; h <= s.count; ++h) {
        for (int j = 1; j <= COLUMN_COUNT; ++j) {
            const std::size_t k = std::size_t(h - 1) * COLUMN_SLOTS + std::size_t(j);
            s.z[k] = 100 + 8 * h + 30 * std::sin(j / 97.0 + h) + (j % 7);
            s.attribute[k] = std::fmod(j * 0.37 + h * 11.0, 160.0);
        }
    }
    s.display.draw_bl = 1;
    s.display.draw_bath = 1;
    const struct {
        const char* name;
        int depth, porosity, simple;
        double zoom;
        int pan_x, pan_y;
    } cases[] = {
        {"depth classes", 1, 0, 0, 1, 0, 0},
        {"porosity classes, zoomed and panned", 0, 1, 0, 3, 700, 150},
        {"time-lines, zoomed out", 0, 0, 1, 0.4, -50, -20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        s.display.draw_depthdepo = c.depth;
        s.display.draw_porosity = c.porosity;
        s.display.draw_simple = c.simple;
        NavigationState n;
        n.zoom_x = n.zoom_y = c.zoom;
        n.pan_x = c.pan_x;
        n.pan_y = c.pan_y;
        const QImage direct = render(s, n);
        QPicture recording;
        {
            QPainter painter(&recording);
            render_section(painter, s, n, direct.size());
        }
        QImage played(direct.size(), QImage::Format_RGB32);
        {
            QPainter painter(&played);
            painter.drawPicture(0, 0, recording);
        }
        EXPECT_TRUE(direct == played);
    }
}

}  // namespace
}  // namespace vendrel
