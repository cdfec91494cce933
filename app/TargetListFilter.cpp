#include "TargetListFilter.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QSortFilterProxyModel>

namespace {

// The first row ("<Autodetect>") always stays, so that detection is always one choice away.
class TChipNameFilter : public QSortFilterProxyModel {
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetText(const QString& text) {
        FText = text;
        invalidateFilter();
    }

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (row == 0) return true;
        const QString name = sourceModel()->index(row, 0, parent).data().toString();
        return name.contains(FText, Qt::CaseInsensitive);
    }

  private:
    QString FText;
};

} // namespace

TTargetListFilter::TTargetListFilter(QComboBox* box) : QObject(box), FBox(box) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    auto* names = new TChipNameFilter(this);
    names->setSourceModel(box->model());
    FNames = names;
    // The filter decides the rows; the completer shows them all.
    FCompleter = new QCompleter(FNames, this);
    FCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    FCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    FCompleter->setMaxVisibleItems(box->maxVisibleItems());
    // On the line edit itself, not through the box: the box would choose the row too,
    // and the window would hear of one choice twice.
    box->lineEdit()->setCompleter(FCompleter);
    // Before the completer shows its list for the new text, so that it shows the right rows.
    connect(box->lineEdit(), &QLineEdit::textEdited, this, &TTargetListFilter::TextEdited);
    connect(box->lineEdit(), &QLineEdit::editingFinished, this, &TTargetListFilter::EditingFinished);
    // The completer gives a row of its own model, which shows the filter's rows.
    connect(FCompleter, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) {
                const auto* shown = qobject_cast<const QAbstractProxyModel*>(FCompleter->completionModel());
                Choose(FNames->mapToSource(shown->mapToSource(index)).row());
            });
}

void TTargetListFilter::TextEdited(const QString& text) {
    static_cast<TChipNameFilter*>(FNames)->SetText(text);
}

void TTargetListFilter::EditingFinished() {
    // Enter on a row of the list under the box: the completer chooses it next.
    if (FCompleter->popup()->isVisible() && FCompleter->popup()->currentIndex().isValid()) return;
    const QString text = FBox->lineEdit()->text();
    int row = FBox->findText(text, Qt::MatchFixedString); // a whole name, letter case ignored
    // The one chip the text names a part of (besides "<Autodetect>", which always stays).
    if (row < 0 && FNames->rowCount() == 2 && !text.isEmpty())
        row = FNames->mapToSource(FNames->index(1, 0)).row();
    if (row >= 0 && row != FBox->currentIndex()) return Choose(row);
    // Nothing chosen: the box shows its current item again.
    FBox->lineEdit()->setText(FBox->itemText(FBox->currentIndex()));
}

void TTargetListFilter::Choose(int row) {
    if (row < 0) return;
    FCompleter->popup()->hide();
    FBox->setCurrentIndex(row);
    FBox->lineEdit()->setText(FBox->itemText(row));
    emit FBox->activated(row);
}
