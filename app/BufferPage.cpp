#include "BufferPage.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "ConfigView.h"
#include "PageParts.h"
#include "bufferview/HexEditor.h"

TBufferPage::TBufferPage() {
    setObjectName(QStringLiteral("tabBuffer"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    QHBoxLayout* bar = ToolBar(v, this);
    sbLoadBuffer =
        GlyphButton(this, "sbLoadBuffer", QStyle::SP_DialogOpenButton, "Load buffer from image file");
    sbSaveBuffer =
        GlyphButton(this, "sbSaveBuffer", QStyle::SP_DialogSaveButton, "Save buffer to image file");
    actSaveBuffer = new QAction(QStringLiteral("Save buffer to image file"), this);
    actSaveBuffer->setObjectName(QStringLiteral("actSaveBuffer"));
    actSaveBuffer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveBuffer->setShortcutContext(Qt::WindowShortcut);
    connect(sbSaveBuffer, &QToolButton::clicked, actSaveBuffer, &QAction::trigger);
    connect(actSaveBuffer, &QAction::enabledChanged, sbSaveBuffer, &QToolButton::setEnabled);
    bar->addWidget(sbLoadBuffer);
    bar->addWidget(sbSaveBuffer);
    bar->addStretch(1);

    // The dump (its grid and the "Select target chip type" panel, kept centred) takes
    // what the configuration view leaves; either can be pushed aside.
    splBuffer = new QSplitter(Qt::Horizontal, this);
    splBuffer->setObjectName(QStringLiteral("splBuffer"));
    HexEditor1 = new THexEditor(splBuffer);
    HexEditor1->setObjectName(QStringLiteral("HexEditor1"));
    pnlSelectTarget = HexEditor1->SelectTargetPanel();
    ConfigView = new TConfigView(splBuffer);
    splBuffer->addWidget(HexEditor1);
    splBuffer->addWidget(ConfigView);
    splBuffer->setStretchFactor(0, 1);
    splBuffer->setStretchFactor(1, 0);
    v->addWidget(splBuffer, 1);
}
