#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/parameter_fields.h"

namespace vendrel::testing {

CommandResult run_command(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ShellOutcome run_in_shell(const std::string& command, const TempDir& dir) {
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const int status = std::system((command + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err)};
}

ModelParameters document_parameters() {
    ModelParameters p = make_startup_parameters(2);
    set_document_defaults(p);
    return p;
}

ModelParameters short_run_parameters() {
    ModelParameters p = document_parameters();
    p.totaltime = 4000;
    p.display_inc = 200;
    return p;
}

namespace {

double difference(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) ? 0.0 : std::numeric_limits<double>::infinity();
    }
    if (a == b) {
        return 0.0;
    }
    return std::fabs(a - b);
}

}  // namespace

double largest_difference(const ProjectData& a, const ProjectData& b) {
    if (a.count != b.count || a.horizons.size() != b.horizons.size()) {
        return std::numeric_limits<double>::infinity();
    }
    double worst = 0;
    for (std::size_t k = 0; k < a.horizons.size(); ++k) {
        for (int v = 0; v < 4; ++v) {
            worst = std::max(worst, difference(a.horizons[k][v], b.horizons[k][v]));
        }
    }
    for (int c = 1; c < int(a.x_values.size()); ++c) {
        worst = std::max(worst, difference(a.x_values[c], b.x_values[c]));
    }
    for (int h = 1; h <= a.count; ++h) {
        worst = std::max(worst, difference(a.sealevels[h], b.sealevels[h]));
    }
    return worst;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vendrel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string shell_quoted(const std::string& bytes) {
    std::string quoted = "'";
    for (char c : bytes) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

}  // namespace vendrel::testing
