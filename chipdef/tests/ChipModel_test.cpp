// The chip and region model and a session's buffer: lookups, buffer words and image loading.
#include <gtest/gtest.h>

#include <climits>

#include "chipdef/ChipSession.h"
#include "tests/support/MessageOf.h"

using namespace vesk;
using vesk::test::MessageOf;

namespace {

TChipDefinition MakeChip() {
    TChipDefinition chip;
    chip.Name = "T1";
    chip.Id = 1;
    chip.Algorithm = AlgorithmPIC16;
    chip.Regions.emplace_back("Code", RegionCodeCode, 0, 0, 0x100, 0x3FFF, -1);
    chip.Regions.emplace_back("Data", RegionCodeData, 0x2100, 0x2100, 0x10, 0xFF, -1);
    return chip;
}

TIntelHexFile ImageOf(const std::string& text) {
    TIntelHexFile image;
    image.LoadFromText(text, "image.hex");
    return image;
}

} // namespace

TEST(ChipSession, NewBufferIsFilledWithDefault) {
    TChipDefinition chip;
    chip.Regions.emplace_back("Code", RegionCodeCode, 0, 0x10, 5, 0x3FFF, AlgorithmPIC16A);
    const TChipRegion& region = chip.Regions[0];
    EXPECT_TRUE(region.Preserve.empty());
    EXPECT_EQ(region.Algorithm, AlgorithmPIC16A);
    TChipSession session(chip);
    EXPECT_EQ(session.Words(region), std::vector<int32_t>(5, 0x3FFF));
    EXPECT_EQ(session.CountNonDefault(region), 0);
    session.Words(region)[2] = 0;
    session.Words(region)[4] = 1;
    EXPECT_EQ(session.CountNonDefault(region), 2);
    // Another session of the same chip has words of its own.
    EXPECT_EQ(TChipSession(chip).CountNonDefault(region), 0);
    session.Reset(region);
    EXPECT_EQ(session.Words(region), std::vector<int32_t>(5, 0x3FFF));
}

TEST(ChipRegion, ContainsIsHalfOpen) {
    TChipRegion region("Data", RegionCodeData, 0, 0x2100, 0x40, 0xFF, -1);
    EXPECT_FALSE(region.Contains(0x20FF));
    EXPECT_TRUE(region.Contains(0x2100));
    EXPECT_TRUE(region.Contains(0x213F));  // Start + Size - 1
    EXPECT_FALSE(region.Contains(0x2140)); // Start + Size
    EXPECT_FALSE(region.Contains(-1));
}

TEST(ChipRegion, SizeZeroContainsNothing) {
    TChipDefinition chip;
    chip.Regions.emplace_back("Id", RegionCodeId, 0, 0x2000, 0, 0x3FFF, -1);
    const TChipRegion& region = chip.Regions[0];
    EXPECT_FALSE(region.Contains(0x2000));
    const TChipSession session(chip);
    EXPECT_TRUE(session.Words(region).empty());
    EXPECT_EQ(session.CountNonDefault(region), 0);
}

TEST(ChipRegion, ContainsDoesNotOverflowNearTheTop) {
    TChipRegion region("Code", RegionCodeCode, 0, INT_MAX - 1, 4, 0, -1);
    EXPECT_TRUE(region.Contains(INT_MAX));
    EXPECT_TRUE(region.Contains(int64_t(INT_MAX) + 2));
    EXPECT_FALSE(region.Contains(int64_t(INT_MAX) + 3));
    EXPECT_FALSE(region.Contains(INT_MIN));
    EXPECT_FALSE(region.Contains(0));
}

TEST(ChipDefinition, LookupsByCode) {
    TChipDefinition chip = MakeChip();
    EXPECT_TRUE(chip.HasRegion(RegionCodeCode));
    EXPECT_TRUE(chip.HasRegion(RegionCodeData));
    EXPECT_FALSE(chip.HasRegion(RegionCodeFuses));
    EXPECT_EQ(chip.RegionByCode(RegionCodeData).Name, "Data");
    EXPECT_EQ(MessageOf([&] { chip.RegionByCode(RegionCodeFuses); }), "Chip T1 has no region with code 0x03");
    EXPECT_EQ(MessageOf([&] { chip.RegionByCode(0x123); }), "Chip T1 has no region with code 0x123");
}

TEST(ChipDefinition, LookupsByAddress) {
    TChipDefinition chip = MakeChip();
    EXPECT_EQ(chip.RegionByAddress(0xFF).Name, "Code");
    EXPECT_EQ(chip.RegionByAddress(0x210F).Name, "Data");
    EXPECT_EQ(MessageOf([&] { chip.RegionByAddress(0x4200); }),
              "Chip T1 has no region with address 0x004200");
    EXPECT_EQ(MessageOf([&] { chip.RegionByAddress(0x100); }), "Chip T1 has no region with address 0x000100");
    EXPECT_EQ(MessageOf([&] { chip.RegionByAddress(0x12345678); }),
              "Chip T1 has no region with address 0x12345678");
}

TEST(ChipDefinition, OverlappingRegionsTheFirstWins) {
    TChipDefinition chip = MakeChip();
    chip.Regions.emplace_back("Id", RegionCodeId, 0, 0x80, 0x100, 0, -1);
    chip.Regions.emplace_back("Code", RegionCodeCode, 0, 0x3000, 1, 0, -1);
    TChipSession session(chip);
    session.SetWord(0x90, 0x1234);
    EXPECT_EQ(session.Words(chip.Regions[0])[0x90], 0x1234);
    EXPECT_EQ(session.CountNonDefault(chip.Regions[2]), 0);
    session.SetWord(0x17F, 7); // only the later region holds it
    EXPECT_EQ(session.Words(chip.Regions[2])[0xFF], 7);
    EXPECT_EQ(&chip.RegionByCode(RegionCodeCode), &chip.Regions[0]);
}

TEST(ChipSession, SetWordStoresTheValueUnchanged) {
    const TChipDefinition chip = MakeChip();
    TChipSession session(chip);
    session.SetWord(0x2100, 0x12345);
    session.SetWord(0x210F, -7);
    EXPECT_EQ(session.Words(chip.Regions[1])[0], 0x12345);
    EXPECT_EQ(session.Word(0x210F), -7);
    session.Reset();
    EXPECT_EQ(session.CountNonDefault(chip.Regions[0]), 0);
    EXPECT_EQ(session.CountNonDefault(chip.Regions[1]), 0);
}

TEST(ChipSession, LoadImagePlacesWordsAndTheLaterOneWins) {
    const TChipDefinition chip = MakeChip();
    TChipSession session(chip);
    const TIntelHexFile real = ImageOf(":0400020034127856E6\n" // words 1, 2 = 0x1234, 0x5678
                                       ":020002009A0062\n"     // word 1 again = 0x009A
                                       ":02420000AB0011\n"     // word 0x2100 = 0xAB
                                       ":00000001FF\n");
    ASSERT_TRUE(session.LoadImage(real));
    EXPECT_EQ(session.Word(1), 0x009A);
    EXPECT_EQ(session.Word(2), 0x5678);
    EXPECT_EQ(session.Word(0x2100), 0xAB);
    EXPECT_EQ(session.CountNonDefault(chip.Regions[0]), 2);
    const TChipSession first = session;
    session.SetWord(0x80, 1); // stale word: a second load starts with a reset
    ASSERT_TRUE(session.LoadImage(real));
    EXPECT_EQ(session.Words(chip.Regions[0]), first.Words(chip.Regions[0]));
    EXPECT_EQ(session.Words(chip.Regions[1]), first.Words(chip.Regions[1]));
}

TEST(ChipSession, LoadImageStopsAtTheFirstWordWithoutRegion) {
    const TChipDefinition chip = MakeChip();
    TChipSession session(chip);
    const TIntelHexFile image = ImageOf(":020000001100ED\n"   // word 0 = 0x11
                                        ":02840000220058\n"   // word 0x4200: no region
                                        ":020004003300C7\n"); // word 2, never reached
    EXPECT_EQ(MessageOf([&] { session.LoadImage(image); }), "Chip T1 has no region with address 0x004200");
    EXPECT_EQ(session.Word(0), 0x11);
    EXPECT_EQ(session.Word(2), 0x3FFF);
}

TEST(ChipSession, LoadImageWithWordsAboveTheSignedRange) {
    TChipDefinition chip = MakeChip();
    // Extended address 0xFFFF: byte addresses 0xFFFF0000.., word 0x7FFF8000...
    const TIntelHexFile image = ImageOf(":02000004FFFFFC\n:020000001100ED\n");
    EXPECT_EQ(MessageOf([&] { TChipSession(chip).LoadImage(image); }),
              "Chip T1 has no region with address 0x7FFF8000");
    chip.Regions.emplace_back("Id", RegionCodeId, 0, 0x7FFF8000, 0x10, 0, -1);
    TChipSession session(chip);
    ASSERT_TRUE(session.LoadImage(image));
    EXPECT_EQ(session.Words(chip.Regions[2])[0], 0x11);
}

// The names of the chip files, exactly as written there; no other spelling is taken.
TEST(NameTables, ExactNamesOnly) {
    const std::pair<const char*, int> regions[] = {{"Code", 1}, {"Data", 2},  {"Fuses", 3}, {"Id", 4},
                                                   {"", -1},    {"code", -1}, {"ID", -1}};
    for (const auto& [name, code] : regions) {
        EXPECT_EQ(RegionCodeOf(name), code) << name;
        if (code >= 0) EXPECT_EQ(RegionNameOf(code), name);
    }
    const std::pair<const char*, int> algorithms[] = {{"PIC16", 0},   {"PIC16A", 1}, {"PIC16B", 2},
                                                      {"PIC18", 3},   {"PIC16C", 4}, {"pic16", -1},
                                                      {"PIC16 ", -1}, {"", -1}};
    for (const auto& [name, code] : algorithms) {
        EXPECT_EQ(AlgorithmCodeOf(name), code) << name;
        if (code >= 0) EXPECT_EQ(AlgorithmNameOf(code), name);
    }
    EXPECT_EQ(AlgorithmNameOf(9), "");
    EXPECT_EQ(AllRegions, 0x7FFF);
}
