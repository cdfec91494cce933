// Finding chips in a catalogue by a part of the name, and the chips a device ID cannot
// tell apart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "chipdef/ChipDefinition.h"

namespace vesk {

class TChipCatalogue;

// The catalogue's chips whose name contains `pattern`, letter case ignored, in load
// order; every chip for an empty pattern.
std::vector<const TChipDefinition*> ChipsNamedLike(const TChipCatalogue& catalogue, std::string_view pattern);

// Two chips of one family (both PIC18, or both not) that every target one of them is
// identified as could also be: each matches the other's device ID. Never true for a
// chip without a device ID, nor for a chip and itself.
bool SharesDeviceId(const TChipDefinition& a, const TChipDefinition& b);

// The catalogue's other chips that share `chip`'s device ID, in load order.
std::vector<const TChipDefinition*> ChipsSharingDeviceId(const TChipCatalogue& catalogue,
                                                         const TChipDefinition& chip);

// " (same device ID: PIC16F639)" for a chip that shares its device ID with others of the
// catalogue, naming them in load order; empty for any other chip.
std::string SameDeviceIdNote(const TChipCatalogue& catalogue, const TChipDefinition& chip);

} // namespace vesk
