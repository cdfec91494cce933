// The operations behind the window's buttons: Detect device, Detect target,
// Write, Read, Verify, Erase, Clear buffer, Run, Browse, Stop, the target type
// change, and the Buffer and Terminal page tool buttons. (The image name and the
// files the window saves: ProgrammingFormImage.cpp.)
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

#include "BufferPage.h"
#include "Dialogs.h"
#include "MainPage.h"
#include "StateLamp.h"
#include "TerminalPage.h"
#include "bufferview/HexEditor.h"
#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipLookup.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "ops/Operations.h"
#include "serial/port/ComPort.h"
#include "termview/ComTerminal.h"

namespace {

// The driver's baud-rate index; values no index can hold become -1, which the
// driver refuses with its own message.
int8_t BaudIndex(int32_t value) {
    return value >= -128 && value <= 127 ? int8_t(value) : int8_t(-1);
}

// Runs an operation whose error its hooks have shown already: only a failing Close,
// which the window cannot show as the operation's own, goes on to the caller.
void RunShown(const std::function<void()>& operation, const bool& closeFailed) {
    try {
        operation();
    } catch (const std::exception&) {
        if (closeFailed) throw;
    }
}

} // namespace

void TProgrammingForm::BeginBusy() {
    FStopRequested = false;
    SetBusy(true);
    ActionUpdateUpdate();
    ProcessMessages();
}

void TProgrammingForm::EndBusy(bool ok) {
    SetBusy(false);
    FStopRequested = false;
    ResetProgress();
    SetLamp(ok ? lsGreen : lsRed);
}

// ---- Detect device ---------------------------------------------------------------------

void TProgrammingForm::DetectDevice() {
    // An error leaves the description as it was and, after the wake-up, the lamp yellow.
    // Detect device, Run and the pass-through switches have no error path of their
    // own: the error goes on to the caller once the port is closed.
    vesk::ops::THooks hooks;
    hooks.Awake = [this] {
        ResetProgress();
        SetLamp(lsYellow);
    };
    hooks.Detected = [this](const std::string& type, const std::string& version) {
        ClearDetectFailure();
        FDeviceDescription.clear();
        if (!type.empty() && !version.empty()) {
            FDeviceDescription =
                QString::fromStdString(type) + QStringLiteral(" version ") + QString::fromStdString(version);
            FMainPage->lblDevice->setText(FDeviceDescription);
        } else {
            FMainPage->lblDevice->setText(QStringLiteral("Unknown"));
        }
    };
    vesk::ops::DetectDevice(FDevice, hooks);
    ResetProgress();
    SetLamp(FDeviceDescription.isEmpty() ? lsRed : lsGreen);
    ActionUpdateUpdate();
}

// ---- Target list -----------------------------------------------------------------------

void TProgrammingForm::SelectTargetItem() {
    const int index = FMainPage->cbxTargetType->findData(
        QVariant::fromValue<void*>(const_cast<vesk::TChipDefinition*>(FDevice.Target())));
    {
        const QSignalBlocker block(FMainPage->cbxTargetType);
        FMainPage->cbxTargetType->setCurrentIndex(FDevice.Target() && index > 0 ? index : 0);
    }
    ShowTargetHint();
}

void TProgrammingForm::ShowTargetHint() {
    const vesk::TChipDefinition* chip = FDevice.Target();
    const std::string note = chip != nullptr ? vesk::SameDeviceIdNote(*FChips, *chip) : std::string();
    FMainPage->cbxTargetType->setToolTip(note.empty() ? QStringLiteral("Target type")
                                                      : QStringLiteral("Target type: ") +
                                                            QString::fromStdString(chip->Name + note));
}

void TProgrammingForm::cbxTargetTypeChange(int index) {
    try {
        const auto* chip = static_cast<const vesk::TChipDefinition*>(
            FMainPage->cbxTargetType->itemData(index).value<void*>());
        FDevice.SetTarget(index > 0 ? chip : nullptr);
    } catch (...) {
        // Errors of the selection are ignored.
    }
    ShowTargetHint();
    ActionUpdateUpdate();
}

// ---- Write, Read, Verify ------------------------------------------------------------------

vesk::ops::THooks TProgrammingForm::GuardedHooks(bool& ok, bool& closeFailed,
                                                 const std::function<void()>& finish) {
    vesk::ops::THooks hooks;
    // Open withdraws the driver's stop request; one made during this operation
    // (while it processed messages after enabling Stop) stays in force.
    hooks.Opened = [this] {
        if (FStopRequested) FDevice.Abort();
    };
    hooks.Connected = [this] {
        SelectTargetItem();
        ActionUpdateUpdate();
    };
    hooks.Calibrations = &FCalibrations;
    hooks.Calibration = [this](const vesk::ops::TCalibrationQuestion& question) {
        return FDialogs->AskCalibration(this, question);
    };
    hooks.Failed = [this, &ok](const std::exception& error) {
        ok = false;
        // The user's No to the question before a protecting write is no error.
        if (!FWriteDeclined) ShowError(ExceptionText(error));
    };
    // The end steps still run; the close error then reaches the application's
    // standard error box.
    hooks.CloseFailed = [&closeFailed, finish] {
        closeFailed = true;
        finish();
        throw;
    };
    return hooks;
}

vesk::ops::TRequest TProgrammingForm::Request(int16_t code) const {
    vesk::ops::TRequest request;
    request.Regions = code;
    request.Verify = FVerifyAfterWrite;
    request.BaudIndex = BaudIndex(FVeskBaudRate);
    request.Lines = uint8_t(FPassThroughLines);
    request.Polarity = uint8_t(FPassThroughPolarity);
    return request;
}

bool TProgrammingForm::RunRegionOperation(const std::function<void(const vesk::ops::THooks&)>& operation,
                                          bool passThroughAfter) {
    ShowMainPage();
    AddRecentFile(FImageFileName);
    ResetProgress();
    const int lampBefore = LampPicture();
    SetLamp(lsYellow);
    BeginBusy();

    bool ok = true, closeFailed = false;
    vesk::ops::THooks hooks = GuardedHooks(ok, closeFailed, [this, &ok] {
        EndBusy(ok);
        ActionUpdateUpdate();
    });
    hooks.Progress = [this](const vesk::ops::TProgress& progress) { ShowProgress(progress); };
    RunShown([&] { operation(hooks); }, closeFailed);
    EndBusy(ok);
    if (FWriteDeclined) {
        // Nothing was done: the lamp tells what it told before.
        FWriteDeclined = false;
        SetLamp(lampBefore);
    }
    if (ok && passThroughAfter && FPassThroughEnter) {
        if (FUseBuiltInTerminal) {
            btnClearTerminalClick();
            FTerminalPage->sbPassThrough->setChecked(true);
            {
                const QSignalBlocker block(FTabControl1);
                FTabControl1->setCurrentIndex(pgTerminal);
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
        [this, code](vesk::ops::THooks hooks) {
            hooks.Image = [this]() -> const vesk::TIntelHexFile& {
                FImage->Load(FImageFileName.toStdString());
                return *FImage;
            };
            hooks.BufferLoaded = [this, code] {
                if (ConfirmConfigWrite(code)) return;
                FWriteDeclined = true;
                throw vesk::Exception("Write declined: the image turns on protection");
            };
            vesk::ops::Write(FDevice, Request(code), hooks);
        },
        true);
}

bool TProgrammingForm::ReadTarget(int16_t code) {
    return RunRegionOperation(
        [this, code](const vesk::ops::THooks& hooks) { vesk::ops::Read(FDevice, Request(code), hooks); },
        false);
}

bool TProgrammingForm::VerifyTarget(int16_t code) {
    // The buffer is verified as it stands: no image is loaded.
    return RunRegionOperation(
        [this, code](const vesk::ops::THooks& hooks) { vesk::ops::Verify(FDevice, Request(code), hooks); },
        false);
}

// ---- Erase, Clear buffer, Run, Detect target ------------------------------------------------

void TProgrammingForm::EraseTarget() {
    BeginBusy();
    bool ok = true, closeFailed = false;
    auto finish = [this, &ok] {
        EndBusy(ok);
        ActionUpdateUpdate();
    };
    RunShown(
        [&] { vesk::ops::Erase(FDevice, Request(vesk::AllRegions), GuardedHooks(ok, closeFailed, finish)); },
        closeFailed);
    finish();
}

void TProgrammingForm::ClearBuffer() {
    if (vesk::TChipSession* session = FDevice.Session()) session->Reset();
    ResetProgress();
    SetLamp(lsGreen);
    ActionUpdateUpdate();
}

void TProgrammingForm::RunTarget() {
    vesk::ops::Run(FDevice, {});
}

void TProgrammingForm::DetectTarget() {
    ShowMainPage();
    bool ok = false, closeFailed = false;
    auto finish = [this, &ok] {
        ResetProgress();
        SetLamp(ok ? lsGreen : lsRed);
        ActionUpdateUpdate();
    };
    vesk::ops::THooks hooks = GuardedHooks(ok, closeFailed, finish);
    hooks.Opened = nullptr;
    hooks.Connected = [this, &ok] {
        SelectTargetItem();
        ok = FMainPage->cbxTargetType->currentIndex() > 0;
    };
    RunShown([&] { vesk::ops::DetectTarget(FDevice, hooks); }, closeFailed);
    finish();
}

// ---- Stop, Browse, image name --------------------------------------------------------------

void TProgrammingForm::StopOperation() {
    // The Stop action, its button and Esc act only while an operation runs.
    if (FBusy) {
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
        const QSignalBlocker block(FMainPage->cbxImageFile);
        FMainPage->cbxImageFile->setEditText(FImageFileName);
    }
    CommitImageName(FImageFileName, true);
}

// ---- Pass-through and the Terminal page ----------------------------------------------------

void TProgrammingForm::EnterPassThroughMode() {
    vesk::ops::EnterPassThrough(FDevice, Request(vesk::AllRegions), {});
}

void TProgrammingForm::btnPassThroughClick() {
    // While an operation runs the driver holds the port: the page can be shown
    // then (the lamp's double-click) but must not reach for the programmer.
    if (FDeviceDescription.isEmpty() || FBusy) return;
    Guarded([this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct RestoreCursor {
            ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;
        // The terminal lets go of the port before the driver takes it.
        FTerminalPage->ComTerminal1->SetComPort(FTerminalPort.get());
        FTerminalPage->ComTerminal1->SetConnected(false);
        int32_t rate;
        if (FTerminalPage->sbPassThrough->isChecked()) {
            EnterPassThroughMode();
            rate = FTerminalBaudRate;
        } else {
            // The wake-up ends pass-through; the programmer then runs at its rate.
            vesk::ops::LeavePassThrough(FDevice, Request(vesk::AllRegions), {});
            rate = vesk::ProgrammerBaudRates.at(size_t(FVeskBaudRate)); // SetBaudRate checked the index
        }
        FTerminalPort->SetPort(ComPort().toStdString());
        FTerminalPort->SetBaudRate(vesk::brCustom);
        FTerminalPort->SetCustomBaudRate(rate);
        FTerminalPage->ComTerminal1->SetConnected(true);
    });
}

void TProgrammingForm::tabDebugShow() {
    btnPassThroughClick();
    FTerminalPage->ComTerminal1->setFocus();
    ActionUpdateUpdate();
}

void TProgrammingForm::tabDebugHide() {
    Guarded([this] { FTerminalPage->ComTerminal1->SetConnected(false); });
    ActionUpdateUpdate();
}

void TProgrammingForm::btnClearTerminalClick() {
    FTerminalPage->ComTerminal1->ClearScreen();
    FTerminalPage->ComTerminal1->ClearScrollback();
}

// ---- Buffer page -----------------------------------------------------------------------------

void TProgrammingForm::RefreshBufferView() {
    // A chip without a Code, Data or Fuses region raises here; the caller's
    // handler shows it and the page stays empty.
    FBufferPage->HexEditor1->SetSession(FDevice.Session());
    FBufferPage->HexEditor1->RefreshBufferView();
    RefreshConfigView();
}

void TProgrammingForm::btnLoadBufferClick() {
    Guarded([this] {
        FImage->Load(FImageFileName.toStdString());
        FDevice.LoadBuffer(*FImage);
        ApplyConfigChanges(*FDevice.Session());
        RefreshBufferView();
    });
}

void TProgrammingForm::btnSaveBufferClick() {
    SaveBuffer();
}
