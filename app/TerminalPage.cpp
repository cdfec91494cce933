#include "TerminalPage.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include "PageParts.h"
#include "termview/ComTerminal.h"
#include "termview/TermPageLook.h"

TTerminalPage::TTerminalPage() {
    setObjectName(QStringLiteral("tabDebug"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    QHBoxLayout* bar = ToolBar(v, this);
    sbPassThrough = GlyphButton(this, "sbPassThrough", QStyle::SP_MediaSeekForward, "Enter passthrough mode");
    sbPassThrough->setCheckable(true); // stays down until clicked again
    sbClearTerminal = GlyphButton(this, "sbClearTerminal", QStyle::SP_DialogResetButton, "Clear terminal");
    chbLocalEcho = new QCheckBox(QStringLiteral("Local echo"), this);
    chbLocalEcho->setObjectName(QStringLiteral("chbLocalEcho"));
    sbCloseTerminal = GlyphButton(this, "sbCloseTerminal", QStyle::SP_TitleBarCloseButton, "Close terminal");
    sbCloseTerminal->setVisible(false);
    bar->addWidget(sbPassThrough);
    bar->addWidget(sbClearTerminal);
    bar->addSpacing(8);
    bar->addWidget(chbLocalEcho);
    bar->addStretch(1);
    bar->addWidget(sbCloseTerminal);
    CreateTerminalBox(v);
}

void TTerminalPage::CreateTerminalBox(QVBoxLayout* page) {
    auto* box = new QScrollArea(this);
    box->setObjectName(QStringLiteral("TerminalBox"));
    box->setFrameShape(QFrame::NoFrame);
    QPalette black = box->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::Base, Qt::black);
    box->setPalette(black);
    box->setAutoFillBackground(true);
    ComTerminal1 = new vesk::TComTerminal();
    ComTerminal1->setObjectName(QStringLiteral("ComTerminal1"));
    vesk::ApplyTerminalPageLook(*ComTerminal1);
    QWidget* screen = ComTerminal1;
    box->setWidget(screen);
    auto* corner = new QWidget(box);
    corner->setPalette(black);
    corner->setAutoFillBackground(true);
    box->setCornerWidget(corner);
    TerminalBox = box;
    page->addWidget(box, 1);
}
