#pragma once
// The run loop as its literal algorithm states it, for comparison with the
// engine: every phase a separate loop over the columns, horizons moved by
// the faults every step, the distance found by searching every column, and
// compaction every step with each thinned layer moving every younger horizon.
// Single-threaded and slow; tests run it on short runs only.

#include "core/model_parameters.h"
#include "document/project_data.h"

namespace vendrel {
struct ModelState;
}

namespace vendrel::testing {

// One compaction pass over slots 2..N of column i, each thinned layer
// moving every younger horizon.
void compact_column_literally(const ModelParameters& p, ModelState& s, int i, int N);

// Constructs a document, resets as New and a dialog OK would with `p`, runs
// to the end and returns what a save would write.
ProjectData run_reference(const ModelParameters& p);

// The same through the engine.
ProjectData run_engine(const ModelParameters& p);

}  // namespace vendrel::testing
