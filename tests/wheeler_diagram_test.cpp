// The Wheeler diagram: hand-made sections whose diagram is known, checked
// at the pixels where the layout puts each cell, on the raster path and on
// the vector path (played back from a QPicture); a short run against the
// hiatuses that stratigraphy counts; its files read back.

#include "view/wheeler_diagram.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <chrono>
#include <cmath>
#include <string>

#include "document/project.h"
#include "document/stratigraphy.h"
#include "tests/test_support.h"
#include "view/class_colours.h"
#include "view/report_palette.h"

namespace vendrel {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kGrey(150, 150, 150);

// Four horizons over a flat base at 400 m; horizon h's layer lies at depth
// of deposition 3, 10 and 20 m for h = 2, 3, 4 (classes 1, 2, 3), depth
// mode. Columns 1..1000 are the platform, 1001..2000 the basin.
SectionSnapshot four_horizons() {
    SectionSnapshot s;
    s.display.draw_bl = 0;
    s.count = 4;
    s.x_values.resize(COLUMN_SLOTS);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        s.x_values[j] = j;
    }
    s.z.assign(std::size_t(s.count) * COLUMN_SLOTS, 0);
    s.attribute.assign(std::size_t(s.count) * COLUMN_SLOTS, 0);
    const double depth[] = {0, 3, 10, 20};
    for (int h = 1; h <= s.count; ++h) {
        for (int j = 1; j <= COLUMN_COUNT; ++j) {
            s.z[std::size_t(h - 1) * COLUMN_SLOTS + j] = 400 - 50 * (h - 1);
            s.attribute[std::size_t(h - 1) * COLUMN_SLOTS + j] = depth[h - 1];
        }
    }
    for (int h = 1; h <= s.count; ++h) {
        s.sealevels[std::size_t(h)] = 300 + h;
    }
    return s;
}

void set_z(SectionSnapshot& s, int h, int first, int last, double z) {
    for (int j = first; j <= last; ++j) {
        s.z[std::size_t(h - 1) * COLUMN_SLOTS + j] = z;
    }
}

void set_attribute(SectionSnapshot& s, int h, int first, int last, double v) {
    for (int j = first; j <= last; ++j) {
        s.attribute[std::size_t(h - 1) * COLUMN_SLOTS + j] = v;
    }
}

// The expected picture: for rows 2, 3, 4 a letter for the platform and one
// for the basin: 'c' the row's class colour, '0'..'4' that class's colour,
// 's' the colour of layers laid down on land, 'g' the time-lines grey, 'w'
// white.
struct Case {
    const char* name;
    void (*make)(SectionSnapshot&);
    std::array<const char*, 3> rows;
};

const Case kCases[] = {
    {"layer 3 with zero thickness everywhere",
     [](SectionSnapshot& s) {
         set_z(s, 3, 1, 2000, 350);
         set_z(s, 4, 1, 2000, 300);
     },
     {"cc", "ww", "cc"}},
    {"layer 2 deposited only in the basin",
     [](SectionSnapshot& s) {
         set_z(s, 2, 1, 1000, 400);
         set_z(s, 3, 1, 1000, 350);
         set_z(s, 4, 1, 1000, 300);
     },
     {"wc", "cc", "cc"}},
    {"layer 2 just 1 mm thick on the platform, 1.1 mm in the basin",
     [](SectionSnapshot& s) {
         set_z(s, 2, 1, 1000, 399.999);
         set_z(s, 2, 1001, 2000, 399.9989);
     },
     {"wc", "cc", "cc"}},
    // Horizon 4 cut down to 380 m on the platform; the older horizons were
    // truncated to it, so layers 3 and 4 are gone there.
    {"truncation of older horizons by a younger one",
     [](SectionSnapshot& s) {
         set_z(s, 2, 1, 1000, 380);
         set_z(s, 3, 1, 1000, 380);
         set_z(s, 4, 1, 1000, 380);
     },
     {"cc", "wc", "wc"}},
    {"negative thickness",
     [](SectionSnapshot& s) { set_z(s, 2, 1, 1000, 410); },
     {"wc", "cc", "cc"}},
    {"layer 3 laid down on land on the platform",
     [](SectionSnapshot& s) { set_attribute(s, 3, 1, 1000, 0); },
     {"cc", "sc", "cc"}},
    {"on land, but a hiatus, is white",
     [](SectionSnapshot& s) {
         set_attribute(s, 3, 1, 1000, 0);
         set_z(s, 3, 1, 1000, 350);
     },
     {"cc", "wc", "cc"}},
    {"land is not a class by distance from shore",
     [](SectionSnapshot& s) {
         set_attribute(s, 3, 1, 1000, 0);
         s.display.draw_depthdepo = 0;
         s.display.draw_distance = 1;
     },
     {"00", "01", "11"}},
    {"time-lines mode with land",
     [](SectionSnapshot& s) {
         set_attribute(s, 3, 1, 1000, 0);
         s.display.draw_depthdepo = 0;
         s.attribute.clear();
     },
     {"gg", "gg", "gg"}},
    {"time-lines mode",
     [](SectionSnapshot& s) {
         set_z(s, 2, 1, 1000, 400);
         s.display.draw_depthdepo = 0;
         s.attribute.clear();  // a window's snapshot in this mode has none
     },
     {"wg", "gg", "gg"}},
};

// The diagram drawn into an image of `size`, on the raster path, or on the
// vector path recorded into a QPicture and played back.
QImage drawn(const SectionSnapshot& s, QSize size, bool raster, SectionStyle style) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    if (raster) {
        render_wheeler_diagram(painter, s, size, style);
    } else {
        QPicture picture;
        QPainter recorder(&picture);
        render_wheeler_diagram(recorder, s, size, style);
        recorder.end();
        painter.drawPicture(0, 0, picture);
    }
    return image;
}

TEST(WheelerDiagram, HandMadeSections) {
    const QSize size(900, 500);
    const WheelerLayout layout = wheeler_layout(size);
    for (const Case& c : kCases) {
        SectionSnapshot s = four_horizons();
        c.make(s);
        const ColourMode mode = colour_mode(s.display);
        for (SectionStyle style : {SectionStyle::Section, SectionStyle::Report}) {
            for (bool raster : {true, false}) {
                SCOPED_TRACE(std::string(c.name) + (raster ? ", raster" : ", vector") +
                             (style == SectionStyle::Report ? ", report" : ""));
                const QImage image = drawn(s, size, raster, style);
                const std::vector<std::int8_t> cells = wheeler_cells(s);
                ASSERT_EQ(cells.size(), 3u * COLUMN_COUNT);
                for (int h = 2; h <= 4; ++h) {
                    for (int side = 0; side < 2; ++side) {
                        const int column = side == 0 ? 500 : 1500;
                        const char want = c.rows[std::size_t(h - 2)][side];
                        const bool report = style == SectionStyle::Report;
                        QColor colour = kWhite;
                        if (want == 'c' || (want >= '0' && want <= '4')) {
                            const int k = want == 'c' ? h - 2 : want - '0';
                            colour = report ? report_class_colour(mode, k)
                                            : kClassColours[std::size_t(k)];
                        } else if (want == 's') {
                            colour = report ? kReportSubaerial : kSubaerialColour;
                        } else if (want == 'g') {
                            colour = style == SectionStyle::Report ? kReportLayerGrey : kGrey;
                        }
                        const QPoint centre =
                            wheeler_cell_rect(layout, s.count, column, h).center().toPoint();
                        EXPECT_EQ(image.pixelColor(centre), colour)
                            << "row " << h << ", column " << column;
                        const std::int8_t cell =
                            cells[std::size_t(h - 2) * COLUMN_COUNT + std::size_t(column - 1)];
                        EXPECT_EQ(cell < 0, want == 'w') << "row " << h << ", column " << column;
                        EXPECT_EQ(cell == kWheelerSubaerial, want == 's')
                            << "row " << h << ", column " << column;
                    }
                }
            }
        }
    }
}

// Rows stack upward in time and columns run left to right, each cell
// exactly where wheeler_cell_rect says, on both paths.
TEST(WheelerDiagram, CellsLandWhereTheLayoutSays) {
    SectionSnapshot s = four_horizons();
    set_z(s, 3, 1, 1000, 350);  // layer 3 white on the platform only
    set_z(s, 4, 1, 1000, 300);
    const QSize size(900, 500);
    const WheelerLayout layout = wheeler_layout(size);
    EXPECT_LT(wheeler_cell_rect(layout, 4, 1, 4).bottom(), wheeler_cell_rect(layout, 4, 1, 2).top())
        << "the youngest row is at the top";
    EXPECT_DOUBLE_EQ(wheeler_cell_rect(layout, 4, 1, 2).left(), layout.plot.left());
    EXPECT_DOUBLE_EQ(wheeler_cell_rect(layout, 4, 2000, 4).right(), layout.plot.right());
    EXPECT_DOUBLE_EQ(wheeler_cell_rect(layout, 4, 2000, 4).top(), layout.plot.top());
    EXPECT_DOUBLE_EQ(wheeler_cell_rect(layout, 4, 1, 2).bottom(), layout.plot.bottom());
    for (bool raster : {true, false}) {
        SCOPED_TRACE(raster ? "raster" : "vector");
        const QImage image = drawn(s, size, raster, SectionStyle::Section);
        // Two pixels either side of the edge between columns 1000 and 1001
        // and of the edges between rows 2, 3 and 4.
        const QRectF white = wheeler_cell_rect(layout, 4, 1000, 3);
        const int y = int(white.center().y());
        EXPECT_EQ(image.pixelColor(int(white.right()) - 2, y), kWhite);
        EXPECT_EQ(image.pixelColor(int(white.right()) + 2, y), kClassColours[1]);
        const int x = int(white.center().x());
        EXPECT_EQ(image.pixelColor(x, int(white.top()) - 2), kClassColours[2]);
        EXPECT_EQ(image.pixelColor(x, int(white.bottom()) + 2), kClassColours[0]);
    }
}

// A point of the plot picks the column whose cell lies under it (what a
// click in the diagram logs as a pseudo-well); none beside the plot.
TEST(WheelerDiagram, ColumnAtAPointIsTheCellUnderIt) {
    const WheelerLayout layout = wheeler_layout(QSize(1200, 600));
    const struct {
        double fraction;
        int column;
    } cases[] = {
        {-0.001, 0},    {0.0, 1},      {0.0001, 1}, {0.0004, 1},     {0.0005, 2}, {0.2996, 600},
        {0.29985, 600}, {0.3001, 601}, {1.0, 2000}, {0.99999, 2000}, {1.0001, 0}, {std::nan(""), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fraction);
        EXPECT_EQ(wheeler_column_at(c.fraction), c.column);
        if (c.column > 0 && c.fraction < 1) {
            const QRectF cell = wheeler_cell_rect(layout, 4, c.column, 3);
            const double x = layout.plot.left() + c.fraction * layout.plot.width();
            EXPECT_LE(cell.left(), x);
            EXPECT_LT(x, cell.right());
        }
    }
}

TEST(WheelerDiagram, FewerThanTwoHorizonsDrawNoCells) {
    SectionSnapshot s = four_horizons();
    s.count = 1;
    EXPECT_TRUE(wheeler_cells(s).empty());
    const QSize size(600, 400);
    const QImage image = drawn(s, size, true, SectionStyle::Section);
    EXPECT_EQ(image.pixelColor(wheeler_layout(size).plot.center().toPoint()), kWhite);
}

// A short run: every white cell of the diagram is a hiatus that
// stratigraphy finds in the same data, and no other; every brown cell one
// of its subaerial layers, and no other.
TEST(WheelerDiagram, WhiteCellsAreStratigraphysHiatusesBrownItsSubaerialLayers) {
    Project project(testing::short_run_parameters());
    Simulation& sim = project.simulation();
    sim.new_model();
    sim.start_run();
    ASSERT_TRUE(sim.wait_until_idle(std::chrono::minutes(5))) << "the run did not end";
    const ProjectData data = project.snapshot();
    const SectionSnapshot s = take_section_snapshot(project);
    ASSERT_EQ(s.count, data.count);
    ASSERT_GE(s.count, 10);
    const Stratigraphy strata(data);
    int hiatuses = 0, subaerial = 0;
    for (int h = 2; h <= data.count; ++h) {
        for (int c = 1; c <= COLUMN_COUNT; ++c) {
            hiatuses += strata.hiatus(c, h) == 1;
            subaerial += strata.subaerial(c, h) == 1;
        }
    }
    // A plot of one pixel per column and three per row.
    const QSize probe(3000, 1000);
    const QRectF plot = wheeler_layout(probe).plot;
    const QSize size(probe.width() - int(plot.width()) + COLUMN_COUNT,
                     probe.height() - int(plot.height()) + 3 * (s.count - 1));
    const WheelerLayout layout = wheeler_layout(size);
    ASSERT_EQ(layout.plot.width(), COLUMN_COUNT);
    EXPECT_GT(hiatuses, 0);
    EXPECT_LT(hiatuses, (s.count - 1) * COLUMN_COUNT);
    EXPECT_GT(subaerial, 0);
    for (bool raster : {true, false}) {
        SCOPED_TRACE(raster ? "raster" : "vector");
        const QImage image = drawn(s, size, raster, SectionStyle::Section);
        int white = 0, brown = 0;
        for (int h = 2; h <= s.count; ++h) {
            for (int c = 1; c <= COLUMN_COUNT; ++c) {
                const QPointF centre = wheeler_cell_rect(layout, s.count, c, h).center();
                const QColor colour = image.pixelColor(int(centre.x()), int(centre.y()));
                white += colour == kWhite;
                brown += colour == kSubaerialColour;
            }
        }
        EXPECT_EQ(white, hiatuses);
        EXPECT_EQ(brown, subaerial);
    }
}

TEST(WheelerDiagram, FilesInEveryFormat) {
    const SectionSnapshot s = four_horizons();
    FigureRequest request;
    request.size = QSize(640, 360);

    const QImage png = QImage::fromData(encode_wheeler_diagram(s, FigureFormat::Png, request));
    EXPECT_EQ(png.size(), request.size);

    const QByteArray svg = encode_wheeler_diagram(s, FigureFormat::Svg, request);
    QXmlStreamReader xml(svg);
    int elements = 0;
    while (!xml.atEnd()) {
        elements += xml.readNext() == QXmlStreamReader::StartElement;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(elements, 10);

    EXPECT_TRUE(encode_wheeler_diagram(s, FigureFormat::Pdf, request).startsWith("%PDF"));

    request.size = QSize(20000, 10000);
    EXPECT_THROW(encode_wheeler_diagram(s, FigureFormat::Png, request), FigureError)
        << "over the pixel limit";
}

// Cells of one colour in rows above each other are one shape in the SVG:
// rendered by librsvg, the boundary between two such rows shows no
// hairline, at a scale where it falls inside a pixel.
TEST(WheelerDiagram, SvgShowsNoSeamBetweenCellsOfOneColour) {
    VENDREL_SKIP_UNDER_TSAN();
    SectionSnapshot s = four_horizons();
    set_attribute(s, 3, 1, 1000, 3);  // row 3 on the platform in row 2's class
    FigureRequest request;
    request.size = QSize(640, 360);
    QTemporaryDir dir;
    const QString svg = dir.filePath("w.svg"), png = dir.filePath("w.png");
    testing::write_file(svg.toStdString(),
                        encode_wheeler_diagram(s, FigureFormat::Svg, request).toStdString());
    QProcess rsvg;
    rsvg.start("rsvg-convert", {"-z", "2", svg, "-o", png});
    ASSERT_TRUE(rsvg.waitForFinished(20000));
    ASSERT_EQ(rsvg.exitCode(), 0) << rsvg.readAllStandardError().toStdString();
    const QImage image(png);
    ASSERT_EQ(image.size(), 2 * request.size);
    const WheelerLayout layout = wheeler_layout(request.size);
    const double boundary = wheeler_cell_rect(layout, s.count, 500, 2).top();
    ASSERT_NE(boundary * 2, std::round(boundary * 2)) << "the boundary falls on a pixel edge";
    for (int column : {100, 500, 900}) {
        const int x = int(2 * wheeler_cell_rect(layout, s.count, column, 2).center().x());
        for (int y = int(2 * boundary) - 2; y <= int(2 * boundary) + 2; ++y) {
            EXPECT_EQ(image.pixelColor(x, y), kClassColours[0])
                << "column " << column << ", y " << y;
        }
    }
}

}  // namespace
}  // namespace vendrel
