#include "document/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "tests/test_support.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;
using testing::write_file;

std::size_t entries_in(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

TEST(AtomicFile, ReplacesTheOldFileWholly) {
    TempDir dir;
    const std::string target = dir.file("ramp.vdl");
    write_file(target, "old contents");
    write_file_atomically(target, "new contents");
    EXPECT_EQ(read_file(target), "new contents");
    EXPECT_EQ(entries_in(dir.path()), 1u) << "a temporary file was left behind";
}

TEST(AtomicFile, FailuresLeaveTheOldFileAndNoTemporary) {
    TempDir dir;
    fs::create_directory(dir.file("folder"));
    struct Case {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {"missing folder", dir.file("no/such/folder/x.vdl")},
        {"target is a folder", dir.file("folder")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(write_file_atomically(c.path, "x"), FileError);
        EXPECT_THROW(ensure_writable_target(c.path), FileError);
    }
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST(AtomicFile, WriteFailureMidwayKeepsOldFile) {
    // A file-size limit makes the write fail part of the way, as a full disk
    // would.
    TempDir dir;
    const std::string target = dir.file("ramp.vdl");
    write_file(target, "old project");
    const auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string error;
    try {
        write_file_atomically(target, std::string(100000, 'x'));
    } catch (const FileError& e) {
        error = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old_limit);
    signal(SIGXFSZ, old_handler);
    EXPECT_NE(error.find(target), std::string::npos) << error;
    EXPECT_EQ(read_file(target), "old project");
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

// A child saves over the project again and again and is killed at random
// moments: the project is always one of the two complete versions.
TEST(AtomicFile, SurvivesKillsDuringSaves) {
    TempDir dir;
    const std::string target = dir.file("ramp.vdl");
    const std::string versions[2] = {std::string(3 << 20, 'a') + "end a",
                                     std::string(2 << 20, 'b') + "end b"};
    write_file(target, versions[0]);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> delay_us(0, 30000);
    int killed_mid_save = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int k = round;; ++k) {
                write_file_atomically(target, versions[k % 2]);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = read_file(target);
        ASSERT_TRUE(now == versions[0] || now == versions[1])
            << "round " << round << ": " << now.size() << " bytes";
        killed_mid_save += entries_in(dir.path()) > 1 ? 1 : 0;
    }
    EXPECT_GT(killed_mid_save, 0) << "no kill landed during a save";
    write_file_atomically(target, "final");
    EXPECT_EQ(read_file(target), "final");
    EXPECT_EQ(entries_in(dir.path()), 1u) << "temporary files of killed saves were left";
}

}  // namespace
}  // namespace vendrel
