// The window's picture at the screen's device pixel ratio, and the printed
// page fitted to paper.

#include "view/section_picture.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "view/print_path.h"
#include "view/section_renderer.h"

namespace vendrel {
namespace {

const QColor kGrey(220, 220, 220), kWhite(255, 255, 255);

// One flat horizon at depth 250 of 500, time-lines only, no overlays.
SectionSnapshot one_time_line() {
    SectionSnapshot s;
    s.display.draw_bl = 0;
    s.display.draw_depthdepo = 0;
    s.count = 1;
    s.x_values.resize(COLUMN_SLOTS);
    s.z.assign(COLUMN_SLOTS, 250);
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        s.x_values[j] = j;
    }
    s.increment_count = 100;
    return s;
}

// Rows of column x, from y0 down, that are not background.
int ink_rows(const QImage& image, int x, int y0, int y1) {
    int rows = 0;
    for (int y = y0; y < y1; ++y) {
        rows += image.pixelColor(x, y) != kGrey ? 1 : 0;
    }
    return rows;
}

TEST(SectionPicture, DrawnAtTheScreensPixelsWithTheRatioAsDisplayScale) {
    const struct {
        double ratio;
        QSize pixels;
        int line_width;  // the thin pen, trunc(1.8 x ratio)
    } cases[] = {
        {1.0, {800, 400}, 1},
        {1.25, {1000, 500}, 2},
        {2.0, {1600, 800}, 3},
    };
    const SectionSnapshot s = one_time_line();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ratio);
        const QImage picture = section_picture(s, NavigationState{}, QSize(800, 400), c.ratio);
        EXPECT_EQ(picture.size(), c.pixels);
        EXPECT_DOUBLE_EQ(picture.devicePixelRatio(), c.ratio);
        EXPECT_EQ(picture.deviceIndependentSize().toSize(), QSize(800, 400));
        const int middle = c.pixels.height() / 2;
        EXPECT_EQ(ink_rows(picture, c.pixels.width() / 2, middle - 10, middle + 10), c.line_width)
            << "no resampling: the pen is whole pixels wide";
        // The same as the section drawn directly at the screen's size and
        // scale, pixel for pixel.
        QImage direct(c.pixels, QImage::Format_RGB32);
        {
            QPainter painter(&direct);
            NavigationState n;
            n.dpi_scale = c.ratio;
            render_section(painter, s, n, c.pixels);
        }
        QImage unmarked = picture;
        unmarked.setDevicePixelRatio(1);
        EXPECT_TRUE(unmarked == direct);
    }
    EXPECT_EQ(section_picture(s, NavigationState{}, QSize(10, 10), 1.1).size(), QSize(11, 11))
        << "covers the client area without rounding up a pixel more";
}

// On a scale that leaves the last column and row of screen pixels covered
// in part, the figures' white reaches them too: no pixel keeps what the
// memory held.
TEST(SectionPicture, PartlyCoveredPixelsAreWhite) {
    const SectionSnapshot s = one_time_line();
    const QImage pictures[] = {
        section_picture(s, NavigationState{}, QSize(801, 401), 1.25, SectionStyle::Report),
        wheeler_picture(s, QSize(801, 401), 1.25, SectionStyle::Report),
    };
    for (const QImage& picture : pictures) {
        ASSERT_EQ(picture.size(), QSize(1002, 502));
        EXPECT_EQ(picture.pixelColor(1001, 0), kWhite);
        EXPECT_EQ(picture.pixelColor(0, 501), kWhite);
    }
}

// The sea-level panel is 400 x 300 screen pixels at any scale, 20 from the
// right and bottom edges; its texts stay inside it, the length of a long
// run too.
TEST(SectionPicture, SeaLevelPanelTextsStayInItsBox) {
    SectionSnapshot s = one_time_line();
    s.display.draw_bl = 1;
    s.params.totaltime = 2e6;  // "2000.0 ka"
    s.params.display_inc = 20000;
    s.current_sea_level = 0;
    for (double ratio : {1.0, 1.25, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage picture = section_picture(s, NavigationState{}, QSize(800, 800), ratio);
        picture.setDevicePixelRatio(1);
        const int w = picture.width(), h = picture.height();
        int outside = 0, inside = 0;
        for (int y = h - 320; y < h - 20; ++y) {
            for (int x = w - 20; x < w; ++x) {
                outside += picture.pixelColor(x, y) != kGrey ? 1 : 0;
            }
            // The right end of the box, left of its outline, about the
            // texts' baseline at 285.
            for (int x = w - 120; x < w - 21 && y >= h - 55 && y < h - 30; ++x) {
                inside += picture.pixelColor(x, y) != kWhite ? 1 : 0;
            }
        }
        EXPECT_EQ(outside, 0) << "ink right of the box";
        EXPECT_GT(inside, 0) << "the run's length is drawn";
    }
}

// The legend's class 4 row ("35.0  - 125.0 m", the widest) on a printed
// page: the part right of the frame holds no ink.
TEST(PrintPath, LegendTextStaysInsideItsFrameOnAnyPage) {
    SectionSnapshot s = one_time_line();
    s.display.draw_depthdepo = 1;
    s.attribute.assign(COLUMN_SLOTS, 3);
    const struct {
        const char* name;
        QSize page;
        double dpi;
    } cases[] = {
        {"fitted to half size at 600 dpi", {1000, 750}, 600},
        {"full size at 1200 dpi", {2000, 1500}, 1200},
        {"full size at 96 dpi", {2000, 1500}, 96},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage page(c.page, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            print_section(painter, QRectF(QPointF(0, 0), QSizeF(c.page)), c.dpi, s,
                          NavigationState{}, QSize(400, 300));
        }
        // Picture of 2000 x 1500 scaled by the fit; the frame runs from
        // x 25 to 825; the class 4 row's text has its baseline at 1500 - 625.
        const double fit = c.page.width() / 2000.0;
        const int frame_right = int(std::ceil(825 * fit));
        int inside = 0, outside = 0;
        for (int y = int(790 * fit); y < int(890 * fit); ++y) {
            for (int x = int(225 * fit); x < frame_right - 2; ++x) {
                inside += page.pixelColor(x, y).lightness() < 128 ? 1 : 0;
            }
            for (int x = frame_right + 2; x < int(1400 * fit); ++x) {
                outside += page.pixelColor(x, y).lightness() < 128 ? 1 : 0;
            }
        }
        EXPECT_GT(inside, 0) << "the row's text";
        EXPECT_EQ(outside, 0) << "nothing of it right of the frame";
    }
}

TEST(PrintPath, FittedPictureIsCentredOnThePage) {
    const SectionSnapshot s = one_time_line();
    QImage page(3000, 1500, QImage::Format_RGB32);  // wider than the 2000 x 1500 picture
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        print_section(painter, QRectF(0, 0, 3000, 1500), 600, s, NavigationState{},
                      QSize(400, 300));
    }
    EXPECT_EQ(page.pixelColor(495, 10), kWhite);
    EXPECT_EQ(page.pixelColor(505, 10), kGrey);
    EXPECT_EQ(page.pixelColor(2495, 10), kGrey);
    EXPECT_EQ(page.pixelColor(2505, 10), kWhite);
}

}  // namespace
}  // namespace vendrel
