// vendrel-run: runs the model without a window and saves the project.

#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/parameter_assignment.h"
#include "cli/picture_export.h"
#include "cli/run_options.h"
#include "document/atomic_file.h"
#include "document/csv_export.h"
#include "document/netcdf_export.h"
#include "document/number_format.h"
#include "document/project.h"
#include "document/project_writer.h"
#include "document/pseudo_well.h"
#include "document/save_set.h"
#include "view/section_snapshot.h"

namespace {

using namespace vendrel;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void show_progress(Simulation& sim, Clock::time_point start) {
    double ka = 0;
    int horizons = 0;
    {
        const Simulation::ReadGuard model = sim.read();
        ka = model.state().sim_time / 1000;
        horizons = model.state().published_count();
    }
    std::fprintf(stderr, "\r  %s of %s ka, %d horizons, %s s   ", format_fixed(ka, 0, 1).c_str(),
                 format_fixed(sim.params().totaltime / 1000, 0, 1).c_str(), horizons,
                 format_fixed(seconds_since(start), 0, 1).c_str());
    std::fflush(stderr);
}

// Prints one line on what a project holds; the error when it does not read.
int check(const std::string& path) {
    Project project(make_startup_parameters(runtime_max_threads()));
    project.simulation().new_model();
    const ProjectData data = ReadProjectFile(path, project.current_values()).data;
    std::printf("%s: %d horizons, section %g x %g m, run of %g years recorded every %g years\n",
                path.c_str(), data.count, data.params.max_x, data.params.max_y,
                data.params.totaltime, data.params.display_inc);
    return 0;
}

// The project file and the data outputs, written all or nothing.
void save(Project& project, const RunOptions& options, const std::string& history,
          ProjectData& data) {
    data = project.snapshot();
    SaveSet outputs;
    if (!options.out.empty()) {
        outputs.add(options.out).write(format_project_file(data));
    }
    if (!options.netcdf.empty()) {
        AtomicFile& file = outputs.add(options.netcdf);
        write_netcdf(data, {.history = history, .well_x = options.wells},
                     [&](std::string_view bytes) { file.write(bytes); });
    }
    if (!options.csv.empty()) {
        outputs.add(options.csv).write(format_section_csv(data));
    }
    if (!options.wells_csv.empty()) {
        outputs.add(options.wells_csv).write(format_wells_csv(data, options.wells));
    }
    outputs.commit();
}

// The outputs as the summary line names them.
std::string saved_outputs(const RunOptions& options) {
    std::string names;
    for (const std::string* name : {&options.out, &options.netcdf, &options.csv, &options.wells_csv,
                                    &options.image, &options.pdf}) {
        if (!name->empty()) {
            if (!names.empty()) {
                names += ' ';
            }
            names += *name;
        }
    }
    return names;
}

bool wants_pictures(const RunOptions& options) {
    return !options.image.empty() || !options.pdf.empty();
}

void save_picture_if_asked(Project& project, const RunOptions& options) {
    if (!wants_pictures(options)) {
        return;
    }
    const SectionSnapshot snapshot = take_section_snapshot(project, !options.pdf.empty());
    if (!options.image.empty()) {
        save_section_picture(snapshot, options.image_width, options.image_height, options.image);
    }
    if (!options.pdf.empty()) {
        save_section_pdf(snapshot, options.image_width, options.image_height, options.pdf);
    }
}

int run(const RunOptions& options, const std::string& history) {
    if (!options.check.empty()) {
        return check(options.check);
    }
    for (const std::string& output : {options.out, options.netcdf, options.csv, options.wells_csv,
                                      options.image, options.pdf}) {
        if (!output.empty()) {
            ensure_writable_target(output);
        }
    }
    Project project(make_startup_parameters(runtime_max_threads()));
    Simulation& sim = project.simulation();
    sim.new_model();
    if (!options.project.empty()) {
        project.open(options.project);
    }

    ModelParameters edited = sim.params();
    for (const auto& [key, value] : options.settings) {
        assign_parameter(edited, project.display(), key, value);
    }
    if (options.threads) {
        edited.omp_threads = *options.threads;
    }
    for (double x : options.wells) {
        check_well_position(edited, x);
    }
    if (options.no_run) {
        // The values go in as a project line would carry them; the opened
        // results stay as they are.
        sim.modify().params() = edited;
        ProjectData data;
        save(project, options, history, data);
        save_picture_if_asked(project, options);
        std::printf("vendrel-run: %d horizons; saved %s\n", data.count,
                    saved_outputs(options).c_str());
        return 0;
    }
    sim.change_parameters([&](ModelParameters& p) { p = edited; });

    const bool terminal = isatty(STDERR_FILENO) != 0;
    const Clock::time_point start = Clock::now();
    sim.start_run();
    while (!sim.wait_until_idle(std::chrono::milliseconds(200))) {
        if (terminal) {
            show_progress(sim, start);
        }
    }
    if (terminal) {
        std::fputs("\r\033[K", stderr);
    }
    const double run_seconds = seconds_since(start);

    ProjectData data;
    save(project, options, history, data);
    save_picture_if_asked(project, options);
    std::printf("vendrel-run: %lld steps, %d horizons, %s s; saved %s\n",
                static_cast<long long>(sim.steps_taken()), data.count,
                format_fixed(run_seconds, 0, 2).c_str(), saved_outputs(options).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const RunOptions options =
            parse_run_options(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(usage_text(), stdout);
            return 0;
        }
        // Pictures are drawn with the window's renderer, which needs the
        // toolkit's fonts; the offscreen platform needs no display.
        std::unique_ptr<QGuiApplication> toolkit;
        if (wants_pictures(options)) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            toolkit = std::make_unique<QGuiApplication>(argc, argv);
        }
        // Data exports record the command they came from.
        std::string history = "vendrel-run";
        for (int i = 1; i < argc; ++i) {
            history += std::string(" ") + argv[i];
        }
        return run(options, history);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vendrel-run: %s (see vendrel-run --help)\n", e.what());
        return 2;
    } catch (const WellOutsideSectionError& e) {
        std::fprintf(stderr, "vendrel-run: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vendrel-run: %s\n", e.what());
        return 1;
    }
}
