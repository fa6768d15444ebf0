#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace vendrel {

// A file that could not be read or written; the message names the file and
// the reason.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The part of `path` after its last "/" (the whole path without one).
std::string file_name_of(const std::string& path);

// Replaces the file at `path` with `contents` so that the path always holds
// either the complete old file or the complete new one: the contents go to
// a temporary file in the same folder, which is flushed to disk and then
// renamed over the target. On failure the temporary file is removed, the
// old file is untouched and FileError is thrown.
void write_file_atomically(const std::string& path, std::string_view contents);

// Throws FileError unless a file at `path` could be written: its folder
// exists and is writable, and the path is not a folder.
void ensure_writable_target(const std::string& path);

}  // namespace vendrel
