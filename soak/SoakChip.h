// The small chips the soak programs, and the random images it writes to them.
#pragma once

#include "chipdef/ChipCatalogue.h"

#include <cstdint>
#include <map>
#include <random>
#include <string>

namespace vesk::soak {

// Layout of every soak chip: Code 64 words with a kept calibration word at its end,
// Data 16 words, one configuration word of which two bits are kept from the target.
inline constexpr int32_t CodeSize = 64;
inline constexpr int32_t CodeDefault = 0x3FFF;
inline constexpr int32_t CalibrationAddress = 0x3F;
inline constexpr int32_t DataStart = 0x2100;
inline constexpr int32_t DataSize = 16;
inline constexpr int32_t DataDefault = 0xFF;
inline constexpr int32_t FusesAddress = 0x2007;
inline constexpr int32_t FusesKeptBits = 0x3000;
// Chip IDs are 0x0A00 + the chip's number; IDs the target may report instead lie
// outside that block.
inline constexpr int32_t ChipIdBase = 0x0A00;

// Text of the definition file of soak chip `number` ("SOAK<number>").
std::string ChipFileText(int number);

// Writes the definition files of chips 0..count-1 into a fresh temporary folder,
// loads them and removes the folder again.
TChipCatalogue LoadSoakChips(int count);

// Soak chip `number` of `chips`.
const TChipDefinition& SoakChip(const TChipCatalogue& chips, int number);

// Word address -> word of an image: some Code words (never the calibration word),
// some Data words and the configuration word with the kept bits set as the
// erased chip has them.
using TImage = std::map<int32_t, int32_t>;
TImage RandomImage(std::mt19937_64& rng);

// Intel HEX text of an image, one record per word.
std::string HexText(const TImage& image);

// The word an image puts at an address once written to an erased chip, where the
// chip keeps `calibration` at the calibration address.
int32_t ExpectedWord(const TImage& image, int32_t address, int32_t calibration);

} // namespace vesk::soak
