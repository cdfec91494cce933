#include "ChipLookup.h"

#include "chipdef/ChipDefinitions.h"
#include "common/Text.h"

namespace vesk {

TChipDefinition* ChipByName(std::string_view name) {
    for (const auto& chip : ChipDefinitions)
        if (chip->Name == name) return chip.get();
    for (const auto& chip : ChipDefinitions)
        if (EqualNoCase(chip->Name, name)) return chip.get();
    return nullptr;
}

std::vector<TChipDefinition*> ChipsNamedLike(std::string_view pattern) {
    const std::string wanted = LowerCase(pattern);
    std::vector<TChipDefinition*> found;
    for (const auto& chip : ChipDefinitions)
        if (LowerCase(chip->Name).find(wanted) != std::string::npos) found.push_back(chip.get());
    return found;
}

bool SharesDeviceId(const TChipDefinition& a, const TChipDefinition& b) {
    // A mid-range part and a PIC18 never meet: their IDs are read in different ways.
    return &a != &b && a.IsPIC18() == b.IsPIC18() && a.MatchesId(b.Id) && b.MatchesId(a.Id);
}

std::vector<const TChipDefinition*> ChipsSharingDeviceId(const TChipDefinition& chip) {
    std::vector<const TChipDefinition*> others;
    for (const auto& other : ChipDefinitions)
        if (SharesDeviceId(chip, *other)) others.push_back(other.get());
    return others;
}

std::string SameDeviceIdNote(const TChipDefinition& chip) {
    std::string names;
    for (const TChipDefinition* other : ChipsSharingDeviceId(chip))
        names += (names.empty() ? "" : ", ") + other->Name;
    return names.empty() ? std::string() : " (same device ID: " + names + ")";
}

} // namespace vesk
