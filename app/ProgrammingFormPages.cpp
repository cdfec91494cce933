// The pages' controls bound to the window's handlers: the handlers that read
// or write the window's properties, run its operations or reach for the
// programmer stay on the window.
#include "ProgrammingForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QToolButton>

#include "AboutPage.h"
#include "BufferPage.h"
#include "ComComboBox.h"
#include "ConfigView.h"
#include "MainPage.h"
#include "SettingsPage.h"
#include "StateLamp.h"
#include "TerminalPage.h"
#include "serial/port/ComPort.h"
#include "termview/ComTerminal.h"

void TProgrammingForm::ConnectMainPage() {
    const TMainPage& p = *FMainPage;
    connect(p.btnDetect, &QPushButton::clicked, this, &TProgrammingForm::btnDetectClick);
    connect(p.btnPortSettings, &QPushButton::clicked, this, &TProgrammingForm::btnPortSettingsClick);
    p.lblDevice->installEventFilter(this); // its failure text follows its width
    // Typing changes the name; Enter, leaving the box, a list entry or a drop choose it.
    connect(p.cbxImageFile, &QComboBox::editTextChanged, this, &TProgrammingForm::cbxImageFileChange);
    connect(p.cbxImageFile, &QComboBox::activated, this,
            [this](int index) { CommitImageName(FMainPage->cbxImageFile->itemText(index), true); });
    p.cbxImageFile->installEventFilter(this);
    p.cbxImageFile->lineEdit()->installEventFilter(this);
    connect(p.chbWriteOnImageChange, &QCheckBox::clicked, this,
            &TProgrammingForm::chbWriteOnImageChangeClick);
    connect(p.cbxTargetType, &QComboBox::activated, this, &TProgrammingForm::cbxTargetTypeChange);
    connect(p.chbVerifyAfterWrite, &QCheckBox::clicked, this, &TProgrammingForm::chbVerifyAfterWriteClick);
    connect(p.chbPassThroughEnter, &QCheckBox::clicked, this, &TProgrammingForm::chbPassThroughEnterClick);
    connect(p.imgState, &TStateLamp::DoubleClicked, this, &TProgrammingForm::imgStateDblClick);
}

void TProgrammingForm::ConnectBufferPage() {
    const TBufferPage& p = *FBufferPage;
    connect(p.sbLoadBuffer, &QToolButton::clicked, this, &TProgrammingForm::btnLoadBufferClick);
    connect(p.actSaveBuffer, &QAction::triggered, this, &TProgrammingForm::btnSaveBufferClick);
    connect(p.ConfigView, &TConfigView::SettingChosen, this, &TProgrammingForm::ConfigSettingChosen);
    connect(p.ConfigView, &TConfigView::DropChanges, this, &TProgrammingForm::DropConfigChanges);
    addAction(p.actSaveBuffer); // Ctrl+S on every page
}

void TProgrammingForm::ConnectTerminalPage() {
    const TTerminalPage& p = *FTerminalPage;
    connect(p.sbPassThrough, &QToolButton::clicked, this, &TProgrammingForm::btnPassThroughClick);
    connect(p.sbClearTerminal, &QToolButton::clicked, this, &TProgrammingForm::btnClearTerminalClick);
    connect(p.chbLocalEcho, &QCheckBox::clicked, this, &TProgrammingForm::chbLocalEchoClick);
    connect(p.actSaveTerminalText, &QAction::triggered, this, &TProgrammingForm::SaveTerminalText);
    // The terminal view on the window's own port, connected only while the page
    // is shown. Its errors go to the application's standard error box.
    p.ComTerminal1->SetComPort(FTerminalPort.get());
    p.ComTerminal1->OnError = [this](const std::exception& e) { ShowApplicationError(ExceptionText(e)); };
}

void TProgrammingForm::ConnectSettingsPage() {
    const TSettingsPage& p = *FSettingsPage;
    connect(p.cbxComPort, &QComboBox::currentIndexChanged, this, &TProgrammingForm::cbxComPortChange);
    connect(p.cbxVeskBaudRate, &QComboBox::currentIndexChanged, this,
            &TProgrammingForm::cbxVeskBaudRateChange);
    connect(p.udProgramDelay, &QSpinBox::valueChanged, this, &TProgrammingForm::udProgramDelayChange);
    connect(p.rbLines34, &QRadioButton::clicked, this, &TProgrammingForm::rbLinesClick);
    connect(p.rbLines78, &QRadioButton::clicked, this, &TProgrammingForm::rbLinesClick);
    connect(p.rbRS232, &QRadioButton::clicked, this, &TProgrammingForm::rbPolarityClick);
    connect(p.rbTTL, &QRadioButton::clicked, this, &TProgrammingForm::rbPolarityClick);
    connect(p.chbUseBuiltInTerminal, &QCheckBox::clicked, this,
            &TProgrammingForm::chbUseBuiltInTerminalClick);
    connect(p.cbxTerminalBaudRate, &QComboBox::editTextChanged, this,
            &TProgrammingForm::cbxTerminalBaudRateChange);
    connect(p.chbFixFusesWriteError, &QCheckBox::clicked, this,
            &TProgrammingForm::chbFixFusesWriteErrorClick);
    connect(p.chbFixDataWriteError, &QCheckBox::clicked, this, &TProgrammingForm::chbFixDataWriteErrorClick);
}

void TProgrammingForm::ConnectAboutPage() {
    // The About text never keeps the focus (eventFilter).
    FAboutPage->VersionMemo->installEventFilter(this);
}
