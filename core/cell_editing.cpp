#include "cell_editing.h"

#include "dataset.h"
#include "number_text.h"
#include "statistics.h"

#include <cmath>

namespace varnotile {
namespace {

// The text a cell had before its first change in a run of changes. A cell that showed its file
// text gets that back (and so counts as unedited again).
class CellEditCommand final : public UndoCommand {
public:
    CellEditCommand(int column, int row, std::string text, bool wasEdited)
        : column_(column), row_(row), text_(std::move(text)), wasEdited_(wasEdited) {}

    bool isCell(int column, int row) const { return column == column_ && row == row_; }
    const std::string& text() const { return text_; }

    // Puts the old text back without announcing it (the caller does).
    void restore(DataSet& ds) const {
        if (wasEdited_)
            ds.Table.Cells.setCell(column_, row_, text_);
        else
            ds.Table.Cells.revertCell(column_, row_);
    }

    void undo(DataSet& ds) override {
        if (!IsDataCell(ds, column_, row_)) return;
        restore(ds);
        ds.Changes.cellsChanged(column_, row_, row_);
        if (NumberFollowsText(ds, column_, row_)) {
            ComputeColumnStatistics(ds, column_);
            ds.Changes.statisticsChanged(column_);
        }
    }

private:
    int column_, row_;
    std::string text_;
    bool wasEdited_;
};

CellEditCommand* newestEditOf(const DataSet& ds, int column, int row) {
    auto* command = dynamic_cast<CellEditCommand*>(ds.Journal.newest());
    return command && command->isCell(column, row) ? command : nullptr;
}

} // namespace

bool IsDataCell(const DataSet& ds, int column, int row) {
    return column >= 1 && column <= ds.Layout.ColumnCount && column <= ds.Table.Cells.columnCount() &&
           row >= 1 && row <= ds.Layout.DataRowCount && row <= ds.Table.Cells.rowCount();
}

bool HasValues(const DataSet& ds, int column) {
    return column >= 1 && column <= 10 && ds.Layout.ColumnIsNumeric[column];
}

void SetValue(DataSet& ds, int column, int row, double value) {
    auto& slots = ds.Table.Values[column];
    if (slots.size() <= static_cast<std::size_t>(row))
        slots.resize(static_cast<std::size_t>(ds.Layout.DataRowCount) + 1, 0.0);
    slots[static_cast<std::size_t>(row)] = value;
}

bool NumberFollowsText(DataSet& ds, int column, int row) {
    if (!HasValues(ds, column)) return false;
    const double number = ds.cellNumber(ds.Table.Cells.cell(column, row));
    const double before = ds.value(column, row);
    const bool same = before == number || (std::isnan(before) && std::isnan(number));
    if (same && ds.Table.Values[column].size() > static_cast<std::size_t>(row))
        return false;
    SetValue(ds, column, row, number);
    return true;
}

void RecordCellEdit(DataSet& ds, int column, int row, std::string_view oldText) {
    if (newestEditOf(ds, column, row)) return;
    const bool wasEdited = oldText != ds.Table.Cells.fileText(column, row);
    ds.Journal.push(std::make_unique<CellEditCommand>(column, row, std::string(oldText), wasEdited));
}

bool EditCell(DataSet& ds, int column, int row, std::string text) {
    if (!IsDataCell(ds, column, row) || ds.Table.Cells.cell(column, row) == text) return false;
    const ChangeScope scope(ds.Changes);
    RecordCellEdit(ds, column, row, ds.Table.Cells.cell(column, row));
    ds.Table.Cells.setCell(column, row, std::move(text));
    // Back at the text from before the first change: the command would undo nothing.
    if (const CellEditCommand* command = newestEditOf(ds, column, row);
        command && ds.Table.Cells.cell(column, row) == command->text()) {
        command->restore(ds);
        ds.Journal.discardNewest();
    }
    ds.Changes.cellsChanged(column, row, row);
    if (NumberFollowsText(ds, column, row)) {
        ComputeColumnStatistics(ds, column); // only this column's numbers changed
        ds.Changes.statisticsChanged(column);
    }
    return true;
}

} // namespace varnotile
