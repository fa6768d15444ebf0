#include "core/parameter_fields.h"

#include <algorithm>

namespace vendrel {
namespace {

using P = ModelParameters;
constexpr FileSection A = FileSection::Parameters;
constexpr FileSection E = FileSection::Tectonics;
constexpr FileSection None = FileSection::None;

const ParameterField kFields[] = {
    {"baselevel", "baselevel", A, &P::baselevel},
    {"baselevel_rise", "baselevel_rise", A, &P::baselevel_rise},
    {"amp_1", "amp_1", A, &P::amp_1},
    {"wave_1", "wave_1", A, &P::wave_1},
    {"amp_2", "amp_2", A, &P::amp_2},
    {"wave_2", "wave_2", A, &P::wave_2},
    {"amp_3", "amp_3", A, &P::amp_3},
    {"wave_3", "wave_3", A, &P::wave_3},
    {"draw_bl", "draw_bl", A, &P::draw_bl},
    {"draw_bath", "draw_bath", A, &P::draw_bath},
    {"bath_marker", "bath_marker", A, &P::bath_marker},
    {"depth1", "depth1", A, &P::depth1},
    {"depth2", "depth2", A, &P::depth2},
    {"depth3", "depth3", A, &P::depth3},
    {"depth4", "depth4", A, &P::depth4},
    {"dist1", "dist1", A, &P::dist1},
    {"dist2", "dist2", A, &P::dist2},
    {"dist3", "dist3", A, &P::dist3},
    {"dist4", "dist4", A, &P::dist4},
    {"includecompact", "includecompact", A, &P::includecompact},
    {"phizero", "phizero", A, &P::phizero},
    {"cvalue", "cvalue", A, &P::cvalue},
    {"poro1", "dist1", A, &P::poro1},
    {"poro2", "dist1", A, &P::poro2},
    {"poro3", "dist1", A, &P::poro3},
    {"poro4", "dist1", A, &P::poro4},
    {"draw_simple", "draw_simple", A, &P::draw_simple},
    {"draw_depthdepo", "draw_depthdepo", A, &P::draw_depthdepo},
    {"draw_distance", "draw_distance", A, &P::draw_distance},
    {"draw_porosity", "draw_porosity", A, &P::draw_porosity},
    {"ramp_geometry", "ramp_geometry", A, &P::ramp_geometry},
    {"max_x", "max_x", A, &P::max_x},
    {"max_y", "max_y", A, &P::max_y},
    {"isolated_platform", "isolated_platform", A, &P::isolated_platform},
    {"control_x", "control_x", A, &P::control_x},
    {"control_y", "control_y", A, &P::control_y},
    {"basin_sed_rate", "basin_sed_rate", A, &P::basin_sed_rate},
    {"diff_coeff", "diff_coeff", A, &P::diff_coeff},
    {"depths", "depths", A, &P::depths},
    {"rates", "rates", A, &P::rates},
    {"totaltime", "totaltime", A, &P::totaltime},
    {"display_inc", "display_inc", A, &P::display_inc},
    {"every_step", "every_step", A, &P::every_step},
    {"fault1", "fault1", E, &P::fault1},
    {"fault2", "fault2", E, &P::fault2},
    {"slip1", "slip1", E, &P::slip1},
    {"slip2", "slip2", E, &P::slip2},
    {"antithetic1", "antithetic1", E, &P::antithetic1},
    {"antithetic2", "antithetic2", E, &P::antithetic2},
    {"ramp_dip", "", None, &P::ramp_dip},
    {"basin_threshold", "", None, &P::basin_threshold},
    {"omp_threads", "", None, &P::omp_threads},
};

}  // namespace

std::span<const ParameterField> parameter_fields() {
    return kFields;
}

const ParameterField* find_parameter_field(std::string_view name) {
    const auto it = std::find_if(std::begin(kFields), std::end(kFields),
                                 [&](const ParameterField& f) { return f.name == name; });
    return it == std::end(kFields) ? nullptr : &*it;
}

int value_count(const ParameterMember& member) {
    return std::visit(
        [](auto m) -> int {
            using T = std::remove_cvref_t<decltype(std::declval<ModelParameters>().*m)>;
            if constexpr (std::is_arithmetic_v<T>) {
                return 1;
            } else {
                return int(std::tuple_size_v<T>);
            }
        },
        member);
}

}  // namespace vendrel
