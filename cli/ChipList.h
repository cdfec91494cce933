// `vesk chips`: the catalogue's chip definitions, one line each or one chip in full.
#pragma once

#include <iosfwd>
#include <string>

namespace vesk {
class TChipCatalogue;
class TChipDefinition;
} // namespace vesk

namespace vesk::cli {

// One line per chip of the catalogue whose name contains `pattern` (letter case ignored; all for
// an empty one): the name first, then its ID, algorithm, regions and file. Throws
// ECommand (status 2) when no chip matches.
void PrintChipLines(const TChipCatalogue& chips, const std::string& pattern, std::ostream& out);

// Everything `chip` describes: its ID, algorithm and file, the chips sharing its device
// ID, its regions, the words every erase keeps (the factory calibration) and each
// configuration word with its fields and their options.
void PrintChipLong(const TChipDefinition& chip, const TChipCatalogue& chips, std::ostream& out);

// The chip `vesk chips --long NAME` means: the one of that name (letter case ignored),
// else the only one whose name contains it, else the only one whose name ends in it
// ("16F87" for PIC16F87). Throws ECommand (status 2) naming the
// candidates otherwise.
const TChipDefinition& ChipForLongListing(const TChipCatalogue& chips, const std::string& name);

} // namespace vesk::cli
