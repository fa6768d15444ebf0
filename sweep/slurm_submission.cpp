#include "sweep/slurm_submission.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string_view>

#include "cli/quoted_value.h"
#include "cli/run_options.h"
#include "document/atomic_file.h"
#include "sweep/command_output.h"
#include "sweep/process_error.h"
#include "sweep/slurm_job.h"

namespace vendrel {
namespace {

// A first-class setting and the sbatch options that set the same thing:
// the long name, which sbatch also takes cut short, and the short letter.
struct SbatchOption {
    const char* setting;  // the sweep's option, or null: the sweep sets it itself
    const char* name;
    char letter;
};
constexpr std::array<SbatchOption, 9> kSbatchOptions = {{
    {"--partition", "partition", 'p'},
    {"--time", "time", 't'},
    {"--mem", "mem", '\0'},
    {"--mem", "mem-per-cpu", '\0'},
    {"--mem", "mem-per-gpu", '\0'},
    {"--account", "account", 'A'},
    {"--qos", "qos", 'q'},
    {"--job-name", "job-name", 'J'},
    {nullptr, "array", 'a'},
}};

// True when one sbatch argument sets `option`: "--time=1:00", "--time",
// "--tim=1:00" (getopt takes an unambiguous prefix), "-t1:00" or "-t".
bool sets(const std::string& arg, const SbatchOption& option) {
    if (arg.rfind("--", 0) == 0) {
        const std::string name = arg.substr(2, arg.find('=') - 2);
        const std::string full = option.name;
        return name.size() >= 3 && full.rfind(name, 0) == 0;
    }
    return option.letter != '\0' && arg.size() >= 2 && arg[0] == '-' && arg[1] == option.letter;
}

bool fits_a_directive(const std::string& value) {
    return std::none_of(value.begin(), value.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == 0x7f || c == '\'' || c == '"';
    });
}

// sbatch's forms of a time limit: M, M:S, H:M:S, D-H, D-H:M, D-H:M:S, or
// no limit.
bool is_slurm_time(const std::string& text) {
    for (const char* endless : {"UNLIMITED", "unlimited", "INFINITE", "infinite"}) {
        if (text == endless) {
            return true;
        }
    }
    const auto digits = [](std::string_view part) {
        return !part.empty() &&
               std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    std::string_view rest = text;
    const std::size_t dash = rest.find('-');
    if (dash != std::string_view::npos) {
        if (!digits(rest.substr(0, dash))) {
            return false;
        }
        rest.remove_prefix(dash + 1);
    }
    int parts = 0;
    for (;;) {
        const std::size_t colon = rest.find(':');
        if (!digits(rest.substr(0, colon)) || ++parts > 3) {
            return false;
        }
        if (colon == std::string_view::npos) {
            return true;
        }
        rest.remove_prefix(colon + 1);
    }
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
    const CommandOutput r = run_command("scontrol show config 2>/dev/null");
    std::istringstream lines(r.out);
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
                       std::to_string(r.status) + "): is the cluster reachable?");
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

std::vector<int> tasks_of_rows(const std::vector<int>& rows, int chunk) {
    std::vector<int> tasks;
    for (int r : rows) {
        tasks.push_back(r / chunk);
    }
    std::sort(tasks.begin(), tasks.end());
    tasks.erase(std::unique(tasks.begin(), tasks.end()), tasks.end());
    return tasks;
}

std::string array_ranges(const std::vector<int>& tasks) {
    std::string text;
    for (std::size_t i = 0; i < tasks.size();) {
        std::size_t j = i;
        while (j + 1 < tasks.size() && tasks[j + 1] == tasks[j] + 1) {
            ++j;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(tasks[i]);
        if (j > i) {
            text += '-';
            text += std::to_string(tasks[j]);
        }
        i = j + 1;
    }
    return text;
}

void check_slurm_settings(const SlurmRequest& request) {
    const std::pair<const char*, const std::string*> given[] = {
        {"--partition", &request.partition},
        {"--time", &request.time},
        {"--mem", &request.mem},
        {"--account", &request.account},
        {"--qos", &request.qos},
        {"--job-name", &request.job_name},
    };
    for (const auto& [setting, value] : given) {
        if (!value->empty() && !fits_a_directive(*value)) {
            throw UsageError(std::string(setting) +
                             " expects a value without spaces, quotes or "
                             "control characters, got " +
                             quoted_value(*value));
        }
    }
    if (!request.time.empty() && !is_slurm_time(request.time)) {
        throw UsageError("--time expects a time limit such as 30, 2:00:00 or 1-12, got " +
                         quoted_value(request.time));
    }
    if (!request.mem.empty() && !slurm_memory_mb(request.mem)) {
        throw UsageError("--mem expects a size such as 4000, 500M or 4G, got " +
                         quoted_value(request.mem));
    }
    for (const std::string& arg : request.sbatch_args) {
        for (const SbatchOption& option : kSbatchOptions) {
            if (!sets(arg, option)) {
                continue;
            }
            if (option.setting == nullptr) {
                throw UsageError("--sbatch-arg " + quoted_value(arg) +
                                 ": the sweep makes the job array itself (see --max-running)");
            }
            for (const auto& [setting, value] : given) {
                if (std::strcmp(setting, option.setting) == 0 && !value->empty()) {
                    throw UsageError(std::string(setting) + " and --sbatch-arg " +
                                     quoted_value(arg) + " set the same thing: give one");
                }
            }
        }
    }
}

std::optional<long long> slurm_memory_mb(const std::string& text) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        ++digits;
    }
    if (digits == 0 || digits > 12 || text.size() > digits + 1) {
        return std::nullopt;
    }
    long long value = std::stoll(text.substr(0, digits));
    const char unit = digits < text.size() ? char(std::toupper(text[digits])) : 'M';
    switch (unit) {
        case 'K':
            return (value + 1023) / 1024;
        case 'M':
            return value;
        case 'G':
            return value * 1024;
        case 'T':
            return value * 1024 * 1024;
        default:
            return std::nullopt;
    }
}

std::optional<SlurmNodeLimits> slurm_node_limits(const std::string& partition) {
    if (!partition.empty() && !fits_a_directive(partition)) {
        return std::nullopt;
    }
    std::string command = "sinfo -h -o '%c %m'";
    if (!partition.empty()) {
        command += " -p " + shell_word(partition);
    }
    CommandOutput r;
    try {
        r = run_command(command + " 2>/dev/null");
    } catch (const ProcessError&) {
        return std::nullopt;
    }
    if (r.status != 0) {
        return std::nullopt;
    }
    std::istringstream lines(r.out);
    SlurmNodeLimits limits;
    std::string cpus;
    std::string memory;
    bool any = false;
    while (lines >> cpus >> memory) {
        try {
            // "2" or "2+" when the nodes differ; memory likewise.
            limits.cpus = std::max(limits.cpus, std::stoi(cpus));
            limits.memory_mb = std::max(limits.memory_mb, std::stoll(memory));
            any = true;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    return any ? std::optional<SlurmNodeLimits>(limits) : std::nullopt;
}

void check_slurm_resources(const SlurmRequest& request, const SlurmNodeLimits& limits,
                           const std::string& cpus_reason) {
    const std::string where =
        request.partition.empty() ? "" : " of partition " + quoted_value(request.partition);
    if (limits.cpus > 0 && request.cpus_per_task > limits.cpus) {
        throw UsageError(cpus_reason + " asks for " + std::to_string(request.cpus_per_task) +
                         " CPUs per task; the largest node" + where + " has " +
                         std::to_string(limits.cpus) + ", so the job would wait forever");
    }
    const std::optional<long long> mem = slurm_memory_mb(request.mem);
    if (limits.memory_mb > 0 && mem && *mem > limits.memory_mb) {
        throw UsageError("--mem " + request.mem + " is more than the largest node" + where +
                         " has (" + std::to_string(limits.memory_mb) +
                         " MB), so the job would wait forever");
    }
}

void check_slurm_request(const SlurmRequest& request, const std::string& cpus_reason,
                         bool submitting) {
    check_slurm_settings(request);
    if (submitting && find_on_path("sbatch").empty()) {
        throw ProcessError("sbatch not found on PATH: --slurm needs Slurm's client commands");
    }
    if (const auto limits = slurm_node_limits(request.partition)) {
        check_slurm_resources(request, *limits, cpus_reason);
    }
}

std::string slurm_script(const SlurmRequest& request, int chunk, const std::vector<int>& tasks) {
    std::string s = "#!/bin/sh\n";
    s += "# A vendrel-sweep job array: task i runs manifest rows i*" + std::to_string(chunk) +
         " to i*" + std::to_string(chunk) + "+" + std::to_string(chunk - 1) + ".\n";
    s += "#SBATCH --job-name=" + (request.job_name.empty() ? "vendrel-sweep" : request.job_name) +
         "\n";
    s += "#SBATCH --array=" + array_ranges(tasks);
    if (request.max_running > 0) {
        s += '%';
        s += std::to_string(request.max_running);
    }
    s += '\n';
    s += "#SBATCH --cpus-per-task=" + std::to_string(request.cpus_per_task) + "\n";
    s += "#SBATCH --output=" + request.dir + "/slurm/task-%A_%a.log\n";
    const std::pair<const char*, const std::string*> settings[] = {
        {"partition", &request.partition}, {"time", &request.time}, {"mem", &request.mem},
        {"account", &request.account},     {"qos", &request.qos},
    };
    for (const auto& [name, value] : settings) {
        if (!value->empty()) {
            s += std::string("#SBATCH --") + name + "=" + *value + "\n";
        }
    }
    s += "exec " + shell_word(request.program) + " --task " + shell_word(request.dir) +
         " --chunk " + std::to_string(chunk) + (request.image ? " --image" : "") +
         (request.netcdf ? " --netcdf" : "") +
         (request.allow_early_end ? " --allow-early-end" : "") + "\n";
    return s;
}

SlurmScript write_slurm_script(const SlurmRequest& request, std::optional<int> max_array_size) {
    SlurmScript script;
    script.chunk = max_array_size ? choose_chunk(request.rows, request.chunk, *max_array_size)
                                  : std::max(1, request.chunk);
    std::vector<int> rows = request.rows_to_run;
    if (rows.empty()) {
        for (int r = 0; r < request.rows; ++r) {
            rows.push_back(r);
        }
    }
    script.tasks = tasks_of_rows(rows, script.chunk);
    const std::string folder = request.dir + "/slurm";
    std::filesystem::create_directories(folder);
    script.path = folder + "/sweep.sh";
    script.text = slurm_script(request, script.chunk, script.tasks);
    write_file_atomically(script.path, script.text);
    return script;
}

std::string submit_slurm_script(const SlurmRequest& request, const SlurmScript& script) {
    const std::string folder = request.dir + "/slurm";
    std::string command = "sbatch --parsable";
    for (const std::string& arg : request.sbatch_args) {
        command += ' ';
        command += shell_word(arg);
    }
    command += ' ';
    command += shell_word(script.path);
    command += " 2>";
    command += shell_word(folder + "/sbatch.err");
    const CommandOutput r = run_command(command);
    const std::string job = r.out.substr(0, r.out.find_first_of(";\n"));
    if (r.status != 0 || !valid_job_id(job)) {
        std::string why;
        FILE* err = std::fopen((folder + "/sbatch.err").c_str(), "r");
        if (err != nullptr) {
            char line[512] = {};
            if (std::fgets(line, sizeof line, err) != nullptr) {
                why = first_line_of(line);
            }
            std::fclose(err);
        }
        throw ProcessError("sbatch refused the job array (exit status " + std::to_string(r.status) +
                           (why.empty() ? "" : ": " + why) + ")");
    }
    record_sweep_job(request.dir, job);
    return job;
}

std::string submit_sweep(const SlurmRequest& request) {
    return submit_slurm_script(request, write_slurm_script(request, slurm_max_array_size()));
}

}  // namespace vendrel
