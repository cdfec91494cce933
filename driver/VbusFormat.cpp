#include "driver/VbusFormat.h"

#include <cstdio>

namespace vesk::vbus {

std::string Hex(int64_t value, int width) {
    uint64_t bits = value < 0 ? static_cast<uint32_t>(value) : static_cast<uint64_t>(value);
    // No number of the wire or of a message needs more than 16 digits.
    const int digits = width < 0 ? 0 : (width > 16 ? 16 : width);
    char text[32];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(bits));
    return text;
}

int32_t ParseHex(const std::string& text) {
    if (text.empty() || text.size() > 8) return -1;
    uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return -1;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

} // namespace vesk::vbus
