// What the terminal view draws: cell colours for plain, bold, underlined and
// reverse text, the background, the caret shapes, the fixed-pitch font and the
// size taken from Columns x Rows cells; and the sample picture.

#include "termview/ComTerminal.h"
#include "termview/TermPageLook.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vesk;

namespace {

// How many pixels of the cell have exactly `color`.
int CountInCell(const QImage& image, const QRect& cell, const QColor& color) {
    int count = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (image.pixelColor(x, y).rgb() == color.rgb()) ++count;
    return count;
}

// How many pixels of the cell satisfy `test` (glyphs are antialiased, so their
// colours are checked by channel rather than exactly).
template <class Test> int CountWhere(const QImage& image, const QRect& cell, Test test) {
    int count = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (test(image.pixelColor(x, y))) ++count;
    return count;
}

QImage Picture(TComTerminal& terminal) {
    return terminal.grab().toImage();
}

} // namespace

class ComTerminalPaintTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void SizeComesFromTheCells();
    void AutoSizeFollowsTheScreen();
    void FontStaysFixedPitchAndPlain();
    void EmptyCellsShowTheBackground();
    void ClearScreenRepaintsEverything();
    void ReverseTextSwapsTheColours();
    void BoldTextUsesAltColor();
    void UnderlineIsDrawnInTheTextColour();
    void PlainTextInTheFontColour();
    void CaretShapes();
    void CaretIsDrawnWithFocusOnly();
    void SamplePictureIsSaved();
};

void ComTerminalPaintTest::initTestCase() {
    // A steady caret, so pictures do not depend on the blink phase.
    QApplication::setCursorFlashTime(0);
}

void ComTerminalPaintTest::SizeComesFromTheCells() {
    TComTerminal terminal;
    QVERIFY(terminal.CellWidth() > 0);
    QVERIFY(terminal.CellHeight() > 0);
    // A single border of one pixel around 80 x 24 cells.
    QCOMPARE(terminal.sizeHint(), QSize(80 * terminal.CellWidth() + 2, 24 * terminal.CellHeight() + 2));
    QCOMPARE(terminal.CellRect(1, 1), QRect(1, 1, terminal.CellWidth(), terminal.CellHeight()));
    terminal.SetBorderStyle(TTermBorderStyle::bsNone);
    QCOMPARE(terminal.sizeHint(), QSize(80 * terminal.CellWidth(), 24 * terminal.CellHeight()));
    QCOMPARE(terminal.CellRect(3, 2), QRect(2 * terminal.CellWidth(), terminal.CellHeight(),
                                            terminal.CellWidth(), terminal.CellHeight()));
    terminal.SetColumns(1000); // clamped to 256
    QCOMPARE(terminal.Columns(), 256);
    QCOMPARE(terminal.sizeHint().width(), 256 * terminal.CellWidth());
}

void ComTerminalPaintTest::AutoSizeFollowsTheScreen() {
    TComTerminal terminal;
    terminal.SetBorderStyle(TTermBorderStyle::bsNone);
    terminal.SetAutoSize(true);
    QCOMPARE(terminal.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(terminal.size(), terminal.sizeHint());
    terminal.SetColumns(40);
    terminal.SetRows(10);
    QCOMPARE(terminal.size(), QSize(40 * terminal.CellWidth(), 10 * terminal.CellHeight()));

    // The screen's own request for 132 columns resizes the control too.
    terminal.WriteStr("\033[?3h");
    QCOMPARE(terminal.Columns(), 132);
    QCOMPARE(terminal.width(), 132 * terminal.CellWidth());

    // A bigger font gives bigger cells and a bigger control.
    const int before = terminal.CellHeight();
    QFont font = terminal.font();
    font.setPixelSize(before * 2);
    terminal.setFont(font);
    QVERIFY(terminal.CellHeight() > before);
    QCOMPARE(terminal.height(), 10 * terminal.CellHeight());
}

void ComTerminalPaintTest::FontStaysFixedPitchAndPlain() {
    TComTerminal terminal;
    QVERIFY(TComTerminal::IsFixedPitch(terminal.font()));
    QFont proportional(QStringLiteral("DejaVu Sans"));
    proportional.setPixelSize(20);
    proportional.setUnderline(true);
    if (TComTerminal::IsFixedPitch(proportional)) QSKIP("no proportional font installed");
    terminal.setFont(proportional);
    QCOMPARE(terminal.font().family(), TComTerminal::DefaultFont().family());
    QVERIFY(TComTerminal::IsFixedPitch(terminal.font()));
    QVERIFY(!terminal.font().underline());
    QCOMPARE(terminal.font().pixelSize(), 20); // the size is kept
}

void ComTerminalPaintTest::EmptyCellsShowTheBackground() {
    TComTerminal terminal;
    terminal.SetColor(MakeColor(0, 0, 200));
    terminal.WriteStr("A");
    const QImage image = Picture(terminal);
    const QRect empty = terminal.CellRect(5, 3);
    QCOMPARE(CountInCell(image, empty, QColor(0, 0, 200)), empty.width() * empty.height());
}

void ComTerminalPaintTest::ClearScreenRepaintsEverything() {
    TComTerminal terminal;
    terminal.SetBorderStyle(TTermBorderStyle::bsNone);
    terminal.WriteStr("\033[7m   \r\n   ");
    QVERIFY(CountInCell(Picture(terminal), terminal.CellRect(2, 2), Qt::white) > 0);
    terminal.ClearScreen();
    const QImage image = Picture(terminal);
    QCOMPARE(CountInCell(image, image.rect(), Qt::black), image.width() * image.height());
    QCOMPARE(terminal.Model().CaretColumn(), 1);
    QCOMPARE(terminal.Model().CaretRow(), 1);
}

void ComTerminalPaintTest::ReverseTextSwapsTheColours() {
    TComTerminal terminal; // white on black
    terminal.WriteStr("\033[7m \033[m ");
    const QImage image = Picture(terminal);
    const QRect reversed = terminal.CellRect(1, 1);
    const QRect normal = terminal.CellRect(2, 1);
    // A reversed blank is a white block; the normal blank after it is black.
    QCOMPARE(CountInCell(image, reversed, Qt::white), reversed.width() * reversed.height());
    QCOMPARE(CountInCell(image, normal, Qt::black), normal.width() * normal.height());
    // A reversed letter has the background colour around its glyph.
    terminal.WriteStr("\033[7mi");
    const QImage second = Picture(terminal);
    const QRect letter = terminal.CellRect(3, 1);
    QVERIFY(CountInCell(second, letter, Qt::white) > letter.width() * letter.height() / 2);
    QVERIFY(CountInCell(second, letter, Qt::white) < letter.width() * letter.height());
}

void ComTerminalPaintTest::BoldTextUsesAltColor() {
    TComTerminal terminal; // white text
    terminal.SetAltColor(MakeColor(0, 255, 0));
    terminal.WriteStr("\033[1mW\033[4m \033[mW");
    const QImage image = Picture(terminal);
    auto green = [](const QColor& c) { return c.green() > 128 && c.red() < 64; };
    auto light = [](const QColor& c) { return c.red() > 128; };
    // The bold glyph is drawn in AltColor, the plain one in the font colour.
    QVERIFY(CountWhere(image, terminal.CellRect(1, 1), green) > 0);
    QCOMPARE(CountWhere(image, terminal.CellRect(1, 1), light), 0);
    QVERIFY(CountWhere(image, terminal.CellRect(3, 1), light) > 0);
    QCOMPARE(CountWhere(image, terminal.CellRect(3, 1), green), 0);
    // The underline of a bold blank is exactly AltColor.
    QVERIFY(CountInCell(image, terminal.CellRect(2, 1), QColor(0, 255, 0)) >= terminal.CellWidth());
    QCOMPARE(CountInCell(image, terminal.CellRect(2, 1), Qt::black),
             terminal.CellWidth() * terminal.CellHeight() -
                 CountInCell(image, terminal.CellRect(2, 1), QColor(0, 255, 0)));
}

void ComTerminalPaintTest::UnderlineIsDrawnInTheTextColour() {
    TComTerminal terminal;
    terminal.SetFontColor(MakeColor(255, 0, 0));
    terminal.WriteStr("\033[4m \033[24m ");
    const QImage image = Picture(terminal);
    const QRect underlined = terminal.CellRect(1, 1);
    // A full-width line across the underlined blank, nothing in the plain one.
    QVERIFY(CountInCell(image, underlined, Qt::red) >= underlined.width());
    QCOMPARE(CountInCell(image, terminal.CellRect(2, 1), Qt::red), 0);
    // The line lies in the lower half of the cell.
    int topmost = underlined.bottom();
    for (int y = underlined.top(); y <= underlined.bottom(); ++y)
        if (image.pixelColor(underlined.left(), y) == Qt::red) {
            topmost = y;
            break;
        }
    QVERIFY(topmost > underlined.center().y());
}

void ComTerminalPaintTest::PlainTextInTheFontColour() {
    TComTerminal terminal;
    terminal.SetFontColor(MakeColor(255, 255, 0));
    terminal.WriteStr("M");
    const QImage image = Picture(terminal);
    const QRect cell = terminal.CellRect(1, 1);
    // The glyph's strokes are yellow; the rest of the cell is background.
    auto yellow = [](const QColor& c) { return c.red() > 128 && c.green() > 128 && c.blue() < 64; };
    QVERIFY(CountWhere(image, cell, yellow) > 0);
    QVERIFY(CountInCell(image, cell, Qt::black) > 0);
    QCOMPARE(CountWhere(image, cell, [](const QColor& c) { return c.blue() > 64; }), 0);
}

void ComTerminalPaintTest::CaretShapes() {
    TComTerminal terminal;
    terminal.WriteStr("\033[3;4H");
    const QRect cell = terminal.CellRect(4, 3);
    QCOMPARE(terminal.Caret(), TTermCaret::tcBlock);
    QCOMPARE(terminal.CaretRect(), cell);
    terminal.SetCaret(TTermCaret::tcUnderline);
    const int height = terminal.CellHeight() / 8;
    QCOMPARE(terminal.CaretRect(), QRect(cell.left(), cell.bottom() + 1 - height, cell.width(), height));
    terminal.SetCaret(TTermCaret::tcNone);
    QVERIFY(terminal.CaretRect().isEmpty());
}

void ComTerminalPaintTest::CaretIsDrawnWithFocusOnly() {
    TComTerminal terminal;
    terminal.SetBorderStyle(TTermBorderStyle::bsNone);
    terminal.show();
    terminal.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&terminal));
    terminal.setFocus();
    QTRY_VERIFY(terminal.hasFocus());
    QVERIFY(terminal.CaretShown());

    // A block caret inverts its empty black cell to white.
    const QRect cell = terminal.CellRect(1, 1);
    QImage image = Picture(terminal);
    QCOMPARE(CountInCell(image, cell, Qt::white), cell.width() * cell.height());

    // An underline caret inverts only the bottom eighth of the cell.
    terminal.SetCaret(TTermCaret::tcUnderline);
    image = Picture(terminal);
    QCOMPARE(CountInCell(image, cell, Qt::white), cell.width() * (terminal.CellHeight() / 8));

    // It follows the caret.
    terminal.WriteStr("ab");
    image = Picture(terminal);
    const QRect third = terminal.CellRect(3, 1);
    QCOMPARE(CountInCell(image, third, Qt::white), third.width() * (terminal.CellHeight() / 8));

    // The line hides it (ESC [ ? 25 l) and shows it again (ESC [ ? 25 h).
    terminal.WriteStr("\033[?25l");
    QVERIFY(!terminal.CaretShown());
    QCOMPARE(CountInCell(Picture(terminal), third, Qt::white), 0);
    terminal.WriteStr("\033[?25h");
    QVERIFY(terminal.CaretShown());
    QCOMPARE(CountInCell(Picture(terminal), third, Qt::white), third.width() * (terminal.CellHeight() / 8));

    // Without the focus there is none.
    terminal.clearFocus();
    QTRY_VERIFY(!terminal.hasFocus());
    QVERIFY(!terminal.CaretShown());
    image = Picture(terminal);
    QCOMPARE(CountInCell(image, third, Qt::white), 0);
}

void ComTerminalPaintTest::SamplePictureIsSaved() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("terminal.png"));
    QVERIFY(SaveTerminalSample(path));
    QImage image(path);
    QVERIFY(!image.isNull());

    TComTerminal page;
    ApplyTerminalPageLook(page);
    QCOMPARE(image.size(), page.size());
    QCOMPARE(page.size(), QSize(80 * page.CellWidth(), 24 * page.CellHeight()));
    QCOMPARE(page.Caret(), TTermCaret::tcUnderline);
    QVERIFY(page.SendLF());
    QVERIFY(page.WrapLines());
    QCOMPARE(page.CharSet(), TTermCharSet::tcsEastEurope);

    // The sample's reverse status line shows as a white bar on row 11.
    WriteSampleSession(page);
    QCOMPARE(QString::fromStdString(page.Model().RowText(11)).left(8), QStringLiteral(" STATUS:"));
    const QRect first = page.CellRect(1, 11);
    QCOMPARE(CountInCell(image, first, Qt::white), first.width() * first.height());
}

QTEST_MAIN(ComTerminalPaintTest)
#include "ComTerminalPaint_test.moc"
