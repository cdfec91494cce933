#include "storage/MemIniFile.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using vesk::TMemIniFile;

// Sections are written in creation order with one empty line after each; writing an
// existing entry, or to an existing section, names matched without regard to case,
// replaces or adds in place.
TEST(MemIniFile, WritesInCreationOrderAndReplacesInPlace) {
    using TWrite = std::array<const char*, 3>; // section, name, value
    const std::pair<std::vector<TWrite>, const char*> rows[] = {
        {{{"B", "x", "1"}, {"A", "y", "two words"}, {"b", "z", "3"}},
         "[B]\nx=1\nz=3\n\n[A]\ny=two words\n\n"},
        {{{"S", "First", "1"}, {"S", "Second", "2"}, {"s", "FIRST", "one"}}, "[S]\nFirst=one\nSecond=2\n\n"},
    };
    for (const auto& [writes, text] : rows) {
        TMemIniFile ini;
        for (const auto& [section, name, value] : writes)
            ini.WriteString(section, name, value);
        EXPECT_EQ(ini.Text(), text);
    }
}

TEST(MemIniFile, NamesMatchWithoutRegardToCase) {
    TMemIniFile ini;
    ini.SetText("[DirUd]\nComPort=COM3\n");
    EXPECT_EQ(ini.ReadString("DIRUD", "comport", "x"), "COM3");
    EXPECT_EQ(ini.ReadString("DIRUD", "other", "x"), "x");
    EXPECT_EQ(ini.ReadString("Other", "ComPort", "x"), "x");
}

TEST(MemIniFile, IgnoresLinesBeforeTheFirstSectionEmptyLinesCommentsAndBadLines) {
    TMemIniFile ini;
    ini.SetText("Lost=1\n; comment\n\n[S]\n;Hidden=2\nno equals sign\n=no name\n  Spaced  =  value  \r\n"
                "[broken\nAfter=3\n");
    ASSERT_EQ(ini.Sections().size(), 1u);
    EXPECT_EQ(ini.Text(), "[S]\nSpaced=value\nAfter=3\n\n");
    EXPECT_FALSE(ini.Value("S", "Lost"));
    EXPECT_FALSE(ini.Value("S", "Hidden"));
}

TEST(MemIniFile, ReadsCrLfFilesAndAValueMayHoldAnEqualsSign) {
    TMemIniFile ini;
    ini.SetText("[S]\r\nA=1\r\nB=x=y\r\n");
    EXPECT_EQ(ini.ReadString("S", "A", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "B", ""), "x=y");
}

TEST(MemIniFile, ASectionNamedTwiceContinuesTheFirstAndTheFirstEntryCounts) {
    TMemIniFile ini;
    ini.SetText("[S]\nA=1\n[T]\nB=2\n[s]\nA=9\nC=3\n");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"S", "T"}));
    EXPECT_EQ(ini.ReadString("S", "A", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "C", ""), "3");
}

TEST(MemIniFile, ALineBreakInsideAValueCannotBreakTheFile) {
    TMemIniFile ini;
    ini.WriteString("S", "A", "x\nInjected=1\r\ny\rz");
    EXPECT_EQ(ini.Text(), "[S]\nA=x\\nInjected=1\\ny\\nz\n\n");
    TMemIniFile back;
    back.SetText(ini.Text());
    EXPECT_FALSE(back.Value("S", "Injected"));
}

TEST(MemIniFile, EraseSectionRemovesItWhateverTheCase) {
    TMemIniFile ini;
    ini.SetText("[A]\nx=1\n[B]\ny=2\n");
    ini.EraseSection("a");
    EXPECT_EQ(ini.Text(), "[B]\ny=2\n\n");
}

TEST(MemIniFile, ATruncatedOrBinaryTextNeverFails) {
    const std::string good = "[DIRUD]\nImageFileName=/tmp/a.hex\nComPort=COM1\nRecentFiles=2\n";
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        TMemIniFile ini;
        ini.SetText(good.substr(0, cut));
        (void)ini.Text();
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<std::size_t>(random() % 300), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() % 256);
        if (round % 2 == 0) bytes = "[S]\n" + bytes;
        TMemIniFile ini;
        ini.SetText(bytes);
        TMemIniFile again;
        again.SetText(ini.Text());
        EXPECT_EQ(again.Text(), ini.Text());
    }
    TMemIniFile edge;
    edge.SetText(std::string("[\0]\n[]\n]\n[\n=\n[S]\nA\0B=\0\n", 24));
    EXPECT_EQ(edge.Sections().size(), 3u); // "\0", "" and "S"
}

// A settings file damaged or edited by hand may hold any number of lines: reading and
// writing must stay in proportion to its size (each name used to be looked up by
// walking all names before it, so 20,000 entries took many seconds and 100,000 hung
// the program's start).
TEST(MemIniFile, AFileOfManyEntriesAndSectionsReadsAndWritesCompletely) {
    constexpr int Count = 100000;
    std::string text = "[S]\n";
    for (int i = 0; i < Count; ++i)
        text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    text += "KEY7=again\n"; // a second entry of the same name: the first counts
    for (int i = 0; i < Count / 4; ++i)
        text += "[T" + std::to_string(i) + "]\nA=" + std::to_string(i) + "\n";
    text += "[t5]\nB=later\n"; // continues section T5

    TMemIniFile ini;
    ini.SetText(text);
    ASSERT_EQ(ini.Sections().size(), 1u + Count / 4);
    ASSERT_EQ(ini.Sections()[0].Entries.size(), std::size_t(Count));
    EXPECT_EQ(ini.ReadString("s", "key7", ""), "7");
    EXPECT_EQ(ini.ReadString("S", "Key99999", ""), "99999");
    EXPECT_EQ(ini.ReadString("T5", "B", ""), "later");

    TMemIniFile written;
    for (int i = 0; i < Count; ++i)
        written.WriteString("S", "Key" + std::to_string(i), "x");
    for (int i = 0; i < Count; ++i)
        written.WriteString("s", "KEY" + std::to_string(i), std::to_string(i)); // replaces in place
    EXPECT_EQ(written.Sections()[0].Entries.size(), std::size_t(Count));
    EXPECT_EQ(written.ReadString("S", "Key12345", ""), "12345");
    EXPECT_EQ(written.Sections()[0].Entries[12345].first, "Key12345");

    written.EraseSection("S");
    EXPECT_TRUE(written.Sections().empty());
    written.WriteString("S", "A", "1"); // the index follows the erase
    EXPECT_EQ(written.Text(), "[S]\nA=1\n\n");
}

TEST(MemIniFile, EraseSectionKeepsLookupsOfTheSectionsAfterIt) {
    TMemIniFile ini;
    ini.SetText("[A]\nx=1\n[B]\ny=2\n[C]\nz=3\n");
    ini.EraseSection("b");
    EXPECT_EQ(ini.ReadString("C", "z", ""), "3");
    ini.WriteString("C", "Z", "4");
    ini.WriteString("B", "y", "5");
    EXPECT_EQ(ini.Text(), "[A]\nx=1\n\n[C]\nz=4\n\n[B]\ny=5\n\n");
}
