#include "view/wheeler_diagram.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "document/stratigraphy.h"
#include "view/class_colours.h"
#include "view/class_legend.h"
#include "view/figure_axes.h"
#include "view/report_figure.h"
#include "view/report_palette.h"
#include "view/section_renderer.h"

namespace vendrel {

namespace {

// The parts right of the plot, in figure pixels (the margins on the other
// sides: kPlotMargin*).
constexpr double kGapToSeaLevel = 26;
constexpr double kSeaLevelWidth = 100;
constexpr double kGapToLegend = 24;
constexpr double kLegendWidth = 150;
constexpr double kMarginRight = 10;
constexpr double kLegendRow = 22;

const QColor kWhite(255, 255, 255);
const QColor kSectionGrey(150, 150, 150);

// The colours of one style: cells 0..4 the classes, 5 time-lines grey,
// 6 subaerial, 7 white (hiatus or unknown); then the page, the ink and the
// curve.
constexpr int kWhiteCell = 7;
struct Palette {
    std::array<QColor, 8> cells;
    QColor page, ink, sea_level;
};

Palette palette_of(SectionStyle style, ColourMode mode) {
    Palette p;
    const bool report = style == SectionStyle::Report;
    for (int c = 0; c < 5; ++c) {
        p.cells[std::size_t(c)] =
            report ? report_class_colour(mode, c) : kClassColours[std::size_t(c)];
    }
    p.cells[kWheelerDeposited] = report ? kReportLayerGrey : kSectionGrey;
    p.cells[kWheelerSubaerial] = report ? kReportSubaerial : kSubaerialColour;
    p.cells[kWhiteCell] = kWhite;
    p.page = report ? kWhite : kBackground;
    p.ink = report ? QColor(25, 25, 25) : QColor(0, 0, 0);
    p.sea_level = report ? kReportSeaLevel : kClassColours[1];
    return p;
}

// Index into Palette::cells of a cell value.
int colour_index(std::int8_t cell) {
    return cell >= 0 ? cell : kWhiteCell;
}

// The cells of row h (2..count), columns 1..2000 at [j - 1].
void row_cells(const SectionSnapshot& s, int h, ColourMode mode, const Thresholds& t,
               std::int8_t* out) {
    const double* below = s.horizon_z(h - 1);
    const double* above = s.horizon_z(h);
    const bool coloured = mode != ColourMode::TimeLines && !s.attribute.empty();
    const double* v = coloured ? s.horizon_attribute(h) : nullptr;
    const bool depth = mode == ColourMode::Depth;
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        const double thickness = layer_thickness(below[j], above[j]);
        const std::int8_t hiatus = hiatus_flag(thickness);
        std::int8_t cell = kWheelerDeposited;
        if (hiatus == 1) {
            cell = kWheelerHiatus;
        } else if (hiatus < 0) {
            cell = kWheelerUnknown;
        } else if (v != nullptr) {
            cell = depth && subaerial_flag(v[j], thickness) == 1 ? kWheelerSubaerial
                                                                 : std::int8_t(class_of(v[j], t));
        }
        out[j - 1] = cell;
    }
}

bool drawable(const SectionSnapshot& s) {
    return s.count >= 2 && s.z.size() >= std::size_t(s.count) * COLUMN_SLOTS;
}

// Fraction of the plot's height from its base at which horizon h lies.
double height_of(int count, int h) {
    return count >= 2 ? double(h - 1) / double(count - 1) : 0.0;
}

class WheelerPainter {
  public:
    WheelerPainter(QPainter& painter, const SectionSnapshot& snap, QSize size, SectionStyle style,
                   const FigureMarks& marks)
        : p_(painter),
          marks_(marks),
          snap_(snap),
          size_(size),
          layout_(wheeler_layout(size)),
          plot_(layout_.plot),
          mode_(colour_mode(snap.display)),
          thresholds_(thresholds_of(mode_, snap.display)),
          colours_(palette_of(style, mode_)),
          times_(horizon_times_kyr(snap.params, std::max(snap.count, 0))) {}

    void paint() {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.fillRect(QRectF(0, 0, size_.width(), size_.height()), colours_.page);
        p_.fillRect(plot_, kWhite);
        if (drawable(snap_)) {
            if (!rasterise()) {
                fill_runs();
            }
        }
        p_.setRenderHint(QPainter::Antialiasing, true);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        QFont font("Arial");
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(12);
        p_.setFont(font);
        axes();
        sea_level();
        legend();
        title();
        if (drawable(snap_)) {
            draw_marks();
        }
        p_.restore();
    }

    void draw_marks() {
        const double max_x = snap_.params.max_x;
        if (!(max_x > 0) || !std::isfinite(max_x)) {
            return;
        }
        const auto x_at = [&](double x) {
            return plot_.left() + std::clamp(x / max_x, 0.0, 1.0) * plot_.width();
        };
        if (marks_.trajectory) {
            const int count = snap_.count;
            draw_trajectory(
                p_, snapshot_shoreline_trajectory(snap_), [&](const ShorelinePoint& s, int h) {
                    return QPointF(x_at(s.x),
                                   plot_.bottom() - height_of(count, h) * plot_.height());
                });
            const QRectF legend = legend_box();
            const QRectF box(legend.left(), legend.bottom() + 12, legend.width(), 5 * 16 + 10);
            p_.fillRect(box, kWhite);
            frame(box);
            draw_trajectory_legend(p_, box.topLeft() + QPointF(6, 4), 16, colours_.ink);
        }
        for (const double w : marks_.wells) {
            draw_well_tick(p_, x_at(w), plot_.top(), 8, w, colours_.ink);
        }
    }

  private:
    double newest_time() const { return times_.empty() ? 0.0 : times_.back(); }

    // The cells as an image of device pixels, when the painter draws on one
    // with nothing but a scale and a shift.
    bool rasterise() {
        if (p_.device()->devType() != QInternal::Image || p_.device()->devicePixelRatio() != 1 ||
            p_.deviceTransform().type() > QTransform::TxScale) {
            return false;
        }
        const QTransform to_device = p_.deviceTransform();
        const QRectF area = to_device.mapRect(plot_);
        // The pixels whose centres lie in the plot.
        auto first_pixel = [](double edge) { return int(std::ceil(edge - 0.5)); };
        const int x0 = first_pixel(area.left()), x1 = first_pixel(area.right());
        const int y0 = first_pixel(area.top()), y1 = first_pixel(area.bottom());
        if (x1 <= x0 || y1 <= y0) {
            return true;
        }
        QImage cells(x1 - x0, y1 - y0, QImage::Format_RGB32);
        if (cells.isNull()) {
            return false;
        }
        cells.fill(kWhite);
        std::array<QRgb, 8> rgb;
        for (std::size_t c = 0; c < rgb.size(); ++c) {
            rgb[c] = colours_.cells[c].rgb();
        }
        // The column under each pixel's centre.
        std::vector<int> column(std::size_t(x1 - x0));
        for (int x = x0; x < x1; ++x) {
            const double f = (x + 0.5 - area.left()) / area.width();
            column[std::size_t(x - x0)] =
                std::clamp(int(std::floor(f * COLUMN_COUNT)), 0, COLUMN_COUNT - 1);
        }
        std::array<std::int8_t, COLUMN_COUNT> row{};
        const int count = snap_.count;
        for (int h = 2; h <= count; ++h) {
            // Device rows whose centres lie between the row's base and top.
            const double top = area.bottom() - height_of(count, h) * area.height();
            const double base = area.bottom() - height_of(count, h - 1) * area.height();
            const int from = std::max(first_pixel(top), y0), to = std::min(first_pixel(base), y1);
            if (to <= from) {
                continue;
            }
            row_cells(snap_, h, mode_, thresholds_, row.data());
            auto* line = reinterpret_cast<QRgb*>(cells.scanLine(from - y0));
            for (std::size_t x = 0; x < column.size(); ++x) {
                line[x] = rgb[std::size_t(colour_index(row[std::size_t(column[x])]))];
            }
            for (int y = from + 1; y < to; ++y) {
                std::memcpy(cells.scanLine(y - y0), line, column.size() * sizeof(QRgb));
            }
        }
        p_.save();
        p_.resetTransform();
        p_.drawImage(QPoint(x0, y0), cells);
        p_.restore();
        return true;
    }

    // A rectangle of one colour over columns first..last (1-based) of rows
    // base..top.
    struct Run {
        int first, last;
        std::int8_t colour;
        int base;
    };

    void close(const Run& run, int top, std::array<std::vector<QRectF>, 8>& rects) const {
        const QRectF a = wheeler_cell_rect(layout_, snap_.count, run.first, top);
        const QRectF b = wheeler_cell_rect(layout_, snap_.count, run.last, run.base);
        rects[std::size_t(colour_index(run.colour))].push_back(
            QRectF(QPointF(a.left(), a.top()), QPointF(b.right(), b.bottom())));
    }

    void fill_runs() {
        std::array<std::vector<QRectF>, 8> rects;
        std::vector<Run> open, next;
        std::array<std::int8_t, COLUMN_COUNT> row{};
        const int count = snap_.count;
        for (int h = 2; h <= count; ++h) {
            row_cells(snap_, h, mode_, thresholds_, row.data());
            next.clear();
            std::size_t k = 0;
            for (int j = 0; j < COLUMN_COUNT;) {
                int e = j;
                while (e + 1 < COLUMN_COUNT && row[std::size_t(e + 1)] == row[std::size_t(j)]) {
                    ++e;
                }
                const std::int8_t colour = row[std::size_t(j)];
                if (colour >= 0) {  // white is the plot's own
                    const Run run{j + 1, e + 1, colour, h};
                    while (k < open.size() && open[k].first < run.first) {
                        close(open[k++], h - 1, rects);
                    }
                    if (k < open.size() && open[k].first == run.first) {
                        if (open[k].last == run.last && open[k].colour == colour) {
                            next.push_back(open[k++]);  // grows upward
                            j = e + 1;
                            continue;
                        }
                        close(open[k++], h - 1, rects);
                    }
                    next.push_back(run);
                }
                j = e + 1;
            }
            while (k < open.size()) {
                close(open[k++], h - 1, rects);
            }
            std::swap(open, next);
        }
        for (const Run& run : open) {
            close(run, count, rects);
        }
        // Each colour is one shape: a renderer that smooths edges then
        // leaves no hairline where two rectangles of one colour meet.
        p_.setPen(Qt::NoPen);
        for (std::size_t c = 0; c < rects.size(); ++c) {
            if (!rects[c].empty()) {
                QPainterPath shape;
                shape.setFillRule(Qt::WindingFill);
                for (const QRectF& r : rects[c]) {
                    shape.addRect(r);
                }
                p_.setBrush(colours_.cells[c]);
                p_.drawPath(shape);
            }
        }
    }

    void text(QPointF at, const QString& s, Qt::Alignment align = Qt::AlignLeft) {
        draw_figure_text(p_, at, s, align, colours_.ink);
    }

    void frame(const QRectF& r) {
        p_.setPen(QPen(colours_.ink, 1));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(r);
    }

    void axes() {
        frame(plot_.adjusted(-0.5, -0.5, 0.5, 0.5));  // just outside the cells
        const double end = newest_time();
        draw_plot_axes(p_, plot_, axis_ticks(snap_.params.max_x, plot_.width(), plot_.left(), 1),
                       snap_.count >= 2 && std::isfinite(end)
                           ? axis_ticks(end, plot_.height(), plot_.bottom(), -1)
                           : std::vector<AxisTick>{},
                       "Distance (m)", "Time (kyr)", colours_.ink);
    }

    // The recorded sea level of every horizon, as a height above the base,
    // at the horizon's time.
    void sea_level() {
        const QRectF box = layout_.sea_level;
        p_.fillRect(box, kWhite);
        frame(box);
        text(QPointF(box.left(), box.top() - 8), "Sea level (m)");
        const int count = snap_.count;
        double low = 0, high = 0;
        if (!sea_level_elevation_range(snap_, low, high)) {
            return;
        }
        text(QPointF(box.left(), box.bottom() + 14), QString::number(low, 'f', 0));
        text(QPointF(box.right(), box.bottom() + 14), QString::number(high, 'f', 0),
             Qt::AlignRight);
        const double inner = box.width() - 8;
        QPolygonF curve;
        for (int h = 1; h <= count; ++h) {
            const double level = snap_.params.max_y - snap_.sealevels[std::size_t(h)];
            curve.append(QPointF(box.left() + 4 + (level - low) / (high - low) * inner,
                                 box.bottom() - height_of(count, h) * box.height()));
        }
        p_.setPen(QPen(colours_.sea_level, 1.5));
        p_.drawPolyline(curve);
    }

    void swatch(int row, int colour, const QString& label) {
        const QRectF box = layout_.legend;
        const QRectF r(box.left() + 6, box.top() + 24 + row * kLegendRow, 22, 16);
        p_.fillRect(r, colours_.cells[std::size_t(colour)]);
        frame(r);
        text(QPointF(r.right() + 8, r.bottom() - 3), label);
    }

    // The box holds as many rows as the mode shows: the layout's room is
    // for the most, the depth mode's seven.
    int legend_rows() const {
        return mode_ == ColourMode::TimeLines ? 2 : mode_ == ColourMode::Depth ? 7 : 6;
    }
    QRectF legend_box() const {
        QRectF box = layout_.legend;
        box.setHeight(24 + legend_rows() * kLegendRow + 4);
        return box;
    }

    void legend() {
        const int rows = legend_rows();
        const QRectF box = legend_box();
        p_.fillRect(box, kWhite);
        frame(box);
        if (mode_ == ColourMode::TimeLines) {
            text(QPointF(box.left() + 6, box.top() + 16), "Time-lines only");
            swatch(0, kWheelerDeposited, "Deposited");
            swatch(1, kWhiteCell, "Hiatus");
            return;
        }
        const ClassLegend legend = class_legend(mode_, snap_.display);
        text(QPointF(box.left() + 6, box.top() + 16), QString::fromStdString(legend.title));
        for (int c = 0; c < 5; ++c) {
            swatch(c, c, QString::fromStdString(legend.rows[std::size_t(c)]));
        }
        if (mode_ == ColourMode::Depth) {
            swatch(5, kWheelerSubaerial, "Subaerial");
        }
        swatch(rows - 1, kWhiteCell, "Hiatus");
    }

    void title() {
        const int count = std::max(snap_.count, 0);
        const double end = newest_time();
        QString line = QString("Wheeler Diagram, %1 horizons").arg(count);
        if (count >= 2 && std::isfinite(end)) {
            line += QString(", %1 kyr").arg(QString::number(end, 'f', 1));
        }
        QFont bold = p_.font();
        bold.setBold(true);
        p_.save();
        p_.setFont(bold);
        text(QPointF(plot_.left(), plot_.top() - 12), line);
        p_.restore();
    }

    QPainter& p_;
    const FigureMarks& marks_;
    const SectionSnapshot& snap_;
    QSize size_;
    WheelerLayout layout_;
    QRectF plot_;
    ColourMode mode_;
    Thresholds thresholds_;
    Palette colours_;
    std::vector<double> times_;
};

}  // namespace

WheelerLayout wheeler_layout(QSize size) {
    WheelerLayout l;
    const double right =
        kGapToSeaLevel + kSeaLevelWidth + kGapToLegend + kLegendWidth + kMarginRight;
    const double w = std::max(size.width() - kPlotMarginLeft - right, 10.0);
    const double h = std::max(size.height() - kPlotMarginTop - kPlotMarginBottom, 10.0);
    l.plot = QRectF(kPlotMarginLeft, kPlotMarginTop, w, h);
    l.sea_level = QRectF(l.plot.right() + kGapToSeaLevel, l.plot.top(), kSeaLevelWidth, h);
    l.legend = QRectF(l.sea_level.right() + kGapToLegend, l.plot.top(), kLegendWidth,
                      24 + 7 * kLegendRow + 4);
    return l;
}

std::vector<std::int8_t> wheeler_cells(const SectionSnapshot& snapshot) {
    std::vector<std::int8_t> cells;
    if (!drawable(snapshot)) {
        return cells;
    }
    const ColourMode mode = colour_mode(snapshot.display);
    const Thresholds t = thresholds_of(mode, snapshot.display);
    cells.resize(std::size_t(snapshot.count - 1) * COLUMN_COUNT);
    for (int h = 2; h <= snapshot.count; ++h) {
        row_cells(snapshot, h, mode, t, cells.data() + std::size_t(h - 2) * COLUMN_COUNT);
    }
    return cells;
}

QRectF wheeler_cell_rect(const WheelerLayout& layout, int count, int column, int h) {
    const QRectF& plot = layout.plot;
    const double left = plot.left() + double(column - 1) / COLUMN_COUNT * plot.width();
    const double right = plot.left() + double(column) / COLUMN_COUNT * plot.width();
    const double top = plot.bottom() - height_of(count, h) * plot.height();
    const double base = plot.bottom() - height_of(count, h - 1) * plot.height();
    return QRectF(QPointF(left, top), QPointF(right, base));
}

int wheeler_column_at(double fraction) {
    if (!(fraction >= 0 && fraction <= 1)) {
        return 0;
    }
    return std::clamp(int(std::floor(fraction * COLUMN_COUNT)), 0, COLUMN_COUNT - 1) + 1;
}

void render_wheeler_diagram(QPainter& painter, const SectionSnapshot& snapshot, QSize size,
                            SectionStyle style, const FigureMarks& marks) {
    WheelerPainter(painter, snapshot, size, style, marks).paint();
}

QByteArray encode_wheeler_diagram(const SectionSnapshot& snapshot, FigureFormat format,
                                  const FigureRequest& request, SectionStyle style) {
    return encode_drawing(format, request, [&](QPainter& painter, QSize size, double) {
        render_wheeler_diagram(painter, snapshot, size, style, request.report.marks);
    });
}

}  // namespace vendrel
