#include "sweep/command_output.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sweep/process_error.h"

namespace vendrel {

CommandOutput run_command(const std::string& command) {
    std::FILE* pipe = ::popen(command.c_str(), "re");
    if (pipe == nullptr) {
        throw ProcessError("cannot run " + command + ": " + std::strerror(errno));
    }
    CommandOutput result;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
        result.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string shell_word(const std::string& word) {
    std::string text = "'";
    for (char c : word) {
        if (c == '\'') {
            text += "'\\''";
        } else {
            text += c;
        }
    }
    return text + "'";
}

std::string first_line_of(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    return line;
}

}  // namespace vendrel
