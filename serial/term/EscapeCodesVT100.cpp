#include "EscapeCodesVT100.h"

#include <map>

namespace vesk {

namespace {

constexpr unsigned char Esc = 27;

// A bracketed sequence (CSI) ends at its final byte, '@' to '~' (ECMA-48): letters,
// but also '~' of the key codes that targets echo back (ESC [ 3 ~) and the rest.
bool IsFinal(unsigned char ch) {
    return ch >= '@' && ch <= '~';
}

// ESC ( ESC ) ESC * ESC +: designation of a character set (G0 to G3); one more byte
// names the set (B for ASCII, 0 for line drawing, ...).
bool IsDesignator(char ch) {
    return ch == '(' || ch == ')' || ch == '*' || ch == '+';
}

bool FirstStartsWith(const std::vector<std::string>& params, char ch) {
    return !params.empty() && !params.front().empty() && params.front().front() == ch;
}

// J, K and g: no parameter or a first one starting with '0' is the default form.
bool DefaultForm(const std::vector<std::string>& params) {
    return params.empty() || FirstStartsWith(params, '0');
}

} // namespace

TEscapeResult TEscapeCodesVT100::ProcessChar(unsigned char ch) {
    if (!FInSequence) {
        if (ch == Esc) {
            FData.clear();
            FInSequence = true;
            FInExtSequence = false;
            FOverflow = false;
            return TEscapeResult::erNothing;
        }
        FCharacter = ch;
        return TEscapeResult::erChar;
    }

    TEscapeCode code = TEscapeCode::ecNotCompleted;
    if (FOverflow || FData.size() >= MaxSequenceLength) {
        // Too long to be a real sequence: swallow it up to its final byte and drop it.
        FOverflow = true;
        if (IsFinal(ch)) {
            FParams.clear();
            code = TEscapeCode::ecUnknown;
        }
    } else {
        FData += char(ch);
        FInExtSequence = FData.front() == '[';
        code = FInExtSequence ? DetectExtCode(FData) : DetectCode(FData);
    }
    if (code == TEscapeCode::ecNotCompleted) return TEscapeResult::erNothing;

    FCode = code;
    FInSequence = false;
    FInExtSequence = false;
    FOverflow = false;
    return TEscapeResult::erCode;
}

TEscapeCode TEscapeCodesVT100::DetectCode(const std::string& str) const {
    if (str == "#" || str == "O" || (str.size() == 1 && IsDesignator(str.front())))
        return TEscapeCode::ecNotCompleted;
    if (str.size() == 2 && IsDesignator(str.front()))
        return TEscapeCode::ecCharacterSet; // taken whole; the terminal shows one set only
    if (str == "D") return TEscapeCode::ecIndex;
    if (str == "E") return TEscapeCode::ecNextLine;
    if (str == "M") return TEscapeCode::ecReverseLineFeed;
    if (str == "7") return TEscapeCode::ecSaveCaretAndAttr;
    if (str == "8") return TEscapeCode::ecRestoreCaretAndAttr;
    if (str == "H") return TEscapeCode::ecSetTab;
    if (str == "c") return TEscapeCode::ecReset;
    if (str == "#8") return TEscapeCode::ecTest;
    if (str == "OA") return TEscapeCode::ecAppCursorUp;
    if (str == "OB") return TEscapeCode::ecAppCursorDown;
    if (str == "OC") return TEscapeCode::ecAppCursorRight;
    if (str == "OD") return TEscapeCode::ecAppCursorLeft;
    return TEscapeCode::ecUnknown;
}

std::vector<std::string> TEscapeCodesVT100::SplitParams(std::string_view text) {
    // A ';' ends a non-empty field; met on an empty field it is kept as a character.
    std::vector<std::string> params;
    std::string field;
    for (char ch : text) {
        if (ch == ';' && !field.empty()) {
            params.push_back(std::move(field));
            field.clear();
        } else {
            field += ch;
        }
    }
    if (!field.empty()) params.push_back(std::move(field));
    return params;
}

TEscapeCode TEscapeCodesVT100::DetectExtCode(const std::string& str) {
    if (str.size() < 2 || !IsFinal(static_cast<unsigned char>(str.back())))
        return TEscapeCode::ecNotCompleted;

    FParams = SplitParams(std::string_view(str).substr(1, str.size() - 2));
    const auto& p = FParams;
    switch (str.back()) {
    case 'A':
        return TEscapeCode::ecCursorUp;
    case 'B':
        return TEscapeCode::ecCursorDown;
    case 'C':
        return TEscapeCode::ecCursorRight;
    case 'D':
        return TEscapeCode::ecCursorLeft;
    case 'H':
        return TEscapeCode::ecCursorHome;
    case 'f':
        return TEscapeCode::ecCursorMove;
    case 'J':
        if (DefaultForm(p)) return TEscapeCode::ecEraseScreenFrom;
        if (FirstStartsWith(p, '1')) return TEscapeCode::ecEraseScreenTo;
        return FirstStartsWith(p, '2') ? TEscapeCode::ecEraseScreen : TEscapeCode::ecUnknown;
    case 'K':
        if (DefaultForm(p)) return TEscapeCode::ecEraseLineFrom;
        if (FirstStartsWith(p, '1')) return TEscapeCode::ecEraseLineTo;
        return FirstStartsWith(p, '2') ? TEscapeCode::ecEraseLine : TEscapeCode::ecUnknown;
    case 'g':
        if (DefaultForm(p)) return TEscapeCode::ecClearTab;
        return FirstStartsWith(p, '3') ? TEscapeCode::ecClearAllTabs : TEscapeCode::ecUnknown;
    case 'c':
        if (p.empty() || (p.size() == 1 && p.front() == "0")) return TEscapeCode::ecIdentify;
        return TEscapeCode::ecUnknown;
    case 'n':
        if (FirstStartsWith(p, '5')) return TEscapeCode::ecQueryDevice;
        if (FirstStartsWith(p, '6')) return TEscapeCode::ecQueryCursorPos;
        if (FirstStartsWith(p, '0')) return TEscapeCode::ecReportDeviceOK;
        if (FirstStartsWith(p, '3')) return TEscapeCode::ecReportDeviceFailure;
        return TEscapeCode::ecUnknown;
    case 'R':
        return TEscapeCode::ecReportCursorPos;
    case 'm':
        return TEscapeCode::ecAttributes;
    case 'h':
        return TEscapeCode::ecSetMode;
    case 'l':
        return TEscapeCode::ecResetMode;
    case 's':
        return TEscapeCode::ecSaveCaret;
    case 'u':
        return TEscapeCode::ecRestoreCaret;
    default:
        return TEscapeCode::ecUnknown;
    }
}

namespace {

// The sequences that take no parameters.
const std::map<TEscapeCode, std::string>& FixedSequences() {
    static const std::map<TEscapeCode, std::string> sequences = {
        {TEscapeCode::ecReverseLineFeed, "\033M"},
        {TEscapeCode::ecAppCursorUp, "\033OA"},
        {TEscapeCode::ecAppCursorDown, "\033OB"},
        {TEscapeCode::ecAppCursorRight, "\033OC"},
        {TEscapeCode::ecAppCursorLeft, "\033OD"},
        {TEscapeCode::ecEraseLineFrom, "\033[K"},
        {TEscapeCode::ecEraseScreenFrom, "\033[J"},
        {TEscapeCode::ecEraseLine, "\033[2K"},
        {TEscapeCode::ecEraseScreen, "\033[2J"},
        {TEscapeCode::ecSetTab, "\033H"},
        {TEscapeCode::ecClearTab, "\033[g"},
        {TEscapeCode::ecClearAllTabs, "\033[3g"},
        {TEscapeCode::ecIdentify, "\033[c"},
        {TEscapeCode::ecQueryDevice, "\033[5n"},
        {TEscapeCode::ecReportDeviceOK, "\033[0n"},
        {TEscapeCode::ecReportDeviceFailure, "\033[3n"},
        {TEscapeCode::ecQueryCursorPos, "\033[6n"},
        {TEscapeCode::ecReset, "\033c"},
        {TEscapeCode::ecSaveCaretAndAttr, "\0337"},
        {TEscapeCode::ecRestoreCaretAndAttr, "\0338"},
        {TEscapeCode::ecSaveCaret, "\033[s"},
        {TEscapeCode::ecRestoreCaret, "\033[u"},
        {TEscapeCode::ecTest, "\033#8"},
        {TEscapeCode::ecIndex, "\033D"},
        {TEscapeCode::ecNextLine, "\033E"},
        {TEscapeCode::ecEraseLineTo, "\033[1K"},
        {TEscapeCode::ecEraseScreenTo, "\033[1J"},
        {TEscapeCode::ecCharacterSet, "\033(B"}, // ASCII into G0
    };
    return sequences;
}

} // namespace

std::string TEscapeCodesVT100::EscCodeToStr(TEscapeCode code, const std::vector<std::string>& params) const {
    if (auto fixed = FixedSequences().find(code); fixed != FixedSequences().end()) return fixed->second;
    const std::string csi = "\033[";
    const auto p = [&params](int i) { return std::to_string(GetParam(i, params)); };
    // Cursor moves: the bare form for one step, the counted form otherwise.
    const auto move = [&](char final) { return params.empty() ? csi + final : csi + p(1) + final; };
    const auto firstParam = [&params] { return params.empty() ? std::string() : params.front(); };

    switch (code) {
    case TEscapeCode::ecCursorUp:
        return move('A');
    case TEscapeCode::ecCursorDown:
        return move('B');
    case TEscapeCode::ecCursorRight:
        return move('C');
    case TEscapeCode::ecCursorLeft:
        return move('D');
    case TEscapeCode::ecCursorHome:
        return params.empty() ? csi + "H" : csi + p(1) + ";" + p(2) + "H";
    case TEscapeCode::ecCursorMove:
        return csi + p(1) + ";" + p(2) + "f";
    // Identification reply: "?1;2c" names a VT100 with the advanced video option.
    case TEscapeCode::ecIdentResponse:
        return csi + "?1;" + p(1) + "c";
    case TEscapeCode::ecReportCursorPos:
        return csi + p(1) + ";" + p(2) + "R";
    case TEscapeCode::ecAttributes: {
        std::string text = csi;
        for (std::size_t i = 0; i < params.size(); ++i)
            text += (i ? ";" : "") + params[i];
        return text + "m";
    }
    case TEscapeCode::ecSetMode:
        return csi + firstParam() + "h";
    case TEscapeCode::ecResetMode:
        return csi + firstParam() + "l";
    default:
        return {};
    }
}

} // namespace vesk
