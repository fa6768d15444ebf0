#pragma once
// Everything a run computes and the view draws: the column grid, the initial
// and current surfaces, the recorded horizons with their attributes, the sea
// level of each horizon and the counters that say how many exist.
//
// Columns are numbered 1 to 2000 (slot 0 of every per-column array exists and
// is never used). Horizon slots are numbered 1 to 500 in blocks of 501 per
// column: slot 1 is the initial surface, the k-th recording of a run goes to
// slot k + 1. All arrays are allocated once, zero-filled, per document.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/aligned_array.h"
#include "core/model_parameters.h"
#include "core/slot_changes.h"

namespace vendrel {

inline constexpr int COLUMN_COUNT = 2000;
inline constexpr int COLUMN_SLOTS = COLUMN_COUNT + 1;
inline constexpr int HORIZON_SLOTS = 501;
inline constexpr int MAX_HORIZON_SLOT = HORIZON_SLOTS - 1;
static_assert(SlotChanges::kSlots == HORIZON_SLOTS && SlotChanges::kColumns == COLUMN_SLOTS);

// One per-horizon attribute for every column: column c, slot h at [c][h].
class HorizonArray {
  public:
    HorizonArray() : values_(std::size_t{COLUMN_SLOTS} * HORIZON_SLOTS) {}
    double* operator[](int column) { return values_.data() + std::size_t(column) * HORIZON_SLOTS; }
    const double* operator[](int column) const {
        return values_.data() + std::size_t(column) * HORIZON_SLOTS;
    }

  private:
    AlignedArray values_;
};

// The two run flags, each read and written as a whole by several threads.
struct RunFlags {
    std::atomic<std::int32_t> running{0};
    std::atomic<std::int32_t> engine_alive{0};
};

struct ModelState {
    // Builds the state as constructing a document does: the straight ramp
    // from the top-left to the bottom-right corner in the surfaces and in
    // horizon slot 1, porosity phizero there, both counters at 1, slot 1 of
    // the sea levels at the current sea level.
    explicit ModelState(const ModelParameters& p);
    ModelState(const ModelState&) = delete;
    ModelState& operator=(const ModelState&) = delete;

    AlignedArray x_values{COLUMN_SLOTS};
    AlignedArray initial_surface{COLUMN_SLOTS};
    AlignedArray surface{COLUMN_SLOTS};
    AlignedArray diffusion_change{COLUMN_SLOTS};

    HorizonArray horizon_z;
    HorizonArray horizon_depth;
    HorizonArray horizon_distance;
    HorizonArray horizon_porosity;
    HorizonArray horizon_phi0;
    HorizonArray horizon_thickness0;

    double sealevel_values[HORIZON_SLOTS] = {};

    // Slot of the newest horizon recorded by the engine.
    std::atomic<std::int32_t> horizon_count{0};
    // Slot of the newest horizon published for display and saving. Raised
    // with release ordering after the slot's values are written; readers
    // acquire.
    std::atomic<std::int32_t> display_current_disp{0};

    double current_sea_level = kInitialSeaLevel;
    double sim_time = 0.0;
    // Column spacing and time step; atomic so that the status bar may read
    // them while the engine sets them at the start of a run.
    std::atomic<double> dx{0.0};
    std::atomic<double> dt{1.0};
    double sealevel_min = 0.0;
    double sealevel_max = 0.0;
    std::int32_t increment_count = 100;

    RunFlags flags;

    // The horizon slots changed, for copies that take only those again.
    SlotChanges changes;

    // Fault movement the recorded horizons owe while a run lends the model
    // to a reader between two steps: where owed_pending is set, every slot
    // of a column whose owed_columns entry is 1 stands owed_shift higher in
    // value than horizon_z holds. The run pays the movement into the
    // horizons at its own recordings only, so that when others look does
    // not change how it rounds; readers take positions through
    // horizon_position().
    AlignedArray owed_shift{COLUMN_SLOTS};
    std::vector<std::uint8_t> owed_columns = std::vector<std::uint8_t>(COLUMN_SLOTS, 0);
    bool owed_pending = false;

    // Where slot h of column c stands: horizon_z with the movement owed.
    double horizon_position(int c, int h) const {
        return owed_pending && owed_columns[std::size_t(c)] != 0 ? horizon_z[c][h] + owed_shift[c]
                                                                 : horizon_z[c][h];
    }

    int published_count() const { return display_current_disp.load(std::memory_order_acquire); }
    // Both counters back to 1: only the initial surface is published. A
    // copy of the old horizons is of no more use.
    void reset_counters() {
        changes.mark_all();
        horizon_count.store(1);
        display_current_disp.store(1, std::memory_order_release);
    }
};

}  // namespace vendrel
