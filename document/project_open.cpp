#include "document/project_open.h"

#include "core/model_reset.h"
#include "core/parameter_fields.h"
#include "core/simulation.h"

namespace vendrel {

void apply_project(const LoadedProject& loaded, ModelParameters& p, ModelState& s) {
    const ProjectData& d = loaded.data;
    for (const ParameterField& field : parameter_fields()) {
        if (field.section != FileSection::None) {
            std::visit([&](auto m) { p.*m = d.params.*m; }, field.member);
        }
    }
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

void open_project(Simulation& sim, const std::string& path) {
    ProjectDefaults defaults;
    {
        ModelAccess access = sim.engine().read_access();
        defaults = current_project_values(sim.params(), sim.state());
    }
    open_project(sim, ReadProjectFile(path, defaults));
}

void open_project(Simulation& sim, const LoadedProject& loaded) {
    ModelAccess idle = sim.engine().exclusive_access();
    ModelState& s = sim.state();
    apply_project(loaded, sim.params(), s);
    s.horizon_count.store(1);
    s.flags.running.store(0);
    sim.params().reset_geometry = 0;
    reset_model(sim.params(), s, loaded.data.count);
}

}  // namespace vendrel
