#include "view/section_renderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "document/number_format.h"
#include "view/class_colours.h"
#include "view/class_legend.h"

namespace vendrel {

Thresholds thresholds_of(ColourMode mode, const DisplaySettings& p) {
    switch (mode) {
        case ColourMode::Depth:
            return {p.depth1, p.depth2, p.depth3, p.depth4};
        case ColourMode::Distance:
            return {p.dist1, p.dist2, p.dist3, p.dist4};
        case ColourMode::Porosity:
            return {p.poro1, p.poro2, p.poro3, p.poro4};
        case ColourMode::TimeLines:
            break;
    }
    return {0, 0, 0, 0};
}

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
constexpr int kThin = 5;  // index of the thin black pen after the five classes
// Mapped points may lie up to 2^30 pixels away (to_pixel), where sums and
// widths would overflow; lengths and coordinates are held within kFar of
// the origin, far beyond any page or window.
constexpr int kFar = 1 << 24;

// The flat segments of one horizon (or one overlay line), each as a pen of
// width w with square ends draws it: a segment from (x1, y) to (x2, y)
// covers x1 - w/2 .. x2 - w/2 + w - 1 and the w rows from y - w/2. Touching
// segments of one colour, width and height are merged. They are filled in
// the order they were added, so where two overlap the later one wins, as
// when the segments are drawn one after the other; consecutive rectangles
// of one colour go in one call.
class HorizonStrokes {
  public:
    void add(int colour, int width, int x1, int x2, int y) {
        width = std::clamp(width, 1, kFar);
        x1 = std::clamp(x1, -kFar, kFar);
        x2 = std::clamp(x2, -kFar, kFar);
        y = std::clamp(y, -kFar, kFar);
        if (x2 < x1) {
            std::swap(x1, x2);
        }
        const int half = width / 2;
        if (!strokes_.empty()) {
            Stroke& last = strokes_.back();
            if (last.colour == colour && last.rect.height() == width &&
                last.rect.top() == y - half && x1 >= last.x1 && x1 <= last.x2) {
                last.x2 = std::max(last.x2, x2);
                last.rect.setRight(last.x2 - half + width - 1);
                return;
            }
        }
        strokes_.push_back({colour, x1, x2, QRect(x1 - half, y - half, x2 - x1 + width, width)});
    }

    // Fills everything gathered; `colours` holds the colour of each index.
    void flush(QPainter& painter, const QColor* colours) {
        if (QImage* image = plain_image(painter)) {
            fill_directly(*image, colours);
            strokes_.clear();
            return;
        }
        std::size_t first = 0;
        while (first < strokes_.size()) {
            const int colour = strokes_[first].colour;
            rects_.clear();
            std::size_t next = first;
            for (; next < strokes_.size() && strokes_[next].colour == colour; ++next) {
                rects_.push_back(strokes_[next].rect);
            }
            painter.setBrush(colours[colour]);
            painter.drawRects(rects_.data(), int(rects_.size()));
            first = next;
        }
        strokes_.clear();
    }

  private:
    struct Stroke {
        int colour;
        int x1, x2;  // the segment's ends, before the pen's width
        QRect rect;
    };

    // The image a painter draws on when its pixels may be written directly
    // with the same result: 32-bit pixels, no transformation, no clipping,
    // plain source-over of opaque colours, no antialiasing (as a flush runs).
    // Null otherwise (vector devices, printers, scaled painters).
    static QImage* plain_image(QPainter& painter) {
        QPaintDevice* device = painter.device();
        if (device == nullptr || device->devType() != QInternal::Image) {
            return nullptr;
        }
        auto* image = static_cast<QImage*>(device);
        const QImage::Format format = image->format();
        if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
             format != QImage::Format_ARGB32_Premultiplied) ||
            !painter.deviceTransform().isIdentity() || painter.hasClipping() ||
            painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
            painter.testRenderHint(QPainter::Antialiasing) || painter.opacity() != 1.0) {
            return nullptr;
        }
        return image;
    }

    // Fills the rectangles in order, clipped to the image: where two
    // overlap the later one wins, as with drawRects.
    void fill_directly(QImage& image, const QColor* colours) const {
        const int width = image.width(), height = image.height();
        for (const Stroke& s : strokes_) {
            const QColor& c = colours[s.colour];
            const QRgb pixel = qRgb(c.red(), c.green(), c.blue());
            const int left = std::max(s.rect.left(), 0);
            const int right = std::min(s.rect.right(), width - 1);
            const int top = std::max(s.rect.top(), 0);
            const int bottom = std::min(s.rect.bottom(), height - 1);
            for (int y = top; y <= bottom && left <= right; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                std::fill(line + left, line + right + 1, pixel);
            }
        }
    }

    std::vector<Stroke> strokes_;
    std::vector<QRect> rects_;
};

class SectionPainter {
  public:
    SectionPainter(QPainter& painter, const SectionSnapshot& snap, const NavigationState& nav,
                   QSize client, const RenderOptions& options)
        : p_(painter),
          snap_(snap),
          par_(snap.params),
          display_(snap.display),
          print_(options.print),
          enlarge_(print_ ? 5 : 1),
          map_(nav, par_.max_x, par_.max_y, enlarge_ * client.width(), enlarge_ * client.height()),
          s_(nav.dpi_scale),
          zoom_x_(nav.zoom_x),
          w_(enlarge_ * client.width()),
          h_(enlarge_ * client.height()),
          mode_(colour_mode(display_)),
          thin_width_(std::max(print_ ? scaled(9, s_) : scaled(1.8, s_), 1)),
          class_width_(std::max(print_ ? scaled(19, s_) : scaled(3.8, s_), 1)),
          font_pixels_(options.font_pixels > 0 ? options.font_pixels : 12.0 * 96.0 * s_ / 72.0) {
        for (int c = 0; c < 5; ++c) {
            colours_[c] = kClassColours[c];
        }
        colours_[kThin] = kBlack;
    }

    void paint() {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.fillRect(QRect(0, 0, w_, h_), kBackground);
        QFont font("Arial");
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(std::max(1, int(std::lround(font_pixels_))));
        p_.setFont(font);
        p_.setBackground(kWhite);
        p_.setBackgroundMode(Qt::OpaqueMode);

        text_centred(w_ - n(70), n(20), kVersionText);
        text_left(n(10), h_ - n(10),
                  "Simulation time = " + fixed(snap_.sim_time / 1000, 5, 1) + " ka");
        if (display_.draw_bl == 1) {
            sea_level_line();
        }
        if (display_.draw_bath == 1) {
            marker_line();
        }
        horizons();
        if (display_.draw_bath == 1) {
            marker_label();
        }
        if (print_ ? (display_.draw_depthdepo == 1 || display_.draw_distance == 1)
                   : mode_ != ColourMode::TimeLines) {
            legends();
        }
        scale_bar();
        if (display_.draw_bl == 1) {
            if (print_) {
                printed_sea_level_panel();
            } else {
                sea_level_panel();
            }
        }
        p_.restore();
    }

  private:
    // A fixed offset at the display scale; on paper five times larger (5 n
    // is formed first).
    int n(double offset) const { return scaled(enlarge_ * offset, s_); }
    static std::string fixed(double v, int width, int precision) {
        return format_fixed(v, width, precision);
    }

    void text_left(int x, int baseline, const std::string& text) {
        p_.setPen(kBlack);
        p_.drawText(QPoint(x, baseline), QString::fromStdString(text));
    }
    void text_centred(int x, int baseline, const std::string& text) {
        const QString s = QString::fromStdString(text);
        p_.setPen(kBlack);
        p_.drawText(QPoint(x - p_.fontMetrics().horizontalAdvance(s) / 2, baseline), s);
    }

    // An outlined rectangle from (l, t) to (r, b), right and bottom excluded.
    // The outline is one pixel wide along l..r-1 and t..b-1.
    void outlined_rect(int l, int t, int r, int b, const QColor& fill) {
        p_.setPen(QPen(kBlack, 0));
        p_.setBrush(fill);
        p_.drawRect(l, t, r - l - 1, b - t - 1);
    }
    void filled_rect(int l, int t, int r, int b, const QColor& fill) {
        p_.fillRect(QRect(l, t, r - l, b - t), fill);
    }

    int newest() const { return snap_.count; }

    // A flat line over the columns whose newest horizon lies deeper than
    // `level`, at that level, with the class pen of colour `colour`.
    void line_over_deeper_columns(double level, int colour) {
        if (newest() < 1) {
            return;
        }
        const double* z = snap_.horizon_z(newest());
        const int y = map_.Y(level);
        for (int j = 1; j < COLUMN_COUNT; ++j) {
            if (z[j] > level) {
                strokes_.add(colour, class_width_, map_.X(snap_.x_values[j]),
                             map_.X(snap_.x_values[j + 1]), y);
            }
        }
        p_.setPen(Qt::NoPen);
        strokes_.flush(p_, colours_.data());
    }

    void sea_level_line() { line_over_deeper_columns(snap_.current_sea_level, 1); }
    double marker_level() const { return snap_.current_sea_level + display_.bath_marker; }
    void marker_line() { line_over_deeper_columns(marker_level(), 3); }
    void marker_label() {
        text_centred(w_ - n(80), map_.Y(marker_level()), fixed(-display_.bath_marker, 5, 1) + " m");
    }

    // On paper, outside the depth and distance modes, porosity below 0.4 is
    // black and the rest (NaN included) blue.
    bool printed_by_porosity() const {
        return print_ && mode_ != ColourMode::Depth && mode_ != ColourMode::Distance;
    }

    void horizons() {
        const Thresholds t = thresholds_of(mode_, display_);
        const int step = snap_.running ? std::max(display_.every_step, 1) : 1;
        std::vector<int> x(COLUMN_SLOTS);
        for (int j = 1; j <= COLUMN_COUNT; ++j) {
            x[j] = map_.X(snap_.x_values[j]);
        }
        const bool coloured = mode_ != ColourMode::TimeLines;
        p_.setPen(Qt::NoPen);
        for (int h = 1; h <= snap_.count; h += step) {
            const double* z = snap_.horizon_z(h);
            if (printed_by_porosity()) {
                // A snapshot taken for the screen in time-lines mode has no
                // porosity: everything is then drawn as unknown porosity.
                const double* porosity =
                    snap_.attribute.empty() ? nullptr : snap_.horizon_attribute(h);
                for (int j = 1; j < COLUMN_COUNT; ++j) {
                    if (porosity != nullptr && porosity[j] < 0.4) {
                        strokes_.add(kThin, thin_width_, x[j], x[j + 1], map_.Y(z[j]));
                    } else {
                        strokes_.add(1, class_width_, x[j], x[j + 1], map_.Y(z[j]));
                    }
                }
            } else if (coloured) {
                const double* v = snap_.horizon_attribute(h);
                for (int j = 1; j < COLUMN_COUNT; ++j) {
                    strokes_.add(class_of(v[j], t), class_width_, x[j], x[j + 1], map_.Y(z[j]));
                }
            } else {
                for (int j = 1; j < COLUMN_COUNT; ++j) {
                    strokes_.add(kThin, thin_width_, x[j], x[j + 1], map_.Y(z[j]));
                }
            }
            strokes_.flush(p_, colours_.data());
        }
    }

    void legends() {
        outlined_rect(n(5), h_ - n(180), n(165), h_ - n(30), kWhite);
        if (display_.draw_depthdepo == 1) {
            legend(ColourMode::Depth);
        } else if (display_.draw_porosity == 1 && !print_) {
            legend(ColourMode::Porosity);
        }
        if (display_.draw_distance == 1) {
            legend(ColourMode::Distance);
        }
    }

    void legend(ColourMode mode) {
        const ClassLegend legend = class_legend(mode, display_);
        const std::array<std::string, 5>& rows = legend.rows;
        // Swatch bottoms, tops and text baselines, class 1 at the bottom.
        const int bottom[5] = {40, 65, 91, 117, 143};
        const int top[5] = {65, 91, 117, 143, 169};
        const int baseline[5] = {50, 75, 100, 125, 150};
        for (int c = 0; c < 5; ++c) {
            const int l = n(10), r = n(35), tp = h_ - n(top[c]), bt = h_ - n(bottom[c]);
            outlined_rect(l, tp, r, bt, kClassColours[c]);
            filled_rect(l, tp, r, bt, kClassColours[c]);
            text_left(n(45), h_ - n(baseline[c]), rows[c]);
        }
        text_left(n(15), h_ - n(192), legend.title);
    }

    void scale_bar() {
        const int b = std::clamp(to_pixel((100 / par_.max_x) * w_), -kFar, kFar);
        const int l = n(300);
        outlined_rect(l, h_ - n(45), l + b, h_ - n(30), kBlack);
        outlined_rect(l + b, h_ - n(45), l + 2 * b, h_ - n(30), kBlack);
        // The bar keeps its length whatever the zoom; the label says what it
        // spans at the present zoom.
        text_left(l, h_ - n(10), "scale = " + fixed(200 / zoom_x_, 0, 1) + " m");
    }

    void sea_level_panel() {
        const QPoint corner(w_ - 420, h_ - 320);
        p_.save();
        outlined_rect(corner.x(), corner.y(), w_ - 20, h_ - 20, kWhite);
        p_.setBackgroundMode(Qt::TransparentMode);
        p_.translate(corner);

        const double n_increments = par_.totaltime / par_.display_inc;
        const double span =
            std::min(par_.max_y, std::fabs(snap_.sealevel_min - snap_.sealevel_max));
        // A flat planned curve (span 0) is drawn at the top of the plot.
        auto height = [&](int k) {
            return span > 0 ? 250 * (snap_.sealevels[k] - snap_.sealevel_min) / span : 0.0;
        };
        auto point = [&](int k) {
            const int x = to_pixel((400 / n_increments) * (k - 1));
            return k == 1 ? QPoint(x, to_pixel(10 + height(k)))
                          : QPoint(x, 10 + to_pixel(height(k)));
        };
        const QPen thin(kBlack, thin_width_, Qt::SolidLine, Qt::SquareCap);
        const QPen recorded(kClassColours[0], class_width_, Qt::SolidLine, Qt::SquareCap);
        QPoint from = point(1);
        for (int k = 2; k <= snap_.increment_count; ++k) {
            const QPoint to = point(k);
            p_.setPen(k <= snap_.count ? recorded : thin);
            p_.drawLine(from, to);
            from = to;
        }
        // The panel keeps its pixels on a scaled screen, and so do its texts;
        // the run's length ends inside the box however long it is.
        QFont font = p_.font();
        font.setPixelSize(std::max(1, int(std::lround(font_pixels_ / std::max(s_, 1.0)))));
        p_.setFont(font);
        text_left(133, 285,
                  "Sea Level = " + fixed(par_.max_y - snap_.current_sea_level, 5, 1) + " m ");
        text_left(0, 285, fixed(0, 5, 1) + " ka");
        const std::string length = fixed(par_.totaltime / 1000, 5, 1) + " ka";
        const int room =
            400 - 3 - p_.fontMetrics().horizontalAdvance(QString::fromStdString(length));
        text_left(std::min(330, room), 285, length);
        p_.restore();
    }

    // The paper panel: 2000 x 1500 printer pixels, the recorded sea levels
    // scaled by the section height, only the newest segment red.
    void printed_sea_level_panel() {
        const int right = w_ - 100, bottom = h_ - 100;
        const QPoint corner(right - 2000, bottom - 1500);
        p_.save();
        outlined_rect(corner.x(), corner.y(), right, bottom, kWhite);
        p_.setBackgroundMode(Qt::TransparentMode);
        p_.translate(corner);
        const double n_increments = par_.totaltime / par_.display_inc;
        auto y_of = [&](int k) { return to_pixel(1250 * snap_.sealevels[k] / par_.max_y); };
        QPoint from(0, y_of(1));
        p_.setPen(QPen(kBlack, thin_width_, Qt::SolidLine, Qt::SquareCap));
        for (int k = 2; k <= snap_.count; ++k) {
            if (k == snap_.count) {
                p_.setPen(QPen(kClassColours[0], class_width_, Qt::SolidLine, Qt::SquareCap));
            }
            const QPoint to(to_pixel((2000 / n_increments) * (k - 1)), y_of(k));
            p_.drawLine(from, to);
            from = to;
        }
        text_left(50, 200,
                  "Sea Level = " + fixed(par_.max_y - snap_.current_sea_level, 5, 1) + " m ");
        p_.restore();
    }

    QPainter& p_;
    const SectionSnapshot& snap_;
    const ModelParameters& par_;
    const DisplaySettings& display_;
    bool print_;
    int enlarge_;
    ViewMapping map_;
    double s_;
    double zoom_x_;
    int w_, h_;
    ColourMode mode_;
    int thin_width_, class_width_;
    double font_pixels_;
    std::array<QColor, 6> colours_;
    HorizonStrokes strokes_;
};

}  // namespace

void render_section(QPainter& painter, const SectionSnapshot& snapshot,
                    const NavigationState& navigation, QSize client, const RenderOptions& options) {
    SectionPainter(painter, snapshot, navigation, client, options).paint();
}

int section_column_at(const double* x_values, double x) {
    for (int j = 1; j < COLUMN_COUNT; ++j) {
        const double a = x_values[j], b = x_values[j + 1];
        if (std::min(a, b) <= x && x < std::max(a, b)) {
            return j;
        }
    }
    return x == x_values[COLUMN_COUNT] ? COLUMN_COUNT : 0;
}

}  // namespace vendrel
