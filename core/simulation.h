#pragma once
// The model of one document: the parameter set it works on, the model state
// it owns and the engine thread that runs it. Constructing it is what
// constructing a document does: the default production curve and control
// points, the state with the straight initial ramp in slot 1, and the engine
// thread started. Destroying it stops the engine before the state goes.

#include <functional>

#include "core/engine.h"
#include "core/model_parameters.h"
#include "core/model_state.h"

namespace vendrel {

class Simulation {
  public:
    explicit Simulation(ModelParameters& params);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    ModelParameters& params() { return params_; }
    ModelState& state() { return state_; }
    Engine& engine() { return engine_; }

    // The model side of New: every parameter kept, the straight ramp chosen,
    // counters at 1, the run stopped, geometry rebuilt by a reset.
    void new_model();

    // A parameter change as a dialog's OK makes it: the run is stopped and
    // the engine idle, `change` edits the parameters, the counters go back to
    // 1 and the model is reset with its geometry rebuilt.
    void change_parameters(const std::function<void(ModelParameters&)>& change);

  private:
    ModelParameters& params_;
    ModelState state_;
    Engine engine_;
};

}  // namespace vendrel
