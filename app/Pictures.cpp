#include "Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

struct BallColours {
    QColor Light, Body, Dark;
};

const BallColours Balls[LampPictureCount] = {
    {QColor(0xF4, 0xF4, 0xF4), QColor(0xA8, 0xA8, 0xA8), QColor(0x55, 0x55, 0x55)}, // grey
    {QColor(0xD8, 0xFF, 0xD0), QColor(0x2E, 0xC0, 0x2E), QColor(0x0A, 0x55, 0x0A)}, // green
    {QColor(0xFF, 0xFF, 0xD8), QColor(0xF2, 0xD0, 0x10), QColor(0x80, 0x60, 0x00)}, // yellow
    {QColor(0xFF, 0xD8, 0xD0), QColor(0xE0, 0x20, 0x18), QColor(0x70, 0x08, 0x05)}, // red
};

} // namespace

QPixmap LampPicture(int index, int size) {
    const BallColours& c = Balls[qBound(0, index, LampPictureCount - 1)];
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ball(0.5, 0.5, size - 1.0, size - 1.0);
    // Light falls from the upper left: the highlight sits off centre and the
    // gradient runs to a dark rim on the far side.
    QRadialGradient shade(ball.center(), ball.width() / 2.0,
                          QPointF(ball.left() + ball.width() * 0.35, ball.top() + ball.height() * 0.3));
    shade.setColorAt(0.0, c.Light);
    shade.setColorAt(0.45, c.Body);
    shade.setColorAt(1.0, c.Dark);
    p.setPen(QPen(c.Dark.darker(130), 0.8));
    p.setBrush(shade);
    p.drawEllipse(ball);
    return pixmap;
}

QPixmap LogoPicture(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 64.0;
    p.scale(s, s);

    // Background tile.
    QLinearGradient sky(0, 0, 0, 64);
    sky.setColorAt(0, QColor(0x2B, 0x5F, 0xA8));
    sky.setColorAt(1, QColor(0x13, 0x33, 0x66));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(1, 1, 62, 62), 8, 8);

    // Pins on both long sides of the chip.
    p.setBrush(QColor(0xD8, 0xD8, 0xD0));
    for (int i = 0; i < 5; ++i) {
        const qreal y = 16 + i * 7.5;
        p.drawRect(QRectF(12, y, 6, 3.2));
        p.drawRect(QRectF(46, y, 6, 3.2));
    }
    // Chip body with its notch.
    QLinearGradient body(0, 12, 0, 54);
    body.setColorAt(0, QColor(0x3A, 0x3A, 0x3A));
    body.setColorAt(1, QColor(0x10, 0x10, 0x10));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(17, 11, 30, 44), 2.5, 2.5);
    p.setBrush(QColor(0x2B, 0x5F, 0xA8).darker(150));
    p.drawEllipse(QPointF(32, 11), 4, 4);
    // A lightning bolt: the programming pulse.
    QPainterPath bolt;
    bolt.moveTo(35, 18);
    bolt.lineTo(26, 34);
    bolt.lineTo(32, 34);
    bolt.lineTo(28, 49);
    bolt.lineTo(39, 29);
    bolt.lineTo(33, 29);
    bolt.closeSubpath();
    p.setBrush(QColor(0xFF, 0xD0, 0x20));
    p.drawPath(bolt);
    return pixmap;
}
