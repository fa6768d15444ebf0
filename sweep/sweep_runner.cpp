#include "sweep/sweep_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/sea_level_request.h"
#include "cli/stop_signal.h"
#include "document/atomic_file.h"
#include "document/number_format.h"
#include "document/printable_text.h"
#include "sweep/sweep_sea_level.h"

extern char** environ;

namespace vendrel {
namespace {

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string log_file(const std::string& dir, const std::string& id) {
    return dir + "/." + id + ".log";
}

std::vector<std::string> runner_arguments(const SweepManifest& manifest, const SweepRow& row,
                                          const SweepSettings& settings) {
    const RunFiles files = run_files(settings.dir, row.id);
    std::vector<std::string> args = {settings.runner, "--quiet"};
    for (std::size_t k = 0; k < manifest.keys.size(); ++k) {
        if (manifest.keys[k] != kSeaLevelFileKey) {
            args.push_back("--set");
            args.push_back(manifest.keys[k] + "=" + row.values[k]);
        }
    }
    if (const std::string curve = sea_level_copy(manifest, row, settings.dir); !curve.empty()) {
        args.insert(args.end(), {"--sea-level", curve});
    }
    // One thread per run unless the manifest says otherwise.
    if (manifest.column("omp_threads") < 0) {
        args.insert(args.end(), {"--threads", "1"});
    }
    if (settings.allow_early_end) {
        args.push_back("--allow-early-end");
    }
    args.insert(args.end(), {"--out", files.project});
    if (settings.image) {
        args.insert(args.end(), {"--image", files.image});
    }
    if (settings.netcdf) {
        args.insert(args.end(), {"--netcdf", files.netcdf});
    }
    args.insert(args.end(), {"--summary", files.summary});
    return args;
}

pid_t start_run(const std::vector<std::string>& args, const std::string& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        throw FileError("cannot start " + args[0] + ": " + std::strerror(error));
    }
    return pid;
}

// The last line the run printed on stderr, without the program's name.
std::string error_line(const std::string& log, int status) {
    std::ifstream in(log);
    std::string line;
    std::string last;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            last = line;
        }
    }
    const std::string prefix = "vendrel-run: ";
    if (last.rfind(prefix, 0) == 0) {
        last.erase(0, prefix.size());
    }
    if (last.empty()) {
        last = WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status))
                                   : "exit status " + std::to_string(WEXITSTATUS(status));
    }
    return last;
}

bool interrupted_status(int status) {
    return (WIFEXITED(status) && WEXITSTATUS(status) == 130) ||
           (WIFSIGNALED(status) && (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM));
}

class ProgressBar {
  public:
    ProgressBar(bool shown, int total) : shown_(shown), total_(total) {}

    void show(int done, int failed, int running) {
        if (!shown_) {
            return;
        }
        constexpr int kWidth = 30;
        const int filled = total_ > 0 ? kWidth * done / total_ : kWidth;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::string eta;
        if (done > 0 && done < total_) {
            eta = ", about " + format_fixed(elapsed * (total_ - done) / done, 0, 0) + " s left";
        }
        std::fprintf(stderr, "\r[%s%s] %d/%d runs, %d failed, %d running%s\033[K",
                     std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(kWidth - filled), '.').c_str(), done, total_, failed,
                     running, eta.c_str());
        std::fflush(stderr);
    }

    void clear() {
        if (shown_) {
            std::fputs("\r\033[K", stderr);
        }
    }

  private:
    bool shown_;
    int total_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

RunFiles run_files(const std::string& dir, const std::string& id) {
    const std::string base = dir + "/" + id;
    return {base + ".vdl", base + ".json", base + ".png", base + ".nc", base + ".error"};
}

bool run_complete(const SweepSettings& settings, const std::string& id) {
    const RunFiles files = run_files(settings.dir, id);
    return exists(files.project) && exists(files.summary) &&
           (!settings.image || exists(files.image)) && (!settings.netcdf || exists(files.netcdf));
}

std::string runner_beside_program() {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path() / "vendrel-run").string();
}

SweepEnd run_sweep_rows(const SweepManifest& manifest, const std::vector<int>& rows,
                        const SweepSettings& settings, bool progress) {
    std::vector<int> pending;
    for (int r : rows) {
        if (!run_complete(settings, manifest.rows[std::size_t(r)].id)) {
            pending.push_back(r);
        }
    }
    catch_stop_signals();
    ProgressBar bar(progress, int(pending.size()));
    std::map<pid_t, int> running;
    std::size_t next = 0;
    int done = 0;
    int failed = 0;
    bar.show(done, failed, 0);
    while (next < pending.size() || !running.empty()) {
        while (stop_signal_received() == 0 && next < pending.size() &&
               int(running.size()) < settings.jobs) {
            const SweepRow& row = manifest.rows[std::size_t(pending[next++])];
            const pid_t pid = start_run(runner_arguments(manifest, row, settings),
                                        log_file(settings.dir, row.id));
            running.emplace(pid, pending[next - 1]);
        }
        bar.show(done, failed, int(running.size()));
        if (running.empty()) {
            break;
        }
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) {
                // Pass the stop on to the runs (a terminal's Ctrl-C has
                // reached them already; a kill may not have).
                for (const auto& [child, row] : running) {
                    ::kill(child, SIGINT);
                }
                continue;
            }
            throw FileError(std::string("waiting for the runs: ") + std::strerror(errno));
        }
        const auto it = running.find(pid);
        if (it == running.end()) {
            continue;
        }
        const SweepRow& row = manifest.rows[std::size_t(it->second)];
        running.erase(it);
        const std::string log = log_file(settings.dir, row.id);
        const RunFiles files = run_files(settings.dir, row.id);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            ::unlink(files.error.c_str());
        } else if (!interrupted_status(status) || stop_signal_received() == 0) {
            const std::string message = error_line(log, status);
            write_file_atomically(files.error, message + "\n");
            ++failed;
            bar.clear();
            std::fprintf(stderr, "vendrel-sweep: run %s failed: %s\n", row.id.c_str(),
                         printable_text(message).c_str());
        }
        ::unlink(log.c_str());
        ++done;
    }
    bar.clear();
    return stop_signal_received() != 0 ? SweepEnd::Interrupted : SweepEnd::Finished;
}

}  // namespace vendrel
