#include "TermKeys.h"

#include "EscapeCodesVT100.h"

namespace vesk {

TEscapeCode KeyToCode(TTermKey key, bool appCursorKeys) {
    switch (key) {
    case TTermKey::tkUp:
        return appCursorKeys ? TEscapeCode::ecAppCursorUp : TEscapeCode::ecCursorUp;
    case TTermKey::tkDown:
        return appCursorKeys ? TEscapeCode::ecAppCursorDown : TEscapeCode::ecCursorDown;
    case TTermKey::tkRight:
        return appCursorKeys ? TEscapeCode::ecAppCursorRight : TEscapeCode::ecCursorRight;
    case TTermKey::tkLeft:
        return appCursorKeys ? TEscapeCode::ecAppCursorLeft : TEscapeCode::ecCursorLeft;
    case TTermKey::tkHome:
        return appCursorKeys ? TEscapeCode::ecUnknown : TEscapeCode::ecCursorHome;
    }
    return TEscapeCode::ecUnknown;
}

std::string KeyToBytes(TTermKey key, bool appCursorKeys) {
    const TEscapeCode code = KeyToCode(key, appCursorKeys);
    if (code == TEscapeCode::ecUnknown) return {};
    return TEscapeCodesVT100().EscCodeToStr(code, {});
}

std::string CharToBytes(unsigned char ch, bool sendLF, bool force7Bit) {
    if (force7Bit) ch &= 0x7F;
    std::string bytes(1, char(ch));
    if (ch == '\r' && sendLF) bytes += '\n';
    return bytes;
}

int CaretHeight(TTermCaret caret, int cellHeight) {
    switch (caret) {
    case TTermCaret::tcBlock:
        return cellHeight;
    case TTermCaret::tcUnderline:
        return cellHeight / 8;
    case TTermCaret::tcNone:
        return 0;
    }
    return 0;
}

} // namespace vesk
