#pragma once

#include <QByteArray>
#include <string>

#include "view/section_snapshot.h"

namespace vendrel {

// Draws the section at width x height pixels with the window's renderer and
// encodes it in the format of the suffix of `path`: ".bmp" as the program's
// 32-bit bitmap, others as Qt writes them. Needs a QGuiApplication. Throws
// FileError, naming `path`, when the picture cannot be allocated, drawn or
// encoded.
QByteArray section_picture(const SectionSnapshot& snapshot, int width, int height,
                           const std::string& path);

// The printed picture of a window of width x height pixels, on one PDF page.
// `snapshot` is taken for the print path. Throws FileError.
QByteArray section_pdf(const SectionSnapshot& snapshot, int width, int height,
                       const std::string& path);

}  // namespace vendrel
