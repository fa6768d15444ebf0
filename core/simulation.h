#pragma once
// The model of one document: its parameters and state, owned here, and the
// engine thread that runs it. Constructing it is what constructing a
// document does: the default production curve and control points, the
// state with the straight initial ramp in slot 1, and the engine thread
// started. Destroying it stops the engine before the state goes.
//
// Access. The model is reached through guards that hold the model lock for
// their lifetime:
//   - read() pauses a run at the next step boundary and gives const access
//     (pictures, saves, progress);
//   - modify() stops a run, waits until the engine is idle and gives mutable
//     access (New, Open, every dialog OK).
// The parameters may also be read without a guard through params(): the
// engine never writes them and every write goes through modify(), so the
// thread that owns the simulation always sees them whole.

#include <chrono>
#include <cstdint>
#include <functional>

#include "core/engine.h"
#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {

class ViewNotifier;

class Simulation {
  public:
    class ReadGuard {
      public:
        const ModelParameters& params() const { return sim_->params_; }
        const ModelState& state() const { return sim_->state_; }

      private:
        friend class Simulation;
        ReadGuard(const Simulation& sim, ModelAccess access)
            : sim_(&sim), access_(std::move(access)) {}
        const Simulation* sim_;
        ModelAccess access_;
    };

    class WriteGuard {
      public:
        ModelParameters& params() { return sim_->params_; }
        ModelState& state() { return sim_->state_; }

      private:
        friend class Simulation;
        WriteGuard(Simulation& sim, ModelAccess access) : sim_(&sim), access_(std::move(access)) {}
        Simulation* sim_;
        ModelAccess access_;
    };

    // `startup` is the parameter set as the program has it at start; the
    // document defaults (production curve, control points) are set on it.
    explicit Simulation(const ModelParameters& startup);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    ReadGuard read();
    WriteGuard modify();
    const ModelParameters& params() const { return params_; }

    // Run control and what any thread may ask at any time.
    void start_run() { engine_.start_run(); }
    void stop_run() { engine_.stop_run(); }
    void stop_and_wait() { engine_.stop_and_wait(); }
    bool is_running() const { return engine_.is_running(); }
    bool wait_until_idle(std::chrono::milliseconds timeout) {
        return engine_.wait_until_idle(timeout);
    }
    void set_notifier(ViewNotifier* notifier) { engine_.set_notifier(notifier); }
    std::int64_t steps_taken() const { return engine_.steps_taken(); }
    int run_threads() const { return engine_.run_threads(); }
    bool run_lacked_memory() const { return engine_.run_lacked_memory(); }
    int published_count() const { return state_.published_count(); }
    double dx() const { return state_.dx.load(); }
    double dt() const { return state_.dt.load(); }

    // The model side of New: every parameter kept, the straight ramp chosen,
    // counters at 1, the run stopped, geometry rebuilt by a reset.
    void new_model();

    // A parameter change as a dialog's OK makes it: the run is stopped and
    // the engine idle, `change` edits the parameters, the counters go back to
    // 1 and the model is reset with its geometry rebuilt.
    void change_parameters(const std::function<void(ModelParameters&)>& change);

  private:
    ModelParameters params_;
    ModelState state_;
    Engine engine_;
};

}  // namespace vendrel
