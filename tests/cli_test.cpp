#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "cli/parameter_assignment.h"
#include "cli/run_metrics.h"
#include "cli/run_options.h"
#include "core/model_state.h"
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

// The command a data export records leaves out where the outputs go, so a
// run written to other names records the same command.
TEST(RunOptions, RecordedCommandLeavesOutTheOutputs) {
    struct Case {
        std::vector<std::string> args;
        const char* command;
    };
    const Case cases[] = {
        {{"--set", "slip1=1", "--out", "a.vdl", "--netcdf", "a.nc"}, "vendrel-run --set slip1=1"},
        {{"p.vdl", "--no-run", "--netcdf=p.nc", "-o", "x.vdl"}, "vendrel-run p.vdl --no-run"},
        {{"--csv", "r.csv", "--threads", "1", "--summary=s.json", "--out", "-"},
         "vendrel-run --threads 1"},
        {{"--out", "a.vdl", "--", "-x.vdl"}, "vendrel-run -- -x.vdl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(parse_run_options(c.args).command, c.command);
    }
}

// Every option --help lists is one the parser knows, taking a value
// exactly where --help shows one, and --help lists the options the tests
// use.
TEST(RunOptions, HelpListsWhatTheParserTakes) {
    const std::string help = usage_text();
    std::vector<std::string> listed;
    std::size_t at = 0;
    while ((at = help.find("\n  ", at)) != std::string::npos) {
        at += 3;
        std::string names = help.substr(at, help.find("  ", at) - at);
        if (names.rfind("-", 0) != 0) {
            continue;  // a description's next line
        }
        if (names.rfind("--", 0) != 0) {
            names = names.substr(names.find(", ") + 2);  // "-o, --out FILE.vdl"
        }
        const auto space = names.find(' ');
        const std::string option = names.substr(0, space);
        listed.push_back(option);
        SCOPED_TRACE(names);
        // A flag given a value and an option without its value are refused
        // by the parser, before any check of the value itself.
        const std::string arg = space == std::string::npos ? option : option + "=v";
        try {
            parse_run_options({arg});
        } catch (const UsageError& e) {
            const std::string what = e.what();
            for (const char* refusal : {"unknown option", "Unexpected value", "Missing value"}) {
                EXPECT_EQ(what.find(refusal), std::string::npos) << what;
            }
        }
    }
    for (const char* option :
         {"--out", "--summary", "--set", "--params", "--well", "--mark", "--figure-width",
          "--check", "--list-params", "--help", "--version"}) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), option), listed.end()) << option;
    }
}

TEST(RunOptions, CommandLines) {
    const RunOptions o = parse_run_options(
        {"--set", "totaltime=100", "--threads=2", "-o", "a.vdl", "--image=b.png", "--", "-p.vdl"});
    ASSERT_EQ(o.settings.size(), 1u);
    EXPECT_EQ(o.settings[0].first, "totaltime");
    EXPECT_EQ(o.settings[0].second, "100");
    EXPECT_EQ(o.threads, 2);
    ASSERT_EQ(o.outputs.size(), 2u);
    EXPECT_EQ(o.outputs[0].kind->option, "out");
    EXPECT_EQ(o.outputs[0].path, "a.vdl");
    EXPECT_EQ(o.outputs[1].path, "b.png");
    EXPECT_EQ(o.project, "-p.vdl");
    EXPECT_TRUE(o.needs_toolkit());

    // --out becomes optional once another output is named.
    EXPECT_EQ(parse_run_options({"--pdf", "a.pdf"}).outputs.size(), 1u);
    // Options may follow the project.
    EXPECT_EQ(parse_run_options({"p.vdl", "--out", "a.vdl"}).project, "p.vdl");

    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case bad[] = {
        {{"--out"}, "Missing value after '--out'"},
        {{"--bogus", "--out", "a.vdl"}, "unknown option \"--bogus\""},
        {{"--json=1", "--out", "a.vdl"}, "Unexpected value"},
        {{"--set", "x", "--out", "a.vdl"}, "--set expects key=value"},
        {{"--threads", "-1", "--out", "a.vdl"}, "--threads expects"},
        {{"--threads", "many", "--out", "a.vdl"}, "--threads expects"},
        {{"--threads", "100000", "--out", "a.vdl"}, "--threads expects"},
        {{"--set", "a=1"}, "no output"},
        {{"--out", "a.vdl", "--out", "b.vdl"}, "--out given more than once"},
        {{"-o", "a.vdl", "--out=b.vdl"}, "--out given more than once"},
        {{"--threads", "1", "--threads", "2", "-o", "a.vdl"}, "--threads given more than once"},
        {{"--size", "10x10", "--size", "20x20", "-o", "a.vdl"}, "--size given more than once"},
        {{"--params", "a.toml", "--params", "b.toml", "-o", "a.vdl"}, "given more than once"},
        {{"a.vdl", "b.vdl", "-o", "c.vdl"}, "more than one project"},
        {{"--size", "20000x5001", "--image", "a.png"}, "limited to 100 megapixels"},
        {{"--size", "0x10", "-o", "a.vdl"}, "--size expects"},
        {{"--json", "--out", "-"}, "--json cannot share standard output"},
        {{"--out", "-", "--summary", "-"}, "only one output can go to standard output"},
        {{"--progress", "--quiet", "-o", "a.vdl"}, "exclude each other"},
        {{"--check", "a.vdl", "-o", "b.vdl"}, "--check takes"},
        {{"--list-params", "-o", "b.vdl"}, "--list-params takes"},
        {{"--out", ""}, "needs a file name"},
        {{"--figure", "a.png", "--size", "10001x10000"}, "larger than the limit of 100 megapixels"},
        {{"--figure", "a.png", "--size", "1600x800", "--dpi", "960"},
         "larger than the limit of 100 megapixels"},
        {{"--wheeler", "a.png", "--dpi", "960"}, "larger than the limit of 100 megapixels"},
        {{"--figure", "a.svg", "--figure-width", "0mm"}, "--figure-width expects"},
        {{"--figure", "a.svg", "--figure-width", "170"}, "--figure-width expects"},
        {{"--figure", "a.svg", "--figure-width", "-3cm"}, "--figure-width expects"},
        {{"--figure", "a.svg", "--figure-width", "nanmm"}, "--figure-width expects"},
        {{"--figure", "a.svg", "--figure-width", "6m"}, "--figure-width expects"},
        {{"--wheeler", "a.svg", "--style", "Report"}, "--style expects section or report"},
        {{"--figure", "a.svg", "--size", "400x300", "--figure-width", "170mm"},
         "--size and --figure-width exclude each other"},
        {{"--figure", "a.png", "--dpi", "0"}, "--dpi expects"},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        try {
            parse_run_options(c.args);
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    // Within the limit: 100 megapixels exactly, and any size for the PDF.
    EXPECT_NO_THROW(parse_run_options({"--size", "20000x5000", "--image", "a.png"}));
    EXPECT_NO_THROW(parse_run_options({"--size", "20000x20000", "--pdf", "a.pdf"}));
    EXPECT_NO_THROW(parse_run_options({"--size", "20000x20000", "--figure", "a.svg"}));
    EXPECT_EQ(parse_run_options({"--figure", "a.png", "--dpi", "192"}).figure_dpi, 192);
    // A figure's size in figure pixels (96 to the inch), half as high as
    // wide: 170 mm by default, --figure-width in mm, cm or in, or --size.
    const struct {
        std::vector<std::string> args;
        QSize figure, wheeler;
    } sizes[] = {
        {{"--figure", "a.svg"}, {643, 322}, {1600, 800}},
        {{"--figure", "a.svg", "--figure-width", "17cm"}, {643, 322}, {643, 322}},
        {{"--figure", "a.svg", "--figure-width", "85mm"}, {321, 161}, {321, 161}},
        {{"--figure", "a.svg", "--figure-width", "10in"}, {960, 480}, {960, 480}},
        {{"--figure", "a.svg", "--size", "400x300"}, {400, 300}, {400, 300}},
    };
    for (const auto& c : sizes) {
        SCOPED_TRACE(c.args.back());
        const RunOptions options = parse_run_options(c.args);
        EXPECT_EQ(figure_request(options).size, c.figure);
        EXPECT_EQ(wheeler_request(options).size, c.wheeler);
    }
    EXPECT_EQ(wheeler_request(parse_run_options({"--wheeler", "a.png", "--dpi", "192"})).dpi, 192);
    EXPECT_TRUE(parse_run_options({"--wheeler", "a.png", "--style", "report"}).report_style);
    EXPECT_FALSE(parse_run_options({"--wheeler", "a.png", "--style", "section"}).report_style);
}

TEST(RunMetrics, SmallSection) {
    // Slot 1 deepens to the right; slot 2 has 2 m of sediment on the left
    // half, none on the right half and 1 m eroded from the last column.
    ProjectData data;
    data.params.max_x = 2000;  // dx = 1 m
    data.params.max_y = 500;
    data.count = 2;
    data.x_values.assign(COLUMN_SLOTS, 0);
    data.sealevels = {0, 250, 200};
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        data.x_values[std::size_t(c)] = c - 0.5;
        const double z1 = 100 + 0.1 * c;
        const double z2 = c <= 1000 ? z1 - 2 : (c == COLUMN_COUNT ? z1 + 1 : z1);
        // Laid down on land in columns 1..250.
        data.horizons.push_back({z1, 0, 0, 0.45});
        data.horizons.push_back({z2, c <= 250 ? 0.0 : 3.0, 0, c <= 500 ? 0.4 : 0.2});
    }
    RunMetrics m = compute_run_metrics(data);
    EXPECT_EQ(m.final_sea_level, 200);
    EXPECT_EQ(m.shoreline_x, 999.5);  // column 1000: z 98.0 + 100 <= 200
    EXPECT_DOUBLE_EQ(*m.platform_top, 500 - (100.1 - 2));
    EXPECT_NEAR(m.sediment_area, 1000 * 2 - 1, 1e-9);
    EXPECT_NEAR(*m.mean_porosity, 0.3, 1e-12);  // equal thickness at 0.4 and 0.2
    // The parameters' ramp (z = c / 4) meets the sea level of time 0 (250 m
    // down) at column 1000 too, 250 m above the base; the final shoreline
    // stands at 500 - 198 m.
    EXPECT_DOUBLE_EQ(*m.progradation, 0);
    EXPECT_DOUBLE_EQ(*m.aggradation, 302 - 250);
    // Seaward of it the lowest point is column 2000, eroded to 301 m down.
    EXPECT_DOUBLE_EQ(*m.platform_margin_height, 302 - 199);
    EXPECT_NEAR(*m.carbonate_volume, 500 * 2 * 0.6 + 500 * 2 * 0.8, 1e-9);
    EXPECT_DOUBLE_EQ(*m.fraction_hiatus, 0.5);
    EXPECT_DOUBLE_EQ(*m.fraction_subaerial, 250.0 / 2000);

    data.sealevels[2] = 50;  // above every column
    m = compute_run_metrics(data);
    EXPECT_FALSE(m.shoreline_x);
    EXPECT_FALSE(m.progradation);
    EXPECT_FALSE(m.platform_margin_height);

    // Sediment only on the lower half: the highest deposit, not the
    // bare hinterland above it, is the platform top.
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        auto& top = data.horizons[std::size_t(2 * (c - 1) + 1)];
        top[0] = data.horizons[std::size_t(2 * (c - 1))][0] - (c > 1000 ? 5 : 0);
    }
    m = compute_run_metrics(data);
    EXPECT_DOUBLE_EQ(*m.platform_top, 500 - (100 + 0.1 * 1001 - 5));

    // The initial surface alone: no layer, no porosity.
    ProjectData one = data;
    one.count = 1;
    one.horizons.clear();
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        one.horizons.push_back({300, 0, 0, 0.45});
    }
    m = compute_run_metrics(one);
    EXPECT_EQ(m.sediment_area, 0);
    EXPECT_FALSE(m.mean_porosity);
    EXPECT_FALSE(m.platform_top);  // nothing deposited
    EXPECT_FALSE(m.fraction_hiatus);
    EXPECT_FALSE(m.carbonate_volume);
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

    // A stored file may hold numbers that are not finite: it reads, but the
    // check names them and fails.
    struct Case {
        const char* from;
        const char* to;
        const char* message;
    };
    const Case cases[] = {
        {"amp_2 20.000000", "amp_2 nan", "parameters amp_2; 0 horizon values"},
        {"rates 0.000000 10.000000 6.000000 3.000000", "rates 0.000000 10.000000 6.000000 inf",
         "parameters rates_4; 0 horizon values"},
        {"values 0.250000 0.000000", "values nan nan", "parameters none; 2 horizon values"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        std::string edited = text;
        const std::size_t at = edited.find(c.from);
        ASSERT_NE(at, std::string::npos);
        edited.replace(at, std::strlen(c.from), c.to);
        const std::string file = dir.file("nonfinite.vdl");
        testing::write_file(file, edited);
        const auto [s, e] = run_cli("--check " + file, dir);
        EXPECT_EQ(s, 1);
        EXPECT_NE(e.find("nonfinite.vdl: values that are not finite: " + std::string(c.message)),
                  std::string::npos)
            << e;
        EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), 1) << e;
    }
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

using Outcome = testing::ShellOutcome;

// Runs `prefix vendrel-run args` in a shell.
Outcome run_runner(const std::string& args, const testing::TempDir& dir,
                   const std::string& prefix = "") {
    return testing::run_in_shell(prefix + " " + VENDREL_RUN_PATH + " " + args, dir);
}

int line_count(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

// Every output is checked before the run; a refused command changes nothing.
TEST(RunnerOutputs, RefusedBeforeAnythingChanges) {
    testing::TempDir dir;
    const std::string project = dir.file("p.vdl");
    ASSERT_EQ(run_runner("--set totaltime=400 --set display_inc=100 -o " + project, dir).status, 0);
    const std::string before = testing::read_file(project);
    std::filesystem::create_symlink(project, dir.file("link.vdl"));
    struct Case {
        std::string args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {project + " --set totaltime=2000 --out " + project + " --image " + dir.file("p.xyz"), 2,
         "the name must end in .png"},
        {"--out " + dir.file("same.png") + " --image " + dir.file("same.png"), 2,
         "the name must end in .vdl"},
        {"--out " + dir.file("a.vdl") + " --summary " + dir.file("./a.vdl"), 1, "same file as"},
        {"--out " + dir.file("link.vdl") + " --pdf " + dir.file("x.pdf") + " --summary " + project,
         1, "same file as"},
        {"--out " + dir.file("a.vdl") + " --image " + dir.file("missing/a.png"), 1, "cannot save"},
        {"--size 20000x20000 --out " + dir.file("a.vdl") + " --image " + dir.file("a.bmp"), 2,
         "100 megapixels"},
        {project + " --set totaltime=2000 --out " + project + " --wheeler " + dir.file("w.txt"), 2,
         "the name must end in .png, .svg, .pdf"},
        {"--size 20000x20000 --wheeler " + dir.file("w.png"), 2, "100 megapixels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = run_runner(c.args, dir);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(line_count(r.err), 1) << r.err;
        EXPECT_EQ(testing::read_file(project), before);
        for (const char* name :
             {"a.vdl", "same.png", "p.xyz", "x.pdf", "a.bmp", "w.txt", "w.png"}) {
            EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
        }
    }
}

TEST(RunnerOutputs, AllOutputsTogetherAndNoToolkitChatter) {
    testing::TempDir dir;
    const std::string args = "--set totaltime=400 --set display_inc=100 -o " + dir.file("a.vdl") +
                             " --image " + dir.file("a.png") + " --pdf " + dir.file("a.pdf") +
                             " --summary " + dir.file("a.json");
    const Outcome r = run_runner(args, dir, "env -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "Qt's notes on the environment stay out of stderr";
    EXPECT_EQ(line_count(r.out), 1);
    for (const char* name : {"a.vdl", "a.png", "a.pdf", "a.json"}) {
        EXPECT_GT(std::filesystem::file_size(dir.file(name)), 100u) << name;
    }
    EXPECT_EQ(testing::read_file(dir.file("a.png")).substr(1, 3), "PNG");
    EXPECT_EQ(testing::read_file(dir.file("a.pdf")).substr(0, 4), "%PDF");
}

// The report figure in its three formats beside the project; a PNG at
// twice the resolution has twice the pixels.
TEST(RunnerOutputs, FiguresBesideTheProject) {
    testing::TempDir dir;
    const std::string args = "--set totaltime=400 --set display_inc=100 -o " + dir.file("a.vdl") +
                             " --figure " + dir.file("a.svg") + " --size 400x300 --dpi 192";
    Outcome r = run_runner(args, dir, "");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(testing::read_file(dir.file("a.svg")).find("<svg"), std::string::npos);
    r = run_runner("--set totaltime=400 --set display_inc=100 --figure " + dir.file("a.png") +
                       " --size 400x300 --dpi 192 --figure " + dir.file("b.pdf"),
                   dir, "");
    EXPECT_NE(r.status, 0) << "--figure given twice";
    r = run_runner("--set totaltime=400 --set display_inc=100 --figure " + dir.file("a.png") +
                       " --size 400x300 --dpi 192",
                   dir, "");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string png = testing::read_file(dir.file("a.png"));
    ASSERT_GT(png.size(), 24u);
    auto big_endian = [&](std::size_t at) {
        return (std::uint32_t(std::uint8_t(png[at])) << 24) |
               (std::uint32_t(std::uint8_t(png[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(png[at + 2])) << 8) | std::uint8_t(png[at + 3]);
    };
    EXPECT_EQ(big_endian(16), 800u) << "width in the PNG header";
    EXPECT_EQ(big_endian(20), 600u);
}

// The Wheeler diagram after a run, as a PNG of --size pixels, and from the
// saved project without a run, as SVG (read back by Python's XML parser)
// and PDF.
TEST(RunnerOutputs, WheelerDiagramAfterARunAndFromASavedProject) {
    testing::TempDir dir;
    Outcome r = run_runner("--set totaltime=2000 --set display_inc=100 -o " + dir.file("p.vdl") +
                               " --wheeler " + dir.file("w.png") + " --size 500x300",
                           dir, "");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string png = testing::read_file(dir.file("w.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    auto big_endian = [&](std::size_t at) {
        return (std::uint32_t(std::uint8_t(png[at])) << 24) |
               (std::uint32_t(std::uint8_t(png[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(png[at + 2])) << 8) | std::uint8_t(png[at + 3]);
    };
    EXPECT_EQ(big_endian(16), 500u) << "width in the PNG header";
    EXPECT_EQ(big_endian(20), 300u);

    r = run_runner(dir.file("p.vdl") + " --no-run --wheeler " + dir.file("w.svg") + " --wheeler " +
                       dir.file("w.pdf"),
                   dir, "");
    EXPECT_NE(r.status, 0) << "--wheeler given twice";
    r = run_runner(dir.file("p.vdl") + " --no-run --wheeler " + dir.file("w.svg"), dir, "");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string parse = std::string(VENDREL_PYTHON) +
                              " -c 'import sys, xml.etree.ElementTree as t; "
                              "r = t.parse(sys.argv[1]).getroot(); "
                              "assert r.tag.endswith(\"svg\") and len(list(r.iter())) > 10' " +
                              dir.file("w.svg");
    EXPECT_EQ(std::system(parse.c_str()), 0);
    r = run_runner(dir.file("p.vdl") + " --no-run --wheeler " + dir.file("w.pdf"), dir, "");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testing::read_file(dir.file("w.pdf")).substr(0, 4), "%PDF");
}

// A picture that cannot be allocated: one line, a failure, no file.

TEST(RunnerOutputs, PictureWithoutMemory) {
#ifdef VENDREL_SANITIZED
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under a memory limit";
#endif
    testing::TempDir dir;
    const Outcome r = run_runner("--set totaltime=100 --size 10000x10000 --out " +
                                     dir.file("a.vdl") + " --image " + dir.file("a.bmp"),
                                 dir, "ulimit -v 700000;");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("a.bmp: not enough memory"), std::string::npos) << r.err;
    EXPECT_EQ(line_count(r.err), 1) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.vdl")));
}

TEST(RunnerOutputs, ProjectOnStandardOutput) {
    testing::TempDir dir;
    const std::string file = dir.file("a.vdl");
    ASSERT_EQ(run_runner("--set totaltime=400 --set display_inc=100 -o " + file, dir).status, 0);
    const Outcome r = run_runner("--set totaltime=400 --set display_inc=100 --out -", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, testing::read_file(file)) << "stdout carries the project only";
    EXPECT_NE(r.err.find("saved -"), std::string::npos) << r.err;
}

TEST(RunnerOutputs, InterruptedRunSavesNothing) {
    testing::TempDir dir;
    const Outcome r = run_runner("--set totaltime=1e9 --set display_inc=1e7 --threads 1 --out " +
                                     dir.file("a.vdl") + " --image " + dir.file("a.png"),
                                 dir, "timeout --preserve-status -s INT 1");
    EXPECT_EQ(r.status, 130);
    EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.vdl")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.png")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2)
        << "only the captured stdout and stderr";
}

// The JSON summary read by a real JSON reader.
TEST(RunnerSummary, JsonOnStdout) {
    testing::TempDir dir;
    const std::string json = dir.file("summary.json");
    const Outcome r = run_runner(
        "--set totaltime=2000 --set display_inc=500 --set depths_3=12 "
        "--json --progress -o " +
            dir.file("a.vdl") + " --summary " + json,
        dir);
    ASSERT_EQ(r.status, 0) << r.err;
    testing::write_file(dir.file("stdout.json"), r.out);
    const std::string check =
        std::string(VENDREL_PYTHON) +
        " -c 'import json, sys\n"
        "s = json.load(open(sys.argv[1]))\n"
        "f = json.load(open(sys.argv[2]))\n"
        "assert s[\"program\"] == \"vendrel-run\" and s[\"version\"] == \"0.90\", s\n"
        "assert s[\"steps\"] == 2000 and s[\"horizons\"] == 5, s\n"
        "assert s[\"parameters\"] == {\"totaltime\": 2000, \"display_inc\": 500, \"depths_3\": "
        "12}, s\n"
        "m = s[\"metrics\"]\n"
        "assert set(m) == {\"shoreline_x\", \"platform_top\", \"sediment_area\", "
        "\"mean_porosity\", \"progradation\", \"aggradation\", \"platform_margin_height\", "
        "\"carbonate_volume\", \"fraction_subaerial\", \"fraction_hiatus\"}\n"
        "assert 0 <= m[\"fraction_subaerial\"] <= 1 and 0 <= m[\"fraction_hiatus\"] <= 1, m\n"
        "assert m[\"sediment_area\"] > 0 and 0 < m[\"mean_porosity\"] < 1, m\n"
        "assert 0 < m[\"shoreline_x\"] < 2000 and s[\"final_sea_level\"] > 0, s\n"
        "assert s[\"outputs\"] == [sys.argv[3], sys.argv[2]], s\n"
        "assert s[\"wall_time_s\"] >= 0\n"
        "del s[\"wall_time_s\"], f[\"wall_time_s\"]\n"
        "assert s == f'"
        " " +
        dir.file("stdout.json") + " " + json + " " + dir.file("a.vdl");
    EXPECT_EQ(std::system(check.c_str()), 0) << r.out;
    EXPECT_EQ(line_count(r.out), 1);
}

TEST(RunnerParameters, FileMatchesSet) {
    testing::TempDir dir;
    testing::write_file(dir.file("p.toml"),
                        "# a short run\n"
                        "totaltime = 2000\n"
                        "display_inc = 500.0\n"
                        "depths = \"0,5,10,15,20,30,40,50\"\n"
                        "rates = [0, 11, 6, 3, 1, 1, 0.5, 0.25]\n"
                        "depths_3 = 12\n"
                        "slip1 = 0.1\n"
                        "poro2 = 0.25\n"
                        "includecompact = 1\n");
    const std::string set =
        "--set totaltime=2000 --set display_inc=500 --set depths=0,5,10,15,20,30,40,50 "
        "--set rates=0,11,6,3,1,1,0.5,0.25 --set depths_3=12 --set slip1=0.1 --set poro2=0.25 "
        "--set includecompact=1";
    ASSERT_EQ(run_runner(set + " -o " + dir.file("set.vdl"), dir).status, 0);
    const Outcome r =
        run_runner("--params " + dir.file("p.toml") + " -o " + dir.file("file.vdl"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testing::read_file(dir.file("file.vdl")), testing::read_file(dir.file("set.vdl")));

    // A later --set wins over the file.
    ASSERT_EQ(run_runner("--params " + dir.file("p.toml") + " --set slip1=0.2 --no-run -o " +
                             dir.file("later.vdl"),
                         dir)
                  .status,
              0);
    EXPECT_NE(testing::read_file(dir.file("later.vdl")).find("slip1 0.200000\r\n"),
              std::string::npos);
}

TEST(RunnerParameters, FileErrorsNameTheLine) {
    testing::TempDir dir;
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"totaltime = 2000\nnokey = 1\n", "p.toml: line 2: unknown parameter \"nokey\""},
        {"totaltime = 2000\n\ndepths = \"1,2\"\n", "p.toml: line 3: depths: expected 8 numbers"},
        {"amp_2 = nan\n", "p.toml: line 1: amp_2: \"nan\" is not a finite number"},
        {"amp_2 = -inf\n", "p.toml: line 1: amp_2: \"-inf\" is not a finite number"},
        {"totaltime = \"12abc\"\n", "p.toml: line 1: totaltime: expected a number"},
        {"includecompact = 1.5\n", "p.toml: line 1: includecompact: expected a whole number"},
        {"rates = [1, \"x\"]\n", "p.toml: line 1: rates: an array holds numbers only"},
        {"draw_bl = true\n", "p.toml: line 1: draw_bl: expected a number"},
        {"x\n[section]\n", "p.toml: line 1:"},
        {"a = 1\n[runtime]\ntotaltime = 1\n", "p.toml: line 2: [runtime]: sections are not"},
        {"totaltime = 1\ntotaltime = 2\n", "p.toml: line 2:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        testing::write_file(dir.file("p.toml"), c.text);
        const Outcome r =
            run_runner("--params " + dir.file("p.toml") + " -o " + dir.file("a.vdl"), dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(line_count(r.err), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("a.vdl")));
    }
    const Outcome missing = run_runner("--params " + dir.file("none.toml") + " -o a.vdl", dir);
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("none.toml: No such file"), std::string::npos) << missing.err;
}

TEST(RunnerParameters, ListedWithUnitsAndDefaults) {
    testing::TempDir dir;
    const Outcome text = run_runner("--list-params", dir);
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("totaltime"), std::string::npos);
    EXPECT_NE(text.out.find("0,5,10,15,20,30,40,50"), std::string::npos);
    const Outcome json = run_runner("--list-params --json", dir);
    ASSERT_EQ(json.status, 0);
    testing::write_file(dir.file("list.json"), json.out);
    const std::string check =
        std::string(VENDREL_PYTHON) +
        " -c 'import json, sys\n"
        "l = {p[\"key\"]: p for p in json.load(open(sys.argv[1]))}\n"
        "assert l[\"totaltime\"][\"default\"] == 200000 and l[\"totaltime\"][\"unit\"] == \"yr\"\n"
        "assert l[\"depths\"][\"default\"] == [0, 5, 10, 15, 20, 30, 40, 50]\n"
        "assert l[\"includecompact\"][\"integer\"] and l[\"diff_coeff\"][\"description\"]'"
        " " +
        dir.file("list.json");
    EXPECT_EQ(std::system(check.c_str()), 0) << json.out;
}

TEST(RunnerCommandLine, ExitStatusAndOneLine) {
    testing::TempDir dir;
    const Outcome version = run_runner("--version", dir);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vendrel-run 0.90\n");
    const Outcome help = run_runner("--help", dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("100 megapixels"), std::string::npos);
    for (const char* args : {"--out a.vdl --out b.vdl", "--frobnicate -o a.vdl", "--out",
                             "--json --out -", "-o a.vdl --size 9x"}) {
        SCOPED_TRACE(args);
        const Outcome r = run_runner(args, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(line_count(r.err), 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

// Parameters a run cannot run are refused before it starts, with one line
// naming the key, the value and why; nothing is written. Equal neighbouring
// depths, unordered curves and a porosity above 1 without compaction run.
TEST(RunnerParameters, RunsThatCannotRunAreRefused) {
    testing::TempDir dir;
    const std::string quick = "--set totaltime=400 --set display_inc=100 ";
    struct Case {
        std::string args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"--set diff_coeff=-1", 2, "vendrel-run: diff_coeff = -1: must be at least 0"},
        {"--set totaltime=-5", 2, "vendrel-run: totaltime = -5: must be above 0"},
        {"--set totaltime=0", 2, "vendrel-run: totaltime = 0: must be above 0"},
        {"--set display_inc=-1", 2, "vendrel-run: display_inc = -1: must be above 0"},
        {"--set max_x=-10", 2, "vendrel-run: max_x = -10: must be above 0"},
        {"--set max_y=0", 2, "vendrel-run: max_y = 0: must be above 0"},
        {"--set cvalue=-1", 2, "vendrel-run: cvalue = -1: must be at least 0"},
        {"--set phizero=1.5 --set includecompact=1", 2,
         "vendrel-run: phizero = 1.5: must be below 1 while compaction is on"},
        {"--set phizero=1.5 --set includecompact=1 --allow-early-end", 2, "phizero = 1.5"},
        {"--set totaltime=20000 --set display_inc=10", 2,
         "vendrel-run: display_inc = 10: the run would record 2000 horizons every 10 time steps "
         "of 1 yr, but 499 fit after the initial surface: it would end at 5 of 20 ka; the "
         "smallest display_inc that fits is 41; or give --allow-early-end"},
        // 500 increments, as the Runtime dialog admits: the last has no slot.
        {"--set totaltime=1000 --set display_inc=2", 2, "the smallest display_inc that fits is 3"},
        {quick + "--set phizero=1.5", 0, ""},
        {quick + "--set depths=0,5,10,10,20,30,40,50", 0, ""},
        {quick + "--set depths=50,5,30,10,0,20,40,15 --set rates_1=-1", 0, ""},
        {quick + "--set diff_coeff=0", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string out = dir.file("x.vdl");
        std::filesystem::remove(out);
        const Outcome r = run_runner(c.args + " --out " + out, dir);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.status == 0) {
            EXPECT_TRUE(std::filesystem::exists(out));
            continue;
        }
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(line_count(r.err), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }

    // Stored values a run cannot run: the project saves unrun, its run is refused.
    const std::string stored = dir.file("stored.vdl");
    ASSERT_EQ(run_runner("--no-run --set diff_coeff=-1 --out " + stored, dir).status, 0);
    const Outcome r = run_runner(stored + " --out " + dir.file("y.vdl"), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("diff_coeff = -1"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("y.vdl")));
}

// A run allowed to end at the last horizon slot says where it ended, in its
// summary line, its JSON summary and its NetCDF file; totaltime keeps the
// time asked for.
TEST(RunnerSummary, TimeSimulatedBesideTheTimeAskedFor) {
    testing::TempDir dir;
    struct Case {
        std::string args;
        int horizons;
        double simulated;
        const char* line;
    };
    const Case cases[] = {
        {"--set totaltime=20000 --set display_inc=10 --allow-early-end", 500, 5000,
         "ended at the 500-horizon limit at 5.0 ka; saved "},
        {"--set totaltime=2000 --set display_inc=500 --allow-early-end", 5, 2000, " s; saved "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string nc = dir.file("r.nc");
        const std::string json = dir.file("r.json");
        const Outcome r = run_runner(c.args + " --threads 1 --out " + dir.file("r.vdl") +
                                         " --netcdf " + nc + " --summary " + json,
                                     dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(c.line), std::string::npos) << r.out;
        const std::string check =
            std::string(VENDREL_PYTHON) +
            " -c 'import json, sys, netCDF4\n"
            "s = json.load(open(sys.argv[1]))\n"
            "h, t, T = int(sys.argv[3]), float(sys.argv[4]), float(sys.argv[5])\n"
            "assert s[\"horizons\"] == h and s[\"simulated_time\"] == t, s\n"
            "assert s[\"parameters\"][\"totaltime\"] == T, s\n"
            "d = netCDF4.Dataset(sys.argv[2])\n"
            "assert d.simulated_time == t and d.totaltime == T, (d.simulated_time, d.totaltime)\n"
            "assert d.simulated_time_units == \"yr\"\n"
            "assert d.dimensions[\"horizon\"].size == h'"
            " " +
            json + " " + nc + " " + std::to_string(c.horizons) + " " + std::to_string(c.simulated) +
            " " + (c.args.find("20000") != std::string::npos ? "20000" : "2000");
        EXPECT_EQ(std::system(check.c_str()), 0);
    }
}

// Values the dialogs would not take but a run can: --check lists them as
// warnings and still succeeds, as it does for what a run would refuse.
TEST(VendrelRun, CheckWarnsOfValuesOutsideTheDialogs) {
    testing::TempDir dir;
    const std::string project = dir.file("p.vdl");
    ASSERT_EQ(run_runner("--no-run --set amp_1=150 --set cvalue=-1 --out " + project, dir).status,
              0);
    const Outcome r = run_runner("--check " + project, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_count(r.out), 1) << r.out;
    EXPECT_NE(r.err.find("vendrel-run: warning: " + project +
                         ": amp_1 = 150 is outside the range of the Sea-Level Variations "
                         "dialog: 0 to 100\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(": cvalue = -1 is outside the range of the Compaction dialog: at least 0"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(": a run would be refused: cvalue = -1: must be at least 0"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(line_count(r.err), 3) << r.err;
}

}  // namespace
}  // namespace vendrel
