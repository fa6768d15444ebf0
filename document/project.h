#pragma once
// One project: the simulation (the model and its engine) and how it is
// drawn. The window's document and the headless runner each own one.
//
// The display settings live here, beside the simulation and outside the
// model's lock: only the owning thread changes them, the renderer reads
// them, the engine never sees them. The project file holds both.

#include <string>

#include "core/display_settings.h"
#include "core/simulation.h"
#include "document/project_data.h"
#include "document/project_reader.h"

namespace vendrel {

class Project {
  public:
    explicit Project(const ModelParameters& startup);

    Simulation& simulation() { return simulation_; }
    const Simulation& simulation() const { return simulation_; }
    DisplaySettings& display() { return display_; }
    const DisplaySettings& display() const { return display_; }

    // What a line of a project file that stores nothing leaves in place.
    ProjectDefaults current_values();

    // The whole project as the file holds it, copied while the run is
    // paused between two steps.
    ProjectData snapshot();

    // Opens the project at `path`: reads the whole file first, then stops
    // the engine, stores the project, sets horizon_count to 1, clears
    // running and reset_geometry and resets the model, keeping the loaded
    // sea levels of the published slots. A file that cannot be read or is
    // not a valid project throws (FileError, ProjectFileError) and leaves
    // everything as it was. Returns what the user is told of numbers the
    // file holds that are not finite (non_finite_values.h; they are opened
    // as stored), or nothing.
    std::string open(const std::string& path);
    // The part of open() after the file is read.
    void open(const LoadedProject& loaded);

    // Stores a loaded project into the model and the display settings; the
    // model's write guard is held by the caller.
    void apply(const LoadedProject& loaded, Simulation::WriteGuard& model);

  private:
    Simulation simulation_;
    DisplaySettings display_;
};

}  // namespace vendrel
