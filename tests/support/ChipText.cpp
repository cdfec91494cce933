#include "ChipText.h"

#include <cstdio>

namespace vesk::test {

std::string Hex4(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

TChipText::TChipText(const std::string& name, int32_t id, const std::string& algorithm) {
    FText = "[Chip]\nName=" + name + "\nId=" + Hex4(id) + "\nAlgorithm=" + algorithm + "\n";
}

TChipText& TChipText::Region(const std::string& name, int32_t base, int32_t start, int32_t size,
                             int32_t defaultWord) {
    FText += "[Region" + std::to_string(++FRegions) + "]\nName=" + name + "\nBase=" + Hex4(base) +
             "\nStart=" + Hex4(start) + "\nSize=" + std::to_string(size) + "\nDefault=" + Hex4(defaultWord) +
             "\n";
    return *this;
}

TChipText& TChipText::Code(int32_t size, int32_t defaultWord) {
    return Region("Code", 0, 0, size, defaultWord);
}

TChipText& TChipText::Data(int32_t size, int32_t defaultWord) {
    return Region("Data", 0x2100, 0x2100, size, defaultWord);
}

TChipText& TChipText::Fuses(int32_t size, int32_t defaultWord) {
    return Region("Fuses", 0x2007, 0x2007, size, defaultWord);
}

TChipText& TChipText::Id(int32_t size, int32_t defaultWord) {
    return Region("Id", 0x2000, 0x2000, size, defaultWord);
}

TChipText& TChipText::Preserve(const std::string& list) {
    return Key("Preserve", list);
}

TChipText& TChipText::Algorithm(const std::string& name) {
    return Key("Algorithm", name);
}

TChipText& TChipText::Key(const std::string& key, const std::string& value) {
    FText += key + "=" + value + "\n";
    return *this;
}

} // namespace vesk::test
