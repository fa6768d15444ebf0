// vendrel-run's data outputs: --netcdf, --csv, --well and --wells-csv, with
// and without a run, and the command lines it refuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/test_support.h"

namespace vendrel {
namespace {

using testing::ShellOutcome;

ShellOutcome vendrel_run(const std::string& args, const testing::TempDir& dir) {
    return testing::run_in_shell(std::string(VENDREL_RUN_PATH) + " " + args, dir);
}

TEST(VendrelRunExport, WritesWhatAReaderAccepts) {
    testing::TempDir dir;
    const std::string nc = dir.file("run.nc");
    const std::string csv = dir.file("run.csv");
    const std::string wells = dir.file("wells.csv");
    const std::string vdl = dir.file("run.vdl");
    const std::string run =
        "--set totaltime=2000 --set display_inc=250 --set includecompact=1 "
        "--set slip1=1 --set slip2=0.5 --threads 1 ";
    ShellOutcome o = vendrel_run(run + "--out " + vdl + " --netcdf " + nc + " --csv " + csv +
                                     " --well 1200 --well 40.5 --wells-csv " + wells,
                                 dir);
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    o = testing::run_in_shell(std::string(VENDREL_PYTHON) + " " + VENDREL_EXPORT_CHECK + " --nc " +
                                  nc + " --vdl " + vdl + " --tolerance 5e-7 --csv " + csv +
                                  " --wells-csv " + wells + " --wells 1200,40.5 --horizons 9",
                              dir);
    EXPECT_EQ(o.status, 0) << o.out << o.err;

    // Two processes, the same command: the same bytes (no dates, nothing
    // left over from memory). Run in two folders, so that the command line
    // the file records is the same.
    for (const char* folder : {"a", "b"}) {
        std::filesystem::create_directory(dir.file(folder));
        o = testing::run_in_shell(std::string("cd ") + dir.file(folder) + " && " +
                                      VENDREL_RUN_PATH + " " + run + "--netcdf same.nc --well 1200",
                                  dir);
        ASSERT_EQ(o.status, 0) << o.out << o.err;
    }
    EXPECT_TRUE(testing::read_file(dir.file("a/same.nc")) ==
                testing::read_file(dir.file("b/same.nc")));

    // From the saved project, without a run: the NetCDF file alone.
    const std::string saved = dir.file("saved.nc");
    o = vendrel_run(vdl + " --no-run --netcdf " + saved, dir);
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("saved.vdl")));
    o = testing::run_in_shell(std::string(VENDREL_PYTHON) + " " + VENDREL_EXPORT_CHECK + " --nc " +
                                  saved + " --vdl " + vdl + " --tolerance 1e-9 --horizons 9",
                              dir);
    EXPECT_EQ(o.status, 0) << o.out << o.err;
}

TEST(VendrelRunExport, RefusedCommandsWriteNothing) {
    testing::TempDir dir;
    const std::string out = dir.file("x.vdl");
    const std::string nc = dir.file("x.nc");
    const std::string csv = dir.file("x.csv");
    struct Case {
        std::string args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"--out " + out + " --netcdf " + nc + " --well 2000.5", 2,
         "well at x = 2000.5 m is outside the section (0 to 2000 m)"},
        {"--set max_x=1000 --netcdf " + nc + " --well 1500", 2,
         "well at x = 1500 m is outside the section (0 to 1000 m)"},
        {"--netcdf " + nc + " --well -1", 2, "outside the section"},
        {"--netcdf " + nc + " --well west", 2, "--well expects a position in metres"},
        {"--out " + out + " --well 100", 2,
         "--well needs --netcdf, --wells-csv or --trajectory, or --mark wells"},
        {"--figure " + dir.file("f.png") + " --well 100 --mark trajectory", 2,
         "--well needs --netcdf, --wells-csv or --trajectory, or --mark wells"},
        {"--out " + out + " --mark trajectory", 2, "--mark needs --figure or --wheeler"},
        {"--figure " + dir.file("f.png") + " --mark wells", 2,
         "--mark wells needs at least one --well X"},
        {"--figure " + dir.file("f.png") + " --mark ages=0", 2,
         "--mark ages=N expects a whole number from 1 to 500"},
        {"--wheeler " + dir.file("w.png") + " --mark shoreline", 2,
         "--mark expects trajectory, sea-level, wells or ages=N"},
        {"--wells-csv " + csv, 2, "--wells-csv needs at least one --well"},
        {"--set totaltime=100", 2, "no output"},
        {"--out " + out + " --netcdf " + dir.file("missing/x.nc"), 1, "cannot save"},
        {"--csv " + csv + " --netcdf " + dir.file("missing/x.nc"), 1, "cannot save"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        // Refused before the run: only the error line is printed.
        const ShellOutcome o = vendrel_run("--set totaltime=1000 " + c.args, dir);
        EXPECT_EQ(o.status, c.status);
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_EQ(o.out, "");
        for (const std::string& file : {out, nc, csv}) {
            EXPECT_FALSE(std::filesystem::exists(file)) << file;
        }
    }
}

// Marks are drawn only when asked: the same run without --mark gives the
// figures of before, with every mark other bytes.
TEST(VendrelRunExport, MarksOnTheFiguresOnlyWhenAsked) {
    testing::TempDir dir;
    const std::string run = "--set totaltime=2000 --set display_inc=500 ";
    ShellOutcome o =
        vendrel_run(run + "--figure " + dir.file("plain.png") + " --wheeler " +
                        dir.file("plain-w.png") + " --well 100 --netcdf " + dir.file("x.nc"),
                    dir);
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    o = vendrel_run(run + "--figure " + dir.file("marked.png") + " --wheeler " +
                        dir.file("marked-w.png") +
                        " --well 100 --mark wells --mark trajectory --mark sea-level --mark ages=2",
                    dir);
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_NE(testing::read_file(dir.file("plain.png")),
              testing::read_file(dir.file("marked.png")));
    EXPECT_NE(testing::read_file(dir.file("plain-w.png")),
              testing::read_file(dir.file("marked-w.png")));
}

}  // namespace
}  // namespace vendrel
