#pragma once
// The processes of a time step as separate phases over the columns, written
// as plainly as the equations: the literal reference model runs them one
// after the other, and the process tests check each on a small fixture. The
// engine fuses them into one pass (core/surface_step) with the same
// per-column functions.

namespace vendrel {

struct ModelParameters;
struct ModelState;

// diffusion_change of columns 2..1999, then the edge copy to 1 and 2000.
void compute_diffusion_change(const ModelParameters& p, ModelState& s);
// surface += diffusion_change for columns 1..2000.
void apply_diffusion_change(ModelState& s);

// Columns first to last (inclusive) of surface.
void produce_carbonate(const ModelParameters& p, ModelState& s, int first, int last);
void deposit_basinal(const ModelParameters& p, ModelState& s, int first, int last);

}  // namespace vendrel
