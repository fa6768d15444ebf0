#pragma once
// Several outputs of one command saved all or nothing, as far as renames
// allow: every file output is written and flushed under its temporary name
// first; then the streams (devices, pipes, standard output) get their
// bytes, and the renames follow one after the other. When anything fails
// before the first stream is written or rename made, no output has changed:
// a stream that fails (a full device, a pipe whose reader left) leaves every
// file as it was, though the stream may hold part of its bytes. A failure
// after an output was complete (a later stream, or a rename whose folder
// changed meanwhile) is reported with the outputs already saved. The
// streams are closed when the set goes, so a pipe's reader sees its end
// once the files are in place.
//
//   SaveSet outputs;
//   AtomicFile& project = outputs.add(out_path);
//   AtomicFile& picture = outputs.add(image_path);
//   project.write(...);
//   picture.write(...);
//   outputs.commit();

#include <memory>
#include <string>
#include <vector>

#include "document/atomic_file.h"

namespace vendrel {

// A save of several outputs that did not complete. replaced() names the
// outputs (as given) already saved whole (files replaced, streams written);
// it is empty when every output is as it was (a stream may hold part of its
// bytes).
class SaveSetError : public FileError {
  public:
    SaveSetError(const std::string& what, std::vector<std::string> replaced)
        : FileError(what), replaced_(std::move(replaced)) {}
    const std::vector<std::string>& replaced() const { return replaced_; }

  private:
    std::vector<std::string> replaced_;
};

class SaveSet {
  public:
    // Resolves and opens one more output. Throws FileError (NotWritableError)
    // when it cannot be written, and FileError when it is the same file or
    // stream as an output already added.
    AtomicFile& add(const std::string& path,
                    AtomicFile::Staging staging = AtomicFile::Staging::Automatic);

    // Prepares every output, writes the streams, then renames the files in
    // the order they were added. Throws SaveSetError.
    void commit();

  private:
    std::vector<std::unique_ptr<AtomicFile>> outputs_;
};

}  // namespace vendrel
