// Key strokes on the terminal view come out at the far end of the line as the
// right bytes: characters, carriage return with and without SendLF, cursor keys in
// normal and application mode, Tab, local echo, and errors of the line.

#include "PtyMaster.h"
#include "termview/ComTerminal.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>
#include <QtTest>

using namespace vesk;
using vesk::test::PtyMaster;

namespace {

constexpr int Wait = 20000;

QString Row(const TComTerminal& terminal, int row) {
    return QString::fromStdString(terminal.Model().RowText(row));
}

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

// A terminal connected to the slave side of a pseudo-terminal.
struct Connected {
    PtyMaster Line;
    TComPort Port;
    TComTerminal Terminal;
    QStringList Errors;
    Connected() {
        Port.SetPort(Line.SlavePath());
        Terminal.OnError = [this](const std::exception& e) { Errors << QString::fromUtf8(e.what()); };
        Terminal.SetComPort(&Port);
        Terminal.SetConnected(true);
    }
    ~Connected() { Terminal.SetComPort(nullptr); }
    QByteArray Receive(size_t count) { return Bytes(Line.Receive(count)); }
};

} // namespace

class ComTerminalKeysTest : public QObject {
    Q_OBJECT
  private slots:
    void TypedCharactersGoToTheLine();
    void ReturnWithAndWithoutSendLF();
    void CursorKeysInNormalMode();
    void CursorKeysInApplicationMode();
    void LocalEchoShowsWhatIsTyped();
    void LocalEchoAppliesCursorKeys();
    void WindowsArrowKeysOnlyMoveTheCaret();
    void ClosedPortSendsAndShowsNothing();
    void ControlKeysSendTheirCodes();
    void CharacterSetChoosesTheByte();
    void TabMovesTheFocusUnlessWanted();
    void WriteFailureIsReported();
    void MiddleButtonAndMenuPaste();
};

void ComTerminalKeysTest::TypedCharactersGoToTheLine() {
    Connected t;
    QTest::keyClicks(&t.Terminal, QStringLiteral("abc 1;"));
    QCOMPARE(t.Receive(6), QByteArray("abc 1;"));
    // Without local echo nothing is shown.
    QCOMPARE(Row(t.Terminal, 1), QString());
    QVERIFY(t.Errors.isEmpty());
}

void ComTerminalKeysTest::ReturnWithAndWithoutSendLF() {
    Connected t;
    QVERIFY(!t.Terminal.SendLF());
    QTest::keyClick(&t.Terminal, Qt::Key_Return);
    QTest::keyClick(&t.Terminal, 'x');
    QCOMPARE(t.Receive(2), QByteArray("\rx"));

    t.Terminal.SetSendLF(true);
    QTest::keyClick(&t.Terminal, Qt::Key_Return);
    QTest::keyClick(&t.Terminal, Qt::Key_Enter); // the keypad's Enter as well
    QCOMPARE(t.Receive(4), QByteArray("\r\n\r\n"));
}

void ComTerminalKeysTest::CursorKeysInNormalMode() {
    Connected t;
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_Home})
        QTest::keyClick(&t.Terminal, key);
    QCOMPARE(t.Receive(15), QByteArray("\033[A\033[B\033[C\033[D\033[H"));
    // Without local echo the caret stays.
    QCOMPARE(t.Terminal.Model().CaretColumn(), 1);
    QCOMPARE(t.Terminal.Model().CaretRow(), 1);
}

void ComTerminalKeysTest::CursorKeysInApplicationMode() {
    Connected t;
    t.Line.Send("\033[?1h"); // the far end asks for application cursor keys
    QTRY_VERIFY_WITH_TIMEOUT(t.Terminal.Model().AppCursorKeys(), Wait);
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_Home})
        QTest::keyClick(&t.Terminal, key);
    QTest::keyClick(&t.Terminal, 'z'); // Home sent nothing: 'z' follows at once
    QCOMPARE(t.Receive(13), QByteArray("\033OA\033OB\033OC\033ODz"));

    t.Line.Send("\033[?1l");
    QTRY_VERIFY_WITH_TIMEOUT(!t.Terminal.Model().AppCursorKeys(), Wait);
    QTest::keyClick(&t.Terminal, Qt::Key_Up);
    QCOMPARE(t.Receive(3), QByteArray("\033[A"));
}

void ComTerminalKeysTest::LocalEchoShowsWhatIsTyped() {
    Connected t;
    t.Terminal.SetLocalEcho(true);
    t.Terminal.SetSendLF(true);
    QTest::keyClicks(&t.Terminal, QStringLiteral("hi"));
    QTest::keyClick(&t.Terminal, Qt::Key_Return);
    QTest::keyClicks(&t.Terminal, QStringLiteral("there"));
    QCOMPARE(t.Receive(9), QByteArray("hi\r\nthere"));
    QCOMPARE(Row(t.Terminal, 1), QStringLiteral("hi"));
    QCOMPARE(Row(t.Terminal, 2), QStringLiteral("there"));
    QCOMPARE(t.Terminal.Model().CaretColumn(), 6);
    QCOMPARE(t.Terminal.Model().CaretRow(), 2);
}

void ComTerminalKeysTest::LocalEchoAppliesCursorKeys() {
    Connected t;
    t.Terminal.SetLocalEcho(true);
    t.Terminal.WriteStr("\033[5;5H");
    QTest::keyClick(&t.Terminal, Qt::Key_Up);
    QTest::keyClick(&t.Terminal, Qt::Key_Left);
    QCOMPARE(t.Receive(6), QByteArray("\033[A\033[D"));
    QCOMPARE(t.Terminal.Model().CaretRow(), 4);
    QCOMPARE(t.Terminal.Model().CaretColumn(), 4);
    QTest::keyClick(&t.Terminal, Qt::Key_Home);
    QCOMPARE(t.Receive(3), QByteArray("\033[H"));
    QCOMPARE(t.Terminal.Model().CaretRow(), 1);
    QCOMPARE(t.Terminal.Model().CaretColumn(), 1);
}

void ComTerminalKeysTest::WindowsArrowKeysOnlyMoveTheCaret() {
    Connected t;
    t.Terminal.SetArrowKeys(TArrowKeys::akWindows);
    t.Terminal.WriteStr("\033[5;5H");
    QTest::keyClick(&t.Terminal, Qt::Key_Down);
    QTest::keyClick(&t.Terminal, Qt::Key_Right);
    QTest::keyClick(&t.Terminal, 'k');
    QCOMPARE(t.Receive(1), QByteArray("k")); // the keys sent nothing before it
    QCOMPARE(t.Terminal.Model().CaretRow(), 6);
    QCOMPARE(t.Terminal.Model().CaretColumn(), 6);
}

void ComTerminalKeysTest::ClosedPortSendsAndShowsNothing() {
    Connected t;
    t.Terminal.SetLocalEcho(true);
    t.Terminal.SetConnected(false);
    QTest::keyClicks(&t.Terminal, QStringLiteral("lost"));
    QTest::keyClick(&t.Terminal, Qt::Key_Up);
    QCOMPARE(Row(t.Terminal, 1), QString());
    QVERIFY(t.Errors.isEmpty());

    // Nor without any port.
    TComTerminal bare;
    bare.SetLocalEcho(true);
    QTest::keyClicks(&bare, QStringLiteral("lost"));
    QCOMPARE(Row(bare, 1), QString());
}

void ComTerminalKeysTest::ControlKeysSendTheirCodes() {
    Connected t;
    QTest::keyClick(&t.Terminal, Qt::Key_Backspace);
    QTest::keyClick(&t.Terminal, Qt::Key_Escape);
    QTest::keyClick(&t.Terminal, Qt::Key_C, Qt::ControlModifier);
    // Keys without a character (function keys, modifiers) send nothing.
    QTest::keyClick(&t.Terminal, Qt::Key_F5);
    QTest::keyClick(&t.Terminal, Qt::Key_Shift);
    QTest::keyClick(&t.Terminal, '.');
    QCOMPARE(t.Receive(4), QByteArray("\b\033\003."));
}

void ComTerminalKeysTest::CharacterSetChoosesTheByte() {
    Connected t;
    auto type = [&](QChar ch) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(&t.Terminal, &press);
    };
    t.Terminal.SetCharSet(TTermCharSet::tcsEastEurope);
    type(QChar(0x0142)); // l with stroke: 0xB3 in code page 1250
    type(QChar(0x20AC)); // euro sign: 0x80
    type(QChar(0x4E2D)); // not in the set: nothing
    t.Terminal.SetCharSet(TTermCharSet::tcsWestern);
    type(QChar(0x00E9)); // e acute: 0xE9 in ISO 8859-1
    type(QChar(0x0142)); // not in the set: nothing
    type(QChar('!'));
    QCOMPARE(t.Receive(4), QByteArray("\xB3\x80\xE9!"));
}

void ComTerminalKeysTest::TabMovesTheFocusUnlessWanted() {
    PtyMaster line;
    TComPort port;
    port.SetPort(line.SlavePath());
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* terminal = new TComTerminal;
    auto* edit = new QLineEdit;
    layout->addWidget(terminal);
    layout->addWidget(edit);
    terminal->SetComPort(&port);
    terminal->SetConnected(true);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    terminal->setFocus();
    QTRY_VERIFY(terminal->hasFocus());

    QTest::keyClick(terminal, Qt::Key_Tab);
    QTRY_VERIFY(edit->hasFocus());
    QCOMPARE(Bytes(line.ReceiveAll(100)), QByteArray());

    terminal->SetWantTab(true);
    terminal->setFocus();
    QTRY_VERIFY(terminal->hasFocus());
    QTest::keyClick(terminal, Qt::Key_Tab);
    QVERIFY(terminal->hasFocus());
    QCOMPARE(Bytes(line.Receive(1)), QByteArray("\t"));
    terminal->SetComPort(nullptr);
}

void ComTerminalKeysTest::WriteFailureIsReported() {
    Connected t;
    t.Terminal.SetLocalEcho(true);
    t.Line.CloseMaster(); // the far end hangs up before the key is sent
    QTest::keyClick(&t.Terminal, 'q');
    QCOMPARE(t.Errors.size(), 1);
    QVERIFY2(t.Errors.at(0).startsWith(QStringLiteral("WriteFile function failed")),
             qPrintable(t.Errors.at(0)));
    // The character did not go out, so it is not shown either.
    QCOMPARE(Row(t.Terminal, 1), QString());
    // The hang-up is then noticed on the receiving side as well.
    QTRY_VERIFY_WITH_TIMEOUT(!t.Port.Connected(), Wait);
    QCOMPARE(t.Errors.size(), 2);
}

// A paste is typed into the line; the context menu offers Copy, Paste, Select all and
// then the owner's actions.
void ComTerminalKeysTest::MiddleButtonAndMenuPaste() {
    Connected t;
    t.Terminal.WriteStr("hello world");
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("ab\ncd"));
    if (clipboard->supportsSelection()) clipboard->setText(QStringLiteral("ab\ncd"), QClipboard::Selection);
    QTest::mouseClick(&t.Terminal, Qt::MiddleButton);
    QCOMPARE(t.Receive(5), QByteArray("ab\rcd"));
    QAction save(QStringLiteral("Save terminal text…"));
    t.Terminal.ExtraMenuActions = {&save};
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), t.Terminal.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&t.Terminal, &event);
    QMenu* menu = t.Terminal.findChild<QMenu*>();
    QVERIFY(menu);
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << action->text();
    QCOMPARE(captions, QStringList({"Copy", "Paste", "Select all", "", "Save terminal text…"}));
    QVERIFY(!menu->actions().front()->isEnabled()); // nothing selected yet
    menu->actions()[2]->trigger();
    QCOMPARE(t.Terminal.SelectedText().section(QLatin1Char('\n'), 0, 0), QStringLiteral("hello world"));
    menu->close();
    QTest::keyClick(&t.Terminal, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(clipboard->text().startsWith(QStringLiteral("hello world\n")));
}

QTEST_MAIN(ComTerminalKeysTest)
#include "ComTerminalKeys_test.moc"
