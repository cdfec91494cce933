// The target list among hundreds of chips: the box takes text, and a list under it
// shows "<Autodetect>" and the chips whose name contains that text, letter case
// ignored. Choosing from that list - or pressing Enter on a text that only one chip
// contains, or typing a chip's whole name - chooses the item as the drop-down list
// does: it becomes the box's current item and the box's `activated` signal is sent.
// Text that chooses nothing gives way to the current item's name again.
#pragma once

#include <QObject>

class QComboBox;
class QCompleter;
class QSortFilterProxyModel;

class TTargetListFilter : public QObject {
    Q_OBJECT
  public:
    // Makes `box` (whose first item is "<Autodetect>") editable and filtered; the
    // filter belongs to the box.
    explicit TTargetListFilter(QComboBox* box);

    // The rows the list under the box offers for the text typed, "<Autodetect>" first.
    QCompleter* Completer() const { return FCompleter; }

  private:
    void TextEdited(const QString& text);
    void EditingFinished();
    void Choose(int row);

    QComboBox* FBox;
    QSortFilterProxyModel* FNames;
    QCompleter* FCompleter;
};
