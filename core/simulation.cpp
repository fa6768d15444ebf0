#include "core/simulation.h"

#include "core/model_reset.h"

namespace vendrel {
namespace {

const ModelParameters& with_document_defaults(ModelParameters& p) {
    set_document_defaults(p);
    return p;
}

void reset_counters(ModelState& s) {
    s.horizon_count.store(1);
    s.display_current_disp.store(1, std::memory_order_release);
}

}  // namespace

Simulation::Simulation(ModelParameters& params)
    : params_(params), state_(with_document_defaults(params)), engine_(params_, state_) {
    engine_.start_engine();
}

Simulation::~Simulation() {
    engine_.shutdown_engine();
}

void Simulation::new_model() {
    ModelAccess idle = engine_.exclusive_access();
    reset_counters(state_);
    params_.ramp_geometry = 1;
    state_.flags.running.store(0);
    params_.isolated_platform = 0;
    params_.reset_geometry = 1;
    reset_model(params_, state_);
}

void Simulation::change_parameters(const std::function<void(ModelParameters&)>& change) {
    ModelAccess idle = engine_.exclusive_access();
    change(params_);
    reset_counters(state_);
    params_.reset_geometry = 1;
    reset_model(params_, state_);
}

}  // namespace vendrel
