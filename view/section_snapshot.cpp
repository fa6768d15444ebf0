#include "view/section_snapshot.h"

#include <algorithm>

#include "document/project.h"
#include "document/project_data.h"

namespace vendrel {

namespace {

const HorizonArray* attribute_of(ColourMode mode, const ModelState& s) {
    switch (mode) {
        case ColourMode::Depth:
            return &s.horizon_depth;
        case ColourMode::Distance:
            return &s.horizon_distance;
        case ColourMode::Porosity:
            return &s.horizon_porosity;
        case ColourMode::TimeLines:
            break;
    }
    return nullptr;
}

// Copies slots first..count of every column into the horizon-major `to`,
// which then holds slots 1..count. A block of columns at a time, so that
// the columns read and the rows written both stay in the cache: copied
// column by column, every value would go to another row.
void copy_by_horizon(const HorizonArray& from, int first, int count, std::vector<double>& to) {
    constexpr int kBlock = 16;
    to.resize(std::size_t(count) * COLUMN_SLOTS);
    for (int j0 = 1; j0 <= COLUMN_COUNT; j0 += kBlock) {
        const int j1 = std::min(j0 + kBlock - 1, COLUMN_COUNT);
        for (int h = first; h <= count; ++h) {
            double* row = to.data() + std::size_t(h - 1) * COLUMN_SLOTS;
            for (int j = j0; j <= j1; ++j) {
                row[j] = from[j][h];
            }
        }
    }
}

// Room for every slot, its pages touched. A kept copy grows through a run;
// taken before the model is read, the room spares the engine waits while
// the copy is moved or the system finds and clears pages for it.
void make_room(std::vector<double>& values) {
    const std::size_t full = std::size_t(HORIZON_SLOTS) * COLUMN_SLOTS;
    if (values.capacity() < full) {
        const std::size_t size = values.size();
        values.resize(full);
        values.resize(size);
    }
}

// Copies slots 1..last of the columns `changes` marks after `since` into
// the horizon-major `to`. Blocks of marked columns go together, as in
// copy_by_horizon: copied a column at a time, every value would go to
// another row, and eroded land marks hundreds of columns at a recording.
void copy_marked_columns(const HorizonArray& from, const SlotChanges& changes, std::uint64_t since,
                         int last, std::vector<double>& to) {
    constexpr int kBlock = 16;
    int marked[kBlock];
    int n = 0;
    auto copy_block = [&] {
        for (int h = 1; h <= last; ++h) {
            double* row = to.data() + std::size_t(h - 1) * COLUMN_SLOTS;
            for (int k = 0; k < n; ++k) {
                row[marked[k]] = from[marked[k]][h];
            }
        }
        n = 0;
    };
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        if (changes.column_changed_since(j, since)) {
            marked[n++] = j;
            if (n == kBlock) {
                copy_block();
            }
        }
    }
    copy_block();
}

// Slots first..count of every column, and, of the positions, slots below
// `first` of the columns marked since `since` (a column mark is a
// truncation, which moves horizons and changes nothing else of them).
void copy_changed(const HorizonArray& from, const SlotChanges& changes, std::uint64_t since,
                  int first, int count, bool positions, std::vector<double>& to) {
    copy_by_horizon(from, first, count, to);
    if (positions && first > 1) {
        copy_marked_columns(from, changes, since, std::min(first - 1, count), to);
    }
}

// Positions of the columns whose horizons owe fault movement while a run
// lends the model (every slot is marked changed then, so all were copied).
void add_owed_movement(const ModelState& s, int count, std::vector<double>& z) {
    if (!s.owed_pending) {
        return;
    }
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        if (s.owed_columns[std::size_t(j)] != 0) {
            for (int h = 1; h <= count; ++h) {
                z[std::size_t(h - 1) * COLUMN_SLOTS + std::size_t(j)] = s.horizon_position(j, h);
            }
        }
    }
}

}  // namespace

int update_section_snapshot(SectionSnapshot& snap, const ModelParameters& p,
                            const DisplaySettings& display, const ModelState& s, bool for_print) {
    const int count = published_horizons(s);
    const SlotChanges& changes = s.changes;
    const std::uint64_t since = snap.model_version;
    int first = 1;
    if (since != 0 && snap.model_id == changes.model_id()) {
        first = std::min(changes.first_changed_since(since, count), snap.count + 1);
    }
    copy_changed(s.horizon_z, changes, since, first, count, true, snap.z);
    add_owed_movement(s, count, snap.z);
    ColourMode mode = colour_mode(display);
    if (for_print && (mode == ColourMode::TimeLines || mode == ColourMode::Porosity)) {
        mode = ColourMode::Porosity;
    }
    if (const HorizonArray* attribute = attribute_of(mode, s)) {
        copy_changed(*attribute, changes, since, mode == snap.attribute_mode ? first : 1, count,
                     false, snap.attribute);
    } else {
        snap.attribute.clear();
    }
    snap.model_id = changes.model_id();
    snap.model_version = changes.version();
    snap.attribute_mode = mode;
    snap.count = count;
    snap.params = p;
    snap.display = display;
    snap.running = s.flags.running.load() == 1;
    snap.x_values.assign(s.x_values.data(), s.x_values.data() + COLUMN_SLOTS);
    snap.current_sea_level = s.current_sea_level;
    snap.sim_time = s.sim_time;
    snap.dx = s.dx.load();
    snap.dt = s.dt.load();
    std::copy(std::begin(s.sealevel_values), std::end(s.sealevel_values), snap.sealevels.begin());
    snap.sealevel_min = s.sealevel_min;
    snap.sealevel_max = s.sealevel_max;
    snap.increment_count = std::clamp(s.increment_count, 0, MAX_HORIZON_SLOT);
    return first;
}

SectionSnapshot take_section_snapshot(const ModelParameters& p, const DisplaySettings& display,
                                      const ModelState& s, bool for_print) {
    SectionSnapshot snap;
    update_section_snapshot(snap, p, display, s, for_print);
    return snap;
}

SectionSnapshot take_section_snapshot(Project& project, bool for_print) {
    const Simulation::ReadGuard model = project.simulation().read();
    return take_section_snapshot(model.params(), project.display(), model.state(), for_print);
}

int update_section_snapshot(SectionSnapshot& snapshot, Project& project, bool for_print) {
    make_room(snapshot.z);
    if (for_print || colour_mode(project.display()) != ColourMode::TimeLines) {
        make_room(snapshot.attribute);
    }
    const Simulation::ReadGuard model = project.simulation().read();
    return update_section_snapshot(snapshot, model.params(), project.display(), model.state(),
                                   for_print);
}

}  // namespace vendrel
