#include "core/simulation.h"

#include "core/model_reset.h"

namespace vendrel {
namespace {

ModelParameters with_document_defaults(ModelParameters p) {
    set_document_defaults(p);
    return p;
}

}  // namespace

Simulation::Simulation(const ModelParameters& startup)
    : params_(with_document_defaults(startup)), state_(params_), engine_(params_, state_) {
    engine_.start_engine();
}

Simulation::~Simulation() {
    engine_.shutdown_engine();
}

Simulation::ReadGuard Simulation::read() {
    return ReadGuard(*this, engine_.read_access());
}

// Whoever holds the write guard may change any slot.
Simulation::WriteGuard Simulation::modify() {
    WriteGuard model(*this, engine_.exclusive_access());
    state_.changes.mark_all();
    return model;
}

void Simulation::new_model() {
    WriteGuard model = modify();
    model.state().reset_counters();
    params_.ramp_geometry = 1;
    state_.flags.running.store(0);
    params_.isolated_platform = 0;
    params_.reset_geometry = 1;
    reset_model(params_, state_);
}

void Simulation::change_parameters(const std::function<void(ModelParameters&)>& change) {
    WriteGuard model = modify();
    change(params_);
    state_.reset_counters();
    params_.reset_geometry = 1;
    reset_model(params_, state_);
}

}  // namespace vendrel
