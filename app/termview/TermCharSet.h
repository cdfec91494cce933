// The 8-bit character set of the terminal: which character a received byte shows
// and which byte a typed character sends. The screen stores bytes; the set only
// matters where they meet the keyboard and the font.
#pragma once

#include <QChar>

namespace vesk {

enum class TTermCharSet {
    tcsWestern,    // bytes are ISO 8859-1 code points
    tcsEastEurope, // Windows code page 1250 (Central and East European)
};

// The character a byte stands for; a null QChar for bytes that have none in the
// set (they are stored but no glyph is drawn).
QChar TermByteToChar(unsigned char byte, TTermCharSet charSet);

// The byte that sends `ch`, or -1 when the set has no byte for it.
int TermCharToByte(QChar ch, TTermCharSet charSet);

} // namespace vesk
