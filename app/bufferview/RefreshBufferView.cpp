#include "bufferview/RefreshBufferView.h"

#include <algorithm>
#include <array>

namespace vesk {

bool RefreshBufferView(THexGrid& grid, const TChipSession* target) {
    grid.Clear();
    grid.SetFormat(3, 2, 8);
    if (target == nullptr) return false;
    const TChipDefinition& chip = target->Chip();

    // All three regions are looked up (Code, Data, Fuses) before anything is shown, so
    // that a chip lacking one leaves the page empty.
    const TChipRegion& code = chip.RegionByCode(RegionCodeCode);
    const TChipRegion& data = chip.RegionByCode(RegionCodeData);
    const TChipRegion& fuses = chip.RegionByCode(RegionCodeFuses);
    // Shown top to bottom: Code, Fuses, Data.
    const std::array<const TChipRegion*, 3> shown{&code, &fuses, &data};
    for (const TChipRegion* region : shown)
        grid.AddSegment(region->Start, region->Size, region->Default);
    for (const TChipRegion* region : shown) {
        // A buffer shorter than the region (not a loaded chip's state) shows the rest as
        // the default rather than reading past its end.
        const std::vector<int32_t>& buffer = target->Words(*region);
        const int32_t words = static_cast<int32_t>(
            std::min<int64_t>(std::max(region->Size, 0), static_cast<int64_t>(buffer.size())));
        for (int32_t i = 0; i < words; ++i)
            grid.ShowWord(region->Start + i, buffer[static_cast<size_t>(i)]);
    }
    return true;
}

} // namespace vesk
