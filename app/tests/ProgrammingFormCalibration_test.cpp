// The calibration dialog: a Write of a protected chip whose calibration word reads 0
// asks for the chip's own word, offers the last one the memory of calibration values
// holds, and erases only with a valid word; Cancel leaves the chip untouched.
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CalibrationDialog.h"
#include "WindowRun.h"
#include "storage/CalibrationMemory.h"
#include "tests/support/HexText.h"

class ProgrammingFormCalibrationTest : public QObject {
    Q_OBJECT
  private slots:
    void writeOfAProtectedChipAsksForItsCalibrationWord();
    void dialogGoesOnOnlyWithAValidWord();
};

namespace {

QString Image(int32_t config) {
    return QString::fromStdString(
        vesk::test::HexText({{0, 0x3001}, {1, 0x008A}, {2, 0x2800}, {0x2007, config}}));
}

long Erases(const vesk::sim::TSimulator& simulator) {
    long count = 0;
    for (const vesk::sim::TProgramMode& mode : simulator.ProgramModes())
        count += mode.Region == 'e' ? 1 : 0;
    return count;
}

} // namespace

void ProgrammingFormCalibrationTest::writeOfAProtectedChipAsksForItsCalibrationWord() {
    vesk::sim::TOptions options;
    options.RealChip = true;
    options.FusesClearOnly = true;
    TSimulatedRun run(ShippedChip("ChipDef_PIC12F675.ini"), options);
    run.Simulator->SetWord(0x3FF, 0x3454);
    run.Simulator->SetWord(0x2007, 0x1FFF);
    const QString image = run.Path(QStringLiteral("image.hex"));
    WriteText(image, Image(0x3F44)); // code protection on
    run.WriteSettings(
        QStringLiteral("ImageFileName=%1\nVerifyAfterWrite=1\nPassThroughEnter=0\n").arg(image));
    TProgrammingForm& form = run.Create();
    QVERIFY(run.ShowDetected());
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    // The protecting image is asked about first (Yes).
    QVERIFY2(run.Dialogs.Count(QStringLiteral("question")) == run.Dialogs.Log.size() &&
                 run.Dialogs.Log.size() == 1,
             qPrintable(run.Dialogs.Describe()));
    run.Dialogs.Log.clear();
    const vesk::TCalibrationMemory memory(run.Path(QStringLiteral("vesk/calibration.jsonl")).toStdString());
    const auto last = memory.Last("PIC12F675", run.Simulator->SlavePath(), 0x3FF);
    QVERIFY(last.has_value());
    QCOMPARE(last->Word, 0x3454);

    // The chip now reads its code as 0. Cancel: nothing is erased.
    WriteText(image, Image(0x3FC4));
    const long erases = Erases(*run.Simulator);
    QVERIFY(!form.ProgramTarget(vesk::AllRegions));
    QCOMPARE(run.Dialogs.Log.size(), 2);
    QCOMPARE(run.Dialogs.Log[0].Kind, QStringLiteral("calibration"));
    QCOMPARE(run.Dialogs.Log[0].Caption, QStringLiteral("Calibration word"));
    QCOMPARE(
        run.Dialogs.Log[0].Message,
        QStringLiteral("The calibration word of the PIC12F675 at 0x0003FF reads 0x0000, which is no valid "
                       "calibration (a valid one is 0x34nn).\n\nThe chip is erased only once you give its "
                       "own word here: it is written back after the erase. Cancel leaves the chip as it "
                       "is.\n\nLikely 0x3454: the last one read from a PIC12F675 on %1, at %2.")
            .arg(QString::fromStdString(run.Simulator->SlavePath()), QString::fromStdString(last->Time)));
    QCOMPARE(run.Dialogs.Log[1].Kind, QStringLiteral("error"));
    QVERIFY2(run.Dialogs.Log[1].Message.startsWith(
                 QStringLiteral("Erase chip failed\nCalibration word not valid")),
             qPrintable(run.Dialogs.Describe()));
    QCOMPARE(Erases(*run.Simulator), erases);
    QCOMPARE(run.Simulator->Word(0x2007), 0x1F44);

    // The word given: erased, written, verified, the chip's own calibration kept.
    run.Dialogs.Log.clear();
    run.Dialogs.CalibrationAnswer = 0x3454;
    QVERIFY2(form.ProgramTarget(vesk::AllRegions), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(run.Dialogs.Count(QStringLiteral("calibration")), 1);
    QCOMPARE(run.Simulator->Word(0x3FF), 0x3454);
    QCOMPARE(run.Simulator->Word(0x2007), 0x1FC4);
    QCOMPARE(run.Simulator->Word(0), 0x3001);
}

void ProgrammingFormCalibrationTest::dialogGoesOnOnlyWithAValidWord() {
    vesk::ops::TCalibrationQuestion question{"PIC12F675", "/dev/ttyUSB0", 0x3FF, 0, {0x3FF, 0x3F00, 0x3400},
                                             "0x34nn",    0x3FFF,         {}};
    // Without a word remembered nothing is offered.
    TCalibrationDialog empty(question);
    QVERIFY(empty.ebWord->text().isEmpty());
    QVERIFY(!empty.Buttons->button(QDialogButtonBox::Ok)->isEnabled());

    question.Last =
        vesk::TCalibrationRecord{"2026-01-02T03:04:05+00:00", "/dev/ttyUSB0", "PIC12F675", 0x3FF, 0x3454};
    TCalibrationDialog dialog(question);
    QCOMPARE(dialog.ebWord->text(), QStringLiteral("0x3454"));
    const struct {
        const char* Text;
        int32_t Word; // -1: refused
    } rows[] = {{"0x3454", 0x3454}, {"3460", 0x3460}, {"$34ff", 0x34FF}, {"0x0000", -1},
                {"0x3FFF", -1},     {"0x7454", -1},   {"34 60", -1},     {"", -1}};
    for (const auto& row : rows) {
        dialog.ebWord->setText(QString::fromLatin1(row.Text));
        QCOMPARE(dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled(), row.Word >= 0);
        QCOMPARE(dialog.Word().value_or(-1), row.Word);
    }

    // The window's own dialog, shown modal: OK with a word typed gives that word.
    QTimer::singleShot(0, [] {
        auto* shown = qobject_cast<TCalibrationDialog*>(QApplication::activeModalWidget());
        QVERIFY(shown != nullptr);
        shown->ebWord->setText(QStringLiteral("0x3460"));
        shown->Buttons->button(QDialogButtonBox::Ok)->click();
    });
    TWidgetDialogs dialogs;
    QCOMPARE(dialogs.AskCalibration(nullptr, question).value_or(-1), 0x3460);
}

QTEST_MAIN(ProgrammingFormCalibrationTest)
#include "ProgrammingFormCalibration_test.moc"
