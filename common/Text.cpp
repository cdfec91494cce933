#include "common/Text.h"

namespace vesk {

std::string Hex(int64_t value, int digits) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    constexpr int Room = 16; // no value needs more than 16 digits
    uint64_t bits = value < 0 ? static_cast<uint32_t>(value) : static_cast<uint64_t>(value);
    const int width = digits < 0 ? 0 : (digits > Room ? Room : digits);
    char text[Room];
    int first = Room;
    do {
        text[--first] = Digits[bits & 0xF];
        bits >>= 4;
    } while (bits != 0);
    while (Room - first < width)
        text[--first] = '0';
    return std::string(text + first, text + Room);
}

} // namespace vesk
