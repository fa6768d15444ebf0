#pragma once
// Which horizon slots of a model changed, so that a copy kept by a reader
// (the window's picture) can take only those again.
//
// Every change raises the version and stamps what it touched with it. A
// recording stamps its new slot, and each column whose older slots its
// truncation cut (eroded land cuts every slot of its columns, down to the
// initial surface, at every recording). Fault movement, compaction, a new
// run and any change through the model's write guard stamp every slot. A
// reader notes the version it copied at; a slot or a column whose stamp is
// above that changed since. Slot changes always reach from a slot to the
// top, so the slots to copy again in every column are those from the
// lowest changed one up; below that, only the columns stamped.
//
// Written by the engine during a run and by whoever holds the write guard,
// read under a guard: the model lock covers it like the rest of the state.
// Each instance has an identity of its own, so that a copy is never brought
// up to date from another model.

#include <array>
#include <cstdint>

namespace vendrel {

class SlotChanges {
  public:
    static constexpr int kSlots = 501;     // slots 0..500, as the horizon arrays
    static constexpr int kColumns = 2001;  // columns 0..2000

    SlotChanges();

    // A change: slots `from` to the last, in every column.
    void mark_from(int from);
    // Every slot changed.
    void mark_all() { mark_from(0); }
    // Part of the change just marked: the position of any slot of `column`
    // (a truncation: it moves horizons and leaves the rest of them as they
    // were).
    void mark_column(int column) { column_stamps_[std::size_t(column)] = version_; }

    // Never 0: a copy that notes 0 has taken nothing yet.
    std::uint64_t version() const { return version_; }
    std::uint64_t model_id() const { return model_id_; }
    // The lowest slot of 1..count changed after `since`; count + 1 when none.
    int first_changed_since(std::uint64_t since, int count) const;
    // Whether the position of any slot of `column` changed after `since` by
    // a change that marked the column.
    bool column_changed_since(int column, std::uint64_t since) const {
        return column_stamps_[std::size_t(column)] > since;
    }

  private:
    std::uint64_t model_id_;
    std::uint64_t version_ = 1;
    std::array<std::uint64_t, kSlots> stamps_;
    std::array<std::uint64_t, kColumns> column_stamps_;
};

}  // namespace vendrel
