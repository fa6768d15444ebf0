// Inputs the cycle fuzz target found troublesome, replayed through the
// target itself: each must load, run, draw and save without a crash, an
// abort or a sanitizer report.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(CycleRegressions, EveryKeptInputCompletesItsCycle) {
    int argc = 0;
    char** argv = nullptr;
    LLVMFuzzerInitialize(&argc, &argv);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VENDREL_CYCLE_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                         bytes.size()),
                  0);
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
