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

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = LowerCase(c);
    return lower;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = UpperCase(c);
    return upper;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerCase(a[i]) != LowerCase(b[i])) return false;
    return true;
}

bool LessNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerCase(a[i]));
        const auto y = static_cast<unsigned char>(LowerCase(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace vesk
