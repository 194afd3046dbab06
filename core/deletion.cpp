#include "deletion.h"

#include "statistics.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace varnotile {

DeletionTarget ClassifySelection(const DataSet& ds, const GridRect& s) {
    DeletionTarget target;
    if (s.Top != s.Bottom && s.Left == s.Right) {
        if (s.Left >= 1 && s.Left <= ds.Layout.ColumnCount) {
            target.kind = DeletionTarget::Kind::Column;
            target.column = s.Left;
        }
    } else if (s.Left != s.Right) {
        const int top = std::max(std::min(s.Top, s.Bottom), 1);
        const int bottom = std::min(std::max(s.Top, s.Bottom), ds.Layout.DataRowCount);
        if (top <= bottom) {
            target.kind = DeletionTarget::Kind::Rows;
            target.top = top;
            target.bottom = bottom;
        }
    }
    return target;
}

namespace {

// A deleted column comes back at the width it had.
class ColumnDeletionCommand final : public UndoCommand {
public:
    ColumnDeletionCommand(int column, int width) : column_(column), width_(width) {}
    void undo(DataSet& ds) override {
        ds.Layout.ColumnPresent[column_] = true;
        ds.Changes.columnShown(column_, width_);
    }

private:
    int column_, width_;
};

// Deleted rows go back into their place with every cell's text and number as they were.
class RowDeletionCommand final : public UndoCommand {
public:
    RowDeletionCommand(int firstRow, std::vector<CellTable::RowId> rowIds, std::vector<std::vector<double>> rowValues)
        : firstRow_(firstRow), rowIds_(std::move(rowIds)), rowValues_(std::move(rowValues)) {}

    void undo(DataSet& ds) override {
        const int n = static_cast<int>(rowIds_.size());
        ds.Changes.aboutToInsertRows(firstRow_, firstRow_ + n - 1);
        ds.Table.Cells.insertRows(firstRow_, rowIds_);
        for (std::size_t k = 0; k < rowValues_.size() && k < ds.Table.Values.size(); ++k)
            if (!rowValues_[k].empty()) insertSlots(ds.Table.Values[k], firstRow_, rowValues_[k]);
        ds.Layout.DataRowCount += n;
        ComputeColumnStatistics(ds);
        ds.Changes.rowsInserted(firstRow_, firstRow_ + n - 1);
        ds.Changes.statisticsChanged(0);
    }

private:
    // Moves the slots from `row` on down by the number inserted (the last ones fall off the end)
    // and writes `inserted` into the gap.
    static void insertSlots(std::vector<double>& slots, int row, const std::vector<double>& inserted) {
        const std::size_t at = static_cast<std::size_t>(row);
        const std::size_t n = inserted.size();
        if (slots.size() < at + n) slots.resize(at + n, 0.0);
        std::copy_backward(slots.begin() + static_cast<std::ptrdiff_t>(at),
                           slots.end() - static_cast<std::ptrdiff_t>(n), slots.end());
        std::copy(inserted.begin(), inserted.end(), slots.begin() + static_cast<std::ptrdiff_t>(at));
    }

    int firstRow_;
    std::vector<CellTable::RowId> rowIds_; // they carry every cell's text exactly
    std::vector<std::vector<double>> rowValues_; // per column slot 0..10
};

} // namespace

bool DeleteColumn(DataSet& ds, int k, int width) {
    if (k < 1 || k > ds.Layout.ColumnCount || k > kFieldSlots || !ds.Layout.ColumnPresent[k]) return false;
    const ChangeScope scope(ds.Changes);
    ds.Journal.push(std::make_unique<ColumnDeletionCommand>(k, width));
    ds.Layout.ColumnPresent[k] = false;
    ds.Changes.columnHidden(k);
    return true;
}

GridRect SelectionAfterColumnDeletion(const DataSet& ds, const GridRect& selection, int k) {
    GridRect moved = selection;
    for (int next = k + 1; next <= ds.Layout.ColumnCount && next <= kFieldSlots; ++next) {
        if (!ds.Layout.ColumnPresent[next]) continue;
        moved.Left = moved.Right = next;
        break;
    }
    return moved;
}

bool DeleteRows(DataSet& ds, int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, std::min(ds.Layout.DataRowCount, ds.Table.Cells.rowCount()));
    if (top > bottom) return false;
    const ChangeScope scope(ds.Changes);
    const int n = bottom - top + 1;
    ds.Changes.aboutToRemoveRows(top, bottom);
    std::vector<CellTable::RowId> rowIds = ds.Table.Cells.takeRows(top, bottom);
    // The numbers leave with their rows: the slots below move up and the freed slots at the end
    // become 0, which is what re-reading every cell would give (numbers follow their texts).
    std::vector<std::vector<double>> rowValues(ds.Table.Values.size());
    for (std::size_t k = 0; k < ds.Table.Values.size(); ++k) {
        auto& slots = ds.Table.Values[k];
        if (slots.size() <= static_cast<std::size_t>(top)) continue;
        const auto first = slots.begin() + top;
        const auto last = slots.begin() + std::min<std::ptrdiff_t>(bottom + 1, static_cast<std::ptrdiff_t>(slots.size()));
        rowValues[k].assign(first, last);
        rowValues[k].resize(static_cast<std::size_t>(n), 0.0);
        const auto end = std::move(last, slots.end(), first);
        std::fill(end, slots.end(), 0.0);
    }
    ds.Journal.push(std::make_unique<RowDeletionCommand>(top, std::move(rowIds), std::move(rowValues)));
    ds.Layout.DataRowCount -= n;
    ComputeColumnStatistics(ds);
    ds.Changes.rowsRemoved(top, bottom);
    ds.Changes.statisticsChanged(0);
    return true;
}

} // namespace varnotile
