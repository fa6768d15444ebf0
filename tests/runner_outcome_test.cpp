// What vendrel-run and vendrel-sweep tell their caller: names (which are
// bytes) printed escaped on one line.

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

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `prefix program args` in a shell; stdout and stderr kept apart.
Outcome run_program(const std::string& program, const std::string& args, const TempDir& dir,
                    const std::string& prefix = "") {
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const std::string command = prefix + " " + program + " " + args + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err)};
}

Outcome run_runner(const std::string& args, const TempDir& dir, const std::string& prefix = "") {
    return run_program(VENDREL_RUN_PATH, args, dir, prefix);
}

int line_count(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
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
