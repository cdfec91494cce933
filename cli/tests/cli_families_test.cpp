// A part of every programming family on a target that behaves like its silicon: a
// non-zero revision, memory as the chip file describes it, and an ID answered only to
// its own family's algorithm. `vesk` identifies it with no chip named (a PIC18 by the
// second read, in its own algorithm), and writes and verifies an image that gives every
// configuration field of the chip an option.
#include "ProgramFixture.h"

#include "hexfile/IntelHexWriter.h"

#include <map>

namespace vesk::cli::test {
namespace {

struct Family_t {
    std::string Chip;       // shipped chip the target is
    int32_t Revision;       // silicon revision in the ID's low bits
    std::string Identified; // what `vesk identify` prints
};

void PrintTo(const Family_t& row, std::ostream* out) {
    *out << row.Chip;
}

// True when the option programs a protection bit of the field's word to 0: memory
// would then read 0 and no verify could pass.
bool Protects(const TChipDefinition& chip, const ConfigField_t& field, const ConfigOption_t& option) {
    for (const TChipRegion& region : chip.Regions)
        for (const AddressAndMask_t& p : region.Protect)
            if (p.Address == field.Address && (~option.Value & field.Mask & p.Mask) != 0) return true;
    return false;
}

// Each configuration word of the chip with every field set to an option: the field's
// next option after the one its place in the list names, so that the fields of a word
// take different ones; never an option that turns on protection. Words the erase keeps
// (factory calibration) are left out.
std::map<int32_t, int32_t> ConfigurationWords(const TChipDefinition& chip) {
    const TChipRegion& fuses = chip.RegionByCode(RegionCodeFuses);
    std::map<int32_t, int32_t> words;
    for (int32_t address = fuses.Start; address < fuses.Start + fuses.Size; ++address)
        words[address] = fuses.ErasedValue(address);
    for (const AddressAndMask_t& kept : fuses.Preserve)
        words.erase(kept.Address);
    for (size_t f = 0; f < chip.Fields.size(); ++f) {
        const ConfigField_t& field = chip.Fields[f];
        for (size_t k = 1; k <= field.Options.size(); ++k) {
            const ConfigOption_t& option = field.Options[(f + k) % field.Options.size()];
            if (Protects(chip, field, option)) continue;
            words[field.Address] = (words[field.Address] & ~field.Mask) | option.Value;
            break;
        }
    }
    return words;
}

std::string ImageText(const std::map<int32_t, int32_t>& words) {
    TIntelHexWriter writer;
    for (const auto& [address, word] : words)
        writer.Data(uint64_t(address) * 2, {uint8_t(word), uint8_t(word >> 8)});
    return writer.Finish();
}

class FamilyTest : public ProgramTest, public ::testing::WithParamInterface<Family_t> {};

TEST_P(FamilyTest, IdentifiedThenWrittenAndVerifiedWithoutAChipNamed) {
    const Family_t& row = GetParam();
    TChipDefinition chip;
    chip.LoadFromFile(BuildBinDir() + "ChipDef_" + row.Chip + ".ini");
    ASSERT_FALSE(chip.Fields.empty());
    sim::TOptions options;
    options.RealChip = true;
    options.OwnFamilyOnly = true;
    StartSim(chip, options);
    Sim->SetDeviceId(chip.Id | row.Revision);
    const TChipRegion& fuses = chip.RegionByCode(RegionCodeFuses);
    for (const AddressAndMask_t& kept : fuses.Preserve)
        Sim->SetWord(kept.Address, 0x1555 & kept.Mask); // the factory calibration

    TRunResult r = RunOnSim({"--chipdefs", BuildBinDir(), "identify"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, row.Identified + "\n");

    const std::map<int32_t, int32_t> configuration = ConfigurationWords(chip);
    std::map<int32_t, int32_t> words = configuration;
    words.insert({{0, 0x3001}, {1, 0x008A}, {2, 0x2800}});
    r = RunOnSim(
        {"--chipdefs", BuildBinDir(), "write", WriteImage("image.hex", ImageText(words)), "--verify"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(2), 0x2800);
    for (const AddressAndMask_t& kept : fuses.Preserve)
        EXPECT_EQ(Sim->Word(kept.Address) & kept.Mask, 0x1555 & kept.Mask);
    for (const auto& [address, word] : configuration) {
        const int32_t bits = fuses.ImplementedBits(address);
        EXPECT_EQ(Sim->Word(address) & bits, word & bits) << "at 0x" << std::hex << address;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFamily, FamilyTest,
    ::testing::Values(Family_t{"PIC16F628A", 1, "PIC16F628A"},                            // PIC16
                      Family_t{"PIC16F877A", 4, "PIC16F877A"},                            // PIC16A
                      Family_t{"PIC16F88", 2, "PIC16F88"},                                // PIC16B
                      Family_t{"PIC16F690", 5, "PIC16F690"},                              // PIC16C
                      Family_t{"PIC16F887", 3, "PIC16F887"},                              //
                      Family_t{"PIC12F683", 1, "PIC12F683"},                              //
                      Family_t{"PIC16F639", 2, "PIC16F636 (same device ID: PIC16F639)"},  //
                      Family_t{"PIC18F4550", 3, "PIC18F4550"},                            // PIC18
                      Family_t{"PIC18F452", 6, "PIC18F452 (same device ID: PIC18F4539)"}, //
                      Family_t{"PIC18F2550", 1, "PIC18F2550"}),
    [](const ::testing::TestParamInfo<Family_t>& info) { return info.param.Chip; });

// Chips among hundreds: by a part of the name, and one chip in full; a pattern that
// names nothing is a usage error.
TEST_F(ProgramTest, ChipsListsTheNamesHoldingAPatternAndOneChipInFull) {
    TRunResult r = Run({"--chipdefs", BuildBinDir(), "chips", "f455"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("PIC18F4550  0x1200  PIC18   Code 0x0000 16384, Data 0x780000 128, ", 0), 0u)
        << r.Out;
    EXPECT_NE(r.Out.find("\nPIC18F4553  0x2A00  PIC18   "), std::string::npos) << r.Out;
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 2);

    r = Run({"--chipdefs", BuildBinDir(), "chips", "--long", "16f690"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("PIC16F690\n  Device ID:  0x1400, bits 0x3FE0 name the chip\n", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find("Kept by every erase (factory calibration):\n  0x2008  bits "), std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\n    FOSC      0x0007  EXTRCCLK=0x0007, "), std::string::npos) << r.Out;

    r = Run({"--chipdefs", BuildBinDir(), "chips", "--long", "16F87"}); // ends only PIC16F87's name
    EXPECT_EQ(r.Out.rfind("PIC16F87\n", 0), 0u) << r.Out;
    r = Run({"--chipdefs", BuildBinDir(), "chips", "--long", "18F45"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err.rfind("vesk: more than one chip type matches 18F45: PIC18F4510, ", 0), 0u) << r.Err;
    r = Run({"--chipdefs", BuildBinDir(), "chips", "zz"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err.rfind("vesk: no chip type matches zz\n", 0), 0u) << r.Err;
    r = Run({"--chipdefs", BuildBinDir(), "chips", "--long"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err.rfind("vesk: chips --long needs the chip's name\n", 0), 0u) << r.Err;
}

} // namespace
} // namespace vesk::cli::test
