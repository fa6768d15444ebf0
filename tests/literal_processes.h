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

// The production rate for surface value s under sea level L, by the tests
// in their order, the first that holds giving the rate:
//   s < D1 + L               R1
//   L <= s <= D2 + L         (R2 - R1) x ((s - (D1 + L)) / (D2 - D1)) + R1
//   Dk-1 + L < s <= Dk + L   (Rk - Rk-1) x ((s - (Dk-1 + L)) / (Dk - Dk-1)) + Rk-1
//   otherwise                0
// The second test's 0 / 0 (D1 = D2, s = D1 + L) gives the rate of the last
// point at that depth.
double literal_production_rate(const ModelParameters& p, double s, double L);

// Columns first to last (inclusive) of surface.
void produce_carbonate(const ModelParameters& p, ModelState& s, int first, int last);
void deposit_basinal(const ModelParameters& p, ModelState& s, int first, int last);

}  // namespace vendrel
