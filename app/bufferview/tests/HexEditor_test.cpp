// The Buffer page's grid widget, run offscreen: what the table shows and how it is drawn.
#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QTableView>
#include <QtTest>

#include "TestChips.h"
#include "VESK_Exception.h"
#include "bufferview/HexEditor.h"

using bufferview_test::MakeChip;
using bufferview_test::ShippedChip;

namespace {

QString Shown(const THexEditor& editor, int column, int row) {
    const QAbstractItemModel* model = editor.View()->model();
    return model->data(model->index(row, column)).toString();
}

// True if the rectangle of the image holds at least two different colours (text drawn).
bool HasInk(const QImage& image, const QRect& rect) {
    const QRect r = rect.intersected(image.rect());
    if (r.isEmpty()) return false;
    const QRgb first = image.pixel(r.topLeft());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixel(x, y) != first) return true;
    return false;
}

} // namespace

class HexEditorTest : public QObject {
    Q_OBJECT
  private slots:
    void WithoutChipThePanelIsShownAndTheGridEmpty() {
        THexEditor editor;
        editor.resize(640, 400);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.RefreshBufferView();
        QVERIFY(editor.SelectTargetPanel()->isVisible());
        QCOMPARE(editor.SelectTargetPanel()->text(), QStringLiteral("Select target chip type"));
        QCOMPARE(editor.View()->model()->rowCount(), 1);
        QCOMPARE(editor.View()->model()->columnCount(), 10);
        for (int c = 0; c < 10; ++c)
            QCOMPARE(Shown(editor, c, 0), QString());
        // The empty row is neither selected nor styled as a separator.
        QVERIFY(!editor.View()->currentIndex().isValid());
        QVERIFY(
            !editor.View()->model()->data(editor.View()->model()->index(0, 1), Qt::BackgroundRole).isValid());
        // The panel is kept centred in the page.
        const QRect panel = editor.SelectTargetPanel()->geometry();
        QCOMPARE(panel.size(), QSize(225, 41));
        QVERIFY(qAbs(panel.center().x() - editor.rect().center().x()) <= 1);
        QVERIFY(qAbs(panel.center().y() - editor.rect().center().y()) <= 1);
    }

    void ChoosingNoChipAfterOneEmptiesThePage() {
        auto chip = ShippedChip("PIC16F84A");
        THexEditor editor;
        editor.resize(640, 400);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.SetSession(chip.get());
        editor.RefreshBufferView();
        QVERIFY(editor.SelectTargetPanel()->isHidden());
        editor.SetSession(nullptr);
        editor.RefreshBufferView();
        QVERIFY(editor.SelectTargetPanel()->isVisible());
        QCOMPARE(editor.View()->model()->rowCount(), 1);
        QCOMPARE(Shown(editor, 0, 0), QString());
        QVERIFY(!editor.View()->currentIndex().isValid());
    }

    void ChipWordsAreShownInTheTable() {
        auto chip = ShippedChip("PIC16F84A");
        chip->SetWord(0x0000, 0x3F41);
        THexEditor editor;
        editor.resize(640, 400);
        editor.SetSession(chip.get());
        QCOMPARE(editor.Session(), chip.get());
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.RefreshBufferView();

        QVERIFY(!editor.SelectTargetPanel()->isVisible());
        QCOMPARE(editor.View()->model()->rowCount(), 139);
        QCOMPARE(Shown(editor, 0, 0), QStringLiteral("000000:"));
        QCOMPARE(Shown(editor, 1, 0), QStringLiteral("3F41"));
        QCOMPARE(Shown(editor, 2, 0), QStringLiteral("3FFF"));
        QCOMPARE(Shown(editor, 9, 0), QStringLiteral("A......."));
        QCOMPARE(Shown(editor, 0, 128), QString());
        QCOMPARE(Shown(editor, 8, 129), QStringLiteral("3FFF"));
        QCOMPARE(Shown(editor, 0, 131), QStringLiteral("002100:"));
        QCOMPARE(editor.CellText(1, 131), QStringLiteral("00FF"));
        QCOMPARE(editor.Grid().WordWrites(), 2 * (1024 + 1 + 64));
        // The first word cell is the current one.
        QCOMPARE(editor.View()->currentIndex().row(), 0);
        QCOMPARE(editor.View()->currentIndex().column(), 1);
        // Shown only: no cell can be edited.
        QVERIFY(!(editor.View()->model()->flags(editor.View()->model()->index(0, 1)) & Qt::ItemIsEditable));
    }

    void SeparatorRowsAreStyledApart() {
        auto chip = ShippedChip("PIC16F84A");
        THexEditor editor;
        editor.SetSession(chip.get());
        editor.RefreshBufferView();
        const QAbstractItemModel* model = editor.View()->model();
        QVERIFY(model->data(model->index(128, 1), Qt::BackgroundRole).isValid());
        QVERIFY(!model->data(model->index(127, 1), Qt::BackgroundRole).isValid());
        QVERIFY(model->data(model->index(0, 0), Qt::ForegroundRole).isValid()); // address column
    }

    void ColumnsAreWideEnoughAndRowsAsHighAsTheFont() {
        auto chip = ShippedChip("PIC16F84A");
        THexEditor editor;
        editor.SetSession(chip.get());
        editor.RefreshBufferView();
        QTableView* view = editor.View();
        QVERIFY(view->font().fixedPitch() || QFontInfo(view->font()).fixedPitch());
        QCOMPARE(view->font().pixelSize(), 13);
        const QFontMetrics metrics(view->font());
        // The height of the text "W": not the font's height for every face (DejaVu Sans
        // Mono at 13 pixels, all a fresh Debian has, sets the text one pixel higher).
        const int rowHeight = metrics.size(Qt::TextSingleLine, QStringLiteral("W")).height() + 2;
        QCOMPARE(view->rowHeight(0), rowHeight);
        QCOMPARE(view->rowHeight(130), rowHeight);
        QVERIFY(view->columnWidth(0) > metrics.horizontalAdvance(QStringLiteral("0000000 :")));
        for (int c = 1; c <= 8; ++c)
            QVERIFY(view->columnWidth(c) > metrics.horizontalAdvance(QStringLiteral("0000 :")));
        QVERIFY(view->columnWidth(9) > metrics.horizontalAdvance(QStringLiteral("........ :")));
        QVERIFY(view->horizontalHeader()->isHidden());
        QVERIFY(view->verticalHeader()->isHidden());
        QVERIFY(!view->showGrid());
    }

    void CellsArePainted() {
        auto chip = ShippedChip("PIC16F84A");
        THexEditor editor;
        editor.resize(640, 400);
        editor.SetSession(chip.get());
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.RefreshBufferView();
        QTableView* view = editor.View();
        const QImage image = view->viewport()->grab().toImage();
        // Text in the address cell and a word cell of the top row; the bottom part of the
        // page (past the last visible row) shows nothing.
        const QAbstractItemModel* model = view->model();
        QVERIFY(HasInk(image, view->visualRect(model->index(0, 0))));
        QVERIFY(HasInk(image, view->visualRect(model->index(1, 2))));
        QVERIFY(HasInk(image, view->visualRect(model->index(2, 9))));
        // Scrolled to the separator before Fuses: the empty row is painted without text.
        view->scrollTo(model->index(128, 0), QAbstractItemView::PositionAtTop);
        const QImage scrolled = view->viewport()->grab().toImage();
        const QRect separator = view->visualRect(model->index(128, 1));
        QVERIFY(!separator.isEmpty());
        QVERIFY(!HasInk(scrolled, separator));
        QVERIFY(HasInk(scrolled, view->visualRect(model->index(129, 8))));
    }

    void ChipWithoutDataLeavesTheGridEmpty() {
        auto good = ShippedChip("PIC16F84A");
        auto chip = MakeChip("NoData", {{"Code", vesk::RegionCodeCode, 0, 64, 0x3FFF},
                                        {"Fuses", vesk::RegionCodeFuses, 0x2007, 1, 0x3FFF}});
        THexEditor editor;
        editor.SetSession(good.get());
        editor.RefreshBufferView();
        editor.SetSession(chip.get());
        QString message;
        try {
            editor.RefreshBufferView();
        } catch (const vesk::Exception& e) {
            message = QString::fromStdString(e.Message());
        }
        QCOMPARE(message, QStringLiteral("Chip NoData has no region with code 0x02"));
        QCOMPARE(editor.View()->model()->rowCount(), 1);
        QCOMPARE(Shown(editor, 0, 0), QString());
        QVERIFY(editor.SelectTargetPanel()->isHidden());
        // The next chip is shown as usual.
        editor.SetSession(good.get());
        editor.RefreshBufferView();
        QCOMPARE(editor.View()->model()->rowCount(), 139);
    }

    void ClearEmptiesTheGrid() {
        auto chip = ShippedChip("PIC16F84A");
        THexEditor editor;
        editor.SetSession(chip.get());
        editor.RefreshBufferView();
        editor.Clear();
        QCOMPARE(editor.View()->model()->rowCount(), 1);
        QCOMPARE(editor.CellText(0, 0), QString());
    }
};

QTEST_MAIN(HexEditorTest)
#include "HexEditor_test.moc"
