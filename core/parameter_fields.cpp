#include "core/parameter_fields.h"

#include <algorithm>
#include <charconv>

namespace vendrel {
namespace {

using P = ModelParameters;
using D = DisplaySettings;
constexpr FileSection A = FileSection::Parameters;
constexpr FileSection E = FileSection::Tectonics;
constexpr FileSection None = FileSection::None;

// clang-format off
const ParameterField kFields[] = {
    {"baselevel", "baselevel", A, &P::baselevel, "m", "sea level at time 0, depth below the top of the section"},
    {"baselevel_rise", "baselevel_rise", A, &P::baselevel_rise, "m/ka", "linear sea-level trend; positive raises sea level"},
    {"amp_1", "amp_1", A, &P::amp_1, "m", "amplitude of sea-level sinusoid 1"},
    {"wave_1", "wave_1", A, &P::wave_1, "yr", "period of sea-level sinusoid 1"},
    {"amp_2", "amp_2", A, &P::amp_2, "m", "amplitude of sea-level sinusoid 2"},
    {"wave_2", "wave_2", A, &P::wave_2, "yr", "period of sea-level sinusoid 2"},
    {"amp_3", "amp_3", A, &P::amp_3, "m", "amplitude of sea-level sinusoid 3"},
    {"wave_3", "wave_3", A, &P::wave_3, "yr", "period of sea-level sinusoid 3"},
    {"draw_bl", "draw_bl", A, &D::draw_bl, "", "draw the sea-level line (1) or not (0)"},
    {"draw_bath", "draw_bath", A, &D::draw_bath, "", "draw the bathymetric marker (1) or not (0)"},
    {"bath_marker", "bath_marker", A, &D::bath_marker, "m", "water depth of the bathymetric marker"},
    {"depth1", "depth1", A, &D::depth1, "m", "depth-of-deposition class threshold 1"},
    {"depth2", "depth2", A, &D::depth2, "m", "depth-of-deposition class threshold 2"},
    {"depth3", "depth3", A, &D::depth3, "m", "depth-of-deposition class threshold 3"},
    {"depth4", "depth4", A, &D::depth4, "m", "depth-of-deposition class threshold 4"},
    {"dist1", "dist1", A, &D::dist1, "m", "distance-from-shoreline class threshold 1"},
    {"dist2", "dist2", A, &D::dist2, "m", "distance-from-shoreline class threshold 2"},
    {"dist3", "dist3", A, &D::dist3, "m", "distance-from-shoreline class threshold 3"},
    {"dist4", "dist4", A, &D::dist4, "m", "distance-from-shoreline class threshold 4"},
    {"includecompact", "includecompact", A, &P::includecompact, "", "compact buried layers (1) or not (0)"},
    {"phizero", "phizero", A, &P::phizero, "1", "porosity of newly deposited sediment (fraction)"},
    {"cvalue", "cvalue", A, &P::cvalue, "1/m", "Athy compaction coefficient"},
    {"poro1", "dist1", A, &D::poro1, "1", "porosity class threshold 1 (fraction)"},
    {"poro2", "dist1", A, &D::poro2, "1", "porosity class threshold 2 (fraction)"},
    {"poro3", "dist1", A, &D::poro3, "1", "porosity class threshold 3 (fraction)"},
    {"poro4", "dist1", A, &D::poro4, "1", "porosity class threshold 4 (fraction)"},
    {"draw_simple", "draw_simple", A, &D::draw_simple, "", "draw time-lines only (1) or not (0)"},
    {"draw_depthdepo", "draw_depthdepo", A, &D::draw_depthdepo, "", "colour by depth of deposition (1) or not (0)"},
    {"draw_distance", "draw_distance", A, &D::draw_distance, "", "colour by distance from shoreline (1) or not (0)"},
    {"draw_porosity", "draw_porosity", A, &D::draw_porosity, "", "colour by porosity (1) or not (0)"},
    {"ramp_geometry", "ramp_geometry", A, &P::ramp_geometry, "", "1 after the simple ramp was chosen, 0 after the arbitrary platform"},
    {"max_x", "max_x", A, &P::max_x, "m", "width of the section"},
    {"max_y", "max_y", A, &P::max_y, "m", "height of the section"},
    {"isolated_platform", "isolated_platform", A, &P::isolated_platform, "", "initial surface through the control points (1) or the straight ramp (0)"},
    {"control_x", "control_x", A, &P::control_x, "m", "x of control points 1 to 10"},
    {"control_y", "control_y", A, &P::control_y, "m", "depth below the top of control points 1 to 10"},
    {"basin_sed_rate", "basin_sed_rate", A, &P::basin_sed_rate, "m/ka", "basinal sedimentation rate"},
    {"diff_coeff", "diff_coeff", A, &P::diff_coeff, "m2/yr", "diffusion coefficient of slope transport"},
    {"depths", "depths", A, &P::depths, "m", "water depths of production-curve points 1 to 8"},
    {"rates", "rates", A, &P::rates, "m/ka", "carbonate production rates at production-curve points 1 to 8"},
    {"totaltime", "totaltime", A, &P::totaltime, "yr", "simulated duration of a run"},
    {"display_inc", "display_inc", A, &P::display_inc, "yr", "recording increment: one horizon every display_inc years"},
    {"every_step", "every_step", A, &D::every_step, "", "while running, draw every every_step-th horizon"},
    {"fault1", "fault1", E, &P::fault1, "m", "x of fault 1"},
    {"fault2", "fault2", E, &P::fault2, "m", "x of fault 2"},
    {"slip1", "slip1", E, &P::slip1, "m/ka", "subsidence rate of the block moved by fault 1"},
    {"slip2", "slip2", E, &P::slip2, "m/ka", "subsidence rate of the block moved by fault 2"},
    {"antithetic1", "antithetic1", E, &P::antithetic1, "", "fault 1 moves the block left of it (1) instead of right (0)"},
    {"antithetic2", "antithetic2", E, &P::antithetic2, "", "fault 2 moves the block left of it (1) instead of right (0)"},
    {"ramp_dip", "", None, &P::ramp_dip, "degree", "dip of the simple ramp"},
    {"basin_threshold", "", None, &P::basin_threshold, "m", "basinal sediment settles only in water deeper than this"},
    {"omp_threads", "", None, &P::omp_threads, "", "worker threads of a run; 0 leaves the runtime's default"},
};
// clang-format on

}  // namespace

int ParameterField::count() const {
    return std::visit(
        [](auto m) -> int {
            using Class = typename detail::MemberOf<decltype(m)>::type;
            using T = std::remove_cvref_t<decltype(std::declval<Class>().*m)>;
            if constexpr (std::is_arithmetic_v<T>) {
                return 1;
            } else {
                return int(std::tuple_size_v<T>);
            }
        },
        member);
}

bool ParameterField::is_integer() const {
    return std::holds_alternative<std::int32_t ModelParameters::*>(member) ||
           std::holds_alternative<std::int32_t DisplaySettings::*>(member);
}

bool ParameterField::is_display() const {
    return std::holds_alternative<double DisplaySettings::*>(member) ||
           std::holds_alternative<std::int32_t DisplaySettings::*>(member);
}

std::span<const ParameterField> parameter_fields() {
    return kFields;
}

const ParameterField* find_parameter_field(std::string_view name) {
    const auto it = std::find_if(std::begin(kFields), std::end(kFields),
                                 [&](const ParameterField& f) { return f.name == name; });
    return it == std::end(kFields) ? nullptr : &*it;
}

std::optional<ParameterKey> find_parameter_key(std::string_view name) {
    if (const ParameterField* field = find_parameter_field(name)) {
        return ParameterKey{field, std::nullopt};
    }
    const std::size_t underscore = name.rfind('_');
    if (underscore == std::string_view::npos) {
        return std::nullopt;
    }
    const ParameterField* field = find_parameter_field(name.substr(0, underscore));
    const std::string_view digits = name.substr(underscore + 1);
    int k = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), k);
    if (field == nullptr || field->count() == 1 || digits.empty() || digits.front() == '0' ||
        parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size() || k < 1 ||
        k > field->count()) {
        return std::nullopt;
    }
    return ParameterKey{field, k - 1};
}

double field_value(const ParameterField& field, const ModelParameters& model,
                   const DisplaySettings& display, int k) {
    double out = 0;
    visit_field(field, model, display, [&](const auto& value) {
        using T = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_arithmetic_v<T>) {
            out = double(value);
        } else {
            out = value[std::size_t(k)];
        }
    });
    return out;
}

void set_field_value(const ParameterField& field, ModelParameters& model, DisplaySettings& display,
                     double v, int k) {
    visit_field(field, model, display, [&](auto& value) {
        using T = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_arithmetic_v<T>) {
            value = T(v);
        } else {
            value[std::size_t(k)] = v;
        }
    });
}

void copy_field(const ParameterField& field, const ModelParameters& from_model,
                const DisplaySettings& from_display, ModelParameters& to_model,
                DisplaySettings& to_display) {
    std::visit(
        [&](auto m) {
            using Class = typename detail::MemberOf<decltype(m)>::type;
            if constexpr (std::is_same_v<Class, ModelParameters>) {
                to_model.*m = from_model.*m;
            } else {
                to_display.*m = from_display.*m;
            }
        },
        field.member);
}

}  // namespace vendrel
