// The main window of the program: five pages (Main, Buffer, Terminal, Settings,
// About) switched by a tab strip at the bottom, the programming actions with
// their enabling rules, the state lamp, the recent image files and the
// published properties that its settings storage keeps in "WinVESK.ini" beside
// the program: the seventeen of the first release first, in their order, then
// the image watch's switch and the window's size and place.
//
// Each page is a class of its own (MainPage.h, BufferPage.h, TerminalPage.h,
// SettingsPage.h, AboutPage.h) that builds and holds its controls; the window
// binds them to its handlers, runs the operations and keeps the settings.
//
// The window is the storage's owner: its published properties are the rows of
// the settings table (storage/SettingsTable.h), each bound to the window's
// accessors below. Six of them forward to the driver.
//
// Every modal dialog goes through a `TDialogs` seam, and the folder the window
// reads its files from (settings, chip definitions) can be given at
// construction, so tests run unattended in a folder of their own.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include "FormActions.h"
#include "chipdef/ConfigWords.h"
#include "hexfile/ImageFileWatch.h"
#include "storage/AppDataStorage.h"
#include "storage/CalibrationMemory.h"
#include "storage/PublishedOwner.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class QStackedWidget;
class QTabBar;
class QTimer;
class QVBoxLayout;
class QWidget;

class TAboutPage;
class TBufferPage;
class TDialogs;
class TMainPage;
class TSettingsPage;
class TTerminalPage;

namespace vesk {
class TChipCatalogue;
class TChipDefinition;
class TComPort;
class TComTerminal;
class TDeviceVESK1;
class TIntelHexFile;
} // namespace vesk
namespace vesk::ops {
struct THooks;
struct TProgress;
struct TRequest;
} // namespace vesk::ops

// Page indices; the tab strip's tabs match the pages by position.
enum TFormPage { pgMain = 0, pgBuffer = 1, pgTerminal = 2, pgSettings = 3, pgAbout = 4 };

class TProgrammingForm : public QMainWindow, public vesk::TPublishedOwner {
    Q_OBJECT
  public:
    // `programDirectory` is where "WinVESK.ini" and the chip definition files
    // are looked for; empty means the directory of the running executable.
    // `dialogs` replaces the real dialogs (tests); null means real dialogs.
    // The settings are loaded at the end of construction.
    explicit TProgrammingForm(vesk::TDeviceVESK1& device, const QString& programDirectory = QString(),
                              TDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    // Saves the settings first, while every property can still be read.
    ~TProgrammingForm() override;

    // ---- Published properties, in declaration order ---------------------------
    QString ImageFileName() const { return FImageFileName; }
    void SetImageFileName(const QString& value) { FImageFileName = value; }
    QString ComPort() const; // driver
    void SetComPort(const QString& value);
    int32_t ComReadTimeout() const; // driver
    void SetComReadTimeout(int32_t value);
    int32_t ProgramDelay() const; // driver
    void SetProgramDelay(int32_t value);
    QString DeviceID() const; // driver
    void SetDeviceID(const QString& value);
    int32_t VeskBaudRate() const { return FVeskBaudRate; }
    void SetVeskBaudRate(int32_t value) { FVeskBaudRate = value; }
    bool PassThroughEnter() const { return FPassThroughEnter; }
    void SetPassThroughEnter(bool value) { FPassThroughEnter = value; }
    int32_t PassThroughLines() const { return FPassThroughLines; }
    void SetPassThroughLines(int32_t value) { FPassThroughLines = value; }
    int32_t PassThroughPolarity() const { return FPassThroughPolarity; }
    void SetPassThroughPolarity(int32_t value) { FPassThroughPolarity = value; }
    QStringList RecentFiles() const { return FRecentFiles; }
    void SetRecentFiles(const QStringList& value);
    bool FixDataWriteError() const; // driver
    void SetFixDataWriteError(bool value);
    bool FixFusesWriteError() const; // driver
    void SetFixFusesWriteError(bool value);
    int32_t DebugLevel() const { return FDebugLevel; }
    void SetDebugLevel(int32_t value) { FDebugLevel = value; }
    bool UseBuiltInTerminal() const { return FUseBuiltInTerminal; }
    void SetUseBuiltInTerminal(bool value) { FUseBuiltInTerminal = value; }
    int32_t TerminalBaudRate() const { return FTerminalBaudRate; }
    void SetTerminalBaudRate(int32_t value) { FTerminalBaudRate = value; }
    bool TerminalLocalEcho() const; // the terminal view's local echo
    void SetTerminalLocalEcho(bool value);
    bool VerifyAfterWrite() const { return FVerifyAfterWrite; }
    void SetVerifyAfterWrite(bool value) { FVerifyAfterWrite = value; }
    // After the seventeen: "Write when the image file changes".
    bool WriteOnImageChange() const { return FWriteOnImageChange; }
    void SetWriteOnImageChange(bool value);
    // The window's size, "width,height" of its inside, with ",maximized" when it is;
    // and its place, "left,top" of its inside on the desktop. Both are those of the
    // window as it is when not maximized. Reading them back places the window so,
    // kept on the screens there are and no larger than the screen.
    QString WindowSize() const;
    void SetWindowSize(const QString& value);
    QString WindowPlace() const;
    void SetWindowPlace(const QString& value);

    // The storage's view of the window: the properties above, in the order of the
    // settings table.
    std::vector<vesk::TPublishedProperty> PublishedProperties() override;

    // ---- State -----------------------------------------------------------------
    // Empty until a programmer has been identified: "<type> version <version>".
    QString DeviceDescription() const { return FDeviceDescription; }
    // Puts a name at the top of RecentFiles unless it is there already (letter
    // case ignored); keeps the ten newest; refreshes the image list.
    void AddRecentFile(const QString& name);
    // The enabling rules; run whenever the application goes idle and after
    // every state change.
    void ActionUpdateUpdate();
    // Processes pending window messages.
    static void ProcessMessages();
    // The message of an error as the dialogs show it.
    static QString ExceptionText(const std::exception& error);

    vesk::TDeviceVESK1& Device() const { return FDevice; }
    // Where the ports and what the system knows of them are read when the window
    // chooses the port on a first start (tests give a prepared tree); empty: the
    // system's own.
    void SetComDeviceRoot(const QString& root) { FComDeviceRoot = root; }
    // The time the image watch is told; tests give their own clock.
    std::function<vesk::TImageFileWatch::TClock::time_point()> WatchClock = [] {
        return vesk::TImageFileWatch::TClock::now();
    };
    // The Terminal page's own serial port (not the driver's).
    vesk::TComPort& TerminalPort() const { return *FTerminalPort; }
    vesk::TAppDataStorage& Storage() { return FStorage; }
    TDialogs& Dialogs() const { return *FDialogs; }
    QString ProgramDirectory() const { return FProgramDirectory; }

    // Shows the running step's progress on the bar; a finished step leaves it empty.
    void ShowProgress(const vesk::ops::TProgress& progress);
    void ResetProgress();
    void SetLamp(int picture);
    int LampPicture() const;

    // ---- Operations (bound to the actions) ---------------------------------------
    bool ProgramTarget(int16_t code);
    bool ReadTarget(int16_t code);
    bool VerifyTarget(int16_t code);
    void EraseTarget();
    void ClearBuffer();
    void RunTarget();
    void DetectTarget();
    void DetectDevice();
    void BrowseFile();
    // The name in the image box is the user's choice (Enter, leaving the box, a list
    // entry, Browse, a drop): the file is loaded (an error goes to the standard error
    // box) and watched. Unless `always`, nothing happens for the name chosen last.
    void CommitImageName(const QString& name, bool always);
    // "Save buffer to image file": the selected chip's buffer as an Intel HEX file.
    void SaveBuffer();
    // "Save terminal text…": the scroll-back and the screen as a text file.
    void SaveTerminalText();
    void StopOperation();
    void EnterPassThroughMode();
    void RefreshBufferView();
    // The configuration view of the Buffer page (ProgrammingFormConfig.cpp). The
    // settings the user changes there are kept per chip and put into the buffer at
    // once and again after every load of the image file into it (Write, Load buffer),
    // so that the Write's fresh read of the file does not lose them; "Drop changes"
    // forgets them and loads the file again.
    void ConfigSettingChosen(const QString& field, const QString& option);
    void DropConfigChanges();
    // The settings changed on the Buffer page for the selected chip.
    vesk::TConfigSettings ConfigChanges() const;
    // Shows an error of an operation: beep and the "Error" dialog.
    void ShowError(const QString& message);
    // Shows an error that escaped an event handler in the application's
    // standard error box.
    void ShowApplicationError(const QString& message);

    // The pages, each with its controls; the shared frame: the tab strip, the
    // page stack and the start-up timer; the actions.
    TMainPage& MainPage() const { return *FMainPage; }
    TBufferPage& BufferPage() const { return *FBufferPage; }
    TTerminalPage& TerminalPage() const { return *FTerminalPage; }
    TSettingsPage& SettingsPage() const { return *FSettingsPage; }
    TAboutPage& AboutPage() const { return *FAboutPage; }
    // The page at a page index (TFormPage).
    QWidget* Page(int index) const;
    QTabBar* TabControl1() const { return FTabControl1; }
    QStackedWidget* PageControl1() const { return FPageControl1; }
    QTimer* Timer1() const { return FTimer1; }
    // Looks at the watched image file every 100 ms (tmrImageWatchTimer).
    QTimer* ImageWatchTimer() const { return FImageWatchTimer; }
    const TFormActions& Actions() const { return A; }
    // True while an operation runs (Write, Read, Verify, Erase); Stop is enabled then.
    bool Busy() const { return FBusy; }

  signals:
    // The first showing has run FormShow (tests wait for it).
    void FormShown();

  public slots:
    void FormShow();
    void Timer1Timer();
    // The image watch: a change that settled as a whole image is written as the
    // Write button writes, at once or as soon as the running operation has ended.
    void tmrImageWatchTimer();
    void chbWriteOnImageChangeClick();
    // The Device group's way to the Settings page.
    void btnPortSettingsClick();
    void TabControl1Change(int index);
    void imgStateDblClick();
    void btnDetectClick();
    void cbxTargetTypeChange(int index);
    void cbxImageFileChange(const QString& text);
    // Settings page change handlers
    void cbxComPortChange();
    void cbxVeskBaudRateChange();
    void udProgramDelayChange();
    void rbLinesClick();
    void rbPolarityClick();
    void chbUseBuiltInTerminalClick();
    void cbxTerminalBaudRateChange(const QString& text);
    void chbFixFusesWriteErrorClick();
    void chbFixDataWriteErrorClick();
    // Main and Terminal page check boxes
    void chbVerifyAfterWriteClick();
    void chbPassThroughEnterClick();
    void chbLocalEchoClick();
    // Terminal and Buffer page tool buttons
    void btnPassThroughClick();
    void tabDebugShow();
    void tabDebugHide();
    // The page stack changed its page: leaving or choosing the Terminal page.
    void PageControl1Change(int index);
    void btnClearTerminalClick();
    void btnLoadBufferClick();
    void btnSaveBufferClick();

  protected:
    void showEvent(QShowEvent* event) override;
    // Saves changed settings at once, so that a save that cannot be made is
    // told while the user is still there.
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A local file dropped onto the window becomes the image.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The actions and the frame with its pages (ProgrammingFormLayout.cpp); the
    // pages' controls bound to the handlers (ProgrammingFormPages.cpp).
    void CreateActions();
    void CreatePages();
    void CreateTabStrip(QWidget* central, QVBoxLayout* layout);
    void ConnectMainPage();
    void ConnectBufferPage();
    void ConnectTerminalPage();
    void ConnectSettingsPage();
    void ConnectAboutPage();
    // Marks an operation as running or ended; Stop follows.
    void SetBusy(bool busy);
    // An operation that holds the programmer begins: no stop requested, busy, and the
    // window shows it at once. It ends: not busy, the bar reset, the lamp green or red.
    void BeginBusy();
    void EndBusy(bool ok);
    void ConfigureStorage();
    // The image box's keys, focus and drops (eventFilter).
    bool ImageBoxEvent(QEvent* event);
    // The one file of a drag, or "" when it brings anything else.
    static QString DroppedFile(const QMimeData* data);
    void DropImage(const QString& file);
    // Start-up: the port on a first start, the detection without a box.
    void ChooseSolePort();
    void ShowDetectFailure(const QString& message);
    void ElideDetectFailure();
    void ClearDetectFailure();
    // The image watch: armed for the chosen name while the switch is on.
    void UpdateImageWatch();
    void RunWatchedWrite();
    void ShowWatchState(const QString& state, const QString& detail = QString());
    bool MayWriteNow() const;
    void TellSaveFailure(const std::string& message);
    void ConfigureTerminalPort();
    void ShowSettingsControls();
    void FillTargetTypes();
    void SelectTargetItem();
    // The target list's hint names the chips that share the selected chip's device ID:
    // an identified target may be any of them.
    void ShowTargetHint();
    void ShowPage(int index);
    void ShowMainPage();
    // Runs an event handler's body; an error that escapes it is shown in the
    // application's standard error box and the program carries on.
    void Guarded(const std::function<void()>& body);
    // The frame shared by Write, Read and Verify: `operation` runs with the hooks given.
    bool RunRegionOperation(const std::function<void(const vesk::ops::THooks&)>& operation,
                            bool passThroughAfter);
    // The hooks of the guarded operations: the stop request renewed after Open, the
    // target list brought in line with the driver once connected, the calibration
    // dialog and the memory of calibration values, the error dialog (`ok` turns
    // false), and an error of the Close after it, which runs `finish` before it
    // escapes (`closeFailed` turns true), so the window never stays busy.
    vesk::ops::THooks GuardedHooks(bool& ok, bool& closeFailed, const std::function<void()>& finish);
    // The image file is in the chip's buffer: the settings changed on the Buffer page
    // go in. Returns the configuration words so read.
    vesk::TConfigBuffer ApplyConfigChanges(vesk::TChipSession& session);
    // The image file is in the buffer for a write of `code`: the changes go in, and a
    // write that turns on code or data protection asks whether to go on; false when
    // the user says No.
    bool ConfirmConfigWrite(int16_t code);
    void RefreshConfigView();
    // The regions, the write's verify, the programmer's speed and the pass-through
    // lines of an operation, from the window's settings.
    vesk::ops::TRequest Request(int16_t code) const;

    vesk::TDeviceVESK1& FDevice;
    // The chips of the target list, loaded on the first showing; the driver detects
    // against them.
    std::unique_ptr<vesk::TChipCatalogue> FChips;
    std::unique_ptr<TDialogs> FOwnDialogs;
    TDialogs* FDialogs = nullptr;
    QString FProgramDirectory;
    std::unique_ptr<vesk::TIntelHexFile> FImage;
    std::unique_ptr<vesk::TComPort> FTerminalPort;
    // The memory of calibration values, in the user's data folder.
    vesk::TCalibrationMemory FCalibrations;

    // Own published properties; the constructor gives them the settings table's defaults.
    QString FImageFileName;
    int32_t FVeskBaudRate = 0;
    bool FPassThroughEnter = false;
    int32_t FPassThroughLines = 0;
    int32_t FPassThroughPolarity = 0;
    QStringList FRecentFiles;
    int32_t FDebugLevel = 0;
    bool FUseBuiltInTerminal = false;
    int32_t FTerminalBaudRate = 0;
    bool FVerifyAfterWrite = false;
    bool FWriteOnImageChange = false;

    QString FDeviceDescription;
    bool FShown = false;
    int FPageShown = pgMain;     // the page stack's current page
    std::string FLoadedSettings; // the settings as the storage would write them after the load
    bool FSaveFailureTold = false;
    bool FStopRequested = false; // Stop or Esc during the running operation
    bool FBusy = false;          // an operation runs
    bool FUpdatingControls = false;
    QString FCommittedImageName; // the image name last chosen
    QString FComDeviceRoot;
    QString FDefaultComPort; // the driver's port before the settings were read
    QString FDetectFailure;  // "Programmer not found on ..." while the Device group tells it
    vesk::TImageFileWatch FImageWatch;
    bool FWatchedWritePending = false; // a settled change waits for the running operation
    // The settings changed on the Buffer page, per chip (chips live for the whole run).
    std::map<const vesk::TChipDefinition*, vesk::TConfigSettings> FConfigChanges;
    bool FWriteDeclined = false; // the user said No to the question of the running Write

    TMainPage* FMainPage = nullptr;
    TBufferPage* FBufferPage = nullptr;
    TTerminalPage* FTerminalPage = nullptr;
    TSettingsPage* FSettingsPage = nullptr;
    TAboutPage* FAboutPage = nullptr;
    QTabBar* FTabControl1 = nullptr;
    QStackedWidget* FPageControl1 = nullptr;
    QTimer* FTimer1 = nullptr;
    QTimer* FImageWatchTimer = nullptr;
    TFormActions A;
    QAction* ActionUpdate = nullptr;

    // Declared last: constructed after every field it reads and writes.
    vesk::TAppDataStorage FStorage;
};
