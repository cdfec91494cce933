#include "ChipDefinition.h"

#include <algorithm>

namespace vesk {

TChipRegion::TChipRegion(std::string name, RegionCode code, int32_t base, int32_t start, int32_t size,
                         int32_t defaultValue, AlgorithmCode algorithm)
    : Name(std::move(name)), Code(code), Base(base), Start(start), Size(size), Default(defaultValue),
      Algorithm(algorithm) {
    Reset();
}

void TChipRegion::Reset() {
    Data.clear();
    Data.assign(static_cast<std::size_t>(std::max<int32_t>(Size, 0)), Default);
}

bool TChipRegion::Contains(int64_t address) const {
    // 64-bit: Start + Size may pass the largest 32-bit value.
    return int64_t(Start) <= address && address < int64_t(Start) + int64_t(Size);
}

int TChipRegion::CountNonDefault() const {
    return static_cast<int>(
        std::count_if(Data.begin(), Data.end(), [this](int32_t w) { return w != Default; }));
}

} // namespace vesk
