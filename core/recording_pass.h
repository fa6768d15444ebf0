#pragma once
// Recordings of a group of neighbouring columns, each column in one sweep
// over its slots per recording: the fault movement its recorded horizons still owe,
// the new horizon, truncation of the older ones, the new layer's attributes
// and, with compaction on, the compaction of every layer. It gives the same
// bits as those steps taken one after the other (core/horizons.h):
//   - truncation stops at the first older horizon that the new one does not
//     lie below, when the column is known to be in order (every older
//     horizon at or below the younger one, no NaN): below that point the
//     running maximum would write back the values that are there. The
//     engine keeps that knowledge per column: adding the same finite amount
//     to every slot keeps the order (rounding is monotonic), a truncation
//     that stops keeps it, and each compaction sweep checks it afresh;
//   - the exponents, their exponentials (core/exponential.h), porosity
//     and lost thickness are computed four layers at a time, in vectors of
//     one, two or four lanes (core/lanes.h); a block of layers whose
//     exponents all equal the one below takes that layer's exponential;
//   - the running sums of the compaction movement, each a chain of
//     dependent additions, are carried for all columns of the group
//     together, so the processor overlaps them.

#include <cstdint>

#include "core/lanes.h"

namespace vendrel {

struct ModelState;

// Columns one call handles together.
inline constexpr int kRecordingGroup = 4;

// One recording as it was due: what it reads besides the columns' own
// slots, taken at its time step.
struct Recording {
    // The new slot h; slots 1..h - 1 were recorded before.
    int slot;
    double sea_level;
    bool compact;
    double phizero;
    double cvalue;
    // Whether every layer 2..h has phizero as its phi0 (then that array is
    // not read).
    bool uniform_phi0;
    // Per column (index 1..2000): the surface and the distance to the
    // nearest other land column at that step, and the fault movement the
    // column's horizons owe before it (nullptr when nothing is owed).
    const double* surface;
    const double* distance;
    const double* owed;
};

// What stays the same for every recording of a run.
struct RecordingColumns {
    // Which faults move each column (a column with none owes nothing).
    const std::uint8_t* fault_columns;
    // Per column: 1 while its recorded slots are known to be in order;
    // kept up to date by record_column_group.
    std::uint8_t* ordered;
    // Per column: lowered to the lowest older slot a truncation cut (the
    // caller starts it above every slot), so that readers of the model
    // know which columns changed below the new slots.
    int* cut_from;
    // The lanes compaction computes with (every path gives the same bits).
    VectorPath path;
};

// Performs `count` recordings, in order, on columns first..last (at most
// kRecordingGroup of them): each column takes them one after the other
// while its slots are at hand, which gives the same values as taking each
// recording over all columns in turn.
void record_column_group(ModelState& s, const RecordingColumns& columns,
                         const Recording* recordings, int count, int first, int last);

// Whether slots 1..count of `z` are in order: z[m - 1] >= z[m] for every
// m in 2..count (false where a NaN takes part).
bool column_in_order(const double* z, int count);

// Adds `shift` to slots 1..count of `z`, as the fault movement a column owes;
// clears `ordered` when the shift could break the order (not finite).
void pay_owed_movement(double* z, int count, double shift, std::uint8_t& ordered);

}  // namespace vendrel
