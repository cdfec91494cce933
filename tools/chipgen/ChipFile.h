// The text of one chip definition file, made from the part's facts.
#pragma once

#include <cstdint>
#include <string>

#include "DeviceTable.h"

namespace vesk::chipgen {

// Where the regions of a core lie, in word addresses of the image files, and what
// their words hold.
struct CoreLayout_t {
    int AddressDigits;     // of the addresses written in the file
    uint32_t WordDefault;  // an erased Code, Fuses or Id word
    int WordWidth;         // bits of a Code, Fuses or Id word
    uint32_t IdStart;      // ID locations
    uint32_t FusesStart;   // the first configuration word
    uint32_t DataStart;    // data EEPROM
    int DataBytesPerWord;  // EEPROM bytes in one word of the Data region
    uint32_t DataDefault;  // an erased Data word
    int DataWidth;         // bits of a Data word
    int UnimplementedRead; // what a configuration bit the silicon lacks reads as
};

const CoreLayout_t& LayoutOf(const Device_t& device);

// "0x" and at least `digits` upper-case hexadecimal digits.
std::string Hex(uint32_t value, int digits);

// The words the Fuses region spans: the configuration words, and a calibration word
// after them when the part has one there.
uint32_t FusesSize(const Device_t& device);

// The file name ("ChipDef_<NAME>.ini") and the whole text of the part's file.
std::string ChipFileName(const Device_t& device);
std::string ChipFileText(const Device_t& device);

// The comment lines at the top of the file: what it describes.
std::string ChipFileComments(const Device_t& device);

} // namespace vesk::chipgen
