#include "undo_journal.h"

#include "dataset.h"
#include "number_text.h"
#include "statistics.h"

#include <algorithm>

namespace varnotile {

void UndoJournal::push(UndoEntry entry) {
    madeRoom_.reset();
    while (entries_.size() >= static_cast<std::size_t>(kUndoLimit)) {
        madeRoom_ = std::move(entries_.front());
        entries_.pop_front();
    }
    entries_.push_back(std::move(entry));
}

UndoEntry UndoJournal::pop() {
    madeRoom_.reset();
    UndoEntry entry = std::move(entries_.back());
    entries_.pop_back();
    return entry;
}

void UndoJournal::discardNewest() {
    if (entries_.empty()) return;
    entries_.pop_back();
    if (madeRoom_) entries_.push_front(std::move(*madeRoom_));
    madeRoom_.reset();
}

void UndoJournal::clear() {
    madeRoom_.reset();
    std::deque<UndoEntry>().swap(entries_);
}

void UndoJournal::truncate(int count) {
    if (count <= 0) {
        clear();
        return;
    }
    madeRoom_.reset();
    while (entries_.size() > static_cast<std::size_t>(count)) entries_.pop_back();
}

void SyncJournal(DataSet& ds) {
    if (ds.UndoCount < ds.Journal.size()) ds.Journal.truncate(ds.UndoCount);
    ds.UndoCount = ds.Journal.size();
}

void PushUndo(DataSet& ds, UndoEntry entry) {
    SyncJournal(ds);
    ds.Journal.push(std::move(entry));
    ds.UndoCount = ds.Journal.size();
}

namespace {

bool isDataCell(const DataSet& ds, int column, int row) {
    return column >= 1 && column <= ds.ColumnCount && column <= ds.Cells.columnCount() && row >= 1 &&
           row <= ds.DataRowCount && row <= ds.Cells.rowCount();
}

// Numbers are kept for the numeric columns among 1..10 only (the extra column never is numeric).
bool hasValues(const DataSet& ds, int column) {
    return column >= 1 && column <= 10 && ds.ColumnIsNumeric[static_cast<std::size_t>(column)];
}

void setValue(DataSet& ds, int column, int row, double value) {
    auto& slots = ds.Values[static_cast<std::size_t>(column)];
    if (slots.size() <= static_cast<std::size_t>(row)) slots.resize(static_cast<std::size_t>(ds.DataRowCount) + 1, 0.0);
    slots[static_cast<std::size_t>(row)] = value;
}

// The cell's number follows its text; returns what the window must refresh (the curve, the
// statistics and the header row only when the number changed).
EditEffect followText(DataSet& ds, int column, int row) {
    EditEffect effect;
    effect.changed = true;
    effect.cellsColumn = column;
    if (hasValues(ds, column)) {
        const double number = textToNumber(ds.Cells.cell(column, row), ds.DecimalSeparator);
        if (ds.value(column, row) != number || ds.Values[static_cast<std::size_t>(column)].size() <= static_cast<std::size_t>(row)) {
            setValue(ds, column, row, number);
            ComputeColumnStatistics(ds, column); // only this column's numbers changed
            effect.clearCurve = effect.fillCurve = column;
            effect.headerRow = true;
        }
    }
    return effect;
}

// Moves the slots from `row` on down by `count` (the last `count` slots fall off the end) and
// writes `inserted` into the gap.
void insertSlots(std::vector<double>& slots, int row, const std::vector<double>& inserted) {
    const std::size_t at = static_cast<std::size_t>(row);
    const std::size_t n = inserted.size();
    if (slots.size() < at + n) slots.resize(at + n, 0.0);
    std::copy_backward(slots.begin() + static_cast<std::ptrdiff_t>(at),
                       slots.end() - static_cast<std::ptrdiff_t>(n), slots.end());
    std::copy(inserted.begin(), inserted.end(), slots.begin() + static_cast<std::ptrdiff_t>(at));
}

EditEffect undoCellEdit(DataSet& ds, const UndoEntry& e) {
    if (!isDataCell(ds, e.column, e.row)) return {};
    if (e.wasEdited)
        ds.Cells.setCell(e.column, e.row, e.text);
    else
        ds.Cells.revertCell(e.column, e.row);
    return followText(ds, e.column, e.row);
}

EditEffect undoColumnDeletion(DataSet& ds, const UndoEntry& e) {
    EditEffect effect;
    effect.changed = true;
    ds.ColumnPresent[static_cast<std::size_t>(e.column)] = true;
    effect.showColumn = e.column;
    effect.showWidth = e.width;
    if (e.column <= 10) effect.fillCurve = e.column;
    effect.chartTitles = true;
    return effect;
}

EditEffect undoRowDeletion(DataSet& ds, UndoEntry& e) {
    const int n = static_cast<int>(e.rowIds.size());
    ds.Cells.insertRows(e.row, e.rowIds);
    for (std::size_t k = 0; k < e.rowValues.size() && k < ds.Values.size(); ++k)
        if (!e.rowValues[k].empty()) insertSlots(ds.Values[k], e.row, e.rowValues[k]);
    ds.DataRowCount += n;
    ComputeColumnStatistics(ds);
    EditEffect effect;
    effect.changed = true;
    effect.allCurves = effect.headerRow = effect.chartTitles = effect.rowCountChanged = true;
    effect.cellsColumn = 0;
    return effect;
}

EditEffect undoModification(DataSet& ds, UndoEntry& e) {
    const int k = e.column;
    const bool numbers = hasValues(ds, k);
    std::size_t start = 0;
    for (int r = e.row; r <= e.lastRow; ++r) {
        const std::size_t i = static_cast<std::size_t>(r - e.row);
        if (!isDataCell(ds, k, r) || i >= e.oldEdited.size()) break;
        const std::size_t end = static_cast<std::size_t>(e.oldTextEnds[i]);
        if (e.oldEdited[i])
            ds.Cells.setCell(k, r, e.oldTextBytes.substr(start, end - start));
        else
            ds.Cells.revertCell(k, r);
        start = end;
        if (numbers) setValue(ds, k, r, textToNumber(ds.Cells.cell(k, r), ds.DecimalSeparator));
    }
    ComputeColumnStatistics(ds);
    EditEffect effect;
    effect.changed = true;
    effect.cellsColumn = k;
    effect.clearCurve = effect.fillCurve = k <= 10 ? k : 0;
    effect.headerRow = true;
    return effect;
}

} // namespace

namespace {

bool isEntryOfCell(const UndoEntry* entry, int column, int row) {
    return entry && entry->kind == UndoKind::CellEdit && entry->column == column && entry->row == row;
}

// When the cell holds the text from before the newest entry's first change again, that entry
// would undo nothing: it is taken out, and a cell that showed its file text shows it again.
bool dropEntryUndoneByTyping(DataSet& ds, int column, int row) {
    const UndoEntry* last = ds.Journal.newest();
    if (!isEntryOfCell(last, column, row) || ds.Cells.cell(column, row) != last->text) return false;
    if (!last->wasEdited) ds.Cells.revertCell(column, row);
    ds.Journal.discardNewest();
    ds.UndoCount = ds.Journal.size();
    return true;
}

} // namespace

void RecordCellEdit(DataSet& ds, int column, int row, std::string_view oldText) {
    SyncJournal(ds);
    if (isEntryOfCell(ds.Journal.newest(), column, row)) return;
    UndoEntry entry;
    entry.kind = UndoKind::CellEdit;
    entry.column = column;
    entry.row = row;
    entry.text = std::string(oldText);
    entry.wasEdited = oldText != ds.Cells.fileText(column, row);
    PushUndo(ds, std::move(entry));
}

EditEffect EditCell(DataSet& ds, int column, int row, std::string text, std::string_view oldText) {
    if (!isDataCell(ds, column, row)) return {};
    SyncJournal(ds);
    bool changed = true;
    if (const std::string_view present = ds.Cells.cell(column, row); present != text) {
        // The cell does not hold the new text yet, so its present text is the old one.
        RecordCellEdit(ds, column, row, present);
        ds.Cells.setCell(column, row, std::move(text));
    } else if (text != oldText) {
        // The grid has stored the text already: the caller's old text is what it replaced.
        RecordCellEdit(ds, column, row, oldText);
    } else {
        changed = false;
    }
    if (dropEntryUndoneByTyping(ds, column, row)) changed = true;
    if (!changed && (!hasValues(ds, column) ||
                     ds.value(column, row) == textToNumber(ds.Cells.cell(column, row), ds.DecimalSeparator)))
        return {};
    return followText(ds, column, row);
}

EditEffect EditCell(DataSet& ds, int column, int row, std::string text) {
    if (!isDataCell(ds, column, row)) return {};
    const std::string oldText(ds.Cells.cell(column, row));
    return EditCell(ds, column, row, std::move(text), oldText);
}

EditEffect UndoLast(DataSet& ds) {
    SyncJournal(ds);
    if (ds.Journal.empty()) return {};
    UndoEntry entry = ds.Journal.pop();
    ds.UndoCount = ds.Journal.size();
    switch (entry.kind) {
    case UndoKind::CellEdit: return undoCellEdit(ds, entry);
    case UndoKind::ColumnDeletion: return undoColumnDeletion(ds, entry);
    case UndoKind::RowDeletion: return undoRowDeletion(ds, entry);
    case UndoKind::ColumnModification: return undoModification(ds, entry);
    }
    return {};
}

} // namespace varnotile
