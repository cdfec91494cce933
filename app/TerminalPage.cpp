#include "TerminalPage.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
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
    sbSaveTerminal = GlyphButton(this, "sbSaveTerminal", QStyle::SP_DialogSaveButton, "Save terminal text…");
    actSaveTerminalText = new QAction(QStringLiteral("Save terminal text…"), this);
    actSaveTerminalText->setObjectName(QStringLiteral("actSaveTerminalText"));
    connect(sbSaveTerminal, &QToolButton::clicked, actSaveTerminalText, &QAction::trigger);
    chbLocalEcho = new QCheckBox(QStringLiteral("Local echo"), this);
    chbLocalEcho->setObjectName(QStringLiteral("chbLocalEcho"));
    sbCloseTerminal = GlyphButton(this, "sbCloseTerminal", QStyle::SP_TitleBarCloseButton, "Close terminal");
    sbCloseTerminal->setVisible(false);
    bar->addWidget(sbPassThrough);
    bar->addWidget(sbClearTerminal);
    bar->addWidget(sbSaveTerminal);
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
    ComTerminal1->ExtraMenuActions = {actSaveTerminalText};
    FollowTheCaret();
}

void TTerminalPage::FollowTheCaret() {
    for (QScrollBar* bar : {TerminalBox->verticalScrollBar(), TerminalBox->horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] { FFollow = CaretInView(); });
    connect(ComTerminal1, &vesk::TComTerminal::CaretMoved, this, [this] {
        if (FFollow) ShowCaret();
    });
    QScrollBar* bar = TerminalBox->verticalScrollBar();
    connect(ComTerminal1, &vesk::TComTerminal::PageScroll, this,
            [bar](int direction) { bar->setValue(bar->value() + direction * bar->pageStep()); });
    connect(ComTerminal1, &vesk::TComTerminal::Typed, this, [this] {
        FFollow = true;
        ShowCaret();
    });
}

QRect TTerminalPage::CaretCell() const {
    const vesk::TComTerminalModel& model = ComTerminal1->Model();
    return ComTerminal1->CellRect(model.CaretColumn(), model.CaretRow());
}

bool TTerminalPage::CaretInView() const {
    const QRect view(-ComTerminal1->pos(), TerminalBox->viewport()->size());
    return view.contains(CaretCell());
}

void TTerminalPage::ShowCaret() {
    const QRect cell = CaretCell();
    TerminalBox->ensureVisible(cell.center().x(), cell.center().y(), cell.width(), cell.height());
}
