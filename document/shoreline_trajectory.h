#pragma once
// The shoreline's path through a recorded section and the class of each of
// its steps, after the shoreline-trajectory analysis of Helland-Hansen and
// Martinsen (1996) with the regression classes of Catuneanu (2006, forced
// and normal regression).
//
//   Shoreline of horizon h: the most basinward crossing of the horizon and
//     the sea level it was recorded with, that is the seaward-most column
//     (the largest x; the section deepens to the right) whose horizon lies
//     at or above that sea level (z <= sea level, depths measured down);
//     missing when no column does. Its x is that column's x, its elevation
//     the sea level's height above the base (max_y - sea level). Horizon 1
//     uses the sea level of time 0 (baselevel), not slot 1's planned value.
//   Step h (h >= 2), from the shoreline of h - 1 to that of h, with dx the
//     seaward movement and de the change of elevation:
//       forced regressive  de < 0 and dx >= minus one column: the shoreline
//                          is driven seaward (or held) by a falling sea
//       normal regressive  de >= 0 and dx > one column: it builds seaward
//                          while the sea stands or rises
//       transgressive      dx < minus one column: it moves landward
//       aggradational      de >= 0 and |dx| within one column: it builds up
//                          in place
//     missing when either shoreline is.

#include <cstdint>
#include <functional>
#include <vector>

#include "document/project_data.h"

namespace vendrel {

enum class TrajectoryClass : std::int8_t {
    Missing = -1,
    ForcedRegressive = 0,
    NormalRegressive = 1,
    Transgressive = 2,
    Aggradational = 3,
};

// The name of a class as the CSV and the NetCDF flag meanings write it.
const char* trajectory_class_name(TrajectoryClass c);

struct ShorelinePoint {
    int column = 0;  // 0: no shoreline
    double x = 0;
    double elevation = 0;
    TrajectoryClass step = TrajectoryClass::Missing;  // from the horizon below
};

// The class of a step by the rules above; `column_width` is the column
// spacing (m).
TrajectoryClass classify_trajectory_step(double dx, double de, double column_width);

// The shoreline of horizons 1..N at index h - 1.
std::vector<ShorelinePoint> shoreline_trajectory(const ProjectData& data);

// The same of any store of the horizons: `z(c, h)` the position of column
// c in slot h, `x_values[c]` and `sealevels[h]` indexed from 1 as the
// model's are.
std::vector<ShorelinePoint> shoreline_trajectory(const ModelParameters& params, int count,
                                                 const std::function<double(int, int)>& z,
                                                 const double* x_values, const double* sealevels);

}  // namespace vendrel
