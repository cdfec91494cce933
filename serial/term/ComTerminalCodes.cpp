// What the terminal does with a completed escape code.

#include "ComTerminalModel.h"

#include <string>

namespace vesk {

bool TComTerminalModel::PutEscapeCode(TEscapeCode code, const std::vector<std::string>& params)
{
    // ecUnknown and the reports a terminal only sends (identification response,
    // device status, cursor position) fall through every group: not handled.
    return PutCaretCode(code, params) || PutEraseCode(code) || PutReplyCode(code)
        || PutStateCode(code, params);
}

bool TComTerminalModel::PutCaretCode(TEscapeCode code, const std::vector<std::string>& params)
{
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
    case TEscapeCode::ecReverseLineFeed:
        ReverseLineFeed();
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

bool TComTerminalModel::PutEraseCode(TEscapeCode code)
{
    switch (code) {
    case TEscapeCode::ecEraseLineFrom:
        FBuffer.EraseLineFrom(FCaretColumn, FCaretRow, BlankChar());
        break;
    case TEscapeCode::ecEraseScreenFrom:
        FBuffer.EraseScreenFrom(FCaretColumn, FCaretRow, BlankChar());
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

bool TComTerminalModel::PutReplyCode(TEscapeCode code)
{
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

bool TComTerminalModel::PutStateCode(TEscapeCode code, const std::vector<std::string>& params)
{
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

void TComTerminalModel::SetAttributes(const std::vector<std::string>& params)
{
    // No parameter counts as 0. There are no colour codes: other values are ignored.
    const std::size_t count = params.empty() ? 1 : params.size();
    for (std::size_t i = 1; i <= count; ++i) {
        const int value = params.empty() ? 0 : TEscapeCodes::GetParam(int(i), params);
        switch (value) {
        case 0: FBold = FUnderline = FReverse = false; break;
        case 1: FBold = true; break;
        case 4: FUnderline = true; break;
        case 7: FReverse = true; break;
        case 21: FBold = false; break;
        case 24: FUnderline = false; break;
        case 27: FReverse = false; break;
        default: break;
        }
    }
}

void TComTerminalModel::SetMode(const std::vector<std::string>& params, bool on)
{
    if (params.empty())
        return;
    const std::string& mode = params.front();
    if (mode == "?1") // DECCKM: application cursor keys
        FAppCursorKeys = on;
    else if (mode == "7") // wrap at the end of a line
        FWrapLines = on;
    else if (mode == "?3") // DECCOLM: 132 or 80 columns, the screen is emptied
        Reallocate(on ? 132 : 80, Rows());
}

} // namespace vesk
