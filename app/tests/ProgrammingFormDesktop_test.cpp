// Window tests of what a desktop user expects: the start-up that tells a missing
// programmer without a box and takes the one USB adapter on a first start, the image
// file dropped or written again whenever it changes, the terminal's scroll-back and
// text, and a larger window that its pages follow and that opens as it was closed.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "ComComboBox.h"
#include "StateLamp.h"
#include "WindowRun.h"
#include "bufferview/HexEditor.h"
#include "termview/ComTerminal.h"

namespace {

const QString Image1 = QStringLiteral(":0400000001308A0041\n:00000001FF\n"); // 0x3001, 0x008A
const QString Image2 = QStringLiteral(":0400000002308A0040\n:00000001FF\n"); // 0x3002, 0x008A

// A prepared /sys with a legacy UART and `usb` USB adapters ttyUSB0, ttyUSB1, ...
QString SystemTree(const QString& root, int usb) {
    QDir dir(root);
    dir.mkpath(QStringLiteral("class/tty/ttyS0/device"));
    WriteText(root + QStringLiteral("/class/tty/ttyS0/type"), QStringLiteral("4\n"));
    for (int i = 0; i < usb; ++i) {
        const QString device = QStringLiteral("%1/devices/usb1/1-%2").arg(root).arg(i);
        const QString tty = QStringLiteral("ttyUSB%1").arg(i);
        dir.mkpath(device + QStringLiteral("/1-0:1.0/") + tty);
        WriteText(device + QStringLiteral("/idVendor"), QStringLiteral("0403\n"));
        dir.mkpath(QStringLiteral("class/tty/") + tty);
        QFile::link(device + QStringLiteral("/1-0:1.0/") + tty,
                    root + QStringLiteral("/class/tty/") + tty + QStringLiteral("/device"));
    }
    return root;
}

// Drops `file` on `target` as a file manager does.
void Drop(QWidget* target, const QString& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

} // namespace

class ProgrammingFormDesktopTest : public QObject {
    Q_OBJECT
  private slots:
    void startupWithoutProgrammerShowsNoBox();
    void firstStartTakesTheOneUsbAdapter_data();
    void firstStartTakesTheOneUsbAdapter();
    void droppedFileBecomesTheImage();
    void watchWritesOncePerSettledChange();
    void terminalScrollBackCopyPasteAndSave();
    void largerWindowOpensAsItWasClosed();
};

void ProgrammingFormDesktopTest::startupWithoutProgrammerShowsNoBox() {
    TWindowRun run;
    const QString port = QStringLiteral("/dev/ttyNoSuchPort");
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\nComPort=%1\n").arg(port));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show(true));
    QTRY_COMPARE_WITH_TIMEOUT(form.LampPicture(), int(lsRed), 10000);
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    const TMainPage& main = form.MainPage();
    QCOMPARE(main.lblDevice->text(), QStringLiteral("Programmer not found on ") + port);
    QVERIFY2(main.lblDevice->toolTip().startsWith(QStringLiteral("VESK device open failed\n")),
             qPrintable(main.lblDevice->toolTip()));
    QVERIFY(main.btnPortSettings->isVisible());
    main.btnPortSettings->click();
    QCOMPARE(form.PageControl1()->currentIndex(), int(pgSettings));
    QCOMPARE(form.TabControl1()->currentIndex(), int(pgSettings));
    // The Detect button still tells it in the box.
    form.TabControl1()->setCurrentIndex(pgMain);
    main.btnDetect->click();
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1);
}

void ProgrammingFormDesktopTest::firstStartTakesTheOneUsbAdapter_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("adapters");
    QTest::addColumn<QString>("port");
    QTest::newRow("one adapter") << QString() << 1 << QStringLiteral("/dev/ttyUSB0");
    QTest::newRow("two adapters") << QString() << 2 << QStringLiteral("COM1");
    QTest::newRow("none") << QString() << 0 << QStringLiteral("COM1");
    QTest::newRow("port chosen") << QStringLiteral("ComPort=/dev/ttyS0\n") << 1
                                 << QStringLiteral("/dev/ttyS0");
}

void ProgrammingFormDesktopTest::firstStartTakesTheOneUsbAdapter() {
    QFETCH(QString, settings);
    QFETCH(int, adapters);
    QFETCH(QString, port);
    TWindowRun run;
    WriteText(run.IniPath(), QStringLiteral("[DIRUD]\n") + settings);
    TProgrammingForm& form = run.Create();
    form.SetComDeviceRoot(SystemTree(run.Path(QStringLiteral("sys")), adapters));
    QVERIFY(run.Show());
    QCOMPARE(form.ComPort(), port);
    QCOMPARE(form.SettingsPage().cbxComPort->currentText(), port);
}

void ProgrammingFormDesktopTest::droppedFileBecomesTheImage() {
    TWindowRun run;
    const QString image = run.Path(QStringLiteral("dropped.hex"));
    WriteText(image, Image1);
    TProgrammingForm& form = run.Create();
    QVERIFY(run.Show());
    Drop(&form, image);
    QCOMPARE(form.ImageFileName(), image);
    QCOMPARE(form.MainPage().cbxImageFile->currentText(), image);
    // On the image box too: the file is the image, not text put into the box.
    const QString gone = run.Path(QStringLiteral("gone.hex"));
    Drop(form.MainPage().cbxImageFile->lineEdit(), gone);
    QCOMPARE(form.MainPage().cbxImageFile->currentText(), gone);
    QCOMPARE(run.Dialogs.Count(QStringLiteral("application")), 1); // loaded once, and told
    QVERIFY(run.Dialogs.Log.front().Message.contains(gone));
}

void ProgrammingFormDesktopTest::watchWritesOncePerSettledChange() {
    TSimulatedRun run;
    const QString image = run.Path(QStringLiteral("blink.hex"));
    WriteText(image, Image1);
    run.WriteSettings(QStringLiteral("ImageFileName=%1\nWriteOnImageChange=1\n").arg(image));
    TProgrammingForm& form = run.Create();
    auto now = vesk::TImageFileWatch::TClock::time_point{};
    form.WatchClock = [&now] { return now; };
    QVERIFY(run.ShowDetected());
    form.ImageWatchTimer()->stop(); // the test looks at the file itself
    const QLabel* state = form.MainPage().lblImageWatch;
    QCOMPARE(state->text(), QStringLiteral("Watching blink.hex: waiting for a change"));
    QVERIFY(form.MainPage().chbWriteOnImageChange->isChecked());
    auto look = [&](int ms) {
        now += std::chrono::milliseconds(ms);
        form.tmrImageWatchTimer();
    };
    // Half written: seen, settled, not taken.
    WriteText(image, Image2.left(20));
    look(0);
    look(600);
    QVERIFY2(state->text().contains(QStringLiteral("not a whole image")), qPrintable(state->text()));
    QCOMPARE(run.Simulator->Word(0), 0x3FFF);
    // Whole: written once, after half a second.
    WriteText(image, Image2);
    look(0);
    look(400);
    QCOMPARE(run.Simulator->Word(0), 0x3FFF);
    look(100);
    QCOMPARE(run.Simulator->Word(0), 0x3002);
    QVERIFY2(state->text().contains(QStringLiteral("written at")), qPrintable(state->text()));
    QCOMPARE(form.RecentFiles(), QStringList({image}));
    run.Simulator->ClearReceived();
    look(5000);
    QVERIFY(run.Simulator->Received().empty());
    // A change that settles during a Read is written after it.
    QObject::connect(form.MainPage().ProgressBar1, &QProgressBar::valueChanged, &form, [&](int value) {
        if (value != 50) return;
        WriteText(image, Image1);
        look(0);
        look(600);
    });
    QVERIFY(form.ReadTarget(vesk::AllRegions));
    QCOMPARE(run.Simulator->Word(0), 0x3002);
    QCOMPARE(state->text(),
             QStringLiteral("Watching blink.hex: changed, written when this operation has ended"));
    look(100);
    QCOMPARE(run.Simulator->Word(0), 0x3001);
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
}

void ProgrammingFormDesktopTest::terminalScrollBackCopyPasteAndSave() {
    TSimulatedRun run;
    run.WriteSettings();
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    form.TabControl1()->setCurrentIndex(pgTerminal);
    vesk::TComTerminal* terminal = form.TerminalPage().ComTerminal1;
    QVERIFY(terminal->Connected());
    for (int i = 1; i <= 1100; ++i)
        terminal->WriteStr("line " + std::to_string(i) + "\r\n");
    QScrollBar* bar = form.TerminalPage().TerminalBox->verticalScrollBar();
    QTRY_COMPARE(terminal->height(), terminal->Model().LineCount() * terminal->CellHeight());
    QCOMPARE(bar->value(), bar->maximum()); // the newest line in view
    // The wheel and Shift+PageUp reach the first line of the thousand.
    // (The terminal leaves the wheel to the box; an event sent by hand does not travel
    // up from it as a real one does, so it goes to the box's viewport.)
    QWidget* viewport = form.TerminalPage().TerminalBox->viewport();
    QWheelEvent wheel(QPointF(10, 10), viewport->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    QVERIFY(bar->value() < bar->maximum());
    for (int page = 0; page < 500 && bar->value() > 0; ++page)
        QTest::keyClick(terminal, Qt::Key_PageUp, Qt::ShiftModifier);
    QCOMPARE(bar->value(), 0); // the first line in view
    QCOMPARE(terminal->Model().LineText(1), std::string("line 1"));
    // Select with the mouse, copy, and paste into the line.
    const QRect first = terminal->LineRect(1, 2), last = terminal->LineRect(4, 3);
    QTest::mousePress(terminal, Qt::LeftButton, {}, first.center());
    QMouseEvent move(QEvent::MouseMove, last.center(), terminal->mapToGlobal(last.center()), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(terminal, &move);
    QTest::mouseRelease(terminal, Qt::LeftButton, {}, last.center());
    QCOMPARE(terminal->SelectedText(), QStringLiteral("line 2\nline"));
    QTest::keyClick(terminal, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("line 2\nline"));
    form.TerminalPage().sbPassThrough->click(); // to the target's line
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000));
    QTest::keyClick(terminal, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(QString::fromStdString(run.Simulator->TargetReceived()), QStringLiteral("line 2\r\nline"));
    QCOMPARE(bar->value(), bar->maximum()); // what goes to the line brings the view back down
    // "Save terminal text…" writes every line.
    run.Dialogs.ConfirmFile = true;
    run.Dialogs.FileToChoose = run.Path(QStringLiteral("session.txt"));
    form.TerminalPage().sbSaveTerminal->click();
    const QString saved = ReadText(run.Dialogs.FileToChoose);
    QVERIFY(saved.startsWith(QStringLiteral("line 1\nline 2\n")));
    QVERIFY(saved.endsWith(QStringLiteral("line 1100\n")));
}

void ProgrammingFormDesktopTest::largerWindowOpensAsItWasClosed() {
    TSimulatedRun run;
    run.WriteSettings(QStringLiteral("WindowSize=700,500\nWindowPlace=10,20\n"));
    TProgrammingForm& form = run.Create();
    QCOMPARE(form.geometry(), QRect(10, 20, 700, 500));
    form.resize(1280, 760); // larger than the offscreen screen, as on a larger desktop
    QVERIFY(run.ShowDetected());
    form.MainPage().cbxTargetType->setCurrentIndex(1);
    emit form.MainPage().cbxTargetType->activated(1);
    form.TabControl1()->setCurrentIndex(pgBuffer);
    QTableView* grid = form.BufferPage().HexEditor1->View();
    QTRY_VERIFY(grid->viewport()->width() > 1000);
    QVERIFY(!grid->horizontalScrollBar()->isVisible()); // every column in view
    QVERIFY(grid->rowAt(grid->viewport()->height() - 1) > 30);
    form.TabControl1()->setCurrentIndex(pgTerminal);
    vesk::TComTerminal* terminal = form.TerminalPage().ComTerminal1;
    QVERIFY(form.TerminalPage().TerminalBox->viewport()->height() / terminal->CellHeight() > 30);
    form.setGeometry(30, 40, 760, 560);
    run.Close();
    const QString ini = ReadText(run.IniPath());
    QVERIFY2(ini.contains(QStringLiteral("VerifyAfterWrite=0\nWriteOnImageChange=0\nWindowSize=760,560\n"
                                         "WindowPlace=30,40\n")),
             qPrintable(ini));
    QCOMPARE(run.Create().geometry(), QRect(30, 40, 760, 560));
    // Never larger than the screen, nor on a screen that is gone.
    run.Form->SetWindowSize(QStringLiteral("5000,4000"));
    run.Form->SetWindowPlace(QStringLiteral("-3000,20"));
    QCOMPARE(run.Form->geometry(), QRect(QPoint(30, 40), QGuiApplication::primaryScreen()->availableSize()));
}

QTEST_MAIN(ProgrammingFormDesktopTest)
#include "ProgrammingFormDesktop_test.moc"
