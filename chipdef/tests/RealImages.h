// Images in the forms that real compilers write, one for every shipped chip, with the
// factory state of a real target and what the chip reads back once they are written.
// The tool and the window write and verify each of them on a simulated real chip.
#pragma once

#include "tests/support/TempFolder.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vesk::test {

struct RealImage_t {
    std::string Chip; // shipped chip; its file is ChipDef_<Chip>.ini
    std::string Hex;  // the image text
    int32_t Revision; // silicon revision the target reports in ID bits 4:0
    // Words the target holds from the factory (calibration), before the write.
    std::vector<std::pair<int32_t, int32_t>> Factory;
    // Words the chip reads back after the write; protected memory reads 0.
    std::vector<std::pair<int32_t, int32_t>> Expected;
};

// A gpasm image of chipdef/tests/data; a file that cannot be read gives a text that
// no reader accepts, so that a test never passes on an empty image.
inline std::string ReadRealImage(const std::string& name) {
    const std::string text = ReadText(std::string(VESK_SOURCE_DIR) + "/chipdef/tests/data/" + name);
    return text.empty() ? "missing " + name : text;
}

// Code 0x3001, 0x008A, 0x2800 at 0; data EEPROM 0x11, 0x22.
#define VESK_PIC16_CODE ":0600000001308A00002817\n"
#define VESK_PIC16_EEPROM ":044200001100220087\n"

inline const std::vector<RealImage_t>& RealImages() {
    static const std::vector<RealImage_t> images = {
        // XC8: the configuration word with bits 15:14 set (0xFFFA).
        {"PIC16F84A",
         ":020000040000FA\n" VESK_PIC16_CODE ":02400E00FAFFB7\n" VESK_PIC16_EEPROM ":00000001FF\n",
         3,
         {},
         {{0, 0x3001}, {2, 0x2800}, {0x2007, 0x3FFA}, {0x2100, 0x11}}},
        // CCS C: its chip name and checksum as comment lines after the end record.
        {"PIC16F628A",
         VESK_PIC16_CODE ":02400E00503F21\n" VESK_PIC16_EEPROM
                         ":00000001FF\n;PIC16F628A\n;CRC=8F3E  CREATED=\"12-Mar-21 10:15\"\n",
         1,
         {},
         {{0, 0x3001}, {0x2007, 0x3F50}, {0x2101, 0x22}}},
        // HI-TECH C: 0xFF72, bits 15:14 set; bits 12, 5 and 4 do not exist and read 1.
        {"PIC16F876A",
         ":020000040000FA\n" VESK_PIC16_CODE ":02400E0072FF3F\n" VESK_PIC16_EEPROM ":00000001FF\n",
         7,
         {},
         {{1, 0x008A}, {0x2007, 0x3F72}, {0x2100, 0x11}}},
        // mikroC: 0x2F4A, bit 12 (which does not exist, reads 1) written 0.
        {"PIC16F877A",
         ":020000040000FA\n" VESK_PIC16_CODE ":02400E004A2F37\n" VESK_PIC16_EEPROM ":00000001FF\n",
         4,
         {},
         {{0, 0x3001}, {0x2007, 0x3F7A}, {0x2101, 0x22}}},
        // SDCC: code and data protection on (CP and CPD of 0x1EF8); CONFIG2 0x3FFC.
        {"PIC16F88",
         ":020000040000FA\n" VESK_PIC16_CODE ":04400E00F81EFC3F5D\n" VESK_PIC16_EEPROM ":00000001FF\n",
         2,
         {},
         {{0, 0}, {0x2100, 0}, {0x2007, 0x1EF8}, {0x2008, 0x3FFC}}},
        // MPASM: band-gap bits 11 in the image; the chip keeps its own (01) and its
        // OSCCAL word at 0x3FF.
        {"PIC12F629",
         ":020000040000FA\n" VESK_PIC16_CODE ":02400E00843FED\n" VESK_PIC16_EEPROM ":00000001FF\n",
         2,
         {{0x3FF, 0x3480}, {0x2007, 0x1FFF}},
         {{0, 0x3001}, {0x3FF, 0x3480}, {0x2007, 0x1F84}, {0x2100, 0x11}}},
        // Great Cow BASIC: data protection on (CPD of 0x3E84); band gap 10 on the chip.
        {"PIC12F675",
         ":020000040000FA\n" VESK_PIC16_CODE ":02400E00843EEE\n" VESK_PIC16_EEPROM ":00000001FF\n",
         9,
         {{0x3FF, 0x3460}, {0x2007, 0x2FFF}},
         {{0, 0x3001}, {0x3FF, 0x3460}, {0x2007, 0x2E84}, {0x2100, 0}}},
        // gpasm's CONFIG directive: configuration bytes at odd addresses and in odd
        // records, code and data protection on; CONFIG1L and CONFIG4H not given.
        {"PIC18F452",
         ReadRealImage("protect18f452.hex"),
         6,
         {},
         {{0, 0},
          {0x780000, 0},
          {0x180000, 0x2200},
          {0x180001, 0x0E0F},
          {0x180003, 0x0081},
          {0x180004, 0x000E}}},
    };
    return images;
}

#undef VESK_PIC16_CODE
#undef VESK_PIC16_EEPROM

} // namespace vesk::test
