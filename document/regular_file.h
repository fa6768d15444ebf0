#pragma once
// The whole text of a small input file (a parameter file, a manifest, a
// design, a sea-level curve). Only a regular file is read: the file is
// opened without waiting (a FIFO named in its place does not block) and
// checked on what was opened, so a device or a FIFO swapped in after a
// check is refused too.

#include <cstdint>
#include <string>

namespace vendrel {

// Throws FileError whose text is the reason alone, for the caller to put
// after the file's name: the system's reason ("No such file or directory"),
// "not a regular file", "larger than N MiB" (`max_bytes` a whole number of
// MiB) or "cannot read it".
std::string read_regular_file(const std::string& path, std::uint64_t max_bytes);

}  // namespace vendrel
