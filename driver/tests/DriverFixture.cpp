#include "DriverFixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace vesk::test {

namespace {

// Test chips. Files are loaded in name order, so "ChipDef_A_..." comes first.
const std::map<std::string, std::string> ChipFiles = {
    // A plain chip: no preserve entries, no region algorithm.
    {"ChipDef_B_T16.ini", R"([Chip]
Name=T16
Id=0x0F00
Algorithm=PIC16
[Region1]
Name=Code
Base=0
Start=0
Size=2048
Default=0x3FFF
[Region2]
Name=Data
Base=0x2100
Start=0x2100
Size=64
Default=0xFF
[Region3]
Name=Fuses
Base=0x2007
Start=0x2007
Size=1
Default=0x3FFF
[Region4]
Name=Id
Base=0x2000
Start=0x2000
Size=4
Default=0x3FFF
)"},
    // The calibration-word chip: the last Code word is kept whole, two bits of the
    // configuration word are kept from the target.
    {"ChipDef_C_CAL16.ini", R"([Chip]
Name=CAL16
Id=0x0F80
Algorithm=PIC16
[Region1]
Name=Code
Base=0
Start=0
Size=1024
Default=0x3FFF
Preserve=0x3FF=0x3FFF
[Region2]
Name=Data
Base=0x2100
Start=0x2100
Size=128
Default=0xFF
[Region3]
Name=Fuses
Base=0x2007
Start=0x2007
Size=1
Default=0x3FFF
Preserve=0x2007=0x3000
[Region4]
Name=Id
Base=0x2000
Start=0x2000
Size=4
Default=0x3FFF
)"},
    // Several preserve entries per region, in no particular order.
    {"ChipDef_D_MULTI16.ini", R"([Chip]
Name=MULTI16
Id=0x1100
Algorithm=PIC16
[Region1]
Name=Code
Base=0
Start=0
Size=1024
Default=0x3FFF
Preserve=0x3FF=0x3FFF,0x010=0x0F00,0x3FE=0x3FFF
[Region2]
Name=Data
Base=0x2100
Start=0x2100
Size=16
Default=0xFF
[Region3]
Name=Fuses
Base=0x2007
Start=0x2007
Size=2
Default=0x3FFF
Preserve=0x2007=0x3000,0x2008=0x00FF
)"},
    // A region with its own algorithm (PIC16C) on a PIC16 chip.
    {"ChipDef_E_ALG4.ini", R"([Chip]
Name=ALG4
Id=0x1200
Algorithm=PIC16
[Region1]
Name=Code
Base=0
Start=0
Size=256
Default=0x3FFF
Algorithm=PIC16C
[Region2]
Name=Data
Base=0x2100
Start=0x2100
Size=16
Default=0xFF
[Region3]
Name=Fuses
Base=0x2007
Start=0x2007
Size=1
Default=0x3FFF
)"},
    // The PIC18 algorithm: the jump is used in every region.
    {"ChipDef_F_P18.ini", R"([Chip]
Name=P18
Id=0x1300
Algorithm=PIC18
[Region1]
Name=Code
Base=0
Start=0
Size=256
Default=0xFFFF
[Region2]
Name=Data
Base=0x2100
Start=0x2100
Size=16
Default=0xFF
[Region3]
Name=Fuses
Base=0x2007
Start=0x2007
Size=1
Default=0xFFFF
)"},
    // Preserve entries in the Id region, which has no program mode.
    {"ChipDef_G_IDPRES.ini", R"([Chip]
Name=IDPRES
Id=0x1400
Algorithm=PIC16
[Region1]
Name=Code
Base=0
Start=0
Size=64
Default=0x3FFF
[Region2]
Name=Data
Base=0x2100
Start=0x2100
Size=16
Default=0xFF
[Region3]
Name=Fuses
Base=0x2007
Start=0x2007
Size=1
Default=0x3FFF
[Region4]
Name=Id
Base=0x2000
Start=0x2000
Size=4
Default=0x3FFF
Preserve=0x2001=0x00FF
)"},
    // No Data region.
    {"ChipDef_H_NODATA.ini", R"([Chip]
Name=NODATA
Id=0x1500
Algorithm=PIC16
[Region1]
Name=Code
Base=0
Start=0
Size=64
Default=0x3FFF
[Region2]
Name=Fuses
Base=0x2007
Start=0x2007
Size=1
Default=0x3FFF
)"},
    // Two chips with the same Id: the first in the list is the one detected.
    {"ChipDef_I_TWIN1.ini", R"([Chip]
Name=TWIN1
Id=0x1600
Algorithm=PIC16B
[Region1]
Name=Code
Base=0
Start=0
Size=64
Default=0x3FFF
[Region2]
Name=Data
Base=0x2100
Start=0x2100
Size=16
Default=0xFF
[Region3]
Name=Fuses
Base=0x2007
Start=0x2007
Size=1
Default=0x3FFF
)"},
    {"ChipDef_J_TWIN2.ini", R"([Chip]
Name=TWIN2
Id=0x1600
Algorithm=PIC16
[Region1]
Name=Code
Base=0
Start=0
Size=64
Default=0x3FFF
)"},
};

bool Loaded = false;

} // namespace

void LoadTestChips() {
    if (Loaded) return;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vesk_driver_chips_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const auto& [name, text] : ChipFiles)
        std::ofstream(dir / name) << text;
    ChipDefinitions.clear();
    LoadChipDefinitions(dir.string());
    fs::remove_all(dir);
    Loaded = true;
}

TChipDefinition& Chip(const std::string& name) {
    LoadTestChips();
    for (const auto& chip : ChipDefinitions)
        if (chip->Name == name) return *chip;
    throw std::runtime_error("test chip missing: " + name);
}

std::string HexText(const std::map<int32_t, int32_t>& words) {
    std::string text;
    char line[64];
    for (const auto& [address, word] : words) {
        const unsigned byteAddress = static_cast<unsigned>(address) * 2;
        const unsigned lo = word & 0xFF, hi = (word >> 8) & 0xFF;
        const unsigned sum = 2 + (byteAddress >> 8) + (byteAddress & 0xFF) + lo + hi;
        std::snprintf(line, sizeof line, ":02%04X00%02X%02X%02X\n", byteAddress & 0xFFFF, lo, hi,
                      (0x100 - (sum & 0xFF)) & 0xFF);
        text += line;
    }
    return text + ":00000001FF\n";
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
}

void DriverTest::TearDown() {
    Dev.Close();
    if (Sim) Sim->Stop();
}

void DriverTest::StartSim(const std::string& chip, const sim::TOptions& options) {
    Sim = std::make_unique<sim::TSimulator>(Chip(chip), options);
    Sim->Start();
    Dev.SetComPort(Sim->SlavePath());
}

void DriverTest::Faults(const sim::TFaults& faults) {
    Sim->SetFaults(faults);
    if (FShortened) {
        Dev.OnTrace = nullptr;
        Dev.SetComReadTimeout(AmpleTimeoutMs);
        FShortened = false;
    }
}

void DriverTest::SilentAfter(int64_t count) {
    Faults({.StopAfter = count});
    FShortened = true;
    Dev.SetComReadTimeout(count == 0 ? ShortTimeoutMs : AmpleTimeoutMs);
    // Counted as the simulator counts: the bytes sent since the faults were set.
    Dev.OnTrace = [this, count, sent = int64_t(0)](uint8_t, int) mutable {
        if (++sent == count) Dev.SetComReadTimeout(ShortTimeoutMs);
    };
}

void DriverTest::Connect() {
    Dev.Open();
    Dev.Wakeup();
    ClearSent();
}

} // namespace vesk::test
