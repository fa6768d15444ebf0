#pragma once
// The results of one run or one opened project, as the Python module's
// Result holds them: the project as its file holds it, with what the run
// reported. Only this copy is kept, not the model (a model takes tens of
// megabytes whatever its results, and a script may keep many results);
// pictures are drawn from the model the copy opens into, as a saved
// project opens. Nothing changes a result once made, so every export of
// one result reads the same values.

#include <memory>
#include <string>
#include <vector>

#include "cli/run_report.h"
#include "document/project.h"
#include "document/project_data.h"

namespace vendrel {

class RunResult {
  public:
    // `data` is the project's snapshot after the run (or the Open);
    // `history` says where the results came from, for the NetCDF export.
    RunResult(ProjectData data, RunReport report, std::string history);

    const ProjectData& data() const { return data_; }
    const RunReport& report() const { return report_; }
    const std::string& history() const { return history_; }

    // Saves the outputs the runner's arguments `args` name (--out, --figure,
    // --wheeler with their options) through the runner's output plan: every
    // target checked first, then all written and saved together. Throws as
    // the runner fails: UsageError, FileError, FigureError.
    void save_outputs(const std::vector<std::string>& args) const;

  private:
    // The model as the program's Open makes it from the saved results.
    std::unique_ptr<Project> reopened() const;

    ProjectData data_;
    RunReport report_;
    std::string history_;
};

}  // namespace vendrel
