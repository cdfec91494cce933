#include "DriverFixture.h"

#include "tests/support/ChipText.h"
#include "tests/support/TempFolder.h"

#include <stdexcept>

namespace vesk::test {

namespace {

// A chip without a device ID ("Id=none"), as the PIC16F84 is.
std::string NoIdChip() {
    std::string text = TChipText("NOID", 0).Code(64).Data(16).Fuses().Id();
    text.replace(text.find("Id=0x0000"), 9, "Id=none");
    return text;
}

// Test chips. Files are loaded in name order, so "ChipDef_A_..." comes first.
const std::map<std::string, std::string> ChipFiles = {
    // Loaded first, and still never the chip an ID names.
    {"ChipDef_A_NOID.ini", NoIdChip()},
    // A plain chip: no preserve entries, no region algorithm.
    {"ChipDef_B_T16.ini", TChipText("T16", 0x0F00).Code(2048).Data(64).Fuses().Id()},
    // The calibration-word chip: the last Code word is kept whole, two bits of the
    // configuration word are kept from the target.
    {"ChipDef_C_CAL16.ini", TChipText("CAL16", 0x0F80)
                                .Code(1024)
                                .Preserve("0x3FF=0x3FFF")
                                .Data(128)
                                .Fuses()
                                .Preserve("0x2007=0x3000")
                                .Id()},
    // Several preserve entries per region, in no particular order.
    {"ChipDef_D_MULTI16.ini", TChipText("MULTI16", 0x1100)
                                  .Code(1024)
                                  .Preserve("0x3FF=0x3FFF,0x010=0x0F00,0x3FE=0x3FFF")
                                  .Data(16)
                                  .Fuses(2)
                                  .Preserve("0x2007=0x3000,0x2008=0x00FF")},
    // A region with its own algorithm (PIC16C) on a PIC16 chip.
    {"ChipDef_E_ALG4.ini", TChipText("ALG4", 0x1200).Code(256).Algorithm("PIC16C").Data(16).Fuses()},
    // The PIC18 algorithm: the jump is used in every region.
    {"ChipDef_F_P18.ini", TChipText("P18", 0x1300, "PIC18").Code(256, 0xFFFF).Data(16).Fuses(1, 0xFFFF)},
    // Preserve entries in the Id region, which has no program mode.
    {"ChipDef_G_IDPRES.ini",
     TChipText("IDPRES", 0x1400).Code(64).Data(16).Fuses().Id().Preserve("0x2001=0x00FF")},
    // No Data region.
    {"ChipDef_H_NODATA.ini", TChipText("NODATA", 0x1500).Code(64).Fuses()},
    // Two chips with the same Id: the first in the list is the one detected.
    {"ChipDef_I_TWIN1.ini", TChipText("TWIN1", 0x1600, "PIC16B").Code(64).Data(16).Fuses()},
    {"ChipDef_J_TWIN2.ini", TChipText("TWIN2", 0x1600).Code(64)},
};

bool Loaded = false;

} // namespace

void LoadTestChips() {
    if (Loaded) return;
    const TTempFolder folder;
    for (const auto& [name, text] : ChipFiles)
        folder.Write(name, text);
    ChipDefinitions.clear();
    LoadChipDefinitions(folder.Path());
    Loaded = true;
}

TChipDefinition& Chip(const std::string& name) {
    LoadTestChips();
    for (const auto& chip : ChipDefinitions)
        if (chip->Name == name) return *chip;
    throw std::runtime_error("test chip missing: " + name);
}

TIntelHexFile HexImage(const std::map<int32_t, int32_t>& words) {
    TIntelHexFile file;
    file.LoadFromText(HexText(words), "test.hex");
    return file;
}

std::string Repeat(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

void DriverTest::SetUp() {
    LoadTestChips();
    Dev.SetComReadTimeout(AmpleTimeoutMs);
    Link.SetReadTimeoutMs(AmpleTimeoutMs);
}

void DriverTest::TearDown() {
    Dev.Close();
}

void DriverTest::StartSim(const std::string& chip, const sim::TOptions& options) {
    Sim = std::make_unique<sim::TSimulator>(Chip(chip), options);
    Line().Plug(*Sim);
}

void DriverTest::Connect() {
    Dev.Open();
    Dev.Wakeup();
    ClearSent();
}

} // namespace vesk::test
