#pragma once
// Every output of one run, checked before the run and saved all or nothing
// after it.
//
//   OutputPlan plan(options.outputs);   // before the run: refuses a bad
//                                       // suffix, folder, unwritable or
//                                       // repeated target (after links)
//   ... run ...
//   plan.write(context);                // each kind's writer, into its
//                                       // temporary (streams: a buffer)
//   plan.commit();                      // streams first, then the renames
//                                       // in a row
//
// Until commit() nothing on disk has changed; a plan destroyed before it
// leaves no file behind. A failure after an output was saved whole is
// reported (SaveSetError) with the outputs already saved.

#include <string>
#include <vector>

#include "cli/output_kind.h"
#include "document/save_set.h"

namespace vendrel {

struct RequestedOutput {
    const OutputKind* kind = nullptr;
    std::string path;
};

class OutputPlan {
  public:
    // Throws UsageError for a suffix the kind does not accept, FileError
    // (NotWritableError) for a target that cannot be written or that is the
    // same file or stream as an earlier output.
    explicit OutputPlan(const std::vector<RequestedOutput>& outputs);

    void write(const OutputContext& context);
    void commit();

    bool writes_standard_output() const;
    // The outputs (as given) that replace a file with other hard links:
    // those keep the old contents.
    std::vector<std::string> split_hard_links() const;
    // The outputs as given, in the order given.
    const std::vector<RequestedOutput>& outputs() const { return requested_; }

  private:
    std::vector<RequestedOutput> requested_;
    SaveSet files_;
    std::vector<AtomicFile*> targets_;  // parallel to requested_
};

}  // namespace vendrel
