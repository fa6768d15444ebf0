#include "sweep/sweep_subcommand.h"

#include <string_view>

#include "sweep/design_command.h"
#include "sweep/fit_command.h"
#include "sweep/sensitivity_command.h"

namespace vendrel {

std::optional<int> run_sweep_subcommand(int argc, char** argv) {
    if (argc < 2) {
        return std::nullopt;
    }
    const std::string_view name = argv[1];
    if (name == "design") {
        return run_design_command(argc - 2, argv + 2);
    }
    if (name == "sensitivity") {
        return run_sensitivity_command(argc - 2, argv + 2);
    }
    if (name == "fit") {
        return fit_main(argc - 1, argv + 1);
    }
    return std::nullopt;
}

bool is_sweep_subcommand(std::string_view name) {
    return name == "design" || name == "sensitivity" || name == "fit";
}

}  // namespace vendrel
