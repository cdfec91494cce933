// Window tests of the main window: start-up with and without a settings file,
// the file written at exit, the recent files, the enabling rules with their
// shortcuts, a malformed chip definition file, the start-up detection against
// the simulated programmer, and the Settings page controls.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTextBrowser>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "ComComboBox.h"
#include "ErrorBox.h"
#include "ProgrammingForm.h"
#include "RecordingDialogs.h"
#include "StateLamp.h"
#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "driver/DeviceVESK1.h"
#include "sim/Simulator.h"

namespace {

const QString SourceDir = QStringLiteral(VESK_SOURCE_DIR);

QString ReadText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void WriteText(const QString& path, const QString& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

void CopyChip(const QString& name, const QString& directory) {
    QVERIFY(QFile::copy(SourceDir + QStringLiteral("/chips/") + name, directory + QLatin1Char('/') + name));
}

// A program folder of its own, the driver and the window, created and
// destroyed in the order of the program's start-up and shutdown.
class TWindowRun {
public:
    TWindowRun() { QVERIFY(Dir.isValid()); }
    ~TWindowRun() { Close(); }

    QString Path(const QString& name) const { return Dir.filePath(name); }
    QString IniPath() const { return Path(QStringLiteral("WinVESK.ini")); }

    TProgrammingForm& Create() {
        Device = std::make_unique<vesk::TDeviceVESK1>();
        Form = std::make_unique<TProgrammingForm>(*Device, Dir.path(), &Dialogs);
        return *Form;
    }
    // Shows the window and waits for FormShow; with `keepTimer` false the
    // start-up detection is held back.
    bool Show(bool keepTimer = false) {
        QSignalSpy shown(Form.get(), &TProgrammingForm::FormShown);
        Form->show();
        if (!shown.wait(5000))
            return false;
        if (!keepTimer)
            Form->Controls().Timer1->stop();
        return true;
    }
    // The window first, then the driver; the chip list is emptied for the next run.
    void Close() {
        Form.reset();
        Device.reset();
        vesk::ChipDefinitions.clear();
    }

    QTemporaryDir Dir;
    TRecordingDialogs Dialogs;
    std::unique_ptr<vesk::TDeviceVESK1> Device;
    std::unique_ptr<TProgrammingForm> Form;
};

// The simulated programmer with a PIC16F628A, and a program folder whose
// settings point the window at it.
class TSimulatedRun : public TWindowRun {
public:
    TSimulatedRun() {
        Chip.LoadFromFile((SourceDir + QStringLiteral("/chips/ChipDef_PIC16F628A.ini")).toStdString());
        Simulator = std::make_unique<vesk::sim::TSimulator>(Chip);
        Simulator->Start();
        CopyChip(QStringLiteral("ChipDef_PIC16F628A.ini"), Dir.path());
    }
    ~TSimulatedRun() {
        Close();
        Simulator->Stop();
    }
    void WriteSettings(const QString& extra = QString()) {
        WriteText(IniPath(), QStringLiteral("[DIRUD]\nComPort=%1\n%2")
                                 .arg(QString::fromStdString(Simulator->SlavePath()), extra));
    }
    // Shows the window and waits for the start-up detection.
    bool ShowDetected() {
        if (!Show(true))
            return false;
        return QTest::qWaitFor([this] { return !Form->DeviceDescription().isEmpty() || !Dialogs.Log.isEmpty(); },
                               10000) &&
               !Form->DeviceDescription().isEmpty();
    }

    vesk::TChipDefinition Chip;
    std::unique_ptr<vesk::sim::TSimulator> Simulator;
};

} // namespace

class ProgrammingFormTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartGivesDefaults();
    void missingPropertiesKeepDefaults();
    void exitWritesTheSeventeenPropertiesInOrder();
    void exclusionListHoldsTheInheritedProperties();
    void elevenRecentNamesKeepTheTenNewest();
    void commandsDisabledBeforeProgrammerIdentified();
    void malformedChipDefinitionSkipsDetection();
    void missingChipDefinitionsStillDetect();
    void startupDetectionFindsSimulatedProgrammer();
    void detectionWithoutAnswerShowsErrorBox();
    void programDelayIsCutToEightBits();
    void writeProgramsTheSimulatedTarget();
    void writeWithMissingImageReportsError();
    void browseUsesTheDialogSeam();
    void clearBufferTurnsLampGreen();
    void settingsControlsWriteTheirProperties();
    void lampDoubleClickNeedsDebugLevel();
    void errorBoxCaptionAndFullStop();
    void layoutCaptionsAndShortcuts();
};

void ProgrammingFormTest::firstStartGivesDefaults() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.VeskBaudRate(), 1);
    QCOMPARE(form.PassThroughEnter(), true);
    QCOMPARE(form.PassThroughLines(), 1);
    QCOMPARE(form.PassThroughPolarity(), 1);
    QCOMPARE(form.TerminalBaudRate(), 9600);
    QCOMPARE(form.VerifyAfterWrite(), false);
    QCOMPARE(form.ComPort(), QStringLiteral("COM1"));
    QCOMPARE(form.ProgramDelay(), 35);
    QCOMPARE(form.ComReadTimeout(), 500);
    QCOMPARE(form.DeviceID(), QStringLiteral("0000"));
    QVERIFY(form.RecentFiles().isEmpty());
    QCOMPARE(form.DebugLevel(), 0);
    QCOMPARE(form.UseBuiltInTerminal(), false);
    QCOMPARE(form.TerminalLocalEcho(), false);
    QCOMPARE(form.ImageFileName(), QString());
    QVERIFY(run.Show());
    const auto& c = form.Controls();
    QCOMPARE(c.cbxVeskBaudRate->currentText(), QStringLiteral("19200"));
    QVERIFY(c.rbLines78->isChecked());
    QVERIFY(c.rbTTL->isChecked());
    QVERIFY(c.chbPassThroughEnter->isChecked());
    QVERIFY(!c.chbVerifyAfterWrite->isChecked());
    QCOMPARE(c.cbxTerminalBaudRate->currentText(), QStringLiteral("9600"));
    QCOMPARE(c.udProgramDelay->value(), 35);
    QCOMPARE(c.cbxComPort->Text(), QStringLiteral("COM1"));
    QCOMPARE(c.lblDevice->text(), QStringLiteral("Unknown"));
    QCOMPARE(form.LampPicture(), int(lsGrey));
    QCOMPARE(c.cbxTargetType->itemText(0), QStringLiteral("<Autodetect>"));
    QCOMPARE(c.cbxTargetType->currentIndex(), 0);
    QVERIFY(run.Dialogs.Log.isEmpty());
    // No settings file before exit; the exit writes one.
    QVERIFY(!QFile::exists(run.IniPath()));
    run.Close();
    QVERIFY(QFile::exists(run.IniPath()));
}

void ProgrammingFormTest::missingPropertiesKeepDefaults() {
    TWindowRun run;
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\n"
                                            "ComPort=/dev/ttyUSB3\n"
                                            "VeskBaudRate=3\n"
                                            "PassThroughLines=0\n"
                                            "RecentFiles=2\n"
                                            "RecentFiles000=/tmp/a.hex\n"
                                            "RecentFiles001=/tmp/b.hex\n"
                                            "TerminalLocalEcho=1\n"));
    TProgrammingForm& form = run.Create();
    // From the file, reaching the driver for the forwarded ones.
    QCOMPARE(form.ComPort(), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(QString::fromStdString(run.Device->ComPort()), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(form.VeskBaudRate(), 3);
    QCOMPARE(form.PassThroughLines(), 0);
    QCOMPARE(form.RecentFiles(), QStringList({"/tmp/a.hex", "/tmp/b.hex"}));
    QCOMPARE(form.TerminalLocalEcho(), true);
    // Absent from the file: defaults.
    QCOMPARE(form.ProgramDelay(), 35);
    QCOMPARE(form.ComReadTimeout(), 500);
    QCOMPARE(form.PassThroughPolarity(), 1);
    QCOMPARE(form.PassThroughEnter(), true);
    QCOMPARE(form.TerminalBaudRate(), 9600);
    QCOMPARE(form.FixDataWriteError(), true);
    QVERIFY(run.Show());
    const auto& c = form.Controls();
    QCOMPARE(c.cbxVeskBaudRate->currentText(), QStringLiteral("57600"));
    QVERIFY(c.rbLines34->isChecked());
    QVERIFY(c.rbTTL->isChecked());
    QVERIFY(c.chbLocalEcho->isChecked());
    // The configured port stays selected although the system does not list it.
    QCOMPARE(c.cbxComPort->Text(), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(c.cbxImageFile->count(), 2);
    QCOMPARE(c.cbxImageFile->itemText(0), QStringLiteral("/tmp/a.hex"));
}

void ProgrammingFormTest::exitWritesTheSeventeenPropertiesInOrder() {
    TWindowRun run;
    // Another section and an unknown entry: both are gone after the exit.
    WriteText(run.IniPath(), QStringLiteral("[Other]\nX=1\n\n[DIRUD]\nNoSuchProperty=5\nDebugLevel=2\n"));
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.DebugLevel(), 2);
    form.SetImageFileName(QStringLiteral("/images/blink.hex"));
    form.SetComPort(QStringLiteral("/dev/ttyUSB0"));
    form.SetProgramDelay(40);
    form.SetVeskBaudRate(4);
    form.SetPassThroughEnter(false);
    form.SetPassThroughPolarity(0);
    form.AddRecentFile(QStringLiteral("/images/first.hex"));
    form.AddRecentFile(QStringLiteral("/images/blink.hex"));
    form.SetFixFusesWriteError(false);
    form.SetUseBuiltInTerminal(true);
    form.SetTerminalBaudRate(31250);
    form.SetVerifyAfterWrite(true);
    run.Close();
    const QString golden = ReadText(SourceDir + QStringLiteral("/app/tests/data/WinVESK_exit.ini"));
    QVERIFY(!golden.isEmpty());
    QCOMPARE(ReadText(run.IniPath()), golden);

    // The file reads back into the same values.
    TProgrammingForm& again = run.Create();
    QCOMPARE(again.ImageFileName(), QStringLiteral("/images/blink.hex"));
    QCOMPARE(again.RecentFiles(), QStringList({"/images/blink.hex", "/images/first.hex"}));
    QCOMPARE(again.TerminalBaudRate(), 31250);
    QCOMPARE(again.FixFusesWriteError(), false);
    QCOMPARE(again.PassThroughEnter(), false);
}

void ProgrammingFormTest::exclusionListHoldsTheInheritedProperties() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    const std::vector<std::string> inherited = TProgrammingForm::InheritedPropertyNames();
    QCOMPARE(inherited.size(), size_t(52));
    const std::vector<vesk::TPublishedProperty> properties = form.PublishedProperties();
    // The inherited properties come first, in the same order.
    for (size_t i = 0; i < inherited.size(); ++i)
        QCOMPARE(properties[i].Name, inherited[i]);
    // Some of them hold values the storage could write (Caption is a string).
    QVERIFY(properties[10].Name == "Caption" && properties[10].Kind == vesk::TPropertyKind::String);
    QCOMPARE(QString::fromStdString(properties[10].GetString()), QStringLiteral("Win VESK 0.9"));
    // Only the exclusion list keeps them out: it holds exactly these names.
    std::vector<std::string> excluded = form.Storage().ExcludeList();
    std::vector<std::string> expected = inherited;
    std::sort(excluded.begin(), excluded.end());
    std::sort(expected.begin(), expected.end());
    QVERIFY(excluded == expected);
    // Without it the inherited values would be written too.
    form.Storage().SetExcludeList({});
    QVERIFY(form.Storage().Save(false));
    const QString all = ReadText(run.IniPath());
    QVERIFY(all.contains(QStringLiteral("Caption=Win VESK 0.9\n")));
    QVERIFY(!all.contains(QStringLiteral("OnShow")));
    form.Storage().SetExcludeList(inherited);
}

void ProgrammingFormTest::elevenRecentNamesKeepTheTenNewest() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    for (int i = 1; i <= 11; ++i)
        form.AddRecentFile(QStringLiteral("/img/file%1.hex").arg(i));
    QStringList expected;
    for (int i = 11; i >= 2; --i)
        expected << QStringLiteral("/img/file%1.hex").arg(i);
    QCOMPARE(form.RecentFiles(), expected);
    // A name already listed, in other letter case, does not move.
    form.AddRecentFile(QStringLiteral("/IMG/FILE5.HEX"));
    QCOMPARE(form.RecentFiles(), expected);
    // The empty name counts like any other.
    form.AddRecentFile(QString());
    QCOMPARE(form.RecentFiles().front(), QString());
    QCOMPARE(form.RecentFiles().size(), 10);
    // The image list follows; its text does not change.
    const auto& c = form.Controls();
    QCOMPARE(c.cbxImageFile->count(), 10);
    QCOMPARE(c.cbxImageFile->itemText(1), QStringLiteral("/img/file11.hex"));
    QCOMPARE(c.cbxImageFile->currentText(), QString());
}

void ProgrammingFormTest::commandsDisabledBeforeProgrammerIdentified() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::qWait(20); // idle: the enabling rules have run
    const auto& a = form.Actions();
    for (QAction* action : a.All()) {
        const bool expected = action == a.atnBrowseFile;
        QVERIFY2(action->isEnabled() == expected, qPrintable(action->objectName()));
    }
    const auto& c = form.Controls();
    for (QPushButton* button : {c.btnProgram, c.btnRead, c.btnVerify, c.btnRun, c.btnStop, c.btnDetectTarget})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    QVERIFY(!c.sbProgramMenu->isEnabled());
    QVERIFY(c.btnDetect->isEnabled());
    QVERIFY(c.btnBrowse->isEnabled());
    QVERIFY(c.cbxTargetType->isEnabled());
    QVERIFY(c.TabControl1->isEnabled());
    QVERIFY(!c.sbPassThrough->isEnabled());
    QVERIFY(!c.sbClearTerminal->isEnabled());

    // Shortcuts of disabled commands do nothing: no operation starts (it would
    // add the image name to the recent files, change the lamp or fail to open
    // the port with a message).
    for (QKeyCombination key : {Qt::CTRL | Qt::Key_F5, Qt::CTRL | Qt::Key_F6, Qt::CTRL | Qt::Key_F7,
                                QKeyCombination(Qt::Key_F9), QKeyCombination(Qt::Key_F4),
                                QKeyCombination(Qt::Key_Escape)})
        QTest::keyClick(&form, key.key(), key.keyboardModifiers());
    QTest::qWait(20);
    QVERIFY(form.RecentFiles().isEmpty());
    QCOMPARE(form.LampPicture(), int(lsGrey));
    QVERIFY(run.Dialogs.Log.isEmpty());
    // The enabled Browse shortcut does reach its command.
    run.Dialogs.ConfirmFile = false;
    QTest::keyClick(&form, Qt::Key_F3);
    QTRY_COMPARE(run.Dialogs.Count(QStringLiteral("open")), 1);

}

void ProgrammingFormTest::malformedChipDefinitionSkipsDetection() {
    TWindowRun run;
    CopyChip(QStringLiteral("ChipDef_PIC16F84A.ini"), run.Dir.path());
    WriteText(run.Path(QStringLiteral("ChipDef_ZBroken.ini")),
              QStringLiteral("[Chip]\nName=BROKEN\nId=zz\nAlgorithm=PIC16\n"));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    const auto& c = form.Controls();
    QCOMPARE(c.cbxTargetType->count(), 1);
    QCOMPARE(c.cbxTargetType->itemText(0), QStringLiteral("<Autodetect>"));
    QVERIFY(!c.Timer1->isActive());
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    const TRecordingDialogs::TShown shown = run.Dialogs.Log.front();
    QCOMPARE(shown.Caption, ApplicationTitle());
    QVERIFY2(shown.Message.startsWith(QStringLiteral("Error loading chip definitions\n")),
             qPrintable(shown.Message));
    QVERIFY2(shown.Message.contains(QStringLiteral("ChipDef_ZBroken.ini")), qPrintable(shown.Message));
    QVERIFY(form.isVisible());
    // No automatic detection follows.
    QTest::qWait(500);
    QCOMPARE(run.Dialogs.Log.size(), 1);
    QCOMPARE(c.lblDevice->text(), QStringLiteral("Unknown"));
    QCOMPARE(form.LampPicture(), int(lsGrey));
}

void ProgrammingFormTest::missingChipDefinitionsStillDetect() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    QCOMPARE(form.Controls().cbxTargetType->count(), 1);
    QVERIFY(form.Controls().Timer1->isActive());
    QVERIFY(run.Dialogs.Log.isEmpty());
}

void ProgrammingFormTest::startupDetectionFindsSimulatedProgrammer() {
    TWindowRun run;
    const QString chipFile = SourceDir + QStringLiteral("/chips/ChipDef_PIC16F628A.ini");
    vesk::TChipDefinition chip;
    chip.LoadFromFile(chipFile.toStdString());
    vesk::sim::TSimulator simulator(chip);
    simulator.Start();
    CopyChip(QStringLiteral("ChipDef_PIC16F628A.ini"), run.Dir.path());
    CopyChip(QStringLiteral("ChipDef_PIC16F84A.ini"), run.Dir.path());
    WriteText(run.IniPath(),
              QStringLiteral("[DIRUD]\nComPort=%1\n").arg(QString::fromStdString(simulator.SlavePath())));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    const auto& c = form.Controls();
    QCOMPARE(c.cbxTargetType->count(), 3);
    QCOMPARE(c.cbxTargetType->itemText(0), QStringLiteral("<Autodetect>"));
    QCOMPARE(c.cbxTargetType->currentIndex(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(c.lblDevice->text(), QStringLiteral("VESK1 version 2.10"), 10000);
    QCOMPARE(form.DeviceDescription(), QStringLiteral("VESK1 version 2.10"));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QTest::qWait(20);
    // The programmer is known: every command but Run (no chip yet) and Stop is on.
    const auto& a = form.Actions();
    for (QAction* action : a.All()) {
        const bool expected = action != a.atnRunTarget && action != a.atnStop;
        QVERIFY2(action->isEnabled() == expected, qPrintable(action->objectName()));
    }
    QVERIFY(c.sbPassThrough->isEnabled());
    QVERIFY(c.sbProgramMenu->isEnabled());
    // Choosing a chip enables Run.
    c.cbxTargetType->setCurrentIndex(1);
    emit c.cbxTargetType->activated(1);
    QVERIFY(run.Device->Target() != nullptr);
    QVERIFY(form.Actions().atnRunTarget->isEnabled());
    run.Close();
    simulator.Stop();
}

void ProgrammingFormTest::detectionWithoutAnswerShowsErrorBox() {
    TWindowRun run;
    const QString chipFile = SourceDir + QStringLiteral("/chips/ChipDef_PIC16F628A.ini");
    vesk::TChipDefinition chip;
    chip.LoadFromFile(chipFile.toStdString());
    vesk::sim::TSimulator simulator(chip);
    vesk::sim::TFaults faults;
    faults.NeverAnswer = true;
    simulator.SetFaults(faults);
    simulator.Start();
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\nComPort=%1\nComReadTimeout=50\n")
                                 .arg(QString::fromStdString(simulator.SlavePath())));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    QTRY_COMPARE_WITH_TIMEOUT(run.Dialogs.Count(QStringLiteral("application")), 1, 10000);
    const QString message = run.Dialogs.Log.front().Message;
    QVERIFY2(message.startsWith(QStringLiteral("VESK wakeup failed")), qPrintable(message));
    QCOMPARE(form.DeviceDescription(), QString());
    QCOMPARE(form.Controls().lblDevice->text(), QStringLiteral("Unknown"));
    run.Device->Close();
    run.Close();
    simulator.Stop();
}

void ProgrammingFormTest::programDelayIsCutToEightBits() {
    TWindowRun run;
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\nProgramDelay=300\n"));
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.ProgramDelay(), 300);
    QVERIFY(run.Show());
    const auto& c = form.Controls();
    QCOMPARE(c.udProgramDelay->text(), QStringLiteral("44"));
    QCOMPARE(run.Device->ProgramDelay(), 44);
    // A delay whose low 8 bits equal the box's current value is cut as well.
    run.Close();
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\nProgramDelay=256\n"));
    TProgrammingForm& again = run.Create();
    QVERIFY(run.Show());
    QCOMPARE(again.Controls().udProgramDelay->value(), 0);
    QCOMPARE(again.ProgramDelay(), 0);
    // The box stops at 0 and 255 and takes at most three characters.
    again.Controls().udProgramDelay->setValue(300);
    QCOMPARE(again.ProgramDelay(), 255);
    again.Controls().udProgramDelay->stepUp();
    QCOMPARE(again.ProgramDelay(), 255);
    again.Controls().udProgramDelay->setValue(0);
    again.Controls().udProgramDelay->stepDown();
    QCOMPARE(again.ProgramDelay(), 0);
    auto* edit = again.Controls().udProgramDelay->findChild<QLineEdit*>();
    QVERIFY(edit);
    QCOMPARE(edit->maxLength(), 3);
}

void ProgrammingFormTest::writeProgramsTheSimulatedTarget() {
    TSimulatedRun run;
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    const auto& c = form.Controls();
    c.TabControl1->setCurrentIndex(pgSettings);
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(run.Simulator->Word(0), 0x3001);
    QCOMPARE(run.Simulator->Word(1), 0x008A);
    QCOMPARE(run.Simulator->Word(2), 0x3FFF);
    // The frame: Main page, recent file, detected chip selected, green lamp,
    // not busy, and the programmer left in pass-through.
    QCOMPARE(c.PageControl1->currentIndex(), int(pgMain));
    QCOMPARE(c.TabControl1->currentIndex(), int(pgMain));
    QCOMPARE(form.RecentFiles(), QStringList({image}));
    QCOMPARE(c.cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY(!form.Actions().atnStop->isEnabled());
    QCOMPARE(c.ProgressBar1->value(), 0);
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000));
    // Run is possible now that a chip is selected.
    QVERIFY(form.Actions().atnRunTarget->isEnabled());
}

void ProgrammingFormTest::writeWithMissingImageReportsError() {
    TSimulatedRun run;
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(run.Path(QStringLiteral("gone.hex"))));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QVERIFY(!form.ProgramTarget(vesk::AllRegions));
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    QCOMPARE(run.Dialogs.Log.front().Caption, QStringLiteral("Error"));
    QVERIFY2(run.Dialogs.Log.front().Message.contains(QStringLiteral("gone.hex")),
             qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsRed));
    QVERIFY(!form.Actions().atnStop->isEnabled());
    // Nothing was written; the port is free for the next operation.
    QCOMPARE(run.Simulator->Word(0), 0x3FFF);
    QVERIFY(form.ReadTarget(vesk::AllRegions));
    QCOMPARE(form.LampPicture(), int(lsGreen));
}

void ProgrammingFormTest::browseUsesTheDialogSeam() {
    TWindowRun run;
    const QString image = run.Path(QStringLiteral("chosen.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    form.Controls().TabControl1->setCurrentIndex(pgAbout);
    run.Dialogs.ConfirmFile = true;
    run.Dialogs.FileToChoose = image;
    form.Actions().atnBrowseFile->trigger();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("open")), 1);
    QCOMPARE(run.Dialogs.Log.front().Caption, QStringLiteral("Select image file"));
    QCOMPARE(form.ImageFileName(), image);
    QCOMPARE(form.Controls().cbxImageFile->currentText(), image);
    QCOMPARE(form.Controls().PageControl1->currentIndex(), int(pgMain));
    // Browse does not add to the recent files; a cancelled dialog keeps the name.
    QVERIFY(form.RecentFiles().isEmpty());
    run.Dialogs.ConfirmFile = false;
    form.Actions().atnBrowseFile->trigger();
    QCOMPARE(form.ImageFileName(), image);
    QCOMPARE(run.Dialogs.Log.last().Message, image); // the dialog was preset with it
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 0);
}

void ProgrammingFormTest::clearBufferTurnsLampGreen() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    form.ClearBuffer();
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY(run.Dialogs.Log.isEmpty());
}

void ProgrammingFormTest::settingsControlsWriteTheirProperties() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    const auto& c = form.Controls();
    c.TabControl1->setCurrentIndex(pgSettings);
    QCOMPARE(c.PageControl1->currentIndex(), int(pgSettings));
    c.cbxVeskBaudRate->setCurrentIndex(c.cbxVeskBaudRate->findText(QStringLiteral("57600")));
    QCOMPARE(form.VeskBaudRate(), 3);
    QTest::mouseClick(c.rbLines34, Qt::LeftButton);
    QTest::mouseClick(c.rbRS232, Qt::LeftButton);
    QCOMPARE(form.PassThroughLines(), 0);
    QCOMPARE(form.PassThroughPolarity(), 0);
    QTest::mouseClick(c.rbTTL, Qt::LeftButton);
    QCOMPARE(form.PassThroughPolarity(), 1);
    c.cbxTerminalBaudRate->setEditText(QString());
    QTest::keyClicks(c.cbxTerminalBaudRate, QStringLiteral("31250"));
    QCOMPARE(form.TerminalBaudRate(), 31250);
    c.cbxTerminalBaudRate->setEditText(QStringLiteral("abc"));
    QCOMPARE(form.TerminalBaudRate(), 9600);
    c.cbxTerminalBaudRate->setCurrentIndex(c.cbxTerminalBaudRate->findText(QStringLiteral("115200")));
    QCOMPARE(form.TerminalBaudRate(), 115200);
    QTest::mouseClick(c.chbUseBuiltInTerminal, Qt::LeftButton);
    QCOMPARE(form.UseBuiltInTerminal(), true);
    c.udProgramDelay->setValue(12);
    QCOMPARE(run.Device->ProgramDelay(), 12);
    QVERIFY(!c.chbFixDataWriteError->isVisible());
    QVERIFY(!c.chbFixFusesWriteError->isVisible());
    c.chbFixDataWriteError->click();
    QCOMPARE(run.Device->FixDataWriteError(), false);
    c.TabControl1->setCurrentIndex(pgMain);
    QTest::mouseClick(c.chbVerifyAfterWrite, Qt::LeftButton);
    QCOMPARE(form.VerifyAfterWrite(), true);
    QTest::mouseClick(c.chbPassThroughEnter, Qt::LeftButton);
    QCOMPARE(form.PassThroughEnter(), false);
}

void ProgrammingFormTest::lampDoubleClickNeedsDebugLevel() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    const auto& c = form.Controls();
    QTest::mouseDClick(c.imgState, Qt::LeftButton);
    QCOMPARE(c.PageControl1->currentIndex(), int(pgMain));
    form.SetDebugLevel(1);
    QTest::mouseDClick(c.imgState, Qt::LeftButton);
    QCOMPARE(c.PageControl1->currentIndex(), int(pgTerminal));
    QCOMPARE(c.TabControl1->currentIndex(), int(pgMain));
}

void ProgrammingFormTest::errorBoxCaptionAndFullStop() {
    QCOMPARE(ApplicationTitle(QStringLiteral("/opt/vesk/WinVESK")), QStringLiteral("Winvesk"));
    QCOMPARE(ApplicationTitle(QStringLiteral("/opt/vesk/WinVESK.Release.exe")), QStringLiteral("Winvesk"));
    QCOMPARE(ApplicationTitle(QStringLiteral("a.b/XY")), QStringLiteral("Xy"));
    QCOMPARE(ErrorBoxText(QStringLiteral("Port missing")), QStringLiteral("Port missing."));
    QCOMPARE(ErrorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
    QCOMPARE(ErrorBoxText(QStringLiteral("Really!")), QStringLiteral("Really!"));
    QCOMPARE(ErrorBoxText(QStringLiteral("Ends in a line feed\n")), QStringLiteral("Ends in a line feed\n"));
    QCOMPARE(ErrorBoxText(QStringLiteral("code 0x1F")), QStringLiteral("code 0x1F."));
    QCOMPARE(ErrorBoxText(QStringLiteral("value 7")), QStringLiteral("value 7."));
    QCOMPARE(ErrorBoxText(QString()), QString());

    // Errors escaping a handler reach the box with that caption and text.
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    form.Controls().sbSaveBuffer->click();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QCOMPARE(run.Dialogs.Log.front().Caption, ApplicationTitle());
    QCOMPARE(run.Dialogs.Log.front().Message, QStringLiteral("FEATURE NOT IMPLEMENTED IN THIS VERSION."));
    QCOMPARE(form.Controls().TabControl1->currentIndex(), int(pgMain));
}

void ProgrammingFormTest::layoutCaptionsAndShortcuts() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.windowTitle(), QStringLiteral("Win VESK 0.9"));
    QCOMPARE(form.minimumSize(), QSize(520, 366));
    const auto& c = form.Controls();
    QCOMPARE(c.TabControl1->count(), 5);
    const QStringList tabs = {"Main", "Buffer", "Terminal", "Settings", "About"};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(c.TabControl1->tabText(i), tabs[i]);
    QCOMPARE(c.TabControl1->shape(), QTabBar::RoundedSouth);
    QCOMPARE(c.lblVersion->text(), QStringLiteral("Version 0.9 (0.9.4.409)"));
    QVERIFY(c.VersionMemo->toPlainText().contains(QStringLiteral("Terms of use")));
    const auto& a = form.Actions();
    QCOMPARE(a.atnProgram->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
    QCOMPARE(a.atnRead->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F6));
    QCOMPARE(a.atnVerify->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F7));
    QCOMPARE(a.atnRunTarget->shortcut(), QKeySequence(Qt::Key_F9));
    QCOMPARE(a.atnBrowseFile->shortcut(), QKeySequence(Qt::Key_F3));
    QCOMPARE(a.atnDetectTarget->shortcut(), QKeySequence(Qt::Key_F4));
    QCOMPARE(a.atnStop->shortcut(), QKeySequence(Qt::Key_Escape));
    QCOMPARE(a.atnProgram->toolTip(), QStringLiteral("Write all regions"));
    QCOMPARE(a.atnErase->text(), QStringLiteral("Erase target"));
    QCOMPARE(c.btnDetect->toolTip(), QStringLiteral("Detect device"));
    auto captions = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list << action->text();
        return list;
    };
    QCOMPARE(captions(c.pmProgram), QStringList({"Erase target", "Write Code", "Write Data", "Write Fuses"}));
    QCOMPARE(captions(c.pmRead), QStringList({"Clear buffer", "Read Code", "Read Data", "Read Fuses"}));
    QCOMPARE(captions(c.pmVerify), QStringList({"Verify Code", "Verify Data", "Verify Fuses"}));
    QCOMPARE(c.cbxVeskBaudRate->count(), 5);
    QCOMPARE(c.cbxTerminalBaudRate->count(), 15);
    QCOMPARE(c.LinkLabels.size(), 4);
}

QTEST_MAIN(ProgrammingFormTest)
#include "ProgrammingForm_test.moc"
