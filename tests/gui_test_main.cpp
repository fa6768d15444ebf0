// Test main for suites that draw: the offscreen platform unless another is
// chosen, and a private runtime folder.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <filesystem>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::filesystem::path runtime = std::filesystem::temp_directory_path() /
                                          ("vendrel-test-runtime-" + std::to_string(getuid()));
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
