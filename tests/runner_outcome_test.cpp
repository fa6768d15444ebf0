// What vendrel-run and vendrel-sweep tell their caller: the exit status of
// each outcome, and names (which are bytes) printed escaped on one line.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/test_support.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::shell_quoted;
using testing::TempDir;
using testing::write_file;

using Outcome = testing::ShellOutcome;

// Runs `prefix program args` in a shell.
Outcome run_program(const std::string& program, const std::string& args, const TempDir& dir,
                    const std::string& prefix = "") {
    return testing::run_in_shell(prefix + " " + program + " " + args, dir);
}

Outcome run_runner(const std::string& args, const TempDir& dir, const std::string& prefix = "") {
    return run_program(VENDREL_RUN_PATH, args, dir, prefix);
}

int line_count(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

bool has_temporaries(const TempDir& dir) {
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.path().filename().string().rfind(".vendrel-save-", 0) == 0) {
            return true;
        }
    }
    return false;
}

// Each row of the runner's exit-status table, as --help and the README give
// it, with the outcome that leads to it.
TEST(RunnerExitStatus, EveryRowOfTheTable) {
    const std::string run = "--quiet --threads 1 --set totaltime=400 --set display_inc=100 ";
    struct Case {
        const char* name;
        std::string prefix;
        std::string args;
        int status;
        const char* message;  // in the one line on stderr; "" for none
        std::function<void(const TempDir&, const Outcome&)> check;
    };
    const auto kept = [](const TempDir& dir, const Outcome&) {
        EXPECT_EQ(read_file(dir.file("good.vdl")), "old");
    };
    const Case cases[] = {
        {"done", "", run + "--out good.vdl", 0, "",
         [](const TempDir& dir, const Outcome& r) {
             EXPECT_NE(read_file(dir.file("good.vdl")), "old");
             EXPECT_EQ(r.out.rfind("vendrel-run: 400 steps, 5 horizons, ", 0), 0u) << r.out;
             EXPECT_TRUE(r.out.ends_with(" s; saved good.vdl\n")) << r.out;
         }},
        {"done, a hard link split", "ln good.vdl other.vdl &&", run + "--out good.vdl", 0,
         "note: good.vdl had other hard links; they keep the old contents",
         [](const TempDir& dir, const Outcome&) {
             EXPECT_EQ(read_file(dir.file("other.vdl")), "old");
             EXPECT_NE(read_file(dir.file("good.vdl")), "old");
         }},
        {"failed: a full device", "", run + "--out good.vdl --csv /dev/full", 1,
         "cannot save /dev/full: No space left on device", kept},
        // The reader opens the pipe and leaves before a byte is written.
        {"failed: the pipe's reader left", "mkfifo pipe && (timeout 20 sh -c ': <pipe' &) &&",
         run + "--out good.vdl --csv pipe", 1, "cannot save pipe: Broken pipe", kept},
        {"bad command line", "", run + "--frobnicate --out good.vdl", 2, "unknown option", kept},
        {"bad command line: a parameter", "", run + "--set nokey=1 --out good.vdl", 2,
         "unknown parameter", kept},
        // Standard output has the project when /dev/full fails.
        {"failed after saving some outputs", "", run + "--out - --csv /dev/full", 3,
         "cannot save /dev/full: No space left on device (already saved: -)",
         [](const TempDir&, const Outcome& r) {
             EXPECT_EQ(r.out.rfind("baselevel ", 0), 0u) << r.out.substr(0, 100);
         }},
        {"interrupted run", "timeout --preserve-status -s INT 3",
         "--quiet --threads 1 --set totaltime=1e9 --set display_inc=1e7 --out good.vdl --image "
         "a.png",
         130, "interrupted; nothing saved", kept},
        // Nobody opens the pipe: the runner waits for a reader until stopped.
        {"interrupted waiting for a pipe's reader",
         "mkfifo pipe && timeout --preserve-status -s TERM 3", run + "--out good.vdl --csv pipe",
         130, "interrupted; nothing saved", kept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        write_file(dir.file("good.vdl"), "old");
        const Outcome r = run_runner(c.args, dir, "cd " + dir.path() + " && " + c.prefix);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (*c.message == '\0') {
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
            EXPECT_EQ(line_count(r.err), 1) << r.err;
        }
        EXPECT_FALSE(fs::exists(dir.file("a.png")));
        EXPECT_FALSE(has_temporaries(dir));
        c.check(dir, r);
    }

    TempDir dir;
    const std::string help = run_runner("--help", dir).out;
    EXPECT_NE(
        help.find("Exit status: 0 done, 1 failed (nothing saved), 2 bad command line or\n"
                  "parameters that cannot run, 3 failed after saving some outputs (the error\n"
                  "names them), 130 interrupted (nothing saved).\n"),
        std::string::npos)
        << help;
}

// Names given on the command line are the files opened and saved, byte for
// byte, whatever they hold; printed, they are escaped and stay on one line.
TEST(RunnerNames, NamesAreBytesAndPrintedEscaped) {
    TempDir dir;
    // Read as UTF-8, "\xff\xfe" would become U+FFFD twice: that file must
    // stay as it is.
    const std::string decoy = dir.file("\xef\xbf\xbd\xef\xbf\xbd.vdl");
    write_file(decoy, "decoy");
    struct Case {
        std::string name;
        std::string printed;
    };
    const Case cases[] = {
        {"\xff\xfe.vdl", "\\xff\\xfe.vdl"},
        {"two\nlines.vdl", "two\\nlines.vdl"},
        {"\x1b[2J\x1b[31mred.vdl", "\\x1b[2J\\x1b[31mred.vdl"},
        {"tab\tand 'quote'.vdl", "tab\\tand 'quote'.vdl"},
        {"caf\xc3\xa9.vdl", "caf\xc3\xa9.vdl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        const std::string path = dir.file(c.name);
        const std::string printed = dir.file(c.printed);
        Outcome r = run_runner("--no-run --out " + shell_quoted(path), dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ(r.out, "vendrel-run: 1 horizons; saved " + printed + "\n");

        // Read back: checked, and run from.
        r = run_runner("--check " + shell_quoted(path), dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind(printed + ": 1 horizons", 0), 0u) << r.out;
        EXPECT_EQ(line_count(r.out), 1) << r.out;
        r = run_runner(shell_quoted(path) + " --no-run --summary " + shell_quoted(path + ".json"),
                       dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::is_regular_file(path + ".json"));

        // Errors name it escaped, on one line.
        struct Refused {
            std::string args;
            int status;
            std::string message;
        };
        const Refused refused[] = {
            {shell_quoted(path + ".none") + " --out " + shell_quoted(dir.file("x.vdl")), 1,
             "cannot open " + printed + ".none"},
            {"--out " + shell_quoted(dir.file("none/" + c.name)), 1,
             "cannot save " + dir.file("none/" + c.printed)},
            {"--out " + shell_quoted(path + ".png"), 2,
             printed + ".png: the name must end in .vdl"},
            {"--set " + shell_quoted(c.name + "=1") + " --out " + shell_quoted(dir.file("x.vdl")),
             2, c.printed},
        };
        for (const Refused& bad : refused) {
            SCOPED_TRACE(bad.args);
            r = run_runner(bad.args, dir);
            EXPECT_EQ(r.status, bad.status);
            EXPECT_NE(r.err.find(bad.message), std::string::npos) << r.err;
            EXPECT_EQ(line_count(r.err), 1) << r.err;
            EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(read_file(decoy), "decoy");
    EXPECT_FALSE(fs::exists(dir.file("x.vdl")));
}

TEST(SweepNames, NamesAreBytesAndPrintedEscaped) {
    TempDir dir;
    const std::string manifest = dir.file("m\xff.csv");
    write_file(manifest, "run,totaltime,display_inc\na,200,100\n");
    const std::string out = dir.file("out\xfe\nsweep");
    Outcome r = run_program(VENDREL_SWEEP_PATH,
                            shell_quoted(manifest) + " --jobs 1 --out " + shell_quoted(out), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* name : {"a.vdl", "a.json", "manifest.csv", "summary.csv"}) {
        EXPECT_TRUE(fs::is_regular_file(out + "/" + name)) << name;
    }
    EXPECT_NE(r.out.find("summary in " + dir.file("out\\xfe\\nsweep") + "/summary.csv\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(line_count(r.out), 1) << r.out;

    r = run_program(VENDREL_SWEEP_PATH,
                    shell_quoted(dir.file("none\x1b[2J.csv")) + " --out " + shell_quoted(out), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("none\\x1b[2J.csv"), std::string::npos) << r.err;
    EXPECT_EQ(line_count(r.err), 1) << r.err;
}

}  // namespace
}  // namespace vendrel
