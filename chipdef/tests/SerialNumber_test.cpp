// Serial numbers in the image buffer: the words that hold them, and the placements refused.
#include <gtest/gtest.h>

#include "VESK_Exception.h"
#include "chipdef/SerialNumber.h"

using namespace vesk;

namespace {

using TWords = std::vector<std::pair<int32_t, int32_t>>;

// Code 0x100 words at 0, Data 16 at 0x2100, Fuses 1 at 0x2007; `algorithm` for the chip.
TChipDefinition MakeChip(AlgorithmCode algorithm) {
    TChipDefinition chip;
    chip.Name = "T1";
    chip.Id = 1;
    chip.Algorithm = algorithm;
    chip.Regions.emplace_back("Code", RegionCodeCode, 0, 0, 0x100, 0x3FFF, -1);
    chip.Regions.emplace_back("Data", RegionCodeData, 0x2100, 0x2100, 0x10, 0xFF, -1);
    chip.Regions.emplace_back("Fuses", RegionCodeFuses, 0x2007, 0x2007, 1, 0x3FFF, -1);
    return chip;
}

struct TPlaced_t {
    AlgorithmCode Algorithm;
    int32_t Address;
    uint64_t Number;
    int Bytes;
    TWords Words;
};

TEST(SerialNumber, WordsDependOnTheRegionAndTheChipsWordWidth) {
    const TPlaced_t rows[] = {
        // Data: one byte per word, low byte first.
        {AlgorithmPIC16,
         0x2100,
         0x12345678,
         4,
         {{0x2100, 0x78}, {0x2101, 0x56}, {0x2102, 0x34}, {0x2103, 0x12}}},
        // Code of a 14-bit chip: RETLW per byte.
        {AlgorithmPIC16A, 0x0F0, 0x0102, 2, {{0x0F0, 0x3402}, {0x0F1, 0x3401}}},
        // Code of a 16-bit chip: two bytes per word; an odd last byte alone in its word.
        {AlgorithmPIC18, 0x010, 0x0A0B0C, 3, {{0x010, 0x0B0C}, {0x011, 0x000A}}},
        {AlgorithmPIC18, 0x0FE, 0xFFFFFFFF, 4, {{0x0FE, 0xFFFF}, {0x0FF, 0xFFFF}}},
        // The region's last words; 8 bytes take every bit.
        {AlgorithmPIC16,
         0x2108,
         UINT64_MAX,
         8,
         {{0x2108, 0xFF},
          {0x2109, 0xFF},
          {0x210A, 0xFF},
          {0x210B, 0xFF},
          {0x210C, 0xFF},
          {0x210D, 0xFF},
          {0x210E, 0xFF},
          {0x210F, 0xFF}}},
    };
    for (const TPlaced_t& row : rows) {
        TChipDefinition chip = MakeChip(row.Algorithm);
        EXPECT_EQ(SerialNumberWords(chip, row.Address, row.Number, row.Bytes), row.Words) << row.Address;
        TChipSession session(chip);
        PlaceSerialNumber(session, row.Address, row.Number, row.Bytes);
        for (const auto& [address, value] : row.Words)
            EXPECT_EQ(session.Word(address), value);
    }
}

struct TRefused_t {
    int32_t Address;
    uint64_t Number;
    int Bytes;
    const char* Message;
};

TEST(SerialNumber, RefusesWhatCannotBeStored) {
    const TRefused_t rows[] = {
        {0x2100, 0x100000000, 4, "Serial number 4294967296 does not fit in 4 bytes"},
        {0x2100, 256, 1, "Serial number 256 does not fit in 1 byte"},
        {0x2100, 1, 9, "Serial number length 9 bytes: must be 1 to 8"},
        {0x4000, 1, 4, "Serial number at 0x004000: chip T1 has no region there"},
        {0x2007, 1, 1, "Serial number at 0x002007: the Fuses region cannot hold a serial number"},
        {0x210D, 1, 4,
         "Serial number at 0x00210D: 4 words do not fit in the Data region, which ends at 0x00210F"},
    };
    const TChipDefinition chip = MakeChip(AlgorithmPIC16);
    for (const TRefused_t& row : rows) {
        try {
            SerialNumberWords(chip, row.Address, row.Number, row.Bytes);
            ADD_FAILURE() << "accepted: " << row.Message;
        } catch (const VESK_Exception& e) {
            EXPECT_EQ(e.Message(), row.Message);
        }
    }
}

} // namespace
