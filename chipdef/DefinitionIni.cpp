#include "DefinitionIni.h"

#include <cstring>

#include "VESK_Exception.h"
#include "common/Text.h"
#include "hexfile/TextLines.h"

namespace vesk {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

TDefinitionIni TDefinitionIni::Parse(const std::string& text) {
    TDefinitionIni ini;
    const std::vector<std::string> lines = SplitTextLines(text);
    Section_t* current = nullptr;
    Section_t ignored; // the repeated occurrence of a section collects here
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (line.size() > MaxLineLength)
            throw Exception("Line " + std::to_string(n + 1) + " is longer than " +
                            std::to_string(MaxLineLength) + " characters");
        if (line.find('\0') != std::string::npos)
            throw Exception("Line " + std::to_string(n + 1) + " holds binary data");
        if (line.empty() || line[0] == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string name = line.substr(1, line.size() - 2);
            if (!ini.FSectionIndex.emplace(LowerCase(name), ini.FSections.size()).second) {
                ignored.Lines.clear();
                current = &ignored;
            } else {
                ini.FSections.push_back(Section_t{name, {}});
                current = &ini.FSections.back();
            }
            continue;
        }
        if (current != nullptr) current->Lines.push_back(line);
    }
    return ini;
}

const TDefinitionIni::Section_t* TDefinitionIni::FindSection(std::string_view section) const {
    const auto it = FSectionIndex.find(LowerCase(section));
    return it == FSectionIndex.end() ? nullptr : &FSections[it->second];
}

bool TDefinitionIni::HasSection(std::string_view section) const {
    const Section_t* s = FindSection(section);
    return s != nullptr && !s->Lines.empty();
}

std::string TDefinitionIni::Value(std::string_view section, std::string_view key) const {
    const Section_t* s = FindSection(section);
    if (s == nullptr) return {};
    for (const auto& line : s->Lines) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && EqualNoCase(std::string_view(line).substr(0, eq), key))
            return line.substr(eq + 1);
    }
    return {};
}

std::optional<int32_t> ParseDefinitionNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size()) return std::nullopt;
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit =
            hex ? HexDigitValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > limit) return std::nullopt;
    }
    // Two's complement in unsigned arithmetic: hex 80000000 and above read as negative.
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    return static_cast<int32_t>(bits);
}

int32_t ReadDefinitionNumber(std::string_view text) {
    const auto value = ParseDefinitionNumber(text);
    return value && *value >= 0 ? *value : -1;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && IsBlankOrControl(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const std::size_t start = i;
            while (i < n && !IsBlankOrControl(text[i]) && text[i] != ',')
                ++i;
            item.assign(text.substr(start, i - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (i < n && text[i] == ',') {
            if (i + 1 == n) items.emplace_back();
            ++i;
            skipBlanks();
        }
    }
    return items;
}

} // namespace vesk
