#pragma once
// Running the cluster's client commands (scontrol, sinfo, sbatch, squeue,
// scancel) through the shell and reading what they print.

#include <string>

namespace vendrel {

struct CommandOutput {
    int status = -1;  // the exit status, or -1 when it did not exit
    std::string out;  // standard output
};

// Runs a shell command line. Throws ProcessError when it cannot start.
CommandOutput run_command(const std::string& command);

// A word for the shell, in single quotes.
std::string shell_word(const std::string& word);

// The first line of a text, without its line end.
std::string first_line_of(const std::string& text);

}  // namespace vendrel
