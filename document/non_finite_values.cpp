#include "document/non_finite_values.h"

#include <cmath>

#include "core/parameter_fields.h"

namespace vendrel {
namespace {

long long count_non_finite(const std::vector<double>& values, std::size_t first) {
    long long n = 0;
    for (std::size_t k = first; k < values.size(); ++k) {
        n += std::isfinite(values[k]) ? 0 : 1;
    }
    return n;
}

std::string counted(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string non_finite_values(const ProjectData& data) {
    std::string names;
    for (const ParameterField& field : parameter_fields()) {
        if (field.section == FileSection::None) {
            continue;
        }
        for (int k = 0; k < field.count(); ++k) {
            if (!std::isfinite(field_value(field, data.params, data.display, k))) {
                if (!names.empty()) {
                    names += ", ";
                }
                names += field.name;
                if (field.count() > 1) {
                    names += '_';
                    names += std::to_string(k + 1);
                }
            }
        }
    }
    long long horizon_values = 0;
    for (const auto& values : data.horizons) {
        for (double v : values) {
            horizon_values += std::isfinite(v) ? 0 : 1;
        }
    }
    // Index 0 of both arrays is no column and no horizon.
    const long long columns = count_non_finite(data.x_values, 1);
    const long long sea_levels = count_non_finite(data.sealevels, 1);
    if (names.empty() && horizon_values == 0 && columns == 0 && sea_levels == 0) {
        return {};
    }
    std::string message = "values that are not finite: parameters ";
    message += names.empty() ? std::string("none") : names;
    message += "; " + std::to_string(horizon_values) + " horizon values";
    if (columns > 0) {
        message += "; x_values of " + counted(columns, "column", "columns");
    }
    if (sea_levels > 0) {
        message += "; sealevel_values of " + counted(sea_levels, "horizon", "horizons");
    }
    return message;
}

}  // namespace vendrel
