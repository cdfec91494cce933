// The reader of chip definition files: INI text with the definition files' own rules.
//
// - A line starting with ';' is a comment; empty lines are skipped.
// - "[name]" with the brackets as first and last characters opens a section.
// - Other lines belong to the last section opened (lines before the first are ignored);
//   "key=value" defines a key: the key is the text before the first '=' (blanks
//   included), the value everything after it.
// - Section names and keys match without regard to letter case; the first occurrence
//   of a section and of a key counts. An absent key reads as "".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesk {

class TDefinitionIni {
  public:
    // Longest line and largest file accepted; definition files are a few hundred bytes.
    static constexpr std::size_t MaxLineLength = 65536;
    static constexpr std::size_t MaxFileBytes = std::size_t(1) << 20;

    // Parses text in memory. Throws Exception for a line longer than MaxLineLength or
    // holding NUL bytes (binary data, not a definition file).
    static TDefinitionIni Parse(const std::string& text);

    // The section exists and holds at least one line.
    bool HasSection(std::string_view section) const;
    // The value of the key, "" when the section or the key is absent.
    std::string Value(std::string_view section, std::string_view key) const;

  private:
    struct Section_t {
        std::string Name;
        std::vector<std::string> Lines;
    };
    const Section_t* FindSection(std::string_view section) const;
    std::vector<Section_t> FSections;
    // Lower-case section name -> position in FSections, so that a file of many
    // sections is read in time in proportion to its size.
    std::unordered_map<std::string, std::size_t> FSectionIndex;
};

// A 32-bit signed number of a definition file: leading spaces, optional sign, then
// decimal digits or a hexadecimal prefix ("0x", "0X", "$", "x", "X") and hex digits;
// nothing after the digits. Decimal above 2147483647 and hex above FFFFFFFF fail;
// hex 80000000 and above read as negative. Empty optional when it does not parse.
std::optional<int32_t> ParseDefinitionNumber(std::string_view text);
// The number, or -1 when it does not parse (every negative value counts as bad).
int32_t ReadDefinitionNumber(std::string_view text);

// Splits a list the comma-text way: items separated by a comma, blanks or both; blanks
// and control characters around items dropped; an item may be in double quotes (then it
// may hold commas and blanks, and "" stands for one quote). Consecutive commas give an
// empty item, and so does a comma at the end.
std::vector<std::string> SplitCommaText(std::string_view text);

} // namespace vesk
