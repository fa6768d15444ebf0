#pragma once
// The engine thread and its run loop.
//
// Serialisation. The engine holds the model lock (`mutex_`) for the whole of
// a run and lets go of it only between two time steps, and only when another
// thread has asked for it. Every other thread reaches the model through a
// ModelAccess guard:
//   - read_access() waits for the end of the current step and pauses the
//     run while the guard lives. The view and the project writer use it to
//     copy the published horizons: the copy is one consistent state between
//     two steps, never a mix.
//   - exclusive_access() stops the run, waits until the engine is idle and
//     keeps it idle while the guard lives. New, Open and every dialog OK take
//     it before they touch the model, so a model change never overlaps a
//     time step.
// A waiting reader is served at the next step boundary: the engine checks an
// atomic request counter after every step, so a run is never starved and a
// reader never waits longer than one step.
//
// Changes. Every recording, payment of fault movement and reset marks the
// horizon slots it touched in ModelState::changes (core/slot_changes.h),
// under the model lock like the values themselves, so that a reader's kept
// copy takes only those again.
//
// Idle. Without a run the engine sleeps on a condition variable; start_run
// wakes it at once.
//
// Speed. One time step is a single pass over the 2000 columns (diffusion,
// production, basinal sediment and the fault movement of the surface, each
// column with the operations in their order) on the engine thread, two or
// four columns at a time where the processor has the vector instructions
// (core/surface_step.h): a parallel region per step costs more than the
// step's work. The recording step, whose work grows with the number of
// horizons, is one loop over the columns shared with sleeping workers
// (core/worker_pool.h; each column independent, so the result does not
// depend on the thread count). Three shortcuts keep heavy runs fast:
//   - fault movement of the recorded horizons is owed per column and paid
//     into every slot just before the next recording, before a reader looks
//     and at the end of the run (equal to moving them every step, to
//     rounding);
//   - compaction runs at the steps that record a horizon: between two
//     recordings nothing changes the burial depths or the thicknesses (the
//     faults move a column's horizons together), so a second pass after the
//     one at the recording changes nothing but rounding;
//   - a recording takes down at its step only what it reads there (the
//     surface, the distances to land, the owed fault movement); the
//     horizons of up to 16 recordings are then written together, each
//     column taking them one after the other while its slots are in the
//     processor's cache (core/recording_pass.h), and published. That
//     happens at the latest before another thread is let at the model and
//     at the end of the run, so a reader never sees a recording half done.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "core/faults.h"
#include "core/horizons.h"
#include "core/sea_level.h"

namespace vendrel {

struct ModelParameters;
struct ModelState;
class ViewNotifier;
class Engine;

// Holds the model lock; releasing it lets a paused run go on.
class ModelAccess {
  public:
    ModelAccess(ModelAccess&&) = default;
    ModelAccess& operator=(ModelAccess&&) = delete;
    ~ModelAccess();

  private:
    friend class Engine;
    ModelAccess(Engine& engine, std::unique_lock<std::mutex> lock);
    Engine* engine_;
    std::unique_lock<std::mutex> lock_;
};

class Engine {
  public:
    // The engine of one document. Nothing runs until start_engine.
    Engine(const ModelParameters& params, ModelState& state);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // running = 0, engine_alive = 1, then the engine thread starts.
    void start_engine();
    // running = 0, engine_alive = 0, then waits for the thread to return.
    void shutdown_engine();
    // Both counters back to 1, then running = 1. Waits only for a stopped
    // run to finish its last step.
    void start_run();
    // running = 0; returns at once. The step in progress completes.
    void stop_run();
    // Stops a run and returns once the engine is idle.
    void stop_and_wait();

    ModelAccess read_access();
    ModelAccess exclusive_access();

    // True while a run is in progress or about to start.
    bool is_running() const;
    // Waits up to `timeout` for the engine to be idle with no run pending.
    bool wait_until_idle(std::chrono::milliseconds timeout);

    void set_notifier(ViewNotifier* notifier) { notifier_.store(notifier); }

    // Time steps taken by the current or last run; readable at any time.
    std::int64_t steps_taken() const { return steps_taken_.load(std::memory_order_relaxed); }
    // The threads the latest run computes with (core/thread_count.h); 0
    // before the first run.
    int run_threads() const { return run_threads_.load(std::memory_order_relaxed); }
    // Whether the last run ended before its first step for want of memory.
    bool run_lacked_memory() const { return run_lacked_memory_.load(); }

    // The thread's body: sleeps while idle, runs while `running` is set,
    // returns 1 once engine_alive is cleared.
    int engine_thread_main();

  private:
    friend class ModelAccess;
    struct Run;

    std::unique_lock<std::mutex> lock_model();
    void release_model(std::unique_lock<std::mutex>& lock);
    void run_simulation(std::unique_lock<std::mutex>& lock);
    void begin_run(Run& run);
    void advance_surface(Run& run);
    void record_step(Run& run, int slot);
    void write_recordings(Run& run);
    void settle_fault_movement(Run& run);
    void hand_over_if_asked(Run& run, std::unique_lock<std::mutex>& lock);
    void request_redraw();
    void announce_idle();

    const ModelParameters& p_;
    ModelState& s_;
    std::atomic<ViewNotifier*> notifier_{nullptr};
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::atomic<int> access_requests_{0};
    std::atomic<std::int64_t> steps_taken_{0};
    std::atomic<int> run_threads_{0};
    std::atomic<bool> run_lacked_memory_{false};
    // Set by the engine while it performs a run; changed only under mutex_.
    std::atomic<bool> in_run_{false};
    // Wakes wait_until_idle, which must not need the model lock.
    std::mutex idle_mutex_;
    std::condition_variable idle_cv_;
};

}  // namespace vendrel
