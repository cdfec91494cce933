// Helpers of the window tests: a program folder of its own with the driver and
// the window created and destroyed in the program's order, and the same with the
// simulated programmer attached - over a pseudo-terminal end to end, or with the
// driver's line in the same process on simulated time.
#pragma once

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "AboutPage.h"
#include "BufferPage.h"
#include "MainPage.h"
#include "ProgrammingForm.h"
#include "RecordingDialogs.h"
#include "SettingsPage.h"
#include "TerminalPage.h"
#include "chipdef/ChipDefinition.h"
#include "driver/DeviceVESK1.h"
#include "sim/PtySimulator.h"
#include "sim/SimulatedLine.h"

inline const QString SourceDir = QStringLiteral(VESK_SOURCE_DIR);

inline QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

inline void WriteText(const QString& path, const QString& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

// Waits until the application is about to wait for its next event, which is when
// the window's enabling rules run; events already queued are handled first.
inline bool WaitIdle() {
    QSignalSpy idle(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock);
    return idle.wait(5000);
}

inline void CopyChip(const QString& name, const QString& directory) {
    QVERIFY(QFile::copy(SourceDir + QStringLiteral("/chips/") + name, directory + QLatin1Char('/') + name));
}

// A program folder of its own, the driver and the window, created and
// destroyed in the order of the program's start-up and shutdown.
class TWindowRun {
  public:
    // The user's data folder (the memory of calibration values) is the run's own.
    TWindowRun() {
        QVERIFY(Dir.isValid());
        qputenv("XDG_DATA_HOME", Dir.path().toUtf8());
    }
    ~TWindowRun() { Close(); }

    QString Path(const QString& name) const { return Dir.filePath(name); }
    QString IniPath() const { return Path(QStringLiteral("WinVESK.ini")); }

    // The driver on `transport` (the serial port when none is given), then the window.
    TProgrammingForm& Create(std::unique_ptr<vesk::TTransport> transport = nullptr) {
        Device = transport ? std::make_unique<vesk::TDeviceVESK1>(std::move(transport))
                           : std::make_unique<vesk::TDeviceVESK1>();
        Form = std::make_unique<TProgrammingForm>(*Device, Dir.path(), &Dialogs);
        // No ports of the machine the tests run on: a first start chooses none.
        Form->SetComDeviceRoot(Path(QStringLiteral("no-system")));
        return *Form;
    }
    // Shows the window and waits for FormShow; with `keepTimer` false the
    // start-up detection is held back.
    bool Show(bool keepTimer = false) {
        QSignalSpy shown(Form.get(), &TProgrammingForm::FormShown);
        Form->show();
        if (!shown.wait(5000)) return false;
        if (!keepTimer) Form->Timer1()->stop();
        return true;
    }
    // The window (with its chips) first, then the driver.
    void Close() {
        Form.reset();
        Device.reset();
    }

    QTemporaryDir Dir;
    TRecordingDialogs Dialogs;
    std::unique_ptr<vesk::TDeviceVESK1> Device;
    std::unique_ptr<TProgrammingForm> Form;
};

inline QString ShippedChip(const char* name) {
    return SourceDir + QStringLiteral("/chips/") + QLatin1String(name);
}

// How the driver reaches the simulated programmer: through its pseudo-terminal, as the
// program does (end to end), or over a simulated line in the same process, where no
// wait costs wall time (the Terminal page still uses the pseudo-terminal).
enum class TDriverLine { Pty, InProcess };

// The simulated programmer with a target chip (a PIC16F628A unless given), and a
// program folder that holds that chip's definition file and whose settings point
// the window at the simulator.
class TSimulatedRun : public TWindowRun {
  public:
    explicit TSimulatedRun(const QString& chipFile = ShippedChip("ChipDef_PIC16F628A.ini"),
                           const vesk::sim::TOptions& options = {}, TDriverLine line = TDriverLine::Pty)
        : Line(line) {
        Chip.LoadFromFile(chipFile.toStdString());
        Options = options;
        Simulator = std::make_unique<vesk::sim::TPtySimulator>(Chip, options);
        Simulator->Start();
        QVERIFY(QFile::copy(chipFile, Path(QFileInfo(chipFile).fileName())));
    }
    ~TSimulatedRun() {
        Close();
        Simulator->Stop();
    }
    void WriteSettings(const QString& extra = QString()) {
        WriteText(IniPath(), QStringLiteral("[DIRUD]\nComPort=%1\n%2")
                                 .arg(QString::fromStdString(Simulator->SlavePath()), extra));
    }
    TProgrammingForm& Create() {
        if (Line == TDriverLine::Pty) return TWindowRun::Create();
        auto line = std::make_unique<vesk::sim::TSimulatedLine>(*Simulator);
        SimulatedLine = line.get();
        return TWindowRun::Create(std::move(line));
    }
    // Another programmer with the target memory as it is, as the user plugs the adapter
    // in again: a new pseudo-terminal, and the driver's simulated line plugged into it.
    void Replug() {
        auto next = std::make_unique<vesk::sim::TPtySimulator>(Chip, Options);
        for (const vesk::TChipRegion& region : Chip.Regions)
            for (int32_t i = 0; i < region.Size; ++i)
                next->SetWord(region.Start + i, Simulator->Word(region.Start + i));
        Simulator->Stop();
        Simulator = std::move(next);
        Simulator->Start();
        if (SimulatedLine != nullptr) SimulatedLine->Plug(*Simulator);
    }
    // Shows the window and waits for the start-up detection. In the same process the
    // start-up timer runs out at once, as every wait there does.
    bool ShowDetected() {
        if (Line == TDriverLine::InProcess) {
            if (!Show(false)) return false;
            Form->Timer1Timer();
            return !Form->DeviceDescription().isEmpty();
        }
        if (!Show(true)) return false;
        return QTest::qWaitFor(
                   [this] { return !Form->DeviceDescription().isEmpty() || !Dialogs.Log.isEmpty(); },
                   10000) &&
               !Form->DeviceDescription().isEmpty();
    }

    TDriverLine Line;
    vesk::TChipDefinition Chip;
    vesk::sim::TOptions Options;
    std::unique_ptr<vesk::sim::TPtySimulator> Simulator;
    // The driver's line in the same process, or null.
    vesk::sim::TSimulatedLine* SimulatedLine = nullptr;
};

// The same with the driver's line in the same process.
class TInProcessRun : public TSimulatedRun {
  public:
    explicit TInProcessRun(const QString& chipFile = ShippedChip("ChipDef_PIC16F628A.ini"),
                           const vesk::sim::TOptions& options = {})
        : TSimulatedRun(chipFile, options, TDriverLine::InProcess) {}
};
