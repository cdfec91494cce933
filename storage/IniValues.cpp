#include "storage/IniValues.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace vesk {

namespace {

std::string TrimBlanks(const std::string& s) {
    std::size_t first = 0;
    std::size_t last = s.size();
    while (first < last && (s[first] == ' ' || s[first] == '\t'))
        ++first;
    while (last > first && (s[last - 1] == ' ' || s[last - 1] == '\t'))
        --last;
    return s.substr(first, last - first);
}

} // namespace

std::optional<int32_t> TextToInt32(const std::string& input) {
    const std::string text = TrimBlanks(input);
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint64_t value = 0;
        const auto [ptr, ec] = std::from_chars(begin + 2, end, value, 16);
        if (ec != std::errc() || ptr != end || value > 0xFFFFFFFFu) return std::nullopt;
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    // from_chars takes a '-' but not a '+'.
    const bool plus = begin != end && *begin == '+';
    if (plus) ++begin;
    if (begin == end || (plus && (*begin == '-' || *begin == '+'))) return std::nullopt;
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value, 10);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::string FloatToText(double value) {
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return "0";
    return std::string(buffer, ptr);
}

std::optional<double> TextToFloat(const std::string& input) {
    std::string text = TrimBlanks(input);
    if (text.find('.') == std::string::npos) {
        const std::size_t comma = text.find(',');
        if (comma != std::string::npos) text[comma] = '.';
    }
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const bool plus = begin != end && *begin == '+';
    if (plus) ++begin;
    if (begin == end || (plus && (*begin == '-' || *begin == '+'))) return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::string ListEntryName(const std::string& name, std::size_t index) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%03zu", index);
    return name + digits;
}

} // namespace vesk
