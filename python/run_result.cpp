#include "python/run_result.h"

#include <utility>

#include "cli/output_plan.h"
#include "cli/run_options.h"

namespace vendrel {

RunResult::RunResult(std::unique_ptr<Project> project, RunReport report, std::string history)
    : project_(std::move(project)),
      data_(project_->snapshot()),
      report_(std::move(report)),
      history_(std::move(history)) {
    report_.horizons = data_.count;
    report_.simulated_time = data_.simulated_time;
    report_.metrics = compute_run_metrics(data_);
}

void RunResult::save_outputs(const std::vector<std::string>& args) {
    const RunOptions options = parse_run_options(args);
    OutputPlan plan(options.outputs);
    plan.write(OutputContext{*project_, data_, options, report_});
    plan.commit();
}

}  // namespace vendrel
