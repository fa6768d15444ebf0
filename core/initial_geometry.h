#pragma once
// The column grid and the initial (basement) surface.
//
// Column i stands at x = (i / 2000) max_x. The initial surface is the
// straight ramp from (0, 0) to (max_x, max_y), or, for an isolated platform,
// the piecewise-linear profile through the ten control points.

namespace vendrel {

struct ModelParameters;
struct ModelState;

// Depth-down height of the control-point profile at x: the first segment
// whose right end is at or beyond x (the first segment extended to the left,
// flat beyond the last point). A segment of zero width gives its right
// point's depth instead of dividing by zero.
double interpolate_control_points(const ModelParameters& p, double x);

// x of column i (1..2000).
double column_x(const ModelParameters& p, int i);

// Depth-down height of the initial surface at column i (1..2000).
double initial_surface_at(const ModelParameters& p, int i);

// Lays out x_values, initial_surface, surface and horizon slot 1.
void build_initial_geometry(const ModelParameters& p, ModelState& s);

}  // namespace vendrel
