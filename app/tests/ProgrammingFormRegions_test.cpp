// Window tests of the region operations against the simulated programmer (the
// driver's line in the same process): the order of Write, Read, Verify and Erase on
// the wire, target detection and the target list, Stop and Esc while an operation
// pumps events, and the progress bar.
#include <algorithm>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>

#include "StateLamp.h"
#include "WindowRun.h"
#include "hexfile/IntelHexFile.h"
#include "tests/support/ChipText.h"
#include "tests/support/HexText.h"

namespace {

const QString Blink = QStringLiteral(":0400000001308A0041\n:00000001FF\n");

// Code words 0..count-1 (each its own address plus 0x100), one Data word and the
// Fuses word, then the end record.
QString ImageOfAllRegions(int codeWords) {
    std::vector<int32_t> code;
    for (int word = 0; word < codeWords; ++word)
        code.push_back((word + 0x100) & 0x3FFF);
    return QString::fromStdString(vesk::test::HexWords(0, code) + vesk::test::HexWords(0x2100, {0x12}) +
                                  vesk::test::HexWords(0x2007, {0x3F00}) + vesk::test::HexEndRecord());
}

// The program-mode regions the simulator saw from `first` on, as letters.
QString ModesFrom(const vesk::sim::TSimulator& simulator, size_t first) {
    QString letters;
    const auto modes = simulator.ProgramModes();
    for (size_t i = first; i < modes.size(); ++i)
        letters += QLatin1Char(modes[i].Region);
    return letters;
}

// A chip of 100 Code words, 8 Data words and one Fuses word.
const std::string SmallChip = vesk::test::TChipText("TINY100", 0x0ABC).Code(100).Data(8).Fuses();

} // namespace

class ProgrammingFormRegionsTest : public QObject {
    Q_OBJECT
  private slots:
    void writeAllErasesFirstWriteCodeDoesNot();
    void missingImageFailsAfterConnecting();
    void autodetectSelectsTheChipOnce();
    void detectTargetWithUnknownOrUnreadableId();
    void escDuringWriteAborts();
    void escWhileIdleDoesNothing();
    void stopDuringEraseLetsItFinish();
    void stopBeforeOpenStillAborts();
    void lineLostDuringReadEndsIdle();
    void failingCloseOfErrorPathEndsIdle();
    void progressOfHundredWords();
    void verifyAndReadEachRegion();
};

void ProgrammingFormRegionsTest::writeAllErasesFirstWriteCodeDoesNot() {
    TInProcessRun run;
    const QString image = run.Path(QStringLiteral("all.hex"));
    WriteText(image, ImageOfAllRegions(16));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    form.SetPassThroughEnter(false);
    QVERIFY(run.ShowDetected());
    form.MainPage().cbxTargetType->setCurrentIndex(1); // no detection in between
    emit form.MainPage().cbxTargetType->activated(1);

    QVERIFY2(form.ProgramTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    QString modes = ModesFrom(*run.Simulator, 0);
    // Erase first, then Code, Data, Fuses (the erase reads and restores the
    // preserved words in their own program modes).
    QVERIFY2(modes.startsWith(QLatin1Char('e')), qPrintable(modes));
    QVERIFY2(modes.endsWith(QStringLiteral("cdf")), qPrintable(modes));
    QCOMPARE(run.Simulator->Word(0), 0x0100);
    QCOMPARE(run.Simulator->Word(15), 0x010F);
    QCOMPARE(run.Simulator->Word(0x2100), 0x12);
    QCOMPARE(run.Simulator->Word(0x2007), 0x3F00);

    // Write Code alone: no erase, only the code region.
    run.Simulator->SetWord(0x2100, 0x34); // untouched by a code write
    size_t first = run.Simulator->ProgramModes().size();
    QVERIFY(form.ProgramTarget(1));
    modes = ModesFrom(*run.Simulator, first);
    QVERIFY2(!modes.isEmpty() && modes.count(QLatin1Char('c')) == modes.size(), qPrintable(modes));
    QCOMPARE(run.Simulator->Word(0x2100), 0x34);

    // With "Verify after programming" Write Code verifies the code region only.
    form.MainPage().chbVerifyAfterWrite->click();
    QVERIFY(form.VerifyAfterWrite());
    run.Simulator->ClearReceived();
    first = run.Simulator->ProgramModes().size();
    QVERIFY(form.ProgramTarget(1));
    modes = ModesFrom(*run.Simulator, first);
    QVERIFY2(modes.size() >= 2 && modes.count(QLatin1Char('c')) == modes.size(), qPrintable(modes));
    // The verification reads the code words back.
    QVERIFY(run.Simulator->Received().find('r') != std::string::npos);
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
}

void ProgrammingFormRegionsTest::missingImageFailsAfterConnecting() {
    TInProcessRun run;
    const QString image = run.Path(QStringLiteral("gone.hex"));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\nVeskBaudRate=2\nDeviceID=00A5\n").arg(image));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    run.Simulator->ClearReceived();

    QVERIFY(!form.ProgramTarget(vesk::AllRegions));
    // Opened, woken, activated, switched to 38400 bit/s and the target detected
    // before the image file was read; nothing written; the port closed.
    const std::string sent = run.Simulator->Received();
    QVERIFY(sent.find('\xFF') != std::string::npos);
    QCOMPARE(run.Simulator->LastActivationId(), std::string("00A5"));
    const size_t wake = sent.find('\xFF'), activate = sent.find("00A5h"), baud = sent.find("0024p");
    QVERIFY2(wake < activate && activate < baud && baud != std::string::npos, sent.c_str());
    QCOMPARE(run.Simulator->BaudRate(), 38400);
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));
    // Only the detection's read of the ID: nothing erased or written.
    const QString modes = ModesFrom(*run.Simulator, 0);
    QVERIFY2(modes.count(QLatin1Char('f')) == modes.size(), qPrintable(modes));
    QVERIFY(!run.Device->Transport().IsOpen());

    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    // Load's message: the file name and the cause.
    vesk::TIntelHexFile probe;
    QString expected;
    try {
        probe.Load(image.toStdString());
    } catch (const vesk::Exception& e) {
        expected = QString::fromStdString(e.Message());
    }
    QVERIFY(!expected.isEmpty());
    QCOMPARE(run.Dialogs.Log.front().Message, expected);
    QCOMPARE(form.LampPicture(), int(lsRed));
    QVERIFY(!form.Actions().atnStop->isEnabled());
    QCOMPARE(form.MainPage().ProgressBar1->value(), 0);
}

void ProgrammingFormRegionsTest::autodetectSelectsTheChipOnce() {
    TInProcessRun run;
    CopyChip(QStringLiteral("ChipDef_PIC16F84A.ini"), run.Dir.path());
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, Blink);
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    form.SetPassThroughEnter(false);
    QVERIFY(run.ShowDetected());
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("<Autodetect>"));
    QVERIFY(run.Device->Target() == nullptr);

    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));
    QCOMPARE(QString::fromStdString(run.Device->Target()->Name), QStringLiteral("PIC16F628A"));

    // The second Write uses the chosen chip: a target that would now report an
    // unknown ID is not asked again.
    run.Simulator->SetDeviceId(0x1234);
    QVERIFY2(form.ProgramTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));
    QCOMPARE(form.LampPicture(), int(lsGreen));
}

void ProgrammingFormRegionsTest::detectTargetWithUnknownOrUnreadableId() {
    TInProcessRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());

    // "<Autodetect>" and a matching ID: the chip is selected, green lamp.
    form.TabControl1()->setCurrentIndex(pgAbout);
    form.Actions().atnDetectTarget->trigger();
    QCOMPARE(form.TabControl1()->currentIndex(), int(pgMain));
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgMain));
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY(run.Dialogs.Log.isEmpty());

    // A chosen chip and an ID that matches no chip: the driver's error, red lamp,
    // the chosen chip stays.
    vesk::sim::TFaults faults;
    faults.TargetId = 0x1234;
    run.Simulator->SetFaults(faults);
    form.Actions().atnDetectTarget->trigger();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    QCOMPARE(
        run.Dialogs.Log.last().Message,
        QStringLiteral("Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x001234"));
    QCOMPARE(form.LampPicture(), int(lsRed));
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));
    QVERIFY(run.Device->Target() != nullptr);
    QVERIFY(!run.Device->Transport().IsOpen());

    // An unreadable ID keeps the chosen chip silently.
    faults = {};
    faults.BadReadReply = true;
    run.Simulator->SetFaults(faults);
    run.Dialogs.Log.clear();
    form.Actions().atnDetectTarget->trigger();
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QCOMPARE(form.MainPage().cbxTargetType->currentText(), QStringLiteral("PIC16F628A"));

    // With "<Autodetect>" an unreadable ID is a failure.
    form.MainPage().cbxTargetType->setCurrentIndex(0);
    emit form.MainPage().cbxTargetType->activated(0);
    QVERIFY(run.Device->Target() == nullptr);
    form.Actions().atnDetectTarget->trigger();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    QCOMPARE(run.Dialogs.Log.last().Message, QStringLiteral("Target detect failed\nUnknown target"));
    QCOMPARE(form.LampPicture(), int(lsRed));
    QCOMPARE(form.MainPage().cbxTargetType->currentIndex(), 0);
}

void ProgrammingFormRegionsTest::escDuringWriteAborts() {
    TInProcessRun run;
    const QString image = run.Path(QStringLiteral("big.hex"));
    WriteText(image, ImageOfAllRegions(2048));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));

    // Once the bar moves, the Esc key is queued; it arrives while the write
    // processes pending events.
    bool pressed = false;
    QObject::connect(form.MainPage().ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
        if (pressed || value < 5) return;
        pressed = true;
        QTimer::singleShot(0, &form, [&form] { QTest::keyClick(&form, Qt::Key_Escape); });
    });
    QVERIFY(!form.ProgramTarget(vesk::AllRegions));
    QVERIFY(pressed);
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    const QString message = run.Dialogs.Log.front().Message;
    QVERIFY2(message.endsWith(QStringLiteral("Aborted by user")), qPrintable(message));
    QCOMPARE(form.LampPicture(), int(lsRed));
    QVERIFY(!form.Actions().atnStop->isEnabled());
    QVERIFY(!run.Device->Transport().IsOpen());
    // The failed Write does not go on to pass-through.
    QVERIFY(!run.Simulator->InPassThrough());
    QCOMPARE(run.Simulator->Word(0x7FF), 0x3FFF); // the last code word was not reached
}

void ProgrammingFormRegionsTest::escWhileIdleDoesNothing() {
    TInProcessRun run;
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, Blink);
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    form.SetPassThroughEnter(false);
    QVERIFY(run.ShowDetected());
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!run.Device->AbortRequested());
    QVERIFY2(form.ProgramTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QCOMPARE(run.Simulator->Word(1), 0x008A);
}

void ProgrammingFormRegionsTest::stopDuringEraseLetsItFinish() {
    TInProcessRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    run.Simulator->SetWord(0, 0x1234);
    run.Simulator->SetWord(0x2100, 0x55);
    // Stop is pressed while Erase processes pending events.
    bool pressed = false;
    QTimer::singleShot(0, &form, [&] {
        pressed = form.Actions().atnStop->isEnabled();
        form.MainPage().btnStop->click();
    });
    form.Actions().atnErase->trigger();
    QVERIFY(pressed);
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QCOMPARE(run.Simulator->Word(0), 0x3FFF);
    QCOMPARE(run.Simulator->Word(0x2100), 0xFF);
    QVERIFY(!form.Actions().atnStop->isEnabled());
    // The request is gone: the next operation runs to its end.
    QVERIFY2(form.ReadTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
}

void ProgrammingFormRegionsTest::stopBeforeOpenStillAborts() {
    TInProcessRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    // Stop pressed while the Read processes events right after enabling Stop, before
    // it opens the port: the request belongs to this Read and survives its Open.
    QTimer::singleShot(0, &form, [&form] { form.MainPage().btnStop->click(); });
    QVERIFY(!form.ReadTarget(vesk::AllRegions));
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    QVERIFY2(run.Dialogs.Log.front().Message.endsWith(QStringLiteral("Aborted by user")),
             qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsRed));
    // It does not outlive the Read.
    QVERIFY(form.ReadTarget(vesk::AllRegions));
}

void ProgrammingFormRegionsTest::lineLostDuringReadEndsIdle() {
    TInProcessRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    // The line is lost in the middle of the read: the error dialog, the port
    // closed, and the window idle again with a red lamp.
    vesk::sim::TFaults faults;
    faults.DropLineAfter = 200;
    run.Simulator->SetFaults(faults);
    form.Actions().atnRead->trigger();
    QVERIFY(run.Dialogs.Count(QStringLiteral("error")) == 1);
    QVERIFY(!run.Device->Transport().IsOpen());
    QCOMPARE(form.LampPicture(), int(lsRed));
    QVERIFY(!form.Actions().atnStop->isEnabled());
    QCOMPARE(form.MainPage().ProgressBar1->value(), 0);
    QVERIFY(form.TabControl1()->isEnabled());
    QVERIFY(form.Actions().atnRead->isEnabled());
}

void ProgrammingFormRegionsTest::failingCloseOfErrorPathEndsIdle() {
    TInProcessRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    const auto& a = form.Actions();
    // The read fails on an unreadable word, and the Close of the error path fails too.
    bool refuseClose = true;
    run.SimulatedLine->OnBeforeClose = [&refuseClose] {
        if (refuseClose) throw vesk::Exception("close refused");
    };
    vesk::sim::TFaults faults;
    faults.BadReadReply = true;
    run.Simulator->SetFaults(faults);
    for (QAction* operation : {a.atnRead, a.atnErase, a.atnDetectTarget}) {
        run.Dialogs.Log.clear();
        form.MainPage().cbxTargetType->setCurrentIndex(0);
        emit form.MainPage().cbxTargetType->activated(0);
        operation->trigger();
        // The error dialog, then the close error in the application's error box.
        QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
        QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
        QCOMPARE(run.Dialogs.Log.last().Message, QStringLiteral("VESK device close failed\nclose refused."));
        // The end steps ran: idle, red lamp, bar reset, commands enabled again.
        QVERIFY(!a.atnStop->isEnabled());
        QCOMPARE(form.LampPicture(), int(lsRed));
        QCOMPARE(form.MainPage().ProgressBar1->value(), 0);
        QVERIFY(form.TabControl1()->isEnabled());
        QVERIFY(a.atnRead->isEnabled());
        QVERIFY(form.MainPage().btnDetect->isEnabled());
        // The port stayed open; the next operation's Open starts afresh.
    }
    refuseClose = false;
    run.Simulator->SetFaults({});
    run.Dialogs.Log.clear();
    a.atnRead->trigger();
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
}

void ProgrammingFormRegionsTest::progressOfHundredWords() {
    QTemporaryDir chips;
    const QString chipFile = chips.filePath(QStringLiteral("ChipDef_TINY100.ini"));
    WriteText(chipFile, QString::fromStdString(SmallChip));
    TInProcessRun run(chipFile);
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QList<int> values;
    QObject::connect(form.MainPage().ProgressBar1, &QProgressBar::valueChanged, &form,
                     [&values](int value) { values << value; });
    QVERIFY2(form.ReadTarget(1), qPrintable(run.Dialogs.Describe()));
    QList<int> expected;
    for (int i = 1; i <= 99; ++i)
        expected << i;
    expected << 0;
    QCOMPARE(values, expected);
}

void ProgrammingFormRegionsTest::verifyAndReadEachRegion() {
    TInProcessRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    const auto& a = form.Actions();
    // Verify right after start compares with the default words: a fresh target matches.
    a.atnVerify->trigger();
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    // Words that differ from the defaults, read into the buffer, give every
    // region something to verify.
    run.Simulator->SetWord(0, 0x1111);
    run.Simulator->SetWord(0x2100, 0x22);
    run.Simulator->SetWord(0x2007, 0x3F00);
    a.atnRead->trigger();
    // Each menu entry handles its region only.
    const struct {
        QAction* Action;
        char Region;
    } entries[] = {{a.atnReadCode, 'c'},   {a.atnReadData, 'd'},   {a.atnReadFuses, 'f'},
                   {a.atnVerifyCode, 'c'}, {a.atnVerifyData, 'd'}, {a.atnVerifyFuses, 'f'}};
    for (const auto& entry : entries) {
        const size_t first = run.Simulator->ProgramModes().size();
        entry.Action->trigger();
        const QString modes = ModesFrom(*run.Simulator, first);
        QVERIFY2(!modes.isEmpty() && modes.count(QLatin1Char(entry.Region)) == modes.size(),
                 qPrintable(entry.Action->objectName() + QStringLiteral(": ") + modes));
        QCOMPARE(form.LampPicture(), int(lsGreen));
    }
    // A word that differs from the buffer fails the verification of its region.
    run.Simulator->SetWord(0x2100, 0x42);
    a.atnVerifyData->trigger();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    QCOMPARE(form.LampPicture(), int(lsRed));
    // Reading it makes the buffer match again.
    a.atnReadData->trigger();
    QCOMPARE(run.Device->Target()->RegionByCode(2).Data[0], 0x42);
    a.atnVerify->trigger();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 1);
    QCOMPARE(form.LampPicture(), int(lsGreen));
}

QTEST_MAIN(ProgrammingFormRegionsTest)
#include "ProgrammingFormRegions_test.moc"
