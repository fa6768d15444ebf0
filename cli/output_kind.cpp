#include "cli/output_kind.h"

#include <algorithm>

#include "cli/picture_export.h"
#include "cli/run_options.h"
#include "cli/run_report.h"
#include "document/csv_export.h"
#include "document/file_suffix.h"
#include "document/netcdf_export.h"
#include "document/project.h"
#include "document/project_writer.h"
#include "view/figure_export.h"
#include "view/section_snapshot.h"
#include "view/wheeler_diagram.h"

namespace vendrel {
namespace {

void write_bytes(AtomicFile& file, const QByteArray& bytes) {
    file.write(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void write_project(const OutputContext& context, AtomicFile& file) {
    write_project_file(context.data, [&](std::string_view piece) { file.write(piece); });
}

void write_picture(const OutputContext& context, AtomicFile& file) {
    const SectionSnapshot snapshot = take_section_snapshot(context.project);
    write_bytes(file, section_picture(snapshot, context.options.image_width,
                                      context.options.image_height, file.target().path));
}

void write_pdf(const OutputContext& context, AtomicFile& file) {
    const SectionSnapshot snapshot = take_section_snapshot(context.project, true);
    write_bytes(file, section_pdf(snapshot, context.options.image_width,
                                  context.options.image_height, file.target().path));
}

// The report figure in the format of the suffix, at --size figure pixels
// (a PNG scaled by --dpi).
void write_figure_file(const OutputContext& context, AtomicFile& file) {
    const std::optional<FigureFormat> format = figure_format_of(file.target().path);
    if (!format) {
        throw FileError("cannot save " + file.target().path +
                        ": a figure is saved as .svg, .pdf or .png");
    }
    write_figure(file, take_section_snapshot(context.project), *format,
                 figure_request(context.options));
}

// The Wheeler diagram in the format of the suffix, at --size figure pixels
// or --figure-width, a PNG at --dpi, in the palette of --style.
void write_wheeler(const OutputContext& context, AtomicFile& file) {
    const std::optional<FigureFormat> format = figure_format_of(file.target().path);
    if (!format) {
        throw FileError("cannot save " + file.target().path +
                        ": a Wheeler diagram is saved as .png, .svg or .pdf");
    }
    const FigureRequest request = wheeler_request(context.options);
    try {
        write_bytes(
            file, encode_wheeler_diagram(
                      take_section_snapshot(context.project), *format, request,
                      context.options.report_style ? SectionStyle::Report : SectionStyle::Section));
    } catch (const FigureError& e) {
        throw FileError("cannot save " + file.target().path + ": " + e.what());
    }
}

void write_netcdf_file(const OutputContext& context, AtomicFile& file) {
    write_netcdf(context.data,
                 {.history = context.options.command, .well_x = context.options.wells},
                 [&](std::string_view bytes) { file.write(bytes); });
}

void write_section_csv(const OutputContext& context, AtomicFile& file) {
    file.write(format_section_csv(context.data));
}

void write_trajectory_csv(const OutputContext& context, AtomicFile& file) {
    file.write(format_trajectory_csv(context.data, context.options.wells));
}

void write_wells_csv(const OutputContext& context, AtomicFile& file) {
    file.write(format_wells_csv(context.data, context.options.wells));
}

void write_summary(const OutputContext& context, AtomicFile& file) {
    file.write(run_report_json(context.report));
}

const std::vector<OutputKind>& kinds() {
    static const std::vector<OutputKind> table = {
        {"out",
         "o",
         "FILE.vdl",
         "the project file to write (\"-\": standard output)",
         {".vdl"},
         false,
         false,
         write_project},
        {"image",
         "",
         "FILE.png",
         "picture of the final section (.png, .jpg, .ppm; .bmp: 32-bit)",
         {".png", ".bmp", ".jpg", ".jpeg", ".ppm"},
         true,
         true,
         write_picture},
        {"pdf",
         "",
         "FILE.pdf",
         "the final section printed onto one PDF page",
         {".pdf"},
         false,
         true,
         write_pdf},
        {"figure",
         "",
         "FILE.svg",
         "report figure of the final section (.svg, .pdf; .png scaled by --dpi)",
         {".svg", ".pdf", ".png"},
         false,
         true,
         write_figure_file},
        {"wheeler",
         "",
         "FILE.png",
         "Wheeler diagram (time against distance) of the final section (.png, .svg, .pdf)",
         {".png", ".svg", ".pdf"},
         true,
         true,
         write_wheeler},
        {"netcdf",
         "",
         "FILE.nc",
         "the results as NetCDF-4 (CF-1.8), with the --well pseudo-wells",
         {".nc"},
         false,
         false,
         write_netcdf_file},
        {"csv",
         "",
         "FILE.csv",
         "the results as one CSV table, a row per horizon and column",
         {".csv"},
         false,
         false,
         write_section_csv},
        {"trajectory",
         "",
         "FILE.csv",
         "shoreline, trajectory class, platform margin and supply per horizon",
         {".csv"},
         false,
         false,
         write_trajectory_csv},
        {"wells-csv",
         "",
         "FILE.csv",
         "the --well pseudo-wells as one CSV table",
         {".csv"},
         false,
         false,
         write_wells_csv},
        {"summary",
         "",
         "FILE.json",
         "save the --json summary beside the other outputs",
         {".json"},
         false,
         false,
         write_summary},
    };
    return table;
}

}  // namespace

std::span<const OutputKind> output_kinds() {
    return kinds();
}

bool has_accepted_suffix(const OutputKind& kind, const std::string& path) {
    return std::any_of(kind.suffixes.begin(), kind.suffixes.end(),
                       [&](std::string_view suffix) { return has_file_suffix(path, suffix); });
}

}  // namespace vendrel
