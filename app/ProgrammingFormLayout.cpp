// The window's frame: the actions, the page stack with its five pages and the
// tab strip at the bottom, and the start-up timer.
#include "ProgrammingForm.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "AboutPage.h"
#include "BufferPage.h"
#include "MainPage.h"
#include "Pictures.h"
#include "SettingsPage.h"
#include "TerminalPage.h"
#include "chipdef/ChipDefinition.h"

namespace {

constexpr int FormWidth = 520;
constexpr int FormHeight = 366;
constexpr int TabHeight = 20;
// The image watch looks at the file this often: well below its half second of settling.
constexpr int ImageWatchIntervalMs = 100;

using F = TProgrammingForm;
constexpr int16_t All = vesk::AllRegions;

// One action: where the window keeps it, its name, caption, hint and shortcut,
// and the operation it runs.
struct TActionDef {
    QAction* TFormActions::*Target;
    const char* Name;
    const char* Caption;
    const char* Hint;
    QKeySequence Shortcut;
    void (*Run)(F&);
};

const TActionDef ActionDefs[] = {
    {&TFormActions::atnProgram, "atnProgram", "Write", "Write all regions",
     QKeySequence(Qt::CTRL | Qt::Key_F5), [](F& f) { f.ProgramTarget(All); }},
    {&TFormActions::atnProgramCode,
     "atnProgramCode",
     "Write Code",
     "Write code region",
     {},
     [](F& f) { f.ProgramTarget(1); }},
    {&TFormActions::atnProgramData,
     "atnProgramData",
     "Write Data",
     "Write data region",
     {},
     [](F& f) { f.ProgramTarget(2); }},
    {&TFormActions::atnProgramFuses,
     "atnProgramFuses",
     "Write Fuses",
     "Write fuses region",
     {},
     [](F& f) { f.ProgramTarget(3); }},
    {&TFormActions::atnRead, "atnRead", "Read", "Read all regions", QKeySequence(Qt::CTRL | Qt::Key_F6),
     [](F& f) { f.ReadTarget(All); }},
    {&TFormActions::atnReadCode,
     "atnReadCode",
     "Read Code",
     "Read code region",
     {},
     [](F& f) { f.ReadTarget(1); }},
    {&TFormActions::atnReadData,
     "atnReadData",
     "Read Data",
     "Read data region",
     {},
     [](F& f) { f.ReadTarget(2); }},
    {&TFormActions::atnReadFuses,
     "atnReadFuses",
     "Read Fuses",
     "Read fuses region",
     {},
     [](F& f) { f.ReadTarget(3); }},
    {&TFormActions::atnVerify, "atnVerify", "Verify", "Verify all regions",
     QKeySequence(Qt::CTRL | Qt::Key_F7), [](F& f) { f.VerifyTarget(All); }},
    {&TFormActions::atnVerifyCode,
     "atnVerifyCode",
     "Verify Code",
     "Verify code region",
     {},
     [](F& f) { f.VerifyTarget(1); }},
    {&TFormActions::atnVerifyData,
     "atnVerifyData",
     "Verify Data",
     "Verify data region",
     {},
     [](F& f) { f.VerifyTarget(2); }},
    {&TFormActions::atnVerifyFuses,
     "atnVerifyFuses",
     "Verify Fuses",
     "Verify fuses region",
     {},
     [](F& f) { f.VerifyTarget(3); }},
    {&TFormActions::atnErase, "atnErase", "Erase target", "Erase target", {}, [](F& f) { f.EraseTarget(); }},
    {&TFormActions::atnClearBuffer,
     "atnClearBuffer",
     "Clear buffer",
     "Clear buffer",
     {},
     [](F& f) { f.ClearBuffer(); }},
    {&TFormActions::atnRunTarget, "atnRunTarget", "Run", "Run target", QKeySequence(Qt::Key_F9),
     [](F& f) { f.RunTarget(); }},
    {&TFormActions::atnBrowseFile, "atnBrowseFile", "Browse", "Browse for file", QKeySequence(Qt::Key_F3),
     [](F& f) { f.BrowseFile(); }},
    {&TFormActions::atnDetectTarget, "atnDetectTarget", "Detect", "Detect target", QKeySequence(Qt::Key_F4),
     [](F& f) { f.DetectTarget(); }},
    {&TFormActions::atnStop, "atnStop", "Stop", "Stop", QKeySequence(Qt::Key_Escape),
     [](F& f) { f.StopOperation(); }},
};

} // namespace

void TProgrammingForm::CreateActions() {
    for (const TActionDef& d : ActionDefs) {
        auto* action = new QAction(QString::fromLatin1(d.Caption), this);
        action->setObjectName(QString::fromLatin1(d.Name));
        action->setToolTip(QString::fromLatin1(d.Hint));
        action->setStatusTip(QString::fromLatin1(d.Hint));
        action->setShortcut(d.Shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action); // shortcuts work on every page
        A.*d.Target = action;
    }
    for (const TActionDef& d : ActionDefs) {
        auto run = d.Run;
        connect(A.*d.Target, &QAction::triggered, this,
                [this, run] { Guarded([this, run] { run(*this); }); });
    }

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

    FPageControl1 = new QStackedWidget(central);
    FPageControl1->setObjectName(QStringLiteral("PageControl1"));
    FPageControl1->setFrameShape(QFrame::StyledPanel);
    FMainPage = new TMainPage(A, this);
    ConnectMainPage();
    FBufferPage = new TBufferPage();
    ConnectBufferPage();
    FTerminalPage = new TTerminalPage();
    ConnectTerminalPage();
    FSettingsPage = new TSettingsPage();
    ConnectSettingsPage();
    FAboutPage = new TAboutPage();
    ConnectAboutPage();
    for (QWidget* page :
         std::initializer_list<QWidget*>{FMainPage, FBufferPage, FTerminalPage, FSettingsPage, FAboutPage})
        FPageControl1->addWidget(page);
    layout->addWidget(FPageControl1, 1);
    CreateTabStrip(central, layout);
    setCentralWidget(central);

    FTimer1 = new QTimer(this);
    FTimer1->setObjectName(QStringLiteral("Timer1"));
    FTimer1->setSingleShot(true);
    connect(FTimer1, &QTimer::timeout, this, &TProgrammingForm::Timer1Timer);
    FImageWatchTimer = new QTimer(this);
    FImageWatchTimer->setObjectName(QStringLiteral("tmrImageWatch"));
    FImageWatchTimer->setInterval(ImageWatchIntervalMs);
    connect(FImageWatchTimer, &QTimer::timeout, this, &TProgrammingForm::tmrImageWatchTimer);
    setAcceptDrops(true);
}

void TProgrammingForm::CreateTabStrip(QWidget* central, QVBoxLayout* layout) {
    // Tab strip at the bottom edge, with the size grip in its right corner.
    auto* strip = new QHBoxLayout();
    strip->setContentsMargins(2, 0, 0, 0);
    strip->setSpacing(0);
    FTabControl1 = new QTabBar(central);
    FTabControl1->setObjectName(QStringLiteral("TabControl1"));
    FTabControl1->setShape(QTabBar::RoundedSouth);
    FTabControl1->setDrawBase(false);
    FTabControl1->setExpanding(false);
    FTabControl1->setFocusPolicy(Qt::StrongFocus);
    for (const char* tab : {"Main", "Buffer", "Terminal", "Settings", "About"})
        FTabControl1->addTab(QString::fromLatin1(tab));
    FTabControl1->setMinimumHeight(TabHeight);
    connect(FTabControl1, &QTabBar::currentChanged, this, &TProgrammingForm::TabControl1Change);
    strip->addWidget(FTabControl1, 0, Qt::AlignTop);
    strip->addStretch(1);
    auto* grip = new QSizeGrip(central);
    strip->addWidget(grip, 0, Qt::AlignBottom | Qt::AlignRight);
    layout->addLayout(strip);
}

QWidget* TProgrammingForm::Page(int index) const {
    return FPageControl1->widget(index);
}
