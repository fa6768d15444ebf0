#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/parameter_assignment.h"
#include "cli/run_options.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

TEST(AssignParameter, StoresOnlyTheNamedValue) {
    ModelParameters p = testing::document_parameters();
    DisplaySettings d;
    const ModelParameters before = p;
    assign_parameter(p, d, "max_x", "3000");
    EXPECT_EQ(p.max_x, 3000);
    EXPECT_EQ(p.fault1, before.fault1);
    EXPECT_EQ(p.control_x[9], before.control_x[9]);

    assign_parameter(p, d, "depths", "0,1,2,3,4,5,6,7.5");
    EXPECT_EQ(p.depths[7], 7.5);
    assign_parameter(p, d, "depths_3", "2.5");
    EXPECT_EQ(p.depths[2], 2.5);
    EXPECT_EQ(p.depths[3], 3);
    assign_parameter(p, d, "control_x_10", "1999");
    EXPECT_EQ(p.control_x[9], 1999);
    assign_parameter(p, d, "includecompact", "1");
    EXPECT_EQ(p.includecompact, 1);
    assign_parameter(p, d, "poro3", "0.35");
    EXPECT_EQ(d.poro3, 0.35);
    assign_parameter(p, d, "every_step", "3");
    EXPECT_EQ(d.every_step, 3);
    assign_parameter(p, d, "slip1", "+1e-1");
    EXPECT_EQ(p.slip1, 0.1);
    assign_parameter(p, d, "amp_2", "7");
    EXPECT_EQ(p.amp_2, 7);
}

TEST(AssignParameter, RefusesWhatItCannotStore) {
    struct Case {
        const char* key;
        const char* value;
        const char* message;
    };
    const Case cases[] = {
        {"no_such_key", "1", "unknown parameter \"no_such_key\""},
        {"depths_0", "1", "unknown parameter"},
        {"depths_9", "1", "unknown parameter"},
        {"depths_03", "1", "unknown parameter"},
        {"max_x_1", "1", "unknown parameter"},
        {"totaltime", "", "expected a number"},
        {"totaltime", "12abc", "expected a number"},
        {"totaltime", "1,5", "expected a number"},
        {"includecompact", "1.5", "expected a whole number"},
        {"every_step", "99999999999", "expected a whole number"},
        {"depths", "0,5,10", "expected 8 numbers"},
        {"control_x", "1,2,3,4,5,6,7,8,9,x", "numbers separated by commas"},
        {"slip1", "+-1", "expected a number"},
        {"amp_2", "nan", "not a finite number"},
        {"basin_threshold", "inf", "not a finite number"},
        {"totaltime", "1e400", "not a finite number"},
        {"rates_4", "-inf", "not a finite number"},
        {"depths", "0,5,10,15,nan,30,40,50", "not a finite number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + std::string("=") + c.value);
        ModelParameters p = testing::document_parameters();
        DisplaySettings d;
        const ModelParameters before = p;
        try {
            assign_parameter(p, d, c.key, c.value);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(p.depths, before.depths) << "nothing stored";
    }
}

TEST(RunOptions, CommandLines) {
    const RunOptions o =
        parse_run_options({"--set", "totaltime=100", "--threads", "2", "--out", "a.vdl"});
    ASSERT_EQ(o.settings.size(), 1u);
    EXPECT_EQ(o.settings[0].first, "totaltime");
    EXPECT_EQ(o.settings[0].second, "100");
    EXPECT_EQ(o.threads, 2);
    EXPECT_EQ(o.out, "a.vdl");

    const std::vector<std::vector<std::string>> bad = {
        {"--out"},
        {"--bogus", "--out", "a"},
        {"--set", "x", "--out", "a"},
        {"--threads", "-1", "--out", "a"},
        {"--threads", "many", "--out", "a"},
        {"--threads", "100000", "--out", "a"},
        {"--set", "a=1"},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(parse_run_options(args), UsageError) << args[0];
    }
}

// Runs vendrel-run with `args`; returns its exit status and stderr.
std::pair<int, std::string> run_cli(const std::string& args, const testing::TempDir& dir) {
    const std::string err = dir.file("stderr.txt");
    const std::string command = std::string(VENDREL_RUN_PATH) + " " + args + " >/dev/null 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::read_file(err)};
}

TEST(VendrelRun, RunsAndSaves) {
    testing::TempDir dir;
    const std::string out = dir.file("short.vdl");
    const auto [status, err] =
        run_cli("--set totaltime=2000 --set display_inc=500 --threads 1 --out " + out, dir);
    EXPECT_EQ(status, 0) << err;
    const std::string text = testing::read_file(out);
    EXPECT_NE(text.find("display_current_disp 5\r\n"), std::string::npos);
    EXPECT_NE(text.find("totaltime 2000.000000\r\n"), std::string::npos);
}

TEST(VendrelRun, BadInputWritesNothing) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    testing::write_file(dir.file("notes.txt"), "field notes\nnot a project\n");
    const std::string out = dir.file("x.vdl");
    struct Case {
        std::string args;
        const char* message;
    };
    const Case cases[] = {
        {"--set nokey=1 --out " + out, "unknown parameter"},
        {"--set totaltime=abc --out " + out, "expected a number"},
        {"--set depths=1,2 --out " + out, "expected 8 numbers"},
        {"--threads 9999 --out " + out, "--threads expects"},
        {"--out " + dir.file("missing/x.vdl"), "cannot save"},
        {"--out " + dir.file("folder"), "Is a directory"},
        {"--frobnicate --out " + out, "unknown option"},
        {dir.file("none.vdl") + " --out " + out, "cannot open"},
        {dir.file("folder") + " --out " + out, "Is a directory"},
        {dir.file("notes.txt") + " --out " + out, "notes.txt: line 3: expected 1 value"},
        {"--set totaltime=10 --out /proc/vendrel-test.vdl", "cannot save /proc/vendrel-test.vdl"},
        {"--check /dev/zero", "cannot open /dev/zero: not a regular file"},
        {"/dev/zero --out " + out, "cannot open /dev/zero: not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const auto [status, err] = run_cli(c.args, dir);
        EXPECT_NE(status, 0);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

TEST(VendrelRun, ProjectsInAndOut) {
    testing::TempDir dir;
    const std::string first = dir.file("first.vdl");
    const std::string copy = dir.file("copy.vdl");
    const std::string rerun = dir.file("rerun.vdl");
    ASSERT_EQ(
        run_cli("--set totaltime=1000 --set display_inc=250 --set slip1=3 --out " + first, dir)
            .first,
        0);

    // Opened and saved unrun: the same bytes.
    auto [status, err] = run_cli(first + " --no-run --out " + copy, dir);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(testing::read_file(copy), testing::read_file(first));

    // --set without running changes the parameter line only.
    std::tie(status, err) = run_cli(first + " --no-run --set slip2=4 --out " + copy, dir);
    EXPECT_EQ(status, 0) << err;
    const std::string changed = testing::read_file(copy);
    EXPECT_NE(changed.find("slip2 4.000000\r\n"), std::string::npos);
    EXPECT_EQ(changed.size(), testing::read_file(first).size());

    // A run from the project keeps its parameters.
    std::tie(status, err) = run_cli(first + " --set display_inc=500 --out " + rerun, dir);
    EXPECT_EQ(status, 0) << err;
    const std::string text = testing::read_file(rerun);
    EXPECT_NE(text.find("slip1 3.000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("display_current_disp 3\r\n"), std::string::npos);
}

// "-" writes the project to standard output (the summary then goes to
// stderr); a device is written into; a read-only project is not replaced.
TEST(VendrelRun, OutputsThatAreNotPlainFiles) {
    testing::TempDir dir;
    const std::string out = dir.file("stdout.vdl");
    const std::string err = dir.file("stderr.txt");
    const std::string command = std::string(VENDREL_RUN_PATH) +
                                " --set totaltime=400 --set display_inc=100 --out - >" + out +
                                " 2>" + err;
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    EXPECT_EQ(testing::read_file(out).rfind("baselevel 250.000000\r\n", 0), 0u);
    EXPECT_NE(testing::read_file(out).find("display_current_disp 5\r\n"), std::string::npos);
    EXPECT_NE(testing::read_file(err).find("saved -"), std::string::npos);

    auto [status, message] = run_cli("--set totaltime=100 --out /dev/null", dir);
    EXPECT_EQ(status, 0) << message;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    const std::string locked = dir.file("locked.vdl");
    testing::write_file(locked, "kept");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    std::tie(status, message) = run_cli("--set totaltime=100 --out " + locked, dir);
    EXPECT_NE(status, 0);
    EXPECT_NE(message.find("cannot save " + locked + ": "), std::string::npos) << message;
    EXPECT_EQ(testing::read_file(locked), "kept");
}

TEST(VendrelRun, CheckReportsOneLine) {
    testing::TempDir dir;
    const std::string good = dir.file("good.vdl");
    ASSERT_EQ(run_cli("--set totaltime=400 --set display_inc=100 --out " + good, dir).first, 0);
    const std::string out = dir.file("check.txt");
    const std::string command =
        std::string(VENDREL_RUN_PATH) + " --check " + good + " >" + out + " 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    EXPECT_NE(testing::read_file(out).find("5 horizons"), std::string::npos);

    const std::string text = testing::read_file(good);
    const std::string bad = dir.file("bad.vdl");
    testing::write_file(bad, text.substr(0, text.size() - 40));
    const auto [status, err] = run_cli("--check " + bad, dir);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("bad.vdl: line 12054: expected 1 value after \"antithetic1\""),
              std::string::npos)
        << err;
    const auto [missing_status, missing_err] = run_cli("--check " + dir.file("none.vdl"), dir);
    EXPECT_EQ(missing_status, 1);
    EXPECT_NE(missing_err.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace vendrel
