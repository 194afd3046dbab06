#include "deletion.h"

#include "statistics.h"

#include <algorithm>

namespace varnotile {

DeletionTarget ClassifySelection(const DataSet& ds, const GridRect& s) {
    DeletionTarget target;
    if (s.Top != s.Bottom && s.Left == s.Right) {
        if (s.Left >= 1 && s.Left <= ds.ColumnCount) {
            target.kind = DeletionTarget::Kind::Column;
            target.column = s.Left;
        }
    } else if (s.Left != s.Right) {
        const int top = std::max(std::min(s.Top, s.Bottom), 1);
        const int bottom = std::min(std::max(s.Top, s.Bottom), ds.DataRowCount);
        if (top <= bottom) {
            target.kind = DeletionTarget::Kind::Rows;
            target.top = top;
            target.bottom = bottom;
        }
    }
    return target;
}

EditEffect DeleteColumn(DataSet& ds, int k, int width) {
    if (k < 1 || k > ds.ColumnCount || k > kFieldSlots || !ds.ColumnPresent[static_cast<std::size_t>(k)]) return {};
    UndoEntry entry;
    entry.kind = UndoKind::ColumnDeletion;
    entry.column = k;
    entry.width = width;
    PushUndo(ds, std::move(entry));
    ds.ColumnPresent[static_cast<std::size_t>(k)] = false;
    EditEffect effect;
    effect.changed = true;
    effect.hideColumn = k;
    if (k <= 10) effect.clearCurve = k;
    effect.chartTitles = true;
    return effect;
}

GridRect SelectionAfterColumnDeletion(const DataSet& ds, const GridRect& selection, int k) {
    GridRect moved = selection;
    for (int next = k + 1; next <= ds.ColumnCount && next <= kFieldSlots; ++next) {
        if (!ds.ColumnPresent[static_cast<std::size_t>(next)]) continue;
        moved.Left = moved.Right = next;
        break;
    }
    return moved;
}

EditEffect DeleteRows(DataSet& ds, int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, std::min(ds.DataRowCount, ds.Cells.rowCount()));
    if (top > bottom) return {};
    const int n = bottom - top + 1;
    UndoEntry entry;
    entry.kind = UndoKind::RowDeletion;
    entry.row = top;
    entry.lastRow = bottom;
    entry.rowIds = ds.Cells.takeRows(top, bottom);
    // The numbers leave with their rows: the slots below move up and the freed slots at the end
    // become 0, which is what re-reading every cell would give (numbers follow their texts).
    entry.rowValues.resize(ds.Values.size());
    for (std::size_t k = 0; k < ds.Values.size(); ++k) {
        auto& slots = ds.Values[k];
        if (slots.size() <= static_cast<std::size_t>(top)) continue;
        const auto first = slots.begin() + top;
        const auto last = slots.begin() + std::min<std::ptrdiff_t>(bottom + 1, static_cast<std::ptrdiff_t>(slots.size()));
        entry.rowValues[k].assign(first, last);
        entry.rowValues[k].resize(static_cast<std::size_t>(n), 0.0);
        const auto end = std::move(last, slots.end(), first);
        std::fill(end, slots.end(), 0.0);
    }
    PushUndo(ds, std::move(entry));
    ds.DataRowCount -= n;
    ComputeColumnStatistics(ds);
    EditEffect effect;
    effect.changed = true;
    effect.allCurves = effect.headerRow = effect.chartTitles = effect.rowCountChanged = true;
    effect.cellsColumn = 0;
    return effect;
}

} // namespace varnotile
