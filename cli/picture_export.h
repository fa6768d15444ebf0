#pragma once

#include <string>

#include "view/section_snapshot.h"

namespace vendrel {

// Draws the section at width x height pixels with the window's renderer and
// saves it atomically: ".bmp" as the program's 32-bit bitmap, other
// suffixes in the format they name. Needs a QGuiApplication. Throws
// FileError.
void save_section_picture(const SectionSnapshot& snapshot, int width, int height,
                          const std::string& path);

// The printed picture of a window of width x height pixels, on one PDF page.
// `snapshot` is taken for the print path.
void save_section_pdf(const SectionSnapshot& snapshot, int width, int height,
                      const std::string& path);

}  // namespace vendrel
