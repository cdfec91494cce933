// The terminal view on a real serial port: bytes from the far end of a
// pseudo-terminal reach the screen on the GUI thread, the watcher follows every
// open and close of the port, and a hung-up line closes the port and is reported.

#include "PtyMaster.h"
#include "termview/ComTerminal.h"

#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace vesk;
using vesk::test::PtyMaster;

namespace {

constexpr int Wait = 20000; // generous: only a hang would take this long

QString Row(const TComTerminal& terminal, int row) {
    return QString::fromStdString(terminal.Model().RowText(row));
}

// Records what reaches OnError.
struct ErrorLog {
    QStringList Messages;
    void Attach(TComTerminal& terminal) {
        terminal.OnError = [this](const std::exception& e) { Messages << QString::fromUtf8(e.what()); };
    }
};

} // namespace

class ComTerminalPortTest : public QObject {
    Q_OBJECT
  private slots:
    void ReceivedBytesAppearOnScreen();
    void SequencesCutIntoPiecesDecodeAsWhole();
    void PortOpenedBeforeAttachingDelivers();
    void ReconnectWatchesTheNewHandle();
    void PortNameChangeWhileOpenKeepsDelivering();
    void DisconnectClosesThePort();
    void DetachedPortNoLongerFeedsTheScreen();
    void SwitchingPortsMovesTheLink();
    void CursorPositionQueryIsAnswered();
    void AppendLFAddsLineFeeds();
    void HungUpLineClosesThePortAndIsReported();
    void HangUpWithoutHandlerShowsAnErrorBox();
    void DestroyedTerminalLeavesThePortUsable();
    void OpenFailureReachesTheCaller();
    void ConnectWithoutPortDoesNothing();
};

void ComTerminalPortTest::ReceivedBytesAppearOnScreen() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    QCOMPARE(terminal.ComPort(), &port);
    QVERIFY(!terminal.Connected());
    terminal.SetConnected(true);
    QVERIFY(terminal.Connected());
    QVERIFY(port.Connected());

    line.Send("Hello\r\nWorld");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 2), QStringLiteral("World"), Wait);
    QCOMPARE(Row(terminal, 1), QStringLiteral("Hello"));
    QCOMPARE(terminal.Model().CaretColumn(), 6);
    QCOMPARE(terminal.Model().CaretRow(), 2);
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::SequencesCutIntoPiecesDecodeAsWhole() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    terminal.SetConnected(true);

    // Serial reads cut sequences anywhere; each piece is processed on its own.
    line.Send("\033[");
    QTest::qWait(50);
    line.Send("5;1");
    QTest::qWait(50);
    line.Send("0HX");
    QTRY_COMPARE_WITH_TIMEOUT(terminal.Model().Cell(10, 5).Ch, (unsigned char)'X', Wait);
    QCOMPARE(Row(terminal, 1), QString());
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::PortOpenedBeforeAttachingDelivers() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    port.Open();
    line.Send("early");
    TComTerminal terminal;
    terminal.SetComPort(&port);
    QVERIFY(terminal.Connected());
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("early"), Wait);
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::ReconnectWatchesTheNewHandle() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    QSignalSpy changes(&terminal, &TComTerminal::ConnectedChanged);

    terminal.SetConnected(true);
    line.Send("one ");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("one"), Wait);
    terminal.SetConnected(false);
    QVERIFY(!port.Connected());
    // Opened again, here by the port's owner directly: a new handle to watch.
    port.Open();
    line.Send("two");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("one two"), Wait);

    QCOMPARE(changes.count(), 3);
    QCOMPARE(changes.at(0).at(0).toBool(), true);
    QCOMPARE(changes.at(1).at(0).toBool(), false);
    QCOMPARE(changes.at(2).at(0).toBool(), true);
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::PortNameChangeWhileOpenKeepsDelivering() {
    PtyMaster first, second;
    TComPort port;
    port.SetPort(first.SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    terminal.SetConnected(true);
    first.Send("a");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("a"), Wait);

    port.SetPort(second.SlavePath()); // closes and reopens on the other device
    QVERIFY(port.Connected());
    second.Send("b");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("ab"), Wait);
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::DisconnectClosesThePort() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    terminal.SetConnected(true);
    line.Send("kept");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("kept"), Wait);
    terminal.SetConnected(false);
    QVERIFY(!terminal.Connected());
    QVERIFY(!port.Connected());
    // The screen survives a disconnect.
    QCOMPARE(Row(terminal, 1), QStringLiteral("kept"));
    // The device is free again for another user (the driver).
    TComPort other;
    other.SetPort(line.SlavePath());
    other.Open();
    QVERIFY(other.Connected());
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::DetachedPortNoLongerFeedsTheScreen() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    terminal.SetConnected(true);
    terminal.SetComPort(nullptr);
    QVERIFY(!terminal.Connected());
    QVERIFY(port.Connected()); // detaching does not close

    line.Send("unseen");
    QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 6, Wait);
    QTest::qWait(100);
    QCOMPARE(Row(terminal, 1), QString());
    // Without a link that takes them, the bytes stay queued for the port's owner.
    QCOMPARE(port.InputCount(), 6);

    // Attached again, the queued bytes are delivered at once.
    terminal.SetComPort(&port);
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("unseen"), Wait);
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::SwitchingPortsMovesTheLink() {
    PtyMaster first, second;
    TComPort a, b;
    a.SetPort(first.SlavePath());
    b.SetPort(second.SlavePath());
    a.Open();
    b.Open();
    TComTerminal terminal;
    terminal.SetComPort(&a);
    terminal.SetComPort(&b);
    QCOMPARE(terminal.ComPort(), &b);
    first.Send("A");
    second.Send("B");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("B"), Wait);
    QTRY_COMPARE_WITH_TIMEOUT(a.InputCount(), 1, Wait); // the old port keeps its byte
    QCOMPARE(Row(terminal, 1), QStringLiteral("B"));
    // Key strokes go to the new port only.
    terminal.SendChar('k');
    QCOMPARE(QString::fromStdString(second.Receive(1)), QStringLiteral("k"));
    QCOMPARE(QString::fromStdString(first.ReceiveAll(50)), QString());
    // The old port can take a link again.
    TComTerminal other;
    other.SetComPort(&a);
    QTRY_COMPARE_WITH_TIMEOUT(Row(other, 1), QStringLiteral("A"), Wait);
    other.SetComPort(nullptr);
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::CursorPositionQueryIsAnswered() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    terminal.SetConnected(true);
    line.Send("\033[3;7H\033[6n\033[5n");
    const std::string expected = "\033[3;7R\033[0n";
    QCOMPARE(QString::fromStdString(line.Receive(expected.size())), QString::fromStdString(expected));
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::AppendLFAddsLineFeeds() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    TComTerminal terminal;
    terminal.SetAppendLF(true);
    terminal.SetComPort(&port);
    terminal.SetConnected(true);
    line.Send("up\rdown");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 2), QStringLiteral("down"), Wait);
    QCOMPARE(Row(terminal, 1), QStringLiteral("up"));
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::HungUpLineClosesThePortAndIsReported() {
    auto line = std::make_unique<PtyMaster>();
    TComPort port;
    port.SetPort(line->SlavePath());
    TComTerminal terminal;
    ErrorLog errors;
    errors.Attach(terminal);
    terminal.SetComPort(&port);
    terminal.SetConnected(true);
    QSignalSpy changes(&terminal, &TComTerminal::ConnectedChanged);
    line->Send("bye");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("bye"), Wait);

    line->CloseMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!port.Connected(), Wait);
    QCOMPARE(errors.Messages.size(), 1);
    QVERIFY2(errors.Messages.at(0).startsWith(QStringLiteral("ClearCommError function failed")),
             qPrintable(errors.Messages.at(0)));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toBool(), false);
    QVERIFY(!terminal.Connected());

    // Nothing keeps firing once the port is closed.
    QTest::qWait(200);
    QCOMPARE(errors.Messages.size(), 1);
    QCOMPARE(Row(terminal, 1), QStringLiteral("bye"));

    // A new line can be connected afterwards.
    line = std::make_unique<PtyMaster>();
    port.SetPort(line->SlavePath());
    terminal.SetConnected(true);
    line->Send(" again");
    QTRY_COMPARE_WITH_TIMEOUT(Row(terminal, 1), QStringLiteral("bye again"), Wait);
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::HangUpWithoutHandlerShowsAnErrorBox() {
    QApplication::setApplicationDisplayName(QStringLiteral("Winvesk"));
    auto line = std::make_unique<PtyMaster>();
    TComPort port;
    port.SetPort(line->SlavePath());
    TComTerminal terminal;
    terminal.SetComPort(&port);
    terminal.SetConnected(true);

    // Closes each message box that comes up and notes its caption and text.
    QStringList boxes;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes << box->windowTitle() + QLatin1Char('|') + box->text();
            box->accept();
        }
    });
    closer.start(10);

    line->CloseMaster();
    QTRY_VERIFY_WITH_TIMEOUT(!boxes.isEmpty(), Wait);
    QTest::qWait(100);
    // The vanished line is named as such, with what the user may do; no full
    // stop is added after the one the message ends with.
    QCOMPARE(boxes,
             QStringList{QStringLiteral("Winvesk|ClearCommError function failed: Input/output error (error "
                                        "5)\nThe device is gone (adapter unplugged?); when it is back, its "
                                        "port may have another name.")});
    QVERIFY(!port.Connected());
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::DestroyedTerminalLeavesThePortUsable() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    {
        TComTerminal terminal;
        terminal.SetComPort(&port);
        terminal.SetConnected(true);
    }
    QVERIFY(port.Connected());
    line.Send("x");
    QTRY_COMPARE_WITH_TIMEOUT(port.InputCount(), 1, Wait);
    port.ProcessReceived(); // no link left to call
    QTest::qWait(50);

    // A new terminal can take the port over.
    TComTerminal next;
    next.SetComPort(&port);
    QTRY_COMPARE_WITH_TIMEOUT(Row(next, 1), QStringLiteral("x"), Wait);
    next.SetComPort(nullptr);
}

void ComTerminalPortTest::OpenFailureReachesTheCaller() {
    TComPort port;
    port.SetPort("/nonexistent/ttyVESK");
    TComTerminal terminal;
    terminal.SetComPort(&port);
    try {
        terminal.SetConnected(true);
        QFAIL("opening a missing device succeeded");
    } catch (const EComPort& e) {
        QCOMPARE(e.Code(), ErrOpen);
        QCOMPARE(QString::fromUtf8(e.what()),
                 QStringLiteral(
                     "Unable to open com port /nonexistent/ttyVESK: No such file or directory (error 2)"));
    }
    QVERIFY(!terminal.Connected());
    terminal.SetComPort(nullptr);
}

void ComTerminalPortTest::ConnectWithoutPortDoesNothing() {
    TComTerminal terminal;
    terminal.SetConnected(true);
    QVERIFY(!terminal.Connected());
    QCOMPARE(terminal.ComPort(), nullptr);
}

QTEST_MAIN(ComTerminalPortTest)
#include "ComTerminalPort_test.moc"
