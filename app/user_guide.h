#pragma once
// Where the user guide is: installed beside the program as
// <prefix>/share/vendrel/guide/index.html (the program in <prefix>/bin), or,
// for a program run from its build tree, in the source tree's
// resources/guide/index.html.

#include <QString>

namespace vendrel {

// The guide's file, or an empty string when there is none.
QString findUserGuide(const QString& programFolder);

}  // namespace vendrel
