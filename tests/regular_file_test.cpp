#include "document/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "document/file_error.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

// Small inputs are read only from regular files within their limit; a FIFO
// in a file's place is refused at once instead of waiting for a writer.
TEST(RegularFile, ReadsOnlyRegularFilesWithinTheLimit) {
    testing::TempDir dir;
    testing::write_file(dir.file("small"), "a,b\n1,2\n");
    testing::write_file(dir.file("large"), std::string((1 << 20) + 1, 'x'));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));

    EXPECT_EQ(read_regular_file(dir.file("small"), 1 << 20), "a,b\n1,2\n");
    const struct {
        std::string name;
        std::string reason;
    } refused[] = {
        {"missing", "No such file or directory"},
        {"fifo", "not a regular file"},
        {"folder", "Is a directory"},
        {"large", "larger than 1 MiB"},
    };
    for (const auto& c : refused) {
        try {
            read_regular_file(dir.file(c.name), 1 << 20);
            ADD_FAILURE() << c.name << " was read";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), c.reason) << c.name;
        }
    }
}

}  // namespace
}  // namespace vendrel
