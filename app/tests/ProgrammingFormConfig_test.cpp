// The Buffer page's configuration view with the simulated programmer attached: a
// setting chosen in its list changes the buffer and the grid, Write programs it
// although it reads the image file again, "Drop changes" gives the file's words back,
// and a write that turns on code protection asks first.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

#include "ConfigView.h"
#include "StateLamp.h"
#include "WindowRun.h"
#include "bufferview/HexEditor.h"
#include "chipdef/ChipSession.h"

namespace {

// Code words 0x3001, 0x008A; the configuration word 0x3F62 of a PIC16F628A: FOSC = HS,
// MCLRE = ON, BOREN = ON, LVP = OFF, CP = OFF.
const QString Image = QStringLiteral(":0400000001308A0041\n:02400E00623F0F\n:00000001FF\n");
// The same with CP = ON (0x1F62).
const QString ProtectingImage = QStringLiteral(":0400000001308A0041\n:02400E00621F2F\n:00000001FF\n");

// The window on the simulator with the image chosen and the PIC16F628A selected.
TProgrammingForm& Start(TSimulatedRun& run, const QString& text) {
    const QString image = run.Path(QStringLiteral("image.hex"));
    WriteText(image, text);
    run.WriteSettings(QStringLiteral("ImageFileName=%1\n").arg(image));
    TProgrammingForm& form = run.Create();
    if (!run.ShowDetected()) return form;
    QComboBox* targets = form.MainPage().cbxTargetType;
    targets->setCurrentIndex(targets->findText(QStringLiteral("PIC16F628A")));
    emit targets->activated(targets->currentIndex());
    return form;
}

int32_t FusesWord(const TSimulatedRun& run) {
    return run.Device->Session()->Word(run.Device->Target()->RegionByCode(vesk::RegionCodeFuses).Start);
}

} // namespace

class ProgrammingFormConfigTest : public QObject {
    Q_OBJECT
  private slots:
    void aSettingChosenChangesTheBufferAndWriteProgramsIt();
    void aWriteThatProtectsTheChipAsksFirst();
};

void ProgrammingFormConfigTest::aSettingChosenChangesTheBufferAndWriteProgramsIt() {
    TSimulatedRun run;
    TProgrammingForm& form = Start(run, Image);
    QVERIFY(run.Device->Target() != nullptr);
    form.BufferPage().sbLoadBuffer->click();
    form.TabControl1()->setCurrentIndex(pgBuffer);
    QTRY_VERIFY(form.BufferPage().isVisible());
    TConfigView& view = *form.BufferPage().ConfigView;
    QCOMPARE(view.WordCaption(0x2007), QStringLiteral("0x002007 = 0x3F62"));
    QComboBox* fosc = view.FieldBox(QStringLiteral("fosc"));
    QVERIFY(fosc != nullptr && fosc->isVisible());
    QCOMPARE(fosc->currentText(), QStringLiteral("HS"));
    // At the window's first size every list is there whole, and at 1280 pixels the grid
    // shows every column beside the view.
    QCOMPARE(form.size(), form.minimumSize());
    QCOMPARE(fosc->visibleRegion().boundingRect(), fosc->rect());
    form.resize(1280, 800);
    QTRY_COMPARE(form.BufferPage().HexEditor1->View()->horizontalScrollBar()->maximum(), 0);
    form.resize(form.minimumSize());

    // The user steps the oscillator from HS to XT with the keyboard.
    fosc->setFocus();
    QTest::keyClick(fosc, Qt::Key_Down);
    QCOMPARE(fosc->currentText(), QStringLiteral("XT"));
    QCOMPARE(FusesWord(run), 0x3F61);
    QCOMPARE(view.WordCaption(0x2007), QStringLiteral("0x002007 = 0x3F61"));
    const vesk::THexGrid& grid = form.BufferPage().HexEditor1->Grid();
    bool shown = false;
    for (int row = 0; row < grid.RowCount(); ++row)
        shown = shown || (grid.Cell(0, row) == "002000:" && grid.Cell(8, row) == "3F61");
    QVERIFY(shown);
    QVERIFY(form.BufferPage().ConfigView->DropChangesButton()->isEnabled());

    // Write reads the file again; the change goes in after it and is programmed.
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QVERIFY2(run.Dialogs.Log.isEmpty(), qPrintable(run.Dialogs.Describe()));
    QCOMPARE(run.Simulator->Word(0x2007), 0x3F61);
    QCOMPARE(run.Simulator->Word(1), 0x008A);
    QCOMPARE(ReadText(form.ImageFileName()), Image); // the file is the user's

    // Drop changes: the file's own word again, and the next Write programs it.
    form.TabControl1()->setCurrentIndex(pgBuffer);
    QTRY_VERIFY(view.isVisible());
    view.DropChangesButton()->click();
    QCOMPARE(FusesWord(run), 0x3F62);
    QCOMPARE(fosc->currentText(), QStringLiteral("HS"));
    QVERIFY(!view.DropChangesButton()->isEnabled());
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QCOMPARE(run.Simulator->Word(0x2007), 0x3F62);
}

void ProgrammingFormConfigTest::aWriteThatProtectsTheChipAsksFirst() {
    TSimulatedRun run;
    TProgrammingForm& form = Start(run, ProtectingImage);
    QVERIFY(run.Device->Target() != nullptr);
    run.Simulator->SetWord(0x0010, 0x1234);
    const int lamp = form.LampPicture();

    // No: nothing is erased or written, no error, the lamp as before.
    run.Dialogs.QuestionAnswer = false;
    QVERIFY(!form.ProgramTarget(vesk::AllRegions));
    QCOMPARE(run.Dialogs.Count(QStringLiteral("question")), 1);
    QCOMPARE(run.Dialogs.Count(QStringLiteral("error")), 0);
    QCOMPARE(run.Dialogs.Log.front().Caption, QStringLiteral("Write"));
    QCOMPARE(run.Dialogs.Log.front().Message,
             QStringLiteral("The image turns on code protection (CP = ON): the chip cannot be read back "
                            "afterwards.\n\nWrite it anyway?"));
    QCOMPARE(run.Simulator->Word(0x0010), 0x1234);
    QCOMPARE(run.Simulator->Word(0x0000), 0x3FFF);
    QCOMPARE(form.LampPicture(), lamp);
    QVERIFY(!form.Busy());

    // Code alone writes no configuration: no question. Yes: written.
    QVERIFY(form.ProgramTarget(vesk::RegionCodeCode));
    QCOMPARE(run.Dialogs.Count(QStringLiteral("question")), 1);
    run.Dialogs.QuestionAnswer = true;
    QVERIFY(form.ProgramTarget(vesk::AllRegions));
    QCOMPARE(run.Dialogs.Count(QStringLiteral("question")), 2);
    QCOMPARE(run.Simulator->Word(0x2007), 0x1F62);
    QCOMPARE(run.Simulator->Word(0x0010), 0x3FFF);
}

QTEST_MAIN(ProgrammingFormConfigTest)
#include "ProgrammingFormConfig_test.moc"
