// Selecting with the mouse, copying, pasting into the line, and the context menu.

#include "ComTerminal.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <algorithm>

namespace vesk {

// ---- Cells that keep their place while the scroll-back moves ----

TComTerminal::TCellMark TComTerminal::Mark(int column, int line) const {
    return TCellMark{FModel->History().Dropped() + line, column};
}

int TComTerminal::LineOf(const TCellMark& mark) const {
    return int(mark.Line - FModel->History().Dropped());
}

std::pair<TComTerminal::TCellMark, TComTerminal::TCellMark> TComTerminal::Ordered() const {
    return std::minmax(*FSelAnchor, *FSelEnd);
}

bool TComTerminal::HasSelection() const {
    return FSelAnchor && FSelEnd && *FSelAnchor != *FSelEnd;
}

bool TComTerminal::IsSelected(int column, int line) const {
    if (!HasSelection()) return false;
    const auto [first, last] = Ordered();
    const TCellMark cell = Mark(column, line);
    return first <= cell && cell <= last;
}

void TComTerminal::SelectAll() {
    FSelAnchor = Mark(1, 1);
    FSelEnd = Mark(Columns(), FModel->LineCount());
    UpdateSelection();
}

void TComTerminal::ClearSelection() {
    const bool had = HasSelection();
    FSelAnchor.reset();
    FSelEnd.reset();
    if (had) update();
}

void TComTerminal::UpdateSelection() {
    update();
    // On X11 a selection is also the primary selection that the middle button pastes.
    QClipboard* clipboard = QApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection())
        clipboard->setText(SelectedText(), QClipboard::Selection);
}

// ---- Text ----

QString TComTerminal::LineString(int line, int firstColumn, int lastColumn) const {
    QString text;
    for (int column = firstColumn; column <= lastColumn; ++column) {
        const unsigned char byte = FModel->LineCell(column, line).Ch;
        const QChar ch = byte == 0 ? QLatin1Char(' ') : TermByteToChar(byte, FCharSet);
        text += ch.isNull() ? QLatin1Char(' ') : ch;
    }
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QString TComTerminal::SelectedText() const {
    if (!HasSelection()) return {};
    const auto [first, last] = Ordered();
    // Lines that left the scroll-back meanwhile are gone from the selection.
    const int firstLine = std::max(1, LineOf(first)), lastLine = LineOf(last);
    QStringList lines;
    for (int line = firstLine; line <= lastLine; ++line) {
        const int from = line == LineOf(first) ? first.Column : 1;
        const int to = line == lastLine ? last.Column : Columns();
        lines << LineString(line, from, to);
    }
    return lines.join(QLatin1Char('\n'));
}

QString TComTerminal::Text() const {
    QStringList lines;
    for (int line = 1; line <= FModel->LineCount(); ++line)
        lines << LineString(line, 1, std::max(Columns(), FModel->History().Width(line - 1)));
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TComTerminal::Copy() {
    if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

void TComTerminal::Paste(const QString& text) {
    try {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar ch = text[i];
            if (ch == QLatin1Char('\n') && i > 0 && text[i - 1] == QLatin1Char('\r')) continue;
            // A line break goes as the Enter key sends it (with SendLF, CR and LF).
            const int byte = ch == QLatin1Char('\n') ? '\r' : TermCharToByte(ch, FCharSet);
            if (byte >= 0) FModel->SendChar(static_cast<unsigned char>(byte));
        }
    } catch (const std::exception& error) {
        ReportError(error);
    }
    emit Typed();
}

bool TComTerminal::ClipboardKey(const QKeyEvent* e) {
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (ctrlShift && e->key() == Qt::Key_C) {
        Copy();
    } else if ((ctrlShift && e->key() == Qt::Key_V) ||
               (mods == Qt::ShiftModifier && e->key() == Qt::Key_Insert)) {
        Paste(QApplication::clipboard()->text());
    } else if (mods == Qt::ShiftModifier && (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown)) {
        emit PageScroll(e->key() == Qt::Key_PageUp ? -1 : 1);
    } else {
        return false;
    }
    return true;
}

// ---- The mouse ----

void TComTerminal::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const QPoint cell = CellAt(e->position().toPoint());
        if (HasSelection()) update();
        FSelAnchor = FSelEnd = Mark(cell.x(), cell.y());
        FSelecting = true;
    } else if (e->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QApplication::clipboard();
        Paste(
            clipboard->text(clipboard->supportsSelection() ? QClipboard::Selection : QClipboard::Clipboard));
    }
    QFrame::mousePressEvent(e);
}

void TComTerminal::mouseMoveEvent(QMouseEvent* e) {
    if (FSelecting) {
        const QPoint cell = CellAt(e->position().toPoint());
        const TCellMark end = Mark(cell.x(), cell.y());
        if (end != FSelEnd) {
            FSelEnd = end;
            update();
        }
    }
    QFrame::mouseMoveEvent(e);
}

void TComTerminal::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && FSelecting) {
        FSelecting = false;
        if (HasSelection()) UpdateSelection();
    }
    QFrame::mouseReleaseEvent(e);
}

QMenu* TComTerminal::ContextMenu() {
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction(QStringLiteral("Copy"), this, &TComTerminal::Copy);
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    copy->setEnabled(HasSelection());
    QAction* paste =
        menu->addAction(QStringLiteral("Paste"), this, [this] { Paste(QApplication::clipboard()->text()); });
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    paste->setEnabled(Connected() && !QApplication::clipboard()->text().isEmpty());
    menu->addAction(QStringLiteral("Select all"), this, &TComTerminal::SelectAll);
    if (!ExtraMenuActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(ExtraMenuActions);
    }
    return menu;
}

void TComTerminal::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = ContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

} // namespace vesk
