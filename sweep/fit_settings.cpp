#include "sweep/fit_settings.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/parameter_assignment.h"
#include "cli/run_options.h"
#include "core/display_settings.h"

namespace vendrel {
namespace {

std::string at(const std::string& name, const toml::source_region& where) {
    return name + ": line " + std::to_string(where.begin.line);
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

FitSettings read_settings(const DesignDescription& d, const std::string& name) {
    FitSettings s;
    const toml::table* fit = d.extra["fit"].as_table();
    if (fit == nullptr) {
        return s;
    }
    for (const auto& [key, node] : *fit) {
        const std::string where = at(name, node.source());
        const std::string k(key.str());
        if (k == "moves" || k == "max_runs") {
            const auto* v = node.as_integer();
            const long long low = 1;
            const long long high = k == "moves" ? 100 : 10000000;
            if (v == nullptr || v->get() < low || v->get() > high) {
                throw UsageError(where + ": fit." + k + " takes a whole number from " +
                                 std::to_string(low) + " to " + std::to_string(high));
            }
            if (k == "moves") {
                s.moves = int(v->get());
            } else {
                s.max_runs = v->get();
            }
        } else if (k == "ess_fraction") {
            const std::optional<double> v = node.value<double>();
            if (!v || !(*v > 0 && *v < 1)) {
                throw UsageError(where + ": fit.ess_fraction takes a number between 0 and 1");
            }
            s.ess_fraction = *v;
        } else {
            throw UsageError(where + ": unknown key fit." + k + " (moves, ess_fraction, max_runs)");
        }
    }
    return s;
}

}  // namespace

ModelParameters fixed_parameters(const DesignDescription& priors) {
    ModelParameters p = make_startup_parameters(1);
    set_document_defaults(p);
    DisplaySettings display;
    for (const ParameterSetting& s : priors.fixed) {
        assign_parameter(p, display, s.key, s.value);
    }
    return p;
}

FitInputs read_fit_inputs(const std::string& priors_path, const std::string& observations_path) {
    FitInputs in;
    in.priors = read_design_description(priors_path, DesignExtras{{"fit"}, {}});
    in.priors_text = read_text(priors_path);
    in.settings = read_settings(in.priors, priors_path);
    if (in.priors.samples < 2) {
        throw UsageError(priors_path + ": samples = " + std::to_string(in.priors.samples) +
                         ": a fit needs at least 2 particles");
    }
    if (in.settings.max_runs < in.priors.samples) {
        throw UsageError(priors_path + ": fit.max_runs = " + std::to_string(in.settings.max_runs) +
                         " is below samples = " + std::to_string(in.priors.samples) +
                         ": the first batch alone runs every particle");
    }
    for (const FreeParameter& f : in.priors.free) {
        if (f.key == "totaltime" || f.key == "display_inc") {
            throw UsageError(f.origin + ": " + f.key +
                             " cannot be free: the observations' ages count on the run's "
                             "length; give it in [fixed]");
        }
    }
    const ModelParameters p = fixed_parameters(in.priors);
    double max_x = p.max_x;
    for (const FreeParameter& f : in.priors.free) {
        if (f.key == "max_x") {
            max_x = f.is_list() ? *std::min_element(f.values.begin(), f.values.end()) : f.low;
        }
    }
    try {
        in.observations = read_well_observations(observations_path);
        check_observations_fit_run(in.observations, observations_path, p.totaltime, p.display_inc,
                                   max_x);
    } catch (const FileError& e) {
        throw UsageError(e.what());
    }
    in.observations_text = read_text(observations_path);
    return in;
}

}  // namespace vendrel
