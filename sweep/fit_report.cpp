#include "sweep/fit_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

#include "document/atomic_file.h"
#include "sweep/design_sampling.h"
#include "sweep/sweep_manifest.h"

namespace vendrel {
namespace {

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(c));
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string json_number(double value) {
    return std::isfinite(value) ? fit_number(value) : "null";
}

}  // namespace

std::string fit_number(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 12);
    return std::string(buffer, result.ptr);
}

double weighted_quantile(std::vector<double> values, std::vector<double> weights, double q) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    double total = 0;
    for (double w : weights) {
        total += w;
    }
    double cumulative = 0;
    for (std::size_t i : order) {
        cumulative += weights[i];
        if (cumulative >= q * total * (1 - 1e-12)) {
            return values[i];
        }
    }
    return order.empty() ? std::nan("") : values[order.back()];
}

std::vector<std::vector<double>> particle_values(const FitInputs& in, const FitState& s) {
    std::vector<std::vector<double>> values(in.priors.free.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
        for (const auto& u : s.particles) {
            values[k].push_back(design_value(in.priors.free[k], u[k]));
        }
    }
    return values;
}

std::vector<ParameterInterval> posterior_intervals(const FitInputs& in, const FitState& s) {
    const std::vector<double> weights(s.particles.size(), 1.0 / double(s.particles.size()));
    std::vector<ParameterInterval> out;
    for (const auto& v : particle_values(in, s)) {
        out.push_back({weighted_quantile(v, weights, 0.5), weighted_quantile(v, weights, 0.05),
                       weighted_quantile(v, weights, 0.95)});
    }
    return out;
}

void write_fit_tables(const FitInputs& in, const FitState& s, const std::string& dir,
                      bool finished) {
    const std::size_t n = s.particles.size();
    const std::vector<std::vector<double>> values = particle_values(in, s);
    const std::string weight = fit_number(1.0 / double(n));
    std::string csv = "particle,run";
    for (const FreeParameter& f : in.priors.free) {
        csv += ',';
        csv += csv_field(f.key);
    }
    csv += ",weight,misfit\n";
    for (std::size_t i = 0; i < n; ++i) {
        csv += std::to_string(i + 1) + "," + s.particle_runs[i];
        for (const auto& v : values) {
            csv += ',';
            csv += fit_number(v[i]);
        }
        csv += "," + weight + "," + json_number(-2 * s.log_likelihood[i]) + "\n";
    }
    const std::vector<ParameterInterval> intervals = posterior_intervals(in, s);
    std::string table = "parameter,median,q05,q95,prior_low,prior_high\n";
    std::string json = "{\n  \"parameters\": {";
    for (std::size_t k = 0; k < intervals.size(); ++k) {
        const FreeParameter& f = in.priors.free[k];
        const double low =
            f.is_list() ? *std::min_element(f.values.begin(), f.values.end()) : f.low;
        const double high =
            f.is_list() ? *std::max_element(f.values.begin(), f.values.end()) : f.high;
        const ParameterInterval& p = intervals[k];
        table += csv_field(f.key) + "," + fit_number(p.median) + "," + fit_number(p.q05) + "," +
                 fit_number(p.q95) + "," + fit_number(low) + "," + fit_number(high) + "\n";
        json += k == 0 ? "\n    " : ",\n    ";
        json += json_string(f.key);
        json += ": {\"median\": " + json_number(p.median) + ", \"q05\": " + json_number(p.q05) +
                ", \"q95\": " + json_number(p.q95) + ", \"prior_low\": " + json_number(low) +
                ", \"prior_high\": " + json_number(high) + "}";
    }
    json += "\n  },\n";
    json += "  \"method\": \"likelihood-tempered SMC\",\n";
    json += "  \"particles\": " + std::to_string(n) + ",\n";
    json += "  \"observations\": " + std::to_string(in.observations.size()) + ",\n";
    json += "  \"runs\": " + std::to_string(s.runs) + ",\n";
    json += "  \"batches\": " + std::to_string(s.batches) + ",\n";
    json += "  \"temperatures\": " + std::to_string(s.stages) + ",\n";
    json += "  \"temperature\": " + json_number(s.temperature) + ",\n";
    json += std::string("  \"finished\": ") + (finished ? "true" : "false") + ",\n";
    json += "  \"max_posterior\": {\"run\": " + json_string(s.best_run) +
            ", \"misfit\": " + json_number(-2 * s.best_log_likelihood) + ", \"parameters\": {";
    for (std::size_t k = 0; k < s.best_unit.size() && k < in.priors.free.size(); ++k) {
        json += k == 0 ? "" : ", ";
        json += json_string(in.priors.free[k].key);
        json += ": ";
        json += json_number(design_value(in.priors.free[k], s.best_unit[k]));
    }
    json += "}},\n";
    json += "  \"wall_time_s\": " + json_number(s.wall_time_s) + "\n}\n";
    std::string tempering = "stage,temperature,runs";
    for (const FreeParameter& f : in.priors.free) {
        for (const char* what : {"_median", "_q05", "_q95"}) {
            tempering += ',';
            tempering += csv_field(f.key + what);
        }
    }
    tempering += '\n';
    for (std::size_t k = 0; k < s.history.size(); ++k) {
        tempering += std::to_string(k) + "," + fit_number(s.history[k].temperature) + "," +
                     std::to_string(s.history[k].runs);
        for (double v : s.history[k].intervals) {
            tempering += ',';
            tempering += fit_number(v);
        }
        tempering += '\n';
    }
    write_file_atomically(dir + "/posterior.csv", csv);
    write_file_atomically(dir + "/tempering.csv", tempering);
    write_file_atomically(dir + "/posterior_intervals.csv", table);
    write_file_atomically(dir + "/fit.json", json);
}

}  // namespace vendrel
