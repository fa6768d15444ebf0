#include "view/report_figure.h"

#include <QFont>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/faults.h"
#include "document/stratigraphy.h"
#include "view/class_colours.h"
#include "view/report_palette.h"

namespace vendrel {

namespace {

// The right margin holds the colour bar and the sea-level curve, in
// figure pixels (the others: kPlotMargin*).
constexpr double kMarginRight = 196;

constexpr double kTolerance = 0.05;  // of dropped points, figure pixels
constexpr double kInvisible = 0.02;  // thickness of a layer left out, device pixels
constexpr double kMinTimelineGap = 3;

const QColor kInk(25, 25, 25);

constexpr int kSubaerialIndex = 7;  // of the colours of the layers

// The legend's box of the layers laid down on land, below the colour bar.
QRectF subaerial_swatch(const ReportLayout& layout) {
    const QRectF bar = layout.colour_bar;
    return QRectF(bar.left(), bar.bottom() + 8, bar.width(), bar.width());
}
const QColor kTimeline(45, 45, 45);

double round_tenth(double v) {
    return std::round(v * 10) / 10;
}

// The points of a polyline whose x never decreases that are kept: the
// ends, the ends of vertical steps, and every point that does not lie
// within kTolerance (measured vertically) of the straight line between the
// points kept on either side. A line from the last point kept stays
// possible while its slope lies in the range that passes every point since
// within the tolerance.
void simplify(const std::vector<double>& xs, const std::vector<double>& ys,
              std::vector<int>& kept) {
    kept.clear();
    const int n = int(xs.size());
    if (n == 0) {
        return;
    }
    constexpr double kOpen = std::numeric_limits<double>::infinity();
    kept.push_back(0);
    int anchor = 0;
    int last = 0;
    double low = -kOpen, high = kOpen;
    for (int i = 1; i < n; ++i) {
        double dx = xs[std::size_t(i)] - xs[std::size_t(anchor)];
        if (dx > 1e-9) {
            const double slope = (ys[std::size_t(i)] - ys[std::size_t(anchor)]) / dx;
            if (slope < low || slope > high) {
                kept.push_back(last);
                anchor = last;
                low = -kOpen;
                high = kOpen;
                dx = xs[std::size_t(i)] - xs[std::size_t(anchor)];
            }
        }
        if (dx <= 1e-9) {
            // A vertical step: both of its ends are kept.
            if (last != anchor) {
                kept.push_back(last);
            }
            kept.push_back(i);
            anchor = last = i;
            low = -kOpen;
            high = kOpen;
            continue;
        }
        const double inverse = 1 / dx;
        const double rise = ys[std::size_t(i)] - ys[std::size_t(anchor)];
        low = std::max(low, (rise - kTolerance) * inverse);
        high = std::min(high, (rise + kTolerance) * inverse);
        last = i;
    }
    if (last != anchor) {
        kept.push_back(last);
    }
}

// A polyline of one horizon over a block: heights of every point and the
// points kept.
struct Line {
    std::vector<double> ys;
    std::vector<int> kept;
};

// A range of columns between faults, its points and their columns.
struct Block {
    std::vector<double> xs;
    std::vector<int> columns;  // the column whose value each point takes
};

class ReportPainter {
  public:
    ReportPainter(QPainter& painter, const SectionSnapshot& snap, QSize size,
                  const ReportOptions& options)
        : p_(painter),
          snap_(snap),
          size_(size),
          layout_(report_layout(size)),
          plot_(layout_.plot),
          mode_(colour_mode(snap.display)),
          options_(options),
          device_scale_(options.device_scale > 0 ? options.device_scale : 1.0),
          times_(horizon_times_kyr(snap.params, std::max(snap.count, 0))) {
        report_depth_range(snap, z_top_, z_bottom_);
        y_scale_ = plot_.height() / (z_bottom_ - z_top_);
    }

    void paint() {
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, true);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        p_.fillRect(QRectF(0, 0, size_.width(), size_.height()), Qt::white);
        QFont font("Arial");
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(12);
        p_.setFont(font);

        const double max_x = snap_.params.max_x, max_y = snap_.params.max_y;
        const bool drawable = std::isfinite(max_x) && std::isfinite(max_y) && max_x > 0 &&
                              max_y > 0 && snap_.count >= 1 &&
                              snap_.x_values.size() >= std::size_t(COLUMN_SLOTS);
        if (drawable) {
            build_blocks();
            layers();
            timelines();
            marks();
        }
        axes(drawable);
        title();
        if (mode_ != ColourMode::TimeLines) {
            colour_bar();
        }
        if (drawable) {
            timeline_note();
            sea_level_curve();
        }
        p_.restore();
    }

  private:
    double X(double x) const {
        const double v = plot_.left() + x / snap_.params.max_x * plot_.width();
        return std::isnan(v) ? plot_.left() : std::clamp(v, plot_.left(), plot_.right());
    }
    // Depth-down z to figure y, kept inside the plot; an unknown depth lies
    // at the base.
    double Y(double z) const {
        const double v = plot_.top() + (z - z_top_) * y_scale_;
        return std::isnan(v) ? plot_.bottom() : std::clamp(v, plot_.top(), plot_.bottom());
    }
    double snap_to_device(double x) const { return std::round(x * device_scale_) / device_scale_; }

    // The faults cut the columns where the set of faults moving them
    // changes; there each block ends at a wall on the nearest device pixel.
    // A fault without slip moves nothing and cuts nothing.
    void build_blocks() {
        const ModelParameters& par = snap_.params;
        const double dx = snap_.dx;
        const std::uint8_t slipping =
            std::uint8_t((par.slip1 != 0 ? 1u : 0u) | (par.slip2 != 0 ? 2u : 0u));
        std::vector<std::pair<int, double>> walls;  // last column before, wall x
        if (dx > 0 && slipping != 0) {
            for (int j = 1; j < COLUMN_COUNT; ++j) {
                if ((faults_moving_column(par, j, dx) & slipping) ==
                    (faults_moving_column(par, j + 1, dx) & slipping)) {
                    continue;
                }
                const double at =
                    j * dx < par.fault1 && par.fault1 <= (j + 1) * dx ? par.fault1 : par.fault2;
                const double lo = X(snap_.x_values[j]), hi = X(snap_.x_values[j + 1]);
                walls.emplace_back(j, snap_to_device(std::clamp(X(at), lo, hi)));
            }
        }
        blocks_.clear();
        int first = 1;
        double left = X(0);
        for (std::size_t w = 0; w <= walls.size(); ++w) {
            const bool end = w == walls.size();
            const int last = end ? COLUMN_COUNT : walls[w].first;
            const double right = end ? X(snap_.x_values[COLUMN_COUNT]) : walls[w].second;
            Block b;
            b.xs.push_back(left);
            b.columns.push_back(first);
            for (int j = first; j <= last; ++j) {
                const double x = X(snap_.x_values[j]);
                if (x > left && x < right) {
                    b.xs.push_back(x);
                    b.columns.push_back(j);
                }
            }
            if (right > b.xs.back()) {
                b.xs.push_back(right);
                b.columns.push_back(last);
            }
            if (b.xs.size() >= 2) {
                blocks_.push_back(std::move(b));
            }
            first = last + 1;
            left = right;
        }
    }

    void trace(const Block& b, int h, Line& line) const {
        const double* z = snap_.horizon_z(h);
        line.ys.resize(b.xs.size());
        for (std::size_t i = 0; i < b.xs.size(); ++i) {
            line.ys[i] = Y(z[b.columns[i]]);
        }
        simplify(b.xs, line.ys, line.kept);
    }

    // 0..4 a colour class, 5 the time-lines grey, 6 the substrate, 7 a
    // layer laid down at or above sea level.
    QColor colour_of(int index) const {
        if (index == 6) {
            return kReportSubstrate;
        }
        if (index == kSubaerialIndex) {
            return kReportSubaerial;
        }
        return report_class_colour(index == 5 ? ColourMode::TimeLines : mode_, index);
    }

    void layers() {
        const Thresholds t = thresholds_of(mode_, snap_.display);
        const bool coloured = mode_ != ColourMode::TimeLines && !snap_.attribute.empty();
        const bool depth = mode_ == ColourMode::Depth;
        // A layer thinner than this changes no pixel by more than 2 %; the
        // younger layer above, which reaches under it, takes its place.
        const double invisible = kInvisible / device_scale_;
        p_.setPen(Qt::NoPen);
        std::vector<int> colour;
        // Every horizon of every block is traced once, here, and kept for
        // the time-lines.
        traced_.resize(blocks_.size());
        for (std::size_t bi = 0; bi < blocks_.size(); ++bi) {
            const Block& b = blocks_[bi];
            std::vector<Line>& lines = traced_[bi];
            lines.resize(std::size_t(snap_.count));
            const int segments = int(b.xs.size()) - 1;
            colour.resize(std::size_t(segments));
            trace(b, snap_.count, lines[std::size_t(snap_.count - 1)]);
            for (int h = snap_.count; h >= 1; --h) {
                const Line& top = lines[std::size_t(h - 1)];
                if (h > 1) {
                    trace(b, h - 1, lines[std::size_t(h - 2)]);
                }
                const Line& below = lines[std::size_t(h > 1 ? h - 2 : 0)];
                const double* v = coloured ? snap_.horizon_attribute(h) : nullptr;
                const double* z_above = snap_.horizon_z(h);
                const double* z_below = h > 1 ? snap_.horizon_z(h - 1) : nullptr;
                for (std::size_t s = 0; s < std::size_t(segments); ++s) {
                    if (h == 1) {
                        colour[s] = 6;
                    } else if (below.ys[s] - top.ys[s] <= invisible &&
                               below.ys[s + 1] - top.ys[s + 1] <= invisible) {
                        colour[s] = -1;  // too thin to change a pixel
                    } else if (v == nullptr) {
                        colour[s] = 5;
                    } else {
                        const int j = b.columns[s];
                        colour[s] = depth && subaerial_flag(
                                                 v[j], layer_thickness(z_below[j], z_above[j])) == 1
                                        ? kSubaerialIndex
                                        : class_of(v[j], t);
                    }
                }
                std::size_t k_top = 0, k_below = 0;  // where the last run's search ended
                for (int s = 0; s < segments;) {
                    int e = s;
                    while (e + 1 < segments &&
                           colour[std::size_t(e + 1)] == colour[std::size_t(s)]) {
                        ++e;
                    }
                    if (colour[std::size_t(s)] >= 0) {
                        const int to = std::min(e + 2, segments);
                        polygon_.clear();
                        append_span(b, top, s, to, k_top, 0, false);
                        if (h > 1) {
                            append_span(b, below, s, to, k_below, 1, true);
                        } else {
                            polygon_.append(
                                QPointF(round_tenth(b.xs[std::size_t(to)]), plot_.bottom()));
                            polygon_.append(
                                QPointF(round_tenth(b.xs[std::size_t(s)]), plot_.bottom()));
                        }
                        p_.setBrush(colour_of(colour[std::size_t(s)]));
                        p_.drawPolygon(polygon_, Qt::WindingFill);
                    }
                    s = e + 1;
                }
            }
        }
    }

    // Appends the points from..to of a horizon's line: its ends and the kept
    // points between them, left to right; or, for the lower edge of the
    // layer above, right to left and lowered so that it passes under every
    // pixel the line's anti-aliased edge touches (one pixel and the slope
    // of the neighbouring segments, at least one device pixel). `k` is where
    // to start looking among the kept points; it is left at the first kept
    // point not before `from`.
    void append_span(const Block& b, const Line& line, int from, int to, std::size_t& k,
                     int lowered, bool reversed) {
        while (k < line.kept.size() && line.kept[k] < from) {
            ++k;
        }
        span_.clear();
        span_.push_back(from);
        for (std::size_t i = k; i < line.kept.size() && line.kept[i] < to; ++i) {
            if (line.kept[i] > from) {
                span_.push_back(line.kept[i]);
            }
        }
        span_.push_back(to);
        if (!reversed) {
            for (int i : span_) {
                polygon_.append(QPointF(round_tenth(b.xs[std::size_t(i)]),
                                        round_tenth(line.ys[std::size_t(i)])));
            }
            return;
        }
        const double pixel = 1.2 * std::max(1.0, 1 / device_scale_);
        auto slope = [&](std::size_t a, std::size_t c) {
            const double dx = b.xs[std::size_t(span_[c])] - b.xs[std::size_t(span_[a])];
            return dx > 1e-9 ? std::fabs(line.ys[std::size_t(span_[c])] -
                                         line.ys[std::size_t(span_[a])]) /
                                   dx
                             : 0.0;
        };
        for (std::size_t n = span_.size(); n-- > 0;) {
            double steepest = 0;
            if (n > 0) {
                steepest = std::max(steepest, slope(n - 1, n));
            }
            if (n + 1 < span_.size()) {
                steepest = std::max(steepest, slope(n, n + 1));
            }
            const double y = line.ys[std::size_t(span_[n])] + lowered * (pixel + steepest);
            polygon_.append(QPointF(round_tenth(b.xs[std::size_t(span_[n])]),
                                    round_tenth(std::min(y, plot_.bottom()))));
        }
    }

    // Every n-th horizon when the caller asks for that; otherwise every
    // horizon wherever it lies at least kMinTimelineGap below the last
    // time-line drawn under it and above the newest horizon, so that
    // converging lines end instead of merging into black. The initial
    // surface and the newest horizon are drawn whole.
    void timelines() {
        QPen pen(kTimeline, 0.6);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p_.setPen(pen);
        p_.setBrush(Qt::NoBrush);
        const int count = snap_.count;
        const int every = options_.timeline_every;
        const int stride = every > 0 ? every : 1;
        std::vector<double> last;  // y of the lowest line drawn above each point
        for (std::size_t bi = 0; bi < blocks_.size(); ++bi) {
            const Block& b = blocks_[bi];
            const std::vector<Line>& lines = traced_[bi];
            const Line& newest = lines[std::size_t(count - 1)];
            draw_line(b, lines[0], 0, int(b.xs.size()) - 1);
            last = lines[0].ys;
            for (int h = 1 + stride; h < count; h += stride) {
                const Line& line = lines[std::size_t(h - 1)];
                if (every > 0) {
                    draw_line(b, line, 0, int(b.xs.size()) - 1);
                    continue;
                }
                const int n = int(b.xs.size());
                auto spaced = [&](int i) {
                    const std::size_t k = std::size_t(i);
                    return last[k] - line.ys[k] >= kMinTimelineGap &&
                           line.ys[k] - newest.ys[k] >= kMinTimelineGap;
                };
                for (int i = 0; i < n;) {
                    if (!spaced(i)) {
                        ++i;
                        continue;
                    }
                    int e = i;
                    while (e + 1 < n && spaced(e + 1)) {
                        ++e;
                    }
                    // A stretch shorter than a few gaps would only hatch.
                    if (b.xs[std::size_t(e)] - b.xs[std::size_t(i)] >= 4 * kMinTimelineGap) {
                        draw_line(b, line, i, e);
                        std::copy(line.ys.begin() + i, line.ys.begin() + e + 1, last.begin() + i);
                    }
                    i = e + 1;
                }
            }
            if (count > 1) {
                draw_line(b, newest, 0, int(b.xs.size()) - 1);
            }
        }
    }

    void marks() {
        const FigureMarks& m = options_.marks;
        if (!m.any()) {
            return;
        }
        const double max_y = snap_.params.max_y;
        const int count = snap_.count;
        if (m.sea_level) {
            const double level = snap_.sealevels[std::size_t(count)];
            if (std::isfinite(level)) {
                QPen pen(kReportSeaLevel, 1.2, Qt::DashLine);
                p_.setPen(pen);
                const double y = Y(level);
                p_.drawLine(QPointF(plot_.left(), y), QPointF(plot_.right(), y));
                draw_figure_text(p_, QPointF(plot_.right() - 4, y - 3), "Sea level", Qt::AlignRight,
                                 kReportSeaLevel);
            }
        }
        if (m.trajectory) {
            draw_trajectory(p_, snapshot_shoreline_trajectory(snap_),
                            [&](const ShorelinePoint& s, int) {
                                return QPointF(X(s.x), Y(max_y - s.elevation));
                            });
            const QRectF box(plot_.right() - 128, plot_.top() + 4, 124, 5 * 13 + 6);
            p_.fillRect(box, QColor(255, 255, 255, 230));
            draw_trajectory_legend(p_, box.topLeft() + QPointF(4, 2), 13, kInk);
        }
        if (m.ages_every > 0) {
            // Each label sits on its line where the package below it, back
            // to the last labelled line, is thickest.
            std::vector<QRectF> placed;
            for (int h = 1 + m.ages_every; h <= count; h += m.ages_every) {
                const double* z = snap_.horizon_z(h);
                const double* below = snap_.horizon_z(h - m.ages_every);
                int best = 0;
                double thickest = 0;
                for (int c = 1; c <= COLUMN_COUNT; ++c) {
                    const double t = below[c] - z[c];
                    if (std::isfinite(t) && t > thickest) {
                        thickest = t;
                        best = c;
                    }
                }
                if (best == 0) {
                    continue;
                }
                const QString label = QString::number(times_[std::size_t(h - 1)], 'f', 1) + " ka";
                const QPointF at(X(snap_.x_values[std::size_t(best)]), Y(z[best]) - 2);
                const QRectF room(at.x() - 22, at.y() - 10, 44, 12);
                if (std::any_of(placed.begin(), placed.end(),
                                [&](const QRectF& r) { return r.intersects(room); })) {
                    continue;
                }
                placed.push_back(room);
                p_.fillRect(room.adjusted(0, 0, 0, 2), QColor(255, 255, 255, 200));
                text(at, label, Qt::AlignHCenter);
            }
        }
        for (const double w : m.wells) {
            draw_well_tick(p_, X(w), plot_.top(), 8, w, kInk);
        }
    }

    // Points from..to of a traced line: its ends and the kept points between.
    void draw_line(const Block& b, const Line& line, int from, int to) {
        polygon_.clear();
        auto add = [&](int i) {
            polygon_.append(
                QPointF(round_tenth(b.xs[std::size_t(i)]), round_tenth(line.ys[std::size_t(i)])));
        };
        add(from);
        for (auto k = std::upper_bound(line.kept.begin(), line.kept.end(), from);
             k != line.kept.end() && *k < to; ++k) {
            add(*k);
        }
        add(to);
        p_.drawPolyline(polygon_);
    }

    void text(QPointF at, const QString& s, Qt::Alignment align = Qt::AlignLeft) {
        draw_figure_text(p_, at, s, align, kInk);
    }

    void axes(bool drawable) {
        p_.setBrush(Qt::NoBrush);
        p_.setPen(QPen(kInk, 1));
        p_.drawRect(plot_);
        if (!drawable) {
            return;
        }
        const double max_y = snap_.params.max_y;
        draw_plot_axes(p_, plot_, x_axis_ticks(layout_, snap_.params.max_x),
                       elevation_axis_ticks(layout_, max_y - z_bottom_, max_y - z_top_),
                       "Distance (m)", "Elevation (m)", kInk);
        // Vertical exaggeration of the plot area: metres per pixel across
        // over metres per pixel down.
        const double ve = y_scale_ / (plot_.width() / snap_.params.max_x);
        text(QPointF(plot_.right(), plot_.top() - 12),
             QString("VE \u00d7") + QString::number(ve, 'f', 1), Qt::AlignRight);
    }

    void title() {
        const int count = std::max(snap_.count, 0);
        const double length = newest_time();
        QFont bold = p_.font();
        bold.setBold(true);
        p_.save();
        p_.setFont(bold);
        text(QPointF(plot_.left(), plot_.top() - 12),
             QString("Run of %1 ka, %2 horizons").arg(QString::number(length, 'f', 1)).arg(count));
        p_.restore();
    }

    void colour_bar() {
        static const char* const titles[] = {"Depth of Deposition (m)",
                                             "Distance from Shoreline (m)", "Porosity"};
        const QRectF bar = layout_.colour_bar;
        text(QPointF(bar.left() - 4, bar.top() - 10), titles[int(mode_)]);
        const Thresholds t = thresholds_of(mode_, snap_.display);
        const double box = bar.height() / 5;
        for (int c = 0; c < 5; ++c) {
            const QRectF r(bar.left(), bar.top() + c * box, bar.width(), box);
            p_.fillRect(r, report_class_colour(mode_, c));
            // Every boundary: 0 at the top, then the thresholds.
            text(QPointF(bar.right() + 6, r.top() + 4),
                 c > 0 ? figure_number(t[std::size_t(c - 1)]) : QString("0"));
        }
        p_.setPen(QPen(kInk, 1));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(bar);
        if (mode_ == ColourMode::Depth) {
            const QRectF land = subaerial_swatch(layout_);
            p_.fillRect(land, kReportSubaerial);
            p_.drawRect(land);
            text(QPointF(land.right() + 6, land.bottom() - 3), "Subaerial");
        }
    }

    void timeline_note() {
        const int every = options_.timeline_every;
        const double y = mode_ == ColourMode::TimeLines ? layout_.colour_bar.top()
                         : mode_ == ColourMode::Depth   ? subaerial_swatch(layout_).bottom() + 26
                                                        : layout_.colour_bar.bottom() + 26;
        text(QPointF(layout_.colour_bar.left() - 4, y),
             every == 1  ? QString("Time-lines at every horizon")
             : every > 1 ? QString("Time-lines every %1 horizons").arg(every)
                         : QString("Time-lines \u2265 %1 mm apart")
                               .arg(QString::number(kMinTimelineGap * 25.4 / 96, 'f', 1)));
    }

    // The sea level as a height above the base against time: the level of
    // time 0 (baselevel; slot 1 holds the planned curve's first value),
    // then the recorded level of each horizon, with ticks on both axes.
    double sea_level_at(int h) const { return report_sea_level_elevation(snap_, h); }
    // The time of the newest horizon (kyr), 0 when there is none.
    double newest_time() const { return times_.empty() ? 0.0 : times_.back(); }

    void sea_level_curve() {
        const QRectF box = layout_.sea_level;
        text(QPointF(box.left(), box.top() - 8), "Sea level (m)");
        p_.setPen(QPen(kInk, 1));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(box);
        const int count = snap_.count;
        const double end = newest_time();
        text(QPointF(box.center().x(), box.bottom() + 28), "Time (ka)", Qt::AlignHCenter);
        if (count < 2 || !(end > 0) || !std::isfinite(end)) {
            return;
        }
        double low = std::numeric_limits<double>::infinity(), high = -low;
        for (int h = 1; h <= count; ++h) {
            low = std::min(low, sea_level_at(h));
            high = std::max(high, sea_level_at(h));
        }
        if (!std::isfinite(low) || !std::isfinite(high)) {
            return;
        }
        if (high - low < 1e-9) {
            low -= 1;
            high += 1;
        }
        for (const AxisTick& t : axis_ticks_over(0, end, box.width(), box.left(), 1)) {
            p_.setPen(QPen(kInk, 1));
            p_.drawLine(QPointF(t.position, box.bottom()), QPointF(t.position, box.bottom() + 3));
            text(QPointF(t.position, box.bottom() + 14), figure_number(t.value), Qt::AlignHCenter);
        }
        for (const AxisTick& t : axis_ticks_over(low, high, box.height(), box.bottom(), -1, 24)) {
            p_.setPen(QPen(kInk, 1));
            p_.drawLine(QPointF(box.left() - 3, t.position), QPointF(box.left(), t.position));
            text(QPointF(box.left() - 5, t.position + 4), figure_number(t.value), Qt::AlignRight);
        }
        polygon_.clear();
        for (int h = 1; h <= count; ++h) {
            polygon_.append(QPointF(
                round_tenth(box.left() + times_[std::size_t(h - 1)] / end * box.width()),
                round_tenth(box.bottom() - (sea_level_at(h) - low) / (high - low) * box.height())));
        }
        p_.setPen(QPen(kReportSeaLevel, 1.2));
        p_.drawPolyline(polygon_);
    }

    QPainter& p_;
    const SectionSnapshot& snap_;
    QSize size_;
    ReportLayout layout_;
    QRectF plot_;
    ColourMode mode_;
    ReportOptions options_;
    double device_scale_;
    std::vector<double> times_;        // of horizons 1..count, kyr
    double z_top_ = 0, z_bottom_ = 1;  // the depths at the plot's top and base
    double y_scale_ = 1;
    std::vector<Block> blocks_;
    std::vector<std::vector<Line>> traced_;  // of each block, horizons 1..count
    QPolygonF polygon_;
    std::vector<int> span_;
};

}  // namespace

void report_depth_range(const SectionSnapshot& snapshot, double& top, double& bottom) {
    top = 0;
    bottom = snapshot.params.max_y;
    if (snapshot.z.size() >= std::size_t(std::max(snapshot.count, 0)) * COLUMN_SLOTS) {
        for (int h = 1; h <= snapshot.count; ++h) {
            const double* z = snapshot.horizon_z(h);
            for (int j = 1; j <= COLUMN_COUNT; ++j) {
                if (std::isfinite(z[j])) {
                    top = std::min(top, z[j]);
                    bottom = std::max(bottom, z[j]);
                }
            }
        }
    }
    if (!(bottom > top) || !std::isfinite(bottom - top)) {
        top = 0;
        bottom = 1;
    }
}

ReportLayout report_layout(QSize size) {
    ReportLayout l;
    const double w = std::max(size.width() - kPlotMarginLeft - kMarginRight, 10.0);
    const double h = std::max(size.height() - kPlotMarginTop - kPlotMarginBottom, 10.0);
    l.plot = QRectF(kPlotMarginLeft, kPlotMarginTop, w, h);
    l.colour_bar = QRectF(l.plot.right() + 24, l.plot.top() + 24, 16, 100);
    // Low in the margin, but below the colour bar and its notes on a short
    // figure.
    const double top = std::max(l.plot.bottom() - 116, l.colour_bar.bottom() + 80);
    l.sea_level = QRectF(l.plot.right() + 56, top, kMarginRight - 56 - 14,
                         std::max(l.plot.bottom() - 20 - top, 30.0));
    return l;
}

std::vector<AxisTick> x_axis_ticks(const ReportLayout& layout, double max_x) {
    return axis_ticks(max_x, layout.plot.width(), layout.plot.left(), 1);
}

std::vector<AxisTick> elevation_axis_ticks(const ReportLayout& layout, double max_y) {
    return axis_ticks(max_y, layout.plot.height(), layout.plot.bottom(), -1);
}

std::vector<AxisTick> elevation_axis_ticks(const ReportLayout& layout, double low, double high) {
    return axis_ticks_over(low, high, layout.plot.height(), layout.plot.bottom(), -1);
}

double report_sea_level_elevation(const SectionSnapshot& snapshot, int h) {
    return snapshot.params.max_y -
           (h == 1 ? snapshot.params.baselevel : snapshot.sealevels[std::size_t(h)]);
}

bool sea_level_elevation_range(const SectionSnapshot& snapshot, double& low, double& high) {
    if (snapshot.count < 2) {
        return false;
    }
    low = std::numeric_limits<double>::infinity();
    high = -low;
    for (int h = 1; h <= snapshot.count; ++h) {
        const double level = snapshot.params.max_y - snapshot.sealevels[std::size_t(h)];
        low = std::min(low, level);
        high = std::max(high, level);
    }
    if (!std::isfinite(low) || !std::isfinite(high)) {
        return false;
    }
    if (high - low < 1e-9) {
        low -= 1;
        high += 1;
    }
    return true;
}

void render_report_figure(QPainter& painter, const SectionSnapshot& snapshot, QSize size,
                          const ReportOptions& options) {
    ReportPainter(painter, snapshot, size, options).paint();
}

}  // namespace vendrel
