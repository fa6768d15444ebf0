// vendrel-run with inputs that once exhausted or confused it: sections of
// extreme size, signals during the drawing, files that are not projects or
// hold numbers that are not finite, command lines longer than an attribute
// may be, and too little memory.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_support.h"

namespace vendrel {
namespace {

using Clock = std::chrono::steady_clock;

using testing::ShellOutcome;

// Runs `prefix vendrel-run args` in a shell.
ShellOutcome runner(const std::string& args, const testing::TempDir& dir,
                    const std::string& prefix = "") {
    return testing::run_in_shell(prefix + " " + VENDREL_RUN_PATH + " " + args, dir);
}

int lines_of(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

// `text` with the value of the first line that starts with `key` replaced.
std::string with_value(std::string text, const std::string& key, const std::string& value,
                       int occurrence = 1) {
    std::size_t at = std::string::npos;
    for (int k = 0; k < occurrence; ++k) {
        at = text.find("\n" + key + " ", at == std::string::npos ? 0 : at + 1);
    }
    EXPECT_NE(at, std::string::npos) << key;
    const std::size_t from = at + key.size() + 2;
    text.replace(from, text.find('\r', from) - from, value);
    return text;
}

// A short run saved once for the tests that edit it.
class RunnerInputs : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        testing::TempDir dir;
        const std::string path = dir.file("short.vdl");
        const ShellOutcome r =
            runner("--set totaltime=2000 --set display_inc=250 --threads 1 -o " + path, dir);
        ASSERT_EQ(r.status, 0) << r.err;
        project_ = new std::string(testing::read_file(path));
    }
    static void TearDownTestSuite() { delete project_; }

    std::string save(const std::string& name, const std::string& text) const {
        const std::string path = dir.file(name);
        testing::write_file(path, text);
        return path;
    }

    static std::string* project_;
    testing::TempDir dir;
};
std::string* RunnerInputs::project_ = nullptr;

// Every drawing is bounded by its pixels: a section of any width or
// height, down to the smallest double, draws in about the time and memory
// of the default one.
TEST_F(RunnerInputs, SectionsOfAnySizeDrawWithinTheirPixels) {
    struct Case {
        const char* name;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"the narrowest section", "max_x", "4.9e-324"}, {"a subnormal width", "max_x", "1e-310"},
        {"the widest section", "max_x", "1.7e308"},     {"the lowest section", "max_y", "4.9e-324"},
        {"the highest section", "max_y", "1.7e308"},
    };
    // Each kind of output once; two commands, as an option is given once.
    const std::string outputs[] = {
        " --image " + dir.file("s.png") + " --pdf " + dir.file("s.pdf") + " --figure " +
            dir.file("f.svg") + " --wheeler " + dir.file("w.png"),
        " --figure " + dir.file("f.png") + " --wheeler " + dir.file("w.svg"),
        " --wheeler " + dir.file("w.pdf"),
    };
    for (const Case& c : cases) {
        const std::string project = save("extreme.vdl", with_value(*project_, c.key, c.value));
        for (const std::string& output : outputs) {
            SCOPED_TRACE(std::string(c.name) + ":" + output);
            const auto start = Clock::now();
            // Killed after a minute and held to 3 GB, so a drawing that
            // grows with the model's coordinates fails here instead of
            // hanging.
            const ShellOutcome r = runner(project + " --no-run --size 800x400" + output, dir,
#ifndef VENDREL_SANITIZED
                                          "ulimit -v 3000000;"
#endif
                                          "timeout -s KILL 60");
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 30);
        }
    }
}

// Whether process `pid` runs the runner and catches `signal` (its handlers
// are in place), from /proc: a signal sent earlier would find the default
// action or the shell that starts it.
bool runner_catches(pid_t pid, int signal) {
    const std::string proc = "/proc/" + std::to_string(pid);
    std::error_code error;
    const std::string exe = std::filesystem::read_symlink(proc + "/exe", error).string();
    if (error || exe.find("vendrel-run") == std::string::npos) {
        return false;
    }
    const std::string status = testing::read_file(proc + "/status");
    const std::size_t at = status.find("SigCgt:");
    if (at == std::string::npos) {
        return false;
    }
    const unsigned long long caught = std::strtoull(status.c_str() + at + 7, nullptr, 16);
    return (caught >> (signal - 1)) & 1u;
}

TEST_F(RunnerInputs, StopSignalsEndEveryPhaseAtOnce) {
    struct Case {
        const char* name;
        std::string args;
        int signal;
        double after;  // seconds after the handlers are in place
    };
    const std::string big = " --size 10000x10000";
    const std::string project = save("p.vdl", *project_);
    const Case cases[] = {
        {"during the run",
         "--set totaltime=1e9 --set display_inc=1e7 --threads 1 -o " + dir.file("a.vdl"), SIGTERM,
         0.5},
        {"while a picture is drawn", project + " --no-run --image " + dir.file("a.png") + big,
         SIGTERM, 0.5},
        {"while a figure is drawn", project + " --no-run --figure " + dir.file("a.png") + big,
         SIGINT, 0.5},
        {"while a Wheeler diagram is encoded",
         project + " --no-run --wheeler " + dir.file("a.png") + big, SIGTERM, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string command = std::string("exec ") + VENDREL_RUN_PATH + " " + c.args +
                                        " >/dev/null 2>" + dir.file("stderr.txt");
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (!runner_catches(child, c.signal) && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(c.after));
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, WNOHANG), 0) << "ended before the signal";
        ::kill(child, c.signal);
        const auto sent = Clock::now();
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const double took = std::chrono::duration<double>(Clock::now() - sent).count();
        // A second, with room for a loaded machine.
        EXPECT_LT(took, 5.0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 130);
        const std::string err = testing::read_file(dir.file("stderr.txt"));
        EXPECT_EQ(err, "vendrel-run: interrupted; nothing saved\n");
        for (const char* name : {"a.vdl", "a.png"}) {
            EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
        }
    }
    // Only the project, the captured stderr: no temporaries left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2);
}

// Numbers that are not finite are opened as stored, with one warning;
// --check fails on them.
TEST_F(RunnerInputs, NumbersThatAreNotFiniteAreOpenedWithOneWarning) {
    const std::string odd = save("odd.vdl", with_value(with_value(*project_, "x_values", "nan", 2),
                                                       "sealevel_values", "inf"));
    const std::string copy = dir.file("copy.vdl");
    const ShellOutcome opened = runner(odd + " --no-run -o " + copy, dir);
    EXPECT_EQ(opened.status, 0) << opened.err;
    EXPECT_EQ(opened.err,
              "vendrel-run: warning: odd.vdl: values that are not finite: parameters none; 0 "
              "horizon values; x_values of 1 column; sealevel_values of 1 horizon\n");
    EXPECT_EQ(testing::read_file(copy), testing::read_file(odd)) << "opened as stored";

    const ShellOutcome checked = runner("--check " + odd, dir);
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.err.find("odd.vdl: values that are not finite: parameters none; 0 horizon "
                               "values; x_values of 1 column; sealevel_values of 1 horizon"),
              std::string::npos)
        << checked.err;
    EXPECT_EQ(lines_of(checked.err), 1) << checked.err;
}

// What is not a project is refused by name, by --check and by a run.
TEST_F(RunnerInputs, WhatIsNotAProjectIsRefused) {
    std::string utf16 = "\xff\xfe";
    for (const char c : *project_) {
        utf16 += c;
        utf16 += '\0';
    }
    const std::string files[] = {
        save("wide.vdl", utf16),
        save("picture.vdl", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + *project_),
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        for (const std::string& args : {"--check " + file, file + " -o " + dir.file("x.vdl")}) {
            const ShellOutcome r = runner(args, dir);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err.rfind("vendrel-run: not a Vendrel project: " +
                                      std::filesystem::path(file).filename().string() + ": line 1 ",
                                  0),
                      0u)
                << r.err;
            EXPECT_EQ(lines_of(r.err), 1) << r.err;
            EXPECT_FALSE(std::filesystem::exists(dir.file("x.vdl")));
        }
    }
}

// Too little memory is one line naming what was being built, at whatever
// point memory runs out: limits are tried from below what the program
// needs to load up to what it needs to run, in steps of 2 MB.
TEST_F(RunnerInputs, TooLittleMemoryNamesWhatWasBeingBuilt) {
#ifdef VENDREL_SANITIZED
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under a memory limit";
#endif
    const std::string project = save("p.vdl", *project_);
    const std::string out = dir.file("a.vdl");
    struct Case {
        std::string args;
        std::vector<std::string> phases;  // each met at some limit
    };
    const Case cases[] = {
        {"--set totaltime=100 --threads 1 -o " + out, {"the model", "the run"}},
        {"--check " + project, {"the project read from " + project}},
    };
    const std::string head = "not enough memory for ";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::set<std::string> met;
        // Runs under `limit` KB; true when the command did its work.
        auto runs_under = [&](long limit) {
            SCOPED_TRACE(limit);
            const ShellOutcome r = runner(c.args, dir, "ulimit -v " + std::to_string(limit) + ";");
            if (r.status == 0 || r.status == 127) {  // 127: the libraries did not load
                std::filesystem::remove(out);
                return r.status == 0;
            }
            // "vendrel-run: not enough memory for the model", or for an
            // output: "vendrel-run: cannot save a.vdl: not enough memory
            // for the --out output".
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_EQ(r.err.rfind("vendrel-run: ", 0), 0u) << r.err;
            EXPECT_EQ(lines_of(r.err), 1) << r.err;
            const std::size_t at = r.err.find(head);
            EXPECT_NE(at, std::string::npos) << r.err;
            if (at != std::string::npos) {
                // What follows, without the line feed and any " (reason)".
                const std::string what =
                    r.err.substr(at + head.size(), r.err.size() - at - head.size() - 1);
                met.insert(what.substr(0, what.find(" (")));
            }
            EXPECT_FALSE(std::filesystem::exists(out));
            return false;
        };
        // In steps of 4 MB up to the first limit that suffices, then in
        // steps of 256 KB over the 8 MB below it, where the run's own
        // needs (its tables and threads) fall.
        long enough = 60000;
        while (enough <= 400000 && !runs_under(enough)) {
            enough += 4000;
        }
        ASSERT_LE(enough, 400000) << "the command needs more than 400 MB";
        for (long limit = enough - 8000; limit < enough; limit += 256) {
            runs_under(limit);
        }
        for (const std::string& phase : c.phases) {
            EXPECT_EQ(met.count(phase), 1u) << phase;
        }
    }
}

}  // namespace
}  // namespace vendrel
