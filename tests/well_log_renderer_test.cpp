// The pseudo-well log picture and the inverse of the view mapping that
// turns a click into a position.

#include "view/well_log_renderer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "view/navigation.h"

namespace vendrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A well of `elevations.size()` horizons (oldest first); layer h takes
// depths[h - 1] and porosities[h - 1] (index 0, horizon 1, unused).
PseudoWell make_well(const std::vector<double>& elevations, const std::vector<double>& depths,
                     const std::vector<double>& porosities) {
    PseudoWell well{.x = 1000, .column = 1000, .column_x = 1000, .samples = {}};
    for (std::size_t k = 0; k < elevations.size(); ++k) {
        WellSample s;
        s.horizon = int(k) + 1;
        s.age_kyr = double(elevations.size() - 1 - k) * 2;
        s.elevation = elevations[k];
        s.z = 500 - elevations[k];
        s.depth_of_deposition = depths[k];
        s.porosity = porosities[k];
        s.thickness = k == 0 ? kNaN : layer_thickness(500 - elevations[k - 1], s.z);
        well.samples.push_back(s);
    }
    return well;
}

QImage render(const PseudoWell& well, QSize size = QSize(420, 560)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    render_well_log(painter, well, size);
    return image;
}

// Pixels of `colour` in each row.
std::vector<int> row_counts(const QImage& image, const QColor& colour) {
    std::vector<int> counts(std::size_t(image.height()), 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            counts[std::size_t(y)] += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return counts;
}

int total(const std::vector<int>& counts) {
    int sum = 0;
    for (int c : counts) {
        sum += c;
    }
    return sum;
}

// Wells that give no layer to draw, or values that are not numbers, draw
// the frame without a fill and without failing; a normal well fills both
// tracks.
TEST(WellLog, DrawsEveryKindOfWell) {
    struct Case {
        const char* what;
        PseudoWell well;
        QSize size;
        bool filled;
    };
    const Case cases[] = {
        {"one horizon", make_well({250}, {3}, {0.5}), QSize(420, 560), false},
        {"no horizon", make_well({}, {}, {}), QSize(420, 560), false},
        {"values not numbers", make_well({250, 260, 270}, {kNaN, kNaN, kNaN}, {0.5, kNaN, kNaN}),
         QSize(420, 560), false},
        {"elevations not numbers", make_well({kNaN, kNaN, kNaN}, {1, 2, 3}, {0.5, 0.4, 0.3}),
         QSize(420, 560), false},
        {"hiatuses only", make_well({250, 250, 250}, {1, 2, 3}, {0.5, 0.4, 0.3}), QSize(420, 560),
         false},
        {"layers of at most 1 mm", make_well({250, 250.0005, 250.0009}, {1, 2, 3}, {0.5, 0.4, 0.3}),
         QSize(420, 560), false},
        {"huge values", make_well({-1e300, 1e300}, {1e300, -1e300}, {1e300, 1e300}),
         QSize(420, 560), true},
        {"a tiny panel", make_well({250, 260, 270}, {1, 2, 3}, {0.5, 0.4, 0.3}), QSize(12, 12),
         false},
        {"normal", make_well({250, 260, 270}, {1, 2, 3}, {0.5, 0.4, 0.3}), QSize(420, 560), true},
        {"some values not numbers",
         make_well({250, 260, 270, 280}, {1, kNaN, 3, 4}, {0.5, 0.4, kNaN, 0.3}), QSize(420, 560),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = render(c.well, c.size);
        EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white)) << "the whole area is painted";
        EXPECT_EQ(total(row_counts(image, kWellDepthFill)) > 0, c.filled);
        EXPECT_EQ(total(row_counts(image, kWellPorosityFill)) > 0, c.filled);
    }
}

// Elevation runs up the page and each layer's fill is as wide as its value:
// the younger, deeper-water layer is drawn above and wider.
TEST(WellLog, LayersStackUpwardAtTheirValues) {
    const QImage image = render(make_well({100, 200, 300}, {0, 10, 20}, {0, 0.2, 0.1}));
    const std::vector<int> depth = row_counts(image, kWellDepthFill);
    int top = -1, bottom = -1;
    for (int y = 0; y < int(depth.size()); ++y) {
        if (depth[std::size_t(y)] > 0) {
            bottom = y;
            top = top < 0 ? y : top;
        }
    }
    ASSERT_GT(bottom, top);
    const int upper = depth[std::size_t(top + (bottom - top) / 4)];
    const int lower = depth[std::size_t(bottom - (bottom - top) / 4)];
    EXPECT_NEAR(upper, 2 * lower, 3) << "20 m above, 10 m below";
    const std::vector<int> porosity = row_counts(image, kWellPorosityFill);
    EXPECT_NEAR(porosity[std::size_t(top + (bottom - top) / 4)] * 2.0,
                double(porosity[std::size_t(bottom - (bottom - top) / 4)]), 3)
        << "0.1 above, 0.2 below";
}

TEST(WellLog, LabelledHorizonsKeepTheirDistance) {
    struct Case {
        const char* what;
        std::vector<double> y;  // oldest first
        double gap;
        std::vector<int> kept;
    };
    const Case cases[] = {
        {"none", {}, 10, {}},
        {"one", {100}, 10, {0}},
        {"newest, oldest, then downward",
         {100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0},
         25,
         {0, 4, 7, 10}},
        {"all at one height", {50, 50, 50, 50}, 10, {3}},
        {"oldest too close to the newest", {5, 0}, 10, {1}},
        {"rows not numbers", {kNaN, 50, kNaN}, 10, {1}},
        {"all far apart", {300, 200, 100, 0}, 10, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<int> kept = pick_labelled_horizons(c.y, c.gap);
        EXPECT_EQ(kept, c.kept);
        for (std::size_t a = 0; a < kept.size(); ++a) {
            for (std::size_t b = a + 1; b < kept.size(); ++b) {
                EXPECT_GE(std::fabs(c.y[std::size_t(kept[a])] - c.y[std::size_t(kept[b])]), c.gap);
            }
        }
    }
}

TEST(WellLog, TitleNamesPositionAndColumn) {
    struct Case {
        double x;
        int column;
        double column_x;
        const char* title;
    };
    const Case cases[] = {
        {1000.83, 1001, 1001, "x = 1000.8 m: column 1001 (x = 1001.0 m)"},
        {1195, 1195, 1195, "x = 1195.0 m (column 1195)"},
        {1195.04, 1195, 1195, "x = 1195.0 m (column 1195)"},
        {2400, 0, std::nan(""), "x = 2400.0 m: beyond the section"},
    };
    for (const Case& c : cases) {
        PseudoWell well{.x = c.x, .column = c.column, .column_x = c.column_x, .samples = {}};
        EXPECT_EQ(well_log_title(well).toStdString(), c.title);
    }
}

// x_at undoes X: the centre of every pixel over the section maps back into
// that pixel.
TEST(Navigation, PositionOfAPixel) {
    struct Case {
        double zoom;
        int pan_x;
        int width;
    };
    for (const Case& c : {Case{1, 0, 1000}, Case{1.5, 120, 777}, Case{0.66666, -50, 1201}}) {
        NavigationState n;
        n.zoom_x = n.zoom_y = c.zoom;
        n.pan_x = c.pan_x;
        const ViewMapping map(n, 2000, 500, c.width, 400);
        const int first = std::max(0, -c.pan_x);  // left of it beside the section
        for (int X : {first, first + 1, c.width / 2, c.width - 1}) {
            EXPECT_EQ(map.X(map.x_at(X + 0.5)), X) << "zoom " << c.zoom << " pixel " << X;
        }
    }
}

}  // namespace
}  // namespace vendrel
