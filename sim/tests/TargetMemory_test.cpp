// Target memory: layout from the chip, word widths, overlaps, dumps and images.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TargetMemory.h"
#include "TestChip.h"
#include "VESK_Exception.h"
#include "tests/support/TempFolder.h"

namespace vesk::sim {
namespace {

TEST(TargetMemoryTest, WidthMaskCoversTheDefault) {
    const std::pair<int32_t, int32_t> rows[] = {
        {0x3FFF, 0x3FFF}, {0xFF, 0xFF}, {0, 0xFF}, {0xFFFF, 0xFFFF}, {0x1000, 0x1FFF},
    };
    for (const auto& [defaultWord, mask] : rows)
        EXPECT_EQ(TTargetMemory::WidthMask(defaultWord), mask) << defaultWord;
}

TEST(TargetMemoryTest, LaidOutFromTheChipAtDefaults) {
    TTargetMemory m(test::Demo16());
    ASSERT_EQ(m.Regions().size(), 4u);
    EXPECT_EQ(m.Word(0), 0x3FFF);
    EXPECT_EQ(m.Word(0x3FF), 0x3FFF);
    EXPECT_EQ(m.Word(0x400), 0); // outside every region
    EXPECT_EQ(m.Word(0x213F), 0xFF);
    EXPECT_EQ(m.Word(0x2006), 0x0F00);
    EXPECT_FALSE(m.Program(0x400, 1));
    EXPECT_TRUE(m.Program(0x2101, 0x1FF));
    EXPECT_EQ(m.Word(0x2101), 0xFF);
}

// As the chip file describes the silicon: missing bits read as on the chip, and the
// programmed protection bit makes its region read 0 until the next erase.
TEST(TargetMemoryTest, RealChipKeepsOnlyItsBitsAndProtectsUntilErased) {
    TChipDefinition chip;
    chip.LoadFromFile(std::string(VESK_SOURCE_DIR) + "/chips/ChipDef_PIC16F877A.ini");
    TTargetMemory plain(chip);
    plain.Program(0x2007, 0xFF4A);
    EXPECT_EQ(plain.Word(0x2007), 0x3F4A); // every bit up to the width is stored
    TTargetMemory m(chip, true);
    m.Program(0, 0x3001);
    m.Program(0x2100, 0x111);
    EXPECT_EQ(m.Word(0x2100), 0x11);
    m.Program(0x2007, 0x0F4A); // CP on (bit 13 = 0); bit 12 does not exist
    EXPECT_EQ(m.Word(0x2007), 0x1F7A);
    EXPECT_EQ(m.Word(0), 0);         // Code protected
    EXPECT_EQ(m.Word(0x2100), 0x11); // Data not (CPD = 1)
    m.EraseAll();
    EXPECT_EQ(m.Word(0), 0x3FFF);
    EXPECT_EQ(m.Word(0x2007), 0x3FFF);
}

// A configuration word whose flash cell programming can only clear: once programmed,
// its bits come back only with an erase.
TEST(TargetMemoryTest, FusesClearOnlyTakesBitsBackOnlyAtAnErase) {
    TChipDefinition chip;
    chip.LoadFromFile(std::string(VESK_SOURCE_DIR) + "/chips/ChipDef_PIC12F675.ini");
    TTargetMemory m(chip, true, true);
    m.Program(0x2007, 0x1F44); // band gap 01, code protection on
    m.Program(0x2007, 0x3FC4);
    EXPECT_EQ(m.Word(0x2007), 0x1F44);
    m.EraseAll();
    m.Program(0x2007, 0x3FC4);
    EXPECT_EQ(m.Word(0x2007), 0x3FC4);
}

TEST(TargetMemoryTest, OverlappingRegionsResolveToTheFirst) {
    TMemoryRegion a{"Code", 1, 0, 16, 0x3FFF, 0, {}};
    TMemoryRegion b{"Data", 2, 8, 16, 0xFF, 0, {}};
    TTargetMemory m({a, b});
    EXPECT_EQ(m.RegionAt(10)->Name, "Code");
    EXPECT_EQ(m.RegionAt(20)->Name, "Data");
    m.Program(10, 0xFFFF);
    EXPECT_EQ(m.Word(10), 0x3FFF);
}

TEST(TargetMemoryTest, IntelHexDumpLoadsBackIntoTheSameMemory) {
    TTargetMemory m(test::Demo16());
    m.SetWord(0, 0x2834);
    m.SetWord(0x3FF, 0x3412);
    m.SetWord(0x2100, 0x55);
    m.SetWord(0x2007, 0x3F72);
    const vesk::test::TTempFolder dir;
    const std::string path = dir.Path() + "dump.hex";
    std::ofstream(path) << m.DumpIntelHex();
    TTargetMemory n(test::Demo16());
    EXPECT_EQ(n.LoadIntelHexFile(path), 0);
    for (int32_t a : {0, 1, 0x3FF, 0x2100, 0x2101, 0x2007, 0x2000})
        EXPECT_EQ(n.Word(a), m.Word(a)) << a;
    // PIC16 layout: the configuration word at byte address 0x400E.
    EXPECT_NE(vesk::test::ReadText(path).find(":02400E00723F"), std::string::npos);
}

TEST(TargetMemoryTest, HighAddressesGetExtendedAddressRecords) {
    TMemoryRegion config{"Fuses", 3, 0x180000, 2, 0xFFFF, 0, {}};
    TTargetMemory m({config});
    m.SetWord(0x180001, 0xABCD);
    const std::string hex = m.DumpIntelHex();
    EXPECT_NE(hex.find(":020000040030CA"), std::string::npos);
    const vesk::test::TTempFolder dir;
    const std::string path = dir.Path() + "high.hex";
    std::ofstream(path) << hex;
    TTargetMemory n({config});
    n.LoadIntelHexFile(path);
    EXPECT_EQ(n.Word(0x180001), 0xABCD);
}

TEST(TargetMemoryTest, TextDumpListsEveryWord) {
    TTargetMemory m(test::Demo16());
    m.SetWord(1, 0x1234);
    const std::string text = m.DumpText();
    EXPECT_NE(text.find("000001 1234\n"), std::string::npos);
    EXPECT_NE(text.find("002007 3FFF\n"), std::string::npos);
    EXPECT_NE(text.find("; Data 002100..00213F\n"), std::string::npos);
}

TEST(TargetMemoryTest, ImageWordsOutsideMemoryAreCountedAndBadFilesRaise) {
    const vesk::test::TTempFolder dir;
    const std::string path = dir.Path() + "outside.hex";
    // One word at byte 0 (word 0) and one at byte 0x1000 (word 0x800, outside).
    std::ofstream(path) << ":02000000FF3FC0\n:021000003412A8\n:00000001FF\n";
    TTargetMemory m(test::Demo16());
    EXPECT_EQ(m.LoadIntelHexFile(path), 1);
    EXPECT_EQ(m.Word(0), 0x3FFF);
    std::ofstream(path) << ":02000000FF3FC1\n";
    EXPECT_THROW(m.LoadIntelHexFile(path), Exception);
}

} // namespace
} // namespace vesk::sim
