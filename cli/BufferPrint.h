// Prints a session's image buffer as the desktop program's Buffer page shows it.
#pragma once

#include <cstdint>
#include <iosfwd>

namespace vesk {
class TChipSession;
}

namespace vesk::cli {

// One block of rows per region - Code, then Fuses, then Data, as the Buffer page orders
// them - with one empty line between blocks; `regions` is AllRegions or one region code.
// Each row holds eight words: the row's address in 6 hex digits and ":", the words in 4
// hex digits, and a character column (the low byte of each word when printable, else
// "."). Rows are aligned to multiples of eight words; in a row that a region only partly
// covers (a one-word Fuses region, say) the places of words outside the region stay blank,
// so every word is shown at its own place.
void PrintBuffer(const TChipSession& session, int16_t regions, std::ostream& out);

} // namespace vesk::cli
