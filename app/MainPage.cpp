#include "MainPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "ActionButton.h"
#include "PageParts.h"
#include "StateLamp.h"
#include "TargetListFilter.h"

namespace {

// A group holding one row, as the Device, Image and Target groups do.
QHBoxLayout* GroupRow(QVBoxLayout* page, QWidget* parent, const char* caption, QWidget*& group) {
    group = Group(caption, parent);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(8, 2, 8, 4);
    page->addWidget(group);
    return row;
}

} // namespace

TMainPage::TMainPage(const TFormActions& actions, QWidget* window) {
    setObjectName(QStringLiteral("tabMain"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(3);
    CreateDeviceGroup(v);
    CreateImageGroup(v, actions);
    CreateTargetGroup(v, actions);
    CreateActionGroup(v, actions, window);
    v->addStretch(1);
}

void TMainPage::CreateDeviceGroup(QVBoxLayout* page) {
    QWidget* device = Group("Device", this);
    auto* lines = new QVBoxLayout(device);
    lines->setContentsMargins(8, 2, 8, 4);
    lines->setSpacing(2);
    auto* row = new QHBoxLayout();
    lblDevice = new QLabel(QStringLiteral("Unknown"), device);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    QFont bold = lblDevice->font();
    bold.setBold(true);
    lblDevice->setFont(bold);
    btnPortSettings = new QPushButton(QStringLiteral("Settings…"), device);
    btnPortSettings->setObjectName(QStringLiteral("btnPortSettings"));
    btnPortSettings->setToolTip(QStringLiteral("Choose the programmer's port"));
    btnPortSettings->setVisible(false);
    btnDetect = new QPushButton(QStringLiteral("Detect"), device);
    btnDetect->setObjectName(QStringLiteral("btnDetect"));
    btnDetect->setToolTip(QStringLiteral("Detect device"));
    row->addWidget(lblDevice, 1);
    row->addWidget(btnPortSettings);
    row->addWidget(btnDetect);
    lines->addLayout(row);
    lblImageWatch = new QLabel(device);
    lblImageWatch->setObjectName(QStringLiteral("lblImageWatch"));
    lblImageWatch->setVisible(false);
    lines->addWidget(lblImageWatch);
    page->addWidget(device);
}

void TMainPage::CreateImageGroup(QVBoxLayout* page, const TFormActions& actions) {
    QWidget* image = Group("Image", this);
    auto* lines = new QVBoxLayout(image);
    lines->setContentsMargins(8, 2, 8, 4);
    lines->setSpacing(2);
    auto* row = new QHBoxLayout();
    cbxImageFile = new QComboBox(image);
    cbxImageFile->setObjectName(QStringLiteral("cbxImageFile"));
    cbxImageFile->setEditable(true);
    cbxImageFile->setInsertPolicy(QComboBox::NoInsert);
    cbxImageFile->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbxImageFile->setMinimumContentsLength(20);
    cbxImageFile->setToolTip(QStringLiteral("Image file: type its path and press Enter, or drop it here"));
    btnBrowse = new QPushButton(image);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    BindButtonToAction(btnBrowse, actions.atnBrowseFile);
    row->addWidget(cbxImageFile, 1);
    row->addWidget(btnBrowse);
    lines->addLayout(row);
    chbWriteOnImageChange = new QCheckBox(QStringLiteral("Write when the image file changes"), image);
    chbWriteOnImageChange->setObjectName(QStringLiteral("chbWriteOnImageChange"));
    lines->addWidget(chbWriteOnImageChange);
    page->addWidget(image);
}

void TMainPage::CreateTargetGroup(QVBoxLayout* page, const TFormActions& actions) {
    QWidget* target = nullptr;
    QHBoxLayout* row = GroupRow(page, this, "Target", target);
    cbxTargetType = new QComboBox(target);
    cbxTargetType->setObjectName(QStringLiteral("cbxTargetType"));
    cbxTargetType->setToolTip(QStringLiteral("Target type"));
    cbxTargetType->setMaxVisibleItems(20);
    new TTargetListFilter(cbxTargetType);
    btnDetectTarget = new QPushButton(target);
    btnDetectTarget->setObjectName(QStringLiteral("btnDetectTarget"));
    BindButtonToAction(btnDetectTarget, actions.atnDetectTarget);
    row->addWidget(cbxTargetType, 1);
    row->addWidget(btnDetectTarget);
}

void TMainPage::CreateActionGroup(QVBoxLayout* page, const TFormActions& a, QWidget* window) {
    auto* action = Group("Action", this);
    auto* al = new QVBoxLayout(action);
    al->setContentsMargins(8, 4, 8, 6);
    al->setSpacing(4);
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(6);
    CreateMenuButton(action, buttons, window, btnProgram, sbProgramMenu, pmProgram, a.atnProgram,
                     "btnProgram", {a.atnErase, a.atnProgramCode, a.atnProgramData, a.atnProgramFuses});
    CreateMenuButton(action, buttons, window, btnRead, sbReadMenu, pmRead, a.atnRead, "btnRead",
                     {a.atnClearBuffer, a.atnReadCode, a.atnReadData, a.atnReadFuses});
    CreateMenuButton(action, buttons, window, btnVerify, sbVerifyMenu, pmVerify, a.atnVerify, "btnVerify",
                     {a.atnVerifyCode, a.atnVerifyData, a.atnVerifyFuses});
    btnRun = new QPushButton(action);
    btnRun->setObjectName(QStringLiteral("btnRun"));
    BindButtonToAction(btnRun, a.atnRunTarget);
    btnStop = new QPushButton(action);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    BindButtonToAction(btnStop, a.atnStop);
    buttons->addWidget(btnRun);
    buttons->addWidget(btnStop);
    al->addLayout(buttons);
    CreateSwitches(action, al);
    CreateProgress(action, al);
    page->addWidget(action);
}

void TMainPage::CreateMenuButton(QWidget* group, QHBoxLayout* row, QWidget* window, QPushButton*& button,
                                 QToolButton*& arrow, QMenu*& menu, QAction* main, const char* name,
                                 std::initializer_list<QAction*> items) {
    button = new QPushButton(group);
    button->setObjectName(QString::fromLatin1(name));
    BindButtonToAction(button, main);
    arrow = new QToolButton(group);
    arrow->setObjectName(QStringLiteral("sb") + QString::fromLatin1(name).mid(3) + QStringLiteral("Menu"));
    arrow->setArrowType(Qt::DownArrow);
    arrow->setFixedWidth(14);
    arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    arrow->setToolTip(main->toolTip().replace(QStringLiteral(" all regions"), QStringLiteral(" one region")));
    menu = new QMenu(window);
    for (QAction* item : items)
        menu->addAction(item);
    connect(arrow, &QToolButton::clicked, this, &TMainPage::sbPopupMenuClick);
    auto* pair = new QHBoxLayout();
    pair->setSpacing(0);
    pair->addWidget(button);
    pair->addWidget(arrow);
    row->addLayout(pair);
}

void TMainPage::CreateSwitches(QWidget* group, QVBoxLayout* layout) {
    auto* checks = new QHBoxLayout();
    chbVerifyAfterWrite = new QCheckBox(QStringLiteral("Verify after programming"), group);
    chbVerifyAfterWrite->setObjectName(QStringLiteral("chbVerifyAfterWrite"));
    chbPassThroughEnter = new QCheckBox(QStringLiteral("Enter PassThrough after programming"), group);
    chbPassThroughEnter->setObjectName(QStringLiteral("chbPassThroughEnter"));
    checks->addWidget(chbVerifyAfterWrite);
    checks->addSpacing(12);
    checks->addWidget(chbPassThroughEnter);
    checks->addStretch(1);
    layout->addLayout(checks);
}

void TMainPage::CreateProgress(QWidget* group, QVBoxLayout* layout) {
    auto* progress = new QHBoxLayout();
    ProgressBar1 = new QProgressBar(group);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(17);
    imgState = new TStateLamp(group);
    imgState->setObjectName(QStringLiteral("imgState"));
    progress->addWidget(ProgressBar1, 1);
    progress->addSpacing(4);
    progress->addWidget(imgState);
    layout->addLayout(progress);
}

void TMainPage::sbPopupMenuClick() {
    const QObject* arrow = sender();
    QPushButton* button = nullptr;
    QMenu* menu = nullptr;
    if (arrow == sbProgramMenu) {
        button = btnProgram;
        menu = pmProgram;
    } else if (arrow == sbReadMenu) {
        button = btnRead;
        menu = pmRead;
    } else if (arrow == sbVerifyMenu) {
        button = btnVerify;
        menu = pmVerify;
    }
    if (!button) return;
    // Top-left corner of the menu at the bottom-left corner of the main button.
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}
