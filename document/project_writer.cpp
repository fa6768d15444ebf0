#include "document/project_writer.h"

#include "core/model_state.h"
#include "core/parameter_fields.h"
#include "core/sea_level_curve.h"
#include "document/atomic_file.h"
#include "document/number_format.h"
#include "document/project_reader.h"

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

void write_project_file(const ProjectData& d, const std::function<void(std::string_view)>& sink) {
    // The text is made in pieces of about kPiece bytes, each handed to
    // `sink` before the next is made in the same buffer.
    constexpr std::size_t kPiece = std::size_t(1) << 20;
    std::string out;
    out.reserve(kPiece + 4096);
    const auto hand_over_if_full = [&] {
        if (out.size() >= kPiece) {
            sink(out);
            out.clear();
        }
    };
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
        hand_over_if_full();
    }
    for (int h = 1; h <= d.count; ++h) {
        append_keyed_real(out, "sealevel_values", d.sealevels[h]);
    }
    append_parameter_lines(out, d, FileSection::Tectonics);
    if (const SeaLevelCurve* curve = d.params.sea_level_curve.get()) {
        out += kSeaLevelCurveKey;
        out += ' ';
        out += curve->name();
        out += ' ';
        out += std::to_string(curve->points().size());
        out += kLineEnd;
        for (const SeaLevelPoint& point : curve->points()) {
            out += kSeaLevelPointKey;
            out += ' ';
            append_fixed6(out, point.time);
            out += ' ';
            append_fixed6(out, point.level);
            out += kLineEnd;
            hand_over_if_full();
        }
    }
    if (!out.empty()) {
        sink(out);
    }
}

std::string format_project_file(const ProjectData& d) {
    std::string text;
    text.reserve(4096 + std::size_t(COLUMN_COUNT) * 32 + d.horizons.size() * 56 +
                 d.sealevels.size() * 32);
    write_project_file(d, [&](std::string_view piece) { text += piece; });
    return text;
}

void save_project_file(const std::string& path, const ProjectData& data) {
    AtomicFile file(path);
    write_project_file(data, [&](std::string_view piece) { file.write(piece); });
    file.commit();
}

}  // namespace vendrel
