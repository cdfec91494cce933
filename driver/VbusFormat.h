// Number formats of the VBUS wire and of the driver's messages.
#pragma once

#include "common/Text.h"

#include <cstdint>
#include <string>

namespace vesk::vbus {

// Reads hexadecimal digits of either case, nothing else (no sign, no blank, no
// prefix), as a 32-bit number: values of 80000000 and above come out negative, so
// "FFFFFFFF" reads as -1. Returns -1 for an empty text, a text that is not
// hexadecimal, or more than eight digits.
int32_t ParseHex(const std::string& text);

// The echo the programmer must send for a byte: lower-case letters come back in upper
// case, every other byte unchanged.
inline uint8_t ExpectedEcho(uint8_t b) {
    return static_cast<uint8_t>(UpperCase(static_cast<char>(b)));
}

} // namespace vesk::vbus
