#pragma once
// The surface's part of one time step, in one pass over the columns:
// diffusion, carbonate production, basinal sediment and the fault movement,
// each column with the operations in their order, plus the fault movement
// its recorded horizons owe.
//
// Plain scalar code and the vector step (core/lanes.h; two columns at a
// time with SSE2, four with AVX2) compute it. The vector paths perform the
// same floating-point operations in the same order as the scalar one (no
// fused multiply-add, the production curve's segment picked by selects, the
// same division), so every path gives the same bits.

#include <cstdint>
#include <vector>

#include "core/faults.h"
#include "core/lanes.h"
#include "core/production.h"

namespace vendrel {

// Which faults move each column, as addends: the fault's step where it
// moves the column, -0.0 (which leaves every value as it is) elsewhere.
struct ColumnFaults {
    void assign(const std::vector<std::uint8_t>& which, const FaultSteps& steps);
    std::vector<double> fault1, fault2;
    // Where no column moves with both faults, the one addend of each column.
    std::vector<double> single;
    bool both = false;
    // False when both steps are zero: the owed movement then stays +0.0.
    bool owed_moves = true;
};

// What one step of the surface reads besides the surface itself.
struct SurfaceStep {
    double diffusion_factor;
    double dt;
    ProductionCurve curve;
    BasinalDeposit basinal;
    // Fault movement: per column flags (bit 0 fault 1, bit 1 fault 2) for the
    // scalar path and the same as addends for the vector paths.
    const std::uint8_t* fault_columns;
    const ColumnFaults* faults;
    FaultSteps steps;
    bool any_fault_column;
};

// One step of columns 1..2000 of `surface`; the scalar path keeps the
// diffusion change in `change` (2001 slots), the vector paths in registers. When any column moves
// with a fault, `owed` (the movement each column's horizons owe) is moved as well.
void step_surface(const SurfaceStep& step, double* surface, double* change, double* owed,
                  VectorPath path);

}  // namespace vendrel
