#include "document/file_suffix.h"

#include <gtest/gtest.h>

#include <string>

namespace vendrel {
namespace {

// Only the file name counts, in any ASCII case, with a name before the
// suffix; other bytes (not UTF-8 among them) are kept as they are.
TEST(FileSuffix, MatchesTheEndOfTheFileNameOnly) {
    struct Case {
        std::string path;
        bool svg;
    };
    const Case cases[] = {
        {"a.svg", true},
        {"runs/B.SVG", true},
        {"runs.svg/b.Svg", true},
        {"/abs/\xff\xfe.svg", true},
        {".svg", false},
        {"runs/.svg", false},
        {"svg", false},
        {"a.svg/", false},
        {"runs.svg/b", false},
        {"a.svg.bak", false},
        {"a.sv\xc7", false},
        {"a_svg", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(has_file_suffix(c.path, ".svg"), c.svg) << c.path;
    }
}

}  // namespace
}  // namespace vendrel
