#include "document/project_writer.h"

#include "core/model_state.h"
#include "core/parameter_fields.h"
#include "document/atomic_file.h"
#include "document/number_format.h"

namespace vendrel {
namespace {

constexpr const char* kLineEnd = "\r\n";

void append_values(std::string& out, const ProjectData& d, const ParameterField& field) {
    visit_field(field, d.params, d.display, [&](const auto& value) {
        using T = std::remove_cvref_t<decltype(value)>;
        if constexpr (std::is_same_v<T, double>) {
            out += ' ';
            append_fixed6(out, value);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
            out += ' ';
            append_int(out, value);
        } else {
            for (double v : value) {
                out += ' ';
                append_fixed6(out, v);
            }
        }
    });
}

void append_parameter_lines(std::string& out, const ProjectData& d, FileSection section) {
    for (const ParameterField& field : parameter_fields()) {
        if (field.section == section) {
            out += field.file_key;
            append_values(out, d, field);
            out += kLineEnd;
        }
    }
}

void append_keyed_real(std::string& out, const char* key, double value) {
    out += key;
    out += ' ';
    append_fixed6(out, value);
    out += kLineEnd;
}

}  // namespace

std::string format_project_file(const ProjectData& d) {
    std::string out;
    out.reserve(4096 + std::size_t(COLUMN_COUNT) * 32 + d.horizons.size() * 56 +
                d.sealevels.size() * 32);
    append_parameter_lines(out, d, FileSection::Parameters);
    out += "display_current_disp ";
    append_int(out, d.count);
    out += kLineEnd;

    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        append_keyed_real(out, "x_values", d.x_values[c]);
    }
    for (const auto& v : d.horizons) {
        out += "values";
        for (double value : v) {
            out += ' ';
            append_fixed6(out, value);
        }
        out += kLineEnd;
    }
    for (int h = 1; h <= d.count; ++h) {
        append_keyed_real(out, "sealevel_values", d.sealevels[h]);
    }
    append_parameter_lines(out, d, FileSection::Tectonics);
    return out;
}

void save_project_file(const std::string& path, const ProjectData& data) {
    write_file_atomically(path, format_project_file(data));
}

}  // namespace vendrel
