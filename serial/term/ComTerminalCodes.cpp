// What the terminal does with a completed escape code.

#include "ComTerminalModel.h"

#include <string>

namespace vesk {

bool TComTerminalModel::PutEscapeCode(TEscapeCode code, const std::vector<std::string>& params) {
    // ecUnknown and the reports a terminal only sends (identification response,
    // device status, cursor position) fall through every group: not handled.
    return PutCaretCode(code, params) || PutEraseCode(code) || PutReplyCode(code) ||
           PutStateCode(code, params);
}

bool TComTerminalModel::PutCaretCode(TEscapeCode code, const std::vector<std::string>& params) {
    const auto P = [&params](int i) { return (long long)TEscapeCodes::GetParam(i, params); };
    const long long col = FCaretColumn, row = FCaretRow;

    switch (code) {
    case TEscapeCode::ecCursorUp:
    case TEscapeCode::ecAppCursorUp:
        MoveCaret(col, row - P(1));
        return true;
    // ESC O B/C/D arrive when a target echoes cursor keys typed in application mode;
    // they move the caret like ESC [ B/C/D, as ESC O A does like ESC [ A.
    case TEscapeCode::ecCursorDown:
    case TEscapeCode::ecAppCursorDown:
        MoveCaret(col, row + P(1));
        return true;
    case TEscapeCode::ecCursorRight:
    case TEscapeCode::ecAppCursorRight:
        MoveCaret(col + P(1), row);
        return true;
    case TEscapeCode::ecCursorLeft:
    case TEscapeCode::ecAppCursorLeft:
        MoveCaret(col - P(1), row);
        return true;
    case TEscapeCode::ecCursorHome:
    case TEscapeCode::ecCursorMove: // CUP/HVP: row first, then column
        MoveCaret(P(2), P(1));
        return true;
    case TEscapeCode::ecReverseLineFeed: // RI
        ReverseLineFeed();
        return true;
    case TEscapeCode::ecIndex: // IND
        LineFeed();
        return true;
    case TEscapeCode::ecNextLine: // NEL
        MoveCaret(1, row);
        LineFeed();
        return true;
    case TEscapeCode::ecSaveCaret:
        FSavedCaretColumn = FCaretColumn;
        FSavedCaretRow = FCaretRow;
        return true;
    case TEscapeCode::ecRestoreCaret:
        // Clamped: the screen may have become smaller since the caret was saved.
        MoveCaret(FSavedCaretColumn, FSavedCaretRow);
        return true;
    default:
        return false;
    }
}

bool TComTerminalModel::PutEraseCode(TEscapeCode code) {
    switch (code) {
    case TEscapeCode::ecEraseLineFrom:
        FBuffer.EraseLineFrom(FCaretColumn, FCaretRow, BlankChar());
        break;
    case TEscapeCode::ecEraseScreenFrom:
        FBuffer.EraseScreenFrom(FCaretColumn, FCaretRow, BlankChar());
        break;
    case TEscapeCode::ecEraseLineTo:
        FBuffer.EraseLineTo(FCaretColumn, FCaretRow, BlankChar());
        break;
    case TEscapeCode::ecEraseScreenTo:
        FBuffer.EraseScreenTo(FCaretColumn, FCaretRow, BlankChar());
        break;
    case TEscapeCode::ecEraseLine:
        FBuffer.EraseLine(FCaretRow, BlankChar());
        MoveCaret(1, FCaretRow);
        break;
    case TEscapeCode::ecEraseScreen:
        FBuffer.EraseScreen(BlankChar());
        MoveCaret(1, 1);
        break;
    case TEscapeCode::ecTest: // DECALN: the screen filled with 'E', the caret stays
        FBuffer.Fill(TComTermChar{'E', FFontColor, FColor, false});
        break;
    default:
        return false;
    }
    Changed(TTermChangeKind::Screen);
    return true;
}

bool TComTerminalModel::PutReplyCode(TEscapeCode code) {
    // Replies go to the line only; they are never echoed on the screen.
    switch (code) {
    case TEscapeCode::ecIdentify:
        SendCodeNoEcho(TEscapeCode::ecIdentResponse, {"2"});
        return true;
    case TEscapeCode::ecQueryDevice:
        SendCodeNoEcho(TEscapeCode::ecReportDeviceOK, {});
        return true;
    case TEscapeCode::ecQueryCursorPos:
        SendCodeNoEcho(TEscapeCode::ecReportCursorPos,
                       {std::to_string(FCaretRow), std::to_string(FCaretColumn)});
        return true;
    default:
        return false;
    }
}

bool TComTerminalModel::PutStateCode(TEscapeCode code, const std::vector<std::string>& params) {
    switch (code) {
    case TEscapeCode::ecSetTab:
        FBuffer.SetTab(FCaretColumn, true);
        return true;
    case TEscapeCode::ecClearTab:
        FBuffer.SetTab(FCaretColumn, false);
        return true;
    case TEscapeCode::ecClearAllTabs:
        FBuffer.ClearAllTabs();
        return true;
    case TEscapeCode::ecAttributes:
        SetAttributes(params);
        return true;
    case TEscapeCode::ecSetMode:
        SetMode(params, true);
        return true;
    case TEscapeCode::ecResetMode:
        SetMode(params, false);
        return true;
    case TEscapeCode::ecCharacterSet: // one character set only: taken and forgotten
        return true;
    case TEscapeCode::ecReset: // attributes only; screen, caret and modes stay
        SetAttributes({"0"});
        return true;
    case TEscapeCode::ecSaveCaretAndAttr:
        FSavedBold = FBold;
        FSavedUnderline = FUnderline;
        FSavedReverse = FReverse;
        return PutCaretCode(TEscapeCode::ecSaveCaret, {});
    case TEscapeCode::ecRestoreCaretAndAttr:
        FBold = FSavedBold;
        FUnderline = FSavedUnderline;
        FReverse = FSavedReverse;
        return PutCaretCode(TEscapeCode::ecRestoreCaret, {});
    default:
        return false;
    }
}

void TComTerminalModel::SetAttributes(const std::vector<std::string>& params) {
    // No parameter counts as 0. Colours are not shown: their codes are ignored, and an
    // extended colour (38 or 48, then 5;n or 2;r;g;b) is skipped as a unit so that its
    // numbers are not read as attributes. A parameter with ':' sub-parameters
    // (38:5:n) carries its own numbers and is ignored whole.
    if (params.empty()) {
        FBold = FUnderline = FReverse = false;
        return;
    }
    const int count = int(params.size());
    for (int i = 1; i <= count; ++i) {
        if (params[std::size_t(i - 1)].find(':') != std::string::npos) continue;
        switch (TEscapeCodes::GetParam(i, params)) {
        case 0:
            FBold = FUnderline = FReverse = false;
            break;
        case 1:
            FBold = true;
            break;
        case 4:
            FUnderline = true;
            break;
        case 7:
            FReverse = true;
            break;
        case 21:
        case 22:
            FBold = false;
            break; // 21 and 22: normal intensity
        case 24:
            FUnderline = false;
            break;
        case 27:
            FReverse = false;
            break;
        case 38:
        case 48:
            if (i < count) {
                const int kind = TEscapeCodes::GetParam(i + 1, params);
                if (kind == 5)
                    i += 2; // 5;n: one of 256 colours
                else if (kind == 2)
                    i += 4; // 2;r;g;b: a true colour
            }
            break;
        default:
            break;
        }
    }
}

void TComTerminalModel::SetMode(const std::vector<std::string>& params, bool on) {
    if (params.empty()) return;
    const std::string& mode = params.front();
    if (mode == "?1") // DECCKM: application cursor keys
        FAppCursorKeys = on;
    else if (mode == "7") // wrap at the end of a line
        FWrapLines = on;
    else if (mode == "?25") { // DECTCEM: show or hide the caret
        FCaretEnabled = on;
        Changed(TTermChangeKind::Caret);
    } else if (mode == "?3") // DECCOLM: 132 or 80 columns; only a real change empties the screen
        SetColumns(on ? 132 : 80);
}

} // namespace vesk
