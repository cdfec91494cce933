#include "ChipLookup.h"

#include "chipdef/ChipCatalogue.h"
#include "common/Text.h"

namespace vesk {

std::vector<const TChipDefinition*> ChipsNamedLike(const TChipCatalogue& catalogue,
                                                   std::string_view pattern) {
    const std::string wanted = LowerCase(pattern);
    std::vector<const TChipDefinition*> found;
    for (const auto& chip : catalogue.Chips())
        if (LowerCase(chip->Name).find(wanted) != std::string::npos) found.push_back(chip.get());
    return found;
}

bool SharesDeviceId(const TChipDefinition& a, const TChipDefinition& b) {
    // A mid-range part and a PIC18 never meet: their IDs are read in different ways.
    return &a != &b && a.IsPIC18() == b.IsPIC18() && a.MatchesId(b.Id) && b.MatchesId(a.Id);
}

std::vector<const TChipDefinition*> ChipsSharingDeviceId(const TChipCatalogue& catalogue,
                                                         const TChipDefinition& chip) {
    std::vector<const TChipDefinition*> others;
    for (const auto& other : catalogue.Chips())
        if (SharesDeviceId(chip, *other)) others.push_back(other.get());
    return others;
}

std::string SameDeviceIdNote(const TChipCatalogue& catalogue, const TChipDefinition& chip) {
    std::string names;
    for (const TChipDefinition* other : ChipsSharingDeviceId(catalogue, chip))
        names += (names.empty() ? "" : ", ") + other->Name;
    return names.empty() ? std::string() : " (same device ID: " + names + ")";
}

} // namespace vesk
