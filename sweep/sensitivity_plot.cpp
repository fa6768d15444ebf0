#include "sweep/sensitivity_plot.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "sweep/plot_files.h"
#include "sweep/sweep_plot.h"
#include "view/figure_axes.h"

namespace vendrel {
namespace {

constexpr int kColumns = 2;
constexpr int kPanelHeight = 260;
constexpr int kMargin = 12;
constexpr int kNumbersWidth = 52;
constexpr int kTick = 4;
const QColor kFirst(31, 119, 180);
const QColor kTotal(255, 127, 14);

QFont plot_font() {
    QFont font("Arial");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

bool morris(const SensitivityResult& r) {
    return r.method == DesignMethod::Morris;
}

// The bars of one parameter: value, low, high of each.
std::vector<Estimate> bars_of(const SensitivityResult& r, const SensitivityEntry& e) {
    if (morris(r)) {
        return {e.morris.mu_star};
    }
    return {e.sobol.first, e.sobol.total};
}

int group_width(const SensitivityResult& r) {
    const QFontMetrics metrics(plot_font());
    int width = 70;
    if (!r.metrics.empty()) {
        for (const SensitivityEntry& e : r.metrics.front().entries) {
            width = std::max(width,
                             metrics.horizontalAdvance(QString::fromStdString(e.parameter)) + 12);
        }
    }
    return width;
}

QSize panel_size(const SensitivityResult& r) {
    const QFontMetrics metrics(plot_font());
    const int groups = r.metrics.empty() ? 1 : int(r.metrics.front().entries.size());
    const int width = 2 * kMargin + metrics.height() + kNumbersWidth + groups * group_width(r);
    return QSize(std::max(width, 360), kPanelHeight);
}

void draw_panel(QPainter& painter, const QRect& cell, const SensitivityResult& r,
                const SensitivityMetric& m) {
    const QFontMetrics metrics(painter.font(), painter.device());
    const int text = metrics.height();
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    const QString title =
        QString::fromStdString(m.name) +
        (m.unit.empty() || m.unit == "1" ? QString() : " (" + QString::fromStdString(m.unit) + ")");
    painter.drawText(QRect(cell.left(), cell.top() + kMargin / 2, cell.width(), text),
                     Qt::AlignHCenter, title);
    const QRect plot = cell.adjusted(kMargin + text + kNumbersWidth, kMargin + 2 * text, -kMargin,
                                     -(kMargin + text + kTick + 4));
    if (!m.defined) {
        painter.drawRect(plot);
        painter.drawText(plot, Qt::AlignCenter, "does not vary across the runs");
        return;
    }
    double low = 0, high = morris(r) ? 0 : 0.1;
    for (const SensitivityEntry& e : m.entries) {
        for (const Estimate& b : bars_of(r, e)) {
            for (const double v : {b.value, b.low, b.high}) {
                if (std::isfinite(v)) {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            }
        }
    }
    if (!(high > low)) {
        high = low + 1;
    }
    // The axis ends at round ticks.
    double step = 0;
    round_ticks(low, high, step);
    low = std::floor(low / step + 1e-9) * step;
    high = std::ceil(high / step - 1e-9) * step;
    const std::vector<double> marks = round_ticks(low, high, step);
    const auto py = [&](double v) {
        return plot.bottom() - (v - low) / (high - low) * plot.height();
    };
    painter.drawRect(plot);
    for (const double v : marks) {
        const double at = py(v);
        painter.drawLine(QPointF(plot.left() - kTick, at), QPointF(plot.left(), at));
        const QString label = sweep_plot_number(v);
        painter.drawText(QPointF(plot.left() - kTick - 2 - metrics.horizontalAdvance(label),
                                 at + metrics.ascent() / 2.5),
                         label);
    }
    if (low < 0) {
        painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), py(0)), QPointF(plot.right(), py(0)));
    }
    painter.save();
    const QString axis =
        morris(r) ? QString::fromUtf8("μ*") + (m.unit.empty() || m.unit == "1"
                                                   ? QString()
                                                   : " (" + QString::fromStdString(m.unit) + ")")
                  : QString("Sobol' index");
    painter.translate(cell.left() + kMargin + metrics.ascent(), plot.center().y());
    painter.rotate(-90);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(-metrics.horizontalAdvance(axis) / 2.0, 0), axis);
    painter.restore();

    const double group = double(plot.width()) / double(m.entries.size());
    for (std::size_t i = 0; i < m.entries.size(); ++i) {
        const std::vector<Estimate> bars = bars_of(r, m.entries[i]);
        const double width = group * 0.7 / double(bars.size());
        const double left = plot.left() + group * double(i) + group * 0.15;
        for (std::size_t b = 0; b < bars.size(); ++b) {
            const Estimate& e = bars[b];
            const double x = left + width * double(b);
            painter.setPen(Qt::NoPen);
            painter.setBrush(b == 0 ? kFirst : kTotal);
            painter.drawRect(QRectF(QPointF(x, std::min(py(e.value), py(0))),
                                    QPointF(x + width, std::max(py(e.value), py(0)))));
            if (std::isfinite(e.low) && std::isfinite(e.high)) {
                painter.setPen(QPen(Qt::black, 1.5));
                const double mid = x + width / 2;
                painter.drawLine(QPointF(mid, py(e.low)), QPointF(mid, py(e.high)));
                painter.drawLine(QPointF(mid - width / 4, py(e.low)),
                                 QPointF(mid + width / 4, py(e.low)));
                painter.drawLine(QPointF(mid - width / 4, py(e.high)),
                                 QPointF(mid + width / 4, py(e.high)));
            }
        }
        painter.setPen(Qt::black);
        const QString name = QString::fromStdString(m.entries[i].parameter);
        painter.drawText(
            QPointF(plot.left() + group * (double(i) + 0.5) - metrics.horizontalAdvance(name) / 2.0,
                    plot.bottom() + kTick + metrics.ascent() + 2),
            name);
    }
    // The legend, above the plot at its right.
    const std::vector<std::pair<QColor, QString>> legend =
        morris(r)
            ? std::vector<std::pair<QColor, QString>>{{kFirst,
                                                       QString::fromUtf8("μ*, 95 % interval")}}
            : std::vector<std::pair<QColor, QString>>{{kFirst, "first order"},
                                                      {kTotal, "total, 95 % intervals"}};
    double x = plot.right();
    for (auto it = legend.rbegin(); it != legend.rend(); ++it) {
        x -= metrics.horizontalAdvance(it->second);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x, plot.top() - 4), it->second);
        x -= 14;
        painter.setPen(Qt::NoPen);
        painter.setBrush(it->first);
        painter.drawRect(QRectF(x, plot.top() - 4 - metrics.ascent() + 1, 10, 10));
        x -= 12;
    }
}

}  // namespace

QSize sensitivity_plot_size(const SensitivityResult& result) {
    const QSize panel = panel_size(result);
    const int count = std::max<int>(1, int(result.metrics.size()));
    const int columns = std::min(kColumns, count);
    const int rows = (count + kColumns - 1) / kColumns;
    return QSize(columns * panel.width(), rows * panel.height());
}

void draw_sensitivity_plot(QPainter& painter, const SensitivityResult& result) {
    const QSize size = sensitivity_plot_size(result);
    const QSize panel = panel_size(result);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    painter.setFont(plot_font());
    for (std::size_t m = 0; m < result.metrics.size(); ++m) {
        const int column = int(m) % kColumns;
        const int row = int(m) / kColumns;
        draw_panel(painter, QRect(QPoint(column * panel.width(), row * panel.height()), panel),
                   result, result.metrics[m]);
    }
}

void save_sensitivity_plot(const SensitivityResult& result, const std::string& png,
                           const std::string& svg) {
    save_plot_files(
        sensitivity_plot_size(result), "Sensitivity",
        [&](QPainter& painter) { draw_sensitivity_plot(painter, result); }, png, svg);
}

}  // namespace vendrel
