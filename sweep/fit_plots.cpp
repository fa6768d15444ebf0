#include "sweep/fit_plots.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "sweep/design_sampling.h"
#include "sweep/plot_files.h"
#include "sweep/sweep_plot.h"
#include "view/figure_axes.h"

namespace vendrel {
namespace {

constexpr int kCell = 210;
constexpr int kGap = 32;
constexpr int kLeft = 90;
constexpr int kBottom = 70;
constexpr int kTop = 20;
constexpr int kRight = 20;
constexpr int kTick = 4;

// Round ticks (1, 2 or 5 times a power of ten) within [low, high].
std::vector<double> nice_ticks(double low, double high) {
    double step = 0;
    return round_ticks(low, high, step);
}

// The unit coordinate of a parameter's value (the inverse of design_value
// for a range; a list's values spread evenly).
double unit_of(const FreeParameter& f, double value) {
    if (f.is_list()) {
        const auto it = std::find(f.values.begin(), f.values.end(), value);
        return (double(it - f.values.begin()) + 0.5) / double(f.values.size());
    }
    if (f.log) {
        return std::log(value / f.low) / std::log(f.high / f.low);
    }
    return (value - f.low) / (f.high - f.low);
}

// Ticks of a parameter axis: (unit coordinate, label).
std::vector<std::pair<double, QString>> parameter_ticks(const FreeParameter& f) {
    std::vector<std::pair<double, QString>> out;
    if (f.is_list()) {
        for (double v : f.values) {
            out.emplace_back(unit_of(f, v), sweep_plot_number(v));
        }
        return out;
    }
    if (f.log) {
        for (double e = std::floor(std::log10(f.low)); e <= std::ceil(std::log10(f.high)); ++e) {
            for (double m : {1.0, 2.0, 5.0}) {
                const double v = m * std::pow(10.0, e);
                if (v >= f.low * (1 - 1e-9) && v <= f.high * (1 + 1e-9)) {
                    out.emplace_back(unit_of(f, v), sweep_plot_number(v));
                }
            }
        }
        if (out.size() > 5) {
            std::vector<std::pair<double, QString>> fewer;
            for (std::size_t i = 0; i < out.size(); i += 3) {
                fewer.push_back(out[i]);
            }
            out = fewer;
        }
        return out;
    }
    for (double v : nice_ticks(f.low, f.high)) {
        out.emplace_back(unit_of(f, v), sweep_plot_number(v));
    }
    return out;
}

// The points as drawn: a list parameter's coordinate moved to the middle
// of its value's share of the cube, where the value's tick is.
PairPlotData on_value_marks(const PairPlotData& given) {
    PairPlotData data = given;
    for (std::size_t k = 0; k < data.parameters.size(); ++k) {
        const FreeParameter& f = data.parameters[k];
        if (!f.is_list()) {
            continue;
        }
        for (auto& u : data.unit) {
            u[k] = unit_of(f, design_value(f, u[k]));
        }
        if (k < data.best.size()) {
            data.best[k] = unit_of(f, design_value(f, data.best[k]));
        }
    }
    return data;
}

}  // namespace

void save_pair_plot(const PairPlotData& given, const std::string& png, const std::string& svg) {
    const PairPlotData data = on_value_marks(given);
    const int d = int(data.parameters.size());
    const int width = kLeft + d * kCell + (d - 1) * kGap + kRight;
    const int height = kTop + d * kCell + (d - 1) * kGap + kBottom;
    const auto draw = [&](QPainter& painter) {
        painter.fillRect(QRect(0, 0, width, height), Qt::white);
        QFont font("Arial");
        font.setPixelSize(12);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        const auto cell = [&](int row, int column) {
            return QRectF(kLeft + column * (kCell + kGap), kTop + row * (kCell + kGap), kCell,
                          kCell);
        };
        for (int r = 0; r < d; ++r) {
            for (int c = 0; c <= r; ++c) {
                const QRectF box = cell(r, c);
                const auto x_of = [&](double u) { return box.left() + u * box.width(); };
                const auto y_of = [&](double u) { return box.bottom() - u * box.height(); };
                if (r == c) {
                    constexpr int kBins = 20;
                    std::vector<double> bins(kBins, 0.0);
                    for (std::size_t i = 0; i < data.unit.size(); ++i) {
                        const int b =
                            std::clamp(int(data.unit[i][std::size_t(c)] * kBins), 0, kBins - 1);
                        bins[std::size_t(b)] += data.weights[i];
                    }
                    const double top = *std::max_element(bins.begin(), bins.end());
                    painter.setPen(QPen(QColor(40, 70, 140), 1));
                    painter.setBrush(QColor(120, 160, 220));
                    for (int b = 0; b < kBins; ++b) {
                        const double h = top > 0 ? bins[std::size_t(b)] / top * 0.95 : 0;
                        painter.drawRect(QRectF(QPointF(x_of(double(b) / kBins), y_of(h)),
                                                QPointF(x_of(double(b + 1) / kBins), y_of(0))));
                    }
                    if (!data.best.empty()) {
                        painter.setPen(QPen(QColor(200, 30, 30), 2));
                        const double x = x_of(data.best[std::size_t(c)]);
                        painter.drawLine(QPointF(x, y_of(0)), QPointF(x, y_of(1)));
                    }
                } else {
                    painter.setPen(Qt::NoPen);
                    painter.setBrush(QColor(40, 70, 140, 90));
                    for (const auto& u : data.unit) {
                        painter.drawEllipse(
                            QPointF(x_of(u[std::size_t(c)]), y_of(u[std::size_t(r)])), 2.2, 2.2);
                    }
                    if (!data.best.empty()) {
                        const QPointF p(x_of(data.best[std::size_t(c)]),
                                        y_of(data.best[std::size_t(r)]));
                        painter.setPen(QPen(QColor(200, 30, 30), 2));
                        painter.drawLine(p + QPointF(-5, -5), p + QPointF(5, 5));
                        painter.drawLine(p + QPointF(-5, 5), p + QPointF(5, -5));
                    }
                }
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(Qt::black, 1));
                painter.drawRect(box);
                // Ticks along the bottom of every cell, labelled on the bottom row.
                for (const auto& [u, label] : parameter_ticks(data.parameters[std::size_t(c)])) {
                    painter.drawLine(QPointF(x_of(u), box.bottom()),
                                     QPointF(x_of(u), box.bottom() + kTick));
                    if (r == d - 1) {
                        const int w = metrics.horizontalAdvance(label);
                        painter.drawText(QPointF(x_of(u) - w / 2.0, box.bottom() + kTick + 13),
                                         label);
                    }
                }
                if (r != c) {
                    for (const auto& [u, label] :
                         parameter_ticks(data.parameters[std::size_t(r)])) {
                        painter.drawLine(QPointF(box.left() - kTick, y_of(u)),
                                         QPointF(box.left(), y_of(u)));
                        if (c == 0) {
                            const int w = metrics.horizontalAdvance(label);
                            painter.drawText(QPointF(box.left() - kTick - 3 - w, y_of(u) + 4),
                                             label);
                        }
                    }
                }
            }
            // Titles: each column's parameter under the bottom row, each row's
            // at the left.
            const QString name = QString::fromStdString(data.parameters[std::size_t(r)].key) +
                                 (data.parameters[std::size_t(r)].log ? " (log axis)" : "");
            const QRectF bottom = cell(d - 1, r);
            painter.drawText(QRectF(bottom.left(), bottom.bottom() + 22, bottom.width(), 20),
                             Qt::AlignHCenter | Qt::AlignTop, name);
            const QRectF left = cell(r, 0);
            painter.save();
            painter.translate(18, left.center().y());
            painter.rotate(-90);
            painter.drawText(QRectF(-left.height() / 2, -10, left.height(), 20), Qt::AlignCenter,
                             r == 0 ? QString("weight (histogram)") : name);
            painter.restore();
        }
    };
    save_plot_files(QSize(width, height), "Posterior", draw, png, svg);
}

void save_predictive_plot(const std::vector<PredictivePanel>& panels, const std::string& png,
                          const std::string& svg) {
    constexpr int kWidth = 420, kHeight = 280, kPanelLeft = 70, kPanelBottom = 50, kPanelTop = 28;
    const int columns = std::min<int>(3, int(panels.size()));
    const int rows = (int(panels.size()) + columns - 1) / std::max(columns, 1);
    const int pw = kPanelLeft + kWidth + 20, ph = kPanelTop + kHeight + kPanelBottom;
    const QSize size(std::max(1, columns * pw), std::max(1, rows * ph));
    const auto draw = [&](QPainter& painter) {
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        QFont font("Arial");
        font.setPixelSize(12);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        for (std::size_t k = 0; k < panels.size(); ++k) {
            const PredictivePanel& p = panels[k];
            const QRectF box(int(k) % columns * pw + kPanelLeft, int(k) / columns * ph + kPanelTop,
                             kWidth, kHeight);
            double a_high = 0, v_low = INFINITY, v_high = -INFINITY;
            const auto take = [&](double v) {
                if (std::isfinite(v)) {
                    v_low = std::min(v_low, v);
                    v_high = std::max(v_high, v);
                }
            };
            for (std::size_t i = 0; i < p.obs_age.size(); ++i) {
                a_high = std::max(a_high, p.obs_age[i]);
                take(p.obs_value[i] - p.obs_sigma[i]);
                take(p.obs_value[i] + p.obs_sigma[i]);
            }
            for (std::size_t i = 0; i < p.age.size(); ++i) {
                a_high = std::max(a_high, p.age[i]);
                take(p.low[i]);
                take(p.high[i]);
                take(p.best[i]);
            }
            if (!(v_high > v_low)) {
                v_low = std::isfinite(v_low) ? v_low - 1 : 0;
                v_high = v_low + 2;
            }
            const double pad = 0.05 * (v_high - v_low);
            v_low -= pad;
            v_high += pad;
            if (!(a_high > 0)) {
                a_high = 1;
            }
            // Age decreases to the right: time runs left to right.
            const auto x_of = [&](double age) { return box.right() - age / a_high * box.width(); };
            const auto y_of = [&](double v) {
                return box.bottom() - (v - v_low) / (v_high - v_low) * box.height();
            };
            // The envelope, one shaded polygon per stretch of known values.
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(120, 160, 220, 120));
            std::size_t i = 0;
            while (i < p.age.size()) {
                std::size_t j = i;
                while (j < p.age.size() && std::isfinite(p.low[j]) && std::isfinite(p.high[j])) {
                    ++j;
                }
                if (j > i) {
                    QPolygonF band;
                    for (std::size_t m = i; m < j; ++m) {
                        band << QPointF(x_of(p.age[m]), y_of(p.high[m]));
                    }
                    for (std::size_t m = j; m-- > i;) {
                        band << QPointF(x_of(p.age[m]), y_of(p.low[m]));
                    }
                    if (j - i == 1) {
                        painter.setPen(QPen(QColor(120, 160, 220), 4));
                        painter.drawPolyline(band);
                        painter.setPen(Qt::NoPen);
                    } else {
                        painter.drawPolygon(band);
                    }
                }
                i = std::max(j, i + 1);
            }
            painter.setPen(QPen(QColor(200, 30, 30), 1.5));
            QPainterPath line;
            bool drawing = false;
            for (std::size_t m = 0; m < p.age.size(); ++m) {
                if (!std::isfinite(p.best[m])) {
                    drawing = false;
                    continue;
                }
                const QPointF q(x_of(p.age[m]), y_of(p.best[m]));
                drawing ? line.lineTo(q) : line.moveTo(q);
                drawing = true;
            }
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(line);
            painter.setPen(QPen(Qt::black, 1.2));
            painter.setBrush(Qt::black);
            for (std::size_t m = 0; m < p.obs_age.size(); ++m) {
                const double x = x_of(p.obs_age[m]);
                painter.drawLine(QPointF(x, y_of(p.obs_value[m] - p.obs_sigma[m])),
                                 QPointF(x, y_of(p.obs_value[m] + p.obs_sigma[m])));
                painter.drawEllipse(QPointF(x, y_of(p.obs_value[m])), 2.5, 2.5);
            }
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(box);
            for (double t : nice_ticks(0, a_high)) {
                const QString label = sweep_plot_number(t);
                painter.drawLine(QPointF(x_of(t), box.bottom()),
                                 QPointF(x_of(t), box.bottom() + kTick));
                painter.drawText(QPointF(x_of(t) - metrics.horizontalAdvance(label) / 2.0,
                                         box.bottom() + kTick + 13),
                                 label);
            }
            for (double t : nice_ticks(v_low, v_high)) {
                const QString label = sweep_plot_number(t);
                painter.drawLine(QPointF(box.left() - kTick, y_of(t)),
                                 QPointF(box.left(), y_of(t)));
                painter.drawText(
                    QPointF(box.left() - kTick - 3 - metrics.horizontalAdvance(label), y_of(t) + 4),
                    label);
            }
            painter.drawText(QRectF(box.left(), box.bottom() + 22, box.width(), 20),
                             Qt::AlignHCenter, p.age_label);
            painter.drawText(QRectF(box.left(), box.top() - 22, box.width(), 20), Qt::AlignHCenter,
                             p.title);
            painter.save();
            painter.translate(box.left() - 55, box.center().y());
            painter.rotate(-90);
            painter.drawText(QRectF(-box.height() / 2, -10, box.height(), 20), Qt::AlignCenter,
                             p.value_label);
            painter.restore();
        }
    };
    save_plot_files(size, "Posterior predictive", draw, png, svg);
}

}  // namespace vendrel
