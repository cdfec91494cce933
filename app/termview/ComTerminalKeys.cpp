// Key strokes: cursor keys become the model's SendKey, typed characters its
// SendChar; the Tab key moves the focus on unless WantTab; the clipboard and
// scroll-back keys stay with the control (ComTerminalSelect.cpp).

#include "ComTerminal.h"

#include <QKeyEvent>

#include <optional>

namespace vesk {

namespace {

std::optional<TTermKey> CursorKey(int key) {
    switch (key) {
    case Qt::Key_Up:
        return TTermKey::tkUp;
    case Qt::Key_Down:
        return TTermKey::tkDown;
    case Qt::Key_Right:
        return TTermKey::tkRight;
    case Qt::Key_Left:
        return TTermKey::tkLeft;
    case Qt::Key_Home:
        return TTermKey::tkHome;
    default:
        return std::nullopt;
    }
}

// The control code that Ctrl with a letter or one of @ [ \ ] ^ _ types (Ctrl+C is
// 3), or -1. Platforms differ in the text they give such a key, so it is worked
// out from the key itself.
int ControlCode(const QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers();
    if (!(mods & Qt::ControlModifier) || (mods & Qt::AltModifier)) return -1;
    if (e->key() >= Qt::Key_At && e->key() <= Qt::Key_Underscore) return e->key() - Qt::Key_At;
    return -1;
}

bool IsTabKey(const QKeyEvent* e) {
    return e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab;
}

} // namespace

bool TComTerminal::event(QEvent* e) {
    // Qt moves the focus on Tab before the key reaches keyPressEvent; with WantTab
    // the key is the line's.
    if (e->type() == QEvent::KeyPress && WantTab()) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (IsTabKey(key) && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QFrame::event(e);
}

void TComTerminal::keyPressEvent(QKeyEvent* e) {
    if (IsTabKey(e) && !WantTab()) {
        e->ignore();
        return;
    }
    if (ClipboardKey(e)) {
        e->accept();
        return;
    }
    const std::optional<TTermKey> cursor = CursorKey(e->key());
    const int control = ControlCode(e);
    const QString text = e->text();
    if (!cursor && control < 0 && text.isEmpty()) { // modifiers alone, function keys
        QFrame::keyPressEvent(e);
        return;
    }
    e->accept();
    try {
        if (cursor) {
            FModel->SendKey(*cursor);
        } else if (control >= 0) {
            FModel->SendChar(static_cast<unsigned char>(control));
        } else if (e->key() == Qt::Key_Backtab) { // Shift+Tab types a tab
            FModel->SendChar('\t');
        } else {
            for (const QChar ch : text) {
                const int byte = TermCharToByte(ch, FCharSet);
                if (byte >= 0) // characters outside the character set cannot be sent
                    FModel->SendChar(static_cast<unsigned char>(byte));
            }
        }
    } catch (const std::exception& error) {
        ReportError(error);
    }
    emit Typed();
}

} // namespace vesk
