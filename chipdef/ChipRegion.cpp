#include "ChipDefinition.h"

#include <algorithm>

namespace vesk {

TChipRegion::TChipRegion(std::string name, RegionCode code, int32_t base, int32_t start, int32_t size,
                         int32_t defaultValue, AlgorithmCode algorithm)
    : Name(std::move(name)), Code(code), Base(base), Start(start), Size(size), Default(defaultValue),
      Algorithm(algorithm) {}

bool TChipRegion::Contains(int64_t address) const {
    // 64-bit: Start + Size may pass the largest 32-bit value.
    return int64_t(Start) <= address && address < int64_t(Start) + int64_t(Size);
}

int32_t TChipRegion::ImplementedBits(int64_t address) const {
    for (const AddressAndMask_t& entry : Implemented)
        if (entry.Address == address) return entry.Mask;
    if (Width < 0 || Width >= 32) return -1;
    return static_cast<int32_t>((uint32_t(1) << Width) - 1);
}

int32_t TChipRegion::ErasedValue(int64_t address) const {
    for (const AddressAndValue_t& entry : Erased)
        if (entry.Address == address) return entry.Value;
    return Default;
}

int32_t TChipRegion::VerifiedBits(int64_t address) const {
    int32_t bits = ImplementedBits(address);
    for (const AddressAndMask_t& entry : Preserve)
        if (entry.Address == address) bits &= ~entry.Mask;
    return bits;
}

} // namespace vesk
