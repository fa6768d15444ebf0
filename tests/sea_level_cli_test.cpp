// vendrel-run with a measured sea-level curve: --sea-level, a parameter
// file's sea_level_file, --no-sea-level-file, the refusals and the exports.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/test_support.h"

namespace vendrel {
namespace {

using Outcome = testing::ShellOutcome;

// Runs `command` in `dir` through the shell.
Outcome run_in(const std::string& command, const testing::TempDir& dir) {
    return testing::run_in_shell("cd " + dir.path() + " && " + command, dir);
}

Outcome vendrel_run(const std::string& args, const testing::TempDir& dir) {
    return run_in(std::string(VENDREL_RUN_PATH) + " " + args, dir);
}

const std::string kShortRun = "--set totaltime=4000 --set display_inc=500 --threads 1 --quiet ";

class SeaLevelRunner : public ::testing::Test {
  protected:
    testing::TempDir dir;
    void SetUp() override {
        std::filesystem::create_directory(dir.file("sub"));
        testing::write_file(dir.file("sub/c.csv"), "time_kyr,sea_level_m\n0,0\n1.5,-20\n4,15.25\n");
        testing::write_file(dir.file("ages.csv"), "age_ka,sea_level_m\n4,0\n2.5,-20\n0,15.25\n");
        testing::write_file(dir.file("short.csv"), "time_kyr,sea_level_m\n0,0\n2,1\n");
        testing::write_file(dir.file("bad.csv"), "time_kyr,sea_level_m\n0,0\n2,1\n1,1\n");
        testing::write_file(dir.file("sub/p.toml"), "sea_level_file = \"c.csv\"\n");
    }
};

TEST_F(SeaLevelRunner, WhereTheCurveComesFrom) {
    struct Case {
        std::string args;
        int status;
        std::string message;  // in stderr, or the curve --json names
    };
    const Case cases[] = {
        {"--sea-level sub/c.csv", 0, "\"sea_level_file\":\"c.csv\""},
        {"--sea-level ages.csv", 0, "\"sea_level_file\":\"ages.csv\""},
        {"--params sub/p.toml", 0, "\"sea_level_file\":\"c.csv\""},
        {"--params sub/p.toml --sea-level ages.csv", 0, "\"sea_level_file\":\"ages.csv\""},
        {"--params sub/p.toml --no-sea-level-file", 0, "\"sea_level_file\":null"},
        {"", 0, "\"sea_level_file\":null"},
        {"--sea-level short.csv", 2,
         "vendrel-run: cannot run: the sea-level curve short.csv covers 0 to 2 kyr of the run, "
         "not 0 to 4 kyr (totaltime)\n"},
        {"--sea-level bad.csv", 2, "--sea-level: bad.csv: line 4: a time before the previous one"},
        {"--sea-level missing.csv", 2, "--sea-level: cannot open missing.csv"},
        {"--sea-level sub/c.csv --no-sea-level-file", 2, "exclude each other"},
        {"--set sea_level_file=sub/c.csv", 2, "name the curve with --sea-level"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::filesystem::remove(dir.file("out.vdl"));
        const Outcome o = vendrel_run(kShortRun + c.args + " --json --out out.vdl", dir);
        ASSERT_EQ(o.status, c.status) << o.err;
        if (c.status == 0) {
            EXPECT_NE(o.out.find(c.message), std::string::npos) << o.out;
            const bool curve = c.message.find("null") == std::string::npos;
            EXPECT_EQ(testing::read_file(dir.file("out.vdl")).find("\r\nsea_level_curve ") !=
                          std::string::npos,
                      curve);
        } else {
            EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
            EXPECT_FALSE(std::filesystem::exists(dir.file("out.vdl")));
        }
    }
}

// Times and ages describe the same curve; a saved project runs as the CSV
// did; --no-run keeps it byte for byte and --no-sea-level-file drops it.
TEST_F(SeaLevelRunner, SavedCurveRunsAsTheFileDid) {
    ASSERT_EQ(vendrel_run(kShortRun + "--sea-level sub/c.csv --out a.vdl", dir).status, 0);
    ASSERT_EQ(vendrel_run(kShortRun + "--sea-level ages.csv --out b.vdl", dir).status, 0);
    const std::string a = testing::read_file(dir.file("a.vdl"));
    std::string b = testing::read_file(dir.file("b.vdl"));
    const std::size_t name = b.find("ages.csv");
    ASSERT_NE(name, std::string::npos);
    EXPECT_TRUE(b.replace(name, 8, "c.csv") == a);

    ASSERT_EQ(vendrel_run("a.vdl --threads 1 --quiet --out again.vdl", dir).status, 0);
    EXPECT_TRUE(testing::read_file(dir.file("again.vdl")) == a);
    ASSERT_EQ(vendrel_run("a.vdl --no-run --out same.vdl", dir).status, 0);
    EXPECT_TRUE(testing::read_file(dir.file("same.vdl")) == a);
    ASSERT_EQ(vendrel_run("a.vdl --no-run --no-sea-level-file --out plain.vdl", dir).status, 0);
    EXPECT_TRUE(testing::read_file(dir.file("plain.vdl")) ==
                a.substr(0, a.find("sea_level_curve")));
}

TEST_F(SeaLevelRunner, NetcdfRecordsTheCurve) {
    Outcome o = vendrel_run(kShortRun + "--sea-level sub/c.csv --netcdf r.nc", dir);
    ASSERT_EQ(o.status, 0) << o.err;
    o = run_in("ncdump -v forcing_time,sea_level_forcing r.nc", dir);
    ASSERT_EQ(o.status, 0) << o.err;
    for (const char* text :
         {"forcing_time = 3 ;", "double sea_level_forcing(forcing_time) ;",
          "sea_level_forcing:source_file = \"c.csv\" ;", "sea_level_forcing:units = \"m\" ;",
          "forcing_time = 0, 1.5, 4 ;", "sea_level_forcing = 0, -20, 15.25 ;"}) {
        EXPECT_NE(o.out.find(text), std::string::npos) << text << "\n" << o.out;
    }
    ASSERT_EQ(vendrel_run(kShortRun + "--netcdf plain.nc", dir).status, 0);
    o = run_in("ncdump -h plain.nc", dir);
    EXPECT_EQ(o.out.find("forcing"), std::string::npos);
}

// A sweep's sea_level_file column: relative to the manifest, each distinct
// file copied into the sweep's folder, an empty field for the sinusoids.
TEST_F(SeaLevelRunner, SweepRunsEachRowsCurve) {
    testing::write_file(dir.file("sub/m.csv"),
                        "run,totaltime,display_inc,sea_level_file\n"
                        "r1,4000,500,c.csv\n"
                        "r2,4000,500,\n"
                        "r3,4000,500,c.csv\n"
                        "r4,4000,500,../ages.csv\n");
    Outcome o = run_in(std::string(VENDREL_SWEEP_PATH) + " sub/m.csv --out out --jobs 1", dir);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(testing::read_file(dir.file("out/sea-level-1/c.csv")) ==
                testing::read_file(dir.file("sub/c.csv")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/sea-level-2/ages.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/sea-level-3")));
    const auto curve_line = [&](const char* run) {
        const std::string text = testing::read_file(dir.file(std::string("out/") + run + ".vdl"));
        const std::size_t at = text.find("\r\nsea_level_curve ");
        return at == std::string::npos ? std::string("none")
                                       : text.substr(at + 2, text.find('\r', at + 2) - at - 2);
    };
    EXPECT_EQ(curve_line("r1"), "sea_level_curve c.csv 3");
    EXPECT_EQ(curve_line("r2"), "none");
    EXPECT_EQ(curve_line("r3"), "sea_level_curve c.csv 3");
    EXPECT_EQ(curve_line("r4"), "sea_level_curve ages.csv 3");

    // A file that does not read is refused before anything runs, naming the
    // row and the column.
    testing::write_file(dir.file("sub/bad.csv"),
                        "run,sea_level_file\nok,c.csv\nworse,../bad.csv\n");
    o = run_in(std::string(VENDREL_SWEEP_PATH) + " sub/bad.csv --out out2 --jobs 1", dir);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("sub/bad.csv: line 3, column 2 (\"sea_level_file\"): bad.csv: line 4: "
                         "a time before the previous one"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out2")));

    // So is a row whose curve (4 kyr) does not span its run.
    testing::write_file(dir.file("sub/long.csv"),
                        "run,totaltime,display_inc,sea_level_file\n"
                        "fits,4000,500,c.csv\n"
                        "too_long,6000,500,c.csv\n");
    o = run_in(std::string(VENDREL_SWEEP_PATH) + " sub/long.csv --out out3 --jobs 1", dir);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("sub/long.csv: line 3, run \"too_long\": cannot run: the sea-level curve"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out3/fits.vdl")));
}

}  // namespace
}  // namespace vendrel
