#include "data_grid_model.h"

#include "cell_editing.h"
#include "qt_texts.h"
#include "text_codec.h"

#include <algorithm>
#include <utility>

namespace varnotile {

DataGridModel::DataGridModel(DataSet& ds, QObject* parent) : QAbstractTableModel(parent), ds_(ds) {
    ds_.Changes.addObserver(this);
}

DataGridModel::~DataGridModel() { ds_.Changes.removeObserver(this); }

int DataGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int DataGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    std::string_view bytes = ds_.Table.Cells.cell(index.column() + 1, index.row() + 1);
    if (bytes.empty()) return QString();
    // No column is wide enough to show more than the start of a long text, and the style lays out
    // every character it is given to elide it: a repaint of cells of 200 KB would take seconds.
    constexpr std::size_t kShownBytes = 1024;
    if (role == Qt::DisplayRole && bytes.size() > kShownBytes) {
        std::size_t end = kShownBytes;
        while (ds_.File.FileIsUtf8 && end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
        bytes = bytes.substr(0, end);
    }
    QString text = displayString(bytes, ds_.File.FileIsUtf8);
    // A quoted text may hold line breaks: the cell shows one line, with a mark where each was.
    if (role == Qt::DisplayRole && bytes.find('\n') != std::string_view::npos) text.replace(QLatin1Char('\n'), kLineBreakMark);
    return text;
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::AccessibleTextRole) {
        // A screen reader names a row by its number and a column by its name, as drawn.
        if (orientation == Qt::Vertical) return QStringLiteral("Row %1").arg(section + 1);
        const int column = section + 1;
        const std::string name = column <= ds_.fieldSlots() ? ds_.Layout.ColumnNames[static_cast<std::size_t>(column)] : std::string();
        return name.empty() ? QStringLiteral("Column %1").arg(column) : QString::fromStdString(displayText(name, ds_.File.FileIsUtf8));
    }
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) {
        // Row numbers show only once a file is loaded (the empty grid has empty cells).
        if (ds_.Table.Cells.rowCount() == 0) return QString();
        return QString::number(section + 1);
    }
    return QString(); // the header row is drawn by the header view
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editGate_ && !editGate_()) return f;
    if (index.row() < ds_.Table.Cells.rowCount() && index.column() < ds_.Table.Cells.columnCount())
        f |= Qt::ItemIsEditable;
    return f;
}

QString DataGridModel::refusal(const QModelIndex& index, const QString& text) const {
    if (!index.isValid()) return {};
    const std::optional<std::string> why = RefusedCellText(ds_, index.column() + 1, storedBytes(text, ds_.File.FileIsUtf8));
    return why ? QString::fromStdString(displayText(*why, ds_.File.FileIsUtf8)) : QString();
}

bool DataGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    // The data set stores the text and journals it; its change notice comes back as dataChanged.
    std::string text = storedBytes(value.toString(), ds_.File.FileIsUtf8);
    if (const std::optional<std::string> why = RefusedCellText(ds_, index.column() + 1, text)) {
        if (refusalSink_) refusalSink_(QString::fromStdString(displayText(*why, ds_.File.FileIsUtf8)));
        return false;
    }
    EditCell(ds_, index.column() + 1, index.row() + 1, std::move(text));
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

void DataGridModel::cellsChanged(int column, int firstRow, int lastRow) {
    if (rows_ == 0 || columns_ == 0) return;
    const int first = std::max(firstRow, 1) - 1, last = std::min(lastRow, rows_) - 1;
    if (first > last) return;
    const int left = column >= 1 && column <= columns_ ? column - 1 : 0;
    const int right = column >= 1 && column <= columns_ ? column - 1 : columns_ - 1;
    emit dataChanged(index(first, left), index(last, right), {Qt::DisplayRole, Qt::EditRole});
}

void DataGridModel::aboutToRemoveRows(int firstRow, int lastRow) {
    const int first = std::max(firstRow, 1) - 1, last = std::min(lastRow, rows_) - 1;
    rowsComing_ = first <= last ? -(last - first + 1) : 0;
    if (rowsComing_ != 0) beginRemoveRows({}, first, last);
}

void DataGridModel::rowsRemoved(int, int) {
    if (rowsComing_ >= 0) return;
    rows_ += std::exchange(rowsComing_, 0);
    endRemoveRows();
}

void DataGridModel::aboutToInsertRows(int firstRow, int lastRow) {
    const int first = std::clamp(firstRow, 1, rows_ + 1) - 1;
    rowsComing_ = std::max(lastRow - firstRow + 1, 0);
    if (rowsComing_ != 0) beginInsertRows({}, first, first + rowsComing_ - 1);
}

void DataGridModel::rowsInserted(int, int) {
    if (rowsComing_ <= 0) return;
    rows_ += std::exchange(rowsComing_, 0);
    endInsertRows();
}

void DataGridModel::tableReplaced() { tableReset(); }

void DataGridModel::tableReset() {
    beginResetModel();
    endResetModel();
}

} // namespace varnotile
