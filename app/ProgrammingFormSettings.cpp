// The controls that show the window's properties (Settings page, the Main
// page's check boxes, the Terminal page's local echo) and their change handlers.
// Every handler writes the control's value into its property at once.
#include "ProgrammingForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>

#include "ComComboBox.h"

namespace {
constexpr int32_t DefaultTerminalBaudRate = 9600;
}

void TProgrammingForm::ShowSettingsControls() {
    C.cbxVeskBaudRate->setCurrentIndex(
        FVeskBaudRate >= 0 && FVeskBaudRate < C.cbxVeskBaudRate->count() ? FVeskBaudRate : -1);
    C.cbxComPort->FillPorts();
    // The configured port stays selectable even when the system does not list
    // it (a pseudo-terminal, a port unplugged for now).
    C.cbxComPort->KeepPort(ComPort());
    C.cbxComPort->SetText(ComPort());
    C.chbPassThroughEnter->setChecked(FPassThroughEnter);
    if (FPassThroughLines == 0)
        C.rbLines34->setChecked(true);
    else if (FPassThroughLines == 1)
        C.rbLines78->setChecked(true);
    if (FPassThroughPolarity == 0)
        C.rbRS232->setChecked(true);
    else if (FPassThroughPolarity == 1)
        C.rbTTL->setChecked(true);
    C.chbFixDataWriteError->setChecked(FixDataWriteError());
    C.chbFixFusesWriteError->setChecked(FixFusesWriteError());
    // The delay box shows the low 8 bits; the shown value is written back so
    // that the driver never keeps a delay the box does not show.
    C.udProgramDelay->setValue(ProgramDelay() & 0xFF);
    udProgramDelayChange();
    C.chbUseBuiltInTerminal->setChecked(FUseBuiltInTerminal);
    C.cbxTerminalBaudRate->setEditText(QString::number(FTerminalBaudRate));
    C.chbLocalEcho->setChecked(TerminalLocalEcho());
    C.chbVerifyAfterWrite->setChecked(FVerifyAfterWrite);
}

void TProgrammingForm::cbxComPortChange() {
    if (C.cbxComPort->currentIndex() >= 0) SetComPort(C.cbxComPort->Text());
}

void TProgrammingForm::cbxVeskBaudRateChange() {
    // No selection (a rate outside the list from an edited settings file)
    // leaves the property as it is.
    if (C.cbxVeskBaudRate->currentIndex() >= 0) SetVeskBaudRate(C.cbxVeskBaudRate->currentIndex());
}

void TProgrammingForm::udProgramDelayChange() {
    SetProgramDelay(C.udProgramDelay->value() & 0xFF);
}

void TProgrammingForm::rbLinesClick() {
    SetPassThroughLines(C.rbLines78->isChecked() ? 1 : 0);
}

void TProgrammingForm::rbPolarityClick() {
    SetPassThroughPolarity(C.rbTTL->isChecked() ? 1 : 0);
}

void TProgrammingForm::chbUseBuiltInTerminalClick() {
    SetUseBuiltInTerminal(C.chbUseBuiltInTerminal->isChecked());
}

void TProgrammingForm::cbxTerminalBaudRateChange(const QString& text) {
    bool ok = false;
    const int32_t rate = text.trimmed().toInt(&ok, 10);
    SetTerminalBaudRate(ok ? rate : DefaultTerminalBaudRate);
}

void TProgrammingForm::chbFixFusesWriteErrorClick() {
    SetFixFusesWriteError(C.chbFixFusesWriteError->isChecked());
}

void TProgrammingForm::chbFixDataWriteErrorClick() {
    SetFixDataWriteError(C.chbFixDataWriteError->isChecked());
}

void TProgrammingForm::chbVerifyAfterWriteClick() {
    SetVerifyAfterWrite(C.chbVerifyAfterWrite->isChecked());
}

void TProgrammingForm::chbPassThroughEnterClick() {
    SetPassThroughEnter(C.chbPassThroughEnter->isChecked());
}

void TProgrammingForm::chbLocalEchoClick() {
    SetTerminalLocalEcho(C.chbLocalEcho->isChecked());
}
