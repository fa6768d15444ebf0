#include "sweep/sweep_summary.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>

#include "cli/parameter_assignment.h"
#include "cli/run_metrics.h"
#include "core/parameter_fields.h"
#include "document/atomic_file.h"
#include "sweep/sweep_plot.h"
#include "sweep/sweep_runner.h"

namespace vendrel {
namespace {

// The figures of summary.csv after the parameters, each read from the
// run's JSON summary: its name there, whether it sits under "metrics" (the
// metrics are plotted), and its unit.
struct Figure {
    std::string name;
    bool metric;
    std::string unit;
};
std::vector<Figure> figures() {
    std::vector<Figure> out = {
        {"wall_time_s", false, "s"},
        {"steps", false, "1"},
        {"horizons", false, "1"},
        {"final_sea_level", false, "m"},
    };
    for (const RunMetricColumn& metric : run_metric_table()) {
        out.push_back({metric.name, true, metric.unit});
    }
    out.push_back({"simulated_time", false, "yr"});
    return out;
}

// The shortest text that reads back to the value; a whole number as an
// integer (200000, not 2e+05).
std::string number_text(double value) {
    char buffer[64];
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0) {
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
        return std::string(buffer, result.ptr);
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Read by its bytes: the folder's name need not be UTF-8.
std::optional<QJsonObject> read_json(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    if (!document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

std::optional<double> figure(const QJsonObject& summary, const Figure& f) {
    const QString name = QString::fromStdString(f.name);
    const QJsonValue value =
        f.metric ? summary.value("metrics").toObject().value(name) : summary.value(name);
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

std::string first_line(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

SweepCounts write_sweep_summary(const SweepManifest& manifest, const std::string& dir, bool plots) {
    SweepCounts counts;
    std::string csv = "run";
    for (const std::string& key : manifest.keys) {
        csv += "," + csv_field(key);
    }
    csv += ",status,error";
    const std::vector<Figure> all = figures();
    for (const Figure& f : all) {
        csv += "," + f.name;
    }
    csv += "\n";

    SweepPlotData plot;
    for (const Figure& f : all) {
        if (f.metric) {
            plot.metrics.push_back(
                {QString::fromStdString(f.name), {}, QString::fromStdString(f.unit)});
        }
    }
    // A parameter is plotted when its values are single numbers that differ.
    std::vector<int> varied;
    for (std::size_t k = 0; k < manifest.keys.size(); ++k) {
        std::set<double> values;
        bool numeric = true;
        for (const SweepRow& row : manifest.rows) {
            const auto v = parse_real_strict(row.values[k]);
            numeric = numeric && v.has_value();
            if (v) {
                values.insert(*v);
            }
        }
        if (numeric && values.size() > 1) {
            varied.push_back(int(k));
            const std::optional<ParameterKey> key = find_parameter_key(manifest.keys[k]);
            const QString unit = key && key->field != nullptr
                                     ? QString::fromLatin1(key->field->unit.data(),
                                                           qsizetype(key->field->unit.size()))
                                     : QString();
            plot.parameters.push_back({QString::fromStdString(manifest.keys[k]), {}, unit});
        }
    }

    for (const SweepRow& row : manifest.rows) {
        const RunFiles files = run_files(dir, row.id);
        // A run whose project no longer reads (deleted, cut short) is not
        // counted as run, whatever its summary says.
        SweepSettings outputs;
        outputs.dir = dir;
        std::optional<QJsonObject> summary = read_json(files.summary);
        if (summary && !run_complete(outputs, row.id)) {
            summary.reset();
        }
        std::string status = "not run";
        std::string error;
        if (summary) {
            status = "ok";
            ++counts.ok;
        } else if (const std::string line = first_line(files.error); !line.empty()) {
            status = "failed";
            error = line;
            ++counts.failed;
        } else {
            ++counts.not_run;
        }
        csv += row.id;
        for (const std::string& value : row.values) {
            csv += "," + csv_field(value);
        }
        csv += "," + status + "," + csv_field(error);
        std::size_t m = 0;
        for (const Figure& f : all) {
            const std::optional<double> v = summary ? figure(*summary, f) : std::nullopt;
            csv += "," + (v ? number_text(*v) : std::string());
            if (f.metric) {
                plot.metrics[m++].values.push_back(v);
            }
        }
        csv += "\n";
        for (std::size_t i = 0; i < varied.size(); ++i) {
            plot.parameters[i].values.push_back(
                summary ? parse_real_strict(row.values[std::size_t(varied[i])]) : std::nullopt);
        }
    }
    write_file_atomically(dir + "/summary.csv", csv);
    if (plots) {
        save_sweep_plots(plot, dir + "/summary.png", dir + "/summary.svg");
    }
    return counts;
}

}  // namespace vendrel
