// Drawing the terminal: the font and the cell metrics, the cells, and the caret.

#include "ComTerminal.h"

#include "TermKeys.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace vesk {

namespace {

QColor ToQColor(TColor color) {
    return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

} // namespace

QFont TComTerminal::DefaultFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(9);
    return font;
}

// ---- Font and metrics ----

// Measured rather than asked of the font database, which misses the flag on some
// monospaced fonts.
bool TComTerminal::IsFixedPitch(const QFont& font) {
    const QFontMetrics metrics(font);
    const int pitch = metrics.horizontalAdvance(QLatin1Char('0'));
    for (const char ch : {'i', 'W', 'M', '.', 'l', ' '})
        if (metrics.horizontalAdvance(QLatin1Char(ch)) != pitch) return false;
    return true;
}

void TComTerminal::KeepFontFixed() {
    QFont fixed = font();
    bool changed = false;
    if (fixed.underline()) { // underlining is a cell attribute, not the font's
        fixed.setUnderline(false);
        changed = true;
    }
    if (!IsFixedPitch(fixed)) { // cells need one pitch for every character
        fixed.setFamilies({DefaultFont().family()});
        fixed.setStyleHint(QFont::TypeWriter);
        changed = true;
    }
    if (changed) {
        FFixingFont = true;
        setFont(fixed);
        FFixingFont = false;
    }
}

void TComTerminal::UpdateMetrics() {
    const QFontMetrics metrics(font());
    FCellHeight = std::max(1, metrics.height());
    FCellWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    FAscent = metrics.ascent();
}

void TComTerminal::changeEvent(QEvent* e) {
    QFrame::changeEvent(e);
    if (e->type() == QEvent::FontChange && !FFixingFont) {
        KeepFontFixed();
        UpdateMetrics();
        UpdateSize();
    }
}

QRect TComTerminal::CellRect(int column, int row) const {
    return LineRect(column, FModel->History().Count() + row);
}

QRect TComTerminal::LineRect(int column, int line) const {
    const QRect area = contentsRect();
    return QRect(area.left() + (column - 1) * FCellWidth, area.top() + (line - 1) * FCellHeight, FCellWidth,
                 FCellHeight);
}

QPoint TComTerminal::CellAt(const QPoint& position) const {
    const QRect area = contentsRect();
    const int column = std::clamp((position.x() - area.left()) / FCellWidth + 1, 1, Columns());
    const int line = std::clamp((position.y() - area.top()) / FCellHeight + 1, 1, FModel->LineCount());
    return QPoint(column, line);
}

// ---- Changes of the model ----

void TComTerminal::ModelChanged(const TTermChange& change) {
    switch (change.Kind) {
    case TTermChangeKind::Cell:
        // Only the stored cell is drawn again, unless the whole screen is due anyway.
        if (!FRepaintAll) update(CellRect(change.Column, change.Row));
        break;
    case TTermChangeKind::Screen:
        FRepaintAll = true;
        update();
        break;
    case TTermChangeKind::Size:
    case TTermChangeKind::Lines:
        // Every line below the scroll-back's changed its place.
        FRepaintAll = true;
        UpdateSize();
        emit CaretMoved();
        break;
    case TTermChangeKind::Caret:
        // A caret that has just moved or reappeared is shown at once, not in the
        // middle of a blink pause.
        if (FModel->CaretVisible() && FBlinkTimer->isActive()) {
            FBlinkOn = true;
            FBlinkTimer->start();
        }
        UpdateCaret();
        emit CaretMoved();
        break;
    }
}

// ---- The caret ----

QRect TComTerminal::CaretRect() const {
    const int height = CaretHeight(FModel->Caret(), FCellHeight);
    if (height <= 0) return QRect();
    const QRect cell = CellRect(FModel->CaretColumn(), FModel->CaretRow());
    return QRect(cell.left(), cell.top() + FCellHeight - height, FCellWidth, height);
}

bool TComTerminal::CaretShown() const {
    return hasFocus() && FBlinkOn && FModel->CaretVisible() && FModel->CaretEnabled() &&
           FModel->Caret() != TTermCaret::tcNone;
}

void TComTerminal::UpdateCaret() {
    const QRect now = CaretShown() ? CaretRect() : QRect();
    if (now == FCaretPainted) return;
    update(FCaretPainted);
    update(now);
    FCaretPainted = now;
}

void TComTerminal::BlinkCaret() {
    FBlinkOn = !FBlinkOn;
    UpdateCaret();
}

void TComTerminal::focusInEvent(QFocusEvent* e) {
    QFrame::focusInEvent(e);
    FBlinkOn = true;
    // The caret blinks at the desktop's cursor rate; a rate of 0 means steady.
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) FBlinkTimer->start(flash / 2);
    UpdateCaret();
}

void TComTerminal::focusOutEvent(QFocusEvent* e) {
    QFrame::focusOutEvent(e);
    FBlinkTimer->stop();
    UpdateCaret();
}

// ---- Painting ----

void TComTerminal::paintEvent(QPaintEvent* e) {
    FRepaintAll = false;
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    const QRect dirty = e->rect() & area;
    if (dirty.isEmpty()) return;
    // Empty cells, and the part of the control beyond the screen, show the
    // control's background colour.
    painter.fillRect(dirty, ToQColor(FModel->Color()));

    const int firstColumn = std::max(1, (dirty.left() - area.left()) / FCellWidth + 1);
    const int lastColumn = std::min(Columns(), (dirty.right() - area.left()) / FCellWidth + 1);
    const int firstLine = std::max(1, (dirty.top() - area.top()) / FCellHeight + 1);
    const int lastLine = std::min(FModel->LineCount(), (dirty.bottom() - area.top()) / FCellHeight + 1);
    painter.setClipRect(area);
    painter.setFont(font());
    for (int line = firstLine; line <= lastLine; ++line)
        for (int column = firstColumn; column <= lastColumn; ++column)
            if (FModel->LineCell(column, line).Ch != 0 || IsSelected(column, line))
                PaintCell(painter, column, line);

    if (CaretShown()) PaintCaret(painter);
}

void TComTerminal::PaintCell(QPainter& painter, int column, int line) {
    const TComTermChar& cell = FModel->LineCell(column, line);
    const QRect rect = LineRect(column, line);
    QColor front = ToQColor(cell.FrontColor);
    QColor back = ToQColor(cell.BackColor);
    // A selected cell is drawn in reverse.
    if (IsSelected(column, line)) std::swap(front, back);
    painter.fillRect(rect, back);
    const QChar ch = TermByteToChar(cell.Ch, FCharSet);
    if (!ch.isNull() && ch != QLatin1Char(' ')) {
        painter.setPen(front);
        painter.drawText(QPoint(rect.left(), rect.top() + FAscent), QString(ch));
    }
    if (cell.Underline) {
        const QFontMetrics metrics(font());
        const int thickness = std::max(1, metrics.lineWidth());
        const int y = std::min(rect.top() + FAscent + metrics.underlinePos(), rect.bottom() - thickness + 1);
        painter.fillRect(QRect(rect.left(), y, rect.width(), thickness), front);
    }
}

void TComTerminal::PaintCaret(QPainter& painter) {
    // Like a system caret the caret inverts what lies under it.
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(CaretRect(), Qt::white);
    painter.restore();
}

} // namespace vesk
