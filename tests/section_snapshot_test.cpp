// A snapshot kept from picture to picture and brought up to date equals,
// value for value, a fresh copy of the model taken at the same moment:
// during runs whose faults and compaction move every slot, during a run
// whose recordings truncate older slots, across colour-mode changes, a
// dialog's OK, a second run and a change of model.

#include "view/section_snapshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "core/simulation.h"

namespace vendrel {
namespace {

using namespace std::chrono_literals;

bool same_bytes(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

// What an update copied: every column from slot `first` up, and whether
// older slots of columns cut by a recording were among them.
struct Update {
    int first;
    bool columns_cut;
};

// Whether a recording cut older slots of some column since the kept copy.
bool any_column_changed(const Simulation::ReadGuard& model, const SectionSnapshot& kept) {
    for (int j = 1; j <= COLUMN_COUNT; ++j) {
        if (model.state().changes.column_changed_since(j, kept.model_version)) {
            return true;
        }
    }
    return false;
}

// Compares the kept snapshot with a fresh one of the same model under one
// guard, after bringing the kept one up to date.
Update check_kept(SectionSnapshot& kept, Simulation& sim, const DisplaySettings& display,
                  const char* when) {
    SCOPED_TRACE(when);
    const Simulation::ReadGuard model = sim.read();
    const bool columns_cut = any_column_changed(model, kept);
    const int first = update_section_snapshot(kept, model.params(), display, model.state());
    const SectionSnapshot fresh = take_section_snapshot(model.params(), display, model.state());
    EXPECT_EQ(kept.count, fresh.count);
    EXPECT_TRUE(same_bytes(kept.z, fresh.z)) << "positions differ at count " << fresh.count;
    EXPECT_TRUE(same_bytes(kept.attribute, fresh.attribute))
        << "attributes differ at count " << fresh.count;
    EXPECT_TRUE(same_bytes(kept.x_values, fresh.x_values));
    EXPECT_EQ(0, std::memcmp(kept.sealevels.data(), fresh.sealevels.data(),
                             sizeof(double) * kept.sealevels.size()));
    EXPECT_EQ(kept.sim_time, fresh.sim_time);
    EXPECT_EQ(kept.running, fresh.running);
    return {first, columns_cut && first > 1};
}

DisplaySettings in_mode(int k) {
    DisplaySettings d;
    d.draw_depthdepo = k == 0;
    d.draw_distance = k == 1;
    d.draw_porosity = k == 2;
    d.draw_simple = k == 3;
    return d;
}

struct Case {
    const char* name;
    int compaction;
    double slip1, slip2;
};

TEST(KeptSnapshot, EqualsFreshCopyThroughRuns) {
    const Case cases[] = {
        {"faults and compaction", 1, 1.0, 0.5},
        {"truncation only", 0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Simulation sim(make_startup_parameters(2));
        sim.new_model();
        sim.change_parameters([&](ModelParameters& p) {
            p.includecompact = c.compaction;
            p.slip1 = c.slip1;
            p.slip2 = c.slip2;
            p.totaltime = 30000;
            p.display_inc = 200;
        });
        SectionSnapshot kept;
        check_kept(kept, sim, in_mode(0), "before the run");

        // Read as the window does, as often as the engine lets it; compare
        // once for each horizon published, in every colour mode in turn.
        sim.start_run();
        int compared = 0, reads = 0, partial = 0, cut_columns = 0, last_count = 0;
        while (sim.is_running()) {
            const DisplaySettings display = in_mode(compared % 4);
            const int count = sim.published_count();
            if (count == last_count) {
                // A read also writes the recordings the engine holds back,
                // so it may be the one that takes cut columns.
                const Simulation::ReadGuard model = sim.read();
                const bool columns_cut = any_column_changed(model, kept);
                const int first =
                    update_section_snapshot(kept, model.params(), display, model.state());
                cut_columns += columns_cut && first > 1;
                ++reads;
                std::this_thread::sleep_for(1ms);  // about a window's pace, no faster
                continue;
            }
            const Update update = check_kept(kept, sim, display, "during the run");
            partial += update.first > 1;
            cut_columns += update.columns_cut;
            last_count = count;
            ++compared;
        }
        ASSERT_TRUE(sim.wait_until_idle(60s));
        check_kept(kept, sim, in_mode(0), "after the run");
        // The engine writes its recordings in batches when nobody reads, so
        // how many counts a reader sees depends on the machine's load.
        EXPECT_GT(compared, 1);
        EXPECT_GT(reads, 0);
        if (c.compaction == 0 && c.slip1 == 0) {
            // The case shows the incremental path: most updates copy only
            // the newest slots in most columns, some also the older slots
            // of columns that a recording cut.
            EXPECT_GT(partial, compared / 2);
            EXPECT_GT(cut_columns, 0);
        }

        sim.change_parameters([](ModelParameters& p) { p.totaltime = 10000; });
        EXPECT_EQ(check_kept(kept, sim, in_mode(2), "after a dialog's OK").first, 1);
        sim.start_run();
        ASSERT_TRUE(sim.wait_until_idle(60s));
        EXPECT_EQ(check_kept(kept, sim, in_mode(2), "after a second run").first, 1);
        EXPECT_EQ(check_kept(kept, sim, in_mode(2), "unchanged").first, kept.count + 1);

        Simulation other(make_startup_parameters(2));
        other.new_model();
        EXPECT_EQ(check_kept(kept, other, in_mode(1), "from another model").first, 1);
    }
}

}  // namespace
}  // namespace vendrel
