#include "driver/VbusFormat.h"

namespace vesk::vbus {

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
