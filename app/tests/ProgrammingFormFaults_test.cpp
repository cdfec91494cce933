// Window tests of a programmer that fails in the middle of the window's work: every
// fault the simulator can inject (no answer, a wrong echo, the synchronisation byte
// answered 0x00, an unreadable word, silence after some bytes, answers later than
// the time-out, the line unplugged) at several points of every operation. Afterwards
// the window is idle with every command enabled by the enabling rules, the lamp
// tells the failure, one chained message was shown, the driver's port is closed,
// and the next operation without the fault succeeds.
#include <algorithm>
#include <string>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>

#include "StateLamp.h"
#include "WindowRun.h"
#include "serial/port/ComPort.h"
#include "termview/ComTerminal.h"
#include "tests/support/ChipText.h"

namespace {

// The driver waits ample time for every answer the programmer gives, so that a
// loaded machine never turns a late answer into a failure, and the short time-out
// only for the answer that the fault withholds.
constexpr int AmpleTimeoutMs = 5000;
constexpr int FaultTimeoutMs = 50;

// A chip of 24 Code words, 4 Data words and one Fuses word: small enough that
// every operation is quick, with something to do in every region.
const std::string FaultChip = vesk::test::TChipText("FAULT24", 0x0ABD).Code(24).Data(4).Fuses();

// Code words 0..3, Data word 0 and the Fuses word.
const char* const FaultImage = ":080000000001010102010301EE\n"
                               ":024200001200AA\n"
                               ":02400E00003F71\n"
                               ":00000001FF\n";

enum TOperation {
    opWriteAll,
    opWriteCode,
    opRead,
    opVerify,
    opErase,
    opDetectTarget, // guarded
    opDetectDevice,
    opRun,
    opPassThrough,
    opPassThroughOff // no error path of their own
};

const char* const OperationNames[] = {"WriteAll",    "WriteCode",     "Read",         "Verify",
                                      "Erase",       "DetectTarget",  "DetectDevice", "Run",
                                      "PassThrough", "PassThroughOff"};

// How an operation reports a failure: the guarded ones through the error dialog
// with a red lamp; Detect device, Run and the pass-through switch through the
// application's error box.
bool Guarded(TOperation op) {
    return op <= opDetectTarget;
}

// Operations that read target words (the unreadable-word fault reaches only these).
bool ReadsWords(TOperation op) {
    return op == opRead || op == opVerify || op == opDetectTarget;
}

enum TFaultKind { fkNeverAnswer, fkWrongEcho, fkSyncZero, fkBadRead, fkStopAfter, fkLate, fkDropLine };

const char* const FaultNames[] = {"NeverAnswer", "WrongEchoAt", "SyncAnswerZero", "BadReadReply",
                                  "StopAfter",   "AnswerDelay", "DropLineAfter"};

bool Counted(TFaultKind kind) {
    return kind == fkWrongEcho || kind == fkStopAfter || kind == fkDropLine;
}

// Points of a counted fault, as parts of the operation's bytes: the start (the
// wake-up's synchronisation byte; for a wrong echo the second byte after the
// synchronisation bytes, since a wrong answer to synchronisation is retried and
// leaving pass-through may take one 0xFF more or less), the middle, and the last
// answered byte.
enum TPoint { ptFirst, ptMiddle, ptLast };
const char* const PointNames[] = {"first", "middle", "last"};

// The byte a counted fault hits, 1-based, from the bytes a fault-free run sent
// of which `unanswered` at the end get no answer (the "p" that starts pass-through).
int64_t FaultByte(TFaultKind kind, TPoint point, const std::string& sent, size_t unanswered) {
    const int64_t n = int64_t(sent.size() - unanswered);
    switch (point) {
    case ptFirst:
        if (kind != fkWrongEcho) return 1;
        return std::min<int64_t>(n, int64_t(sent.find_first_not_of('\xFF')) + 2);
    case ptMiddle:
        return std::max<int64_t>(1, n / 2);
    case ptLast:
        break;
    }
    // The last byte gets a wrong echo; silence and the lost line come before it.
    return kind == fkWrongEcho ? n : std::max<int64_t>(1, n - 1);
}

vesk::sim::TFaults MakeFaults(TFaultKind kind, int64_t byte) {
    vesk::sim::TFaults faults;
    switch (kind) {
    case fkNeverAnswer:
        faults.NeverAnswer = true;
        break;
    case fkWrongEcho:
        faults.WrongEchoAt = byte;
        break;
    case fkSyncZero:
        faults.SyncAnswerZero = true;
        break;
    case fkBadRead:
        faults.BadReadReply = true;
        break;
    case fkStopAfter:
        faults.StopAfter = byte;
        break;
    case fkLate:
        faults.AnswerDelayMs = FaultTimeoutMs * 4;
        break;
    case fkDropLine:
        faults.DropLineAfter = byte;
        break;
    }
    return faults;
}

// The byte of the operation whose answer the fault withholds, 1-based: from it on
// the driver waits only the short time-out. 0: no answer is withheld.
int64_t WithheldByte(TFaultKind kind, int64_t byte) {
    switch (kind) {
    case fkNeverAnswer:
    case fkLate:
        return 1;
    case fkStopAfter:
    case fkDropLine:
        return byte + 1;
    default:
        return 0;
    }
}

// Counts the bytes the driver sends and shortens its time-out from byte `from` on.
void ShortTimeoutFrom(vesk::TDeviceVESK1& device, int64_t from) {
    device.SetComReadTimeout(from == 1 ? FaultTimeoutMs : AmpleTimeoutMs);
    if (from <= 1) return;
    device.OnTrace = [&device, from, sent = int64_t(0)](uint8_t, int) mutable {
        if (++sent == from - 1) device.SetComReadTimeout(FaultTimeoutMs);
    };
}

void AmpleTimeout(vesk::TDeviceVESK1& device) {
    device.OnTrace = nullptr;
    device.SetComReadTimeout(AmpleTimeoutMs);
}

// Waits until the programmer has answered every byte it received since the last
// ClearReceived (answers held back by a delay fault are still on their way until then).
bool AllAnswered(const vesk::sim::TSimulator& simulator) {
    return QTest::qWaitFor([&] { return simulator.Sent().size() >= simulator.Received().size(); }, 10000);
}

// The first lines the driver's wrappers give a message: the operation's own step
// that failed names itself first.
const char* const DriverWrappers[] = {
    "VESK device open failed",
    "VESK device close failed",
    "VESK wakeup failed",
    "VESK activation failed",
    "VESK Baudrate setting failed",
    "VESK Get type failed",
    "VESK Get version failed",
    "Target run failed",
    "Target stop failed",
    "Passthrough enter failed",
    "VESK target detect failed",
    "Target detect failed",
    "Erase chip failed",
    "Target write failed",
    "Target read failed",
    "Target region verify failed",
    "Target buffer load failed",
};

bool StartsWithWrapper(const QString& message) {
    for (const char* wrapper : DriverWrappers)
        if (message.startsWith(QLatin1String(wrapper))) return true;
    return false;
}

// The simulated programmer with the small chip, the driver's line to it in the same
// process (the Terminal page's port on its pseudo-terminal), a program folder whose
// settings point at it, and an image for the writes.
class TFaultRun {
  public:
    TFaultRun() : ChipDir(), Run(ChipFile(), {}, TDriverLine::InProcess) {
        Image = Run.Path(QStringLiteral("fault.hex"));
        WriteText(Image, QString::fromLatin1(FaultImage));
        // The port by a name of its own that stays when the adapter is plugged in
        // again, as a serial port's name does.
        Port = Run.Path(QStringLiteral("ttyVESK"));
        PointPortAtSimulator();
        WriteText(Run.IniPath(), QStringLiteral("[DIRUD]\nComPort=%1\nComReadTimeout=%2\nImageFileName=%3\n")
                                     .arg(Port)
                                     .arg(AmpleTimeoutMs)
                                     .arg(Image));
    }
    void PointPortAtSimulator() {
        QFile::remove(Port);
        QVERIFY(QFile::link(QString::fromStdString(Run.Simulator->SlavePath()), Port));
    }
    QString ChipFile() {
        const QString path = ChipDir.filePath(QStringLiteral("ChipDef_FAULT24.ini"));
        WriteText(path, QString::fromStdString(FaultChip));
        return path;
    }
    // The user plugs the adapter in again: the programmer, with the target as it
    // was, on the same port name.
    void Replug() {
        Run.Replug();
        PointPortAtSimulator();
    }

    QTemporaryDir ChipDir;
    TSimulatedRun Run;
    QString Image;
    QString Port;
};

// Runs one operation as the user starts it.
void Perform(TProgrammingForm& form, TOperation op) {
    const auto& a = form.Actions();
    switch (op) {
    case opWriteAll:
        a.atnProgram->trigger();
        break;
    case opWriteCode:
        a.atnProgramCode->trigger();
        break;
    case opRead:
        a.atnRead->trigger();
        break;
    case opVerify:
        a.atnVerify->trigger();
        break;
    case opErase:
        a.atnErase->trigger();
        break;
    case opDetectTarget:
        a.atnDetectTarget->trigger();
        break;
    case opDetectDevice:
        form.MainPage().btnDetect->click();
        break;
    case opRun:
        a.atnRunTarget->trigger();
        break;
    case opPassThrough:
    case opPassThroughOff:
        form.TerminalPage().sbPassThrough->click();
        break;
    }
}

// Puts the pass-through button where its operation starts: up to switch
// pass-through on, down to switch it off. Without faults; it waits until the
// programmer has taken the switch, so that no byte of it counts for what follows.
void Prepare(TProgrammingForm& form, TOperation op, TSimulatedRun& run) {
    QToolButton* button = form.TerminalPage().sbPassThrough;
    if ((op == opPassThrough && button->isChecked()) || (op == opPassThroughOff && !button->isChecked())) {
        button->click();
        QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
        QVERIFY(run.Simulator->WaitPassThrough(button->isChecked(), 5000));
    }
}

bool OnTerminalPage(TOperation op) {
    return op == opPassThrough || op == opPassThroughOff;
}

// The enabling rules applied to the window as it is now, for an idle window.
QString EnablingMismatches(const TProgrammingForm& form) {
    const auto& a = form.Actions();
    const bool known = !form.DeviceDescription().isEmpty();
    const bool chip = form.Device().Target() != nullptr;
    QString wrong;
    auto expect = [&wrong](const QString& name, bool actual, bool expected) {
        if (actual != expected)
            wrong += name + (expected ? QStringLiteral(" disabled; ") : QStringLiteral(" enabled; "));
    };
    expect(QStringLiteral("atnStop"), a.atnStop->isEnabled(), false);
    expect(QStringLiteral("Detect"), form.MainPage().btnDetect->isEnabled(), true);
    expect(QStringLiteral("target list"), form.MainPage().cbxTargetType->isEnabled(), true);
    for (QAction* action :
         {a.atnErase, a.atnProgram, a.atnProgramCode, a.atnProgramData, a.atnProgramFuses, a.atnClearBuffer,
          a.atnRead, a.atnReadCode, a.atnReadData, a.atnReadFuses, a.atnVerify, a.atnVerifyCode,
          a.atnVerifyData, a.atnVerifyFuses, a.atnDetectTarget})
        expect(action->objectName(), action->isEnabled(), known);
    expect(QStringLiteral("atnRunTarget"), a.atnRunTarget->isEnabled(), known && chip);
    expect(QStringLiteral("atnBrowseFile"), a.atnBrowseFile->isEnabled(), true);
    expect(QStringLiteral("tab strip"), form.TabControl1()->isEnabled(), true);
    expect(QStringLiteral("pass-through button"), form.TerminalPage().sbPassThrough->isEnabled(), known);
    expect(QStringLiteral("clear terminal"), form.TerminalPage().sbClearTerminal->isEnabled(), known);
    return wrong;
}

} // namespace

class ProgrammingFormFaultsTest : public QObject {
    Q_OBJECT
  private slots:
    void faultDuringOperation_data();
    void faultDuringOperation();
    void passThroughAfterWrite_data();
    void passThroughAfterWrite();
};

void ProgrammingFormFaultsTest::faultDuringOperation_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("point");
    for (int op = opWriteAll; op <= opPassThroughOff; ++op)
        for (int kind = fkNeverAnswer; kind <= fkDropLine; ++kind) {
            const int points = Counted(TFaultKind(kind)) ? 3 : 1;
            for (int point = 0; point < points; ++point)
                QTest::addRow("%s %s%s%s", OperationNames[op], FaultNames[kind], points > 1 ? " " : "",
                              points > 1 ? PointNames[point] : "")
                    << op << kind << point;
        }
}

void ProgrammingFormFaultsTest::faultDuringOperation() {
    QFETCH(int, operation);
    QFETCH(int, fault);
    QFETCH(int, point);
    const auto op = TOperation(operation);
    const auto kind = TFaultKind(fault);

    TFaultRun fr;
    TSimulatedRun& run = fr.Run;
    TProgrammingForm& form = run.Create();
    form.SetPassThroughEnter(false);
    QVERIFY(run.ShowDetected());
    QCOMPARE(form.ComReadTimeout(), AmpleTimeoutMs);
    QCOMPARE(form.ComPort(), fr.Port);
    // The chip chosen, so that Run is possible; the image written once so that
    // Verify has a target to match.
    form.MainPage().cbxTargetType->setCurrentIndex(1);
    emit form.MainPage().cbxTargetType->activated(1);
    QVERIFY2(form.ProgramTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    if (OnTerminalPage(op)) {
        form.TabControl1()->setCurrentIndex(pgTerminal);
        QVERIFY(form.TerminalPage().ComTerminal1->Connected());
    }

    // The bytes of a fault-free run place the counted faults inside the operation.
    Prepare(form, op, run);
    run.Simulator->ClearReceived();
    Perform(form, op);
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    if (OnTerminalPage(op)) QVERIFY(run.Simulator->WaitPassThrough(op == opPassThrough, 5000));
    const std::string sent = run.Simulator->Received();
    const size_t total = sent.size();
    QVERIFY(total > 2);
    Prepare(form, op, run);
    if (op == opDetectTarget) { // back to "<Autodetect>": the detection must find the chip
        form.MainPage().cbxTargetType->setCurrentIndex(0);
        emit form.MainPage().cbxTargetType->activated(0);
    }
    const QString descriptionBefore = form.DeviceDescription();
    const int lampBefore = form.LampPicture();

    // The fault.
    const int64_t byte =
        Counted(kind) ? FaultByte(kind, TPoint(point), sent, op == opPassThrough ? 1 : 0) : 0;
    run.Simulator->ClearReceived();
    run.Simulator->SetFaults(MakeFaults(kind, byte));
    ShortTimeoutFrom(*run.Device, WithheldByte(kind, byte));
    Perform(form, op);
    AmpleTimeout(*run.Device);
    const QString shown = run.Dialogs.Describe();
    const bool metFault = !run.Dialogs.Log.isEmpty();
    // An unreadable word fails only operations that read words. The type and
    // version of the programmer are replies, not echoes: a wrong character in
    // them cannot be told from a right one.
    const bool mustFail =
        (kind != fkBadRead || ReadsWords(op)) && !(kind == fkWrongEcho && op == opDetectDevice);
    if (mustFail)
        QVERIFY2(
            metFault,
            qPrintable(QStringLiteral("no failure reported (fault at byte %1 of %2)").arg(byte).arg(total)));

    // The window is idle with every command enabled as the rules say.
    QVERIFY(!form.Actions().atnStop->isEnabled());
    QCOMPARE(form.MainPage().ProgressBar1->value(), 0);
    QVERIFY(!QApplication::overrideCursor());
    const QString wrong = EnablingMismatches(form);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QVERIFY2(!run.Device->Transport().IsOpen(), "the driver's port stayed open");

    if (metFault) {
        QCOMPARE(run.Dialogs.Log.size(), 1);
        const auto& entry = run.Dialogs.Log.front();
        QVERIFY2(StartsWithWrapper(entry.Message), qPrintable(shown));
        QVERIFY2(entry.Message.contains(QLatin1Char('\n')), qPrintable(shown)); // chained
        if (Guarded(op)) {
            QCOMPARE(entry.Kind, QStringLiteral("error"));
            QCOMPARE(entry.Caption, QStringLiteral("Error"));
            QCOMPARE(form.LampPicture(), int(lsRed));
        } else {
            QCOMPARE(entry.Kind, QStringLiteral("application"));
        }
        if (op == opDetectDevice) {
            // No error path of its own: the description stays as it was, and the
            // lamp yellow once the programmer was woken (before, as it was).
            const bool woken = !entry.Message.startsWith(QStringLiteral("VESK wakeup failed")) &&
                               !entry.Message.startsWith(QStringLiteral("VESK device open failed"));
            QCOMPARE(form.LampPicture(), woken ? int(lsYellow) : lampBefore);
            QCOMPARE(form.DeviceDescription(), descriptionBefore);
        }
        if (op == opRun) QCOMPARE(form.LampPicture(), lampBefore);
        if (OnTerminalPage(op)) {
            QCOMPARE(form.TerminalPage().sbPassThrough->isChecked(), op == opPassThrough); // as clicked
            QVERIFY(!form.TerminalPage().ComTerminal1->Connected());
        }
    }

    // The adapter plugged in again, late answers let through: the next operation
    // without a fault succeeds.
    if (kind == fkLate) QVERIFY(AllAnswered(*run.Simulator));
    run.Simulator->SetFaults({});
    if (kind == fkDropLine) {
        // The byte that drops the line may still be on its way after the driver gave up.
        QVERIFY(QTest::qWaitFor([&] { return run.Simulator->LineDropped(); }, 10000));
        fr.Replug();
    }
    run.Dialogs.Log.clear();
    Prepare(form, op, run);
    Perform(form, op);
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QVERIFY(!run.Device->Transport().IsOpen());
    QVERIFY(!form.Actions().atnStop->isEnabled());
    if (Guarded(op) || op == opDetectDevice) QCOMPARE(form.LampPicture(), int(lsGreen));
    if (op == opDetectDevice) QVERIFY(!form.DeviceDescription().isEmpty());
    if (OnTerminalPage(op)) {
        QCOMPARE(form.TerminalPage().sbPassThrough->isChecked(), op == opPassThrough);
        QVERIFY(form.TerminalPage().ComTerminal1->Connected());
    }
    const QString wrongAfter = EnablingMismatches(form);
    QVERIFY2(wrongAfter.isEmpty(), qPrintable(wrongAfter));
}

void ProgrammingFormFaultsTest::passThroughAfterWrite_data() {
    QTest::addColumn<int>("fault");
    QTest::addRow("StopAfter") << int(fkStopAfter);
    QTest::addRow("DropLineAfter") << int(fkDropLine);
    QTest::addRow("WrongEchoAt") << int(fkWrongEcho);
}

// The pass-through step after a successful Write has no error path of its own:
// its failure reaches the application's error box with the lamp green from the
// Write, and the port is closed all the same.
void ProgrammingFormFaultsTest::passThroughAfterWrite() {
    QFETCH(int, fault);
    const auto kind = TFaultKind(fault);
    TFaultRun fr;
    TSimulatedRun& run = fr.Run;
    TProgrammingForm& form = run.Create();
    form.SetPassThroughEnter(false);
    QVERIFY(run.ShowDetected());
    form.MainPage().cbxTargetType->setCurrentIndex(1);
    emit form.MainPage().cbxTargetType->activated(1);
    // The Write's own bytes; the pass-through step follows them.
    run.Simulator->ClearReceived();
    QVERIFY2(form.ProgramTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    const int64_t written = int64_t(run.Simulator->Received().size());

    form.SetPassThroughEnter(true);
    // The wake-up's synchronisation answered, then the fault in the pass-through command.
    run.Simulator->SetFaults(MakeFaults(kind, written + 2));
    ShortTimeoutFrom(*run.Device, WithheldByte(kind, written + 2));
    form.Actions().atnProgram->trigger();
    AmpleTimeout(*run.Device);
    QCOMPARE(run.Dialogs.Log.size(), 1);
    QCOMPARE(run.Dialogs.Log.front().Kind, QStringLiteral("application"));
    QVERIFY2(StartsWithWrapper(run.Dialogs.Log.front().Message), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(form.LampPicture(), int(lsGreen));
    QVERIFY(!run.Device->Transport().IsOpen());
    const QString wrong = EnablingMismatches(form);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

    run.Simulator->SetFaults({});
    if (kind == fkDropLine) fr.Replug();
    run.Dialogs.Log.clear();
    form.Actions().atnProgram->trigger();
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QVERIFY(run.Simulator->WaitPassThrough(true, 5000));
    QVERIFY(!run.Device->Transport().IsOpen());
}

QTEST_MAIN(ProgrammingFormFaultsTest)
#include "ProgrammingFormFaults_test.moc"
