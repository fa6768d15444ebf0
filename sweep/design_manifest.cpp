#include "sweep/design_manifest.h"

#include <charconv>

#include "cli/parameter_assignment.h"
#include "cli/run_options.h"
#include "core/dialog_ranges.h"
#include "core/model_parameters.h"
#include "sweep/sweep_manifest.h"

namespace vendrel {
namespace {

std::string value_text(double value, int digits) {
    char buffer[64];
    const auto result = digits > 0 ? std::to_chars(buffer, buffer + sizeof buffer, value,
                                                   std::chars_format::general, digits)
                                   : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string design_manifest_text(const DesignDescription& d, const DesignPoints& points) {
    std::string csv = "run";
    for (const ParameterSetting& s : d.fixed) {
        csv += "," + s.key;
    }
    for (const FreeParameter& f : d.free) {
        csv += "," + f.key;
    }
    csv += "\n";
    std::string fixed;
    for (const ParameterSetting& s : d.fixed) {
        fixed += ',';
        fixed += csv_field(s.value);
    }
    for (std::size_t r = 0; r < points.ids.size(); ++r) {
        csv += points.ids[r] + fixed;
        for (std::size_t i = 0; i < d.free.size(); ++i) {
            const FreeParameter& f = d.free[i];
            // Twelve digits: the same text where the last bit of a log or an
            // exp differs between machines.
            csv += ',';
            csv += value_text(design_value(f, points.unit[r][i]), f.is_list() ? 0 : 12);
        }
        csv += "\n";
    }
    return csv;
}

void check_design_manifest(const std::string& text, const std::string& name, bool allow_early_end) {
    const SweepManifest manifest = parse_sweep_manifest(text, name);
    ModelParameters start = make_startup_parameters(1);
    set_document_defaults(start);
    for (const SweepRow& row : manifest.rows) {
        ModelParameters p = start;
        DisplaySettings display;
        for (std::size_t k = 0; k < manifest.keys.size(); ++k) {
            assign_parameter(p, display, manifest.keys[k], row.values[k]);
        }
        const std::vector<RangeWarning> warnings = dialog_range_warnings(p, display);
        if (!warnings.empty()) {
            throw UsageError(name + ": line " + std::to_string(row.line) + ", run \"" + row.id +
                             "\": " + warnings.front().text());
        }
    }
    check_sweep_runs(manifest, name, allow_early_end, {});
}

std::string kept_design_path(const std::string& manifest) {
    const std::string suffix = ".csv";
    if (manifest.size() > suffix.size() &&
        manifest.compare(manifest.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return manifest.substr(0, manifest.size() - suffix.size()) + ".design.toml";
    }
    return manifest + ".design.toml";
}

std::string kept_design_text(const std::string& description_text, DesignMethod method) {
    return "method = \"" + std::string(design_method_name(method)) + "\"\n" + description_text;
}

KeptDesign read_kept_design(const std::string& path) {
    KeptDesign kept;
    kept.description = read_design_description(path, DesignExtras{{}, {"method"}});
    const toml::node* method = kept.description.extra.get("method");
    const std::optional<DesignMethod> m =
        method && method->is_string() ? design_method(method->as_string()->get()) : std::nullopt;
    if (!m) {
        throw UsageError(path +
                         ": not a kept design: no method = \"grid\", \"lhs\", \"sobol\", "
                         "\"saltelli\" or \"morris\" at the top");
    }
    kept.method = *m;
    return kept;
}

}  // namespace vendrel
