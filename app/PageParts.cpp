#include "PageParts.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int ToolBarHeight = 23;
}

QGroupBox* Group(const char* caption, QWidget* parent) {
    return new QGroupBox(QStringLiteral("  %1  ").arg(QLatin1String(caption)), parent);
}

QToolButton* GlyphButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph, const char* hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setToolTip(QString::fromUtf8(hint));
    button->setAutoRaise(true);
    button->setFixedSize(23, 22);
    return button;
}

QHBoxLayout* ToolBar(QVBoxLayout* page, QWidget* parent) {
    auto* bar = new QFrame(parent);
    bar->setFixedHeight(ToolBarHeight);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(2);
    page->addWidget(bar);
    return layout;
}
