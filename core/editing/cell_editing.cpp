#include "cell_editing.h"

#include "dataset.h"
#include "number_text.h"
#include "statistics.h"

#include <cmath>

namespace varnotile {
namespace {

// A cell's text before and after a run of changes. A cell that showed its file text gets that
// back on undo (and so counts as unedited again).
class CellEditCommand final : public UndoCommand {
public:
    CellEditCommand(int column, int row, std::string oldText, bool wasEdited, std::string newText)
        : column_(column), row_(row), oldText_(std::move(oldText)), newText_(std::move(newText)), wasEdited_(wasEdited) {}

    void redo(Document& ds) override {
        if (!IsDataCell(ds, column_, row_)) return;
        ds.Table.Cells.setCell(column_, row_, newText_);
        announce(ds);
    }

    void undo(Document& ds) override {
        if (!IsDataCell(ds, column_, row_)) return;
        if (wasEdited_)
            ds.Table.Cells.setCell(column_, row_, oldText_);
        else
            ds.Table.Cells.revertCell(column_, row_);
        announce(ds);
    }

    // Typing into one cell: the later text replaces this command's new text.
    bool mergeWith(const UndoCommand& next) override {
        const auto* edit = dynamic_cast<const CellEditCommand*>(&next);
        if (!edit || edit->column_ != column_ || edit->row_ != row_) return false;
        newText_ = edit->newText_;
        return true;
    }

    // Back at the text undo would put back.
    bool isObsolete(const Document& ds) const override {
        return newText_ == (wasEdited_ ? std::string_view(oldText_) : ds.Table.Cells.fileText(column_, row_));
    }

private:
    void announce(Document& ds) const {
        ds.Changes.cellsChanged(column_, row_, row_);
        if (NumberFollowsText(ds, column_, row_)) {
            ComputeColumnStatistics(ds, column_); // only this column's numbers changed
            ds.Changes.statisticsChanged(column_);
        }
    }

    int column_, row_;
    std::string oldText_, newText_;
    bool wasEdited_;
};

} // namespace

bool IsDataCell(const Document& ds, int column, int row) {
    return column >= 1 && column <= ds.Layout.ColumnCount && column <= ds.Table.Cells.columnCount() &&
           row >= 1 && row <= ds.Layout.DataRowCount && row <= ds.Table.Cells.rowCount();
}

bool HasValues(const Document& ds, int column) {
    return ds.isValueColumn(column) && ds.Layout.ColumnIsNumeric[column];
}

void SetValue(Document& ds, int column, int row, double value) {
    auto& slots = ds.Table.Values[column];
    if (slots.size() <= static_cast<std::size_t>(row))
        slots.resize(static_cast<std::size_t>(ds.Layout.DataRowCount) + 1, 0.0);
    slots[static_cast<std::size_t>(row)] = value;
}

bool NumberFollowsText(Document& ds, int column, int row) {
    if (!HasValues(ds, column)) return false;
    const double number = ds.cellNumber(column, ds.Table.Cells.cell(column, row));
    const double before = ds.value(column, row);
    const bool same = before == number || (std::isnan(before) && std::isnan(number));
    if (same && ds.Table.Values[column].size() > static_cast<std::size_t>(row))
        return false;
    SetValue(ds, column, row, number);
    return true;
}

std::optional<std::string> RefusedCellText(const Document& ds, int column, std::string_view text) {
    if (column < 1 || static_cast<std::size_t>(column) >= ds.Layout.ColumnTime.size()) return std::nullopt;
    const TimeKind kind = ds.Layout.ColumnTime[column];
    double seconds = 0;
    if (kind == TimeKind::None || readTime(text, kind, seconds) || trimBlanks(text).empty() ||
        isMissingToken(text, ds.Layout.Reading))
        return std::nullopt;
    std::string message(1, '\'');
    message.append(text).append("' is not a date or time of this column: it takes ");
    return message.append(timeKindExample(kind)).append(".");
}

bool EditCell(Document& ds, int column, int row, std::string text) {
    if (!IsDataCell(ds, column, row) || ds.Table.Cells.cell(column, row) == text) return false;
    if (RefusedCellText(ds, column, text)) return false;
    const ChangeScope scope(ds.Changes);
    std::string oldText(ds.Table.Cells.cell(column, row));
    const bool wasEdited = oldText != ds.Table.Cells.fileText(column, row);
    ds.Journal.push(ds, std::make_unique<CellEditCommand>(column, row, std::move(oldText), wasEdited, std::move(text)));
    return true;
}

} // namespace varnotile
