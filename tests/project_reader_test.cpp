#include "document/project_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "document/number_parse.h"
#include "document/project.h"
#include "document/project_writer.h"
#include "tests/reference_model.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    return text;
}

TEST(NumberParse, RealsAsTheCLibraryReadsThem) {
    const char* tokens[] = {"250.000000",
                            "-20.000000",
                            "0.1234565",
                            "0.1234575",
                            "2.675",
                            "1e400",
                            "-1e400",
                            "1e-400",
                            "4.9e-324",
                            "-0.000000",
                            "1.5abc",
                            "abc",
                            "",
                            "+7.5",
                            "0x10",
                            ".5",
                            "5.",
                            "inf",
                            "-inf",
                            "infinity",
                            "nan",
                            "-nan",
                            "NaN(123)",
                            "1e5x",
                            "1e",
                            "123456789012345678901234567890.5",
                            "0.30000000000000004440892098500626161694526672363281250001"};
    for (const char* token : tokens) {
        const double expected = std::strtod(token, nullptr);
        const double got = parse_real_leading(token);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(got)) << token;
        } else {
            EXPECT_EQ(got, expected) << token;
            EXPECT_EQ(std::signbit(got), std::signbit(expected)) << token;
        }
    }
}

TEST(NumberParse, IntegersSaturate) {
    struct Case {
        const char* token;
        std::int32_t value;
    };
    const Case cases[] = {{"1", 1},
                          {"1.000000", 1},
                          {"-7", -7},
                          {"+3", 3},
                          {"abc", 0},
                          {"", 0},
                          {"2147483647", 2147483647},
                          {"2147483648", 2147483647},
                          {"99999999999999999999", 2147483647},
                          {"-2147483648", -2147483647 - 1},
                          {"-99999999999", -2147483647 - 1},
                          {"12x", 12}};
    for (const Case& c : cases) {
        EXPECT_EQ(parse_int_leading(c.token), c.value) << c.token;
    }
}

// A valid file of a short run (N = 3) and the values a key-only line keeps.
class ReaderFixture : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ModelParameters p = testing::document_parameters();
        p.totaltime = 600;
        p.display_inc = 300;
        p.isolated_platform = 1;
        text_ = new std::string(format_project_file(testing::run_engine(p)));
    }
    static void TearDownTestSuite() { delete text_; }

    void SetUp() override {
        defaults.params = testing::document_parameters();
        defaults.params.max_x = 1234;
        defaults.params.slip1 = 9;
        defaults.count = 2;
        defaults.x_values.assign(COLUMN_SLOTS, -5.0);
        defaults.sealevels.fill(-7.0);
        lines = split_lines(*text_);
    }
    LoadedProject read(const std::string& text) {
        return parse_project_file(text, "ramp.vdl", defaults);
    }
    LoadedProject read_lines() { return read(joined(lines)); }
    // The message of the error reading `text`, or "" when it reads; reading
    // it from a file gives the same.
    std::string error_of(const std::string& text) {
        std::string message;
        try {
            read(text);
        } catch (const ProjectFileError& e) {
            message = e.what();
        }
        const std::string path = dir.file("ramp.vdl");
        testing::write_file(path, text);
        try {
            ReadProjectFile(path, defaults);
            EXPECT_EQ(message, "") << "only the file read";
        } catch (const ProjectFileError& e) {
            EXPECT_EQ(e.what(), message);
        }
        return message;
    }

    static std::string* text_;
    testing::TempDir dir;
    ProjectDefaults defaults;
    std::vector<std::string> lines;
    static constexpr int N = 3;
    static constexpr int kFirstValues = 2045;                       // line number
    static constexpr int kFirstSeaLevel = kFirstValues + 2000 * N;  // line number
    static constexpr int kFault1 = kFirstSeaLevel + N;
};
std::string* ReaderFixture::text_ = nullptr;

TEST_F(ReaderFixture, ValidFileReadsBack) {
    ASSERT_EQ(lines.size(), 2050u + 2001u * N);
    const LoadedProject loaded = read(*text_);
    EXPECT_EQ(loaded.data.count, N);
    EXPECT_EQ(loaded.data.params.max_x, 2000);
    EXPECT_EQ(loaded.data.params.isolated_platform, 1);
    EXPECT_EQ(loaded.data.params.slip1, 0);
    EXPECT_EQ(format_project_file(loaded.data), *text_);
    ASSERT_TRUE(loaded.first_line_sea_level.has_value());
    EXPECT_EQ(*loaded.first_line_sea_level, 250);
}

TEST_F(ReaderFixture, LinesThatStoreOrKeep) {
    struct Case {
        const char* name;
        int line;
        const char* text;
        double ModelParameters::*field;
        double expected;
    };
    const Case cases[] = {
        {"comma", 32, "max_x,3000\r\n", &ModelParameters::max_x, 3000},
        {"mixed and repeated separators", 32, "max_x ;, 3000\n", &ModelParameters::max_x, 3000},
        {"tab inside is no separator", 32, "max_x\t3000\r\n", &ModelParameters::max_x, 1234},
        {"tab at the ends is trimmed", 32, "\tmax_x 3000\t\r\n", &ModelParameters::max_x, 3000},
        {"key only keeps the old value", 32, "max_x\r\n", &ModelParameters::max_x, 1234},
        {"not a number", 32, "max_x abc\r\n", &ModelParameters::max_x, 0},
        {"leading number", 32, "max_x 12.5m\r\n", &ModelParameters::max_x, 12.5},
        {"extra tokens ignored", 32, "max_x 3000 4000 x\r\n", &ModelParameters::max_x, 3000},
        {"the key is not compared", 32, "anything 3000\r\n", &ModelParameters::max_x, 3000},
        {"line 1 under another key", 1, "max_y 240\r\n", &ModelParameters::baselevel, 240},
        {"fault line key only", kFault1 + 2, "slip1\r\n", &ModelParameters::slip1, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lines = split_lines(*text_);
        lines[c.line - 1] = c.text;
        const LoadedProject loaded = read_lines();
        EXPECT_EQ(loaded.data.params.*c.field, c.expected);
    }
}

TEST_F(ReaderFixture, MultiValueLines) {
    lines[34] = "control_x 1 2 3 4 5 6 7 8 9\r\n";  // lacks its last value
    lines[kFirstValues - 1] = "values 1;2,3\r\n";
    lines[44] = "x_values\r\n";
    lines[kFirstSeaLevel - 1] = "sealevel_values\r\n";
    lines[8] = "draw_bl 1.000000\r\n";
    lines[19] = "includecompact 99999999999\r\n";
    const LoadedProject loaded = read_lines();
    EXPECT_EQ(loaded.data.params.control_x[8], 9);
    EXPECT_EQ(loaded.data.params.control_x[9], 0);
    EXPECT_EQ(loaded.data.horizon(1, 1)[2], 3);
    EXPECT_EQ(loaded.data.horizon(1, 1)[3], 0);
    EXPECT_EQ(loaded.data.x_values[1], -5.0);
    EXPECT_EQ(loaded.data.sealevels[1], -7.0);
    EXPECT_EQ(loaded.data.display.draw_bl, 1);
    EXPECT_EQ(loaded.data.params.includecompact, 2147483647);
}

TEST_F(ReaderFixture, ErrorsNameTheLine) {
    struct Case {
        const char* name;
        std::string text;
        const char* error;
    };
    auto with_line = [&](int number, const std::string& text) {
        std::vector<std::string> copy = split_lines(*text_);
        copy[number - 1] = text;
        return joined(copy);
    };
    auto up_to = [&](int number) {
        const std::vector<std::string> all = split_lines(*text_);
        return joined(std::vector<std::string>(all.begin(), all.begin() + number));
    };
    const Case cases[] = {
        {"empty file", "",
         "ramp.vdl: line 1: expected 1 value after \"baselevel\", found the end of the file"},
        {"values line with two numbers", with_line(kFirstValues + 7, "values 1 2\r\n"),
         "ramp.vdl: line 2052: expected 4 values after \"values\", found 2"},
        {"control_x with eight", with_line(35, "control_x 1 2 3 4 5 6 7 8\r\n"),
         "line 35: expected 10 values after \"control_x\", found 8"},
        {"blank line", with_line(40, "\r\n"),
         "line 40: expected 8 values after \"rates\", found an empty line"},
        {"white space only", with_line(3, " \t \r\n"),
         "line 3: expected 1 value after \"amp_1\", found an empty line"},
        {"ends at the fault lines", up_to(kFault1 - 1),
         "line 8048: expected 1 value after \"fault1\", found the end of the file"},
        {"count 501", with_line(44, "display_current_disp 501\r\n"),
         "line 44: expected a horizon count from 0 to 500 after \"display_current_disp\", found "
         "501"},
        {"count -1", with_line(44, "display_current_disp -1\r\n"), "found -1"},
        {"cut inside section C", up_to(3000), "line 3001: expected 4 values after \"values\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = error_of(c.text);
        EXPECT_NE(message.find(c.error), std::string::npos) << message;
    }
}

TEST_F(ReaderFixture, CountZeroSkipsHorizonsAndSeaLevels) {
    std::vector<std::string> cut(lines.begin(), lines.begin() + kFirstValues - 1);
    cut[43] = "display_current_disp 0\r\n";
    cut.insert(cut.end(), lines.begin() + kFault1 - 1, lines.end());
    lines = cut;
    lines[kFirstValues - 1 + 2] = "slip1 2.5\r\n";
    const LoadedProject loaded = read_lines();
    EXPECT_EQ(loaded.data.count, 0);
    EXPECT_EQ(loaded.data.params.slip1, 2.5);
    EXPECT_EQ(split_lines(format_project_file(loaded.data)).size(), 2050u);
}

TEST_F(ReaderFixture, KeyOnlyCountKeepsThePreviousCount) {
    lines[43] = "display_current_disp\r\n";
    // The previous count is 2: two lines per column, then the sea levels.
    std::vector<std::string> two(lines.begin(), lines.begin() + kFirstValues - 1);
    for (int c = 0; c < 2000; ++c) {
        two.push_back(lines[kFirstValues - 1 + c * N]);
        two.push_back(lines[kFirstValues - 1 + c * N + 1]);
    }
    two.insert(two.end(), lines.begin() + kFirstSeaLevel - 1, lines.end());
    // Sea levels: 3 lines where 2 are read, so the third is taken as fault1.
    lines = two;
    const LoadedProject loaded = read_lines();
    EXPECT_EQ(loaded.data.count, 2);
}

TEST_F(ReaderFixture, LineFeedsAloneReadTheSame) {
    std::string bare = *text_;
    std::string::size_type at = 0;
    while ((at = bare.find("\r\n", at)) != std::string::npos) {
        bare.erase(at, 1);
    }
    EXPECT_EQ(format_project_file(read(bare).data), *text_);
    EXPECT_EQ(format_project_file(read(*text_ + "trailing junk\r\n\r\n").data), *text_);
}

// What is not a project at all is refused from its first lines, before any
// value is taken; a text file of another layout still reads by position.
TEST_F(ReaderFixture, WhatIsNotAProjectIsRefusedFromItsFirstLines) {
    std::string utf16 = "\xff\xfe";
    for (const char c : text_->substr(0, 400)) {
        utf16 += c;
        utf16 += '\0';
    }
    const std::string png = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + *text_;
    std::string nul_on_line_5 = *text_;
    nul_on_line_5.insert(nul_on_line_5.find("wave_2"), 1, '\0');
    std::string nul_after_the_parameters = *text_;
    nul_after_the_parameters.insert(nul_after_the_parameters.find("x_values") + 8, 1, '\0');
    struct Case {
        const char* name;
        std::string text;
        const char* error;  // nullptr: it reads
    };
    const Case cases[] = {
        {"UTF-16", utf16, "not a Vendrel project: ramp.vdl: line 1 holds bytes that are not text"},
        {"PNG", png, "not a Vendrel project: ramp.vdl: line 1 does not begin with a key"},
        {"PDF", "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n1 0 obj\n",
         "not a Vendrel project: ramp.vdl: line 1 does not begin with a key"},
        {"a NUL in the parameters", nul_on_line_5,
         "not a Vendrel project: ramp.vdl: line 6 holds bytes that are not text"},
        {"a NUL past the parameters", nul_after_the_parameters, nullptr},
        {"a UTF-8 byte-order mark", "\xef\xbb\xbf" + *text_, nullptr},
        {"another text", "field notes\nnot a project\n",
         "ramp.vdl: line 3: expected 1 value after \"amp_1\", found the end of the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = error_of(c.text);
        if (c.error == nullptr) {
            EXPECT_EQ(message, "");
        } else {
            EXPECT_EQ(message, c.error);
        }
    }
}

// Lines up to the cap read, longer ones are refused as bad lines, whether
// the file comes from memory or from disk.
TEST_F(ReaderFixture, LinesLongerThanTheCapAreRefused) {
    auto padded = [](std::size_t length) {  // line 3 of `length` bytes before its LF
        std::string line = "amp_1";
        line += std::string(length - line.size() - 3, ' ');
        return line + " 7\r\n";
    };
    struct Case {
        const char* name;
        std::string line3;
        bool cut_after;  // the file ends with that line, without its LF
        const char* error;
    };
    const Case cases[] = {
        {"at the cap", padded(kMaxProjectLineLength), false, nullptr},
        {"one byte over", padded(kMaxProjectLineLength + 1), false,
         "ramp.vdl: line 3: expected 1 value after \"amp_1\", found a line longer than 65536 "
         "bytes"},
        {"over, without a line feed at the end", std::string(3 * kMaxProjectLineLength, '7'), true,
         "line 3: expected 1 value after \"amp_1\", found a line longer than 65536 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lines = split_lines(*text_);
        lines[2] = c.line3;
        if (c.cut_after) {
            lines.resize(3);
        }
        const std::string message = error_of(joined(lines));
        if (c.error == nullptr) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(read_lines().data.params.amp_1, 7);
        } else {
            EXPECT_NE(message.find(c.error), std::string::npos) << message;
        }
    }
}

// Bytes read by this process so far.
long long bytes_read() {
    const std::string io = testing::read_file("/proc/self/io");
    const auto at = io.find("rchar: ");
    return at == std::string::npos ? -1 : std::stoll(io.substr(at + 7));
}

// A 2 GiB file is read no further than it needs: up to its last project
// line, or up to its first bad line.
TEST_F(ReaderFixture, HugeFilesAreReadOnlyAsFarAsNeeded) {
    struct Case {
        const char* name;
        std::string start;
        const char* error;
    };
    const Case cases[] = {
        {"valid project, then zeros", *text_, nullptr},
        {"zeros from the start", "",
         "line 1: expected 1 value after \"baselevel\", found a line "
         "longer than"},
        {"bad line 3, then zeros", "baselevel 1\r\nbaselevel_rise 2\r\n\r\n",
         "line 3: expected 1 value after \"amp_1\", found an empty line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("huge.vdl");
        testing::write_file(path, c.start);
        std::filesystem::resize_file(path, std::uintmax_t(2) << 30);  // sparse
        const long long before = bytes_read();
        std::string message;
        try {
            ReadProjectFile(path, defaults);
        } catch (const ProjectFileError& e) {
            message = e.what();
        }
        const long long read = bytes_read() - before;
        if (c.error == nullptr) {
            EXPECT_EQ(message, "");
        } else {
            EXPECT_NE(message.find(c.error), std::string::npos) << message;
        }
        if (before >= 0) {
            EXPECT_LT(read, std::ptrdiff_t(c.start.size() + 4 * kMaxProjectLineLength));
        }
        std::filesystem::remove(path);
    }
}

TEST_F(ReaderFixture, OnlyRegularFilesOrStandardInputAreRead) {
    const std::string fifo = dir.file("pipe.vdl");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.vdl"));
    struct Case {
        std::string path;
        std::string error;
    };
    const Case cases[] = {
        {"/dev/zero", "cannot open /dev/zero: not a regular file"},
        {fifo, "cannot open " + fifo + ": not a regular file"},  // and no wait for a writer
        {dir.file("folder.vdl"), "cannot open " + dir.file("folder.vdl") + ": Is a directory"},
        {dir.file("none.vdl"),
         "cannot open " + dir.file("none.vdl") + ": No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            ReadProjectFile(c.path, defaults);
            ADD_FAILURE() << "read";
        } catch (const ProjectFileError& e) {
            ADD_FAILURE() << e.what();
        } catch (const FileError& e) {
            EXPECT_EQ(e.what(), c.error);
        }
    }

    // "-" reads standard input.
    const std::string path = dir.file("in.vdl");
    testing::write_file(path, *text_);
    const int saved = dup(STDIN_FILENO);
    const int fd = open(path.c_str(), O_RDONLY);
    dup2(fd, STDIN_FILENO);
    close(fd);
    EXPECT_EQ(format_project_file(ReadProjectFile("-", defaults).data), *text_);
    testing::write_file(path, "baselevel 1\r\n");
    const int again = open(path.c_str(), O_RDONLY);
    dup2(again, STDIN_FILENO);
    close(again);
    try {
        ReadProjectFile("-", defaults);
        ADD_FAILURE() << "read";
    } catch (const ProjectFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "standard input: line 2: expected 1 value after \"baselevel_rise\", found the "
                  "end of the file");
    }
    dup2(saved, STDIN_FILENO);
    close(saved);
}

class OpenProject : public ::testing::Test {
  protected:
    Project project{make_startup_parameters(2)};
    Simulation& sim = project.simulation();
    testing::TempDir dir;

    void SetUp() override { sim.new_model(); }
    std::string saved() {
        const Simulation::ReadGuard model = sim.read();
        return format_project_file(
            take_project_snapshot(model.params(), DisplaySettings{}, model.state()));
    }
    void run(double totaltime, double display_inc) {
        sim.change_parameters([&](ModelParameters& p) {
            p.totaltime = totaltime;
            p.display_inc = display_inc;
            p.baselevel_rise = 7;
        });
        sim.start_run();
        ASSERT_TRUE(sim.wait_until_idle(std::chrono::minutes(1)));
    }
};

TEST_F(OpenProject, SaveOpenSaveGivesTheSameBytes) {
    run(3000, 300);
    const std::string first = saved();
    const std::string path = dir.file("run.vdl");
    save_project_file(path, project.snapshot());
    sim.new_model();
    project.open(path);
    EXPECT_EQ(sim.read().state().horizon_count.load(), 1);
    EXPECT_EQ(sim.read().state().display_current_disp.load(), 11);
    EXPECT_EQ(sim.params().reset_geometry, 0);
    EXPECT_EQ(saved(), first);
    // Slot 0 and the slots above the loaded count hold the planned curve.
    EXPECT_NEAR(sim.read().state().sealevel_values[0], 250 - 7 * 0.3, 1e-9);
}

TEST_F(OpenProject, BrokenFileLeavesEverythingAsItWas) {
    run(3000, 300);
    const std::string path = dir.file("other.vdl");
    {
        ModelParameters other = testing::document_parameters();
        other.totaltime = 1000;
        other.display_inc = 100;
        other.max_x = 3000;
        std::string text = format_project_file(testing::run_engine(other));
        testing::write_file(path, text.substr(0, text.size() / 2));
    }
    const std::string before = saved();
    const double sea_level = sim.read().state().current_sea_level;
    EXPECT_THROW(project.open(path), ProjectFileError);
    EXPECT_EQ(saved(), before);
    EXPECT_EQ(sim.read().state().current_sea_level, sea_level);
    EXPECT_THROW(project.open(dir.file("missing.vdl")), FileError);
    EXPECT_EQ(saved(), before);
}

TEST_F(OpenProject, OpeningStopsARunFirst) {
    const std::string path = dir.file("run.vdl");
    save_project_file(path, project.snapshot());
    sim.start_run();
    project.open(path);
    EXPECT_FALSE(sim.is_running());
    EXPECT_EQ(sim.read().state().display_current_disp.load(), 1);
}

TEST_F(OpenProject, LocaleWithDecimalCommaChangesNothing) {
    run(2000, 500);
    const std::string path = dir.file("a.vdl");
    save_project_file(path, project.snapshot());
    const std::string c_bytes = testing::read_file(path);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (scripts/setup installs it)";
    }
    sim.new_model();
    project.open(path);
    const std::string again = saved();
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(again, c_bytes);
}

}  // namespace
}  // namespace vendrel
