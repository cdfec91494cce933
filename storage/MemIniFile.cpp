#include "storage/MemIniFile.h"

#include "storage/SafeFile.h"

#include "common/Text.h"
#include "common/WholeFile.h"

#include <algorithm>
#include <cstddef>

namespace vesk {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s) {
    std::size_t first = 0;
    std::size_t last = s.size();
    while (first < last && IsBlank(s[first]))
        ++first;
    while (last > first && IsBlank(s[last - 1]))
        --last;
    return s.substr(first, last - first);
}

// A CR or LF inside a name or value would end the line early and could even
// make up an entry of its own; write it as the two characters "\n" instead.
std::string OneLine(const std::string& s) {
    if (s.find_first_of("\r\n") == std::string::npos) return s;
    std::string out;
    out.reserve(s.size() + 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (s[i] == '\r' || s[i] == '\n') {
            out += "\\n";
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

TMemIniFile::TMemIniFile(const std::string& fileName) {
    if (auto text = ReadWholeFile(fileName)) SetText(*text);
}

void TMemIniFile::SetText(const std::string& text) {
    FSections.clear();
    FSectionIndex.clear();
    FEntryIndex.clear();
    std::optional<std::size_t> current;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;

        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            if (line.size() < 2 || line.back() != ']') continue; // not a section line
            current = AddSection(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        if (!current) continue; // before the first section
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue; // not an entry
        const std::string name = Trim(line.substr(0, eq));
        if (name.empty()) continue;
        AddEntry(*current, name, Trim(line.substr(eq + 1)));
    }
}

std::string TMemIniFile::Text() const {
    std::string out;
    for (const Section_t& section : FSections) {
        out += '[';
        out += OneLine(section.Name);
        out += "]\n";
        for (const auto& [name, value] : section.Entries) {
            out += OneLine(name);
            out += '=';
            out += OneLine(value);
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

void TMemIniFile::UpdateFile(const std::string& fileName) const {
    WriteFileAtomically(fileName, Text());
}

TMemIniFile::Section_t* TMemIniFile::FindSection(const std::string& name) {
    const auto it = FSectionIndex.find(LowerCase(name));
    return it == FSectionIndex.end() ? nullptr : &FSections[it->second];
}

const TMemIniFile::Section_t* TMemIniFile::FindSection(const std::string& name) const {
    const auto it = FSectionIndex.find(LowerCase(name));
    return it == FSectionIndex.end() ? nullptr : &FSections[it->second];
}

std::size_t TMemIniFile::AddSection(const std::string& name) {
    const auto [it, added] = FSectionIndex.emplace(LowerCase(name), FSections.size());
    if (added) {
        FSections.push_back(Section_t{name, {}});
        FEntryIndex.emplace_back();
    }
    return it->second;
}

std::size_t TMemIniFile::AddEntry(std::size_t section, const std::string& name, const std::string& value) {
    auto& entries = FSections[section].Entries;
    const auto [it, added] = FEntryIndex[section].emplace(LowerCase(name), entries.size());
    if (added) entries.emplace_back(name, value);
    return it->second;
}

void TMemIniFile::RebuildIndex() {
    std::vector<Section_t> sections = std::move(FSections);
    FSections.clear();
    FSectionIndex.clear();
    FEntryIndex.clear();
    for (Section_t& s : sections) {
        const std::size_t at = AddSection(s.Name);
        for (auto& [name, value] : s.Entries)
            AddEntry(at, name, value);
    }
}

std::optional<std::string> TMemIniFile::Value(const std::string& section, const std::string& name) const {
    const auto s = FSectionIndex.find(LowerCase(section));
    if (s == FSectionIndex.end()) return std::nullopt;
    const auto e = FEntryIndex[s->second].find(LowerCase(name));
    if (e == FEntryIndex[s->second].end()) return std::nullopt;
    return FSections[s->second].Entries[e->second].second;
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& name,
                                    const std::string& defaultValue) const {
    return Value(section, name).value_or(defaultValue);
}

void TMemIniFile::WriteString(const std::string& section, const std::string& name, const std::string& value) {
    const std::size_t at = AddSection(section);
    const std::size_t entry = AddEntry(at, name, value);
    FSections[at].Entries[entry].second = value;
}

std::vector<std::string> TMemIniFile::SectionNames() const {
    std::vector<std::string> names;
    names.reserve(FSections.size());
    for (const Section_t& s : FSections)
        names.push_back(s.Name);
    return names;
}

void TMemIniFile::EraseSection(const std::string& section) {
    if (FindSection(section) == nullptr) return;
    std::erase_if(FSections, [&](const Section_t& s) { return EqualNoCase(s.Name, section); });
    RebuildIndex();
}

} // namespace vesk
