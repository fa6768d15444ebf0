#pragma once
// Saving one output so that its path always holds either the complete old
// file or the complete new one, and so that a save only ever removes what it
// created.
//
// A regular file (or a new one) is written unnamed into its folder
// (O_TMPFILE), flushed to disk, linked to a short name of the program's own
// pattern ".vendrel-save-<host>-<boot id>-<pid>-<8 hex digits>" and renamed
// over the target; then the folder is flushed. Where the file system has no
// unnamed files, the temporary is created under such a name from the start.
// A save killed midway leaves at most one such name; each later save into
// the folder first deletes names of exactly that pattern made on this host
// in this boot whose process is gone, and nothing else: a folder shared by
// several machines holds their saves in progress too, whose pids mean
// nothing here, and names of the older pattern without a host are never
// touched. The temporary name's length does not depend on the target's
// (at most about 130 bytes), so any name the file system accepts can be
// saved.
//
// Hard links to the old file keep the old contents: the path gets a new
// file. A stream (device, FIFO, socket, "-") is written straight into at
// commit; see save_target.h.

#include <string>
#include <string_view>

#include "document/file_error.h"
#include "document/save_target.h"
#include "document/standard_stream.h"

namespace vendrel {

class AtomicFile {
  public:
    // How the temporary is made: unnamed where the file system allows it, or
    // under its temporary name from the start (for file systems known to
    // lack unnamed files).
    enum class Staging { Automatic, Named };

    // Resolves and checks `path` (resolve_save_target), deletes leftovers of
    // killed saves from its folder and opens the temporary (a stream is
    // opened for writing). Throws FileError / NotWritableError.
    explicit AtomicFile(const std::string& path, Staging staging = Staging::Automatic);
    explicit AtomicFile(SaveTarget target, Staging staging = Staging::Automatic);
    // Discards what was not committed: the temporary is removed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends to the new contents (kept in memory for a stream until
    // commit). Throws FileError.
    void write(std::string_view bytes);
    // Flushes the temporary to disk and gives it its temporary name, so that
    // commit is a rename only. Nothing visible changes. Throws FileError.
    void prepare();
    // Prepares when not done yet, renames the temporary over the target and
    // flushes the folder; a stream gets its bytes now (and is closed when
    // this object goes). Throws FileError; the target is then unchanged (a
    // stream may hold part of the bytes).
    void commit();

    const SaveTarget& target() const { return target_; }
    bool committed() const { return committed_; }

  private:
    [[noreturn]] void fail(int error) const;
    void open_temporary(Staging staging);
    void release();

    SaveTarget target_;
    int folder_fd_ = -1;
    int fd_ = -1;
    bool unnamed_ = false;   // O_TMPFILE, not linked yet
    std::string temp_name_;  // in the folder, once it has a name
    std::string stream_bytes_;
    bool prepared_ = false;
    bool committed_ = false;
};

// Replaces the file at `path` with `contents` through an AtomicFile; "-"
// writes to standard output. Throws FileError.
void write_file_atomically(const std::string& path, std::string_view contents);

// Throws FileError (NotWritableError) unless a save to `path` could go
// ahead; see resolve_save_target.
void ensure_writable_target(const std::string& path);

}  // namespace vendrel
