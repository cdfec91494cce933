// Window tests of the main window: start-up with and without a settings file,
// the file written at exit, the recent files, the enabling rules with their
// shortcuts, a malformed chip definition file, the Settings page controls, the
// lamp, the error box and the layout.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextBrowser>
#include <QToolButton>

#include "ComComboBox.h"
#include "ErrorBox.h"
#include "StateLamp.h"
#include "WindowRun.h"

class ProgrammingFormTest : public QObject {
    Q_OBJECT
  private slots:
    void firstStartGivesDefaults();
    void missingPropertiesKeepDefaults();
    void exitWritesThePropertiesInOrder();
    void elevenRecentNamesKeepTheTenNewest();
    void commandsDisabledBeforeProgrammerIdentified();
    void malformedChipDefinitionSkipsDetection();
    void missingChipDefinitionsStillDetect();
    void programDelayIsCutToEightBits();
    void settingsControlsWriteTheirProperties();
    void lampDoubleClickNeedsDebugLevel();
    void tabStripSwitchesPages();
    void errorBoxEndsInAFullStop_data();
    void errorBoxEndsInAFullStop();
    void errorBoxCaption();
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
    QCOMPARE(form.SettingsPage().cbxVeskBaudRate->currentText(), QStringLiteral("19200"));
    QVERIFY(form.SettingsPage().rbLines78->isChecked());
    QVERIFY(form.SettingsPage().rbTTL->isChecked());
    QVERIFY(form.MainPage().chbPassThroughEnter->isChecked());
    QVERIFY(!form.MainPage().chbVerifyAfterWrite->isChecked());
    QCOMPARE(form.SettingsPage().cbxTerminalBaudRate->currentText(), QStringLiteral("9600"));
    QCOMPARE(form.SettingsPage().udProgramDelay->value(), 35);
    QCOMPARE(form.SettingsPage().cbxComPort->Text(), QStringLiteral("COM1"));
    QCOMPARE(form.MainPage().lblDevice->text(), QStringLiteral("Unknown"));
    QCOMPARE(form.LampPicture(), int(lsGrey));
    QCOMPARE(form.MainPage().cbxTargetType->itemText(0), QStringLiteral("<Autodetect>"));
    QCOMPARE(form.MainPage().cbxTargetType->currentIndex(), 0);
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
    QCOMPARE(form.SettingsPage().cbxVeskBaudRate->currentText(), QStringLiteral("57600"));
    QVERIFY(form.SettingsPage().rbLines34->isChecked());
    QVERIFY(form.SettingsPage().rbTTL->isChecked());
    QVERIFY(form.TerminalPage().chbLocalEcho->isChecked());
    // The configured port stays selected although the system does not list it.
    QCOMPARE(form.SettingsPage().cbxComPort->Text(), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(form.MainPage().cbxImageFile->count(), 2);
    QCOMPARE(form.MainPage().cbxImageFile->itemText(0), QStringLiteral("/tmp/a.hex"));
}

// The seventeen of the first release first, in their order, then the newer ones; every
// value differs from its default, and the file is the stored one byte for byte.
void ProgrammingFormTest::exitWritesThePropertiesInOrder() {
    TWindowRun run;
    // Another section and an unknown entry: both are gone after the exit.
    WriteText(run.IniPath(), QStringLiteral("[Other]\nX=1\n\n[DIRUD]\nNoSuchProperty=5\nDebugLevel=2\n"));
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.DebugLevel(), 2);
    form.SetImageFileName(QStringLiteral("/images/blink.hex"));
    form.SetComPort(QStringLiteral("/dev/ttyUSB0"));
    form.SetComReadTimeout(750);
    form.SetProgramDelay(40);
    form.SetDeviceID(QStringLiteral("12AB"));
    form.SetVeskBaudRate(4);
    form.SetPassThroughEnter(false);
    form.SetPassThroughLines(0);
    form.SetPassThroughPolarity(0);
    form.AddRecentFile(QStringLiteral("/images/first.hex"));
    form.AddRecentFile(QStringLiteral("/images/blink.hex"));
    form.SetFixDataWriteError(false);
    form.SetFixFusesWriteError(false);
    form.SetUseBuiltInTerminal(true);
    form.SetTerminalBaudRate(31250);
    form.SetTerminalLocalEcho(true);
    form.SetVerifyAfterWrite(true);
    form.SetWriteOnImageChange(true);
    form.setGeometry(12, 34, 560, 400);
    run.Close();
    const QByteArray golden = ReadBytes(SourceDir + QStringLiteral("/storage/tests/data/WinVESK_exit.ini"));
    QVERIFY(!golden.isEmpty());
    QCOMPARE(ReadBytes(run.IniPath()), golden);

    // The file reads back into the same values.
    TProgrammingForm& again = run.Create();
    QCOMPARE(again.ImageFileName(), QStringLiteral("/images/blink.hex"));
    QCOMPARE(again.RecentFiles(), QStringList({"/images/blink.hex", "/images/first.hex"}));
    QCOMPARE(again.TerminalBaudRate(), 31250);
    QCOMPARE(again.FixFusesWriteError(), false);
    QCOMPARE(again.PassThroughEnter(), false);
    QCOMPARE(again.ComReadTimeout(), 750);
    QCOMPARE(again.DeviceID(), QStringLiteral("12AB"));
    QCOMPARE(again.TerminalLocalEcho(), true);
    QCOMPARE(again.WriteOnImageChange(), true);
    QCOMPARE(again.geometry(), QRect(12, 34, 560, 400));
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
    QCOMPARE(form.MainPage().cbxImageFile->count(), 10);
    QCOMPARE(form.MainPage().cbxImageFile->itemText(1), QStringLiteral("/img/file11.hex"));
    QCOMPARE(form.MainPage().cbxImageFile->currentText(), QString());
}

void ProgrammingFormTest::commandsDisabledBeforeProgrammerIdentified() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(WaitIdle()); // the enabling rules have run
    const auto& a = form.Actions();
    for (QAction* action : a.All()) {
        const bool expected = action == a.atnBrowseFile;
        QVERIFY2(action->isEnabled() == expected, qPrintable(action->objectName()));
    }
    for (QPushButton* button :
         {form.MainPage().btnProgram, form.MainPage().btnRead, form.MainPage().btnVerify,
          form.MainPage().btnRun, form.MainPage().btnStop, form.MainPage().btnDetectTarget})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    QVERIFY(!form.MainPage().sbProgramMenu->isEnabled());
    QVERIFY(form.MainPage().btnDetect->isEnabled());
    QVERIFY(form.MainPage().btnBrowse->isEnabled());
    QVERIFY(form.MainPage().cbxTargetType->isEnabled());
    QVERIFY(form.TabControl1()->isEnabled());
    QVERIFY(!form.TerminalPage().sbPassThrough->isEnabled());
    QVERIFY(!form.TerminalPage().sbClearTerminal->isEnabled());

    // Shortcuts of disabled commands do nothing: no operation starts (it would
    // add the image name to the recent files, change the lamp or fail to open
    // the port with a message).
    for (QKeyCombination key :
         {Qt::CTRL | Qt::Key_F5, Qt::CTRL | Qt::Key_F6, Qt::CTRL | Qt::Key_F7, QKeyCombination(Qt::Key_F9),
          QKeyCombination(Qt::Key_F4), QKeyCombination(Qt::Key_Escape)})
        QTest::keyClick(&form, key.key(), key.keyboardModifiers());
    QVERIFY(WaitIdle()); // everything the keys queued has been handled
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
    QCOMPARE(form.MainPage().cbxTargetType->count(), 1);
    QCOMPARE(form.MainPage().cbxTargetType->itemText(0), QStringLiteral("<Autodetect>"));
    QVERIFY(!form.Timer1()->isActive());
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
    QCOMPARE(form.MainPage().lblDevice->text(), QStringLiteral("Unknown"));
    QCOMPARE(form.LampPicture(), int(lsGrey));
}

void ProgrammingFormTest::missingChipDefinitionsStillDetect() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    QCOMPARE(form.MainPage().cbxTargetType->count(), 1);
    QVERIFY(form.Timer1()->isActive());
    QVERIFY(run.Dialogs.Log.isEmpty());
}

void ProgrammingFormTest::programDelayIsCutToEightBits() {
    TWindowRun run;
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\nProgramDelay=300\n"));
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.ProgramDelay(), 300);
    QVERIFY(run.Show());
    QCOMPARE(form.SettingsPage().udProgramDelay->text(), QStringLiteral("44"));
    QCOMPARE(run.Device->ProgramDelay(), 44);
    // A delay whose low 8 bits equal the box's current value is cut as well.
    run.Close();
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\nProgramDelay=256\n"));
    TProgrammingForm& again = run.Create();
    QVERIFY(run.Show());
    QCOMPARE(again.SettingsPage().udProgramDelay->value(), 0);
    QCOMPARE(again.ProgramDelay(), 0);
    // The box stops at 0 and 255 and takes at most three characters.
    again.SettingsPage().udProgramDelay->setValue(300);
    QCOMPARE(again.ProgramDelay(), 255);
    again.SettingsPage().udProgramDelay->stepUp();
    QCOMPARE(again.ProgramDelay(), 255);
    again.SettingsPage().udProgramDelay->setValue(0);
    again.SettingsPage().udProgramDelay->stepDown();
    QCOMPARE(again.ProgramDelay(), 0);
    auto* edit = again.SettingsPage().udProgramDelay->findChild<QLineEdit*>();
    QVERIFY(edit);
    QCOMPARE(edit->maxLength(), 3);
}

void ProgrammingFormTest::settingsControlsWriteTheirProperties() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    form.TabControl1()->setCurrentIndex(pgSettings);
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgSettings));
    form.SettingsPage().cbxVeskBaudRate->setCurrentIndex(
        form.SettingsPage().cbxVeskBaudRate->findText(QStringLiteral("57600")));
    QCOMPARE(form.VeskBaudRate(), 3);
    QTest::mouseClick(form.SettingsPage().rbLines34, Qt::LeftButton);
    QTest::mouseClick(form.SettingsPage().rbRS232, Qt::LeftButton);
    QCOMPARE(form.PassThroughLines(), 0);
    QCOMPARE(form.PassThroughPolarity(), 0);
    QTest::mouseClick(form.SettingsPage().rbTTL, Qt::LeftButton);
    QCOMPARE(form.PassThroughPolarity(), 1);
    form.SettingsPage().cbxTerminalBaudRate->setEditText(QString());
    QTest::keyClicks(form.SettingsPage().cbxTerminalBaudRate, QStringLiteral("31250"));
    QCOMPARE(form.TerminalBaudRate(), 31250);
    form.SettingsPage().cbxTerminalBaudRate->setEditText(QStringLiteral("abc"));
    QCOMPARE(form.TerminalBaudRate(), 9600);
    form.SettingsPage().cbxTerminalBaudRate->setCurrentIndex(
        form.SettingsPage().cbxTerminalBaudRate->findText(QStringLiteral("115200")));
    QCOMPARE(form.TerminalBaudRate(), 115200);
    QTest::mouseClick(form.SettingsPage().chbUseBuiltInTerminal, Qt::LeftButton);
    QCOMPARE(form.UseBuiltInTerminal(), true);
    form.SettingsPage().udProgramDelay->setValue(12);
    QCOMPARE(run.Device->ProgramDelay(), 12);
    QVERIFY(!form.SettingsPage().chbFixDataWriteError->isVisible());
    QVERIFY(!form.SettingsPage().chbFixFusesWriteError->isVisible());
    form.SettingsPage().chbFixDataWriteError->click();
    QCOMPARE(run.Device->FixDataWriteError(), false);
    form.TabControl1()->setCurrentIndex(pgMain);
    QTest::mouseClick(form.MainPage().chbVerifyAfterWrite, Qt::LeftButton);
    QCOMPARE(form.VerifyAfterWrite(), true);
    QTest::mouseClick(form.MainPage().chbPassThroughEnter, Qt::LeftButton);
    QCOMPARE(form.PassThroughEnter(), false);
}

void ProgrammingFormTest::lampDoubleClickNeedsDebugLevel() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    QTest::mouseDClick(form.MainPage().imgState, Qt::LeftButton);
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgMain));
    form.SetDebugLevel(1);
    QTest::mouseDClick(form.MainPage().imgState, Qt::LeftButton);
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgTerminal));
    QCOMPARE(form.TabControl1()->currentIndex(), int(pgMain));
}

void ProgrammingFormTest::errorBoxEndsInAFullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QStringLiteral("Port missing") << QStringLiteral("Port missing.");
    QTest::newRow("full stop") << QStringLiteral("Done.") << QStringLiteral("Done.");
    QTest::newRow("exclamation") << QStringLiteral("Really!") << QStringLiteral("Really!");
    QTest::newRow("line feed") << QStringLiteral("Ends in a line feed\n")
                               << QStringLiteral("Ends in a line feed\n");
    QTest::newRow("hex digit") << QStringLiteral("code 0x1F") << QStringLiteral("code 0x1F.");
    QTest::newRow("digit") << QStringLiteral("value 7") << QStringLiteral("value 7.");
    QTest::newRow("empty") << QString() << QString();
}

void ProgrammingFormTest::errorBoxEndsInAFullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorBoxText(message), shown);
}

void ProgrammingFormTest::errorBoxCaption() {
    QCOMPARE(ApplicationTitle(QStringLiteral("/opt/vesk/WinVESK")), QStringLiteral("Winvesk"));
    QCOMPARE(ApplicationTitle(QStringLiteral("/opt/vesk/WinVESK.Release.exe")), QStringLiteral("Winvesk"));
    QCOMPARE(ApplicationTitle(QStringLiteral("a.b/XY")), QStringLiteral("Xy"));

    // Errors escaping a handler reach the box with that caption and text: a buffer
    // to save needs a chip.
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    form.BufferPage().sbSaveBuffer->click();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QCOMPARE(run.Dialogs.Log.front().Caption, ApplicationTitle());
    QCOMPARE(run.Dialogs.Log.front().Message, QStringLiteral("No target selected."));
}

void ProgrammingFormTest::layoutCaptionsAndShortcuts() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.windowTitle(), QStringLiteral("Win VESK 0.9"));
    QStringList tabs;
    for (int i = 0; i < form.TabControl1()->count(); ++i)
        tabs << form.TabControl1()->tabText(i);
    QCOMPARE(tabs, QStringList({"Main", "Buffer", "Terminal", "Settings", "About"}));
    QCOMPARE(form.AboutPage().lblVersion->text(), QStringLiteral("Version 0.9 (0.9.4.409)"));
    QVERIFY(form.AboutPage().VersionMemo->toPlainText().contains(QStringLiteral("Terms of use")));
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
    QCOMPARE(form.MainPage().btnDetect->toolTip(), QStringLiteral("Detect device"));
    auto captions = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list << action->text();
        return list;
    };
    QCOMPARE(captions(form.MainPage().pmProgram),
             QStringList({"Erase target", "Write Code", "Write Data", "Write Fuses"}));
    QCOMPARE(captions(form.MainPage().pmRead),
             QStringList({"Clear buffer", "Read Code", "Read Data", "Read Fuses"}));
    QCOMPARE(captions(form.MainPage().pmVerify), QStringList({"Verify Code", "Verify Data", "Verify Fuses"}));
    QStringList groups;
    for (const QGroupBox* group : form.Page(pgSettings)->findChildren<QGroupBox*>())
        groups << group->title();
    QCOMPARE(groups, QStringList({"  Communication  ", "  Pass Through  "}));
}

void ProgrammingFormTest::tabStripSwitchesPages() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgMain));
    for (int page : {pgBuffer, pgTerminal, pgSettings, pgAbout, pgMain}) {
        form.TabControl1()->setCurrentIndex(page);
        QCOMPARE(form.PageControl1()->currentIndex(), page);
        QVERIFY(form.Page(page)->isVisible());
    }
    // Without a chip the Buffer page asks for one.
    form.TabControl1()->setCurrentIndex(pgBuffer);
    QVERIFY(form.BufferPage().pnlSelectTarget->isVisible());
    // Before a programmer is known the Terminal page stays idle: nothing is sent.
    form.TabControl1()->setCurrentIndex(pgTerminal);
    QVERIFY(!form.TerminalPage().sbPassThrough->isEnabled());
    QVERIFY(run.Dialogs.Log.isEmpty());
}

QTEST_MAIN(ProgrammingFormTest)
#include "ProgrammingForm_test.moc"
