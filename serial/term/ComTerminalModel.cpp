#include "ComTerminalModel.h"

#include "EscapeCodesVT100.h"

#include <algorithm>
#include <utility>

namespace vesk {

TComTerminalModel::TComTerminalModel() : FBuffer(80, 24) {
    SetEmulation(TTermEmulation::teVT100orANSI);
    FBuffer.Init(BlankChar());
}

TComTerminalModel::~TComTerminalModel() = default;

void TComTerminalModel::Changed(TTermChangeKind kind, int column, int row) {
    if (OnChanged) OnChanged(TTermChange{kind, column, row});
}

// ---- Properties ----

void TComTerminalModel::SetColumns(int value) {
    value = std::clamp(value, MinColumns, MaxColumns);
    if (value != Columns()) Reallocate(value, Rows());
}

void TComTerminalModel::SetRows(int value) {
    value = std::clamp(value, MinRows, MaxRows);
    if (value != Rows()) Reallocate(Columns(), value);
}

void TComTerminalModel::Reallocate(int columns, int rows) {
    FBuffer.Resize(columns, rows);
    FBuffer.Init(BlankChar());
    // The caret keeps its place unless that is now off the screen: it then goes to the
    // nearest cell, so the next character is stored inside the new width.
    FCaretColumn = std::min(FCaretColumn, columns);
    FCaretRow = std::min(FCaretRow, rows);
    Changed(TTermChangeKind::Size);
    Changed(TTermChangeKind::Caret);
}

void TComTerminalModel::SetEmulation(TTermEmulation value) {
    FEmulation = value;
    // Only the VT100/ANSI decoder exists; other emulations show every byte as it is.
    if (value == TTermEmulation::teVT100orANSI)
        FEscapeCodes = std::make_unique<TEscapeCodesVT100>();
    else
        FEscapeCodes.reset();
}

void TComTerminalModel::SetCaret(TTermCaret value) {
    FCaret = value;
    Changed(TTermChangeKind::Caret);
}

void TComTerminalModel::SetColor(TColor value) {
    FColor = value;
    Changed(TTermChangeKind::Screen);
}

// ---- Cells ----

TComTermChar TComTerminalModel::BlankChar() const {
    return TComTermChar{0, FFontColor, FColor, false};
}

TComTermChar TComTerminalModel::AttrChar(unsigned char ch) const {
    TComTermChar cell;
    cell.Ch = ch;
    cell.FrontColor = FBold ? FAltColor : (FReverse ? FColor : FFontColor);
    cell.BackColor = FReverse ? FFontColor : FColor;
    cell.Underline = FUnderline;
    return cell;
}

void TComTerminalModel::ClearScreen() {
    FBuffer.Init(BlankChar());
    Changed(TTermChangeKind::Screen);
    MoveCaret(1, 1);
}

// ---- Receiving ----

void TComTerminalModel::RxBuf(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char ch : bytes) {
        text += ch;
        if (FAppendLF && ch == '\r') text += '\n';
    }
    if (OnStrRecieved) OnStrRecieved(text);
    Write(text);
}

void TComTerminalModel::Write(std::string_view bytes) {
    // The caret is hidden while bytes are written and shown again afterwards, also
    // when a reply to the line fails on the way; the guard runs no hook, so it cannot
    // throw while such an error unwinds.
    struct CaretHider {
        bool& Visible;
        explicit CaretHider(bool& visible) : Visible(visible) { Visible = false; }
        ~CaretHider() { Visible = true; }
    };
    {
        CaretHider hider(FCaretVisible);
        WriteBytes(bytes);
    }
    Changed(TTermChangeKind::Caret);
}

void TComTerminalModel::WriteBytes(std::string_view bytes) {
    for (char c : bytes) {
        unsigned char ch = static_cast<unsigned char>(c);
        if (FForce7Bit) ch &= 0x7F;
        if (!FEscapeCodes) {
            PutChar(ch);
            continue;
        }
        TEscapeCodes& codes = *FEscapeCodes;
        switch (codes.ProcessChar(ch)) {
        case TEscapeResult::erChar:
            PutChar(ch);
            break;
        case TEscapeResult::erCode: {
            // Copied out first: the processor's list is cleared before any hook runs.
            const std::vector<std::string> params = codes.Params();
            const std::string text = codes.Data();
            const TEscapeCode code = codes.Code();
            codes.ClearParams();
            if (!PutEscapeCode(code, params) && OnUnhandledCode) OnUnhandledCode(code, text);
            break;
        }
        case TEscapeResult::erNothing:
            break;
        }
    }
}

void TComTerminalModel::PutChar(unsigned char ch) {
    switch (ch) {
    case 8: // backspace: one column left, nothing erased
        MoveCaret(FCaretColumn - 1, FCaretRow);
        break;
    case 9: { // tab: next stop to the right, if any
        const int next = FBuffer.NextTab(FCaretColumn);
        if (next > 0) MoveCaret(next, FCaretRow);
        break;
    }
    case 10:
    case 12:
        LineFeed();
        break;
    case 13:
        MoveCaret(1, FCaretRow);
        break;
    default:
        if (ch >= 32) {
            // The caret is always on the screen (a size change clamps it), so the cell exists.
            FBuffer.SetChar(FCaretColumn, FCaretRow, AttrChar(ch));
            Changed(TTermChangeKind::Cell, FCaretColumn, FCaretRow);
            AdvanceCaret();
        }
        break;
    }
    if (OnChar) OnChar(ch);
}

// ---- Caret ----

void TComTerminalModel::MoveCaret(long long column, long long row) {
    // 64-bit on the way in, so huge parameters clamp instead of overflowing.
    FCaretColumn = int(std::clamp<long long>(column, 1, Columns()));
    FCaretRow = int(std::clamp<long long>(row, 1, Rows()));
    Changed(TTermChangeKind::Caret);
}

void TComTerminalModel::AdvanceCaret() {
    if (FCaretColumn < Columns()) {
        MoveCaret(FCaretColumn + 1, FCaretRow);
    } else if (FWrapLines) {
        if (FCaretRow < Rows())
            MoveCaret(1, FCaretRow + 1);
        else {
            ScrollUp();
            MoveCaret(1, FCaretRow);
        }
    }
    // Without wrapping the caret stays on the last column.
}

void TComTerminalModel::LineFeed() {
    if (FCaretRow < Rows())
        MoveCaret(FCaretColumn, FCaretRow + 1);
    else
        ScrollUp();
}

void TComTerminalModel::ReverseLineFeed() {
    if (FCaretRow > 1)
        MoveCaret(FCaretColumn, FCaretRow - 1);
    else
        ScrollDown();
}

void TComTerminalModel::ScrollUp() {
    std::vector<TComTermChar> top;
    top.reserve(size_t(Columns()));
    for (int column = 1; column <= Columns(); ++column)
        top.push_back(FBuffer.GetChar(column, 1));
    FHistory.Push(std::move(top));
    FBuffer.ScrollUp(BlankChar());
    Changed(TTermChangeKind::Lines);
    Changed(TTermChangeKind::Screen);
}

// ---- Lines ----

const TComTermChar& TComTerminalModel::LineCell(int column, int line) const {
    const int history = FHistory.Count();
    return line <= history ? FHistory.Cell(column, line - 1) : FBuffer.GetChar(column, line - history);
}

std::string TComTerminalModel::LineText(int line) const {
    const int history = FHistory.Count();
    if (line > history) return FBuffer.RowText(line - history);
    std::string text;
    for (int column = 1; column <= FHistory.Width(line - 1); ++column) {
        const unsigned char ch = FHistory.Cell(column, line - 1).Ch;
        text += ch ? char(ch) : ' ';
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

void TComTerminalModel::ClearScrollback() {
    if (FHistory.Count() == 0) return;
    FHistory.Clear();
    Changed(TTermChangeKind::Lines);
}

void TComTerminalModel::ScrollDown() {
    FBuffer.ScrollDown(BlankChar());
    Changed(TTermChangeKind::Screen);
}

} // namespace vesk
