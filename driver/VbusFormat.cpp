#include "driver/VbusFormat.h"

#include "common/Text.h"

namespace vesk::vbus {

int32_t ParseHex(const std::string& text) {
    if (text.empty() || text.size() > 8) return -1;
    uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return -1;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

} // namespace vesk::vbus
