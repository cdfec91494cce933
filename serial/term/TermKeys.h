#pragma once
// What the keyboard sends: pure translations the terminal widget and its model share.

#include "EscapeCodes.h"
#include "TermTypes.h"

#include <string>

namespace vesk {

// The code a cursor key sends: ESC [ A/B/C/D/H normally; ESC O A/B/C/D in
// application-cursor-keys mode, where Home sends nothing (ecUnknown).
TEscapeCode KeyToCode(TTermKey key, bool appCursorKeys);

// The bytes a cursor key sends (empty: nothing is sent).
std::string KeyToBytes(TTermKey key, bool appCursorKeys);

// The bytes a typed character sends: a carriage return is followed by a line feed
// with sendLF; force7Bit clears the top bit.
std::string CharToBytes(unsigned char ch, bool sendLF, bool force7Bit = false);

// Height in pixels of the caret drawn at the bottom of a cell of cellHeight pixels:
// the whole cell for tcBlock, an eighth of it for tcUnderline, 0 for tcNone.
int CaretHeight(TTermCaret caret, int cellHeight);

} // namespace vesk
