#include "sweep/fit_state.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "document/file_error.h"

namespace vendrel {
namespace {

constexpr const char* kMagic = "vendrel-fit-state 1";

double read_number(const std::string& token, const std::string& where) {
    double value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec != std::errc() || result.ptr != token.data() + token.size() ||
        std::isnan(value)) {
        throw FileError(where + ": not a number: \"" + token.substr(0, 40) + "\"");
    }
    return value;
}

}  // namespace

std::string exact_number(double value) {
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string fit_state_text(const FitState& s) {
    std::string t = std::string(kMagic) + "\n";
    t += "batches " + std::to_string(s.batches) + "\n";
    t += "runs " + std::to_string(s.runs) + "\n";
    t += "wall_time_s " + exact_number(s.wall_time_s) + "\n";
    t += "temperature " + exact_number(s.temperature) + "\n";
    t += "moves " + std::to_string(s.moves) + "\n";
    t += "stages " + std::to_string(s.stages) + "\n";
    t += "best " + (s.best_run.empty() ? "-" : s.best_run) + " " +
         exact_number(s.best_log_likelihood);
    for (double u : s.best_unit) {
        t += ' ';
        t += exact_number(u);
    }
    t += '\n';
    for (const FitStage& stage : s.history) {
        t += "stage " + exact_number(stage.temperature) + " " + std::to_string(stage.runs);
        for (double v : stage.intervals) {
            t += ' ';
            t += exact_number(v);
        }
        t += "\n";
    }
    for (std::size_t i = 0; i < s.particles.size(); ++i) {
        t += "particle " + s.particle_runs[i] + " " + exact_number(s.log_likelihood[i]);
        for (double u : s.particles[i]) {
            t += ' ';
            t += exact_number(u);
        }
        t += "\n";
    }
    return t + "end\n";
}

FitState parse_fit_state(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    FitState s;
    bool ended = false;
    std::size_t dimension = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = name + ": line " + std::to_string(number);
        if (number == 1) {
            if (line != kMagic) {
                throw FileError(where + ": not a fit's state (\"" + std::string(kMagic) +
                                "\" expected)");
            }
            continue;
        }
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        std::vector<std::string> values;
        for (std::string v; fields >> v;) {
            values.push_back(v);
        }
        const auto need = [&](std::size_t n) {
            if (values.size() < n) {
                throw FileError(where + ": \"" + key + "\" lacks its values");
            }
        };
        const auto whole = [&] {
            need(1);
            const double v = read_number(values[0], where);
            if (v < 0 || v != std::floor(v) || v > 1e15) {
                throw FileError(where + ": \"" + key + "\" takes a whole number");
            }
            return v;
        };
        if (key == "batches") {
            s.batches = int(whole());
        } else if (key == "runs") {
            s.runs = (long long)whole();
        } else if (key == "wall_time_s") {
            need(1);
            s.wall_time_s = read_number(values[0], where);
        } else if (key == "temperature") {
            need(1);
            s.temperature = read_number(values[0], where);
        } else if (key == "moves") {
            need(1);
            s.moves = int(read_number(values[0], where));
        } else if (key == "stages") {
            s.stages = int(whole());
        } else if (key == "best") {
            need(2);
            s.best_run = values[0] == "-" ? "" : values[0];
            s.best_log_likelihood = read_number(values[1], where);
            for (std::size_t k = 2; k < values.size(); ++k) {
                s.best_unit.push_back(read_number(values[k], where));
            }
        } else if (key == "stage") {
            need(2);
            FitStage stage;
            stage.temperature = read_number(values[0], where);
            stage.runs = (long long)read_number(values[1], where);
            for (std::size_t k = 2; k < values.size(); ++k) {
                stage.intervals.push_back(read_number(values[k], where));
            }
            s.history.push_back(std::move(stage));
        } else if (key == "particle") {
            need(3);
            if (!s.particles.empty() && values.size() - 2 != dimension) {
                throw FileError(where + ": a particle of another dimension");
            }
            dimension = values.size() - 2;
            s.particle_runs.push_back(values[0]);
            s.log_likelihood.push_back(read_number(values[1], where));
            std::vector<double> u;
            for (std::size_t k = 2; k < values.size(); ++k) {
                u.push_back(read_number(values[k], where));
            }
            s.particles.push_back(std::move(u));
        } else if (key == "end") {
            ended = true;
            break;
        } else {
            throw FileError(where + ": unknown record \"" + key.substr(0, 40) + "\"");
        }
    }
    if (!ended) {
        throw FileError(name + ": cut short (no \"end\" line)");
    }
    return s;
}

}  // namespace vendrel
