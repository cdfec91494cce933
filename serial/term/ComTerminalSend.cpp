// What the terminal sends to the line: typed characters, cursor keys and replies.

#include "ComTerminalModel.h"

#include "EscapeCodesVT100.h"
#include "TermKeys.h"

namespace vesk {

bool TComTerminalModel::Transmit(std::string_view bytes) {
    return OnSend && OnSend(bytes);
}

std::string TComTerminalModel::CodeToStr(TEscapeCode code, const std::vector<std::string>& params) const {
    if (FEscapeCodes) return FEscapeCodes->EscCodeToStr(code, params);
    return TEscapeCodesVT100().EscCodeToStr(code, params);
}

void TComTerminalModel::SendChar(unsigned char ch) {
    if (FForce7Bit) ch &= 0x7F;
    // Nothing is shown unless the character really went out.
    if (!Transmit(std::string_view(reinterpret_cast<const char*>(&ch), 1))) return;
    if (FLocalEcho) PutChar(ch);
    if (ch == '\r' && FSendLF) {
        if (Transmit("\n") && FLocalEcho) PutChar('\n');
    }
}

void TComTerminalModel::SendKey(TTermKey key) {
    if (FArrowKeys == TArrowKeys::akWindows) {
        // Keys only move the local caret.
        PutEscapeCode(KeyToCode(key, false), {});
        return;
    }
    const TEscapeCode code = KeyToCode(key, FAppCursorKeys);
    if (code != TEscapeCode::ecUnknown) // Home sends nothing in application mode
        SendCode(code, {});
}

void TComTerminalModel::SendCode(TEscapeCode code, const std::vector<std::string>& params) {
    const std::string bytes = CodeToStr(code, params);
    if (bytes.empty() || !Transmit(bytes)) return;
    if (FLocalEcho) PutEscapeCode(code, params);
}

void TComTerminalModel::SendCodeNoEcho(TEscapeCode code, const std::vector<std::string>& params) {
    const std::string bytes = CodeToStr(code, params);
    if (!bytes.empty()) Transmit(bytes);
}

} // namespace vesk
