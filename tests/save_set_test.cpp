#include "document/save_set.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/test_support.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::TempDir;
using testing::write_file;

TEST(SaveTarget, SameFileHoweverSpelt) {
    TempDir dir;
    write_file(dir.file("a.vdl"), "a");
    write_file(dir.file("b.vdl"), "b");
    fs::create_directory(dir.file("sub"));
    fs::create_symlink("a.vdl", dir.file("link.vdl"));
    fs::create_symlink(dir.path(), dir.file("sub/up"));
    fs::create_hard_link(dir.file("a.vdl"), dir.file("hard.vdl"));
    struct Case {
        std::string a, b;
        bool same;
    };
    const Case cases[] = {
        {dir.file("a.vdl"), dir.file("./a.vdl"), true},
        {dir.file("a.vdl"), dir.file("sub/../a.vdl"), true},
        {dir.file("a.vdl"), dir.file("link.vdl"), true},
        {dir.file("a.vdl"), dir.file("sub/up/a.vdl"), true},
        {dir.file("new.vdl"), dir.file("sub/up/new.vdl"), true},
        {"-", "/dev/stdout", true},
        {"/dev/null", "/dev/null", true},
        {dir.file("a.vdl"), dir.file("b.vdl"), false},
        // A save gives the path a new file: hard links part.
        {dir.file("a.vdl"), dir.file("hard.vdl"), false},
        {dir.file("a.vdl"), dir.file("sub/a.vdl"), false},
        {"/dev/null", dir.file("a.vdl"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a + " and " + c.b);
        EXPECT_EQ(same_target(resolve_save_target(c.a), resolve_save_target(c.b)), c.same);
    }
}

TEST(SaveSet, RenamesEveryOutputOnlyOnceAllAreWritten) {
    TempDir dir;
    write_file(dir.file("p.vdl"), "old project");
    SaveSet outputs;
    AtomicFile& project = outputs.add(dir.file("p.vdl"));
    AtomicFile& picture = outputs.add(dir.file("p.png"));
    EXPECT_THROW(outputs.add(dir.file("./p.vdl")), FileError);
    project.write("new project");
    picture.write("picture");
    EXPECT_EQ(read_file(dir.file("p.vdl")), "old project");
    outputs.commit();
    EXPECT_EQ(read_file(dir.file("p.vdl")), "new project");
    EXPECT_EQ(read_file(dir.file("p.png")), "picture");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

// A stream that fails (a full device) comes before any rename: every file
// is as it was.
TEST(SaveSet, AFailingStreamLeavesEveryFileAsItWas) {
    TempDir dir;
    write_file(dir.file("a.vdl"), "old a");
    try {
        SaveSet outputs;
        AtomicFile& a = outputs.add(dir.file("a.vdl"));
        AtomicFile& full = outputs.add("/dev/full");
        AtomicFile& b = outputs.add(dir.file("b.vdl"));
        a.write("new a");
        full.write("csv");
        b.write("new b");
        outputs.commit();
        ADD_FAILURE() << "committed";
    } catch (const SaveSetError& e) {
        EXPECT_TRUE(e.replaced().empty());
        EXPECT_EQ(std::string(e.what()), "cannot save /dev/full: No space left on device");
    }
    EXPECT_EQ(read_file(dir.file("a.vdl")), "old a");
    EXPECT_FALSE(fs::exists(dir.file("b.vdl")));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "no temporary is left";
}

// The second rename fails (its name became a folder meanwhile): the error
// names the outputs already saved, the stream (written first) and the file
// renamed before.
TEST(SaveSet, ReportsWhatWasSavedWhenALaterRenameFails) {
    TempDir dir;
    const std::string captured = dir.file("stdout.txt");
    std::fflush(stdout);
    const int saved_stdout = dup(STDOUT_FILENO);
    const int fd = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDOUT_FILENO);
    close(fd);
    write_file(dir.file("a.vdl"), "old a");
    SaveSet outputs;
    AtomicFile& a = outputs.add(dir.file("a.vdl"));
    AtomicFile& b = outputs.add(dir.file("b.vdl"));
    AtomicFile& stream = outputs.add("-");
    stream.write("streamed");
    a.write("new a");
    b.write("new b");
    fs::create_directories(dir.file("b.vdl/inside"));
    try {
        outputs.commit();
        ADD_FAILURE() << "committed";
    } catch (const SaveSetError& e) {
        EXPECT_EQ(e.replaced(), (std::vector<std::string>{"-", dir.file("a.vdl")}));
        EXPECT_NE(std::string(e.what()).find("cannot save " + dir.file("b.vdl")), std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("already saved: - " + dir.file("a.vdl")),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(read_file(dir.file("a.vdl")), "new a");
    EXPECT_TRUE(fs::is_directory(dir.file("b.vdl/inside")));
    dup2(saved_stdout, STDOUT_FILENO);
    close(saved_stdout);
    EXPECT_EQ(read_file(captured), "streamed");
}

}  // namespace
}  // namespace vendrel
