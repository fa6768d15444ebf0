#pragma once
// A project file may store numbers that are not finite (nan, inf): the
// reader takes them as it takes any value. What is said about them: the
// parameters that hold one, by name (an array element as <name>_<k>), and
// how many horizon values, column positions and sea levels do.

#include <string>

#include "document/project_data.h"

namespace vendrel {

// "values that are not finite: parameters amp_2; 3 horizon values", with
// "; x_values of N columns" and "; sealevel_values of N horizons" where
// there are such; empty when every value is finite.
std::string non_finite_values(const ProjectData& data);

}  // namespace vendrel
