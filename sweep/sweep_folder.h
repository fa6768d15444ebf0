#pragma once
// A sweep's folder, made ready for runs: created when missing, claimed
// (sweep_lock.h) and holding the sweep's manifest as DIR/manifest.csv. A
// folder that holds another manifest is refused, so one folder never mixes
// two sweeps. A design kept beside the manifest (MANIFEST.design.toml, from
// `vendrel-sweep design`) is copied as DIR/design.toml.

#include <string>

#include "sweep/sweep_lock.h"

namespace vendrel {

// Makes DIR, claims it and keeps `manifest_text` there (`manifest_name`
// names it in the refusal). Throws SweepBusy, UsageError (another sweep's
// manifest), FileError or ProcessError; on return the lock is held.
SweepLock open_sweep_folder(const std::string& dir, const std::string& manifest_text,
                            const std::string& manifest_name);

}  // namespace vendrel
