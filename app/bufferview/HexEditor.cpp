#include "bufferview/HexEditor.h"

#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>

#include "bufferview/HexGridModel.h"
#include "bufferview/RefreshBufferView.h"

namespace {

// The dump's font: Courier New at 13 pixels, or the system's fixed-pitch face without it.
QFont GridFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    return font;
}

} // namespace

THexEditor::THexEditor(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("HexEditor"));
    FModel = new THexGridModel(FGrid, this);

    FView = new QTableView(this);
    FView->setObjectName(QStringLiteral("BufferGrid"));
    FView->setFont(GridFont());
    FView->setModel(FModel);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setSelectionBehavior(QAbstractItemView::SelectItems);
    FView->setShowGrid(false);
    FView->setWordWrap(false);
    FView->setTextElideMode(Qt::ElideNone);
    FView->setCornerButtonEnabled(false);
    FView->setFrameShape(QFrame::NoFrame);
    // Fixed sizes: the headers then never measure cells, whatever the number of rows.
    for (QHeaderView* header : {FView->horizontalHeader(), FView->verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    FView->horizontalHeader()->setStretchLastSection(false);
    FView->verticalScrollBar()->setTracking(true); // rows follow the thumb while it is dragged

    QPalette palette = FView->palette();
    FModel->SetSeparatorBrush(palette.brush(QPalette::AlternateBase));
    FModel->SetAddressBrush(QColor(0x00, 0x00, 0x80));

    FSelectTarget = new QLabel(QStringLiteral("Select target chip type"), this);
    FSelectTarget->setObjectName(QStringLiteral("pnlSelectTarget"));
    FSelectTarget->setFixedSize(225, 41);
    FSelectTarget->setAlignment(Qt::AlignCenter);
    FSelectTarget->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    FSelectTarget->setAutoFillBackground(true);
    FSelectTarget->setBackgroundRole(QPalette::Base); // the window colour of text areas
    FSelectTarget->setVisible(true);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView, 0, 0);
    layout->addWidget(FSelectTarget, 0, 0, Qt::AlignCenter); // above the grid, kept centred
    ApplyFormat();
}

THexEditor::~THexEditor() = default;

void THexEditor::ApplyFormat() {
    const QFontMetrics metrics(FView->font());
    // Room the item delegate keeps on each side of a cell's text.
    const int margin = FView->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FView) + 1;
    QHeaderView* columns = FView->horizontalHeader();
    for (int c = 0; c < FGrid.ColumnCount(); ++c)
        columns->resizeSection(c, metrics.horizontalAdvance(QString::fromStdString(FGrid.ColumnSample(c))) +
                                      2 * margin);
    // The text height of the sample is the font's line height, as for any one-line text.
    const QSize sample =
        metrics.size(Qt::TextSingleLine, QString::fromLatin1(vesk::THexGrid::RowHeightSample()));
    FView->verticalHeader()->setDefaultSectionSize(sample.height() + 2);
}

void THexEditor::Clear() {
    FModel->BeginRebuild();
    FGrid.Clear();
    FModel->EndRebuild();
    ApplyFormat();
}

void THexEditor::RefreshBufferView() {
    FSelectTarget->setVisible(FSession == nullptr);
    FModel->BeginRebuild();
    bool shown = false;
    try {
        shown = vesk::RefreshBufferView(FGrid, FSession);
    } catch (...) {
        FGrid.Clear(); // the page stays empty
        FModel->EndRebuild();
        ApplyFormat();
        throw;
    }
    FModel->EndRebuild();
    ApplyFormat();
    // The first word cell is the current one, drawn with focus; an empty page has none.
    if (shown) FView->setCurrentIndex(FModel->index(0, 1));
}

QString THexEditor::CellText(int column, int row) const {
    return QString::fromStdString(FGrid.Cell(column, row));
}
