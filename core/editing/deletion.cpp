#include "deletion.h"

#include "statistics.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace varnotile {

DeletionTarget ClassifySelection(const Document& ds, const GridRect& s) {
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

// A deleted column stays in the table, hidden; it comes back at the width it had.
class ColumnDeletionCommand final : public UndoCommand {
public:
    ColumnDeletionCommand(int column, int width) : column_(column), width_(width) {}
    void redo(Document& ds) override {
        ds.Layout.ColumnPresent[column_] = false;
        ds.Changes.columnHidden(column_);
    }
    void undo(Document& ds) override {
        ds.Layout.ColumnPresent[column_] = true;
        ds.Changes.columnShown(column_, width_);
    }

private:
    int column_, width_;
};

// Deleted rows leave the table with their numbers and go back into their place with every
// cell's text and number as they were. Rows appended since lie below them and stay.
class RowDeletionCommand final : public UndoCommand {
public:
    RowDeletionCommand(int top, int bottom) : top_(top), bottom_(bottom) {}

    void redo(Document& ds) override {
        const int n = bottom_ - top_ + 1;
        ds.Changes.aboutToRemoveRows(top_, bottom_);
        rowIds_ = ds.Table.Cells.takeRows(top_, bottom_);
        // The numbers leave with their rows: the slots below move up and the freed slots at the
        // end become 0, which is what re-reading every cell would give (numbers follow their texts).
        rowValues_.assign(ds.Table.Values.size(), {});
        for (std::size_t k = 0; k < ds.Table.Values.size(); ++k) {
            auto& slots = ds.Table.Values[k];
            if (slots.size() <= static_cast<std::size_t>(top_)) continue;
            const auto first = slots.begin() + top_;
            const auto last = slots.begin() + std::min<std::ptrdiff_t>(bottom_ + 1, static_cast<std::ptrdiff_t>(slots.size()));
            rowValues_[k].assign(first, last);
            rowValues_[k].resize(static_cast<std::size_t>(n), 0.0);
            const auto end = std::move(last, slots.end(), first);
            std::fill(end, slots.end(), 0.0);
        }
        ds.Layout.DataRowCount -= n;
        ComputeColumnStatistics(ds);
        ds.Changes.rowsRemoved(top_, bottom_);
        ds.Changes.statisticsChanged(0);
    }

    void undo(Document& ds) override {
        const int n = static_cast<int>(rowIds_.size());
        ds.Changes.aboutToInsertRows(top_, top_ + n - 1);
        ds.Table.Cells.insertRows(top_, rowIds_);
        ds.Layout.DataRowCount += n;
        for (std::size_t k = 0; k < rowValues_.size() && k < ds.Table.Values.size(); ++k)
            if (!rowValues_[k].empty()) insertSlots(ds.Table.Values[k], top_, rowValues_[k], ds.Layout.DataRowCount);
        ComputeColumnStatistics(ds);
        ds.Changes.rowsInserted(top_, top_ + n - 1);
        ds.Changes.statisticsChanged(0);
        std::vector<CellTable::RowId>().swap(rowIds_);
        std::vector<std::vector<double>>().swap(rowValues_);
    }

private:
    // Moves the slots from `row` on down by the number inserted and writes `inserted` into the
    // gap. The slots grow to hold `rows` rows: rows appended since the deletion may have taken
    // the slots it freed, and none of them may fall off the end.
    static void insertSlots(std::vector<double>& slots, int row, const std::vector<double>& inserted, int rows) {
        const std::size_t at = static_cast<std::size_t>(row);
        const std::size_t n = inserted.size();
        slots.resize(std::max({slots.size(), at + n, static_cast<std::size_t>(rows) + 1}), 0.0);
        std::copy_backward(slots.begin() + static_cast<std::ptrdiff_t>(at),
                           slots.end() - static_cast<std::ptrdiff_t>(n), slots.end());
        std::copy(inserted.begin(), inserted.end(), slots.begin() + static_cast<std::ptrdiff_t>(at));
    }

    int top_, bottom_;
    std::vector<CellTable::RowId> rowIds_;       // they carry every cell's text exactly
    std::vector<std::vector<double>> rowValues_; // per value column slot
};

} // namespace

bool DeleteColumn(Document& ds, int k, int width) {
    if (k < 1 || k > ds.Layout.ColumnCount || k > ds.fieldSlots() || !ds.Layout.ColumnPresent[k]) return false;
    const ChangeScope scope(ds.Changes);
    ds.Journal.push(ds, std::make_unique<ColumnDeletionCommand>(k, width));
    return true;
}

GridRect SelectionAfterColumnDeletion(const Document& ds, const GridRect& selection, int k) {
    GridRect moved = selection;
    for (int next = k + 1; next <= ds.Layout.ColumnCount && next <= ds.fieldSlots(); ++next) {
        if (!ds.Layout.ColumnPresent[next]) continue;
        moved.Left = moved.Right = next;
        break;
    }
    return moved;
}

bool DeleteRows(Document& ds, int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, std::min(ds.Layout.DataRowCount, ds.Table.Cells.rowCount()));
    if (top > bottom) return false;
    const ChangeScope scope(ds.Changes);
    ds.Journal.push(ds, std::make_unique<RowDeletionCommand>(top, bottom));
    return true;
}

} // namespace varnotile
