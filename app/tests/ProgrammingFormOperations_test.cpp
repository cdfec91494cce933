// Window tests with the simulated programmer attached: the detection after start
// (end to end, on its pseudo-terminal), Write and its error path (the driver's line
// in the same process), and the operations without programmer traffic.
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
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
#include "TargetListFilter.h"
#include "WindowRun.h"
#include "chipdef/tests/RealImages.h"
#include "termview/ComTerminal.h"

class ProgrammingFormOperationsTest : public QObject {
    Q_OBJECT
  private slots:
    void startupDetectionFindsSimulatedProgrammer();
    void startupDetectionWithoutAnswerShowsNoBox();
    void writeProgramsTheSimulatedTarget();
    void writeVerifiesRealImagesOnRealChips_data();
    void writeVerifiesRealImagesOnRealChips();
    void writeWithMissingImageReportsError();
    void browseUsesTheDialogSeam();
    void clearBufferTurnsLampGreen();
    void typingAPathLoadsItOnEnterOnly();
    void runHoldsAndReleasesTheTarget();
    void lampDoubleClickDuringOperationLeavesThePort();
    void targetListFindsAChipAmongAllShipped();
};

void ProgrammingFormOperationsTest::startupDetectionFindsSimulatedProgrammer() {
    TWindowRun run;
    const QString chipFile = SourceDir + QStringLiteral("/chips/ChipDef_PIC16F628A.ini");
    vesk::TChipDefinition chip;
    chip.LoadFromFile(chipFile.toStdString());
    vesk::sim::TPtySimulator simulator(chip);
    simulator.Start();
    CopyChip(QStringLiteral("ChipDef_PIC16F628A.ini"), run.Dir.path());
    CopyChip(QStringLiteral("ChipDef_PIC16F84A.ini"), run.Dir.path());
    WriteText(run.IniPath(),
              QStringLiteral("[DIRUD]\nComPort=%1\n").arg(QString::fromStdString(simulator.SlavePath())));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    QCOMPARE(form.MainPage().cbxTargetType->count(), 3);
    QCOMPARE(form.MainPage().cbxTargetType->itemText(0), QStringLiteral("<Autodetect>"));
    QCOMPARE(form.MainPage().cbxTargetType->currentIndex(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(form.MainPage().lblDevice->text(), QStringLiteral("VESK1 version 2.10"), 10000);
    QCOMPARE(form.DeviceDescription(), QStringLiteral("VESK1 version 2.10"));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QVERIFY(WaitIdle()); // the enabling rules have run
    // The programmer is known: every command but Run (no chip yet) and Stop is on.
    const auto& a = form.Actions();
    for (QAction* action : a.All()) {
        const bool expected = action != a.atnRunTarget && action != a.atnStop;
        QVERIFY2(action->isEnabled() == expected, qPrintable(action->objectName()));
    }
    QVERIFY(form.TerminalPage().sbPassThrough->isEnabled());
    QVERIFY(form.MainPage().sbProgramMenu->isEnabled());
    // Choosing a chip enables Run.
    form.MainPage().cbxTargetType->setCurrentIndex(1);
    emit form.MainPage().cbxTargetType->activated(1);
    QVERIFY(run.Device->Target() != nullptr);
    QVERIFY(form.Actions().atnRunTarget->isEnabled());
    run.Close();
    simulator.Stop();
}

void ProgrammingFormOperationsTest::startupDetectionWithoutAnswerShowsNoBox() {
    TWindowRun run;
    const QString chipFile = SourceDir + QStringLiteral("/chips/ChipDef_PIC16F628A.ini");
    vesk::TChipDefinition chip;
    chip.LoadFromFile(chipFile.toStdString());
    vesk::sim::TPtySimulator simulator(chip);
    vesk::sim::TFaults faults;
    faults.NeverAnswer = true;
    simulator.SetFaults(faults);
    simulator.Start();
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\nComPort=%1\nComReadTimeout=50\n")
                                 .arg(QString::fromStdString(simulator.SlavePath())));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    // Told in the Device group, with the whole message in its tooltip.
    QTRY_COMPARE_WITH_TIMEOUT(form.LampPicture(), int(lsRed), 10000);
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    const QString message = form.MainPage().lblDevice->toolTip();
    QVERIFY2(message.startsWith(QStringLiteral("VESK wakeup failed\n")), qPrintable(message));
    QCOMPARE(form.DeviceDescription(), QString());
    QCOMPARE(form.MainPage().lblDevice->text(),
             QStringLiteral("Programmer not found on ") + QString::fromStdString(simulator.SlavePath()));
    run.Device->Close();
    run.Close();
    simulator.Stop();
}

void ProgrammingFormOperationsTest::writeProgramsTheSimulatedTarget() {
    TInProcessRun run;
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    form.TabControl1()->setCurrentIndex(pgSettings);
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(run.Simulator->Word(0), 0x3001);
    QCOMPARE(run.Simulator->Word(1), 0x008A);
    QCOMPARE(run.Simulator->Word(2), 0x3FFF);
    // The frame: Main page, recent file, detected chip selected, green lamp,
    // not busy, and the programmer left in pass-through.
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgMain));
    QCOMPARE(form.TabControl1()->currentIndex(), int(pgMain));
    QCOMPARE(form.RecentFiles(), QStringList({image}));
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY(!form.Actions().atnStop->isEnabled());
    QCOMPARE(form.MainPage().ProgressBar1->value(), 0);
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000));
    // Run is possible now that a chip is selected.
    QVERIFY(form.Actions().atnRunTarget->isEnabled());
}

void ProgrammingFormOperationsTest::writeVerifiesRealImagesOnRealChips_data() {
    QTest::addColumn<int>("row");
    const auto& images = vesk::test::RealImages();
    for (std::size_t i = 0; i < images.size(); ++i)
        QTest::newRow(images[i].Chip.c_str()) << int(i);
}

// Write with "Verify after programming" of images as real compilers write them, on a
// target that behaves like the chip's silicon and is detected whatever its revision.
void ProgrammingFormOperationsTest::writeVerifiesRealImagesOnRealChips() {
    QFETCH(int, row);
    const vesk::test::RealImage_t& image = vesk::test::RealImages()[std::size_t(row)];
    vesk::sim::TOptions options;
    options.RealChip = true;
    TInProcessRun run(ShippedChip(("ChipDef_" + image.Chip + ".ini").c_str()), options);
    run.Simulator->SetDeviceId(run.Chip.Id | image.Revision);
    for (const auto& [address, word] : image.Factory)
        run.Simulator->SetWord(address, word);
    const QString path = run.Path(QStringLiteral("image.hex"));
    WriteText(path, QString::fromStdString(image.Hex));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\nVerifyAfterWrite=1\n").arg(path));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    // Some compilers' images turn protection on: the window asks first (the answer is
    // Yes), and nothing else is shown.
    QVERIFY2(run.Dialogs.Count(QStringLiteral("question")) == run.Dialogs.Log.size(),
             qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QString::fromStdString(image.Chip));
    for (const auto& [address, word] : image.Expected)
        QCOMPARE(run.Simulator->Word(address), word);
}

void ProgrammingFormOperationsTest::writeWithMissingImageReportsError() {
    TInProcessRun run;
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

void ProgrammingFormOperationsTest::browseUsesTheDialogSeam() {
    TWindowRun run;
    const QString image = run.Path(QStringLiteral("chosen.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    form.TabControl1()->setCurrentIndex(pgAbout);
    run.Dialogs.ConfirmFile = true;
    run.Dialogs.FileToChoose = image;
    form.Actions().atnBrowseFile->trigger();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("open")), 1);
    QCOMPARE(run.Dialogs.Log.front().Caption, QStringLiteral("Select image file"));
    QCOMPARE(run.Dialogs.LastFilter, QStringLiteral("Intel Hex Format  files (*.hex);;All files (*.*)"));
    QCOMPARE(run.Dialogs.LastDefaultSuffix, QStringLiteral("hex"));
    QCOMPARE(form.ImageFileName(), image);
    QCOMPARE(form.MainPage().cbxImageFile->currentText(), image);
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgMain));
    // Browse does not add to the recent files; a cancelled dialog keeps the name.
    QVERIFY(form.RecentFiles().isEmpty());
    run.Dialogs.ConfirmFile = false;
    form.Actions().atnBrowseFile->trigger();
    QCOMPARE(form.ImageFileName(), image);
    QCOMPARE(run.Dialogs.Log.last().Message, image); // the dialog was preset with it
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 0);
}

void ProgrammingFormOperationsTest::clearBufferTurnsLampGreen() {
    TWindowRun run;
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    form.ClearBuffer();
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY(run.Dialogs.Log.isEmpty());
}

void ProgrammingFormOperationsTest::typingAPathLoadsItOnEnterOnly() {
    TWindowRun run;
    const QString image = run.Path(QStringLiteral("a.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    QApplication::setActiveWindow(&form); // so that the box is left when the focus moves
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QLineEdit* edit = form.MainPage().cbxImageFile->lineEdit();
    edit->setFocus();
    edit->clear();
    // Key by key, from the first "/": the name follows, nothing is loaded or shown.
    QTest::keyClicks(edit, run.Path(QStringLiteral("b.hex")));
    QCOMPARE(form.ImageFileName(), run.Path(QStringLiteral("b.hex")));
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    // Enter loads it once: b.hex does not exist, and the box says so once.
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QVERIFY(run.Dialogs.Log.front().Message.contains(QStringLiteral("b.hex")));
    // Leaving the box does not load the same name again; a new name loads on leaving.
    form.MainPage().btnDetect->setFocus();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, QStringLiteral("y")); // b.hey
    form.MainPage().btnDetect->setFocus();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 2);
    edit->selectAll();
    QTest::keyClicks(edit, image);
    QTest::keyClick(edit, Qt::Key_Enter);
    QCOMPARE(form.ImageFileName(), image);
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 2);
    QVERIFY(form.RecentFiles().isEmpty());
}

void ProgrammingFormOperationsTest::runHoldsAndReleasesTheTarget() {
    TInProcessRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    form.MainPage().cbxTargetType->setCurrentIndex(1);
    emit form.MainPage().cbxTargetType->activated(1);
    QVERIFY(form.Actions().atnRunTarget->isEnabled());
    run.Simulator->ClearReceived();
    const int lamp = form.LampPicture();
    form.Actions().atnRunTarget->trigger();
    const std::string sent = run.Simulator->Received();
    const size_t wake = sent.find('\xFF'), hold = sent.find('x'), release = sent.rfind('g');
    QVERIFY2(wake < hold && hold < release && release != std::string::npos, sent.c_str());
    QVERIFY(run.Simulator->TargetRunning());
    QVERIFY(!run.Device->Transport().IsOpen());
    QCOMPARE(form.LampPicture(), lamp); // no lamp, no progress
    QVERIFY(run.Dialogs.Log.isEmpty());
}

void ProgrammingFormOperationsTest::lampDoubleClickDuringOperationLeavesThePort() {
    TInProcessRun run;
    run.WriteSettings(QStringLiteral("DebugLevel=1\n"));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    // The Terminal page shown in the middle of a Read: the read keeps the port.
    bool shown = false;
    QObject::connect(form.MainPage().ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
        if (shown || value < 10) return;
        shown = true;
        form.imgStateDblClick();
    });
    QVERIFY2(form.ReadTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    QVERIFY(shown);
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgTerminal));
    QCOMPARE(form.TabControl1()->currentIndex(), int(pgMain));
    QVERIFY(!form.TerminalPage().ComTerminal1->Connected());
    QVERIFY(run.Dialogs.Log.isEmpty());
}

// Among every shipped chip: a detected PIC16F639 is the PIC16F636 that comes first, and
// the list's hint names the other; typing filters the list ("<Autodetect>" stays first)
// and a choice from it, Enter on a text only one chip holds, or a whole name in any
// letter case selects the chip; text that names nothing gives way to the selection.
void ProgrammingFormOperationsTest::targetListFindsAChipAmongAllShipped() {
    TSimulatedRun run(ShippedChip("ChipDef_PIC16F639.ini"));
    for (const QString& name :
         QDir(SourceDir + QStringLiteral("/chips")).entryList({QStringLiteral("ChipDef_*.ini")}))
        if (!QFile::exists(run.Path(name))) CopyChip(name, run.Dir.path());
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QComboBox* list = form.MainPage().cbxTargetType;
    form.Actions().atnDetectTarget->trigger();
    QTRY_COMPARE(form.LampPicture(), int(lsGreen));
    QCOMPARE(list->currentText(), QStringLiteral("PIC16F636"));
    QCOMPARE(list->toolTip(), QStringLiteral("Target type: PIC16F636 (same device ID: PIC16F639)"));

    QCompleter* completer = list->findChild<TTargetListFilter*>()->Completer();
    auto offered = [&] {
        QStringList names;
        for (int row = 0; row < completer->completionModel()->rowCount(); ++row)
            names << completer->completionModel()->index(row, 0).data().toString();
        return names;
    };
    list->lineEdit()->setFocus();
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->lineEdit(), QStringLiteral("f455"));
    QTRY_VERIFY(completer->popup()->isVisible());
    QCOMPARE(offered(), QStringList({QStringLiteral("<Autodetect>"), QStringLiteral("PIC18F4550"),
                                     QStringLiteral("PIC18F4553")}));
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    // Each choice reaches the window once, as a choice from the drop-down list does.
    QSignalSpy activated(list, &QComboBox::activated);
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(run.Device->Target()->Name, std::string("PIC18F4553"));
    QCOMPARE(list->currentText(), QStringLiteral("PIC18F4553"));
    QCOMPARE(list->toolTip(), QStringLiteral("Target type"));

    struct Typed_t {
        QString Text;
        std::string Chip;
        int Choices;
    };
    const std::vector<Typed_t> typed = {
        {QStringLiteral("16f69"), "PIC16F690", 2},     // the only chip holding the text
        {QStringLiteral("pic12f675"), "PIC12F675", 3}, // a whole name in other letter case
        {QStringLiteral("16F8"), "PIC12F675", 3},      // many chips: the selection stays
        {QStringLiteral("nothing"), "PIC12F675", 3}};
    for (const auto& [text, chip, choices] : typed) {
        list->lineEdit()->setFocus();
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), text);
        QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        if (completer->popup()->isVisible()) QTest::keyClick(completer->popup(), Qt::Key_Escape);
        list->lineEdit()->clearFocus();
        QCOMPARE(run.Device->Target()->Name, chip);
        QCOMPARE(list->currentText(), QString::fromStdString(chip));
        QCOMPARE(activated.count(), choices);
    }
    list->lineEdit()->setFocus();
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->lineEdit(), QStringLiteral("zz"));
    QCOMPARE(offered(), QStringList({QStringLiteral("<Autodetect>")}));
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    QCOMPARE(run.Device->Target(), nullptr);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(list->currentText(), QStringLiteral("<Autodetect>"));
}

QTEST_MAIN(ProgrammingFormOperationsTest)
#include "ProgrammingFormOperations_test.moc"