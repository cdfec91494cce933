// A chip's image buffer as the text of an Intel HEX file that the reader loads back into
// the same buffer.
#pragma once

#include <string>

namespace vesk {

class TChipDefinition;

// The text of an Intel HEX file holding every word of Code, Data and Fuses that differs
// from its region's default, at byte address word address x 2, low byte first. Data
// records hold up to 16 bytes of consecutive words and never cross a 16-byte boundary
// (so never a 64 KiB one); an extended linear address record (type 04) comes before
// the first record whose upper 16 address bits differ from the previous ones (from 0 at
// the start); the end-of-file record closes the file. Lines end in CR LF.
std::string BufferToIntelHex(const TChipDefinition& chip);

// `vesk read --output` and the window's "Save buffer to image file" write this text
// with WriteFileAtomically (storage/SafeFile.h).

} // namespace vesk
