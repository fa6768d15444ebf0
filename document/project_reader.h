#pragma once
// Reading a project file. The reader is positional: a line's meaning comes
// from its position, never from its key. Tokens are separated by spaces,
// commas and semicolons (a tab is not a separator); a line may lack its
// last value (a key-only line of one value stores nothing, a line of several
// values takes 0 for the missing one), and a line lacking more, an empty
// line or the end of the file is an error. The file is read line by line
// into a ProjectData, and no further than its last line; the model changes
// only once the ProjectData is complete. A file whose first lines are not
// text (binary data, UTF-16) or whose first line does not begin with a key
// is refused as "not a Vendrel project"; values are not judged.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/model_state.h"
#include "document/atomic_file.h"
#include "document/project_data.h"

namespace vendrel {

// The keys of the optional sea-level curve section after the fault lines.
inline constexpr const char* kSeaLevelCurveKey = "sea_level_curve";
inline constexpr const char* kSeaLevelPointKey = "sea_level_point";

// A project file that cannot be read; the message names the file, the line
// and what was expected and found.
class ProjectFileError : public FileError {
  public:
    using FileError::FileError;
};

// What a line that stores nothing leaves in place: the model's current
// values of everything a file can carry.
struct ProjectDefaults {
    ModelParameters params;
    DisplaySettings display;
    int count = 0;
    std::vector<double> x_values;                   // columns 1..2000
    std::array<double, HORIZON_SLOTS> sealevels{};  // slots 0..500
};
ProjectDefaults current_project_values(const ModelParameters& p, const DisplaySettings& display,
                                       const ModelState& s);

struct LoadedProject {
    ProjectData data;
    // Line 1's value, which also becomes the current sea level.
    std::optional<double> first_line_sea_level;
};

// The longest line the reader takes; a longer one is refused as a bad line.
// The longest line the writer produces is control_x or control_y with ten
// values of the widest form "%lf" gives (-1.8e308: 317 characters), 3191
// bytes with its CR LF; 64 KiB leaves room twenty times over for hand-edited
// files while a file without line feeds (a disk image, /dev/zero through a
// pipe) fails after 64 KiB instead of filling the memory.
inline constexpr std::size_t kMaxProjectLineLength = 65536;

// Reads `contents` as the file `name` (used in messages). Throws
// ProjectFileError.
LoadedProject parse_project_file(std::string_view contents, const std::string& name,
                                 const ProjectDefaults& defaults);

// Reads the project from the open descriptor `fd` (left open) as the file
// `name`. Throws FileError when a read fails and ProjectFileError when it is
// not a valid project.
LoadedProject read_project_stream(int fd, const std::string& name, const ProjectDefaults& defaults);

// Reads the file at `path`; "-" reads standard input. Anything else but a
// regular file (a folder, FIFO or device) is refused with FileError, as is
// a file that cannot be read; ProjectFileError when it is not a valid
// project.
LoadedProject ReadProjectFile(const std::string& path, const ProjectDefaults& defaults);

}  // namespace vendrel
