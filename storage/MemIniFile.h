// An INI file held in memory: sections in creation order, each with its entries
// in order. Section and entry names match without regard to (ASCII) case.
//
// Reading accepts any bytes: the text is cut into lines at LF (a CR before the
// LF is dropped); lines are trimmed; empty lines, lines starting with ";",
// lines before the first section and lines that are neither "[name]" nor
// "name=value" are ignored. Names and values are trimmed of spaces and tabs.
// A section named twice continues the first one; for an entry named twice
// the first value counts.
//
// Writing gives "[name]", the entries as "name=value", and one empty line per
// section, lines ending in LF. A CR or LF inside a name or value is written as
// the two characters "\n", so a value can never break the file's structure.
//
// Sections and entries are also indexed by their lower-case names, so that reading
// or writing a file of many entries takes time in proportion to its size (a
// settings file edited by hand or damaged may hold any number of lines).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vesk {

class TMemIniFile {
  public:
    struct Section_t {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Entries;
    };

    TMemIniFile() = default;
    // The whole file; an absent file reads as empty. Raises `vesk::Exception`
    // when the file exists but cannot be read.
    explicit TMemIniFile(const std::string& fileName);

    void SetText(const std::string& text);
    std::string Text() const;

    // Writes Text() to the file, replacing it in one step (see SafeFile.h).
    void UpdateFile(const std::string& fileName) const;

    // The value of an entry, or nothing when the section or entry is missing.
    std::optional<std::string> Value(const std::string& section, const std::string& name) const;
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& defaultValue) const;
    // Replaces the entry's value in place, or appends the entry (and the
    // section) when missing.
    void WriteString(const std::string& section, const std::string& name, const std::string& value);

    std::vector<std::string> SectionNames() const;
    void EraseSection(const std::string& section);
    const std::vector<Section_t>& Sections() const { return FSections; }

  private:
    using Index_t = std::unordered_map<std::string, std::size_t>;

    Section_t* FindSection(const std::string& name);
    const Section_t* FindSection(const std::string& name) const;
    // Position of the section in FSections, appended when missing.
    std::size_t AddSection(const std::string& name);
    // Appends the entry unless the section already has one of that name; returns
    // its position in the section.
    std::size_t AddEntry(std::size_t section, const std::string& name, const std::string& value);
    void RebuildIndex();

    std::vector<Section_t> FSections;
    Index_t FSectionIndex;            // lower-case section name -> position in FSections
    std::vector<Index_t> FEntryIndex; // per section: lower-case entry name -> position
};

} // namespace vesk
