// The chip definition files delivered with the program, and real images built for them
// by the gputils assembler (sources beside the images in data/).
#include <gtest/gtest.h>

#include <map>

#include "VESK_Exception.h"
#include "chipdef/ChipDefinitions.h"

using namespace vesk;

namespace {

const std::string ShippedDir = VESK_SHIPPED_CHIPS_DIR;
const std::string DataDir = VESK_CHIPDEF_TEST_DATA;

struct Expected_t {
    int32_t Id;
    std::string Algorithm;
    int32_t CodeSize, DataSize, FusesStart, FusesSize, IdStart, DataStart;
    int32_t Default;
};

const std::map<std::string, Expected_t> Expected = {
    {"PIC16F84A", {0x0560, "PIC16", 1024, 64, 0x2007, 1, 0x2000, 0x2100, 0x3FFF}},
    {"PIC16F628A", {0x1060, "PIC16", 2048, 128, 0x2007, 1, 0x2000, 0x2100, 0x3FFF}},
    {"PIC16F876A", {0x0E00, "PIC16A", 8192, 256, 0x2007, 1, 0x2000, 0x2100, 0x3FFF}},
    {"PIC16F877A", {0x0E20, "PIC16A", 8192, 256, 0x2007, 1, 0x2000, 0x2100, 0x3FFF}},
    {"PIC16F88", {0x0760, "PIC16B", 4096, 256, 0x2007, 2, 0x2000, 0x2100, 0x3FFF}},
    {"PIC12F629", {0x0F80, "PIC16", 1024, 128, 0x2007, 1, 0x2000, 0x2100, 0x3FFF}},
    {"PIC12F675", {0x0FC0, "PIC16", 1024, 128, 0x2007, 1, 0x2000, 0x2100, 0x3FFF}},
    {"PIC18F452", {0x0420, "PIC18", 16384, 128, 0x180000, 7, 0x100000, 0x780000, 0xFFFF}},
};

std::vector<std::unique_ptr<TChipDefinition>> LoadShipped(const std::string& dir) {
    std::vector<std::unique_ptr<TChipDefinition>> chips;
    LoadChipDefinitions(dir, chips);
    return chips;
}

TChipDefinition& ChipNamed(std::vector<std::unique_ptr<TChipDefinition>>& chips, const std::string& name) {
    for (auto& chip : chips)
        if (chip->Name == name) return *chip;
    throw std::runtime_error("no chip " + name);
}

TIntelHexFile Image(const std::string& name) {
    TIntelHexFile image;
    image.Load(DataDir + "/" + name);
    return image;
}

// Every word of the image must lie in the region named for its address range.
void ExpectEveryWordInItsRegion(const TChipDefinition& chip, const TIntelHexFile& image) {
    int words = 0;
    for (TIntelHexFileIterator it(image); it.IsValid(); it.Next(), ++words) {
        const int64_t address = it.WordAddress();
        const TChipRegion& region = chip.RegionByAddress(address);
        const auto& e = Expected.at(chip.Name);
        std::string expected = "Code";
        if (address >= e.DataStart)
            expected = "Data";
        else if (address >= e.FusesStart)
            expected = "Fuses";
        else if (address >= e.IdStart)
            expected = "Id";
        EXPECT_EQ(region.Name, expected) << std::hex << address;
    }
    EXPECT_GT(words, 0);
}

} // namespace

// The chips the real images are made for (every generated file is checked against the
// device table by the generator's tests).
TEST(ShippedChips, EveryFileLoadsWithTheRightSizes) {
    auto loaded = LoadShipped(ShippedDir);
    EXPECT_EQ(loaded.size(), FindChipDefinitionFiles(ShippedDir).size());
    for (const auto& [name, e] : Expected) {
        SCOPED_TRACE(name);
        const TChipDefinition* chip = &ChipNamed(loaded, name);
        EXPECT_EQ(chip->Id, e.Id);
        EXPECT_EQ(AlgorithmNameOf(chip->Algorithm), e.Algorithm);
        const TChipRegion& code = chip->RegionByCode(RegionCodeCode);
        const TChipRegion& data = chip->RegionByCode(RegionCodeData);
        const TChipRegion& fuses = chip->RegionByCode(RegionCodeFuses);
        const TChipRegion& id = chip->RegionByCode(RegionCodeId);
        EXPECT_EQ(code.Start, 0);
        EXPECT_EQ(code.Size, e.CodeSize);
        EXPECT_EQ(code.Default, e.Default);
        EXPECT_EQ(data.Start, e.DataStart);
        EXPECT_EQ(data.Size, e.DataSize);
        EXPECT_EQ(data.Default, e.Algorithm == "PIC18" ? 0xFFFF : 0xFF);
        EXPECT_EQ(fuses.Start, e.FusesStart);
        EXPECT_EQ(fuses.Size, e.FusesSize);
        EXPECT_EQ(fuses.Default, e.Default);
        EXPECT_EQ(id.Start, e.IdStart);
        EXPECT_EQ(id.Size, 4);
        EXPECT_EQ(id.Default, e.Default);
        for (const auto& region : chip->Regions)
            EXPECT_EQ(region.Base, region.Start) << region.Name;
    }
    // Their Ids are unique, so target detection cannot confuse two of them.
    for (auto i = Expected.begin(); i != Expected.end(); ++i)
        for (auto j = std::next(i); j != Expected.end(); ++j)
            EXPECT_NE(i->second.Id, j->second.Id) << i->first << " " << j->first;
}

TEST(ShippedChips, CalibrationWordsArePreservedOn12F6xx) {
    auto chips = LoadShipped(ShippedDir);
    for (const char* name : {"PIC12F629", "PIC12F675"}) {
        SCOPED_TRACE(name);
        TChipDefinition& chip = ChipNamed(chips, name);
        const auto& code = chip.RegionByCode(RegionCodeCode).Preserve;
        ASSERT_EQ(code.size(), 1u);
        EXPECT_EQ(code[0].Address, 0x3FF);
        EXPECT_EQ(code[0].Mask, 0x3FFF);
        EXPECT_EQ(code[0].Saved, -1);
        const auto& fuses = chip.RegionByCode(RegionCodeFuses).Preserve;
        ASSERT_EQ(fuses.size(), 1u);
        EXPECT_EQ(fuses[0].Address, 0x2007);
        EXPECT_EQ(fuses[0].Mask, 0x3000);
    }
    // Other chips have nothing to keep.
    EXPECT_TRUE(ChipNamed(chips, "PIC16F877A").RegionByCode(RegionCodeCode).Preserve.empty());
}

TEST(ShippedChips, CopiedBesideThePrograms) {
    const std::vector<std::string> copied = FindChipDefinitionFiles(VESK_BIN_DIR);
    for (const std::string& name : FindChipDefinitionFiles(ShippedDir))
        EXPECT_TRUE(std::binary_search(copied.begin(), copied.end(), name)) << name;
    auto chips = LoadShipped(VESK_BIN_DIR);
    for (const auto& [name, e] : Expected)
        EXPECT_NO_THROW(ChipNamed(chips, name));
}

TEST(ShippedChips, LoadFromTheProgramDirectoryIntoTheGlobalList) {
    ASSERT_TRUE(LoadChipDefinitions());
    EXPECT_GE(ChipDefinitions.size(), Expected.size());
    ChipDefinitions.clear();
}

TEST(GpasmImages, Blink16F877A) {
    auto chips = LoadShipped(ShippedDir);
    TChipDefinition& chip = ChipNamed(chips, "PIC16F877A");
    const TIntelHexFile image = Image("blink16f877a.hex");
    ExpectEveryWordInItsRegion(chip, image);
    ASSERT_TRUE(chip.LoadImage(image));
    const auto& code = chip.RegionByCode(RegionCodeCode).Data;
    EXPECT_EQ(code[0], 0x2805);      // goto start
    EXPECT_EQ(code[1], 0x3FFF);      // gap left erased
    EXPECT_EQ(code[4], 0x0009);      // retfie
    EXPECT_EQ(code[5], 0x1683);      // bsf STATUS, RP0
    EXPECT_EQ(code[0x1FFF], 0x345A); // retlw 0x5A at the last code word
    EXPECT_EQ(chip.RegionByCode(RegionCodeCode).CountNonDefault(), 12);
    EXPECT_EQ(chip.RegionByCode(RegionCodeFuses).Data, std::vector<int32_t>{0x3F32});
    EXPECT_EQ(chip.RegionByCode(RegionCodeId).Data, (std::vector<int32_t>{1, 2, 3, 4}));
    const auto& data = chip.RegionByCode(RegionCodeData);
    EXPECT_EQ(std::vector<int32_t>(data.Data.begin(), data.Data.begin() + 6),
              (std::vector<int32_t>{'V', 'E', 'S', 'K', 0x7E, 0xFF}));
    EXPECT_EQ(data.CountNonDefault(), 5);
}

TEST(GpasmImages, Osccal12F675) {
    auto chips = LoadShipped(ShippedDir);
    TChipDefinition& chip = ChipNamed(chips, "PIC12F675");
    const TIntelHexFile image = Image("osccal12f675.hex");
    ExpectEveryWordInItsRegion(chip, image);
    ASSERT_TRUE(chip.LoadImage(image));
    const auto& code = chip.RegionByCode(RegionCodeCode).Data;
    EXPECT_EQ((std::vector<int32_t>(code.begin(), code.begin() + 8)),
              (std::vector<int32_t>{0x1683, 0x23FF, 0x0090, 0x1005, 0x1283, 0x3001, 0x0685, 0x2805}));
    EXPECT_EQ(code[0x3FF], 0x3FFF); // the calibration word is not in the image
    EXPECT_EQ(chip.RegionByCode(RegionCodeFuses).Data, std::vector<int32_t>{0x31C4});
    EXPECT_EQ(chip.RegionByCode(RegionCodeId).Data, (std::vector<int32_t>{1, 2, 3, 4}));
    const auto& data = chip.RegionByCode(RegionCodeData).Data;
    EXPECT_EQ((std::vector<int32_t>(data.begin(), data.begin() + 5)),
              (std::vector<int32_t>{0x11, 0x22, 0x33, 0xAB, 0xFF}));
}

TEST(GpasmImages, Table18F452) {
    auto chips = LoadShipped(ShippedDir);
    TChipDefinition& chip = ChipNamed(chips, "PIC18F452");
    const TIntelHexFile image = Image("table18f452.hex");
    ExpectEveryWordInItsRegion(chip, image);
    ASSERT_TRUE(chip.LoadImage(image));
    const auto& code = chip.RegionByCode(RegionCodeCode).Data;
    EXPECT_EQ((std::vector<int32_t>(code.begin(), code.begin() + 6)),
              (std::vector<int32_t>{0x0E55, 0x6E80, 0xD7FF, 0x0201, 0x0403, 0xFFFF}));
    EXPECT_EQ(code[0x3FFF], 0xBEEF); // byte address 0x7FFE
    EXPECT_EQ(chip.RegionByCode(RegionCodeId).Data, (std::vector<int32_t>{0x2010, 0x4030, 0x6050, 0x8070}));
    EXPECT_EQ(chip.RegionByCode(RegionCodeFuses).Data,
              (std::vector<int32_t>{0x22FF, 0x0E0F, 0x01FF, 0xFF81, 0xC00F, 0xE00F, 0x400F}));
    const auto& data = chip.RegionByCode(RegionCodeData).Data;
    EXPECT_EQ(data[0], 0xB2A1);
    EXPECT_EQ(data[1], 0xD4C3);
    EXPECT_EQ(data[2], 0xFFFF);
    EXPECT_EQ(data[0x7F], 0xFFEE); // byte address 0xF000FE, the last data word
}

TEST(GpasmImages, LoneBytesLandInTheirHalves) {
    auto chips = LoadShipped(ShippedDir);
    TChipDefinition& chip = ChipNamed(chips, "PIC12F675");
    ASSERT_TRUE(chip.LoadImage(Image("oddbyte12f675.hex")));
    const auto& data = chip.RegionByCode(RegionCodeData).Data;
    EXPECT_EQ(data[0], 0x0011);
    EXPECT_EQ(data[0x3F], 0xABFF); // byte 0x427F: the high half; the low keeps the default
    EXPECT_EQ(data[0x40], 0x0000); // byte 0x4280: the low half
}

// What the silicon of each shipped chip has (the configuration words' bits), the ID
// bits that name it, and which configuration bits protect its memory.
TEST(ShippedChips, DescribeTheirSilicon) {
    const struct {
        const char* Chip;
        std::vector<std::pair<int32_t, int32_t>> Fuses;      // address -> implemented bits
        std::vector<std::pair<int32_t, int32_t>> Code, Data; // protect entries
    } rows[] = {
        {"PIC16F84A", {{0x2007, 0x3FFF}}, {{0x2007, 0x3FF0}}, {}},
        {"PIC16F628A", {{0x2007, 0x21FF}}, {{0x2007, 0x2000}}, {{0x2007, 0x0100}}},
        {"PIC16F876A", {{0x2007, 0x2FCF}}, {{0x2007, 0x2000}}, {{0x2007, 0x0100}}},
        {"PIC16F877A", {{0x2007, 0x2FCF}}, {{0x2007, 0x2000}}, {{0x2007, 0x0100}}},
        {"PIC16F88", {{0x2007, 0x3FFF}, {0x2008, 0x0003}}, {{0x2007, 0x2000}}, {{0x2007, 0x0100}}},
        {"PIC12F629", {{0x2007, 0x31FF}}, {{0x2007, 0x0080}}, {{0x2007, 0x0100}}},
        {"PIC12F675", {{0x2007, 0x31FF}}, {{0x2007, 0x0080}}, {{0x2007, 0x0100}}},
        {"PIC18F452",
         {{0x180000, 0x2700},
          {0x180001, 0x0F0F},
          {0x180002, 0x0100},
          {0x180003, 0x0085},
          {0x180004, 0xC00F},
          {0x180005, 0xE00F},
          {0x180006, 0x400F}},
         {{0x180004, 0x400F}},
         {{0x180004, 0x8000}}},
    };
    auto chips = LoadShipped(ShippedDir);
    const auto entries = [](const std::vector<AddressAndMask_t>& list) {
        std::vector<std::pair<int32_t, int32_t>> pairs;
        for (const auto& e : list)
            pairs.emplace_back(e.Address, e.Mask);
        return pairs;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Chip);
        const TChipDefinition& chip = ChipNamed(chips, row.Chip);
        const bool pic18 = chip.Algorithm == AlgorithmPIC18;
        EXPECT_EQ(chip.IdMask, pic18 ? 0xFFE0 : 0x3FE0);
        EXPECT_TRUE(chip.MatchesId(chip.Id | 0x1F));
        const TChipRegion& fuses = chip.RegionByCode(RegionCodeFuses);
        for (const auto& [address, bits] : row.Fuses)
            EXPECT_EQ(fuses.ImplementedBits(address), bits) << std::hex << address;
        EXPECT_EQ(fuses.UnimplementedReads, pic18 ? 0 : 1);
        EXPECT_EQ(chip.RegionByCode(RegionCodeCode).ImplementedBits(0), pic18 ? 0xFFFF : 0x3FFF);
        EXPECT_EQ(chip.RegionByCode(RegionCodeData).Width, pic18 ? 16 : 8);
        EXPECT_EQ(entries(chip.RegionByCode(RegionCodeCode).Protect), row.Code);
        EXPECT_EQ(entries(chip.RegionByCode(RegionCodeData).Protect), row.Data);
    }
}

TEST(GpasmImages, ImageForAnotherChipFails) {
    auto chips = LoadShipped(ShippedDir);
    TChipDefinition& chip = ChipNamed(chips, "PIC16F84A");
    try {
        chip.LoadImage(Image("blink16f877a.hex"));
        FAIL();
    } catch (const VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "Chip PIC16F84A has no region with address 0x001FFF");
    }
}
