#pragma once

#include <string>

#include "core/model_parameters.h"
#include "document/project_data.h"

namespace vendrel::testing {

// The parameters as a freshly constructed document has them.
ModelParameters document_parameters();

// A short run: 4000 years recorded every 200 (20 horizons).
ModelParameters short_run_parameters();

// Largest difference between two projects' numbers, with both of the same
// shape; +infinity when their shapes differ. NaNs must sit in the same places.
double largest_difference(const ProjectData& a, const ProjectData& b);

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);

}  // namespace vendrel::testing
