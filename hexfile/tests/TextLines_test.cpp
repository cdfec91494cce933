// Splitting text into lines and reading files whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "VESK_Exception.h"
#include "hexfile/TextLines.h"
#include "tests/support/TempFolder.h"

using namespace vesk;
using V = std::vector<std::string>;

TEST(TextLines, LineBreaks) {
    const std::pair<std::string, V> rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\n\n", {"a", ""}},
        {"\n", {""}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}}, // LF CR is two breaks
        {"a\r\r\n", {"a", ""}},
    };
    for (const auto& [text, lines] : rows)
        EXPECT_EQ(SplitTextLines(text), lines) << testing::PrintToString(text);
}

TEST(TextLines, LineLimit) {
    EXPECT_EQ(SplitTextLines("a\nb\n", 2), (V{"a", "b"}));
    try {
        SplitTextLines("a\nb\nc", 2);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "File has more than 2 lines");
    }
}

TEST(TextLines, ReadTextFileLimits) {
    vesk::test::TTempFolder dir;
    const std::string path = dir.Write("f.txt", std::string(100, 'x'));
    EXPECT_EQ(ReadTextFile(path, 100).size(), 100u);
    try {
        ReadTextFile(path, 99);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "File is larger than 99 bytes");
    }
    EXPECT_THROW(ReadTextFile(dir.Path(), 100), Exception);
    EXPECT_THROW(ReadTextFile(dir.Path() + "missing", 100), Exception);
}
