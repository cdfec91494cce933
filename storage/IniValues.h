// Turning property values into INI entry texts and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesk {

// A decimal integer with optional sign, or "0x"/"0X" and up to eight hex digits
// (taken as the 32-bit pattern, so 0xFFFFFFFF is -1). Surrounding blanks are
// allowed. Nothing when the text is not such a number or is out of range.
std::optional<int32_t> TextToInt32(const std::string& text);

// The shortest text that reads back as the same number, with "." as the decimal
// point. Reading also accepts "," as the decimal point.
std::string FloatToText(double value);
std::optional<double> TextToFloat(const std::string& text);

// Entry name of line `index` of string list `name`: name followed by at least
// three digits (N000 ... N999, N1000 ...).
std::string ListEntryName(const std::string& name, std::size_t index);

} // namespace vesk
