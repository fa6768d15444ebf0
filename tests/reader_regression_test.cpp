// Inputs the fuzzer or users found troublesome: each must either read or be
// refused with a ProjectFileError, never crash or read past an array.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/model_state.h"
#include "document/project_reader.h"
#include "tests/test_support.h"

namespace vendrel {
namespace {

TEST(ReaderRegressions, EveryKeptInputReadsOrIsRefused) {
    ModelParameters p = testing::document_parameters();
    auto s = std::make_unique<ModelState>(p);
    const ProjectDefaults defaults = current_project_values(p, DisplaySettings{}, *s);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VENDREL_READER_REGRESSIONS)) {
        SCOPED_TRACE(entry.path().string());
        try {
            const LoadedProject loaded = ReadProjectFile(entry.path().string(), defaults);
            EXPECT_GE(loaded.data.count, 0);
            EXPECT_LE(loaded.data.count, MAX_HORIZON_SLOT);
        } catch (const ProjectFileError& e) {
            EXPECT_NE(std::string(e.what()).find(": line "), std::string::npos) << e.what();
        }
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace vendrel
