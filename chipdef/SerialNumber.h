// A serial number put into the image buffer, low byte first, after the image is loaded.
//
// Where the word address lies decides how the bytes are stored:
//  * in a Data region: one byte per word;
//  * in the Code of a 14-bit chip: one RETLW instruction (0x3400 | byte) per byte, so the
//    firmware reads its number back with a computed call;
//  * in the Code of a 16-bit chip (algorithm PIC18): two bytes per word, the low byte in
//    bits 7..0; an odd last byte leaves bits 15..8 of its word at 0.
// Any other region (Fuses, Id) cannot hold one.
#pragma once

#include "chipdef/ChipSession.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vesk {

// Serial numbers are 1 to 8 bytes long.
constexpr int SerialBytesMin = 1;
constexpr int SerialBytesMax = 8;

// Raises `VESK_Exception` when `number` does not fit in `bytes` bytes.
void CheckSerialNumberFits(uint64_t number, int bytes);

// The words (address, value) that hold `number` at `address` in `chip`'s buffer. Raises
// `VESK_Exception` when the address lies in no region, the region cannot hold a number,
// the words run past the region's end, or the number does not fit in `bytes` bytes.
// Checking a placement before the number is known: any number that fits, such as 0.
std::vector<std::pair<int32_t, int32_t>> SerialNumberWords(const TChipDefinition& chip, int32_t address,
                                                           uint64_t number, int bytes);

// `SerialNumberWords` stored into the buffer with `SetWord`.
void PlaceSerialNumber(TChipSession& session, int32_t address, uint64_t number, int bytes);

} // namespace vesk
