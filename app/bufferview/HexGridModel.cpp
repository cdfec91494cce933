#include "bufferview/HexGridModel.h"

THexGridModel::THexGridModel(const vesk::THexGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), FGrid(grid) {}

int THexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FGrid.RowCount();
}

int THexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FGrid.ColumnCount();
}

QVariant THexGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(FGrid.Cell(index.column(), index.row()));
    case Qt::BackgroundRole:
        if (FSeparatorBrush.style() != Qt::NoBrush && FGrid.IsSeparatorRow(index.row()))
            return FSeparatorBrush;
        return {};
    case Qt::ForegroundRole:
        if (index.column() == 0 && FAddressBrush.style() != Qt::NoBrush) return FAddressBrush;
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

Qt::ItemFlags THexGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // shown only, never edited
}
