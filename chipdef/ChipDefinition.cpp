#include "ChipDefinition.h"

#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk {

bool TChipDefinition::HasRegion(RegionCode code) const {
    for (const auto& region : Regions)
        if (region.Code == code) return true;
    return false;
}

const TChipRegion& TChipDefinition::RegionByCode(RegionCode code) const {
    for (const auto& region : Regions)
        if (region.Code == code) return region;
    throw VESK_Exception("Chip " + Name + " has no region with code 0x" + Hex(static_cast<uint16_t>(code), 2),
                         TFailureKind::BadArgument);
}

TChipRegion& TChipDefinition::RegionByCode(RegionCode code) {
    return const_cast<TChipRegion&>(std::as_const(*this).RegionByCode(code));
}

const TChipRegion& TChipDefinition::RegionByAddress(int64_t address) const {
    for (const auto& region : Regions)
        if (region.Contains(address)) return region;
    throw VESK_Exception("Chip " + Name + " has no region with address 0x" + Hex(address, 6),
                         TFailureKind::BadArgument);
}

TChipRegion& TChipDefinition::RegionByAddress(int64_t address) {
    return const_cast<TChipRegion&>(std::as_const(*this).RegionByAddress(address));
}

bool TChipDefinition::MatchesId(int32_t id) const {
    return HasId() && (id & IdMask) == (Id & IdMask);
}

const ConfigField_t* TChipDefinition::FieldByName(std::string_view name) const {
    for (const ConfigField_t& field : Fields)
        if (EqualNoCase(field.Name, name)) return &field;
    return nullptr;
}

} // namespace vesk
