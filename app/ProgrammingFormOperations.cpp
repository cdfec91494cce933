// The operations behind the window's buttons: Detect device, Detect target,
// Write, Read, Verify, Erase, Clear buffer, Run, Browse, Stop, the target type
// and image name changes, and the Buffer and Terminal page tool buttons.
#include "ProgrammingForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableWidget>
#include <QToolButton>

#include "Dialogs.h"
#include "StateLamp.h"
#include "chipdef/ChipDefinition.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"

namespace {

QString MessageOf(const std::exception& e) {
    if (const auto* own = dynamic_cast<const vesk::Exception*>(&e))
        return QString::fromStdString(own->Message());
    return QString::fromLocal8Bit(e.what());
}

// The driver's baud-rate index; values no index can hold become -1, which the
// driver refuses with its own message.
int8_t BaudIndex(int32_t value) {
    return value >= -128 && value <= 127 ? int8_t(value) : int8_t(-1);
}

} // namespace

// ---- Detect device ---------------------------------------------------------------------

void TProgrammingForm::DetectDevice() {
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

bool TProgrammingForm::RunRegionOperation(const std::function<void()>& ownSteps, bool passThroughAfter) {
    ShowMainPage();
    AddRecentFile(FImageFileName);
    FDevice.OnProgress = [this](int value) { ProgressStep(value); };
    ProgressStep(-1);
    SetLamp(lsYellow);
    A.atnStop->setEnabled(true);
    ActionUpdateUpdate();
    ProcessMessages();

    // The end steps run whatever happens, also when the Close of the error
    // path fails, so that the window never stays busy.
    bool ok = true;
    auto finish = [this, &ok] {
        A.atnStop->setEnabled(false);
        ProgressStep(-1);
        SetLamp(ok ? lsGreen : lsRed);
    };
    try {
        FDevice.Open();
        FDevice.Wakeup();
        FDevice.Activate();
        FDevice.SetBaudRate(BaudIndex(FVeskBaudRate));
        if (!FDevice.Target()) FDevice.DetectTarget();
        SelectTargetItem();
        ActionUpdateUpdate();
        ownSteps();
        FDevice.RunTarget();
        FDevice.Close();
    } catch (const std::exception& e) {
        ok = false;
        ShowError(MessageOf(e));
        try {
            FDevice.Close();
        } catch (...) {
            finish();
            ActionUpdateUpdate();
            throw; // reaches the application's standard error box
        }
    }
    finish();
    if (ok && passThroughAfter && FPassThroughEnter) {
        if (FUseBuiltInTerminal) {
            btnClearTerminalClick();
            C.sbPassThrough->setChecked(true);
            const QSignalBlocker block(C.TabControl1);
            C.TabControl1->setCurrentIndex(pgTerminal);
            ShowPage(pgTerminal); // its show handler enters pass-through
        } else {
            EnterPassThroughMode();
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
            FDevice.WriteRegions(code);
            if (FVerifyAfterWrite) FDevice.VerifyRegions(code);
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
    A.atnStop->setEnabled(true);
    ActionUpdateUpdate();
    ProcessMessages();
    bool ok = true;
    auto finish = [this, &ok] {
        A.atnStop->setEnabled(false);
        ProgressStep(-1);
        SetLamp(ok ? lsGreen : lsRed);
        ActionUpdateUpdate();
    };
    try {
        FDevice.Open();
        FDevice.Wakeup();
        FDevice.Activate();
        FDevice.SetBaudRate(BaudIndex(FVeskBaudRate));
        if (!FDevice.Target()) FDevice.DetectTarget();
        SelectTargetItem();
        ActionUpdateUpdate();
        FDevice.EraseChip();
        FDevice.Close();
    } catch (const std::exception& e) {
        ok = false;
        ShowError(MessageOf(e));
        try {
            FDevice.Close();
        } catch (...) {
            finish();
            throw;
        }
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
    FDevice.Open();
    FDevice.Wakeup();
    FDevice.StopTarget();
    FDevice.RunTarget();
    FDevice.Close();
}

void TProgrammingForm::DetectTarget() {
    ShowMainPage();
    bool ok = false;
    try {
        FDevice.Open();
        FDevice.Wakeup();
        FDevice.DetectTarget();
        SelectTargetItem();
        ok = C.cbxTargetType->currentIndex() > 0;
        FDevice.RunTarget();
        FDevice.Close();
    } catch (const std::exception& e) {
        ok = false;
        ShowError(MessageOf(e));
        FDevice.Close();
    }
    ProgressStep(-1);
    SetLamp(ok ? lsGreen : lsRed);
    ActionUpdateUpdate();
}

// ---- Stop, Browse, image name --------------------------------------------------------------

void TProgrammingForm::StopOperation() {
    // The Stop action, its button and Esc are enabled only while an operation runs.
    if (A.atnStop->isEnabled()) FDevice.Abort();
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
    FDevice.Open();
    FDevice.Wakeup();
    FDevice.EnterPassThrough(uint8_t(FPassThroughLines), uint8_t(FPassThroughPolarity));
    FDevice.Close();
}

void TProgrammingForm::btnPassThroughClick() {
    if (FDeviceDescription.isEmpty()) return;
    Guarded([this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct RestoreCursor {
            ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;
        if (C.sbPassThrough->isChecked()) {
            EnterPassThroughMode();
        } else {
            FDevice.Open();
            FDevice.Wakeup();
            FDevice.SetBaudRate(BaudIndex(FVeskBaudRate));
            FDevice.Close();
        }
        // The terminal view connects its own port here (port name ComPort, at
        // TerminalBaudRate in pass-through, else at the programmer's rate).
    });
}

void TProgrammingForm::tabDebugShow() {
    btnPassThroughClick();
    C.TerminalBox->setFocus();
    ActionUpdateUpdate();
}

void TProgrammingForm::tabDebugHide() {
    // The terminal view disconnects here, which closes the window's port.
    ActionUpdateUpdate();
}

void TProgrammingForm::btnClearTerminalClick() {
    // The terminal view's screen is cleared here.
}

// ---- Buffer page -----------------------------------------------------------------------------

void TProgrammingForm::RefreshBufferView() {
    C.pnlSelectTarget->setVisible(FDevice.Target() == nullptr);
    C.BufferGrid->clear();
    C.BufferGrid->setRowCount(0);
    C.BufferGrid->setColumnCount(0);
    // The hexadecimal dump of the target's regions is drawn here.
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
