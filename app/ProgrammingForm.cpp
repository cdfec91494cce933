// Construction, start-up, shutdown, page switching and the enabling rules of
// the main window.
#include "ProgrammingForm.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <utility>

#include "AboutPage.h"
#include "BufferPage.h"
#include "ComComboBox.h"
#include "ConfigView.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "MainPage.h"
#include "SettingsPage.h"
#include "StateLamp.h"
#include "TerminalPage.h"
#include "chipdef/ChipCatalogue.h"
#include "chipdef/ChipLookup.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "ops/Steps.h"
#include "serial/port/ComPort.h"
#include "storage/SettingsFile.h"
#include "storage/SettingsTable.h"
#include "termview/ComTerminal.h"

#include <cstdio>

namespace {
constexpr int StartupDetectDelayMs = 300;
constexpr int MaxRecentFiles = 10;
} // namespace

TProgrammingForm::TProgrammingForm(vesk::TDeviceVESK1& device, const QString& programDirectory,
                                   TDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), vesk::TPublishedOwner("ProgrammingForm"), FDevice(device),
      FImage(std::make_unique<vesk::TIntelHexFile>()), FTerminalPort(std::make_unique<vesk::TComPort>()),
      FStorage(*this) {
    if (dialogs) {
        FDialogs = dialogs;
    } else {
        FOwnDialogs = std::make_unique<TWidgetDialogs>();
        FDialogs = FOwnDialogs.get();
    }
    FProgramDirectory = programDirectory.isEmpty() ? QString::fromStdString(vesk::ProgramDirectory())
                                                   : QDir(programDirectory).absolutePath() + QLatin1Char('/');

    ConfigureStorage();
    ConfigureTerminalPort();
    CreateActions();
    CreatePages();
    // The Terminal page holds the port while it is the page shown. Only a change of page
    // counts: the hide and show events that the toolkit sends to every widget of a window
    // being minimised, restored, hidden, covered or moved to another desktop do not, so
    // the target's output keeps arriving and nothing is sent to the programmer then.
    connect(FPageControl1, &QStackedWidget::currentChanged, this, &TProgrammingForm::PageControl1Change);

    // Construction proper.
    FDeviceDescription.clear();
    ShowPage(FTabControl1->currentIndex());
    // Every setting starts from the table's default, those kept in the driver too, so
    // that the window and vesk start from the same values.
    vesk::SetToDefaults(PublishedProperties());
    ResetProgress();
    SetLamp(lsGrey);
    SetBusy(false);

    // The enabling rules run whenever the application is about to wait for the
    // next event, i.e. after every user event and state change.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &TProgrammingForm::ActionUpdateUpdate);
    FDevice.OnProcessMessages = [] { ProcessMessages(); };

    // Construction is complete: the owner's creation event places and loads
    // the settings file. The port before it is the one nobody chose.
    FDefaultComPort = ComPort();
    DoCreate();
    FLoadedSettings = FStorage.SaveText();
}

TProgrammingForm::~TProgrammingForm() {
    // Destruction event: the settings are saved while the driver still exists.
    DoDestroy();
    // The terminal lets go of the window's port before the port goes.
    disconnect(FPageControl1, nullptr, this, nullptr); // the pages go after this body
    FTerminalPage->ComTerminal1->SetComPort(nullptr);
    FTerminalPort.reset();
    FDevice.OnProcessMessages = nullptr;
    FDevice.OnProgress = nullptr;
    // The chips go with the window: the driver keeps none of them.
    FDevice.ForgetSessions();
    FDevice.SetCatalogue(nullptr);
}

void TProgrammingForm::ConfigureStorage() {
    vesk::SetUpSettingsFile(FStorage);
    FStorage.SetActive(true);
    FStorage.SetPrefix("Data_");
    FStorage.SetSignature("ProgrammingFormDataFileSignature");
    // An installed program's folder cannot be written: the user's own file then.
    FStorage.SetUserFileFallback(true);
    FStorage.OnSaveFailed = [this](const std::string& message) { TellSaveFailure(message); };
    // The storage places the file beside the executable; a folder given at
    // construction is kept instead.
    if (FProgramDirectory != QString::fromStdString(vesk::ProgramDirectory())) {
        FStorage.SetUseFilePath(true);
        FStorage.SetFilePath(FProgramDirectory.toStdString());
    }
    FStorage.Loaded();
}

void TProgrammingForm::ConfigureTerminalPort() {
    // Custom baud rate, 8 data bits, no parity, one stop bit, no flow control,
    // DTR and RTS held inactive; the name and the rate are set on every connect.
    vesk::TComPort& port = *FTerminalPort;
    port.SetPort("COM1");
    port.SetBaudRate(vesk::brCustom);
    port.SetCustomBaudRate(9600);
    port.SetDataBits(vesk::dbEight);
    port.SetParity(vesk::TComParity{});
    port.SetStopBits(vesk::sbOneStopBit);
    port.SetFlowControl(vesk::TComFlowControl{});
}

QString TProgrammingForm::ExceptionText(const std::exception& error) {
    if (const auto* own = dynamic_cast<const vesk::Exception*>(&error))
        return QString::fromStdString(own->Message());
    return QString::fromLocal8Bit(error.what());
}

void TProgrammingForm::Guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ShowApplicationError(ExceptionText(e));
    }
}

void TProgrammingForm::ShowError(const QString& message) {
    FDialogs->ShowError(this, message);
}

void TProgrammingForm::ShowApplicationError(const QString& message) {
    FDialogs->ShowApplicationError(this, ApplicationTitle(), ErrorBoxText(message));
}

// ---- Settings at close --------------------------------------------------------

void TProgrammingForm::TellSaveFailure(const std::string& message) {
    if (FSaveFailureTold) return;
    FSaveFailureTold = true;
    std::fprintf(stderr, "%s: settings not saved to %s\n%s\n", qPrintable(ApplicationTitle()),
                 FStorage.FullFileName().c_str(), message.c_str());
}

void TProgrammingForm::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (FStorage.SaveText() == FLoadedSettings) return; // nothing to lose
    try {
        FStorage.Save(false);
        FLoadedSettings = FStorage.SaveText();
    } catch (const std::exception& e) {
        TellSaveFailure(e.what());
        ShowApplicationError(QStringLiteral("Settings not saved to ") +
                             QString::fromStdString(FStorage.FullFileName()) + QLatin1Char('\n') +
                             QString::fromLocal8Bit(e.what()));
    }
}

// ---- First showing --------------------------------------------------------------

void TProgrammingForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FShown) {
        FShown = true;
        // After the window has appeared, as the toolkit's show event does.
        QTimer::singleShot(0, this, [this] {
            Guarded([this] { FormShow(); });
            emit FormShown();
        });
    }
}

void TProgrammingForm::FormShow() {
    FMainPage->lblDevice->setText(QStringLiteral("Unknown"));
    {
        const QSignalBlocker block(FMainPage->cbxImageFile);
        FMainPage->cbxImageFile->clear();
        FMainPage->cbxImageFile->addItems(FRecentFiles);
        FMainPage->cbxImageFile->setEditText(FImageFileName);
    }
    // The buffer view is bound to its grid at construction.
    FCommittedImageName = FImageFileName;
    try {
        FImage->Load(FImageFileName.toStdString());
    } catch (...) {
        // A remembered image that cannot be loaded is not reported.
    }
    UpdateImageWatch();
    ChooseSolePort();
    ShowSettingsControls();
    FillTargetTypes(); // an error ends FormShow here: no automatic detection
    FTimer1->start(StartupDetectDelayMs);
}

void TProgrammingForm::FillTargetTypes() {
    QComboBox* targets = FMainPage->cbxTargetType;
    targets->blockSignals(true);
    targets->clear();
    targets->addItem(QStringLiteral("<Autodetect>"), QVariant::fromValue<void*>(nullptr));
    targets->blockSignals(false);
    // A list filled again replaces the chips: the driver lets go of the old ones first.
    FDevice.ForgetSessions();
    FChips = std::make_unique<vesk::TChipCatalogue>();
    FDevice.SetCatalogue(FChips.get());
    FChips->LoadWithUser(FProgramDirectory.toStdString());
    const QSignalBlocker block(targets);
    for (const auto& chip : FChips->Chips()) {
        targets->addItem(QString::fromStdString(chip->Name),
                         QVariant::fromValue<void*>(const_cast<vesk::TChipDefinition*>(chip.get())));
        // A device ID shared with other parts: the list says so where the chip is chosen.
        const std::string note = vesk::SameDeviceIdNote(*FChips, *chip);
        if (!note.empty())
            targets->setItemData(targets->count() - 1, QString::fromStdString(chip->Name + note),
                                 Qt::ToolTipRole);
    }
    targets->setCurrentIndex(0);
    ShowTargetHint();
}

void TProgrammingForm::Timer1Timer() {
    FTimer1->stop();
    // The detection of its own accord: a programmer not found is told in the Device
    // group, not by a box the user did not ask for. The Detect button shows the box.
    try {
        DetectDevice();
    } catch (const std::exception& e) {
        ShowDetectFailure(ExceptionText(e));
    }
}

void TProgrammingForm::btnDetectClick() {
    Guarded([this] { DetectDevice(); });
}

// ---- The programmer's port on a first start, and the detection's failure ----------------

void TProgrammingForm::ChooseSolePort() {
    // The port nobody chose: the driver's default name, which the port list never shows
    // here. One USB serial adapter plugged in is then the programmer's.
    if (ComPort() != FDefaultComPort) return;
    try {
        const std::string sole = FComDeviceRoot.isEmpty()
                                     ? vesk::SoleUsbComPort()
                                     : vesk::SoleUsbComPort(FComDeviceRoot.toStdString());
        if (!sole.empty()) SetComPort(QString::fromStdString(sole));
    } catch (const std::exception&) {
        // No port list: the default stays, and the detection tells what it finds.
    }
}

void TProgrammingForm::ShowDetectFailure(const QString& message) {
    FDetectFailure = QStringLiteral("Programmer not found on %1").arg(ComPort());
    ElideDetectFailure();
    FMainPage->lblDevice->setToolTip(message);
    FMainPage->btnPortSettings->setVisible(true);
    ResetProgress();
    SetLamp(lsRed);
    ActionUpdateUpdate();
}

// A long port name (a /dev/serial/by-id/ one) loses its middle rather than its end.
void TProgrammingForm::ElideDetectFailure() {
    QLabel* label = FMainPage->lblDevice;
    label->setText(label->fontMetrics().elidedText(FDetectFailure, Qt::ElideMiddle, label->width()));
}

void TProgrammingForm::ClearDetectFailure() {
    FDetectFailure.clear();
    FMainPage->lblDevice->setToolTip(QString());
    FMainPage->btnPortSettings->setVisible(false);
}

void TProgrammingForm::btnPortSettingsClick() {
    FTabControl1->setCurrentIndex(pgSettings); // its change handler shows the page
    FSettingsPage->cbxComPort->setFocus();
}

// ---- Pages ----------------------------------------------------------------------

void TProgrammingForm::ShowPage(int index) {
    if (index < 0 || index >= FPageControl1->count()) return;
    FPageControl1->setCurrentIndex(index);
}

void TProgrammingForm::ShowMainPage() {
    ShowPage(pgMain);
    const QSignalBlocker block(FTabControl1);
    FTabControl1->setCurrentIndex(pgMain);
}

void TProgrammingForm::PageControl1Change(int index) {
    const int previous = std::exchange(FPageShown, index);
    if (previous == pgTerminal && index != pgTerminal) tabDebugHide();
    if (index == pgTerminal && previous != pgTerminal) tabDebugShow();
}

void TProgrammingForm::TabControl1Change(int index) {
    Guarded([this, index] {
        if (index == pgBuffer) {
            ShowPage(index);
            ProcessMessages();
            RefreshBufferView();
        } else {
            ShowPage(index);
        }
        ActionUpdateUpdate();
    });
}

void TProgrammingForm::imgStateDblClick() {
    if (FDebugLevel > 0) ShowPage(pgTerminal); // the tab strip keeps its tab
}

void TProgrammingForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (FAboutPage && FAboutPage->VersionMemo->isVisible()) FAboutPage->VersionMemo->viewport()->update();
}

bool TProgrammingForm::eventFilter(QObject* watched, QEvent* event) {
    // The About text never keeps the focus: it goes on to the tab strip.
    if (watched == FAboutPage->VersionMemo && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, FTabControl1, [this] { FTabControl1->setFocus(); });
    if (watched == FMainPage->lblDevice && event->type() == QEvent::Resize && !FDetectFailure.isEmpty())
        ElideDetectFailure();
    if ((watched == FMainPage->cbxImageFile || watched == FMainPage->cbxImageFile->lineEdit()) &&
        ImageBoxEvent(event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// ---- Lamp, progress, recent files -------------------------------------------------

void TProgrammingForm::SetLamp(int picture) {
    FMainPage->imgState->SetPicture(picture);
}

int TProgrammingForm::LampPicture() const {
    return FMainPage->imgState->Picture();
}

void TProgrammingForm::ShowProgress(const vesk::ops::TProgress& progress) {
    const int percentage = progress.Total > 0 ? int(int64_t(progress.Done) * 100 / progress.Total) : 0;
    FMainPage->ProgressBar1->setValue(percentage % 100);
    // Every fourth word lets a Stop through.
    if ((progress.Done + 1) % 4 == 0) ProcessMessages();
}

void TProgrammingForm::ResetProgress() {
    FMainPage->ProgressBar1->setValue(0);
}

void TProgrammingForm::SetRecentFiles(const QStringList& value) {
    if (&value == &FRecentFiles) return;
    FRecentFiles = value;
}

void TProgrammingForm::AddRecentFile(const QString& name) {
    if (FRecentFiles.contains(name, Qt::CaseInsensitive)) return;
    FRecentFiles.prepend(name);
    if (FRecentFiles.size() > MaxRecentFiles) FRecentFiles.removeLast();
    const QSignalBlocker block(FMainPage->cbxImageFile);
    const QString text = FMainPage->cbxImageFile->currentText();
    FMainPage->cbxImageFile->clear();
    FMainPage->cbxImageFile->addItems(FRecentFiles);
    FMainPage->cbxImageFile->setEditText(text);
}

// ---- Enabling rules ------------------------------------------------------------------

void TProgrammingForm::SetBusy(bool busy) {
    FBusy = busy;
    A.atnStop->setEnabled(busy);
}

void TProgrammingForm::ActionUpdateUpdate() {
    try {
        const bool busy = FBusy;
        const bool known = !FDeviceDescription.isEmpty();
        const bool chip = FDevice.Target() != nullptr;
        auto enable = [](auto* object, bool on) {
            if (object->isEnabled() != on) object->setEnabled(on);
        };
        enable(FMainPage->btnDetect, !busy);
        enable(FMainPage->cbxTargetType, !busy);
        for (QAction* action :
             {A.atnErase, A.atnProgram, A.atnProgramCode, A.atnProgramData, A.atnProgramFuses,
              A.atnClearBuffer, A.atnRead, A.atnReadCode, A.atnReadData, A.atnReadFuses, A.atnVerify,
              A.atnVerifyCode, A.atnVerifyData, A.atnVerifyFuses, A.atnDetectTarget})
            enable(action, !busy && known);
        enable(A.atnRunTarget, !busy && known && chip);
        enable(A.atnBrowseFile, !busy);
        enable(FBufferPage->actSaveBuffer, !busy);
        enable(FBufferPage->ConfigView, !busy);
        enable(FTabControl1, !busy);
        enable(FTerminalPage->sbPassThrough, known);
        enable(FTerminalPage->sbClearTerminal, known);
        // The arrow buttons follow the main button they belong to.
        enable(FMainPage->sbProgramMenu, A.atnProgram->isEnabled());
        enable(FMainPage->sbReadMenu, A.atnRead->isEnabled());
        enable(FMainPage->sbVerifyMenu, A.atnVerify->isEnabled());
    } catch (...) {
        // Errors in the enabling rules are swallowed.
    }
}
