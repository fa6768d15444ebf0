// vendrel-sweep design and vendrel-sweep sensitivity as a user runs them.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "tests/test_support.h"

namespace vendrel {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome sweep(const std::string& args, const testing::TempDir& dir) {
    const std::string command = std::string(VENDREL_SWEEP_PATH) + " " + args + " >" +
                                dir.file("out.txt") + " 2>" + dir.file("err.txt");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::read_file(dir.file("out.txt")),
            testing::read_file(dir.file("err.txt"))};
}

std::string description(int seed) {
    return "samples = 6\nseed = " + std::to_string(seed) +
           "\n[fixed]\ntotaltime = 1000\ndisplay_inc = 500\n[free]\n"
           "slip1 = [0, 5]\n"
           "diff_coeff = { range = [0.1, 10], scale = \"log\" }\n"
           "includecompact = { values = [0, 1] }\n";
}

TEST(DesignCommand, TheSameSeedGivesTheSameBytes) {
    testing::TempDir dir;
    testing::write_file(dir.file("d3.toml"), description(3));
    testing::write_file(dir.file("d4.toml"), description(4));
    for (const char* method : {"grid", "lhs", "sobol", "saltelli", "morris"}) {
        SCOPED_TRACE(method);
        const auto make = [&](const std::string& design, const std::string& out) {
            const Outcome r = sweep(
                "design " + dir.file(design) + " --method " + method + " --out " + dir.file(out),
                dir);
            EXPECT_EQ(r.status, 0) << r.err;
            return testing::read_file(dir.file(out));
        };
        const std::string first = make("d3.toml", "a.csv");
        const std::string again = make("d3.toml", "b.csv");
        const std::string other = make("d4.toml", "c.csv");
        EXPECT_EQ(first, again);
        EXPECT_EQ(testing::read_file(dir.file("a.design.toml")),
                  testing::read_file(dir.file("b.design.toml")));
        EXPECT_EQ(testing::read_file(dir.file("a.design.toml")),
                  "method = \"" + std::string(method) + "\"\n" + description(3));
        // The random designs follow the seed.
        if (std::string(method) == "lhs" || std::string(method) == "morris") {
            EXPECT_NE(first, other);
        }
    }
}

TEST(DesignCommand, RefusesBeforeWritingAnything) {
    struct Case {
        const char* what;
        std::string args;
        const char* message;
    };
    testing::TempDir dir;
    testing::write_file(dir.file("ok.toml"), description(1));
    testing::write_file(dir.file("slots.toml"),
                        "samples = 4\nseed = 1\n[fixed]\ntotaltime = 200000\n"
                        "[free]\ndisplay_inc = [10, 100]\n");
    testing::write_file(dir.file("porosity.toml"),
                        "samples = 4\nseed = 1\n[fixed]\nincludecompact = 1\n"
                        "[free]\nphizero = [0.5, 1.5]\n");
    testing::write_file(dir.file("bad.toml"), "samples = 4\nseed = 1\n[free]\nslip = [0, 1]\n");
    const std::string out = " --out " + dir.file("m.csv");
    const Case cases[] = {
        {"a row that overruns the horizon slots",
         "design " + dir.file("slots.toml") + " --method lhs" + out,
         "m.csv: line 2, run \"l000001\": "},
        {"a row a run refuses", "design " + dir.file("porosity.toml") + " --method sobol" + out,
         "run \"s000001\": phizero = 1: must be below 1"},
        {"a bad description", "design " + dir.file("bad.toml") + " --method grid" + out,
         "bad.toml: line 4: free.slip: unknown parameter"},
        {"an unknown method", "design " + dir.file("ok.toml") + " --method sobel" + out,
         "--method is grid, lhs, sobol, saltelli or morris, got \"sobel\""},
        {"no method", "design " + dir.file("ok.toml") + out, "--method is grid"},
        {"no output", "design " + dir.file("ok.toml") + " --method grid", "give --out"},
        {"an option twice", "design " + dir.file("ok.toml") + " --method grid --method lhs" + out,
         "--method is given twice"},
        {"an unknown option", "design " + dir.file("ok.toml") + " --methods grid" + out,
         "unknown option \"--methods\""},
        {"no description", "design --method grid" + out, "no description given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome r = sweep(c.args, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("m.csv")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("m.design.toml")));
    }
}

// A field of sensitivity.csv by metric, parameter and column name.
double field(const std::string& csv, const std::string& metric, const std::string& parameter,
             const std::string& column) {
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    std::vector<std::string> header;
    std::istringstream names(line);
    for (std::string name; std::getline(names, name, ',');) {
        header.push_back(name);
    }
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream values(line);
        for (std::string v; std::getline(values, v, ',');) {
            fields.push_back(v);
        }
        if (fields.size() >= 2 && fields[0] == metric && fields[1] == parameter) {
            for (std::size_t c = 0; c < header.size() && c < fields.size(); ++c) {
                if (header[c] == column) {
                    return std::stod(fields[c]);
                }
            }
        }
    }
    ADD_FAILURE() << "no " << metric << " " << parameter << " " << column << " in\n" << csv;
    return 0;
}

// The slip of a fault placed beyond the section moves no column: its
// total index is 0 within its interval, while the diffusion coefficient
// moves the shoreline.
TEST(SensitivityCommand, AParameterThatCannotActHasNoEffect) {
    testing::TempDir dir;
    testing::write_file(dir.file("d.toml"),
                        "samples = 8\nseed = 3\n[fixed]\ntotaltime = 1000\ndisplay_inc = 500\n"
                        "fault1 = 50000\n[free]\nslip1 = [0, 5]\n"
                        "diff_coeff = { range = [0.1, 10], scale = \"log\" }\n");
    const std::string runs = dir.file("runs");
    Outcome r = sweep(
        "design " + dir.file("d.toml") + " --method saltelli --out " + dir.file("m.csv"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("32 runs of a saltelli design"), std::string::npos) << r.out;
    r = sweep(dir.file("m.csv") + " --out " + runs + " --jobs 2", dir);
    ASSERT_EQ(r.status, 0) << r.err;

    // The sweep keeps the design beside its runs, so the folder alone says
    // which scheme made it.
    EXPECT_EQ(testing::read_file(runs + "/design.toml"),
              testing::read_file(dir.file("m.design.toml")));
    r = sweep("sensitivity " + runs, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string csv = testing::read_file(runs + "/sensitivity.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "metric,parameter,first,first_low,first_high,total,total_low,total_high");
    EXPECT_LE(field(csv, "shoreline_x", "slip1", "total_low"), 0);
    EXPECT_GE(field(csv, "shoreline_x", "slip1", "total_high"), 0);
    EXPECT_GT(field(csv, "shoreline_x", "diff_coeff", "total_low"), 0);
    EXPECT_TRUE(std::filesystem::file_size(runs + "/sensitivity.png") > 0);
    EXPECT_TRUE(std::filesystem::file_size(runs + "/sensitivity.svg") > 0);

    // The same folder, the same numbers.
    r = sweep("sensitivity " + runs + " --design " + dir.file("m.design.toml"), dir);
    EXPECT_EQ(testing::read_file(runs + "/sensitivity.csv"), csv);

    // Another design's runs, and a run that failed, are refused.
    std::filesystem::copy_file(dir.file("m.design.toml"), dir.file("other.design.toml"));
    std::string other = testing::read_file(dir.file("m.design.toml"));
    other.replace(other.find("seed = 3"), 8, "seed = 4");
    other.replace(other.find("saltelli"), 8, "morris");
    testing::write_file(dir.file("other.design.toml"), other);
    r = sweep("sensitivity " + runs + " --design " + dir.file("other.design.toml"), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("manifest.csv is not the manifest of the design"), std::string::npos)
        << r.err;
    // Without a design the folder says nothing of its scheme.
    std::filesystem::remove(runs + "/design.toml");
    r = sweep("sensitivity " + runs, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("runs/design.toml: copy the design"), std::string::npos) << r.err;
    std::string summary = testing::read_file(runs + "/summary.csv");
    summary.replace(summary.find(",ok,"), 4, ",failed,");
    testing::write_file(runs + "/summary.csv", summary);
    r = sweep("sensitivity " + runs + " --design " + dir.file("m.design.toml"), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("1 of 32 runs are not ok (run \"000001-a\" is failed)"), std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace vendrel
