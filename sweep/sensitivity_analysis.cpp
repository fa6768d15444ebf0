#include "sweep/sensitivity_analysis.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "cli/parameter_assignment.h"
#include "cli/run_metrics.h"
#include "cli/run_options.h"
#include "document/csv_record.h"

namespace vendrel {
namespace {

// One CSV record from `pos`, which moves past its line end.
std::vector<std::string> csv_record(const std::string& text, std::size_t& pos) {
    int line = 0;
    return std::move(read_csv_record(text, pos, line).fields);
}

std::string number_text(double v) {
    if (!std::isfinite(v)) {
        return "";
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

struct SummaryRuns {
    std::vector<std::string> header;
    std::map<std::string, std::vector<std::string>> rows;  // by run id
};

SummaryRuns read_summary(const std::string& text, const std::string& name) {
    SummaryRuns runs;
    std::size_t pos = 0;
    runs.header = csv_record(text, pos);
    if (runs.header.empty() || runs.header.front() != "run") {
        throw UsageError(name + ": not a sweep's summary (no \"run\" column first)");
    }
    while (pos < text.size()) {
        std::vector<std::string> row = csv_record(text, pos);
        if (row.size() == 1 && row.front().empty()) {
            continue;
        }
        if (row.size() != runs.header.size()) {
            throw UsageError(name + ": run \"" + row.front() + "\" has " +
                             std::to_string(row.size()) + " fields, the header " +
                             std::to_string(runs.header.size()));
        }
        std::string id = row.front();
        runs.rows.emplace(std::move(id), std::move(row));
    }
    return runs;
}

int column_of(const std::vector<std::string>& header, const std::string& name) {
    for (std::size_t c = 0; c < header.size(); ++c) {
        if (header[c] == name) {
            return int(c);
        }
    }
    return -1;
}

// Per metric, the outputs of the design's runs in the design's order;
// nothing where a run left the metric empty.
std::vector<std::vector<double>> outputs(const SummaryRuns& runs, const DesignPoints& points,
                                         const std::string& name) {
    const int status = column_of(runs.header, "status");
    if (status < 0) {
        throw UsageError(name + ": not a sweep's summary (no \"status\" column)");
    }
    std::vector<const std::vector<std::string>*> rows;
    int bad = 0;
    std::string first_bad;
    for (const std::string& id : points.ids) {
        const auto it = runs.rows.find(id);
        if (it == runs.rows.end()) {
            throw UsageError(name + ": the design's run \"" + id + "\" is missing");
        }
        if (it->second[std::size_t(status)] != "ok" && bad++ == 0) {
            first_bad = "run \"" + id + "\" is " + it->second[std::size_t(status)];
        }
        rows.push_back(&it->second);
    }
    if (bad > 0) {
        throw UsageError(name + ": " + std::to_string(bad) + " of " +
                         std::to_string(points.ids.size()) + " runs are not ok (" + first_bad +
                         "); the indices need every run of the design");
    }
    std::vector<std::vector<double>> out;
    for (const RunMetricColumn& metric : run_metric_table()) {
        const int c = column_of(runs.header, metric.name);
        std::vector<double> values;
        for (const auto* row : rows) {
            const std::optional<double> v =
                c < 0 ? std::nullopt : parse_real_strict((*row)[std::size_t(c)]);
            if (!v || !std::isfinite(*v)) {
                values.clear();
                break;
            }
            values.push_back(*v);
        }
        out.push_back(std::move(values));
    }
    return out;
}

// More than rounding apart (a mean of equal porosities).
bool varies(const std::vector<double>& y) {
    const auto [low, high] = std::minmax_element(y.begin(), y.end());
    return *high - *low > 1e-9 * std::max(std::fabs(*low), std::fabs(*high));
}

}  // namespace

SensitivityResult analyse_sensitivity(const KeptDesign& design, const std::string& summary_csv,
                                      const std::string& name) {
    if (design.method != DesignMethod::Saltelli && design.method != DesignMethod::Morris) {
        throw UsageError("a " + std::string(design_method_name(design.method)) +
                         " design gives no sensitivity indices: make a saltelli or morris design");
    }
    const DesignDescription& d = design.description;
    const DesignPoints points = sample_design(d, design.method);
    const std::vector<std::vector<double>> y =
        outputs(read_summary(summary_csv, name), points, name);
    const std::size_t k = d.free.size();
    const std::size_t n = std::size_t(d.samples);
    SensitivityResult result;
    result.method = design.method;
    for (std::size_t m = 0; m < run_metric_table().size(); ++m) {
        SensitivityMetric metric;
        metric.name = run_metric_table()[m].name;
        metric.unit = run_metric_table()[m].unit;
        metric.entries.resize(k);
        for (std::size_t i = 0; i < k; ++i) {
            metric.entries[i].parameter = d.free[i].key;
        }
        const std::vector<double>& out = y[m];
        metric.defined = out.size() == points.ids.size() && varies(out);
        if (metric.defined && design.method == DesignMethod::Saltelli) {
            std::vector<double> a(n), b(n);
            std::vector<std::vector<double>> ab(k, std::vector<double>(n));
            for (std::size_t j = 0; j < n; ++j) {
                a[j] = out[j * (k + 2)];
                b[j] = out[j * (k + 2) + 1];
                for (std::size_t i = 0; i < k; ++i) {
                    ab[i][j] = out[j * (k + 2) + 2 + i];
                }
            }
            const std::vector<SobolIndices> s = sobol_indices(a, b, ab, d.seed);
            for (std::size_t i = 0; i < k; ++i) {
                metric.entries[i].sobol = s[i];
            }
        } else if (metric.defined) {
            std::vector<std::vector<double>> effects(k, std::vector<double>(n));
            for (std::size_t t = 0; t < n; ++t) {
                for (std::size_t s = 1; s <= k; ++s) {
                    const std::size_t row = t * (k + 1) + s;
                    const std::vector<double>& from = points.unit[row - 1];
                    const std::vector<double>& to = points.unit[row];
                    for (std::size_t i = 0; i < k; ++i) {
                        if (to[i] != from[i]) {
                            effects[i][t] = (out[row] - out[row - 1]) / (to[i] - from[i]);
                        }
                    }
                }
            }
            const std::vector<MorrisEffects> e = morris_effects(effects, d.seed);
            for (std::size_t i = 0; i < k; ++i) {
                metric.entries[i].morris = e[i];
            }
        }
        result.metrics.push_back(std::move(metric));
    }
    return result;
}

std::string sensitivity_csv(const SensitivityResult& result) {
    const bool morris = result.method == DesignMethod::Morris;
    std::string csv =
        morris ? "metric,parameter,mu_star,mu_star_low,mu_star_high,sigma\n"
               : "metric,parameter,first,first_low,first_high,total,total_low,total_high\n";
    for (const SensitivityMetric& metric : result.metrics) {
        for (const SensitivityEntry& e : metric.entries) {
            csv += metric.name + "," + e.parameter;
            const auto field = [&](double v) {
                csv += ',';
                if (metric.defined) {
                    csv += number_text(v);
                }
            };
            if (morris) {
                field(e.morris.mu_star.value);
                field(e.morris.mu_star.low);
                field(e.morris.mu_star.high);
                field(e.morris.sigma);
            } else {
                for (const Estimate* s : {&e.sobol.first, &e.sobol.total}) {
                    field(s->value);
                    field(s->low);
                    field(s->high);
                }
            }
            csv += "\n";
        }
    }
    return csv;
}

}  // namespace vendrel
