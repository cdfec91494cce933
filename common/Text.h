// Text helpers every layer shares: hexadecimal numbers and digits, ASCII letter case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// Upper-case hexadecimal without prefix, zero-padded to at least `digits` digits;
// `digits` below 0 counts as 0 and above 16 as 16. A negative value comes out as the
// eight digits of its 32-bit two's complement (-1 gives "FFFFFFFF"), as a word holds it.
std::string Hex(int64_t value, int digits);

// The value of one hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Letter case of ASCII only, whatever the locale: the names of files, ports, INI keys
// and commands are ASCII, and a byte of another text passes unchanged.
constexpr char LowerCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char UpperCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

// Equality, order (byte values after LowerCase; a prefix comes first) and prefix test
// with ASCII letter case ignored.
bool EqualNoCase(std::string_view a, std::string_view b);
bool LessNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

} // namespace vesk
