// The Buffer, Terminal, Settings and About pages of the main window.
#include "ProgrammingForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "ComComboBox.h"
#include "LinkLabel.h"
#include "Pictures.h"
#include "ShadowLabel.h"
#include "bufferview/HexEditor.h"
#include "serial/port/ComPort.h"
#include "termview/ComTerminal.h"
#include "termview/TermPageLook.h"

namespace {

constexpr int ToolBarHeight = 23;

QGroupBox* Group(const char* caption, QWidget* parent) {
    return new QGroupBox(QStringLiteral("  %1  ").arg(QLatin1String(caption)), parent);
}

QToolButton* GlyphButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph, const char* hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setToolTip(QString::fromLatin1(hint));
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

// Contact and link addresses of the About page.
const char* const MailAddress = "winvesk@vesk.example.org";
const char* const HomePage = "https://vesk.example.org/winvesk/";
const char* const HardwarePage = "https://vesk.example.org/hardware/";
const char* const FirmwarePage = "https://vesk.example.org/firmware/download/";

} // namespace

QWidget* TProgrammingForm::CreateBufferPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tabBuffer"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    QHBoxLayout* bar = ToolBar(v, page);
    C.sbLoadBuffer =
        GlyphButton(page, "sbLoadBuffer", QStyle::SP_DialogOpenButton, "Load buffer from image file");
    C.sbSaveBuffer =
        GlyphButton(page, "sbSaveBuffer", QStyle::SP_DialogSaveButton, "Save buffer to image file");
    connect(C.sbLoadBuffer, &QToolButton::clicked, this, &TProgrammingForm::btnLoadBufferClick);
    connect(C.sbSaveBuffer, &QToolButton::clicked, this, &TProgrammingForm::btnSaveBufferClick);
    bar->addWidget(C.sbLoadBuffer);
    bar->addWidget(C.sbSaveBuffer);
    bar->addStretch(1);

    // The dump: its grid and the "Select target chip type" panel, kept centred.
    C.HexEditor1 = new THexEditor(page);
    C.HexEditor1->setObjectName(QStringLiteral("HexEditor1"));
    C.pnlSelectTarget = C.HexEditor1->SelectTargetPanel();
    v->addWidget(C.HexEditor1, 1);
    return page;
}

QWidget* TProgrammingForm::CreateTerminalPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tabDebug"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    QHBoxLayout* bar = ToolBar(v, page);
    C.sbPassThrough =
        GlyphButton(page, "sbPassThrough", QStyle::SP_MediaSeekForward, "Enter passthrough mode");
    C.sbPassThrough->setCheckable(true); // stays down until clicked again
    C.sbClearTerminal = GlyphButton(page, "sbClearTerminal", QStyle::SP_DialogResetButton, "Clear terminal");
    C.chbLocalEcho = new QCheckBox(QStringLiteral("Local echo"), page);
    C.chbLocalEcho->setObjectName(QStringLiteral("chbLocalEcho"));
    C.sbCloseTerminal =
        GlyphButton(page, "sbCloseTerminal", QStyle::SP_TitleBarCloseButton, "Close terminal");
    C.sbCloseTerminal->setVisible(false);
    connect(C.sbPassThrough, &QToolButton::clicked, this, &TProgrammingForm::btnPassThroughClick);
    connect(C.sbClearTerminal, &QToolButton::clicked, this, &TProgrammingForm::btnClearTerminalClick);
    connect(C.chbLocalEcho, &QCheckBox::clicked, this, &TProgrammingForm::chbLocalEchoClick);
    bar->addWidget(C.sbPassThrough);
    bar->addWidget(C.sbClearTerminal);
    bar->addSpacing(8);
    bar->addWidget(C.chbLocalEcho);
    bar->addStretch(1);
    bar->addWidget(C.sbCloseTerminal);

    // Black scroll box that holds the terminal view.
    auto* box = new QScrollArea(page);
    box->setObjectName(QStringLiteral("TerminalBox"));
    box->setFrameShape(QFrame::NoFrame);
    QPalette black = box->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::Base, Qt::black);
    box->setPalette(black);
    box->setAutoFillBackground(true);
    // The terminal view on the window's own port, connected only while the page
    // is shown. Its errors go to the application's standard error box.
    C.ComTerminal1 = new vesk::TComTerminal();
    C.ComTerminal1->setObjectName(QStringLiteral("ComTerminal1"));
    vesk::ApplyTerminalPageLook(*C.ComTerminal1);
    C.ComTerminal1->SetComPort(FTerminalPort.get());
    C.ComTerminal1->OnError = [this](const std::exception& e) { ShowApplicationError(ExceptionText(e)); };
    QWidget* screen = C.ComTerminal1;
    box->setWidget(screen);
    auto* corner = new QWidget(box);
    corner->setPalette(black);
    corner->setAutoFillBackground(true);
    box->setCornerWidget(corner);
    C.TerminalBox = box;
    v->addWidget(box, 1);
    return page;
}

QWidget* TProgrammingForm::CreateSettingsPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tabSettings"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(6);
    auto bd = [](QWidget* parent) { return new QLabel(QStringLiteral("Bd"), parent); };

    // The caption is the program's own, spelling included.
    auto* com = Group("Communication", page);
    auto* cg = new QGridLayout(com);
    cg->setContentsMargins(10, 4, 10, 6);
    cg->setHorizontalSpacing(8);
    cg->setVerticalSpacing(4);
    C.cbxComPort = new TComComboBox(com);
    C.cbxComPort->setObjectName(QStringLiteral("cbxComPort"));
    C.cbxComPort->addItem(QStringLiteral("COM1")); // design-time text, replaced by the system's list
    C.cbxComPort->setMinimumContentsLength(14);
    C.cbxComPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(C.cbxComPort, &QComboBox::currentIndexChanged, this, &TProgrammingForm::cbxComPortChange);
    C.cbxVeskBaudRate = new QComboBox(com);
    C.cbxVeskBaudRate->setObjectName(QStringLiteral("cbxVeskBaudRate"));
    C.cbxVeskBaudRate->addItems({"9600", "19200", "38400", "57600", "115200"});
    connect(C.cbxVeskBaudRate, &QComboBox::currentIndexChanged, this,
            &TProgrammingForm::cbxVeskBaudRateChange);
    C.udProgramDelay = new QSpinBox(com);
    C.udProgramDelay->setObjectName(QStringLiteral("udProgramDelay"));
    C.udProgramDelay->setRange(0, 255);
    C.udProgramDelay->setWrapping(false);
    C.udProgramDelay->setValue(0);
    C.udProgramDelay->setMinimumWidth(70);
    if (auto* edit = C.udProgramDelay->findChild<QLineEdit*>()) edit->setMaxLength(3);
    connect(C.udProgramDelay, &QSpinBox::valueChanged, this, &TProgrammingForm::udProgramDelayChange);
    cg->addWidget(new QLabel(QStringLiteral("Serial port"), com), 0, 0);
    cg->addWidget(C.cbxComPort, 0, 1, 1, 2);
    cg->addWidget(new QLabel(QStringLiteral("VESK baud rate"), com), 1, 0);
    cg->addWidget(C.cbxVeskBaudRate, 1, 1);
    cg->addWidget(bd(com), 1, 2);
    cg->addWidget(new QLabel(QStringLiteral("Programming delay"), com), 2, 0);
    cg->addWidget(C.udProgramDelay, 2, 1);
    cg->setColumnStretch(3, 1);
    v->addWidget(com);

    auto* pass = Group("Pass Through", page);
    auto* pg = new QGridLayout(pass);
    pg->setContentsMargins(10, 4, 10, 6);
    pg->setHorizontalSpacing(8);
    pg->setVerticalSpacing(4);
    C.rbLines34 = new QRadioButton(QStringLiteral("3,4"), pass);
    C.rbLines34->setObjectName(QStringLiteral("rbLines34"));
    C.rbLines78 = new QRadioButton(QStringLiteral("7,8"), pass);
    C.rbLines78->setObjectName(QStringLiteral("rbLines78"));
    C.rbRS232 = new QRadioButton(QStringLiteral("RS232"), pass);
    C.rbRS232->setObjectName(QStringLiteral("rbRS232"));
    C.rbTTL = new QRadioButton(QStringLiteral("TTL"), pass);
    C.rbTTL->setObjectName(QStringLiteral("rbTTL"));
    auto* lines = new QButtonGroup(pass);
    lines->addButton(C.rbLines34);
    lines->addButton(C.rbLines78);
    auto* polarity = new QButtonGroup(pass);
    polarity->addButton(C.rbRS232);
    polarity->addButton(C.rbTTL);
    connect(C.rbLines34, &QRadioButton::clicked, this, &TProgrammingForm::rbLinesClick);
    connect(C.rbLines78, &QRadioButton::clicked, this, &TProgrammingForm::rbLinesClick);
    connect(C.rbRS232, &QRadioButton::clicked, this, &TProgrammingForm::rbPolarityClick);
    connect(C.rbTTL, &QRadioButton::clicked, this, &TProgrammingForm::rbPolarityClick);
    C.chbUseBuiltInTerminal = new QCheckBox(QStringLiteral("Use built in terminal"), pass);
    C.chbUseBuiltInTerminal->setObjectName(QStringLiteral("chbUseBuiltInTerminal"));
    connect(C.chbUseBuiltInTerminal, &QCheckBox::clicked, this,
            &TProgrammingForm::chbUseBuiltInTerminalClick);
    C.cbxTerminalBaudRate = new QComboBox(pass);
    C.cbxTerminalBaudRate->setObjectName(QStringLiteral("cbxTerminalBaudRate"));
    C.cbxTerminalBaudRate->setEditable(true);
    C.cbxTerminalBaudRate->setInsertPolicy(QComboBox::NoInsert);
    C.cbxTerminalBaudRate->addItems({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                     "38400", "56000", "57600", "115200", "128000", "256000"});
    C.cbxTerminalBaudRate->setMaxVisibleItems(15);
    connect(C.cbxTerminalBaudRate, &QComboBox::editTextChanged, this,
            &TProgrammingForm::cbxTerminalBaudRateChange);
    pg->addWidget(new QLabel(QStringLiteral("Lines"), pass), 0, 0);
    pg->addWidget(C.rbLines34, 0, 1);
    pg->addWidget(C.rbLines78, 0, 2);
    pg->addWidget(new QLabel(QStringLiteral("Polarity"), pass), 1, 0);
    pg->addWidget(C.rbRS232, 1, 1);
    pg->addWidget(C.rbTTL, 1, 2);
    pg->addWidget(C.chbUseBuiltInTerminal, 2, 0, 1, 3);
    pg->addWidget(new QLabel(QStringLiteral("Terminal baud rate"), pass), 3, 0);
    pg->addWidget(C.cbxTerminalBaudRate, 3, 1, 1, 2);
    pg->addWidget(bd(pass), 3, 3);
    pg->setColumnStretch(4, 1);
    v->addWidget(pass);

    // The two driver switches: kept and persisted, never shown.
    C.chbFixFusesWriteError = new QCheckBox(QStringLiteral("Fix target fuses write error"), page);
    C.chbFixFusesWriteError->setObjectName(QStringLiteral("chbFixFusesWriteError"));
    C.chbFixDataWriteError = new QCheckBox(QStringLiteral("Fix target data write error"), page);
    C.chbFixDataWriteError->setObjectName(QStringLiteral("chbFixDataWriteError"));
    for (QCheckBox* hidden : {C.chbFixFusesWriteError, C.chbFixDataWriteError}) {
        QPalette grey = hidden->palette();
        grey.setColor(QPalette::WindowText, Qt::gray);
        hidden->setPalette(grey);
        hidden->setVisible(false);
        v->addWidget(hidden);
    }
    connect(C.chbFixFusesWriteError, &QCheckBox::clicked, this,
            &TProgrammingForm::chbFixFusesWriteErrorClick);
    connect(C.chbFixDataWriteError, &QCheckBox::clicked, this, &TProgrammingForm::chbFixDataWriteErrorClick);
    v->addStretch(1);
    return page;
}

QWidget* TProgrammingForm::CreateAboutPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tabAbout"));
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(8, 8, 8, 4);
    v->setSpacing(4);

    auto* top = new QHBoxLayout();
    top->setSpacing(12);
    auto* bevel = new QFrame(page);
    bevel->setFrameShape(QFrame::Panel);
    bevel->setFrameShadow(QFrame::Raised);
    bevel->setLineWidth(2);
    auto* bevelLayout = new QVBoxLayout(bevel);
    bevelLayout->setContentsMargins(4, 4, 4, 4);
    auto* logo = new QLabel(bevel);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(LogoPicture(72));
    bevelLayout->addWidget(logo);
    top->addWidget(bevel, 0, Qt::AlignTop);

    auto* heading = new QVBoxLayout();
    heading->setSpacing(2);
    auto* title = new TShadowLabel(QStringLiteral("Win VESK"), page);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setStyleHint(QFont::SansSerif);
    titleFont.setBold(true);
    titleFont.setPixelSize(27);
    title->setFont(titleFont);
    heading->addWidget(title);
    C.lblVersion = new QLabel(QStringLiteral("Version "), page);
    C.lblVersion->setObjectName(QStringLiteral("lblVersion"));
    QFont versionFont = titleFont;
    versionFont.setPixelSize(18);
    C.lblVersion->setFont(versionFont);
    heading->addWidget(C.lblVersion);

    auto* credits = new QHBoxLayout();
    credits->setSpacing(0);
    credits->addWidget(new QLabel(QStringLiteral("Written by the VESK project team, "), page));
    auto* mail = new TLinkLabel(QString::fromLatin1(MailAddress),
                                QUrl(QStringLiteral("MailTo:") + QString::fromLatin1(MailAddress)), page);
    mail->setObjectName(QStringLiteral("lblMail"));
    credits->addWidget(mail);
    credits->addStretch(1);
    heading->addLayout(credits);

    auto* links = new QHBoxLayout();
    links->setSpacing(0);
    links->addWidget(new QLabel(QStringLiteral("Links: "), page));
    const struct {
        const char* Name;
        const char* Text;
        const char* Address;
    } linkDefs[] = {{"lblHomePage", "Win VESK home page, ", HomePage},
                    {"lblHardware", "hardware, ", HardwarePage},
                    {"lblFirmware", "firmware download", FirmwarePage}};
    C.LinkLabels = {mail};
    for (const auto& def : linkDefs) {
        auto* link =
            new TLinkLabel(QString::fromLatin1(def.Text), QUrl(QString::fromLatin1(def.Address)), page);
        link->setObjectName(QString::fromLatin1(def.Name));
        links->addWidget(link);
        C.LinkLabels.append(link);
    }
    links->addStretch(1);
    heading->addLayout(links);
    top->addLayout(heading, 1);
    v->addLayout(top);

    C.VersionMemo = new QTextBrowser(page);
    C.VersionMemo->setObjectName(QStringLiteral("VersionMemo"));
    C.VersionMemo->setReadOnly(true);
    C.VersionMemo->setOpenLinks(false);
    C.VersionMemo->setFrameShape(QFrame::NoFrame);
    C.VersionMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    C.VersionMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Parent colour: the text lies on the page's own background.
    QPalette memo = C.VersionMemo->palette();
    memo.setColor(QPalette::Base, page->palette().color(QPalette::Window));
    C.VersionMemo->setPalette(memo);
    C.VersionMemo->installEventFilter(this);
    v->addWidget(C.VersionMemo, 1);
    return page;
}
