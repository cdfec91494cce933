// The operations behind the window's buttons: Detect device, Detect target,
// Write, Read, Verify, Erase, Clear buffer, Run, Browse, Stop, the target type
// and image name changes, and the Buffer and Terminal page tool buttons.
//
// Stop and Esc reach the driver while an operation runs because the operation
// processes pending window messages after enabling Stop, while the driver
// switches the baud rate and at every fourth progress step. A stop request
// belongs to the operation during which it was made: it is kept across the
// operation's Open (which withdraws the driver's request), and the window
// forgets it when the operation ends; the driver's flag is withdrawn by the
// Open that starts every later operation.
#include "ProgrammingForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>

#include "Dialogs.h"
#include "StateLamp.h"
#include "bufferview/HexEditor.h"
#include "chipdef/ChipDefinition.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "serial/port/ComPort.h"
#include "termview/ComTerminal.h"

namespace {

// The driver's baud-rate index; values no index can hold become -1, which the
// driver refuses with its own message.
int8_t BaudIndex(int32_t value) {
    return value >= -128 && value <= 127 ? int8_t(value) : int8_t(-1);
}

// Runs driver steps that have no error path of their own (Detect device, Run,
// the pass-through switches): the error still goes on to the caller, but the
// port is closed first. Left open, a port whose adapter was unplugged would stay
// "connected" on a dead device: the next Open would keep it instead of opening
// the port afresh, and the terminal could not take the port over.
void ClosingOnError(vesk::TDeviceVESK1& device, const std::function<void()>& steps) {
    try {
        steps();
    } catch (...) {
        try {
            device.Close();
        } catch (...) {
            // The first error is the one to report.
        }
        throw;
    }
}

} // namespace

// ---- Detect device ---------------------------------------------------------------------

void TProgrammingForm::DetectDevice() {
    // An error leaves the description as it was and, after the wake-up, the lamp yellow.
    ClosingOnError(FDevice, [this] {
        FDevice.Open();
        FDevice.Wakeup();
        ProgressStep(-1);
        SetLamp(lsYellow);
        const std::string type = FDevice.GetType();
        const std::string version = type.empty() ? std::string() : FDevice.GetVersion();
        FDeviceDescription.clear();
        if (!type.empty() && !version.empty()) {
            FDeviceDescription =
                QString::fromStdString(type) + QStringLiteral(" version ") + QString::fromStdString(version);
            C.lblDevice->setText(FDeviceDescription);
        } else {
            C.lblDevice->setText(QStringLiteral("Unknown"));
        }
        FDevice.Close();
    });
    ProgressStep(-1);
    SetLamp(FDeviceDescription.isEmpty() ? lsRed : lsGreen);
    ActionUpdateUpdate();
}

// ---- Target list -----------------------------------------------------------------------

void TProgrammingForm::SelectTargetItem() {
    const int index = C.cbxTargetType->findData(QVariant::fromValue<void*>(FDevice.Target()));
    const QSignalBlocker block(C.cbxTargetType);
    C.cbxTargetType->setCurrentIndex(FDevice.Target() && index > 0 ? index : 0);
}

void TProgrammingForm::cbxTargetTypeChange(int index) {
    try {
        auto* chip = static_cast<vesk::TChipDefinition*>(C.cbxTargetType->itemData(index).value<void*>());
        FDevice.SetTarget(index > 0 ? chip : nullptr);
    } catch (...) {
        // Errors of the selection are ignored.
    }
    ActionUpdateUpdate();
}

// ---- Write, Read, Verify ------------------------------------------------------------------

void TProgrammingForm::ConnectForOperation() {
    FDevice.Open();
    // Open withdraws the driver's stop request; one made during this operation
    // (while it processed messages after enabling Stop) stays in force.
    if (FStopRequested) FDevice.Abort();
    FDevice.Wakeup();
    FDevice.Activate();
    FDevice.SetBaudRate(BaudIndex(FVeskBaudRate));
    if (!FDevice.Target()) FDevice.DetectTarget();
    SelectTargetItem();
    ActionUpdateUpdate();
}

void TProgrammingForm::ErrorPath(const std::exception& error, const std::function<void()>& finish) {
    ShowError(ExceptionText(error));
    try {
        FDevice.Close();
    } catch (...) {
        // The end steps still run; the error then reaches the application's
        // standard error box.
        finish();
        throw;
    }
}

bool TProgrammingForm::RunRegionOperation(const std::function<void()>& ownSteps, bool passThroughAfter) {
    ShowMainPage();
    AddRecentFile(FImageFileName);
    FDevice.OnProgress = [this](int value) { ProgressStep(value); };
    ProgressStep(-1);
    SetLamp(lsYellow);
    FStopRequested = false;
    A.atnStop->setEnabled(true);
    ActionUpdateUpdate();
    ProcessMessages();

    bool ok = true;
    auto finish = [this, &ok] {
        A.atnStop->setEnabled(false);
        FStopRequested = false;
        ProgressStep(-1);
        SetLamp(ok ? lsGreen : lsRed);
    };
    try {
        ConnectForOperation();
        ownSteps();
        FDevice.RunTarget();
        FDevice.Close();
    } catch (const std::exception& e) {
        ok = false;
        ErrorPath(e, [this, &finish] {
            finish();
            ActionUpdateUpdate();
        });
    }
    finish();
    if (ok && passThroughAfter && FPassThroughEnter) {
        if (FUseBuiltInTerminal) {
            btnClearTerminalClick();
            C.sbPassThrough->setChecked(true);
            {
                const QSignalBlocker block(C.TabControl1);
                C.TabControl1->setCurrentIndex(pgTerminal);
            }
            ShowPage(pgTerminal); // its show handler enters pass-through and connects
        } else {
            // Its error goes on to the application's error box; the enabling
            // rules still run, so that the commands come back at once.
            try {
                EnterPassThroughMode();
            } catch (...) {
                ActionUpdateUpdate();
                throw;
            }
        }
    }
    ActionUpdateUpdate();
    return ok;
}

bool TProgrammingForm::ProgramTarget(int16_t code) {
    return RunRegionOperation(
        [this, code] {
            FImage->Load(FImageFileName.toStdString());
            FDevice.LoadBuffer(*FImage);
            if (code == vesk::AllRegions) FDevice.EraseChip();
            FDevice.WriteAndVerifyRegions(code, FVerifyAfterWrite);
        },
        true);
}

bool TProgrammingForm::ReadTarget(int16_t code) {
    return RunRegionOperation([this, code] { FDevice.ReadRegions(code); }, false);
}

bool TProgrammingForm::VerifyTarget(int16_t code) {
    return RunRegionOperation([this, code] { FDevice.VerifyRegions(code); }, false);
}

// ---- Erase, Clear buffer, Run, Detect target ------------------------------------------------

void TProgrammingForm::EraseTarget() {
    FStopRequested = false;
    A.atnStop->setEnabled(true);
    ActionUpdateUpdate();
    ProcessMessages();
    bool ok = true;
    auto finish = [this, &ok] {
        A.atnStop->setEnabled(false);
        FStopRequested = false;
        ProgressStep(-1);
        SetLamp(ok ? lsGreen : lsRed);
        ActionUpdateUpdate();
    };
    try {
        ConnectForOperation();
        FDevice.EraseChip(); // no region loop: a stop request does not interrupt it
        FDevice.Close();
    } catch (const std::exception& e) {
        ok = false;
        ErrorPath(e, finish);
    }
    finish();
}

void TProgrammingForm::ClearBuffer() {
    if (vesk::TChipDefinition* chip = FDevice.Target()) chip->ResetImage();
    ProgressStep(-1);
    SetLamp(lsGreen);
    ActionUpdateUpdate();
}

void TProgrammingForm::RunTarget() {
    ClosingOnError(FDevice, [this] {
        FDevice.Open();
        FDevice.Wakeup();
        FDevice.StopTarget();
        FDevice.RunTarget();
        FDevice.Close();
    });
}

void TProgrammingForm::DetectTarget() {
    ShowMainPage();
    bool ok = false;
    auto finish = [this, &ok] {
        ProgressStep(-1);
        SetLamp(ok ? lsGreen : lsRed);
        ActionUpdateUpdate();
    };
    try {
        FDevice.Open();
        FDevice.Wakeup();
        // An ID that matches no chip fails here, also with a chip chosen (which
        // stays chosen); an unreadable ID keeps a chosen chip.
        FDevice.DetectTarget();
        SelectTargetItem();
        ok = C.cbxTargetType->currentIndex() > 0;
        FDevice.RunTarget();
        FDevice.Close();
    } catch (const std::exception& e) {
        ok = false;
        ErrorPath(e, finish);
    }
    finish();
}

// ---- Stop, Browse, image name --------------------------------------------------------------

void TProgrammingForm::StopOperation() {
    // The Stop action, its button and Esc act only while an operation runs.
    if (A.atnStop->isEnabled()) {
        FStopRequested = true;
        FDevice.Abort();
    }
    ActionUpdateUpdate();
}

void TProgrammingForm::BrowseFile() {
    ShowMainPage();
    QString name = FImageFileName;
    if (FDialogs->OpenFileName(this, QStringLiteral("Select image file"),
                               QStringLiteral("Intel Hex Format  files (*.hex);;All files (*.*)"),
                               QStringLiteral("hex"), name))
        FImageFileName = name;
    {
        const QSignalBlocker block(C.cbxImageFile);
        C.cbxImageFile->setEditText(FImageFileName);
    }
    FImage->Load(FImageFileName.toStdString());
    ActionUpdateUpdate();
}

void TProgrammingForm::cbxImageFileChange(const QString& text) {
    Guarded([this, &text] {
        FImageFileName = text;
        FImage->Load(FImageFileName.toStdString());
        ActionUpdateUpdate();
    });
}

// ---- Pass-through and the Terminal page ----------------------------------------------------

void TProgrammingForm::EnterPassThroughMode() {
    ClosingOnError(FDevice, [this] {
        FDevice.Open();
        FDevice.Wakeup();
        FDevice.EnterPassThrough(uint8_t(FPassThroughLines), uint8_t(FPassThroughPolarity));
        FDevice.Close();
    });
}

void TProgrammingForm::btnPassThroughClick() {
    // While an operation runs the driver holds the port: the page can be shown
    // then (the lamp's double-click) but must not reach for the programmer.
    if (FDeviceDescription.isEmpty() || A.atnStop->isEnabled()) return;
    Guarded([this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct RestoreCursor {
            ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;
        // The terminal lets go of the port before the driver takes it.
        C.ComTerminal1->SetComPort(FTerminalPort.get());
        C.ComTerminal1->SetConnected(false);
        int32_t rate;
        if (C.sbPassThrough->isChecked()) {
            EnterPassThroughMode();
            rate = FTerminalBaudRate;
        } else {
            // The wake-up ends pass-through; the programmer then runs at its rate.
            ClosingOnError(FDevice, [this] {
                FDevice.Open();
                FDevice.Wakeup();
                FDevice.SetBaudRate(BaudIndex(FVeskBaudRate));
                FDevice.Close();
            });
            rate = vesk::ProgrammerBaudRates.at(size_t(FVeskBaudRate)); // SetBaudRate checked the index
        }
        FTerminalPort->SetPort(ComPort().toStdString());
        FTerminalPort->SetBaudRate(vesk::brCustom);
        FTerminalPort->SetCustomBaudRate(rate);
        C.ComTerminal1->SetConnected(true);
    });
}

void TProgrammingForm::tabDebugShow() {
    btnPassThroughClick();
    C.ComTerminal1->setFocus();
    ActionUpdateUpdate();
}

void TProgrammingForm::tabDebugHide() {
    Guarded([this] { C.ComTerminal1->SetConnected(false); });
    ActionUpdateUpdate();
}

void TProgrammingForm::btnClearTerminalClick() {
    C.ComTerminal1->ClearScreen();
}

// ---- Buffer page -----------------------------------------------------------------------------

void TProgrammingForm::RefreshBufferView() {
    // A chip without a Code, Data or Fuses region raises here; the caller's
    // handler shows it and the page stays empty.
    C.HexEditor1->SetChip(FDevice.Target());
    C.HexEditor1->RefreshBufferView();
}

void TProgrammingForm::btnLoadBufferClick() {
    Guarded([this] {
        FImage->Load(FImageFileName.toStdString());
        FDevice.LoadBuffer(*FImage);
        RefreshBufferView();
    });
}

void TProgrammingForm::btnSaveBufferClick() {
    Guarded([this] {
        ShowMainPage();
        throw vesk::Exception("FEATURE NOT IMPLEMENTED IN THIS VERSION");
    });
}
