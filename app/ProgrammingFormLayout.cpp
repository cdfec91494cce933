// The window's frame: actions, the page control with its tab strip at the
// bottom, and the Main page.
#include "ProgrammingForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "ActionButton.h"
#include "Pictures.h"
#include "StateLamp.h"
#include "chipdef/ChipDefinition.h"

namespace {

constexpr int FormWidth = 520;
constexpr int FormHeight = 366;
constexpr int TabHeight = 20;

// Group box captions carry two blanks on each side.
QGroupBox* Group(const char* caption, QWidget* parent) {
    return new QGroupBox(QStringLiteral("  %1  ").arg(QLatin1String(caption)), parent);
}

} // namespace

void TProgrammingForm::CreateActions() {
    struct Def {
        QAction** Target;
        const char* Name;
        const char* Caption;
        const char* Hint;
        QKeySequence Shortcut;
    };
    const Def defs[] = {
        {&A.atnProgram, "atnProgram", "Write", "Write all regions", QKeySequence(Qt::CTRL | Qt::Key_F5)},
        {&A.atnProgramCode, "atnProgramCode", "Write Code", "Write code region", {}},
        {&A.atnProgramData, "atnProgramData", "Write Data", "Write data region", {}},
        {&A.atnProgramFuses, "atnProgramFuses", "Write Fuses", "Write fuses region", {}},
        {&A.atnRead, "atnRead", "Read", "Read all regions", QKeySequence(Qt::CTRL | Qt::Key_F6)},
        {&A.atnReadCode, "atnReadCode", "Read Code", "Read code region", {}},
        {&A.atnReadData, "atnReadData", "Read Data", "Read data region", {}},
        {&A.atnReadFuses, "atnReadFuses", "Read Fuses", "Read fuses region", {}},
        {&A.atnVerify, "atnVerify", "Verify", "Verify all regions", QKeySequence(Qt::CTRL | Qt::Key_F7)},
        {&A.atnVerifyCode, "atnVerifyCode", "Verify Code", "Verify code region", {}},
        {&A.atnVerifyData, "atnVerifyData", "Verify Data", "Verify data region", {}},
        {&A.atnVerifyFuses, "atnVerifyFuses", "Verify Fuses", "Verify fuses region", {}},
        {&A.atnErase, "atnErase", "Erase target", "Erase target", {}},
        {&A.atnClearBuffer, "atnClearBuffer", "Clear buffer", "Clear buffer", {}},
        {&A.atnRunTarget, "atnRunTarget", "Run", "Run target", QKeySequence(Qt::Key_F9)},
        {&A.atnBrowseFile, "atnBrowseFile", "Browse", "Browse for file", QKeySequence(Qt::Key_F3)},
        {&A.atnDetectTarget, "atnDetectTarget", "Detect", "Detect target", QKeySequence(Qt::Key_F4)},
        {&A.atnStop, "atnStop", "Stop", "Stop", QKeySequence(Qt::Key_Escape)},
    };
    for (const Def& d : defs) {
        auto* action = new QAction(QString::fromLatin1(d.Caption), this);
        action->setObjectName(QString::fromLatin1(d.Name));
        action->setToolTip(QString::fromLatin1(d.Hint));
        action->setStatusTip(QString::fromLatin1(d.Hint));
        action->setShortcut(d.Shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action); // shortcuts work on every page
        *d.Target = action;
    }

    auto bind = [this](QAction* action, std::function<void()> operation) {
        connect(action, &QAction::triggered, this, [this, operation] { Guarded(operation); });
    };
    constexpr int16_t All = vesk::AllRegions;
    bind(A.atnProgram, [this] { ProgramTarget(All); });
    bind(A.atnProgramCode, [this] { ProgramTarget(1); });
    bind(A.atnProgramData, [this] { ProgramTarget(2); });
    bind(A.atnProgramFuses, [this] { ProgramTarget(3); });
    bind(A.atnRead, [this] { ReadTarget(All); });
    bind(A.atnReadCode, [this] { ReadTarget(1); });
    bind(A.atnReadData, [this] { ReadTarget(2); });
    bind(A.atnReadFuses, [this] { ReadTarget(3); });
    bind(A.atnVerify, [this] { VerifyTarget(All); });
    bind(A.atnVerifyCode, [this] { VerifyTarget(1); });
    bind(A.atnVerifyData, [this] { VerifyTarget(2); });
    bind(A.atnVerifyFuses, [this] { VerifyTarget(3); });
    bind(A.atnErase, [this] { EraseTarget(); });
    bind(A.atnClearBuffer, [this] { ClearBuffer(); });
    bind(A.atnRunTarget, [this] { RunTarget(); });
    bind(A.atnBrowseFile, [this] { BrowseFile(); });
    bind(A.atnDetectTarget, [this] { DetectTarget(); });
    bind(A.atnStop, [this] { StopOperation(); });

    // The action the toolkit asks for its update whenever the application goes
    // idle; its own click does nothing.
    ActionUpdate = new QAction(this);
    ActionUpdate->setObjectName(QStringLiteral("ActionUpdate"));
}

void TProgrammingForm::CreatePages() {
    setWindowTitle(QStringLiteral("Win VESK 0.9"));
    setWindowIcon(QIcon(LogoPicture(64)));
    setMinimumSize(FormWidth, FormHeight);
    resize(FormWidth, FormHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), QSize(FormWidth, FormHeight));
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    C.PageControl1 = new QStackedWidget(central);
    C.PageControl1->setObjectName(QStringLiteral("PageControl1"));
    C.PageControl1->setFrameShape(QFrame::StyledPanel);
    C.Pages[pgMain] = CreateMainPage();
    C.Pages[pgBuffer] = CreateBufferPage();
    C.Pages[pgTerminal] = CreateTerminalPage();
    C.Pages[pgSettings] = CreateSettingsPage();
    C.Pages[pgAbout] = CreateAboutPage();
    for (QWidget* page : C.Pages)
        C.PageControl1->addWidget(page);
    layout->addWidget(C.PageControl1, 1);

    // Tab strip at the bottom edge, with the size grip in its right corner.
    auto* strip = new QHBoxLayout();
    strip->setContentsMargins(2, 0, 0, 0);
    strip->setSpacing(0);
    C.TabControl1 = new QTabBar(central);
    C.TabControl1->setObjectName(QStringLiteral("TabControl1"));
    C.TabControl1->setShape(QTabBar::RoundedSouth);
    C.TabControl1->setDrawBase(false);
    C.TabControl1->setExpanding(false);
    C.TabControl1->setFocusPolicy(Qt::StrongFocus);
    for (const char* tab : {"Main", "Buffer", "Terminal", "Settings", "About"})
        C.TabControl1->addTab(QString::fromLatin1(tab));
    C.TabControl1->setMinimumHeight(TabHeight);
    connect(C.TabControl1, &QTabBar::currentChanged, this, &TProgrammingForm::TabControl1Change);
    strip->addWidget(C.TabControl1, 0, Qt::AlignTop);
    strip->addStretch(1);
    auto* grip = new QSizeGrip(central);
    strip->addWidget(grip, 0, Qt::AlignBottom | Qt::AlignRight);
    layout->addLayout(strip);
    setCentralWidget(central);

    C.Timer1 = new QTimer(this);
    C.Timer1->setObjectName(QStringLiteral("Timer1"));
    C.Timer1->setSingleShot(true);
    connect(C.Timer1, &QTimer::timeout, this, &TProgrammingForm::Timer1Timer);
}

QWidget* TProgrammingForm::CreateMainPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tabMain"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(3);

    // Device
    auto* device = Group("Device", page);
    auto* dl = new QHBoxLayout(device);
    dl->setContentsMargins(8, 2, 8, 4);
    C.lblDevice = new QLabel(QStringLiteral("Unknown"), device);
    C.lblDevice->setObjectName(QStringLiteral("lblDevice"));
    QFont bold = C.lblDevice->font();
    bold.setBold(true);
    C.lblDevice->setFont(bold);
    C.btnDetect = new QPushButton(QStringLiteral("Detect"), device);
    C.btnDetect->setObjectName(QStringLiteral("btnDetect"));
    C.btnDetect->setToolTip(QStringLiteral("Detect device"));
    connect(C.btnDetect, &QPushButton::clicked, this, &TProgrammingForm::btnDetectClick);
    dl->addWidget(C.lblDevice, 1);
    dl->addWidget(C.btnDetect);
    v->addWidget(device);

    // Image
    auto* image = Group("Image", page);
    auto* il = new QHBoxLayout(image);
    il->setContentsMargins(8, 2, 8, 4);
    C.cbxImageFile = new QComboBox(image);
    C.cbxImageFile->setObjectName(QStringLiteral("cbxImageFile"));
    C.cbxImageFile->setEditable(true);
    C.cbxImageFile->setInsertPolicy(QComboBox::NoInsert);
    C.cbxImageFile->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    C.cbxImageFile->setMinimumContentsLength(20);
    C.cbxImageFile->setToolTip(QStringLiteral("Image file"));
    connect(C.cbxImageFile, &QComboBox::editTextChanged, this, &TProgrammingForm::cbxImageFileChange);
    C.btnBrowse = new QPushButton(image);
    C.btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    BindButtonToAction(C.btnBrowse, A.atnBrowseFile);
    il->addWidget(C.cbxImageFile, 1);
    il->addWidget(C.btnBrowse);
    v->addWidget(image);

    // Target
    auto* target = Group("Target", page);
    auto* tl = new QHBoxLayout(target);
    tl->setContentsMargins(8, 2, 8, 4);
    C.cbxTargetType = new QComboBox(target);
    C.cbxTargetType->setObjectName(QStringLiteral("cbxTargetType"));
    C.cbxTargetType->setToolTip(QStringLiteral("Target type"));
    C.cbxTargetType->setMaxVisibleItems(20);
    connect(C.cbxTargetType, &QComboBox::activated, this, &TProgrammingForm::cbxTargetTypeChange);
    C.btnDetectTarget = new QPushButton(target);
    C.btnDetectTarget->setObjectName(QStringLiteral("btnDetectTarget"));
    BindButtonToAction(C.btnDetectTarget, A.atnDetectTarget);
    tl->addWidget(C.cbxTargetType, 1);
    tl->addWidget(C.btnDetectTarget);
    v->addWidget(target);

    // Action
    auto* action = Group("Action", page);
    auto* al = new QVBoxLayout(action);
    al->setContentsMargins(8, 4, 8, 6);
    al->setSpacing(4);
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(6);
    auto withMenu = [this, action, buttons](QPushButton*& button, QToolButton*& arrow, QMenu*& menu,
                                            QAction* main, const char* name,
                                            std::initializer_list<QAction*> items) {
        button = new QPushButton(action);
        button->setObjectName(QString::fromLatin1(name));
        BindButtonToAction(button, main);
        arrow = new QToolButton(action);
        arrow->setObjectName(QStringLiteral("sb") + QString::fromLatin1(name).mid(3) +
                             QStringLiteral("Menu"));
        arrow->setArrowType(Qt::DownArrow);
        arrow->setFixedWidth(14);
        arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        arrow->setToolTip(
            main->toolTip().replace(QStringLiteral(" all regions"), QStringLiteral(" one region")));
        menu = new QMenu(this);
        for (QAction* item : items)
            menu->addAction(item);
        connect(arrow, &QToolButton::clicked, this, &TProgrammingForm::sbPopupMenuClick);
        auto* pair = new QHBoxLayout();
        pair->setSpacing(0);
        pair->addWidget(button);
        pair->addWidget(arrow);
        buttons->addLayout(pair);
    };
    withMenu(C.btnProgram, C.sbProgramMenu, C.pmProgram, A.atnProgram, "btnProgram",
             {A.atnErase, A.atnProgramCode, A.atnProgramData, A.atnProgramFuses});
    withMenu(C.btnRead, C.sbReadMenu, C.pmRead, A.atnRead, "btnRead",
             {A.atnClearBuffer, A.atnReadCode, A.atnReadData, A.atnReadFuses});
    withMenu(C.btnVerify, C.sbVerifyMenu, C.pmVerify, A.atnVerify, "btnVerify",
             {A.atnVerifyCode, A.atnVerifyData, A.atnVerifyFuses});
    C.btnRun = new QPushButton(action);
    C.btnRun->setObjectName(QStringLiteral("btnRun"));
    BindButtonToAction(C.btnRun, A.atnRunTarget);
    C.btnStop = new QPushButton(action);
    C.btnStop->setObjectName(QStringLiteral("btnStop"));
    BindButtonToAction(C.btnStop, A.atnStop);
    buttons->addWidget(C.btnRun);
    buttons->addWidget(C.btnStop);
    al->addLayout(buttons);

    auto* checks = new QHBoxLayout();
    C.chbVerifyAfterWrite = new QCheckBox(QStringLiteral("Verify after programming"), action);
    C.chbVerifyAfterWrite->setObjectName(QStringLiteral("chbVerifyAfterWrite"));
    connect(C.chbVerifyAfterWrite, &QCheckBox::clicked, this, &TProgrammingForm::chbVerifyAfterWriteClick);
    C.chbPassThroughEnter = new QCheckBox(QStringLiteral("Enter PassThrough after programming"), action);
    C.chbPassThroughEnter->setObjectName(QStringLiteral("chbPassThroughEnter"));
    connect(C.chbPassThroughEnter, &QCheckBox::clicked, this, &TProgrammingForm::chbPassThroughEnterClick);
    checks->addWidget(C.chbVerifyAfterWrite);
    checks->addSpacing(12);
    checks->addWidget(C.chbPassThroughEnter);
    checks->addStretch(1);
    al->addLayout(checks);

    auto* progress = new QHBoxLayout();
    C.ProgressBar1 = new QProgressBar(action);
    C.ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    C.ProgressBar1->setRange(0, 100);
    C.ProgressBar1->setTextVisible(false);
    C.ProgressBar1->setFixedHeight(17);
    C.imgState = new TStateLamp(action);
    C.imgState->setObjectName(QStringLiteral("imgState"));
    connect(C.imgState, &TStateLamp::DoubleClicked, this, &TProgrammingForm::imgStateDblClick);
    progress->addWidget(C.ProgressBar1, 1);
    progress->addSpacing(4);
    progress->addWidget(C.imgState);
    al->addLayout(progress);
    v->addWidget(action);
    v->addStretch(1);
    return page;
}

void TProgrammingForm::sbPopupMenuClick() {
    const QObject* arrow = sender();
    QPushButton* button = nullptr;
    QMenu* menu = nullptr;
    if (arrow == C.sbProgramMenu) {
        button = C.btnProgram;
        menu = C.pmProgram;
    } else if (arrow == C.sbReadMenu) {
        button = C.btnRead;
        menu = C.pmRead;
    } else if (arrow == C.sbVerifyMenu) {
        button = C.btnVerify;
        menu = C.pmVerify;
    }
    if (!button) return;
    // Top-left corner of the menu at the bottom-left corner of the main button.
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}
