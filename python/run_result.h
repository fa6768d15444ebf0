#pragma once
// The results of one run or one opened project, as the Python module's
// Result holds them: the project (the model after the run, for the
// pictures) and the copy of it the files are written from. Nothing changes
// them after they are made, so every export of one result reads the same
// values.

#include <memory>
#include <string>
#include <vector>

#include "cli/run_report.h"
#include "document/project.h"
#include "document/project_data.h"

namespace vendrel {

class RunResult {
  public:
    // `history`: where the results came from, for the NetCDF export.
    RunResult(std::unique_ptr<Project> project, RunReport report, std::string history);

    Project& project() { return *project_; }
    const ProjectData& data() const { return data_; }
    const RunReport& report() const { return report_; }
    const std::string& history() const { return history_; }

    // Saves the outputs the runner's arguments `args` name (--out, --figure,
    // --wheeler with their options) through the runner's output plan: every
    // target checked first, then all written and saved together. Throws as
    // the runner fails: UsageError, FileError, FigureError.
    void save_outputs(const std::vector<std::string>& args);

  private:
    std::unique_ptr<Project> project_;
    ProjectData data_;
    RunReport report_;
    std::string history_;
};

}  // namespace vendrel
