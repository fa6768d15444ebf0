#pragma once
// Where a save goes. A path is resolved to the file a save replaces: the
// symbolic links of its last component are followed (a dangling link names
// the file to create), so a link stays a link and its target is replaced.
// What the path names decides how it is written:
//   - a regular file or no file yet: replaced atomically in its folder
//     (AtomicFile), keeping an existing file's permission bits and, where
//     the process may set them, its owner and group;
//   - a character device, FIFO or socket, or "-" for standard output: a
//     stream, written straight into, never replaced (opening a FIFO waits
//     for its reader; a socket cannot be opened and is refused then);
//   - a folder or a block device: refused.
// A regular file is writable when access(2) grants writing and at least one
// of its write permission bits is set: access(2) alone lets root write any
// file, so a file made read-only (chmod a-w) would be overwritten by a save
// run as root; the mode bits carry what the user meant.

#include <sys/types.h>

#include <string>

#include "document/file_error.h"

namespace vendrel {

struct SaveTarget {
    enum class Kind { NewFile, RegularFile, Stream };

    std::string path;  // as given, for messages
    Kind kind = Kind::NewFile;
    std::string folder;  // a file's folder, after following the file's links
    std::string name;    // its name in that folder
    bool standard_output = false;
    // A stream: the device or pipe. A file: its folder (the same folder and
    // name is the same file, however the path spells them).
    dev_t device = 0;
    ino_t inode = 0;
    // An existing regular file's permission bits, owner and group.
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    // An existing regular file's number of names: above 1, the other hard
    // links keep the old contents once the path gets its new file.
    nlink_t links = 0;

    bool is_stream() const { return kind == Kind::Stream; }
};

// Resolves `path` and checks that it may be written. Throws FileError (a
// missing folder, a folder or block device as target, a link loop), or
// NotWritableError when the file or its folder may not be written.
SaveTarget resolve_save_target(const std::string& path);

// True when resolve_save_target would accept `path`.
bool target_writable(const std::string& path);

// True when both name the same file or the same stream (compared by device
// and inode, not by spelling: "./a.vdl" and a link to it are the same).
bool same_target(const SaveTarget& a, const SaveTarget& b);

}  // namespace vendrel
