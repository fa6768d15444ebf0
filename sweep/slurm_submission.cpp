#include "sweep/slurm_submission.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "cli/run_options.h"
#include "document/atomic_file.h"
#include "sweep/process_error.h"

namespace vendrel {
namespace {

// A word for the shell, in single quotes.
std::string quoted(const std::string& word) {
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

// Runs a command line; returns its exit status and standard output.
std::pair<int, std::string> capture(const std::string& command) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw ProcessError("cannot run " + command + ": " + std::strerror(errno));
    }
    std::string out;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
        out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace

std::string find_on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

int slurm_max_array_size() {
    const auto [status, out] = capture("scontrol show config 2>/dev/null");
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("MaxArraySize", 0) == 0) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) {
                try {
                    return std::stoi(line.substr(eq + 1));
                } catch (const std::exception&) {
                }
            }
        }
    }
    throw ProcessError("cannot read MaxArraySize from \"scontrol show config\" (exit status " +
                       std::to_string(status) + "): is the cluster reachable?");
}

int choose_chunk(int rows, int chunk, int max_array_size) {
    if (max_array_size < 1) {
        throw UsageError("the cluster allows no job arrays (MaxArraySize " +
                         std::to_string(max_array_size) + ")");
    }
    const auto tasks = [&](int k) { return (rows + k - 1) / k; };
    if (chunk > 0) {
        if (tasks(chunk) > max_array_size) {
            throw UsageError(
                "--chunk " + std::to_string(chunk) + " gives " + std::to_string(tasks(chunk)) +
                " array tasks; the cluster's MaxArraySize is " + std::to_string(max_array_size) +
                ": give --chunk " + std::to_string((rows + max_array_size - 1) / max_array_size) +
                " or more");
        }
        return chunk;
    }
    return std::max(1, (rows + max_array_size - 1) / max_array_size);
}

std::string slurm_script(const SlurmRequest& request, int chunk) {
    const int tasks = (request.rows + chunk - 1) / chunk;
    std::string s = "#!/bin/sh\n";
    s += "# A vendrel-sweep job array: task i runs manifest rows i*" + std::to_string(chunk) +
         " to i*" + std::to_string(chunk) + "+" + std::to_string(chunk - 1) + ".\n";
    s += "#SBATCH --job-name=vendrel-sweep\n";
    s += "#SBATCH --array=0-" + std::to_string(tasks - 1) + "\n";
    s += "#SBATCH --cpus-per-task=" + std::to_string(request.cpus_per_task) + "\n";
    s += "#SBATCH --output=" + request.dir + "/slurm/task-%A_%a.log\n";
    if (!request.partition.empty()) {
        s += "#SBATCH --partition=" + request.partition + "\n";
    }
    s += "exec " + quoted(request.program) + " --task " + quoted(request.dir) + " --chunk " +
         std::to_string(chunk) + (request.image ? " --image" : "") +
         (request.netcdf ? " --netcdf" : "") +
         (request.allow_early_end ? " --allow-early-end" : "") + "\n";
    return s;
}

std::string submit_sweep(const SlurmRequest& request) {
    const int chunk = choose_chunk(request.rows, request.chunk, slurm_max_array_size());
    const std::string folder = request.dir + "/slurm";
    std::filesystem::create_directories(folder);
    const std::string script = folder + "/sweep.sh";
    write_file_atomically(script, slurm_script(request, chunk));
    std::string command = "sbatch --parsable";
    if (request.wait) {
        command += " --wait";
    }
    for (const std::string& arg : request.sbatch_args) {
        command += ' ';
        command += quoted(arg);
    }
    command += ' ';
    command += quoted(script);
    command += " 2>";
    command += quoted(folder + "/sbatch.err");
    const auto [status, out] = capture(command);
    std::string job = out.substr(0, out.find_first_of(";\n"));
    if (job.empty()) {
        std::string why;
        FILE* err = std::fopen((folder + "/sbatch.err").c_str(), "r");
        if (err != nullptr) {
            char line[512] = {};
            if (std::fgets(line, sizeof line, err) != nullptr) {
                why = line;
            }
            std::fclose(err);
        }
        while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) {
            why.pop_back();
        }
        throw ProcessError("sbatch refused the job array (exit status " + std::to_string(status) +
                           (why.empty() ? "" : ": " + why) + ")");
    }
    return job;
}

}  // namespace vendrel
