// A few seconds of everything the window will do while the engine runs:
// starting and stopping runs, snapshots, saves, opens and parameter
// changes, in random order. Run under ThreadSanitizer it shows that the
// engine, the readers and the writer never race; everywhere it shows that
// nothing deadlocks and every saved file is whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

#include "core/simulation.h"
#include "core/view_notifier.h"
#include "document/project.h"
#include "document/project_writer.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

using namespace std::chrono_literals;

class CountingNotifier : public ViewNotifier {
  public:
    void request_redraw() override { count.fetch_add(1, std::memory_order_relaxed); }
    std::atomic<long> count{0};
};

// Aborts the process when the test stops making progress.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              while (!done_) {
                  const long before = progress_.load();
                  if (cv_.wait_for(lock, limit, [this] { return done_; })) {
                      return;
                  }
                  if (progress_.load() == before) {
                      std::fprintf(stderr, "stress test made no progress for %lld s\n",
                                   static_cast<long long>(limit.count()));
                      std::abort();
                  }
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    void tick() { progress_.fetch_add(1); }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    std::atomic<long> progress_{0};
    std::thread thread_;
};

// Line 44's count N matches the file's length: 2050 + 2001 N lines.
bool saved_file_is_consistent(const std::string& path) {
    const std::string text = testing::read_file(path);
    const std::size_t key = text.find("display_current_disp ");
    if (key == std::string::npos) {
        return false;
    }
    const long count = std::strtol(text.c_str() + key + 21, nullptr, 10);
    const long lines = long(std::count(text.begin(), text.end(), '\n'));
    return count >= 1 && count <= 500 && lines == 2050 + 2001 * count;
}

TEST(EngineStress, EveryWindowOperationDuringRuns) {
    Project project(make_startup_parameters(2));
    Simulation& sim = project.simulation();
    CountingNotifier notifier;
    sim.set_notifier(&notifier);
    sim.new_model();
    sim.change_parameters([](ModelParameters& p) {
        p.display_inc = 50;  // 500 horizons long before the end: the slot limit ends runs
        p.includecompact = 1;
        p.slip1 = 1;
        p.slip2 = 0.5;
        p.omp_threads = 2;  // the recording pass on the pool's workers, where TSan sees it
    });
    testing::TempDir dir;
    const std::string path = dir.file("stress.vdl");
    std::mt19937 random(17);
    Watchdog watchdog(60s);

    int saves = 0, opens = 0;
    const auto end = std::chrono::steady_clock::now() + 4s;
    while (std::chrono::steady_clock::now() < end) {
        watchdog.tick();
        switch (random() % 7) {
            case 0:
                if (!sim.is_running()) {
                    sim.start_run();
                }
                break;
            case 1:
                sim.stop_run();
                break;
            case 2: {
                const Simulation::ReadGuard model = sim.read();
                const int count = model.state().display_current_disp.load();
                ASSERT_GE(count, 1);
                ASSERT_LE(count, 500);
                if (sim.is_running()) {  // after Open the engine's count is 1
                    ASSERT_EQ(model.state().horizon_count.load(), count);
                }
                break;
            }
            case 3: {
                save_project_file(path, project.snapshot());
                ++saves;
                ASSERT_TRUE(saved_file_is_consistent(path));
                break;
            }
            case 4:
                if (saves > 0) {
                    project.open(path);  // a file that does not read throws
                    ++opens;
                    ASSERT_FALSE(sim.is_running());
                }
                break;
            case 5:
                sim.change_parameters([&](ModelParameters& p) { p.slip1 = double(random() % 3); });
                ASSERT_EQ(sim.read().state().display_current_disp.load(), 1);
                break;
            case 6: {
                sim.stop_and_wait();
                ASSERT_FALSE(sim.is_running());
                ASSERT_TRUE(sim.wait_until_idle(0ms));
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
    }
    sim.stop_and_wait();
    EXPECT_GT(saves, 0);
    EXPECT_GT(opens, 0);
    EXPECT_GT(notifier.count.load(), 0);
}

}  // namespace
}  // namespace vendrel
