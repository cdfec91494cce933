// A session's image buffer as the text of an Intel HEX file that the reader loads back into
// the same buffer.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace vesk {

class TChipSession;
class TIntelHexFile;

// The text of an Intel HEX file holding every word of Code, Data and Fuses that differs
// from its region's default, at byte address word address x 2, low byte first. Data
// records hold up to 16 bytes of consecutive words and never cross a 16-byte boundary
// (so never a 64 KiB one); an extended linear address record (type 04) comes before
// the first record whose upper 16 address bits differ from the previous ones (from 0 at
// the start); the end-of-file record closes the file. Lines end in CR LF.
std::string BufferToIntelHex(const TChipSession& session);

// The text of an image file holding every byte of `image`, except that the words at
// `addresses` are the buffer's words (both bytes), in the records BufferToIntelHex
// writes: an image with configuration settings put in (`vesk config --set --output`),
// nothing else of it lost.
std::string ImageWithBufferWords(const TIntelHexFile& image, const TChipSession& session,
                                 const std::set<int32_t>& addresses);

// `vesk read --output`, `vesk config --output` and the window's "Save buffer to image
// file" write these texts with WriteFileAtomically (storage/SafeFile.h).

} // namespace vesk
