// Filling a chip from a definition file.
#include <gtest/gtest.h>

#include <filesystem>

#include "VESK_Exception.h"
#include "chipdef/ChipSession.h"
#include "tests/support/ChipText.h"
#include "tests/support/TempFolder.h"

using namespace vesk;
using vesk::test::ReadText;
using vesk::test::TChipText;
using vesk::test::TTempFolder;

namespace {

const std::string DataDir = VESK_CHIPDEF_TEST_DATA;
const std::string ChipSection = TChipText("X", 1);

// A chip of one region.
TChipText OneRegion(const std::string& name, int32_t base, int32_t start, int32_t size, int32_t defaultWord) {
    return TChipText("X", 1).Region(name, base, start, size, defaultWord);
}

std::string LoadMessage(const std::string& path) {
    TChipDefinition chip;
    try {
        chip.LoadFromFile(path);
    } catch (const VESK_Exception& e) {
        EXPECT_EQ(e.Kind(), TFailureKind::BadChipFile) << e.Message();
        return e.Message();
    }
    return "(no error)";
}

TChipDefinition FromText(const std::string& text) {
    TChipDefinition chip;
    chip.LoadFromText(text);
    return chip;
}

} // namespace

TEST(ChipDefinitionLoad, Demo16AsDescribed) {
    TChipDefinition chip;
    ASSERT_TRUE(chip.LoadFromFile(DataDir + "/ChipDef_demo.ini"));
    EXPECT_EQ(chip.Name, "DEMO16");
    EXPECT_EQ(chip.Id, 3840);
    EXPECT_EQ(chip.Algorithm, AlgorithmPIC16);
    ASSERT_EQ(chip.Regions.size(), 4u);

    const TChipRegion& code = chip.Regions[0];
    EXPECT_EQ(code.Name, "Code");
    EXPECT_EQ(code.Code, RegionCodeCode);
    EXPECT_EQ(code.Base, 0);
    EXPECT_EQ(code.Start, 0);
    EXPECT_EQ(code.Size, 1024);
    EXPECT_EQ(code.Default, 0x3FFF);
    EXPECT_EQ(code.Algorithm, -1);
    const TChipSession session(chip);
    EXPECT_EQ(session.Words(code), std::vector<int32_t>(1024, 0x3FFF));
    ASSERT_EQ(code.Preserve.size(), 1u);
    EXPECT_EQ(code.Preserve[0].Address, 0x3FF);
    EXPECT_EQ(code.Preserve[0].Mask, 0x3FFF);
    EXPECT_TRUE(session.Saved.empty());

    const TChipRegion& data = chip.Regions[1];
    EXPECT_EQ(data.Code, RegionCodeData);
    EXPECT_TRUE(data.Contains(0x2100));
    EXPECT_TRUE(data.Contains(0x213F));
    EXPECT_FALSE(data.Contains(0x2140));
    EXPECT_EQ(session.Words(data), std::vector<int32_t>(64, 0xFF));
    EXPECT_TRUE(data.Preserve.empty());

    const TChipRegion& fuses = chip.Regions[2];
    EXPECT_EQ(fuses.Code, RegionCodeFuses);
    EXPECT_EQ(fuses.Start, 0x2007);
    EXPECT_EQ(fuses.Size, 1);
    EXPECT_EQ(fuses.Algorithm, AlgorithmPIC16A);
    ASSERT_EQ(fuses.Preserve.size(), 1u);
    EXPECT_EQ(fuses.Preserve[0].Address, 0x2007);
    EXPECT_EQ(fuses.Preserve[0].Mask, 0x3000);

    const TChipRegion& id = chip.Regions[3];
    EXPECT_EQ(id.Code, RegionCodeId);
    EXPECT_EQ(id.Start, 0x2000);
    EXPECT_EQ(id.Size, 4);
    EXPECT_EQ(session.Words(id), std::vector<int32_t>(4, 0x3FFF));

    // Without the keys of what the silicon has, every bit counts: the ID compares
    // exactly, and a verify compares all bits but the preserved ones.
    EXPECT_EQ(chip.IdMask, -1);
    EXPECT_FALSE(chip.MatchesId(3841));
    EXPECT_EQ(code.ImplementedBits(0), -1);
    EXPECT_EQ(code.VerifiedBits(0x3FF), ~0x3FFF);
    EXPECT_EQ(fuses.VerifiedBits(0x2007), ~0x3000);
    EXPECT_TRUE(code.Protect.empty());
}

// Each data/bad/<case>.ini fails with the message in <case>.message.
TEST(ChipDefinitionLoad, BadFilesGiveTheirMessages) {
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DataDir + "/bad")) {
        if (entry.path().extension() != ".ini") continue;
        const std::string path = entry.path().string();
        std::string expected =
            ReadText(std::filesystem::path(entry.path()).replace_extension(".message").string());
        expected.replace(expected.find("%PATH%"), 6, path);
        EXPECT_EQ(LoadMessage(path), expected) << path;
        ++cases;
    }
    EXPECT_GE(cases, 52);
}

TEST(ChipDefinitionLoad, FileErrors) {
    TTempFolder dir;
    EXPECT_EQ(LoadMessage(dir.Path() + "ChipDef_none.ini"),
              "Error reading file: " + dir.Path() +
                  "ChipDef_none.ini\n"
                  "Cannot open file: No such file or directory");
    std::filesystem::create_directory(dir.Path() + "ChipDef_dir.ini");
    EXPECT_EQ(LoadMessage(dir.Path() + "ChipDef_dir.ini"),
              "Error reading file: " + dir.Path() + "ChipDef_dir.ini\nNot a regular file");
    const std::string big = dir.Write("ChipDef_big.ini", std::string((1 << 20) + 1, ';'));
    EXPECT_EQ(LoadMessage(big), "Error reading file: " + big + "\nFile is larger than 1048576 bytes");
    EXPECT_EQ(LoadMessage("/dev/zero"), "Error reading file: /dev/zero\nNot a regular file");
    const std::string longLine =
        dir.Write("ChipDef_long.ini", "[Chip]\n;" + std::string(70000, 'x') + "\nName=X\n");
    EXPECT_EQ(LoadMessage(longLine),
              "Error reading file: " + longLine + "\nLine 2 is longer than 65536 characters");
}

TEST(ChipDefinitionLoad, IdForms) {
    for (const char* id : {"0x0F00", "$F00", "xF00", "3840"})
        EXPECT_EQ(FromText(std::string("[Chip]\nName=X\nAlgorithm=PIC16\nId=") + id).Id, 3840) << id;
}

TEST(ChipDefinitionLoad, NoRegionsAndSizeZero) {
    EXPECT_TRUE(FromText(ChipSection).Regions.empty());
    const auto chip = FromText(OneRegion("Id", 0, 0x2000, 0, 0));
    ASSERT_EQ(chip.Regions.size(), 1u);
    EXPECT_TRUE(TChipSession(chip).Words(chip.Regions[0]).empty());
}

TEST(ChipDefinitionLoad, LargestRegionSizeIsAccepted) {
    const auto chip = FromText(OneRegion("Code", 0, 0, 16777216, 1));
    EXPECT_EQ(TChipSession(chip).Words(chip.Regions[0]).size(), 16777216u);
}

TEST(ChipDefinitionLoad, RegionNumberingStopsAtTheFirstGap) {
    const std::string region = "Base=0\nStart=0\nSize=1\nDefault=0\n";
    const auto chip = FromText(ChipSection + "[Region1]\nName=Code\n" + region + "[Region2]\nName=Data\n" +
                               region + "[Region4]\nName=Fuses\n" + region);
    ASSERT_EQ(chip.Regions.size(), 2u);
    EXPECT_EQ(chip.Regions[1].Name, "Data");
    // An empty section ends the list just as a missing one does; "Region01" is not Region1.
    EXPECT_TRUE(
        FromText(ChipSection + "[Region1]\n;nothing\n[Region2]\nName=Data\n" + region).Regions.empty());
    EXPECT_TRUE(FromText(ChipSection + "[Region01]\nName=Code\n" + region).Regions.empty());
}

TEST(ChipDefinitionLoad, ChipWithoutDataRegionLoads) {
    const auto chip = FromText(OneRegion("Code", 0, 0, 2, 0));
    EXPECT_FALSE(chip.HasRegion(RegionCodeData));
}

TEST(ChipDefinitionLoad, PreserveLists) {
    const auto fuses = [](const std::string& preserve) {
        return OneRegion("Fuses", 0, 0x2007, 2, 0).Preserve(preserve);
    };
    auto chip = FromText(fuses("0x2007=0x3000,0x2008=0x00FF"));
    ASSERT_EQ(chip.Regions[0].Preserve.size(), 2u);
    EXPECT_EQ(chip.Regions[0].Preserve[0].Address, 0x2007);
    EXPECT_EQ(chip.Regions[0].Preserve[0].Mask, 0x3000);
    EXPECT_EQ(chip.Regions[0].Preserve[1].Address, 0x2008);
    EXPECT_EQ(chip.Regions[0].Preserve[1].Mask, 0xFF);
    // Blanks separate items too; quoted items may hold blanks; order is kept, not sorted.
    chip = FromText(fuses(" 0x2008=1  \"0x2007= 2\" , 0x0=3"));
    ASSERT_EQ(chip.Regions[0].Preserve.size(), 3u);
    EXPECT_EQ(chip.Regions[0].Preserve[0].Address, 0x2008);
    EXPECT_EQ(chip.Regions[0].Preserve[1].Mask, 2);
    EXPECT_EQ(chip.Regions[0].Preserve[2].Address, 0);
    // The item's first '=' splits address and mask: "1=2=3" has the mask "2=3", which is bad.
    EXPECT_THROW(FromText(fuses("1=2=3")), VESK_Exception);
}

// A chip without a device ID, the erased values of single words and the named
// configuration fields, as the generated files write them.
TEST(ChipDefinitionLoad, NoIdErasedWordsAndFields) {
    const std::string text = "[Chip]\nName=X\nId=none\nAlgorithm=PIC16\n"
                             "[Region1]\nName=Fuses\nBase=0x2007\nStart=0x2007\nSize=2\nDefault=0x3FFF\n"
                             "Implemented=0x2007=0x3FFF,0x2008=0x0003\nErased=0x2008=0x0003\n"
                             "[Field1]\nName=FOSC\nAddress=0x2007\nMask=0x0003\nOptions=HS=2 \"XT=1\",LP=0\n"
                             "[Field2]\nName=IESO\nAddress=0x2008\nMask=2\nOptions=ON=2,OFF=0\n"
                             "[Field4]\nName=NOTREAD\nAddress=0x2008\nMask=1\nOptions=ON=1\n";
    TChipDefinition chip;
    chip.LoadFromText(text);
    chip.LoadFromText(text); // loading again does not add fields
    EXPECT_FALSE(chip.HasId());
    EXPECT_EQ(chip.IdMask, -1);
    for (const int32_t id : {0, 0x3FFF, 0xFFFF, -1})
        EXPECT_FALSE(chip.MatchesId(id)) << id;
    const TChipRegion& fuses = chip.Regions[0];
    EXPECT_EQ(fuses.ErasedValue(0x2008), 0x0003);
    EXPECT_EQ(fuses.ErasedValue(0x2007), 0x3FFF);

    // Field3 is missing, so Field4 is not read.
    ASSERT_EQ(chip.Fields.size(), 2u);
    const ConfigField_t& fosc = chip.Fields[0];
    EXPECT_EQ(fosc.Name, "FOSC");
    EXPECT_EQ(fosc.Address, 0x2007);
    EXPECT_EQ(fosc.Mask, 3);
    ASSERT_EQ(fosc.Options.size(), 3u);
    EXPECT_EQ(fosc.Options[1].Name, "XT");
    EXPECT_EQ(fosc.Options[1].Value, 1);
    EXPECT_EQ(chip.Fields[1].Address, 0x2008);
    EXPECT_EQ(chip.FieldByName("ieso"), &chip.Fields[1]);
    EXPECT_EQ(chip.FieldByName("IES"), nullptr);
}

TEST(ChipDefinitionLoad, RegionAlgorithmOutsideTheTableMeansTheChips) {
    const auto chip = FromText(OneRegion("Code", 0, 0, 1, 0).Algorithm("pic18"));
    EXPECT_EQ(chip.Regions[0].Algorithm, -1);
}

TEST(ChipDefinitionLoad, LoadingAgainStartsFromAnEmptyChip) {
    TChipDefinition chip;
    ASSERT_TRUE(chip.LoadFromFile(DataDir + "/ChipDef_demo.ini"));
    ASSERT_TRUE(chip.LoadFromFile(DataDir + "/ChipDef_demo.ini"));
    EXPECT_EQ(chip.Regions.size(), 4u);
}

TEST(ChipDefinitionLoad, CrLfAndMissingFinalLineBreak) {
    const auto chip =
        FromText("[Chip]\r\nName=CR\r\nId=7\r\nAlgorithm=PIC18\r\n[Region1]\rName=Code\rBase=0\r"
                 "Start=0\rSize=2\rDefault=0xFFFF");
    EXPECT_EQ(chip.Name, "CR");
    EXPECT_EQ(chip.Algorithm, AlgorithmPIC18);
    ASSERT_EQ(chip.Regions.size(), 1u);
    EXPECT_EQ(chip.Regions[0].Default, 0xFFFF);
}

// Many regions of the largest size used to be allocated one after another until memory
// ran out (200 of them ask for 12.8 GB); all regions together hold at most as many
// words as the largest one.
TEST(ChipDefinitionLoad, RegionsTogetherHoldAtMostTheLargestRegionSize) {
    const auto half = FromText(OneRegion("Code", 0, 0, 8388608, 1).Region("Data", 0, 0x800000, 8388608, 1));
    ASSERT_EQ(half.Regions.size(), 2u);
    EXPECT_EQ(half.Regions[1].Size, 8388608);

    TChipText many("X", 1);
    for (int n = 1; n <= 200; ++n)
        many.Region("Code", 0, 0, 16777216, 0);
    try {
        FromText(many);
        ADD_FAILURE() << "no error";
    } catch (const VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "Error reading section: Region2\nMissing or bad region size");
    }
}

// A file of many sections loads in time in proportion to its size: every section
// name used to be compared with all names before it, so 20,000 regions (a 1 MB file)
// took minutes.
TEST(ChipDefinitionLoad, AFileOfManyRegionsLoadsCompletely) {
    constexpr int Count = 50000;
    TChipText chipText("X", 1);
    for (int n = 1; n <= Count; ++n)
        chipText.Region("Id", 0, n, 1, 0);
    // A repeated section: the first occurrence counts.
    const std::string text = chipText.Text() + "[region7]\nName=Code\n";
    const auto chip = FromText(text);
    ASSERT_EQ(chip.Regions.size(), std::size_t(Count));
    EXPECT_EQ(chip.Regions[6].Name, "Id");
    EXPECT_EQ(chip.Regions[Count - 1].Start, Count);
}
