// vendrel-run: runs the model without a window and saves its outputs.
//
// Every output is checked before the run (output_plan.h) and all are
// replaced together after it. On stderr the runner prints its progress (on
// a terminal, or with --progress) and, when it fails, one line; Qt's own
// warnings are dropped; names and keys are printed escaped
// (printable_text.h). Exit status: 0 done, 1 failed (nothing saved), 2 bad
// command line, 3 failed after some outputs were saved (the error names
// them), 130 interrupted (SIGINT or SIGTERM: the run stops, nothing is
// saved).

#include <signal.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "cli/memory_phase.h"
#include "cli/output_plan.h"
#include "cli/parameter_file.h"
#include "cli/parameter_list.h"
#include "cli/run_options.h"
#include "cli/run_report.h"
#include "cli/script_run.h"
#include "cli/sea_level_request.h"
#include "cli/stop_signal.h"
#include "cli/toolkit_messages.h"
#include "core/dialog_ranges.h"
#include "core/run_admission.h"
#include "core/sea_level_curve.h"
#include "document/non_finite_values.h"
#include "document/number_format.h"
#include "document/printable_text.h"
#include "document/project.h"
#include "document/pseudo_well.h"
#include "vendrel/version.h"

namespace {

using namespace vendrel;
using Clock = std::chrono::steady_clock;

// The run was stopped by a signal; nothing was saved.
struct Interrupted {};
constexpr const char* kInterruptedLine = "vendrel-run: interrupted; nothing saved\n";

void throw_if_interrupted() {
    if (stop_signal_received() != 0) {
        throw Interrupted{};
    }
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// How a run shows its progress on stderr.
class Progress {
  public:
    explicit Progress(const RunOptions& options) {
        if (options.progress) {
            mode_ = Mode::Lines;
        } else if (!options.quiet && isatty(STDERR_FILENO) != 0) {
            mode_ = Mode::Terminal;
        }
    }

    void show(Simulation& sim, Clock::time_point start) {
        if (mode_ == Mode::None) {
            return;
        }
        const double elapsed = seconds_since(start);
        if (mode_ == Mode::Lines && elapsed < next_line_) {
            return;
        }
        double time = 0;
        int horizons = 0;
        {
            const Simulation::ReadGuard model = sim.read();
            time = model.state().sim_time;
            horizons = model.state().published_count();
        }
        const double total = sim.params().totaltime;
        if (mode_ == Mode::Terminal) {
            std::fprintf(stderr, "\r  %s of %s ka, %d horizons, %s s   ",
                         format_fixed(time / 1000, 0, 1).c_str(),
                         format_fixed(total / 1000, 0, 1).c_str(), horizons,
                         format_fixed(elapsed, 0, 1).c_str());
        } else {
            const double done = total > 0 ? std::min(1.0, time / total) : 0;
            const std::string left =
                done > 0 ? "about " + format_fixed(elapsed * (1 - done) / done, 0, 0) + " s left"
                         : "time left not known yet";
            std::fprintf(stderr, "vendrel-run: %s%% of %s ka, %d horizons, %s s, %s\n",
                         format_fixed(100 * done, 0, 0).c_str(),
                         format_fixed(total / 1000, 0, 1).c_str(), horizons,
                         format_fixed(elapsed, 0, 0).c_str(), left.c_str());
            next_line_ = elapsed + kLineSeconds;
        }
        std::fflush(stderr);
    }

    void finish() {
        if (mode_ == Mode::Terminal) {
            std::fputs("\r\033[K", stderr);
        }
    }

  private:
    enum class Mode { None, Terminal, Lines };
    static constexpr double kLineSeconds = 5;
    Mode mode_ = Mode::None;
    double next_line_ = kLineSeconds;
};

// Prints one line on what a project holds; the error when it does not read.
int check(const std::string& path) {
    const MemoryPhase phase("the project read from " + path);
    Project project(startup_parameters());
    project.simulation().new_model();
    const ProjectData data = ReadProjectFile(path, project.current_values()).data;
    if (const std::string bad = non_finite_values(data); !bad.empty()) {
        throw FileError(path + ": " + bad);
    }
    std::printf("%s: %d horizons, section %g x %g m, run of %g years recorded every %g years\n",
                printable_text(path).c_str(), data.count, data.params.max_x, data.params.max_y,
                data.params.totaltime, data.params.display_inc);
    // What the file holds that a dialog would not take, or a run would refuse.
    for (const RangeWarning& warning : dialog_range_warnings(data.params, data.display)) {
        std::fprintf(stderr, "vendrel-run: warning: %s: %s\n", printable_text(path).c_str(),
                     printable_text(warning.text()).c_str());
    }
    if (const auto refusal = refuse_script_run(data.params, false)) {
        std::fprintf(stderr, "vendrel-run: warning: %s: a run would be refused: %s\n",
                     printable_text(path).c_str(), printable_text(refusal->text).c_str());
    }
    return 0;
}

int list_parameters(const RunOptions& options) {
    Project project(startup_parameters());
    project.simulation().new_model();
    const ModelParameters p = project.simulation().params();
    const std::string text = options.json ? parameter_list_json(p, project.display())
                                          : parameter_list_text(p, project.display());
    std::fputs(text.c_str(), stdout);
    return 0;
}

// The settings of --params, then those of --set.
std::vector<ParameterSetting> all_settings(const RunOptions& options) {
    std::vector<ParameterSetting> settings;
    if (!options.params_file.empty()) {
        settings = read_parameter_file(options.params_file);
    }
    for (const auto& [key, value] : options.settings) {
        settings.push_back({key, value, "--set"});
    }
    return settings;
}

// Runs to the end, showing the progress; a stop signal stops the run.
void run_to_the_end(Simulation& sim, const ModelParameters& edited, const RunOptions& options,
                    RunReport& report) {
    Progress progress(options);
    const Clock::time_point start = Clock::now();
    const bool ended =
        run_to_end(sim, edited, options.allow_early_end, "; or give --allow-early-end", report,
                   std::chrono::milliseconds(200), [&] {
                       if (stop_signal_received() != 0) {
                           return false;
                       }
                       progress.show(sim, start);
                       return true;
                   });
    progress.finish();
    if (!ended) {
        throw Interrupted{};
    }
}

std::string joined(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        if (!text.empty()) {
            text += ", ";
        }
        text += path;
    }
    return text;
}

int run(const RunOptions& options) {
    if (!options.check.empty()) {
        return check(options.check);
    }
    std::vector<ParameterSetting> settings = all_settings(options);
    const SeaLevelRequest curve_request = take_sea_level_request(options, settings);
    catch_stop_signals();
    OutputPlan plan(options.outputs);

    std::optional<MemoryPhase> phase(std::in_place, "the model");
    Project project(startup_parameters());
    Simulation& sim = project.simulation();
    sim.new_model();
    if (!options.project.empty()) {
        const MemoryPhase reading("the project read from " + options.project);
        const StopSignalEndsProcess stop(kInterruptedLine);
        if (const std::string warning = project.open(options.project); !warning.empty()) {
            std::fprintf(stderr, "vendrel-run: warning: %s\n", warning.c_str());
        }
    }
    RunReport report;
    ModelParameters edited = sim.params();
    apply_settings(settings, edited, project.display(), report);
    apply_sea_level_request(curve_request, edited);
    if (edited.sea_level_curve) {
        report.sea_level_file = edited.sea_level_curve->name();
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
    } else {
        const MemoryPhase running("the run");
        run_to_the_end(sim, edited, options, report);
    }
    throw_if_interrupted();

    phase.emplace("a copy of the results");
    const ProjectData data = project.snapshot();
    report.horizons = data.count;
    report.simulated_time = data.simulated_time;
    report.metrics = compute_run_metrics(data);
    for (const RequestedOutput& output : plan.outputs()) {
        report.outputs.push_back(output.path);
    }
    {
        const StopSignalEndsProcess stop(kInterruptedLine);
        plan.write(OutputContext{project, data, options, report});
    }
    throw_if_interrupted();
    plan.commit();
    if (const std::vector<std::string> split = plan.split_hard_links(); !split.empty()) {
        std::fprintf(stderr,
                     "vendrel-run: note: %s had other hard links; they keep the old contents\n",
                     printable_text(joined(split)).c_str());
    }

    if (options.json) {
        std::fputs(run_report_json(report).c_str(), stdout);
        return 0;
    }
    // Standard output may carry an output; the summary then goes to stderr.
    std::FILE* summary = plan.writes_standard_output() ? stderr : stdout;
    if (report.ran) {
        const std::string early_end = report.ended_at_slot_limit
                                          ? ", ended at the 500-horizon limit at " +
                                                format_fixed(report.simulated_time / 1000, 0, 1) +
                                                " ka"
                                          : std::string();
        std::fprintf(summary, "vendrel-run: %lld steps, %d horizons, %s s%s; saved %s\n",
                     static_cast<long long>(report.steps), report.horizons,
                     format_fixed(report.wall_seconds, 0, 2).c_str(), early_end.c_str(),
                     printable_text(joined(report.outputs)).c_str());
    } else {
        std::fprintf(summary, "vendrel-run: %d horizons; saved %s\n", report.horizons,
                     printable_text(joined(report.outputs)).c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The runner's stderr holds its progress and at most one error line;
    // Qt's notes on the environment (fonts, runtime folders) are dropped.
    qInstallMessageHandler(drop_toolkit_messages);
    // A pipe whose reader left is a failed save, reported as one line: the
    // write then fails with EPIPE instead of the signal ending the runner.
    ::signal(SIGPIPE, SIG_IGN);
    try {
        const RunOptions options =
            parse_run_options(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::fputs(usage_text().c_str(), stdout);
            return 0;
        }
        if (options.version) {
            std::printf("vendrel-run %s\n", kVersion);
            return 0;
        }
        if (options.list_params) {
            return list_parameters(options);
        }
        // Pictures are drawn with the window's renderer, which needs the
        // toolkit's fonts; the offscreen platform needs no display.
        std::unique_ptr<QGuiApplication> toolkit;
        if (options.needs_toolkit()) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            toolkit = std::make_unique<QGuiApplication>(argc, argv);
        }
        return run(options);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vendrel-run: %s (see vendrel-run --help)\n",
                     printable_text(e.what()).c_str());
        return 2;
    } catch (const RunRefused& e) {
        std::fprintf(stderr, "vendrel-run: %s\n", printable_text(e.what()).c_str());
        return 2;
    } catch (const WellOutsideSectionError& e) {
        // A command line that asks for the impossible, found once the
        // parameters are known: as a bad command line.
        std::fprintf(stderr, "vendrel-run: %s\n", printable_text(e.what()).c_str());
        return 2;
    } catch (const Interrupted&) {
        std::fputs(kInterruptedLine, stderr);
        return 130;
    } catch (const SaveSetError& e) {
        std::fprintf(stderr, "vendrel-run: %s\n", printable_text(e.what()).c_str());
        return e.replaced().empty() ? 1 : 3;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vendrel-run: not enough memory for %s\n",
                     printable_text(MemoryPhase::current()).c_str());
        return 1;
    } catch (const std::system_error& e) {
        // A thread that cannot start for want of room for its stack.
        if (e.code() == std::errc::resource_unavailable_try_again) {
            std::fprintf(stderr, "vendrel-run: not enough memory for %s (%s)\n",
                         printable_text(MemoryPhase::current()).c_str(), e.what());
        } else {
            std::fprintf(stderr, "vendrel-run: %s\n", printable_text(e.what()).c_str());
        }
        return 1;
    } catch (const std::exception& e) {
        // A stop signal breaks off a wait (for a pipe's reader, say) with an
        // error: the stop is what happened.
        if (stop_signal_received() != 0) {
            std::fputs("vendrel-run: interrupted; nothing saved\n", stderr);
            return 130;
        }
        std::fprintf(stderr, "vendrel-run: %s\n", printable_text(e.what()).c_str());
        return 1;
    }
}
