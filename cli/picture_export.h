#pragma once

#include <string>

#include "view/section_snapshot.h"

namespace vendrel {

// Draws the section at width x height pixels with the window's renderer and
// saves it, in the format its suffix names, atomically. Needs a
// QGuiApplication. Throws FileError.
void save_section_picture(const SectionSnapshot& snapshot, int width, int height,
                          const std::string& path);

}  // namespace vendrel
