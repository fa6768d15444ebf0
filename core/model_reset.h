#pragma once

namespace vendrel {

struct ModelParameters;
struct ModelState;

// What every change of a model parameter ends with: dx and dt from the
// parameters, the initial geometry rebuilt when reset_geometry asks for it
// (the request is consumed), sea level back to baselevel, and the sea-level
// curve of the coming run planned into sealevel_values.
//
// keep_slots_through: sea levels of slots 1 to this value are kept (a loaded
// project's recorded levels); the planned curve fills slot 0 and the slots
// above it. 0 plans every slot. sim_time becomes the time at which a run
// recorded the newest kept slot: 0 when none above slot 1 is kept.
void reset_model(ModelParameters& p, ModelState& s, int keep_slots_through = 0);

}  // namespace vendrel
