#pragma once
// Decoder of VT100/ANSI control sequences.

#include "EscapeCodes.h"

#include <cstddef>

namespace vesk {

class TEscapeCodesVT100 : public TEscapeCodes {
  public:
    // Longest text kept for an open bracketed sequence. A longer one is consumed up to
    // its final byte without being stored and then ends as ecUnknown, so a stream
    // that never ends its sequence cannot grow the memory.
    static constexpr std::size_t MaxSequenceLength = 256;

    TEscapeResult ProcessChar(unsigned char ch) override;
    std::string EscCodeToStr(TEscapeCode code, const std::vector<std::string>& params) const override;

    // Decoding of the collected text: escape followed by anything but "[" ...
    TEscapeCode DetectCode(const std::string& str) const;
    // ... and a bracketed sequence; fills the parameter list when it is complete.
    TEscapeCode DetectExtCode(const std::string& str);

    // Splits the text between "[" and the final byte into parameters at ";".
    static std::vector<std::string> SplitParams(std::string_view text);

  private:
    bool FOverflow = false; // the open bracketed sequence has outgrown MaxSequenceLength
};

} // namespace vesk
