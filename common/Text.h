// Text helpers every layer shares: hexadecimal numbers.
#pragma once

#include <cstdint>
#include <string>

namespace vesk {

// Upper-case hexadecimal without prefix, zero-padded to at least `digits` digits;
// `digits` below 0 counts as 0 and above 16 as 16. A negative value comes out as the
// eight digits of its 32-bit two's complement (-1 gives "FFFFFFFF"), as a word holds it.
std::string Hex(int64_t value, int digits);

} // namespace vesk
