// The controls that show the window's properties (Settings page, the Main
// page's check boxes, the Terminal page's local echo) and their change handlers.
// Every handler writes the control's value into its property at once.
#include "ProgrammingForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>

#include "ComComboBox.h"
#include "MainPage.h"
#include "SettingsPage.h"
#include "TerminalPage.h"

namespace {
constexpr int32_t DefaultTerminalBaudRate = 9600;
}

void TProgrammingForm::ShowSettingsControls() {
    const TSettingsPage& settings = *FSettingsPage;
    const TMainPage& main = *FMainPage;
    const TTerminalPage& terminal = *FTerminalPage;
    settings.cbxVeskBaudRate->setCurrentIndex(
        FVeskBaudRate >= 0 && FVeskBaudRate < settings.cbxVeskBaudRate->count() ? FVeskBaudRate : -1);
    settings.cbxComPort->FillPorts();
    // The configured port stays selectable even when the system does not list
    // it (a pseudo-terminal, a port unplugged for now).
    settings.cbxComPort->KeepPort(ComPort());
    settings.cbxComPort->SetText(ComPort());
    main.chbPassThroughEnter->setChecked(FPassThroughEnter);
    if (FPassThroughLines == 0)
        settings.rbLines34->setChecked(true);
    else if (FPassThroughLines == 1)
        settings.rbLines78->setChecked(true);
    if (FPassThroughPolarity == 0)
        settings.rbRS232->setChecked(true);
    else if (FPassThroughPolarity == 1)
        settings.rbTTL->setChecked(true);
    settings.chbFixDataWriteError->setChecked(FixDataWriteError());
    settings.chbFixFusesWriteError->setChecked(FixFusesWriteError());
    // The delay box shows the low 8 bits; the shown value is written back so
    // that the driver never keeps a delay the box does not show.
    settings.udProgramDelay->setValue(ProgramDelay() & 0xFF);
    udProgramDelayChange();
    settings.chbUseBuiltInTerminal->setChecked(FUseBuiltInTerminal);
    settings.cbxTerminalBaudRate->setEditText(QString::number(FTerminalBaudRate));
    terminal.chbLocalEcho->setChecked(TerminalLocalEcho());
    main.chbVerifyAfterWrite->setChecked(FVerifyAfterWrite);
    main.chbWriteOnImageChange->setChecked(FWriteOnImageChange);
}

void TProgrammingForm::cbxComPortChange() {
    if (FSettingsPage->cbxComPort->currentIndex() >= 0) SetComPort(FSettingsPage->cbxComPort->Text());
}

void TProgrammingForm::cbxVeskBaudRateChange() {
    // No selection (a rate outside the list from an edited settings file)
    // leaves the property as it is.
    if (FSettingsPage->cbxVeskBaudRate->currentIndex() >= 0)
        SetVeskBaudRate(FSettingsPage->cbxVeskBaudRate->currentIndex());
}

void TProgrammingForm::udProgramDelayChange() {
    SetProgramDelay(FSettingsPage->udProgramDelay->value() & 0xFF);
}

void TProgrammingForm::rbLinesClick() {
    SetPassThroughLines(FSettingsPage->rbLines78->isChecked() ? 1 : 0);
}

void TProgrammingForm::rbPolarityClick() {
    SetPassThroughPolarity(FSettingsPage->rbTTL->isChecked() ? 1 : 0);
}

void TProgrammingForm::chbUseBuiltInTerminalClick() {
    SetUseBuiltInTerminal(FSettingsPage->chbUseBuiltInTerminal->isChecked());
}

void TProgrammingForm::cbxTerminalBaudRateChange(const QString& text) {
    bool ok = false;
    const int32_t rate = text.trimmed().toInt(&ok, 10);
    SetTerminalBaudRate(ok ? rate : DefaultTerminalBaudRate);
}

void TProgrammingForm::chbFixFusesWriteErrorClick() {
    SetFixFusesWriteError(FSettingsPage->chbFixFusesWriteError->isChecked());
}

void TProgrammingForm::chbFixDataWriteErrorClick() {
    SetFixDataWriteError(FSettingsPage->chbFixDataWriteError->isChecked());
}

void TProgrammingForm::chbVerifyAfterWriteClick() {
    SetVerifyAfterWrite(FMainPage->chbVerifyAfterWrite->isChecked());
}

void TProgrammingForm::chbPassThroughEnterClick() {
    SetPassThroughEnter(FMainPage->chbPassThroughEnter->isChecked());
}

void TProgrammingForm::chbLocalEchoClick() {
    SetTerminalLocalEcho(FTerminalPage->chbLocalEcho->isChecked());
}
