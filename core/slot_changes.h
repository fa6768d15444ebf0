#pragma once
// Which horizon slots of a model changed, so that a copy kept by a reader
// (the window's picture) can take only those again.
//
// Every change raises the version and stamps the slots it touched with it:
// a recording stamps its new slot and every older slot from the lowest one
// its truncation cut; fault movement, compaction, a new run and any change
// through the model's write guard stamp every slot. A reader notes the
// version it copied at; a slot whose stamp is above that changed since.
// Changes always reach from a slot to the top, so the slots to copy again
// are those from the lowest changed one up.
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
    static constexpr int kSlots = 501;  // slots 0..500, as the horizon arrays

    SlotChanges();

    // Slots `from` to the last changed.
    void mark_from(int from);
    // Every slot changed.
    void mark_all() { mark_from(0); }

    // Never 0: a copy that notes 0 has taken nothing yet.
    std::uint64_t version() const { return version_; }
    std::uint64_t model_id() const { return model_id_; }
    // The lowest slot of 1..count changed after `since`; count + 1 when none.
    int first_changed_since(std::uint64_t since, int count) const;

  private:
    std::uint64_t model_id_;
    std::uint64_t version_ = 1;
    std::array<std::uint64_t, kSlots> stamps_;
};

}  // namespace vendrel
