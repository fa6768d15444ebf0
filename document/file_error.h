#pragma once
// The errors of the file layer.

#include <stdexcept>

namespace vendrel {

// A file that could not be read or written; the message names the file and
// the reason.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A save target the program may not write: the file is read-only (no write
// permission bit, or access(2) refuses writing), or its folder does not let
// the program create the replacement. The window's Save then goes the way of
// Save As.
class NotWritableError : public FileError {
  public:
    using FileError::FileError;
};

}  // namespace vendrel
