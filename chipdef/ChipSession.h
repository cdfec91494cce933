// What is being programmed: one chip of the catalogue, the image buffer of each of
// its regions and the preserved words saved before an erase. The chip's definition
// stays a read-only fact; any number of sessions may use it at once.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "chipdef/ChipDefinition.h"

namespace vesk {

class TIntelHexFile;

class TChipSession {
  public:
    // Every region's buffer holds its Default words. The chip must outlive the session.
    explicit TChipSession(const TChipDefinition& chip);

    const TChipDefinition& Chip() const { return *FChip; }

    // The buffer of one of the chip's regions: Words(region)[i] is the word at
    // region.Start + i, region.Size entries.
    const std::vector<int32_t>& Words(const TChipRegion& region) const;
    std::vector<int32_t>& Words(const TChipRegion& region);
    // The buffer's word at the address; throws as `RegionByAddress`.
    int32_t Word(int64_t address) const;
    // Stores the value unchanged in the region holding the address (or throws as
    // `RegionByAddress`).
    void SetWord(int64_t address, int32_t value);
    // Stores only the halves of the value that `byteMask` names (0xFFFF, 0x00FF or
    // 0xFF00); the word's other bits keep their value. 0xFFFF is `SetWord`.
    void SetWord(int64_t address, int32_t value, int32_t byteMask);
    // Number of the region's words that differ from its Default.
    int CountNonDefault(const TChipRegion& region) const;
    // The region's buffer becomes Size copies of Default.
    void Reset(const TChipRegion& region);
    // Reset of every region.
    void Reset();
    // Reset, then every data word of the image through SetWord; true or throws (the
    // words stored before a failing one stay).
    bool LoadImage(const TIntelHexFile& image);
    // The buffer turns read protection on: a Protect entry's word has one of its bits
    // clear. Such an image must be verified before its Fuses are written.
    bool Protects() const;

    // The preserved words read from the target before its erase: address -> word.
    std::map<int32_t, int32_t> Saved;

  private:
    std::size_t IndexOf(const TChipRegion& region) const;

    const TChipDefinition* FChip;
    std::vector<std::vector<int32_t>> FWords; // one buffer per region, in the chip's order
};

} // namespace vesk
