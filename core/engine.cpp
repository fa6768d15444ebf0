#include "core/engine.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>

#include "core/diffusion.h"
#include "core/initial_geometry.h"
#include "core/int_conversion.h"
#include "core/model_parameters.h"
#include "core/model_state.h"
#include "core/production.h"
#include "core/recording_pass.h"
#include "core/surface_step.h"
#include "core/thread_count.h"
#include "core/time_step.h"
#include "core/view_notifier.h"
#include "core/worker_pool.h"

namespace vendrel {

// Recordings kept back to be written together, column by column.
constexpr int kRecordingBatch = 16;

// What one run keeps for itself.
struct Engine::Run {
    std::int32_t step_count = 0;
    std::int32_t steps_per_record = 0;
    std::int32_t steps_since_record = 0;
    SineState sines{};
    // Which faults move each column, and how far per step.
    std::vector<std::uint8_t> fault_columns = std::vector<std::uint8_t>(COLUMN_SLOTS, 0);
    FaultSteps fault_steps{0, 0};
    ColumnFaults column_faults;
    bool any_fault_column = false;
    VectorPath path = VectorPath::Scalar;
    // Threads for the recording's column loop.
    std::unique_ptr<WorkerPool> pool;
    // Fault movement each column's recorded horizons still owe.
    std::vector<double> owed = std::vector<double>(COLUMN_SLOTS, 0.0);
    bool owing = false;
    // Whether the faults move anything: with no slip the owed movement is
    // zero, and paying it changes no position (a position of -0.0, which
    // nothing produces, would only lose its sign).
    bool faults_move = false;
    // The lowest slot each column's truncations in a batch of recordings cut.
    std::vector<int> cut_from = std::vector<int>(COLUMN_SLOTS, 0);
    // Per column: 1 while its recorded horizons are known to be in order.
    std::vector<std::uint8_t> ordered = std::vector<std::uint8_t>(COLUMN_SLOTS, 1);
    // The phizero every layer of the run was recorded with, while they all
    // share one; once a recording finds another (record_step checks each),
    // compaction reads every layer's own.
    double phizero = 0.0;
    bool phizero_uniform = true;
    LandNeighbours neighbours;
    // Recordings that were due but whose horizons are not yet written.
    struct Pending {
        std::vector<double> surface = std::vector<double>(COLUMN_SLOTS, 0.0);
        std::vector<double> distance = std::vector<double>(COLUMN_SLOTS, 0.0);
        std::vector<double> owed = std::vector<double>(COLUMN_SLOTS, 0.0);
        Recording recording{};
    };
    std::vector<Pending> pending = std::vector<Pending>(kRecordingBatch);
    int pending_count = 0;
};

// ---- model lock ---------------------------------------------------------

ModelAccess::ModelAccess(Engine& engine, std::unique_lock<std::mutex> lock)
    : engine_(&engine), lock_(std::move(lock)) {}

ModelAccess::~ModelAccess() {
    if (lock_.owns_lock()) {
        engine_->release_model(lock_);
    }
}

std::unique_lock<std::mutex> Engine::lock_model() {
    access_requests_.fetch_add(1, std::memory_order_acq_rel);
    std::unique_lock<std::mutex> lock(mutex_);
    access_requests_.fetch_sub(1, std::memory_order_acq_rel);
    return lock;
}

void Engine::release_model(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    cv_.notify_all();
}

ModelAccess Engine::read_access() {
    return ModelAccess(*this, lock_model());
}

ModelAccess Engine::exclusive_access() {
    s_.flags.running.store(0);
    std::unique_lock<std::mutex> lock = lock_model();
    if (in_run_.load()) {
        // The run is paused at a step boundary; let it see running == 0 and end.
        cv_.notify_all();
        cv_.wait(lock, [this] { return !in_run_.load(); });
    }
    announce_idle();
    return ModelAccess(*this, std::move(lock));
}

// ---- life of the thread -------------------------------------------------

Engine::Engine(const ModelParameters& params, ModelState& state) : p_(params), s_(state) {}

Engine::~Engine() {
    shutdown_engine();
}

void Engine::start_engine() {
    if (thread_.joinable()) {
        return;
    }
    s_.flags.running.store(0);
    s_.flags.engine_alive.store(1);
    thread_ = std::thread([this] { engine_thread_main(); });
}

void Engine::shutdown_engine() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::unique_lock<std::mutex> lock = lock_model();
        s_.flags.running.store(0);
        s_.flags.engine_alive.store(0);
        release_model(lock);
    }
    thread_.join();
}

void Engine::start_run() {
    ModelAccess idle = exclusive_access();
    s_.reset_counters();
    // The run starts from time 0: a picture or progress taken before its
    // first step shows no time of the last run.
    s_.sim_time = 0;
    steps_taken_.store(0, std::memory_order_relaxed);
    s_.flags.running.store(1);
}

void Engine::stop_run() {
    s_.flags.running.store(0);
}

void Engine::stop_and_wait() {
    ModelAccess idle = exclusive_access();
}

bool Engine::is_running() const {
    return s_.flags.running.load() != 0;
}

bool Engine::wait_until_idle(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(idle_mutex_);
    return idle_cv_.wait_for(lock, timeout,
                             [this] { return !in_run_.load() && s_.flags.running.load() == 0; });
}

void Engine::announce_idle() {
    { std::lock_guard<std::mutex> lock(idle_mutex_); }
    idle_cv_.notify_all();
}

int Engine::engine_thread_main() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] {
            return s_.flags.running.load() != 0 || s_.flags.engine_alive.load() == 0;
        });
        if (s_.flags.running.load() != 0) {
            in_run_.store(true);
            run_simulation(lock);
            in_run_.store(false);
            cv_.notify_all();
            announce_idle();
        }
        if (s_.flags.engine_alive.load() == 0) {
            return 1;
        }
    }
}

void Engine::request_redraw() {
    if (ViewNotifier* n = notifier_.load()) {
        n->request_redraw();
    }
}

// ---- the run ------------------------------------------------------------

void Engine::begin_run(Run& run) {
    s_.reset_counters();
    s_.dx = derive_dx(p_);
    s_.dt = derive_dt(s_.dx, p_.diff_coeff);
    build_initial_geometry(p_, s_);
    run.step_count = truncate_to_int32(p_.totaltime / s_.dt);
    run.steps_per_record = truncate_to_int32(p_.display_inc / s_.dt);
    s_.current_sea_level = p_.baselevel;
    run.sines = SineState{};
    run.steps_since_record = 0;

    run.fault_steps = fault_steps(p_, s_.dt);
    run.faults_move = run.fault_steps.fault1 != 0.0 || run.fault_steps.fault2 != 0.0;
    run.any_fault_column = false;
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        run.fault_columns[i] = faults_moving_column(p_, i, s_.dx);
        run.any_fault_column = run.any_fault_column || run.fault_columns[i] != 0;
    }
    run.column_faults.assign(run.fault_columns, run.fault_steps);
    run.path = chosen_vector_path();
    run.pool = std::make_unique<WorkerPool>(run_thread_count(p_.omp_threads));
    run_threads_.store(run.pool->threads(), std::memory_order_relaxed);
}

void Engine::run_simulation(std::unique_lock<std::mutex>& lock) {
    // What a run needs besides the model (its tables, the worker threads)
    // is taken here; without room for it the run ends before its first
    // step and says so, instead of ending the process from this thread.
    std::unique_ptr<Run> prepared;
    bool lacked_memory = false;
    try {
        prepared = std::make_unique<Run>();
        begin_run(*prepared);
    } catch (const std::bad_alloc&) {
        lacked_memory = true;
    } catch (const std::system_error&) {
        lacked_memory = true;  // a worker thread that could not start
    }
    run_lacked_memory_.store(lacked_memory);
    if (lacked_memory) {
        s_.flags.running.store(0);
        request_redraw();
        return;
    }
    Run& run = *prepared;
    steps_taken_.store(0, std::memory_order_relaxed);
    for (std::int64_t i = 1; i <= run.step_count; ++i) {
        hand_over_if_asked(run, lock);
        if (s_.flags.running.load() == 0) {
            break;
        }
        steps_taken_.store(i, std::memory_order_relaxed);
        s_.sim_time = double(i) * s_.dt;
        advance_sea_level(p_, s_, run.sines);
        advance_surface(run);

        run.steps_since_record += 1;
        if (run.steps_since_record == run.steps_per_record) {
            const int slot = s_.horizon_count.load() + 1;
            if (slot > MAX_HORIZON_SLOT) {
                break;  // no room for another horizon: the run ends here
            }
            record_step(run, slot);
            request_redraw();
            run.steps_since_record = 0;
        }
    }
    settle_fault_movement(run);
    s_.flags.running.store(0);
    request_redraw();
}

// Diffusion, production, basinal sediment and the faults, column by column.
void Engine::advance_surface(Run& run) {
    const double dt = s_.dt;
    const double L = s_.current_sea_level;
    const SurfaceStep step{diffusion_factor(dt, s_.dx, p_.diff_coeff),
                           dt,
                           ProductionCurve(p_, L),
                           BasinalDeposit(p_, L, dt),
                           run.fault_columns.data(),
                           &run.column_faults,
                           run.fault_steps,
                           run.any_fault_column};
    step_surface(step, s_.surface.data(), s_.diffusion_change.data(), run.owed.data(), run.path);
    run.owing = run.owing || run.any_fault_column;
}

namespace {

// Pays the fault movement a column's horizons owe into slots 1..count.
void pay_owed(ModelState& s, std::vector<double>& owed, const std::vector<std::uint8_t>& faults,
              std::vector<std::uint8_t>& ordered, int i, int count) {
    if (faults[i] == 0) {
        return;
    }
    pay_owed_movement(s.horizon_z[i], count, owed[i], ordered[i]);
    owed[i] = 0.0;
}

// Below this many horizon values waking the workers costs more than it saves.
constexpr long kParallelRecordingWork = 20000;

// work(i) for i in 1..last, on the pool's threads when `values` (the
// horizon values the loop touches) make that worth it.
void for_each_column(WorkerPool& pool, long values, const std::function<void(int)>& work,
                     int last = COLUMN_COUNT) {
    if (values >= kParallelRecordingWork) {
        pool.for_each_column(1, last, work);
        return;
    }
    for (int i = 1; i <= last; ++i) {
        work(i);
    }
}

}  // namespace

void Engine::settle_fault_movement(Run& run) {
    write_recordings(run);
    if (!run.owing) {
        return;
    }
    const int count = s_.horizon_count.load();
    for_each_column(*run.pool, long(count) * COLUMN_COUNT, [&](int i) {
        pay_owed(s_, run.owed, run.fault_columns, run.ordered, i, count);
    });
    run.owing = false;
    if (run.faults_move) {
        s_.changes.mark_all();
    }
}

// Takes down what recording slot `slot` reads at this step: the surface,
// each column's distance to land and the fault movement owed so far. The
// horizons are written, and published, by write_recordings, at the latest
// when a batch is full, before another thread looks at the model and at
// the end of the run.
void Engine::record_step(Run& run, int slot) {
    const double L = s_.current_sea_level;
    if (slot == 2) {
        run.phizero = p_.phizero;
    } else if (std::memcmp(&run.phizero, &p_.phizero, sizeof(double)) != 0) {
        run.phizero_uniform = false;
    }
    Run::Pending& r = run.pending[run.pending_count];
    find_land_neighbours(s_, L, run.neighbours);
    for (int i = 1; i <= COLUMN_COUNT; ++i) {
        r.surface[i] = s_.surface[i];
        r.distance[i] = land_distance(s_, L, i, run.neighbours);
    }
    if (run.owing) {
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            r.owed[i] = run.owed[i];
            if (run.fault_columns[i] != 0) {
                run.owed[i] = 0.0;
            }
        }
    }
    r.recording = Recording{slot,
                            L,
                            p_.includecompact == 1,
                            p_.phizero,
                            p_.cvalue,
                            run.phizero_uniform,
                            r.surface.data(),
                            r.distance.data(),
                            run.owing ? r.owed.data() : nullptr};
    run.owing = false;
    s_.horizon_count.store(slot);
    run.pending_count += 1;
    if (run.pending_count == kRecordingBatch) {
        write_recordings(run);
    }
}

// Writes the recordings taken down so far, each column taking them one
// after the other, then publishes them.
void Engine::write_recordings(Run& run) {
    const int count = run.pending_count;
    if (count == 0) {
        return;
    }
    Recording recordings[kRecordingBatch];
    long values = 0;
    for (int n = 0; n < count; ++n) {
        recordings[n] = run.pending[n].recording;
        values += long(recordings[n].slot) * COLUMN_COUNT;
    }
    std::fill(run.cut_from.begin(), run.cut_from.end(), MAX_HORIZON_SLOT + 1);
    const RecordingColumns columns{run.fault_columns.data(), run.ordered.data(),
                                   run.cut_from.data(), run.path};
    static_assert(COLUMN_COUNT % kRecordingGroup == 0);
    for_each_column(
        *run.pool, values,
        [&](int g) {
            const int first = (g - 1) * kRecordingGroup + 1;
            record_column_group(s_, columns, recordings, count, first, first + kRecordingGroup - 1);
        },
        COLUMN_COUNT / kRecordingGroup);
    // The slots the batch changed, for readers that keep a copy: the new
    // slots and the columns whose older slots a truncation cut; every slot
    // where fault movement or compaction moved the older horizons.
    bool moved = false;
    for (int n = 0; n < count; ++n) {
        s_.sealevel_values[recordings[n].slot] = recordings[n].sea_level;
        moved =
            moved || recordings[n].compact || (recordings[n].owed != nullptr && run.faults_move);
    }
    if (moved) {
        s_.changes.mark_all();
    } else {
        const int first = recordings[0].slot;
        s_.changes.mark_from(first);
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            if (run.cut_from[i] < first) {
                s_.changes.mark_column(i);
            }
        }
    }
    s_.display_current_disp.store(recordings[count - 1].slot, std::memory_order_release);
    run.pending_count = 0;
}

void Engine::hand_over_if_asked(Run& run, std::unique_lock<std::mutex>& lock) {
    if (access_requests_.load(std::memory_order_acquire) == 0) {
        return;
    }
    // The recordings held back are written (their values do not depend on
    // when), but the movement the horizons owe is only lent to the reader:
    // paid now, it would be rounded in other pieces than in a run nobody
    // reads.
    write_recordings(run);
    const bool lend = run.owing && run.faults_move;
    if (lend) {
        for (int i = 1; i <= COLUMN_COUNT; ++i) {
            s_.owed_columns[std::size_t(i)] = run.fault_columns[std::size_t(i)];
            s_.owed_shift[std::size_t(i)] = run.owed[std::size_t(i)];
        }
        s_.owed_pending = true;
        s_.changes.mark_all();
    }
    cv_.wait(lock, [this] { return access_requests_.load(std::memory_order_acquire) == 0; });
    s_.owed_pending = false;
}

}  // namespace vendrel
