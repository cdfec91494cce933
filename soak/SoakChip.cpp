#include "SoakChip.h"

#include "chipdef/ChipCatalogue.h"
#include "chipdef/ChipDefinition.h"
#include "hexfile/IntelHexWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace vesk::soak {

std::string ChipFileText(int number) {
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "; Soak chip: a small PIC16 with a calibration word and kept fuse bits.\n"
        "[Chip]\nName=SOAK%d\nId=0x%04X\nAlgorithm=PIC16\n"
        "[Region1]\nName=Code\nBase=0\nStart=0\nSize=%d\nDefault=0x%04X\nPreserve=0x%X=0x3FFF\n"
        "[Region2]\nName=Data\nBase=0x%X\nStart=0x%X\nSize=%d\nDefault=0x%X\n"
        "[Region3]\nName=Fuses\nBase=0x%X\nStart=0x%X\nSize=1\nDefault=0x3FFF\nPreserve=0x%X=0x%X\n",
        number, ChipIdBase + number, CodeSize, CodeDefault, CalibrationAddress, DataStart, DataStart,
        DataSize, DataDefault, FusesAddress, FusesAddress, FusesAddress, FusesKeptBits);
    return text;
}

TChipCatalogue LoadSoakChips(int count) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vesk_soak_chips_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "ChipDef_SOAK%03d.ini", i);
        std::ofstream(dir / name) << ChipFileText(i);
    }
    TChipCatalogue chips;
    try {
        chips.Load(dir.string());
    } catch (...) {
        fs::remove_all(dir);
        throw;
    }
    fs::remove_all(dir);
    return chips;
}

const TChipDefinition& SoakChip(const TChipCatalogue& chips, int number) {
    const std::string name = "SOAK" + std::to_string(number);
    for (const auto& chip : chips.Chips())
        if (chip->Name == name) return *chip;
    throw std::runtime_error("soak chip missing: " + name);
}

TImage RandomImage(std::mt19937_64& rng) {
    TImage image;
    std::uniform_int_distribution<int> codeCount(1, 20), dataCount(0, 6), coin(0, 1);
    std::uniform_int_distribution<int32_t> codeAddress(0, CalibrationAddress - 1),
        dataAddress(0, DataSize - 1);
    std::uniform_int_distribution<int32_t> word(0, 0x3FFF), byte(0, 0xFF);
    for (int n = codeCount(rng); n > 0; --n)
        image[codeAddress(rng)] = word(rng);
    for (int n = dataCount(rng); n > 0; --n)
        image[DataStart + dataAddress(rng)] = byte(rng);
    if (coin(rng)) image[FusesAddress] = word(rng) | FusesKeptBits;
    return image;
}

std::string HexText(const TImage& image) {
    return IntelHexWordPerRecord(image);
}

int32_t ExpectedWord(const TImage& image, int32_t address, int32_t calibration) {
    if (address == CalibrationAddress) return calibration;
    const auto it = image.find(address);
    if (it != image.end()) return it->second;
    return address >= DataStart ? DataDefault : CodeDefault;
}

} // namespace vesk::soak
