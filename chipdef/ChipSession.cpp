#include "ChipSession.h"

#include <algorithm>
#include <functional>

#include "VESK_Exception.h"
#include "hexfile/IntelHexFile.h"

namespace vesk {

TChipSession::TChipSession(const TChipDefinition& chip) : FChip(&chip), FWords(chip.Regions.size()) {
    Reset();
}

std::size_t TChipSession::IndexOf(const TChipRegion& region) const {
    // A region of another chip has no buffer here: a caller's mistake, not the user's.
    // Its place is compared before any distance is taken, which only one array allows.
    const TChipRegion* first = FChip->Regions.data();
    const std::less<const TChipRegion*> before;
    if (before(&region, first) || !before(&region, first + FChip->Regions.size()))
        throw Exception("Region " + region.Name + " is not one of chip " + FChip->Name);
    return static_cast<std::size_t>(&region - first);
}

const std::vector<int32_t>& TChipSession::Words(const TChipRegion& region) const {
    return FWords[IndexOf(region)];
}

std::vector<int32_t>& TChipSession::Words(const TChipRegion& region) {
    return FWords[IndexOf(region)];
}

int32_t TChipSession::Word(int64_t address) const {
    const TChipRegion& region = FChip->RegionByAddress(address);
    return Words(region)[static_cast<std::size_t>(address - region.Start)];
}

void TChipSession::SetWord(int64_t address, int32_t value) {
    const TChipRegion& region = FChip->RegionByAddress(address);
    Words(region)[static_cast<std::size_t>(address - region.Start)] = value;
}

void TChipSession::SetWord(int64_t address, int32_t value, int32_t byteMask) {
    if (byteMask == 0xFFFF) return SetWord(address, value);
    const TChipRegion& region = FChip->RegionByAddress(address);
    int32_t& word = Words(region)[static_cast<std::size_t>(address - region.Start)];
    word = (word & ~byteMask) | (value & byteMask);
}

int TChipSession::CountNonDefault(const TChipRegion& region) const {
    const std::vector<int32_t>& words = Words(region);
    return static_cast<int>(
        std::count_if(words.begin(), words.end(), [&region](int32_t w) { return w != region.Default; }));
}

void TChipSession::Reset(const TChipRegion& region) {
    Words(region).assign(static_cast<std::size_t>(std::max<int32_t>(region.Size, 0)), region.Default);
}

void TChipSession::Reset() {
    for (const TChipRegion& region : FChip->Regions)
        Reset(region);
}

bool TChipSession::LoadImage(const TIntelHexFile& image) {
    Reset();
    for (TIntelHexFileIterator it(image); it.IsValid(); it.Next())
        SetWord(it.WordAddress(), it.Value(), it.ByteMask());
    return true;
}

bool TChipSession::Protects() const {
    for (const TChipRegion& region : FChip->Regions)
        for (const AddressAndMask_t& entry : region.Protect)
            if ((Word(entry.Address) & entry.Mask) != entry.Mask) return true;
    return false;
}

} // namespace vesk
