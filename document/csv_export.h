#pragma once
// Results as CSV tables (RFC 4180: a header row, comma-separated fields,
// CR LF after every row). Numbers are the shortest text that reads back to
// the same double, with "." as the decimal separator whatever the locale;
// a value that is missing or not finite is an empty field. Definitions of
// every column: stratigraphy.h.
//
// The header names each column after its variable in the NetCDF file
// (output_variables.h) with the unit appended ("z_down_m", "time_kyr").
// The section table is tidy, one row per horizon and column (horizon outer,
// columns 1..2000 inner):
//   horizon,time_kyr,age_kyr,x_m,z_down_m,elevation_m,depth_of_deposition_m,
//   distance_from_shore_m,porosity,thickness_m,hiatus,subaerial
// The trajectory table holds the shoreline of every horizon and the class
// of the step that reached it (shoreline_trajectory.h), the platform margin,
// the sediment supplied and the accommodation created at each well, one row
// per horizon:
//   horizon,time_kyr,age_kyr,shoreline_x_m,shoreline_elevation_m,trajectory,
//   platform_margin_x_m,platform_margin_elevation_m,sediment_supplied_m2,
//   accommodation_created_m_at_<x>...
// The well table holds every pseudo-well of one command, one row per well
// and horizon (wells by increasing x, each position once; oldest horizon
// first):
//   well_x_m,column,column_x_m,horizon,time_kyr,age_kyr,z_down_m,
//   elevation_m,burial_depth_m,thickness_m,depth_of_deposition_m,
//   distance_from_shore_m,porosity

#include <string>
#include <vector>

#include "document/project_data.h"

namespace vendrel {

std::string format_section_csv(const ProjectData& data);

// Throws WellOutsideSectionError (pseudo_well.h) for a position outside the
// section.
std::string format_wells_csv(const ProjectData& data, const std::vector<double>& well_x);

// The shoreline trajectory table.
std::string format_trajectory_csv(const ProjectData& data, const std::vector<double>& well_x = {});

}  // namespace vendrel
