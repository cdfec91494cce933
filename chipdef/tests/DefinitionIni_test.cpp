// The definition file reader: line rules, numbers and comma lists.
#include <gtest/gtest.h>

#include <tuple>

#include "DefinitionIni.h"
#include "VESK_Exception.h"

using namespace vesk;

TEST(DefinitionIni, SectionsKeysAndComments) {
    const auto ini = TDefinitionIni::Parse("Name=outside\n"
                                           "; comment\n"
                                           "[Chip]\r\n"
                                           "NAME=first\r"
                                           "name=second\n"
                                           "\n"
                                           ";Id=5\n"
                                           "Id= 7\n"
                                           "Algorithm\n"
                                           "Empty=\n"
                                           " Key=blank in front\n"
                                           "Key2 =blank before equals\n"
                                           "Path=a=b\n");
    const std::tuple<const char*, const char*, const char*> rows[] = {
        // section, key, value
        {"chip", "Name", "first"}, // first occurrence, any case
        {"Chip", "Id", " 7"},      // blanks after '=' stay in the value
        {"Chip", "Algorithm", ""}, // a line without '=' defines no key
        {"Chip", "Empty", ""},
        {"Chip", "Key", ""}, // the key is " Key"
        {"Chip", " Key", "blank in front"},
        {"Chip", "Key2", ""},
        {"Chip", "Key2 ", "blank before equals"},
        {"Chip", "Path", "a=b"},
        {"Missing", "Name", ""},
        {"", "Name", ""}, // lines before the first section are ignored
    };
    for (const auto& [section, key, value] : rows)
        EXPECT_EQ(ini.Value(section, key), value) << "[" << section << "] '" << key << "'";
}

TEST(DefinitionIni, SectionHeaderMustFillTheLine) {
    const auto ini = TDefinitionIni::Parse("[Chip]\nName=A\n"
                                           " [Region1]\nName=B\n"
                                           "[Region2] \nName=C\n"
                                           "[]\nName=D\n");
    EXPECT_FALSE(ini.HasSection("Region1"));
    EXPECT_FALSE(ini.HasSection("Region2"));
    EXPECT_EQ(ini.Value("Chip", "Name"), "A");
    EXPECT_TRUE(ini.HasSection(""));
    EXPECT_EQ(ini.Value("", "Name"), "D");
}

TEST(DefinitionIni, FirstOccurrenceOfASectionCounts) {
    const auto ini =
        TDefinitionIni::Parse("[Region1]\nName=Code\n[Other]\nX=1\n[REGION1]\nName=Data\nSize=5\n");
    EXPECT_EQ(ini.Value("Region1", "Name"), "Code");
    EXPECT_EQ(ini.Value("Region1", "Size"), "");
    EXPECT_EQ(ini.Value("Other", "X"), "1");
}

TEST(DefinitionIni, EmptySectionDoesNotExist) {
    const auto ini = TDefinitionIni::Parse("[Region1]\n; only a comment\n\n[Region2]\nx\n");
    EXPECT_FALSE(ini.HasSection("Region1"));
    EXPECT_TRUE(ini.HasSection("Region2")); // any line counts, with or without '='
    EXPECT_FALSE(ini.HasSection("Region3"));
}

TEST(DefinitionIni, RefusesBinaryAndOverlongLines) {
    try {
        TDefinitionIni::Parse(std::string("[Chip]\nName=A\0B\n", 15));
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Line 2 holds binary data");
    }
    const std::string line(TDefinitionIni::MaxLineLength, 'x');
    EXPECT_NO_THROW(TDefinitionIni::Parse("[Chip]\n" + line + "\n"));
    try {
        TDefinitionIni::Parse("[Chip]\n\n" + line + "y");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Line 3 is longer than 65536 characters");
    }
}

TEST(DefinitionNumber, AllPrefixesGiveTheSameValue) {
    for (const char* text : {"0x0F00", "0X0f00", "$F00", "xF00", "XF00", "3840", "+3840", "   3840",
                             " 0x0F00", "+$f00", "000003840"})
        EXPECT_EQ(ParseDefinitionNumber(text), 3840) << text;
}

TEST(DefinitionNumber, RangeAndSign) {
    EXPECT_EQ(ParseDefinitionNumber("2147483647"), 2147483647);
    EXPECT_EQ(ParseDefinitionNumber("2147483648"), std::nullopt);
    EXPECT_EQ(ParseDefinitionNumber("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseDefinitionNumber("-5"), -5);
    EXPECT_EQ(ParseDefinitionNumber("0xFFFFFFFF"), -1);
    EXPECT_EQ(ParseDefinitionNumber("0x80000000"), INT32_MIN);
    EXPECT_EQ(ParseDefinitionNumber("0x100000000"), std::nullopt);
    EXPECT_EQ(ParseDefinitionNumber("0x0000000000000010"), 16);
    EXPECT_EQ(ParseDefinitionNumber("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseDefinitionNumber("-0x10"), -16);
    EXPECT_EQ(ReadDefinitionNumber("-0x10"), -1);
    EXPECT_EQ(ReadDefinitionNumber("0x7FFFFFFF"), 0x7FFFFFFF);
}

TEST(DefinitionNumber, MalformedTextDoesNotParse) {
    for (const char* text : {"", " ", "+", "-", "0x", "$", "x", "abc", "0x0F00 ", "12 ", "\t12", "1.5",
                             "0x-1", "--1", "0xG", "1e3", "0b101", "12a"})
        EXPECT_EQ(ParseDefinitionNumber(text), std::nullopt) << '"' << text << '"';
    EXPECT_EQ(ReadDefinitionNumber("abc"), -1);
}

TEST(CommaText, SeparatorsAndQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommaText(""), V{});
    EXPECT_EQ(SplitCommaText("   "), V{});
    EXPECT_EQ(SplitCommaText("a=1,b=2"), (V{"a=1", "b=2"}));
    EXPECT_EQ(SplitCommaText(" a=1 , b=2\t"), (V{"a=1", "b=2"}));
    EXPECT_EQ(SplitCommaText("a=1 b=2"), (V{"a=1", "b=2"}));
    EXPECT_EQ(SplitCommaText("a,,b"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText("a,"), (V{"a", ""}));
    EXPECT_EQ(SplitCommaText("a, "), (V{"a"}));
    EXPECT_EQ(SplitCommaText(",a"), (V{"", "a"}));
    EXPECT_EQ(SplitCommaText("\"a = 1, 2\",b"), (V{"a = 1, 2", "b"}));
    EXPECT_EQ(SplitCommaText("\"say \"\"hi\"\"\""), (V{"say \"hi\""}));
    EXPECT_EQ(SplitCommaText("\"open"), (V{"open"}));
}
