#pragma once
// The model side of opening a project, shared by the window's Open and the
// headless runner.

#include <string>

#include "document/project_reader.h"

namespace vendrel {

class Simulation;

// Stores a loaded project into the model: every parameter the file carries,
// the column positions, the published horizons and their sea levels, and the
// count. The caller holds the engine idle.
void apply_project(const LoadedProject& loaded, ModelParameters& p, ModelState& s);

// Opens the project at `path`: reads the whole file first, then stops the
// engine, stores the project, sets horizon_count to 1, clears running and
// reset_geometry and resets the model, keeping the loaded sea levels of the
// published slots. A file that cannot be read or is not a valid project
// throws (FileError, ProjectFileError) and leaves the model as it was.
void open_project(Simulation& sim, const std::string& path);

// The part of open_project after the file is read.
void open_project(Simulation& sim, const LoadedProject& loaded);

}  // namespace vendrel
