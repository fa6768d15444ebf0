#include "sweep/command_arguments.h"

#include "cli/run_options.h"

namespace vendrel {

std::string CommandArguments::value(const std::string& option) const {
    const auto it = values.find(option);
    return it == values.end() ? std::string() : it->second;
}

CommandArguments parse_command_arguments(int argc, char** argv,
                                         const std::set<std::string>& with_value,
                                         const std::set<std::string>& flags) {
    CommandArguments out;
    bool options = true;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        std::string name = arg == "-h" ? "help" : arg.substr(arg[1] == '-' ? 2 : 1);
        std::string value;
        const std::size_t equals = name.find('=');
        const bool inline_value = equals != std::string::npos;
        if (inline_value) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (flags.count(name) > 0 && !inline_value) {
            out.flags.insert(name);
            continue;
        }
        if (with_value.count(name) == 0) {
            throw UsageError("unknown option \"" +
                             arg.substr(0, inline_value ? equals + 2 : arg.size()) + "\"");
        }
        if (!inline_value) {
            if (i + 1 >= argc) {
                throw UsageError("--" + name + " needs a value");
            }
            value = argv[++i];
        }
        if (!out.values.emplace(name, value).second) {
            throw UsageError("--" + name + " is given twice");
        }
    }
    return out;
}

}  // namespace vendrel
