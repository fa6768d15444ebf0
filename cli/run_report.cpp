#include "cli/run_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "vendrel/version.h"

namespace vendrel {
namespace {

QJsonValue optional_number(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

}  // namespace

std::string run_report_json(const RunReport& report) {
    QJsonObject parameters;
    for (const auto& [key, values] : report.parameters) {
        if (values.size() == 1) {
            parameters.insert(QString::fromStdString(key), values.front());
        } else {
            QJsonArray array;
            for (double v : values) {
                array.append(v);
            }
            parameters.insert(QString::fromStdString(key), array);
        }
    }
    QJsonObject metrics;
    for (const RunMetricColumn& metric : run_metric_table()) {
        metrics.insert(metric.name, optional_number(metric.value(report.metrics)));
    }
    QJsonArray outputs;
    for (const std::string& path : report.outputs) {
        outputs.append(QString::fromStdString(path));
    }
    QJsonObject root;
    root.insert("program", "vendrel-run");
    root.insert("version", kVersion);
    root.insert("parameters", parameters);
    root.insert("ran", report.ran);
    root.insert("steps", qint64(report.steps));
    root.insert("horizons", report.horizons);
    root.insert("wall_time_s", report.wall_seconds);
    root.insert("simulated_time", report.simulated_time);
    root.insert("final_sea_level", optional_number(report.metrics.final_sea_level));
    root.insert("metrics", metrics);
    root.insert("outputs", outputs);
    root.insert("sea_level_file", report.sea_level_file
                                      ? QJsonValue(QString::fromStdString(*report.sea_level_file))
                                      : QJsonValue(QJsonValue::Null));
    return QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

}  // namespace vendrel
