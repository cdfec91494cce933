// Window tests of the Buffer and Terminal pages with the simulated programmer: the
// dump after Read and Clear buffer, the grid of a chip with 1024 Code words, the load
// button, the built-in terminal after a Write with pass-through, and the terminal
// keeping its line while the window is minimised or hidden.
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <functional>

#include "StateLamp.h"
#include "WindowRun.h"
#include "bufferview/HexEditor.h"
#include "serial/port/ComPort.h"
#include "termview/ComTerminal.h"

namespace {

// The terminal's screen, one line per row.
QString ScreenText(vesk::TComTerminal& terminal) {
    QString text;
    for (int row = 1; row <= terminal.Rows(); ++row)
        text += QString::fromStdString(terminal.Model().RowText(row)) + QLatin1Char('\n');
    return text;
}

// What the view's model shows in a cell.
QString Shown(const THexEditor& editor, int column, int row) {
    QAbstractItemModel* model = editor.View()->model();
    return model->data(model->index(row, column)).toString();
}

} // namespace

class ProgrammingFormPagesTest : public QObject {
    Q_OBJECT
  private slots:
    void readThenBufferPageShowsTheWords();
    void bufferGridOfThousandWordCode();
    void loadButtonPoursTheImage();
    void saveWritesWhatVeskVerifies();
    void builtInTerminalAfterWrite();
    void externalTerminalLeavesThePageAlone();
    void terminalPageTalksToTheProgrammer();
    void passThroughFailureLeavesTerminalDisconnected();
    void terminalKeepsTheLineWhileTheWindowIsAway();
};

void ProgrammingFormPagesTest::readThenBufferPageShowsTheWords() {
    TSimulatedRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    // No chip yet: an empty grid and the request to choose one.
    form.TabControl1()->setCurrentIndex(pgBuffer);
    QVERIFY(form.BufferPage().pnlSelectTarget->isVisible());
    QCOMPARE(form.BufferPage().HexEditor1->Grid().RowCount(), 1);
    QCOMPARE(form.BufferPage().HexEditor1->CellText(0, 0), QString());

    run.Simulator->SetWord(0, 0x3F41);
    run.Simulator->SetWord(1, 0x1234);
    run.Simulator->SetWord(0x2100, 0x5A);
    QVERIFY(form.ReadTarget(vesk::AllRegions)); // switches to the Main page
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgMain));
    form.TabControl1()->setCurrentIndex(pgBuffer);
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgBuffer));
    QVERIFY(!form.BufferPage().pnlSelectTarget->isVisible());
    THexEditor& editor = *form.BufferPage().HexEditor1;
    QCOMPARE(editor.CellText(0, 0), QStringLiteral("000000:"));
    QCOMPARE(editor.CellText(1, 0), QStringLiteral("3F41"));
    QCOMPARE(editor.CellText(2, 0), QStringLiteral("1234"));
    QCOMPARE(editor.CellText(3, 0), QStringLiteral("3FFF"));
    QCOMPARE(editor.CellText(9, 0), QStringLiteral("A4......"));
    QCOMPARE(Shown(editor, 1, 0), QStringLiteral("3F41"));
    // Code (256 rows), separator, Fuses, separator, Data.
    QCOMPARE(editor.CellText(0, 257), QStringLiteral("002000:"));
    QCOMPARE(editor.CellText(0, 259), QStringLiteral("002100:"));
    QCOMPARE(editor.CellText(1, 259), QStringLiteral("005A"));
    QCOMPARE(editor.CellText(9, 259), QStringLiteral("Z......."));

    // Clear buffer: every word shows its region's default the next time.
    form.TabControl1()->setCurrentIndex(pgMain);
    form.Actions().atnClearBuffer->trigger();
    QCOMPARE(form.LampPicture(), int(lsGreen));
    form.TabControl1()->setCurrentIndex(pgBuffer);
    QCOMPARE(editor.CellText(1, 0), QStringLiteral("3FFF"));
    QCOMPARE(editor.CellText(9, 0), QStringLiteral("........"));
    QCOMPARE(editor.CellText(1, 259), QStringLiteral("00FF"));
    QCOMPARE(Shown(editor, 1, 0), QStringLiteral("3FFF"));
    QVERIFY(run.Dialogs.Log.isEmpty());
}

void ProgrammingFormPagesTest::bufferGridOfThousandWordCode() {
    TSimulatedRun run(ShippedChip("ChipDef_PIC16F84A.ini"));
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    form.MainPage().cbxTargetType->setCurrentIndex(1);
    emit form.MainPage().cbxTargetType->activated(1);
    QCOMPARE(QString::fromStdString(run.Device->Target()->Name), QStringLiteral("PIC16F84A"));
    run.Device->Session()->SetWord(0x3FF, 0x3F41);
    form.TabControl1()->setCurrentIndex(pgBuffer);
    const THexEditor& editor = *form.BufferPage().HexEditor1;
    const vesk::THexGrid& grid = editor.Grid();
    // 1024 Code words at 0 are rows 0 to 127: address, eight words, characters.
    QCOMPARE(editor.CellText(0, 0), QStringLiteral("000000:"));
    for (int column = 1; column <= 8; ++column)
        QCOMPARE(editor.CellText(column, 0), QStringLiteral("3FFF"));
    QCOMPARE(editor.CellText(9, 0), QStringLiteral("........"));
    QCOMPARE(editor.CellText(0, 127), QStringLiteral("0003F8:"));
    QCOMPARE(editor.CellText(8, 127), QStringLiteral("3F41"));
    QCOMPARE(editor.CellText(9, 127), QStringLiteral(".......A"));
    // One empty row, then the next region; Fuses has a single word (fewer than
    // eight) and gets one row, where the word stands under the address its row
    // names: 0x2007 in the last column of the row 002000.
    QVERIFY(grid.IsSeparatorRow(128));
    QCOMPARE(editor.CellText(0, 128), QString());
    QCOMPARE(editor.CellText(0, 129), QStringLiteral("002000:"));
    QCOMPARE(editor.CellText(1, 129), QString());
    QCOMPARE(editor.CellText(8, 129), QStringLiteral("3FFF"));
    QCOMPARE(editor.CellText(9, 129), QStringLiteral("........"));
    QVERIFY(grid.IsSeparatorRow(130));
    QCOMPARE(editor.CellText(0, 131), QStringLiteral("002100:"));
    QCOMPARE(editor.CellText(1, 131), QStringLiteral("00FF"));
    QCOMPARE(grid.RowCount(), 131 + 8);
    QCOMPARE(editor.View()->model()->rowCount(), grid.RowCount());
}

void ProgrammingFormPagesTest::loadButtonPoursTheImage() {
    TSimulatedRun run;
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    form.TabControl1()->setCurrentIndex(pgBuffer);
    // Without a chip the driver refuses the buffer load; the error reaches the box.
    form.BufferPage().sbLoadBuffer->click();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    form.MainPage().cbxTargetType->setCurrentIndex(1);
    emit form.MainPage().cbxTargetType->activated(1);
    form.BufferPage().sbLoadBuffer->click();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QCOMPARE(form.BufferPage().HexEditor1->CellText(1, 0), QStringLiteral("3001"));
    QCOMPARE(form.BufferPage().HexEditor1->CellText(2, 0), QStringLiteral("008A"));
    // No programmer traffic.
    QVERIFY(!run.Device->Transport().IsOpen());
    QCOMPARE(run.Simulator->Word(0), 0x3FFF);
}

// "Save buffer to image file" writes what was read so that `vesk verify` accepts it
// against the target it was read from (atomically, storage/SafeFile.h); a save that
// fails is told.
void ProgrammingFormPagesTest::saveWritesWhatVeskVerifies() {
    TSimulatedRun run;
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(run.Path(QStringLiteral("blink.hex"))));
    run.Simulator->SetWord(0, 0x3041);
    run.Simulator->SetWord(0x2101, 0x00AB);
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QVERIFY(form.ReadTarget(vesk::AllRegions));
    form.TabControl1()->setCurrentIndex(pgBuffer);
    const QString saved = run.Path(QStringLiteral("read.hex"));
    run.Dialogs.ConfirmFile = true;
    run.Dialogs.FileToChoose = saved;
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(run.Dialogs.Count(QStringLiteral("save")), 1);
    QCOMPARE(run.Dialogs.Log.last().Caption, QStringLiteral("Save image file"));
    QCOMPARE(run.Dialogs.Log.last().Message, form.ImageFileName()); // preset to the image name
    QCOMPARE(run.Dialogs.LastFilter, QStringLiteral("Intel Hex Format  files (*.hex);;All files (*.*)"));
    QCOMPARE(run.Dialogs.LastDefaultSuffix, QStringLiteral("hex"));
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgBuffer));
    QProcess vesk;
    vesk.start(QStringLiteral(VESK_BIN_DIR "/vesk"),
               {QStringLiteral("-p"), QString::fromStdString(run.Simulator->SlavePath()),
                QStringLiteral("--chipdefs"), run.Dir.path(), QStringLiteral("verify"), saved});
    QVERIFY(vesk.waitForFinished(60000));
    QVERIFY2(vesk.exitCode() == 0, vesk.readAllStandardError().constData());
    QVERIFY(ReadText(saved).startsWith(QStringLiteral(":020000004130")));
    // Into a folder that is not there: the error box names the file.
    run.Dialogs.FileToChoose = run.Path(QStringLiteral("gone/read.hex"));
    form.BufferPage().sbSaveBuffer->click();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QVERIFY(run.Dialogs.Log.last().Message.contains(run.Dialogs.FileToChoose));
}

void ProgrammingFormPagesTest::builtInTerminalAfterWrite() {
    vesk::sim::TOptions options;
    options.TargetEcho = true;
    TSimulatedRun run(ShippedChip("ChipDef_PIC16F628A.ini"), options);
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    form.SetUseBuiltInTerminal(true);
    QVERIFY(form.PassThroughEnter());
    QVERIFY(run.ShowDetected());
    vesk::TComTerminal& terminal = *form.TerminalPage().ComTerminal1;

    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QCOMPARE(form.TabControl1()->currentIndex(), int(pgTerminal));
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgTerminal));
    QVERIFY(form.TerminalPage().sbPassThrough->isChecked());
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000)); // its last byte goes without an echo
    QCOMPARE(run.Simulator->PassThroughFlags(), 3);      // lines 7,8 and TTL
    QVERIFY(terminal.Connected());
    QCOMPARE(form.TerminalPort().CustomBaudRate(), 9600);
    QVERIFY(!QApplication::overrideCursor());
    // The target's banner arrives through the programmer.
    QVERIFY2(
        QTest::qWaitFor(
            [&] { return ScreenText(terminal).contains(QStringLiteral("VESK demo target ready")); }, 10000),
        qPrintable(ScreenText(terminal)));

    // Typing goes to the target, which echoes in upper case.
    terminal.setFocus();
    QTest::keyClicks(&terminal, QStringLiteral("hello"));
    QVERIFY(QTest::qWaitFor(
        [&] { return run.Simulator->TargetReceived().find("hello") != std::string::npos; }, 10000));
    QVERIFY2(QTest::qWaitFor([&] { return ScreenText(terminal).contains(QStringLiteral("HELLO")); }, 10000),
             qPrintable(ScreenText(terminal)));

    // The clear button empties the screen.
    form.TerminalPage().sbClearTerminal->click();
    QCOMPARE(ScreenText(terminal).trimmed(), QString());

    // Run while the terminal holds the port: the driver cannot open it.
    QVERIFY(form.Actions().atnRunTarget->isEnabled());
    form.Actions().atnRunTarget->trigger();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QVERIFY2(run.Dialogs.Log.last().Message.startsWith(QStringLiteral("VESK device open failed")),
             qPrintable(run.Dialogs.Describe()));
    QVERIFY(terminal.Connected());

    // Button up: the terminal lets go of the port, the programmer is woken out of
    // pass-through and set to its baud rate, then the terminal reconnects at 19200.
    run.Simulator->ClearReceived();
    form.TerminalPage().sbPassThrough->click();
    QVERIFY(!form.TerminalPage().sbPassThrough->isChecked());
    QVERIFY(run.Simulator->WaitPassThrough(false, 5000));
    const std::string sent = run.Simulator->Received();
    const size_t wake = sent.find('\xFF'), baud = sent.find("0014p");
    QVERIFY2(wake != std::string::npos && baud != std::string::npos && wake < baud, sent.c_str());
    QVERIFY(terminal.Connected());
    QCOMPARE(form.TerminalPort().CustomBaudRate(), 19200);
    QVERIFY(!QApplication::overrideCursor());

    // The terminal now talks to the programmer itself, which echoes.
    run.Simulator->ClearReceived();
    terminal.setFocus();
    QTest::keyClicks(&terminal, QStringLiteral("t"));
    QVERIFY(run.Simulator->WaitReceived(1, 5000));

    // Leaving the page frees the port: the next operation can open it.
    form.TabControl1()->setCurrentIndex(pgMain);
    QVERIFY(!terminal.Connected());
    run.Dialogs.Log.clear();
    QVERIFY2(form.ReadTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    // Local echo follows its box and the published property.
    form.TabControl1()->setCurrentIndex(pgTerminal);
    form.TerminalPage().chbLocalEcho->click();
    QVERIFY(form.TerminalLocalEcho());
    QVERIFY(terminal.LocalEcho());
}

void ProgrammingFormPagesTest::externalTerminalLeavesThePageAlone() {
    TSimulatedRun run;
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, QStringLiteral(":0400000001308A0041\n:00000001FF\n"));
    run.WriteSettings(
        QStringLiteral("ImageFileName=%1\nPassThroughLines=0\nPassThroughPolarity=0\n").arg(image));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QCOMPARE(form.TabControl1()->currentIndex(), int(pgMain));
    QVERIFY(!form.TerminalPage().sbPassThrough->isChecked());
    QVERIFY(!form.TerminalPage().ComTerminal1->Connected());
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000));
    QCOMPARE(run.Simulator->PassThroughFlags(), 0); // lines 3,4 and RS232
}

void ProgrammingFormPagesTest::terminalPageTalksToTheProgrammer() {
    TSimulatedRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    // Before a programmer is identified the page leaves the port alone.
    form.TabControl1()->setCurrentIndex(pgTerminal);
    QVERIFY(!form.TerminalPage().ComTerminal1->Connected());
    QVERIFY(!form.TerminalPage().sbPassThrough->isEnabled());
    QVERIFY(!form.TerminalPage().sbClearTerminal->isEnabled());
    QVERIFY(!form.TerminalPage().sbCloseTerminal->isVisible());
    form.TabControl1()->setCurrentIndex(pgMain);
    form.MainPage().btnDetect->click();
    QVERIFY(!form.DeviceDescription().isEmpty());

    // With the button up the terminal runs at the programmer's rate, after the
    // driver has woken the programmer and set that rate.
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    run.Simulator->ClearReceived();
    form.TabControl1()->setCurrentIndex(pgTerminal);
    QVERIFY(form.TerminalPage().sbPassThrough->isEnabled());
    QVERIFY(form.TerminalPage().ComTerminal1->Connected());
    QTRY_VERIFY(form.TerminalPage().ComTerminal1->hasFocus());
    QCOMPARE(form.TerminalPort().CustomBaudRate(), 19200);
    QVERIFY(run.Simulator->Received().find("0014p") != std::string::npos);
    QVERIFY(!run.Simulator->InPassThrough());
    // Errors of the terminal go to the application's standard error box.
    form.TerminalPage().ComTerminal1->OnError(vesk::Exception("line lost"));
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QCOMPARE(run.Dialogs.Log.last().Message, QStringLiteral("line lost."));
    // Another page disconnects it.
    form.TabControl1()->setCurrentIndex(pgSettings);
    QVERIFY(!form.TerminalPage().ComTerminal1->Connected());
}

void ProgrammingFormPagesTest::passThroughFailureLeavesTerminalDisconnected() {
    TSimulatedRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    form.TabControl1()->setCurrentIndex(pgTerminal);
    QVERIFY(form.TerminalPage().ComTerminal1->Connected());
    // The programmer stops answering: pressing the button reports the driver's
    // error; the button keeps its state, the terminal stays off, the cursor normal.
    vesk::sim::TFaults faults;
    faults.NeverAnswer = true;
    run.Simulator->SetFaults(faults);
    form.SetComReadTimeout(50); // no answer comes: a short wait is enough
    form.TerminalPage().sbPassThrough->click();
    QVERIFY(form.TerminalPage().sbPassThrough->isChecked());
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
    QVERIFY2(run.Dialogs.Log.last().Message.startsWith(QStringLiteral("VESK wakeup failed")),
             qPrintable(run.Dialogs.Describe()));
    QVERIFY(!form.TerminalPage().ComTerminal1->Connected());
    QVERIFY(!QApplication::overrideCursor());
    run.Device->Close();
}

void ProgrammingFormPagesTest::terminalKeepsTheLineWhileTheWindowIsAway() {
    TSimulatedRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    vesk::TComTerminal& terminal = *form.TerminalPage().ComTerminal1;
    form.TabControl1()->setCurrentIndex(pgTerminal);
    form.TerminalPage().sbPassThrough->click();
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000));
    QVERIFY(terminal.Connected());
    form.TerminalPage().sbClearTerminal->click();

    // The target's own serial line, behind the programmer.
    vesk::TComPort target;
    target.SetPort(run.Simulator->TargetSlavePath());
    target.SetBaudRate(vesk::brCustom);
    target.SetCustomBaudRate(9600);
    target.Open();
    // The simulator notices the terminal's reopening of the line a moment after it.
    QVERIFY(QTest::qWaitFor([&] { return !run.Simulator->HostClosed(); }, 5000));
    const int connections = run.Simulator->Connections();
    run.Simulator->ClearReceived();
    QSignalSpy connectedChanges(&terminal, &vesk::TComTerminal::ConnectedChanged);

    // The window taken away and given back as a window manager does it; meanwhile the
    // target prints a line that begins with a sequence the screen must not show.
    const auto minimised = [&] { return form.isMinimized(); };
    const auto away = [&] { return form.isMinimized() || !form.isVisible(); };
    struct Step {
        const char* Line;
        std::function<void()> Away, Back;
    };
    const Step steps[] = {
        {"\033(BMINIMISED", [&] { form.showMinimized(); }, [&] { form.showNormal(); }},
        {"\033)0HIDDEN", [&] { form.hide(); }, [&] { form.show(); }},
        {"\033[3~ICONIFIED", [&] { form.setWindowState(form.windowState() | Qt::WindowMinimized); },
         [&] { form.setWindowState(form.windowState() & ~Qt::WindowMinimized); }},
    };
    int row = 0;
    for (const Step& step : steps) {
        const std::string line = step.Line;
        const QString text = QString::fromStdString(line.substr(line.find_first_of("MHI")));
        step.Away();
        QVERIFY(QTest::qWaitFor(away, 5000));
        target.WriteStr(line + "\r\n");
        ++row;
        QVERIFY2(QTest::qWaitFor([&] { return terminal.Model().RowText(row) == text.toStdString(); }, 10000),
                 qPrintable(ScreenText(terminal)));
        step.Back();
        QVERIFY(QTest::qWaitFor([&] { return !away(); }, 5000));
        QVERIFY(!minimised());
        QVERIFY(terminal.Connected());
    }
    // The line was never let go of and the programmer heard nothing.
    QCOMPARE(connectedChanges.count(), 0);
    QCOMPARE(run.Simulator->Connections(), connections);
    QVERIFY(run.Simulator->InPassThrough());
    QVERIFY2(run.Simulator->Received().empty(), run.Simulator->Received().c_str());
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(ScreenText(terminal).trimmed(), QStringLiteral("MINIMISED\nHIDDEN\nICONIFIED"));

    // Another page still lets go of the port, and coming back enters pass-through again.
    form.TabControl1()->setCurrentIndex(pgSettings);
    QVERIFY(!terminal.Connected());
    form.TabControl1()->setCurrentIndex(pgTerminal);
    QVERIFY(terminal.Connected());
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000));
    QVERIFY(run.Simulator->Received().find('\xFF') != std::string::npos);
    QCOMPARE(connectedChanges.count(), 2);
    target.WriteStr("BACK\r\n");
    QVERIFY2(QTest::qWaitFor([&] { return terminal.Model().RowText(4) == "BACK"; }, 10000),
             qPrintable(ScreenText(terminal)));
}

QTEST_MAIN(ProgrammingFormPagesTest)
#include "ProgrammingFormPages_test.moc"
