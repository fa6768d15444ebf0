#include "document/project.h"

#include <filesystem>

#include "core/model_reset.h"
#include "core/parameter_fields.h"
#include "document/non_finite_values.h"

namespace vendrel {

Project::Project(const ModelParameters& startup) : simulation_(startup) {}

ProjectDefaults Project::current_values() {
    const Simulation::ReadGuard model = simulation_.read();
    return current_project_values(model.params(), display_, model.state());
}

ProjectData Project::snapshot() {
    const Simulation::ReadGuard model = simulation_.read();
    return take_project_snapshot(model.params(), display_, model.state());
}

void Project::apply(const LoadedProject& loaded, Simulation::WriteGuard& model) {
    const ProjectData& d = loaded.data;
    ModelParameters& p = model.params();
    ModelState& s = model.state();
    for (const ParameterField& field : parameter_fields()) {
        if (field.section != FileSection::None) {
            copy_field(field, d.params, d.display, p, display_);
        }
    }
    p.sea_level_curve = d.params.sea_level_curve;
    if (loaded.first_line_sea_level) {
        s.current_sea_level = *loaded.first_line_sea_level;
    }
    std::copy(d.x_values.begin() + 1, d.x_values.begin() + COLUMN_SLOTS, s.x_values.data() + 1);
    auto values = d.horizons.begin();
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        for (int h = 1; h <= d.count; ++h, ++values) {
            s.horizon_z[c][h] = (*values)[0];
            s.horizon_depth[c][h] = (*values)[1];
            s.horizon_distance[c][h] = (*values)[2];
            s.horizon_porosity[c][h] = (*values)[3];
        }
    }
    std::copy(d.sealevels.begin() + 1, d.sealevels.end(), s.sealevel_values + 1);
    s.display_current_disp.store(d.count, std::memory_order_release);
}

std::string Project::open(const std::string& path) {
    const LoadedProject loaded = ReadProjectFile(path, current_values());
    open(loaded);
    const std::string warning = non_finite_values(loaded.data);
    return warning.empty() ? warning
                           : std::filesystem::path(path).filename().string() + ": " + warning;
}

void Project::open(const LoadedProject& loaded) {
    Simulation::WriteGuard model = simulation_.modify();
    apply(loaded, model);
    ModelState& s = model.state();
    s.horizon_count.store(1);
    s.flags.running.store(0);
    model.params().reset_geometry = 0;
    reset_model(model.params(), s, loaded.data.count);
}

}  // namespace vendrel
