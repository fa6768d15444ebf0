#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_options.h"
#include "sweep/process_error.h"
#include "sweep/slurm_job.h"
#include "sweep/slurm_submission.h"
#include "sweep/sweep_lock.h"
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
    const std::string script = slurm_script(r, 4, {0, 1, 2});
    EXPECT_NE(script.find("#SBATCH --array=0-2\n"), std::string::npos) << script;
    EXPECT_NE(script.find("#SBATCH --partition=short\n"), std::string::npos);
    EXPECT_NE(script.find("exec '/opt/vendrel/bin/vendrel-sweep' --task '/shared/sweep' --chunk 4 "
                          "--image\n"),
              std::string::npos)
        << script;
    r.allow_early_end = true;
    EXPECT_NE(slurm_script(r, 4, {0, 1, 2}).find("--chunk 4 --image --allow-early-end\n"),
              std::string::npos)
        << "the tasks run what the submission allowed";
}

// A rerun submits only the tasks that hold rows still to run, as ranges
// sbatch takes, with the first-class settings on #SBATCH lines.
TEST(SlurmSubmission, ResubmitsOnlyTheTasksStillToRun) {
    const struct {
        std::vector<int> rows;
        int chunk;
        const char* array;
    } cases[] = {
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 1, "0-11"},
        {{3, 6, 7, 8}, 1, "3,6-8"},
        {{3, 6, 7, 8}, 4, "0-2"},
        {{1, 9, 10}, 4, "0,2"},
        {{11}, 5, "2"},
        {{0, 2, 4}, 1, "0,2,4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.array);
        EXPECT_EQ(array_ranges(tasks_of_rows(c.rows, c.chunk)), c.array);
    }
    SlurmRequest r;
    r.dir = "/shared/sweep";
    r.program = "/bin/true";
    r.rows = 12;
    r.max_running = 3;
    r.time = "01:00:00";
    r.mem = "2G";
    r.account = "geo";
    r.qos = "low";
    r.job_name = "ramp-1";
    const std::string script = slurm_script(r, 1, {3, 6, 7, 8});
    for (const char* line :
         {"#SBATCH --array=3,6-8%3\n", "#SBATCH --time=01:00:00\n", "#SBATCH --mem=2G\n",
          "#SBATCH --account=geo\n", "#SBATCH --qos=low\n", "#SBATCH --job-name=ramp-1\n"}) {
        EXPECT_NE(script.find(line), std::string::npos) << line << script;
    }
    EXPECT_EQ(script.find("vendrel-sweep\n"), std::string::npos) << "one job name\n" << script;
}

// A setting given as an option and again through --sbatch-arg is refused,
// in any of the forms sbatch reads; so is an --sbatch-arg that would make
// the array, and a value an #SBATCH line cannot carry.
TEST(SlurmSubmission, SettingsGivenTwiceAreRefused) {
    const struct {
        const char* option;
        const char* value;
        const char* arg;
        const char* message;  // null: accepted
    } cases[] = {
        {"partition", "short", "--partition=long", "--partition and --sbatch-arg \"--partition"},
        {"partition", "short", "-plong", "set the same thing"},
        {"partition", "short", "--part=long", "set the same thing"},
        {"partition", "short", "-p", "set the same thing"},
        {"time", "1:00", "--time=2:00", "--time and --sbatch-arg"},
        {"time", "1:00", "-t2:00", "set the same thing"},
        {"time", "1:00", "--time-min=30", nullptr},
        {"mem", "2G", "--mem-per-cpu=1G", "--mem and --sbatch-arg"},
        {"account", "geo", "-Aother", "--account and"},
        {"qos", "low", "--qos=high", "--qos and"},
        {"job-name", "a", "-Jb", "--job-name and"},
        {"job-name", "a", "--job=b", "--job-name and"},
        {"job-name", "", "--job-name=b", nullptr},
        {"partition", "", "--array=0-3", "the sweep makes the job array itself"},
        {"partition", "", "-a1-2", "the sweep makes the job array itself"},
        {"partition", "", "--mail-type=END", nullptr},
        {"job-name", "two words", "", "--job-name expects a value without spaces"},
        {"partition", "a\nb", "", "--partition expects a value without spaces"},
        {"mem", "lots", "", "--mem expects a size such as 4000, 500M or 4G, got \"lots\""},
        {"time", "banana", "", "--time expects a time limit such as 30, 2:00:00 or 1-12"},
        {"time", "1:2:3:4", "", "--time expects a time limit"},
        {"time", "2-12:30", "", nullptr},
        {"time", "-5", "", "--time expects a time limit"},
        {"time", "1:", "", "--time expects a time limit"},
        {"time", "UNLIMITED", "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " " + c.value + " " + c.arg);
        SlurmRequest r;
        const std::string option = c.option;
        std::string& field = option == "partition" ? r.partition
                             : option == "time"    ? r.time
                             : option == "mem"     ? r.mem
                             : option == "account" ? r.account
                             : option == "qos"     ? r.qos
                                                   : r.job_name;
        field = c.value;
        if (*c.arg != '\0') {
            r.sbatch_args = {"--mail-user=me", c.arg};
        }
        try {
            check_slurm_settings(r);
            EXPECT_EQ(c.message, nullptr) << "accepted";
        } catch (const UsageError& e) {
            ASSERT_NE(c.message, nullptr) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    const struct {
        const char* text;
        long long mb;
    } sizes[] = {{"4000", 4000}, {"500M", 500}, {"4G", 4096}, {"1t", 1048576}, {"2048K", 2}};
    for (const auto& size : sizes) {
        EXPECT_EQ(slurm_memory_mb(size.text), size.mb) << size.text;
    }
    for (const char* bad : {"", "G", "4GB", "-1", "4.5G"}) {
        EXPECT_EQ(slurm_memory_mb(bad), std::nullopt) << bad;
    }
}

// A task no node can hold would wait in the queue forever: refused first.
TEST(SlurmSubmission, ImpossibleRequestsAreRefused) {
    const SlurmNodeLimits limits{2, 21000};
    const struct {
        int cpus;
        const char* mem;
        const char* message;
    } cases[] = {
        {2, "", nullptr},
        {2, "20000", nullptr},
        {3, "",
         "m.csv: line 4, run \"r3\": omp_threads = 3 asks for 3 CPUs per task; the "
         "largest node of partition \"short\" has 2"},
        {1, "21G", "--mem 21G is more than the largest node of partition \"short\" has (21000 MB)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cpus);
        SlurmRequest r;
        r.partition = "short";
        r.cpus_per_task = c.cpus;
        r.mem = c.mem;
        try {
            check_slurm_resources(r, limits, "m.csv: line 4, run \"r3\": omp_threads = 3");
            EXPECT_EQ(c.message, nullptr) << "accepted";
        } catch (const UsageError& e) {
            ASSERT_NE(c.message, nullptr) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
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

// Slurm's client commands as small scripts first on PATH, for as long as
// the object lives.
class FakeCluster {
  public:
    FakeCluster(const testing::TempDir& dir,
                const std::vector<std::pair<std::string, std::string>>& tools)
        : bin_(dir.file("bin")) {
        std::filesystem::create_directories(bin_);
        for (const auto& [name, body] : tools) {
            testing::write_file(bin_ + "/" + name, "#!/bin/sh\n" + body + "\n");
            std::filesystem::permissions(bin_ + "/" + name, std::filesystem::perms::owner_all);
        }
        const char* path = std::getenv("PATH");
        kept_ = path ? path : "";
        ::setenv("PATH", (bin_ + ":" + kept_).c_str(), 1);
    }
    ~FakeCluster() { ::setenv("PATH", kept_.c_str(), 1); }
    FakeCluster(const FakeCluster&) = delete;
    FakeCluster& operator=(const FakeCluster&) = delete;
    const std::string& bin() const { return bin_; }

  private:
    std::string bin_;
    std::string kept_;
};

// One sweep per folder: a second lock is refused while the first lives,
// and a link planted where the lock goes is never followed.
TEST(SweepLock, OneHolderAtATime) {
    testing::TempDir dir;
    {
        const SweepLock first(dir.path());
        try {
            const SweepLock second(dir.path());
            ADD_FAILURE() << "locked twice";
        } catch (const SweepBusy& e) {
            EXPECT_NE(
                std::string(e.what()).find(": another vendrel-sweep works in this folder (pid " +
                                           std::to_string(::getpid())),
                std::string::npos)
                << e.what();
        }
    }
    EXPECT_NO_THROW(SweepLock{dir.path()}) << "let go with its holder";
    // Anyone who may read the lock may hold it: it is the user's alone.
    std::filesystem::permissions(dir.file(kSweepLockName), std::filesystem::perms::all);
    EXPECT_NO_THROW(SweepLock{dir.path()});
    EXPECT_EQ(std::filesystem::status(dir.file(kSweepLockName)).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    testing::TempDir planted;
    testing::write_file(planted.file("elsewhere"), "keep\n");
    std::filesystem::create_symlink(planted.file("elsewhere"), planted.file(kSweepLockName));
    try {
        const SweepLock lock(planted.path());
        ADD_FAILURE() << "followed the link";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("it is a symbolic link"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(testing::read_file(planted.file("elsewhere")), "keep\n");
}

// The folder stays taken while the last job it keeps is queued or running,
// as squeue tells; a job squeue no longer knows has ended.
TEST(SlurmJob, AFolderIsTakenWhileItsJobIsActive) {
    struct Case {
        const char* squeue;   // what squeue does when asked about job 42
        const char* message;  // null: the folder is free
        bool busy;
    };
    const Case cases[] = {
        {"printf 'RUNNING\\nPENDING\\nPENDING\\n'",
         "its Slurm job 42 is still active (1 tasks running, 2 pending); wait for it", true},
        {"printf 'COMPLETING\\n'", "(1 tasks running, 0 pending)", true},
        {"true", nullptr, false},
        {"echo 'slurm_load_jobs error: Invalid job id specified'; exit 1", nullptr, false},
        {"echo 'slurm_load_jobs error: Unable to contact slurm controller'; exit 1",
         "cannot ask squeue about job 42 (exit status 1: slurm_load_jobs error: Unable to "
         "contact slurm controller)",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.squeue);
        testing::TempDir dir;
        // Only the last job kept counts: 41 would say it runs.
        const FakeCluster cluster(
            dir,
            {{"squeue", std::string("[ \"$4\" = 42 ] || { echo RUNNING; exit 0; }\n") + c.squeue}});
        record_sweep_job(dir.path(), "41");
        record_sweep_job(dir.path(), "42");
        EXPECT_EQ(sweep_jobs(dir.path()), (std::vector<std::string>{"41", "42"}));
        try {
            claim_sweep_folder(dir.path());
            EXPECT_EQ(c.message, nullptr) << "claimed";
        } catch (const SweepBusy& e) {
            EXPECT_TRUE(c.busy) << e.what();
            ASSERT_NE(c.message, nullptr) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        } catch (const ProcessError& e) {
            EXPECT_FALSE(c.busy) << e.what();
            ASSERT_NE(c.message, nullptr) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    // A submission keeps its job id with the sweep.
    testing::TempDir dir;
    const FakeCluster cluster(
        dir, {{"scontrol", "echo 'MaxArraySize = 1001'"}, {"sbatch", "echo '77;cluster'"}});
    SlurmRequest r;
    r.dir = dir.file("sweep");
    r.program = "/bin/true";
    r.rows = 3;
    EXPECT_EQ(submit_sweep(r), "77");
    EXPECT_EQ(testing::read_file(dir.file("sweep/slurm/jobs")), "77\n");
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
    // A run counts when its project reads too.
    ASSERT_EQ(std::system((std::string(VENDREL_RUN_PATH) + " --quiet --set totaltime=100 -o " +
                           dir.file("a.vdl"))
                              .c_str()),
              0);
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

// The pid in a folder's lock file once a sweep holds it, or 0.
pid_t lock_holder(const std::string& dir) {
    const std::string text = testing::read_file(dir + "/" + kSweepLockName);
    return text.rfind("pid ", 0) == 0 ? pid_t(std::atoi(text.c_str() + 4)) : 0;
}

// The vendrel-run processes working in `dir` (the runs start there).
std::vector<pid_t> runs_in(const std::string& dir) {
    std::vector<pid_t> pids;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code gone;
        const auto cwd = std::filesystem::read_symlink(entry.path() / "cwd", gone);
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", gone);
        if (!gone && cwd == dir && exe.filename() == "vendrel-run") {
            pids.push_back(pid_t(std::stoi(name)));
        }
    }
    return pids;
}

template <typename Predicate>
bool within_seconds(double seconds, Predicate done) {
    for (int i = 0; i < int(seconds * 20); ++i) {
        if (done()) {
            return true;
        }
        ::usleep(50000);
    }
    return done();
}

// While a sweep works in a folder, another sweep, another manifest and a
// collection are refused with one line; a sweep killed outright takes its
// runs with it, leaves no litter and no lock, and the same command then
// goes on.
TEST(VendrelSweep, OneSweepPerFolderAndNothingLeftWhenKilled) {
    testing::TempDir dir;
    testing::write_file(dir.file("slow.csv"),
                        "run,totaltime,display_inc\n"
                        "a,3000000,10000\n"
                        "b,3000000,10000\n");
    testing::write_file(dir.file("other.csv"), "run,totaltime\nx,100\n");
    const std::string out = dir.file("out");
    ASSERT_EQ(std::system((std::string(VENDREL_SWEEP_PATH) + " " + dir.file("slow.csv") +
                           " --out " + out + " --jobs 2 >/dev/null 2>&1 &")
                              .c_str()),
              0);
    ASSERT_TRUE(within_seconds(10, [&] {
        return lock_holder(out) > 0 && runs_in(out).size() == 2;
    })) << "the sweep did not start its runs";
    const pid_t sweep = lock_holder(out);

    const struct {
        std::string args;
        std::string message;
    } refused[] = {
        {dir.file("slow.csv") + " --out " + out, "out: another vendrel-sweep works in this folder"},
        {dir.file("other.csv") + " --out " + out, "another vendrel-sweep works in this folder"},
        {"--collect " + out,
         "another vendrel-sweep works in this folder (pid " + std::to_string(sweep)},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.args);
        const Outcome o = run_sweep(r.args, dir);
        EXPECT_EQ(o.status, 3);
        EXPECT_NE(o.err.find(r.message), std::string::npos) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    }
    EXPECT_EQ(testing::read_file(out + "/manifest.csv"), testing::read_file(dir.file("slow.csv")));

    ASSERT_EQ(::kill(sweep, SIGKILL), 0);
    EXPECT_TRUE(within_seconds(5, [&] { return runs_in(out).empty(); }))
        << "runs outlived the sweep";
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "manifest.csv" || name == kSweepLockName || name == "joblog.tsv")
            << name << " left behind";
    }
    const Outcome o = run_sweep(dir.file("other.csv") + " --out " + out, dir);
    EXPECT_EQ(o.status, 2) << "the folder still holds the first sweep\n" << o.err;
    EXPECT_NE(o.err.find("holds another sweep"), std::string::npos) << o.err;
}

// Two sweeps started at once into one fresh folder: one runs, the other is
// refused, and the folder holds one sweep's rows only.
TEST(VendrelSweep, TwoManifestsRacingIntoOneFolder) {
    testing::TempDir dir;
    testing::write_file(dir.file("a.csv"), "run,totaltime,display_inc\na1,2000,500\na2,2000,500\n");
    testing::write_file(dir.file("b.csv"), "run,totaltime,display_inc\nb1,2000,500\nb2,2000,500\n");
    const std::string out = dir.file("out");
    const std::string sweep = std::string(VENDREL_SWEEP_PATH);
    const std::string command = "(" + sweep + " " + dir.file("a.csv") + " --out " + out +
                                " >/dev/null 2>" + dir.file("a.err") + "; echo $? >" +
                                dir.file("a.status") + ") & (" + sweep + " " + dir.file("b.csv") +
                                " --out " + out + " >/dev/null 2>" + dir.file("b.err") +
                                "; echo $? >" + dir.file("b.status") + ") & wait";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string a = testing::read_file(dir.file("a.status"));
    const std::string b = testing::read_file(dir.file("b.status"));
    ASSERT_TRUE((a == "0\n") != (b == "0\n")) << "a: " << a << "b: " << b;
    const std::string loser = a == "0\n" ? "b" : "a";
    const std::string winner = a == "0\n" ? "a" : "b";
    const std::string err = testing::read_file(dir.file(loser + ".err"));
    EXPECT_TRUE(err.find("another vendrel-sweep works in this folder") != std::string::npos ||
                err.find("holds another sweep") != std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(testing::read_file(out + "/manifest.csv"),
              testing::read_file(dir.file(winner + ".csv")));
    EXPECT_FALSE(std::filesystem::exists(out + "/" + loser + "1.vdl"));
}

// A run counts as complete when its outputs read back: a project deleted,
// cut short or a summary spoilt is "not run" and runs again. The summary
// names its outputs relative to the folder, so the same run gives the
// same bytes in any folder (but for its wall time).
TEST(VendrelSweep, CompleteWhenTheOutputsReadBack) {
    testing::TempDir dir;
    testing::write_file(dir.file("m.csv"),
                        "run,totaltime,display_inc\n"
                        "a,1000,500\nb,1000,500\nc,1000,500\nd,1000,500\n");
    const std::string out = dir.file("out");
    ASSERT_EQ(run_sweep(dir.file("m.csv") + " --out " + out, dir).status, 0);
    const std::string cut = testing::read_file(out + "/b.vdl");
    std::filesystem::remove(out + "/a.vdl");
    testing::write_file(out + "/b.vdl", cut.substr(0, cut.size() / 2));
    testing::write_file(out + "/c.json", "{\"steps\":");
    Outcome r = run_sweep("--collect " + out, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("4 runs: 1 ok, 0 failed, 3 not run"), std::string::npos) << r.out;
    const std::string csv = testing::read_file(out + "/summary.csv");
    for (const char* row : {"\na,1000,500,not run,", "\nb,1000,500,not run,",
                            "\nc,1000,500,not run,", "\nd,1000,500,ok,"}) {
        EXPECT_NE(csv.find(row), std::string::npos) << row << csv;
    }
    r = run_sweep(dir.file("m.csv") + " --out " + out, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("4 runs: 4 ok"), std::string::npos) << r.out;
    EXPECT_EQ(testing::read_file(out + "/b.vdl"), cut);

    const std::string elsewhere = dir.file("elsewhere/deeper");
    ASSERT_EQ(run_sweep(dir.file("m.csv") + " --out " + elsewhere, dir).status, 0);
    const auto without_wall_time = [](std::string json) {
        const std::size_t at = json.find("\"wall_time_s\":");
        return at == std::string::npos ? json : json.erase(at, json.find('}', at) - at);
    };
    const std::string json = testing::read_file(out + "/a.json");
    EXPECT_NE(json.find("\"outputs\":[\"a.vdl\",\"a.json\"]"), std::string::npos) << json;
    EXPECT_EQ(json.find(dir.path()), std::string::npos) << json;
    EXPECT_EQ(without_wall_time(json),
              without_wall_time(testing::read_file(elsewhere + "/a.json")));
}

// An array task whose rows failed fails, so the cluster's accounting and
// dependencies see it; each run that ends leaves a line in the job log.
TEST(VendrelSweep, FailedRowsFailTheirTask) {
    testing::TempDir dir;
    testing::write_file(dir.file("m.csv"),
                        "run,totaltime,display_inc\na,1000,500\nb,1000,500\nc,1000,500\n");
    const std::string out = dir.file("out");
    std::filesystem::create_directories(out + "/b.vdl");  // b cannot save its project
    ASSERT_EQ(run_sweep(dir.file("m.csv") + " --out " + out, dir).status, 1);
    const struct {
        int task;
        int status;
    } tasks[] = {{0, 0}, {1, 1}, {2, 0}};
    for (const auto& t : tasks) {
        SCOPED_TRACE(t.task);
        const Outcome o =
            run_sweep("--task " + out, dir,
                      "SLURM_ARRAY_JOB_ID=9 SLURM_ARRAY_TASK_ID=" + std::to_string(t.task));
        EXPECT_EQ(o.status, t.status) << o.err;
    }
    const std::string log = testing::read_file(out + "/joblog.tsv");
    EXPECT_EQ(log.rfind("run\ttask\thost\tstart\tend\texit\tsignal\n", 0), 0u) << log;
    EXPECT_NE(log.find("\nb\t9_1\t"), std::string::npos) << log;
    EXPECT_NE(log.find("\t1\t0\n"), std::string::npos) << "b's exit status\n" << log;
    EXPECT_EQ(log.find("\na\t9_0"), std::string::npos) << "a was complete\n" << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 5) << log;
}

// A manifest from standard input, with the byte order mark a spreadsheet
// writes, runs as from a file.
TEST(VendrelSweep, ManifestFromStandardInput) {
    testing::TempDir dir;
    testing::write_file(dir.file("m.csv"), "\xEF\xBB\xBFrun,totaltime,display_inc\na,1000,500\n");
    const Outcome r = run_sweep("- --out " + dir.file("out"), dir, "<" + dir.file("m.csv"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 runs: 1 ok"), std::string::npos) << r.out;
    EXPECT_EQ(testing::read_file(dir.file("out/manifest.csv")),
              testing::read_file(dir.file("m.csv")));
    testing::write_file(dir.file("bad.csv"), "run,totaltime\na,x\n");
    const Outcome bad = run_sweep("- --out " + dir.file("bad"), dir, "<" + dir.file("bad.csv"));
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("standard input: line 2, column 2"), std::string::npos) << bad.err;
}

// What a Slurm sweep checks and writes before it submits, with the
// cluster's commands faked: the script of a dry run (only the tasks still
// to run), a request no node can hold, settings given twice, and a
// collection while the job runs.
TEST(VendrelSweep, SlurmChecksBeforeSubmitting) {
    testing::TempDir dir;
    const FakeCluster cluster(dir, {{"scontrol", "echo 'MaxArraySize = 1001'"},
                                    {"sinfo", "echo '2 8000'"},
                                    {"sbatch", "echo 'sbatch ran' >&2; exit 1"},
                                    {"squeue", "echo RUNNING"}});
    testing::write_file(dir.file("m.csv"),
                        "run,totaltime,display_inc\na,1000,500\nb,1000,500\nc,1000,500\n"
                        "d,1000,500\ne,1000,500\n");
    testing::write_file(dir.file("threads.csv"), "run,totaltime,omp_threads\na,1000,1\nb,1000,4\n");
    const std::string out = dir.file("out");
    ASSERT_EQ(run_sweep(dir.file("m.csv") + " --out " + out, dir).status, 0);
    std::filesystem::remove(out + "/b.vdl");
    std::filesystem::remove(out + "/e.json");
    const std::string sweep = dir.file("m.csv") + " --out " + out + " --slurm ";
    const struct {
        std::string args;
        int status;
        const char* message;  // on stdout for status 0, else on stderr
    } cases[] = {
        {sweep + "--dry-run --chunk 2 --max-running 1 --time 5", 0, "\n#SBATCH --array=0,2%1\n"},
        {sweep + "--dry-run --job-name t1", 0, "\n#SBATCH --array=1,4\n"},
        {dir.file("threads.csv") + " --out " + dir.file("t") + " --slurm", 2,
         "threads.csv: line 3, run \"b\": omp_threads = 4 asks for 4 CPUs per task; the largest "
         "node has 2"},
        {dir.file("m.csv") + " --out " + dir.file("t") + " --slurm --mem 9G", 2,
         "--mem 9G is more than the largest node has (8000 MB)"},
        {sweep + "--partition a --sbatch-arg=-pb", 2,
         "--partition and --sbatch-arg \"-pb\" set the same thing"},
        {sweep + "--job-name a --sbatch-arg=--job-name=b", 2, "set the same thing"},
        {dir.file("m.csv") + " --out " + out + " --dry-run", 2, "go with --slurm"},
        {dir.file("m.csv") + " --out " + out + " --max-running 2", 2, "go with --slurm"},
        {sweep + "--no-wait --dry-run", 2, "--dry-run submits nothing"},
        {sweep, 1, "sbatch refused the job array (exit status 1: sbatch ran)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Outcome r = run_sweep(c.args, dir);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.message), std::string::npos)
            << r.out << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("t")));
    }
    EXPECT_FALSE(std::filesystem::exists(out + "/slurm/jobs")) << "nothing was submitted";
    ASSERT_EQ(run_sweep(dir.file("m.csv") + " --out " + out, dir).status, 0);
    const Outcome complete = run_sweep(sweep + "--dry-run", dir);
    EXPECT_EQ(complete.status, 0) << complete.err;
    EXPECT_EQ(complete.out, "vendrel-sweep: every run is complete; nothing to submit\n");
    record_sweep_job(out, "12");
    const Outcome r = run_sweep("--collect " + out, dir);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("its Slurm job 12 is still active (1 tasks running, 0 pending); collect "
                         "once it has ended"),
              std::string::npos)
        << r.err;
}

// An error line quotes at most 200 characters of what it refuses.
TEST(VendrelSweep, ErrorLinesStayShort) {
    testing::TempDir dir;
    const std::string huge(100000, '7');
    testing::write_file(dir.file("value.csv"), "run,totaltime\na,x" + huge + "\n");
    testing::write_file(dir.file("id.csv"), "run,totaltime\n-" + huge + ",1\n");
    testing::write_file(dir.file("key.csv"), "run,k" + huge + "\na,1\n");
    testing::write_file(dir.file("ok.csv"), "run,totaltime\na,100\n");
    const struct {
        std::string args;
        const char* message;
    } cases[] = {
        {dir.file("value.csv") + " --out " + dir.file("o"), "totaltime: expected a number, got"},
        {dir.file("id.csv") + " --out " + dir.file("o"), "bad run id \"-777"},
        {dir.file("key.csv") + " --out " + dir.file("o"), "unknown parameter"},
        {dir.file("value.csv") + " --out " + dir.file("o") + " --jobs " + huge, "--jobs expects"},
        {dir.file("ok.csv") + " --out " + dir.file("o") + " --slurm '--job-name=a " + huge + "'",
         "--job-name expects"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Outcome r = run_sweep(c.args, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err.substr(0, 500);
        EXPECT_LT(r.err.size(), 500u) << r.err.substr(0, 500);
        EXPECT_NE(r.err.find("...\" (100"), std::string::npos) << r.err.substr(0, 500);
    }
}

}  // namespace
}  // namespace vendrel
