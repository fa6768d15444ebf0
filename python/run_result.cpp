#include "python/run_result.h"

#include <utility>

#include "cli/output_plan.h"
#include "cli/run_options.h"
#include "cli/script_run.h"
#include "document/project_reader.h"
#include "document/project_writer.h"

namespace vendrel {

RunResult::RunResult(ProjectData data, RunReport report, std::string history)
    : data_(std::move(data)), report_(std::move(report)), history_(std::move(history)) {
    report_.horizons = data_.count;
    report_.simulated_time = data_.simulated_time;
    report_.metrics = compute_run_metrics(data_);
}

std::unique_ptr<Project> RunResult::reopened() const {
    auto project = std::make_unique<Project>(startup_parameters());
    project->simulation().new_model();
    std::string file;
    write_project_file(data_, [&](std::string_view piece) { file.append(piece); });
    project->open(parse_project_file(file, "the results", project->current_values()));
    return project;
}

void RunResult::save_outputs(const std::vector<std::string>& args) const {
    const RunOptions options = parse_run_options(args);
    OutputPlan plan(options.outputs);
    // Only the pictures draw from the model.
    const std::unique_ptr<Project> project =
        options.needs_toolkit() ? reopened() : std::make_unique<Project>(startup_parameters());
    plan.write(OutputContext{*project, data_, options, report_});
    plan.commit();
}

}  // namespace vendrel
