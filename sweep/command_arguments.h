#pragma once
// The arguments of a subcommand: positional ones and long options with a
// value ("--opt value" or "--opt=value", each at most once) or without one;
// "--" ends the options. Throws UsageError for an unknown option, a
// missing value or an option given twice.

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vendrel {

struct CommandArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // by option name, without "--"
    std::set<std::string> flags;

    std::string value(const std::string& option) const;  // "" when not given
    bool has(const std::string& flag) const { return flags.count(flag) > 0; }
};

CommandArguments parse_command_arguments(int argc, char** argv,
                                         const std::set<std::string>& with_value,
                                         const std::set<std::string>& flags);

}  // namespace vendrel
