#pragma once
// The processes of a time step and of a recording as separate phases over
// the columns, written as plainly as the equations: the literal reference
// model runs them one after the other, and the process tests check each on
// a small fixture. The engine fuses them into passes of its own
// (core/surface_step, core/recording_pass), which the tests compare with
// these.

namespace vendrel {

struct ModelParameters;
struct ModelState;
struct LandNeighbours;

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

// Moves surface, and horizon slots 1..horizon_count, of columns 1..2000.
void apply_faults_to_surface(const ModelParameters& p, ModelState& s);
void apply_faults_to_horizons(const ModelParameters& p, ModelState& s);

// Slot h of column i: position, water depth (0 on land) and distance.
void record_horizon_column(ModelState& s, double L, int i, int h, const LandNeighbours& n);
// The new layer of slot h: thickness0, phi0 and porosity.
void set_new_layer_column(const ModelParameters& p, ModelState& s, int i, int h);

// Porosity of a layer buried b below the newest horizon (never increases),
// and the thickness that keeps its solid volume at porosity phi.
double compacted_porosity(double c, double phi0, double current, double b);
double compacted_thickness(double thickness0, double phi0, double phi);

// One compaction pass over slots 2..N of column i, with the engine's
// exponential (core/exponential.h). Moving horizon j and all
// younger ones down for each thinned layer j is done as one accumulated
// movement carried up the column: the same as moving them layer by layer,
// to rounding.
void compact_column(const ModelParameters& p, ModelState& s, int i, int N);

}  // namespace vendrel
