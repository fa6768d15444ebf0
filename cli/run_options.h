#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vendrel {

// A command line that cannot be run; the message says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct RunOptions {
    std::string project;  // the project to start from; empty for a new one
    std::vector<std::pair<std::string, std::string>> settings;  // --set key=value, in order
    std::optional<int> threads;
    std::string out;            // the project file; optional when a data output is given
    std::string netcdf;         // the results as NetCDF
    std::string csv;            // the results as one CSV table
    std::vector<double> wells;  // pseudo-well positions (m), in --netcdf and --wells-csv
    std::string wells_csv;      // the pseudo-wells as one CSV table
    bool no_run = false;        // save what was opened (and set) without running
    std::string check;          // validate this project and report
    std::string image;          // picture of the final section, format by suffix
    std::string pdf;            // the printed page of the final section
    int image_width = 1600;
    int image_height = 800;
    bool help = false;
};

RunOptions parse_run_options(const std::vector<std::string>& args);

const char* usage_text();

}  // namespace vendrel
