#include "ShadowLabel.h"

#include <QPainter>

namespace {
constexpr int ShadowOffset = 2;
}

TShadowLabel::TShadowLabel(const QString& text, QWidget* parent) : QWidget(parent), FText(text) {}

QSize TShadowLabel::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(FText) + ShadowOffset + 2, fm.height() + ShadowOffset};
}

void TShadowLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font());
    const int baseline = QFontMetrics(font()).ascent();
    p.setPen(QColor(0x90, 0x90, 0x90));
    p.drawText(ShadowOffset, baseline + ShadowOffset, FText);
    p.setPen(Qt::black);
    p.drawText(0, baseline, FText);
}
