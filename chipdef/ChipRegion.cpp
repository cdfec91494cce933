#include "ChipDefinition.h"

#include "common/Text.h"

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

const TCalibration_t* TChipRegion::CalibrationAt(int64_t address) const {
    for (const TCalibration_t& calibration : Calibration)
        if (calibration.Address == address) return &calibration;
    return nullptr;
}

std::string TCalibration_t::FormText(int32_t bits) const {
    if (Mask == 0) return "any word";
    // Four digits for the words of every algorithm; more when the bits need them.
    const uint32_t all = uint32_t(bits);
    int digits = 4;
    while (digits < 8 && (all >> (4 * digits)) != 0 && (uint32_t(Mask) >> (4 * digits)) != 0)
        ++digits;
    std::string text = "0x";
    for (int digit = digits - 1; digit >= 0; --digit) {
        const uint32_t has = (all >> (4 * digit)) & 0xF, given = (uint32_t(Mask) >> (4 * digit)) & has;
        if (has == 0)
            text += '0'; // the word has no such bits
        else if (given == 0)
            text += 'n';
        else if (given == has)
            text += Hex((uint32_t(Value) >> (4 * digit)) & 0xF, 1);
        else
            return "0x" + Hex(Value, 4) + " under the mask 0x" + Hex(Mask, 4);
    }
    return text;
}

} // namespace vesk
