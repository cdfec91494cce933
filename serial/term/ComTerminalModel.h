#pragma once
// The terminal's behaviour without any drawing: the screen cells, the caret, the
// current attributes and modes, the escape-code processor, and what is sent back to
// the line. A widget draws Buffer() and the caret, forwards received bytes to RxBuf
// and key strokes to SendChar / SendKey, and connects OnSend to its serial port.

#include "ComTermBuffer.h"
#include "ComTermHistory.h"
#include "EscapeCodes.h"
#include "TermTypes.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

enum class TTermChangeKind {
    Cell,   // one cell was stored: Column, Row
    Screen, // many cells changed: repaint everything
    Size,   // Columns or Rows changed (the screen is empty again)
    Caret,  // the caret moved or was shown again
    Lines,  // the scroll-back gained or lost rows: the lines to show are others
};

struct TTermChange {
    TTermChangeKind Kind;
    int Column = 0;
    int Row = 0;
};

class TComTerminalModel {
  public:
    static constexpr int MinColumns = 2, MaxColumns = 256;
    static constexpr int MinRows = 2, MaxRows = 100;

    TComTerminalModel();
    ~TComTerminalModel();
    TComTerminalModel(const TComTerminalModel&) = delete;
    TComTerminalModel& operator=(const TComTerminalModel&) = delete;

    // ---- Hooks (all optional) ----
    // Sends bytes to the line. Returns false when no open port is attached, in which
    // case nothing was sent; a port error may be thrown and reaches the caller.
    std::function<bool(std::string_view bytes)> OnSend;
    // The screen, its size or the caret changed.
    std::function<void(const TTermChange&)> OnChanged;
    // After every byte given to PutChar.
    std::function<void(unsigned char ch)> OnChar;
    // A completed sequence that PutEscapeCode did not handle, with its text.
    std::function<void(TEscapeCode code, const std::string& text)> OnUnhandledCode;
    // May change received text before it is shown.
    std::function<void(std::string& text)> OnStrRecieved;

    // ---- Properties ----
    int Columns() const { return FBuffer.Columns(); }
    void SetColumns(int value); // clamped to 2..256; a change empties the screen
    int Rows() const { return FBuffer.Rows(); }
    void SetRows(int value); // clamped to 2..100; a change empties the screen
    TTermEmulation Emulation() const { return FEmulation; }
    void SetEmulation(TTermEmulation value);
    TTermCaret Caret() const { return FCaret; }
    void SetCaret(TTermCaret value);
    bool LocalEcho() const { return FLocalEcho; }
    void SetLocalEcho(bool value) { FLocalEcho = value; }
    bool SendLF() const { return FSendLF; }
    void SetSendLF(bool value) { FSendLF = value; }
    bool AppendLF() const { return FAppendLF; }
    void SetAppendLF(bool value) { FAppendLF = value; }
    bool WrapLines() const { return FWrapLines; }
    void SetWrapLines(bool value) { FWrapLines = value; }
    bool Force7Bit() const { return FForce7Bit; }
    void SetForce7Bit(bool value) { FForce7Bit = value; }
    TArrowKeys ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(TArrowKeys value) { FArrowKeys = value; }
    bool WantTab() const { return FWantTab; }
    void SetWantTab(bool value) { FWantTab = value; }
    // Colours: AltColor draws bold text, Color is the background, FontColor the text.
    TColor AltColor() const { return FAltColor; }
    void SetAltColor(TColor value) { FAltColor = value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value) { FFontColor = value; }

    // ---- State for drawing ----
    const TComTermBuffer& Buffer() const { return FBuffer; }
    const TComTermChar& Cell(int column, int row) const { return FBuffer.GetChar(column, row); }
    std::string RowText(int row) const { return FBuffer.RowText(row); }
    int CaretColumn() const { return FCaretColumn; }
    int CaretRow() const { return FCaretRow; }
    // False while received bytes are being processed.
    bool CaretVisible() const { return FCaretVisible; }
    // The line's wish: ESC [ ? 25 l hides the caret until ESC [ ? 25 h.
    bool CaretEnabled() const { return FCaretEnabled; }
    bool AppCursorKeys() const { return FAppCursorKeys; }
    bool Bold() const { return FBold; }
    bool Underline() const { return FUnderline; }
    bool Reverse() const { return FReverse; }
    TEscapeCodes* EscapeCodes() const { return FEscapeCodes.get(); }

    // ---- Lines: the scroll-back, oldest first, then the screen's rows ----
    // Each row that scrolls off the top of the screen joins the scroll-back (ESC [ 2 J
    // and the other erasures do not touch it).
    const TComTermHistory& History() const { return FHistory; }
    int LineCount() const { return FHistory.Count() + Rows(); }
    // Line numbers from 1; the screen's row `row` is line History().Count() + row.
    const TComTermChar& LineCell(int column, int line) const;
    // The characters of one line, empty cells as spaces, trailing spaces removed.
    std::string LineText(int line) const;
    // Empties the scroll-back.
    void ClearScrollback();

    // ---- Operations ----
    // Empties every cell, resets the tab stops, caret to (1,1). Attributes and modes stay.
    void ClearScreen();
    // Feed bytes to the display as if received.
    void Write(std::string_view bytes);
    void WriteStr(const std::string& text) { Write(text); }
    // Bytes received from the line: AppendLF, OnStrRecieved, then Write.
    void RxBuf(std::string_view bytes);

    // A typed character: sent, echoed with LocalEcho, CR followed by LF with SendLF.
    void SendChar(unsigned char ch);
    // A cursor key: sent as its code (echoed with LocalEcho); with akWindows it only
    // moves the local caret.
    void SendKey(TTermKey key);
    // Sends a code; SendCode applies it locally too with LocalEcho.
    void SendCode(TEscapeCode code, const std::vector<std::string>& params);
    void SendCodeNoEcho(TEscapeCode code, const std::vector<std::string>& params);

    // Screen actions, also usable directly.
    void PutChar(unsigned char ch);
    // Returns false when the code is not handled.
    bool PutEscapeCode(TEscapeCode code, const std::vector<std::string>& params);
    void SetAttributes(const std::vector<std::string>& params);
    void SetMode(const std::vector<std::string>& params, bool on);
    void AdvanceCaret();
    // Moves the caret, clamped to the screen.
    void MoveCaret(long long column, long long row);

  private:
    TComTermChar BlankChar() const;
    TComTermChar AttrChar(unsigned char ch) const;
    void LineFeed();
    void ReverseLineFeed();
    void ScrollUp();
    void ScrollDown();
    void Reallocate(int columns, int rows);
    void WriteBytes(std::string_view bytes);
    // PutEscapeCode's groups; each returns false for codes outside it.
    bool PutCaretCode(TEscapeCode code, const std::vector<std::string>& params);
    bool PutEraseCode(TEscapeCode code);
    bool PutReplyCode(TEscapeCode code);
    bool PutStateCode(TEscapeCode code, const std::vector<std::string>& params);
    bool Transmit(std::string_view bytes);
    std::string CodeToStr(TEscapeCode code, const std::vector<std::string>& params) const;
    void Changed(TTermChangeKind kind, int column = 0, int row = 0);

    TComTermBuffer FBuffer;
    TComTermHistory FHistory;
    std::unique_ptr<TEscapeCodes> FEscapeCodes;

    TTermEmulation FEmulation = TTermEmulation::teVT100orANSI;
    TTermCaret FCaret = TTermCaret::tcBlock;
    bool FLocalEcho = false;
    bool FSendLF = false;
    bool FAppendLF = false;
    bool FWrapLines = false;
    bool FForce7Bit = false;
    TArrowKeys FArrowKeys = TArrowKeys::akTerminal;
    bool FWantTab = false;
    TColor FAltColor = clTermAltColor;
    TColor FColor = clBlack;
    TColor FFontColor = clWhite;

    int FCaretColumn = 1;
    int FCaretRow = 1;
    int FSavedCaretColumn = 1;
    int FSavedCaretRow = 1;
    bool FCaretVisible = true;
    bool FCaretEnabled = true;
    bool FBold = false, FUnderline = false, FReverse = false;
    bool FSavedBold = false, FSavedUnderline = false, FSavedReverse = false;
    bool FAppCursorKeys = false;
};

} // namespace vesk
