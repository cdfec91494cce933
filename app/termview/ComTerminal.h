// `TComTerminal`: the character-cell terminal control. It shows the bytes that
// arrive on a serial port, interpreting VT100/ANSI control sequences, and sends the
// user's key strokes to the same port.
//
// The behaviour of the screen (cells, caret, attributes, escape codes, what goes
// back to the line) lives in `TComTerminalModel`; this control draws the model's
// cells with a fixed-pitch font, turns keys into the model's SendChar / SendKey,
// and ties the model to a `TComPort`:
//
//  * `SetComPort` attaches one `TComLink` to the port; its RxBuf feeds the model.
//  * While the port is open a `TComTerminalNotifier` (ComTerminalNotifier.h: a
//    QSocketNotifier on the handle on POSIX, a short timer on Windows) tells when
//    bytes arrived, so they are read and shown on the GUI thread. The watcher
//    follows every open and close of the port (also those the owner does
//    directly, and a reopen after a port name change), since the handle changes
//    with each open.
//  * A port error while receiving (the line hung up, a read failed) closes the port
//    and is reported through `OnError`; so is an error while sending a key stroke.
//
// The events of the screen (OnChar, OnStrRecieved, OnUnhandledCode) are the
// model's hooks: Model().OnChar and so on. The control has no scroll bars of its
// own; a host that is smaller than the screen puts it in a QScrollArea.
//
// The control shows the model's lines: the scroll-back above the screen's rows. With
// AutoSize it is as tall as all of them, so that the host's scroll area reaches the
// scroll-back with its scroll bar, the wheel and Shift+PageUp / Shift+PageDown
// (`PageScroll`). Text is selected with the mouse and copied with Ctrl+Shift+C or the
// context menu (ComTerminalSelect.cpp); Ctrl+Shift+V, Shift+Insert and the middle
// button paste into the line as if typed. Every other key goes to the line as before.
//
// Lifetime: the port must outlive its attachment. Detach it (`SetComPort(nullptr)`)
// before destroying the port, for example in the destructor of the window that
// owns both (a window's members die before its child widgets).
#pragma once

#include "ComTerminalModel.h"
#include "TermCharSet.h"
#include "serial/port/ComPort.h"

#include <QFrame>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QAction;
class QMenu;
class QTimer;

namespace vesk {

class TComTerminalNotifier;

enum class TTermBorderStyle { bsNone, bsSingle };

class TComTerminal : public QFrame {
    Q_OBJECT
  public:
    explicit TComTerminal(QWidget* parent = nullptr);
    ~TComTerminal() override;

    // The screen model: cells, caret, attributes, modes and the escape-code processor.
    TComTerminalModel& Model() { return *FModel; }
    const TComTerminalModel& Model() const { return *FModel; }

    // ---- The serial port ----
    TComPort* ComPort() const { return FComPort; }
    // Detaches the control's link from the old port and attaches it to `port`
    // (nullptr: none). An open port starts delivering its received bytes at once.
    void SetComPort(TComPort* port);
    // The attached port's Connected; false without a port.
    bool Connected() const;
    // Opens (true) or closes (false) the attached port; nothing without a port.
    // An open failure (EComPort, "Unable to open com port ...") reaches the caller.
    void SetConnected(bool value);

    // ---- Properties of the screen (see TComTerminalModel) ----
    int Columns() const { return FModel->Columns(); }
    void SetColumns(int value); // 2..256; a change empties the screen
    int Rows() const { return FModel->Rows(); }
    void SetRows(int value); // 2..100; a change empties the screen
    TTermEmulation Emulation() const { return FModel->Emulation(); }
    void SetEmulation(TTermEmulation value) { FModel->SetEmulation(value); }
    TTermCaret Caret() const { return FModel->Caret(); }
    void SetCaret(TTermCaret value) { FModel->SetCaret(value); }
    bool LocalEcho() const { return FModel->LocalEcho(); }
    void SetLocalEcho(bool value) { FModel->SetLocalEcho(value); }
    bool SendLF() const { return FModel->SendLF(); }
    void SetSendLF(bool value) { FModel->SetSendLF(value); }
    bool AppendLF() const { return FModel->AppendLF(); }
    void SetAppendLF(bool value) { FModel->SetAppendLF(value); }
    bool WrapLines() const { return FModel->WrapLines(); }
    void SetWrapLines(bool value) { FModel->SetWrapLines(value); }
    TArrowKeys ArrowKeys() const { return FModel->ArrowKeys(); }
    void SetArrowKeys(TArrowKeys value) { FModel->SetArrowKeys(value); }
    // With WantTab the Tab key is sent to the line; otherwise it moves the focus on.
    bool WantTab() const { return FModel->WantTab(); }
    void SetWantTab(bool value) { FModel->SetWantTab(value); }
    // Colours as 0x00RRGGBB: bold text, background, and the font's colour.
    TColor AltColor() const { return FModel->AltColor(); }
    void SetAltColor(TColor value) { FModel->SetAltColor(value); }
    TColor Color() const { return FModel->Color(); }
    void SetColor(TColor value) { FModel->SetColor(value); }
    TColor FontColor() const { return FModel->FontColor(); }
    void SetFontColor(TColor value);

    // The font is QWidget::font(). It is kept fixed-pitch: a proportional font gets
    // the default font's family instead, and an underline style is removed.
    static QFont DefaultFont();
    // Whether every character of `font` has the same width.
    static bool IsFixedPitch(const QFont& font);

    TTermCharSet CharSet() const { return FCharSet; }
    void SetCharSet(TTermCharSet value);
    TTermBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TTermBorderStyle value);
    // With AutoSize the control takes the size of Columns x Rows cells (plus its
    // border) and keeps it when the font or the screen size changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    // ---- Operations ----
    // Empties every cell, resets the tab stops and homes the caret.
    void ClearScreen() { FModel->ClearScreen(); }
    // Empties the scroll-back; the selection goes with it.
    void ClearScrollback() {
        ClearSelection();
        FModel->ClearScrollback();
    }
    // Feed bytes to the display as if received.
    void Write(const char* bytes, int count);
    void WriteStr(std::string_view text) { FModel->Write(text); }
    // Transmit to the port (nothing while it is closed). Port errors are thrown.
    void SendChar(unsigned char ch) { FModel->SendChar(ch); }
    void SendCode(TEscapeCode code, const std::vector<std::string>& params) {
        FModel->SendCode(code, params);
    }
    void SendCodeNoEcho(TEscapeCode code, const std::vector<std::string>& params) {
        FModel->SendCodeNoEcho(code, params);
    }

    // ---- Selection and the clipboard (ComTerminalSelect.cpp) ----
    // A stream of cells from one line and column to another, both included; lines are
    // the model's (scroll-back first) and stay on their text while the scroll-back moves.
    bool HasSelection() const;
    void SelectAll();
    void ClearSelection();
    // The selected characters, one line per line, trailing blanks removed.
    QString SelectedText() const;
    // Every line, scroll-back included, trailing blanks and empty lines at the end
    // removed, each line ended by a line feed.
    QString Text() const;
    // Copies the selection to the clipboard; nothing without a selection.
    void Copy();
    // Sends `text` to the line as if typed: a line break as Enter, characters the
    // character set has no byte for are left out. Port errors go to OnError.
    void Paste(const QString& text);
    // Actions the context menu offers after its own (Copy, Paste, Select all).
    QList<QAction*> ExtraMenuActions;
    // Is the cell of `line` and `column` selected?
    bool IsSelected(int column, int line) const;

    // ---- Geometry ----
    // Size of one cell in pixels: the font's line height and character pitch.
    int CellWidth() const { return FCellWidth; }
    int CellHeight() const { return FCellHeight; }
    // The pixel rectangle of a cell of the screen (column and row from 1), in widget
    // coordinates: below the scroll-back's lines.
    QRect CellRect(int column, int row) const;
    // The same for a line of the model (scroll-back lines first).
    QRect LineRect(int column, int line) const;
    // The cell under a point, as column and line, clamped to the lines shown.
    QPoint CellAt(const QPoint& position) const;
    // The rectangle the caret occupies at the bottom of its cell: the whole cell for
    // tcBlock, an eighth of its height for tcUnderline, empty for tcNone.
    QRect CaretRect() const;
    // Whether the caret is drawn now: the control has the focus, the caret is not
    // hidden by writing nor by the line (ESC [ ? 25 l), and the blink phase is on.
    bool CaretShown() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // ---- Errors ----
    // Receives every error raised while sending a key stroke or handling received
    // data. Default (empty): a critical message box captioned with the application's
    // name. The main window routes it to the application's standard error box.
    std::function<void(const std::exception&)> OnError;

  signals:
    // The attached port opened (true) or closed (false), also when the control closed
    // it after a failure on the line.
    void ConnectedChanged(bool connected);
    // Shift+PageUp (-1) or Shift+PageDown (+1): the host scrolls its view by a page.
    void PageScroll(int direction);
    // A key or a paste went to the line: the host brings the caret into view.
    void Typed();
    // The caret moved, or the lines moved under it (the scroll-back grew): a host that
    // follows the caret scrolls it into view.
    void CaretMoved();

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

  private:
    // A cell by its line's lasting number (History().Dropped() + line) and its column.
    struct TCellMark {
        int64_t Line = 0;
        int Column = 0;
        auto operator<=>(const TCellMark&) const = default;
    };
    TCellMark Mark(int column, int line) const;
    int LineOf(const TCellMark& mark) const;
    // The selection's first and last cell, in order.
    std::pair<TCellMark, TCellMark> Ordered() const;
    QString LineString(int line, int firstColumn, int lastColumn) const;
    // Handles the clipboard keys; false for any other key.
    bool ClipboardKey(const QKeyEvent* e);
    void UpdateSelection();
    QMenu* ContextMenu();
    void ModelChanged(const TTermChange& change);
    bool SendBytes(std::string_view bytes);
    void PortReadable();
    void PortConnectionChanged(bool opened);
    void ArmNotifier();
    void DisarmNotifier();
    void ReportError(const std::exception& error);
    void KeepFontFixed();
    void UpdateMetrics();
    void UpdateSize();
    void UpdateCaret();
    void BlinkCaret();
    void PaintCell(QPainter& painter, int column, int line);
    void PaintCaret(QPainter& painter);

    std::unique_ptr<TComTerminalModel> FModel;
    std::unique_ptr<TComLink> FLink;
    TComPort* FComPort = nullptr;
    TComTerminalNotifier* FNotifier = nullptr;
    QTimer* FBlinkTimer = nullptr;
    bool FBlinkOn = true;
    QRect FCaretPainted; // where the caret was last drawn, to repaint it away
    TTermCharSet FCharSet = TTermCharSet::tcsWestern;
    TTermBorderStyle FBorderStyle = TTermBorderStyle::bsSingle;
    bool FAutoSize = false;
    bool FFixingFont = false;
    bool FRepaintAll = false; // a repaint of the whole control is pending
    int FCellWidth = 8;
    int FCellHeight = 16;
    int FAscent = 12;
    std::optional<TCellMark> FSelAnchor, FSelEnd; // the selection, while there is one
    bool FSelecting = false;                      // the left button is down
};

} // namespace vesk
