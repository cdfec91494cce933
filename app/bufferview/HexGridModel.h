// A read-only table model over the buffer view's grid: each cell's text is made only
// when the view asks for it, so a rebuild costs no more than filling the grid's numbers.
#pragma once

#include <QAbstractTableModel>
#include <QBrush>

#include "bufferview/HexGrid.h"

class THexGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    THexGridModel(const vesk::THexGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Brushes of the separator rows' background and of the address column's text.
    void SetSeparatorBrush(const QBrush& brush) { FSeparatorBrush = brush; }
    void SetAddressBrush(const QBrush& brush) { FAddressBrush = brush; }

    // The grid is about to be rebuilt / has been rebuilt: views drop and re-read everything.
    void BeginRebuild() { beginResetModel(); }
    void EndRebuild() { endResetModel(); }

  private:
    const vesk::THexGrid& FGrid;
    QBrush FSeparatorBrush;
    QBrush FAddressBrush;
};
