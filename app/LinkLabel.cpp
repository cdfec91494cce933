#include "LinkLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>

TLinkLabel::TLinkLabel(const QString& text, const QUrl& address, QWidget* parent)
    : QLabel(text, parent), FAddress(address) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80)); // navy
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
    setToolTip(address.toString());
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit LinkClicked(FAddress);
        QDesktopServices::openUrl(FAddress); // its result is of no interest
    }
    QLabel::mouseReleaseEvent(event);
}
