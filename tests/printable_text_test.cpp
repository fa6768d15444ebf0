#include "document/printable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vendrel {
namespace {

TEST(PrintableText, EscapesWhatATerminalWouldActOn) {
    struct Case {
        std::string bytes;
        std::string printed;
    };
    const Case cases[] = {
        {"ramp.vdl", "ramp.vdl"},
        {"runs/Überlingen ramp (2).vdl", "runs/Überlingen ramp (2).vdl"},
        {"carbonate \u2014 \u6d77 \U0001f30a.vdl", "carbonate \u2014 \u6d77 \U0001f30a.vdl"},
        {"a\\xff.vdl", "a\\xff.vdl"},  // a backslash stays: printing twice changes nothing
        // Bytes that are not UTF-8.
        {"\xff\xfe.vdl", "\\xff\\xfe.vdl"},
        {"caf\xe9.vdl", "caf\\xe9.vdl"},
        {"\x80", "\\x80"},
        {"cut \xe2\x82", "cut \\xe2\\x82"},
        {"\xc0\xaf overlong", "\\xc0\\xaf overlong"},
        {"\xed\xa0\x80 surrogate", "\\xed\\xa0\\x80 surrogate"},
        {"\xf4\x90\x80\x80 beyond", "\\xf4\\x90\\x80\\x80 beyond"},
        // Control characters.
        {"two\nlines.vdl", "two\\nlines.vdl"},
        {"cr\r tab\t", "cr\\r tab\\t"},
        {"\x1b[31mred\x1b[0m", "\\x1b[31mred\\x1b[0m"},
        {std::string("nul\0!", 5), "nul\\x00!"},
        {"bell\x07 del\x7f", "bell\\x07 del\\x7f"},
        {"c1 \xc2\x9b[2J", "c1 \\xc2\\x9b[2J"},
        {"line sep \xe2\x80\xa8", "line sep \\xe2\\x80\\xa8"},
        {"bidi \xe2\x80\xaeldv.exe", "bidi \\xe2\\x80\\xaeldv.exe"},
        {"isolate \xe2\x81\xa6x\xe2\x81\xa9", "isolate \\xe2\\x81\\xa6x\\xe2\\x81\\xa9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        EXPECT_EQ(printable_text(c.bytes), c.printed);
        EXPECT_EQ(printable_text(printable_text(c.bytes)), c.printed);
    }
}

}  // namespace
}  // namespace vendrel
