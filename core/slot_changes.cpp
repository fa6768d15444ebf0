#include "core/slot_changes.h"

#include <algorithm>
#include <atomic>

namespace vendrel {

namespace {

std::atomic<std::uint64_t> next_model_id{1};

}  // namespace

SlotChanges::SlotChanges() : model_id_(next_model_id.fetch_add(1)) {
    stamps_.fill(version_);
    column_stamps_.fill(version_);
}

void SlotChanges::mark_from(int from) {
    ++version_;
    std::fill(stamps_.begin() + std::clamp(from, 0, kSlots), stamps_.end(), version_);
}

int SlotChanges::first_changed_since(std::uint64_t since, int count) const {
    const int last = std::min(count, kSlots - 1);
    for (int h = 1; h <= last; ++h) {
        if (stamps_[std::size_t(h)] > since) {
            return h;
        }
    }
    return count + 1;
}

}  // namespace vendrel
