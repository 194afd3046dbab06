#include "data_grid_model.h"

#include "text_codec.h"

namespace varnotile {

DataGridModel::DataGridModel(DataSet& ds, QObject* parent) : QAbstractTableModel(parent), ds_(ds) {}

int DataGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int DataGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const std::string_view bytes = ds_.Cells.cell(index.column() + 1, index.row() + 1);
    if (bytes.empty()) return QString();
    return QString::fromStdString(displayText(bytes, ds_.FileIsUtf8));
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) {
        // Row numbers show only once a file is loaded (the empty grid has empty cells).
        if (ds_.Cells.rowCount() == 0) return QString();
        return QString::number(section + 1);
    }
    return QString(); // the header row is drawn by the header view
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.row() < ds_.Cells.rowCount() && index.column() < ds_.Cells.columnCount()) f |= Qt::ItemIsEditable;
    return f;
}

bool DataGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    const int column = index.column() + 1;
    const int row = index.row() + 1;
    const QString text = value.toString();
    std::string bytes = storedText(text.toStdString(), ds_.FileIsUtf8);
    const std::string before(ds_.Cells.cell(column, row));
    // The report comes first, while the cell still holds the text the change replaces, so that
    // the journal sees exactly what was there; the text is stored here if no one stored it.
    emit cellTextEdited(column, row, text);
    if (ds_.Cells.cell(column, row) != bytes) ds_.Cells.setCell(column, row, std::move(bytes));
    if (ds_.Cells.cell(column, row) != before) emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

void DataGridModel::setGridSize(int gridColumns, int gridRows) {
    const int rows = gridRows > 1 ? gridRows - 1 : 0;
    const int columns = gridColumns > 1 ? gridColumns - 1 : 0;
    if (rows == rows_ && columns == columns_) return;
    beginResetModel();
    rows_ = rows;
    columns_ = columns;
    endResetModel();
}

void DataGridModel::cellsChanged(int column) {
    if (rows_ == 0 || columns_ == 0) return;
    if (column >= 1 && column <= columns_)
        emit dataChanged(index(0, column - 1), index(rows_ - 1, column - 1), {Qt::DisplayRole});
    else
        emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1), {Qt::DisplayRole});
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void DataGridModel::tableReset() {
    beginResetModel();
    endResetModel();
}

} // namespace varnotile
