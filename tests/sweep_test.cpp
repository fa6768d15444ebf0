#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/run_options.h"
#include "sweep/process_error.h"
#include "sweep/slurm_submission.h"
#include "sweep/sweep_manifest.h"
#include "sweep/sweep_plot.h"
#include "sweep/sweep_summary.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

TEST(SweepManifest, RefusedBeforeAnythingRuns) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"id,totaltime\na,1\n", "m.csv: line 1: the first column must be \"run\""},
        {"run,totaltime,nokey\na,1,2\n", "line 1, column 3 (\"nokey\"): unknown parameter"},
        {"run,slip1,slip1\na,1,2\n", "column 3 (\"slip1\"): the key appears twice"},
        {"run,totaltime\na,1\nb,abc\n",
         "line 3, column 2 (\"totaltime\"): totaltime: expected a number"},
        {"run,totaltime\na,nan\n",
         "line 2, column 2 (\"totaltime\"): totaltime: \"nan\" is not a finite"},
        {"run,depths\na,\"1,2\"\n", "line 2, column 2 (\"depths\"): depths: expected 8 numbers"},
        {"run,includecompact\na,0.5\n", "expected a whole number"},
        {"run,totaltime\na,1\n-b,2\n", "line 3, column 1 (\"run\"): bad run id \"-b\""},
        {"run,totaltime\na/b,1\n", "bad run id \"a/b\""},
        {"run,totaltime\n..,1\n", "bad run id \"..\""},
        {"run,totaltime\na,1\n\nA.1,2\na,3\n",
         "line 5, column 1 (\"run\"): the run id \"a\" appears twice"},
        {"run,totaltime\na,1,2\n", "line 2: 3 fields, the header has 2"},
        {"run,totaltime\na,\"1\n", "line 2: a quote is not closed"},
        {"run,totaltime\n", "no runs"},
        {"", "no header line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parse_sweep_manifest(c.text, "m.csv");
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(valid_run_id(std::string(65, 'a')));
    EXPECT_TRUE(valid_run_id(std::string(64, 'a')));

    const SweepManifest m = parse_sweep_manifest(
        "run,depths,omp_threads\r\nr_1,\"0,5,10,15,20,30,40,50\",2\r\n\r\nr-2.b,\"0,1,2,3,4,5,6,"
        "7\",1\r\n",
        "m.csv");
    ASSERT_EQ(m.rows.size(), 2u);
    EXPECT_EQ(m.rows[1].id, "r-2.b");
    EXPECT_EQ(m.rows[1].values[0], "0,1,2,3,4,5,6,7");
    EXPECT_EQ(m.rows[1].line, 4);
    EXPECT_EQ(m.column("omp_threads"), 1);
    EXPECT_EQ(csv_field("0,1"), "\"0,1\"");
    EXPECT_EQ(csv_field("say \"x\""), "\"say \"\"x\"\"\"");
}

TEST(SlurmSubmission, ChunksStayWithinTheArrayLimit) {
    EXPECT_EQ(choose_chunk(12, 0, 1001), 1);
    EXPECT_EQ(choose_chunk(12, 4, 1001), 4);
    EXPECT_EQ(choose_chunk(5000, 0, 1001), 5);  // 1000 tasks
    EXPECT_EQ(choose_chunk(12, 0, 3), 4);
    try {
        choose_chunk(12, 2, 3);
        ADD_FAILURE() << "accepted";
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("6 array tasks; the cluster's MaxArraySize is 3: "
                                             "give --chunk 4 or more"),
                  std::string::npos)
            << e.what();
    }
    SlurmRequest r;
    r.dir = "/shared/sweep";
    r.program = "/opt/vendrel/bin/vendrel-sweep";
    r.rows = 12;
    r.partition = "short";
    r.image = true;
    const std::string script = slurm_script(r, 4);
    EXPECT_NE(script.find("#SBATCH --array=0-2\n"), std::string::npos) << script;
    EXPECT_NE(script.find("#SBATCH --partition=short\n"), std::string::npos);
    EXPECT_NE(script.find("exec '/opt/vendrel/bin/vendrel-sweep' --task '/shared/sweep' --chunk 4 "
                          "--image\n"),
              std::string::npos)
        << script;
    r.allow_early_end = true;
    EXPECT_NE(slurm_script(r, 4).find("--chunk 4 --image --allow-early-end\n"), std::string::npos)
        << "the tasks run what the submission allowed";
}

// A cluster command that fails is a process error naming the command and
// what it said, whether scontrol gives no limit or sbatch refuses the array.
TEST(SlurmSubmission, AFailingClusterCommandIsAProcessError) {
    struct Case {
        const char* scontrol;
        const char* message;
    };
    const Case cases[] = {
        {"exit 1", "cannot read MaxArraySize from \"scontrol show config\" (exit status 1)"},
        {"echo 'MaxArraySize = 1001'",
         "sbatch refused the job array (exit status 3: sbatch: error: no partition)"},
    };
    const char* const old_path = std::getenv("PATH");
    const std::string kept = old_path ? old_path : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scontrol);
        testing::TempDir dir;
        const std::string bin = dir.file("bin");
        std::filesystem::create_directory(bin);
        testing::write_file(bin + "/scontrol", std::string("#!/bin/sh\n") + c.scontrol + "\n");
        testing::write_file(bin + "/sbatch",
                            "#!/bin/sh\necho 'sbatch: error: no partition' >&2\nexit 3\n");
        for (const char* tool : {"/scontrol", "/sbatch"}) {
            std::filesystem::permissions(bin + tool, std::filesystem::perms::owner_all);
        }
        ::setenv("PATH", (bin + ":" + kept).c_str(), 1);
        SlurmRequest r;
        r.dir = dir.file("sweep");
        r.program = "/bin/true";
        r.rows = 2;
        try {
            submit_sweep(r);
            ADD_FAILURE() << "submitted";
        } catch (const ProcessError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        ::setenv("PATH", kept.c_str(), 1);
    }
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome run_sweep(const std::string& args, const testing::TempDir& dir,
                  const std::string& prefix = "") {
    const std::string command = prefix + " " + VENDREL_SWEEP_PATH + " " + args + " >" +
                                dir.file("out.txt") + " 2>" + dir.file("err.txt");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::read_file(dir.file("out.txt")),
            testing::read_file(dir.file("err.txt"))};
}

// A failing row is recorded and the others go on; a rerun skips complete
// rows and tries the failed one again.
TEST(VendrelSweep, RunsResumesAndRecordsFailures) {
    testing::TempDir dir;
    testing::write_file(dir.file("m.csv"),
                        "run,totaltime,display_inc,rates_2\n"
                        "a,1000,500,10\n"
                        "b,1000,500,8\n"
                        "c,1000,500,6\n");
    const std::string out = dir.file("out");
    std::filesystem::create_directories(out + "/b.vdl");  // b cannot save its project
    Outcome r = run_sweep(dir.file("m.csv") + " --out " + out + " --jobs 2 --image --netcdf", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("run b failed: cannot save"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("3 runs: 2 ok, 1 failed"), std::string::npos) << r.out;
    for (const char* name :
         {"a.vdl", "a.png", "a.nc", "a.json", "c.vdl", "c.png", "c.nc", "summary.csv",
          "summary.png", "summary.svg", "b.error", "manifest.csv"}) {
        EXPECT_TRUE(std::filesystem::exists(out + "/" + name)) << name;
    }
    std::string csv = testing::read_file(out + "/summary.csv");
    EXPECT_EQ(csv.rfind("run,totaltime,display_inc,rates_2,status,error,wall_time_s,steps,"
                        "horizons,final_sea_level,shoreline_x,platform_top,sediment_area,"
                        "mean_porosity,progradation,aggradation,platform_margin_height,"
                        "carbonate_volume,fraction_subaerial,fraction_hiatus,simulated_time\n",
                        0),
              0u)
        << csv;
    EXPECT_NE(csv.find("\nb,1000,500,8,failed,cannot save"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\nc,1000,500,6,ok,,"), std::string::npos) << csv;

    const auto a_time = std::filesystem::last_write_time(out + "/a.vdl");
    std::filesystem::remove(out + "/b.vdl");
    r = run_sweep(dir.file("m.csv") + " --out " + out + " --image --netcdf", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::filesystem::last_write_time(out + "/a.vdl"), a_time) << "a was complete";
    EXPECT_FALSE(std::filesystem::exists(out + "/b.error"));
    csv = testing::read_file(out + "/summary.csv");
    EXPECT_NE(csv.find("\nb,1000,500,8,ok,,"), std::string::npos) << csv;

    // The same run through vendrel-run alone gives the same project.
    ASSERT_EQ(std::system((std::string(VENDREL_RUN_PATH) +
                           " --quiet --set totaltime=1000 --set display_inc=500 --set rates_2=8 "
                           "--threads 1 -o " +
                           dir.file("b.vdl") + " >/dev/null")
                              .c_str()),
              0);
    EXPECT_EQ(testing::read_file(dir.file("b.vdl")), testing::read_file(out + "/b.vdl"));

    // Another manifest into the same folder is refused.
    testing::write_file(dir.file("other.csv"), "run,totaltime\nx,100\n");
    r = run_sweep(dir.file("other.csv") + " --out " + out, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("holds another sweep"), std::string::npos) << r.err;
}

TEST(VendrelSweep, BadInputRunsNothing) {
    testing::TempDir dir;
    testing::write_file(dir.file("m.csv"), "run,totaltime\na,100\nb,1e999\n");
    // Rows whose parameters a run refuses, found before the first run.
    testing::write_file(dir.file("faults.csv"),
                        "run,diff_coeff,phizero,includecompact\n"
                        "a,0.25,0.45,1\n"
                        "b,-1,0.45,0\n");
    testing::write_file(dir.file("porous.csv"),
                        "run,phizero,includecompact\n"
                        "a,1.5,0\n"
                        "b,1.5,1\n");
    testing::write_file(dir.file("overrun.csv"),
                        "run,totaltime,display_inc\n"
                        "a,1000,500\n"
                        "b,20000,10\n");
    struct Case {
        std::string args;
        std::string prefix;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {dir.file("m.csv") + " --out " + dir.file("out"), "", 2,
         "line 3, column 2 (\"totaltime\"): totaltime: \"1e999\" is not a finite number"},
        {dir.file("none.csv") + " --out " + dir.file("out"), "", 2, "No such file"},
        {dir.file("m.csv"), "", 2, "no output folder"},
        {dir.file("m.csv") + " --out " + dir.file("out") + " --jobs 0", "", 2, "--jobs expects"},
        {dir.file("m.csv") + " --out " + dir.file("out") + " --chunk 2", "", 2, "go with --slurm"},
        {dir.file("faults.csv") + " --out " + dir.file("out"), "", 2,
         "faults.csv: line 3, run \"b\": diff_coeff = -1: must be at least 0"},
        {dir.file("porous.csv") + " --out " + dir.file("out") + " --allow-early-end", "", 2,
         "porous.csv: line 3, run \"b\": phizero = 1.5: must be below 1 while compaction is on"},
        {dir.file("overrun.csv") + " --out " + dir.file("out"), "", 2,
         "overrun.csv: line 3, run \"b\": display_inc = 10: the run would record 2000 horizons"},
        {dir.file("overrun.csv") + " --out " + dir.file("out") + " --slurm", "PATH=/nonexistent", 2,
         "the smallest display_inc that fits is 41; or give --allow-early-end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = run_sweep(c.args, dir, c.prefix);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    }
    // Without Slurm's client commands: one clear line.
    testing::write_file(dir.file("ok.csv"), "run,totaltime\na,100\n");
    const Outcome r = run_sweep(dir.file("ok.csv") + " --out " + dir.file("out") + " --slurm", dir,
                                "PATH=/nonexistent");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sbatch not found on PATH"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
}

// With --allow-early-end a run that overruns the horizon slots ends at the
// last one, and the summary says how far it got.
TEST(VendrelSweep, EarlyEndAllowedAndRecorded) {
    testing::TempDir dir;
    testing::write_file(dir.file("m.csv"),
                        "run,totaltime,display_inc\n"
                        "a,1000,500\n"
                        "b,20000,10\n");
    const std::string out = dir.file("out");
    const Outcome r = run_sweep(dir.file("m.csv") + " --out " + out + " --allow-early-end", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string csv = testing::read_file(out + "/summary.csv");
    const auto row = [&](const std::string& id) {
        const std::size_t at = csv.find("\n" + id + ",");
        return at == std::string::npos ? std::string()
                                       : csv.substr(at + 1, csv.find('\n', at + 1) - at - 1);
    };
    EXPECT_EQ(row("a").rfind("a,1000,500,ok,,", 0), 0u) << csv;
    EXPECT_EQ(row("a").substr(row("a").rfind(',')), ",1000") << csv;
    EXPECT_EQ(row("b").rfind("b,20000,10,ok,,", 0), 0u) << csv;
    EXPECT_EQ(row("b").substr(row("b").rfind(',')), ",5000") << "5 of 20 kyr simulated\n" << csv;
}

// Whole numbers read from a run's summary print whole in summary.csv and
// on the plots' ticks; fractions keep their shortest exact form.
TEST(SweepSummary, WholeNumbersPrintWhole) {
    testing::TempDir dir;
    SweepManifest manifest;
    manifest.keys = {"diff_coeff"};
    manifest.rows = {{"a", {"0.5"}, 2}};
    testing::write_file(dir.file("a.json"),
                        R"({"steps":200000,"horizons":101,"wall_time_s":1.25,)"
                        R"("final_sea_level":250,"metrics":{"shoreline_x":1000000,)"
                        R"("platform_top":0.1,"sediment_area":-3}})"
                        "\n");
    write_sweep_summary(manifest, dir.path(), false);
    const std::string csv = testing::read_file(dir.file("summary.csv"));
    EXPECT_NE(csv.find("\na,0.5,ok,,1.25,200000,101,250,1000000,0.1,-3,,"), std::string::npos)
        << csv;
    const struct {
        double value;
        const char* text;
    } ticks[] = {{200000, "200000"}, {-3, "-3"},      {0, "0"},
                 {0.25, "0.25"},     {2e-5, "2e-05"}, {1234.56, "1235"}};
    for (const auto& t : ticks) {
        EXPECT_EQ(sweep_plot_number(t.value).toStdString(), t.text);
    }
}

}  // namespace
}  // namespace vendrel
