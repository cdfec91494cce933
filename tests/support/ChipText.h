// Chip definition file texts for tests, built section by section:
//   TChipText("CAL16", 0x0F80).Code(1024).Preserve("0x3FF=0x3FFF").Data(128).Fuses()
// gives the [Chip] section and one [RegionN] section per region, numbered from 1.
#pragma once

#include <cstdint>
#include <string>

namespace vesk::test {

class TChipText {
  public:
    TChipText(const std::string& name, int32_t id, const std::string& algorithm = "PIC16");

    // A region whose base and start may differ.
    TChipText& Region(const std::string& name, int32_t base, int32_t start, int32_t size,
                      int32_t defaultWord);
    // The usual places of a mid-range chip's regions (base = start).
    TChipText& Code(int32_t size, int32_t defaultWord = 0x3FFF);      // at 0
    TChipText& Data(int32_t size, int32_t defaultWord = 0xFF);        // at 0x2100
    TChipText& Fuses(int32_t size = 1, int32_t defaultWord = 0x3FFF); // at 0x2007
    TChipText& Id(int32_t size = 4, int32_t defaultWord = 0x3FFF);    // at 0x2000
    // Keys of the last section added.
    TChipText& Preserve(const std::string& list);
    TChipText& Algorithm(const std::string& name);
    TChipText& Key(const std::string& key, const std::string& value);

    const std::string& Text() const { return FText; }
    operator const std::string&() const { return FText; }

  private:
    std::string FText;
    int FRegions = 0;
};

// "0x" and the upper-case hexadecimal digits of `value`, at least four of them.
std::string Hex4(int32_t value);

} // namespace vesk::test
