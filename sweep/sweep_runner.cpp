#include "sweep/sweep_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonDocument>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "cli/sea_level_request.h"
#include "cli/stop_signal.h"
#include "core/model_parameters.h"
#include "document/atomic_file.h"
#include "document/number_format.h"
#include "document/printable_text.h"
#include "document/project_reader.h"
#include "sweep/sweep_sea_level.h"

namespace vendrel {
namespace {

using Clock = std::chrono::system_clock;

bool exists_with_bytes(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

bool project_reads(const std::string& path) {
    static const ProjectDefaults defaults = [] {
        ProjectDefaults d;
        d.params = make_startup_parameters(1);
        d.x_values.assign(COLUMN_SLOTS, 0.0);
        return d;
    }();
    try {
        ReadProjectFile(path, defaults);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool summary_parses(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).isObject();
}

// A path inside DIR as the runs, started in DIR, name it.
std::string inside(const std::string& dir, const std::string& path) {
    const std::string prefix = dir + "/";
    return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
}

std::vector<std::string> runner_arguments(const SweepManifest& manifest, const SweepRow& row,
                                          const SweepSettings& settings) {
    const RunFiles files = run_files("", row.id);
    std::vector<std::string> args = {settings.runner, "--quiet"};
    for (std::size_t k = 0; k < manifest.keys.size(); ++k) {
        if (manifest.keys[k] != kSeaLevelFileKey) {
            args.push_back("--set");
            args.push_back(manifest.keys[k] + "=" + row.values[k]);
        }
    }
    if (const std::string curve = sea_level_copy(manifest, row, settings.dir); !curve.empty()) {
        args.insert(args.end(), {"--sea-level", inside(settings.dir, curve)});
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

// A run's stderr: a file in memory that vanishes with the last process
// holding it, so a sweep killed outright leaves nothing behind.
int open_run_log() {
    const int fd = ::memfd_create("vendrel-run stderr", MFD_CLOEXEC);
    if (fd < 0) {
        throw FileError(std::string("cannot keep a run's messages: ") + std::strerror(errno));
    }
    return fd;
}

std::string read_run_log(int fd) {
    std::string text;
    char buffer[4096];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n <= 0) {
            return text;
        }
        text.append(buffer, std::size_t(n));
        at += n;
    }
}

// The last line the run printed on stderr, without the program's name.
std::string error_line(const std::string& log, int status) {
    std::istringstream in(log);
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

std::string utc_time(Clock::time_point t) {
    const std::time_t seconds = Clock::to_time_t(t);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()) % 1000;
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    char full[48];
    std::snprintf(full, sizeof full, "%s.%03dZ", text, int(ms.count()));
    return full;
}

std::string host_name() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return "?";
    }
    return name;
}

// Adds one line to DIR/joblog.tsv, holding a lock on it while it writes:
// the tasks of a job array may write to it from several machines.
void log_job(const std::string& dir, const std::string& line) {
    const std::string path = dir + "/" + kJobLogName;
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;  // the log is a record for people; the runs do not depend on it
    }
    if (::flock(fd, LOCK_EX) == 0) {
        struct stat info {};
        std::string text;
        if (::fstat(fd, &info) == 0 && info.st_size == 0) {
            text = "run\ttask\thost\tstart\tend\texit\tsignal\n";
        }
        text += line;
        [[maybe_unused]] const ssize_t n = ::write(fd, text.data(), text.size());
        ::flock(fd, LOCK_UN);
    }
    ::close(fd);
}

class Progress {
  public:
    Progress(SweepProgress mode, int total) : mode_(mode), total_(total) {}

    void show(int done, int failed, int running) {
        if (mode_ == SweepProgress::None) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        std::string eta;
        if (done > 0 && done < total_) {
            eta = ", about " + format_fixed(elapsed * (total_ - done) / done, 0, 0) + " s left";
        }
        if (mode_ == SweepProgress::Lines) {
            // For a log read afterwards: a line when a run has ended, five
            // seconds or more after the last line (or the start).
            if (done == last_done_ || now - last_line_ < std::chrono::seconds(5)) {
                return;
            }
            last_done_ = done;
            last_line_ = now;
            std::fprintf(stderr, "vendrel-sweep: %d/%d runs done, %d failed, %d running%s\n", done,
                         total_, failed, running, eta.c_str());
            std::fflush(stderr);
            return;
        }
        constexpr int kWidth = 30;
        const int filled = total_ > 0 ? kWidth * done / total_ : kWidth;
        std::fprintf(stderr, "\r[%s%s] %d/%d runs, %d failed, %d running%s\033[K",
                     std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(kWidth - filled), '.').c_str(), done, total_, failed,
                     running, eta.c_str());
        std::fflush(stderr);
    }

    void clear() {
        if (mode_ == SweepProgress::Bar) {
            std::fputs("\r\033[K", stderr);
        }
    }

  private:
    SweepProgress mode_;
    int total_;
    int last_done_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_line_ = start_;
};

struct Running {
    int row = 0;
    int log = -1;
    Clock::time_point start;
};

}  // namespace

pid_t start_run(const std::vector<std::string>& args, const std::string& dir, int log) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const std::string failure = "vendrel-run: cannot start " + args[0] + "\n";
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw FileError("cannot start " + args[0] + ": " + std::strerror(errno));
    }
    if (pid == 0) {
        // Only async-signal-safe calls until exec.
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) {
            ::_exit(127);
        }
        struct sigaction defaults {};
        defaults.sa_handler = SIG_DFL;
        sigemptyset(&defaults.sa_mask);
        ::sigaction(SIGINT, &defaults, nullptr);
        ::sigaction(SIGTERM, &defaults, nullptr);
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (in < 0 || out < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
            ::dup2(log, STDERR_FILENO) < 0 || ::chdir(dir.c_str()) != 0) {
            ::_exit(127);
        }
        ::execv(argv[0], argv.data());
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, failure.data(), failure.size());
        ::_exit(127);
    }
    return pid;
}

RunFiles run_files(const std::string& dir, const std::string& id) {
    const std::string base = dir.empty() ? id : dir + "/" + id;
    return {base + ".vdl", base + ".json", base + ".png", base + ".nc", base + ".error"};
}

bool run_complete(const SweepSettings& settings, const std::string& id) {
    const RunFiles files = run_files(settings.dir, id);
    return summary_parses(files.summary) && project_reads(files.project) &&
           (!settings.image || exists_with_bytes(files.image)) &&
           (!settings.netcdf || exists_with_bytes(files.netcdf));
}

std::vector<int> incomplete_rows(const SweepManifest& manifest, const SweepSettings& settings) {
    std::vector<int> rows;
    for (std::size_t r = 0; r < manifest.rows.size(); ++r) {
        if (!run_complete(settings, manifest.rows[r].id)) {
            rows.push_back(int(r));
        }
    }
    return rows;
}

std::string runner_beside_program() {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path() / "vendrel-run").string();
}

SweepOutcome run_sweep_rows(const SweepManifest& manifest, const std::vector<int>& rows,
                            const SweepSettings& settings, SweepProgress progress) {
    std::vector<int> pending;
    for (int r : rows) {
        if (!run_complete(settings, manifest.rows[std::size_t(r)].id)) {
            pending.push_back(r);
        }
    }
    catch_stop_signals();
    const std::string host = host_name();
    const std::string task = settings.task.empty() ? "-" : settings.task;
    Progress bar(progress, int(pending.size()));
    std::map<pid_t, Running> running;
    std::size_t next = 0;
    SweepOutcome outcome;
    bar.show(0, 0, 0);
    while (next < pending.size() || !running.empty()) {
        while (stop_signal_received() == 0 && next < pending.size() &&
               int(running.size()) < settings.jobs) {
            const int r = pending[next++];
            const SweepRow& row = manifest.rows[std::size_t(r)];
            const int log = open_run_log();
            pid_t pid = 0;
            try {
                pid = start_run(runner_arguments(manifest, row, settings), settings.dir, log);
            } catch (...) {
                ::close(log);
                throw;
            }
            running.emplace(pid, Running{r, log, Clock::now()});
        }
        bar.show(outcome.ran, outcome.failed, int(running.size()));
        if (running.empty()) {
            break;
        }
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) {
                // Pass the stop on to the runs (a terminal's Ctrl-C has
                // reached them already; a kill may not have).
                for (const auto& [child, run] : running) {
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
        const Running run = it->second;
        running.erase(it);
        const SweepRow& row = manifest.rows[std::size_t(run.row)];
        const std::string log = read_run_log(run.log);
        ::close(run.log);
        const RunFiles files = run_files(settings.dir, row.id);
        const bool stopped = interrupted_status(status) && stop_signal_received() != 0;
        log_job(settings.dir,
                row.id + "\t" + task + "\t" + host + "\t" + utc_time(run.start) + "\t" +
                    utc_time(Clock::now()) + "\t" +
                    (WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "-") + "\t" +
                    (WIFSIGNALED(status) ? std::to_string(WTERMSIG(status)) : "0") + "\n");
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            ::unlink(files.error.c_str());
        } else if (!stopped) {
            const std::string message = error_line(log, status);
            write_file_atomically(files.error, message + "\n");
            ++outcome.failed;
            bar.clear();
            std::fprintf(stderr, "vendrel-sweep: run %s failed: %s\n", row.id.c_str(),
                         printable_text(message).c_str());
        }
        ++outcome.ran;
    }
    bar.clear();
    outcome.end = stop_signal_received() != 0 ? SweepEnd::Interrupted : SweepEnd::Finished;
    return outcome;
}

}  // namespace vendrel
