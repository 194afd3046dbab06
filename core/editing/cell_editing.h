#pragma once
// Editing a cell of the data grid: the cell takes the new text, its number follows the text, and
// the change is a journal command (consecutive changes of one cell make one).
#include <optional>
#include <string>
#include <string_view>

namespace varnotile {

struct Document;

// Cell (column, row) is a data cell of the table.
bool IsDataCell(const Document& ds, int column, int row);
// Column k keeps numbers: a numeric column among 1..10 (the extra column never is numeric).
bool HasValues(const Document& ds, int column);
// Sets the number of cell (column, row), growing the column's numbers when needed.
void SetValue(Document& ds, int column, int row, double value);
// Makes the number of cell (column, row) what its text reads as (a text that is not a number
// gives 0). Returns true when the number changed; the statistics are then out of date.
bool NumberFollowsText(Document& ds, int column, int row);

// Why `text` cannot be the text of a cell of column `column`: in a time column a text must read as
// a time of the column's kind (an empty text or a missing-value token is a gap). Nothing when
// the text is fine.
std::optional<std::string> RefusedCellText(const Document& ds, int column, std::string_view text);

// Stores `text` in cell (column, row) as a journal command and makes the cell's number follow the
// text (numeric columns). Consecutive changes of one cell make one command, which keeps the text
// from before the first of them; a change that brings the cell back to that text takes the
// command out again: the cell is as it was before, and nothing is left to undo or to save. Undo
// of an edit over the file text shows the file text again (the cell no longer counts as edited).
// A text RefusedCellText refuses is not stored. Announces the changes; returns false when
// nothing changed.
bool EditCell(Document& ds, int column, int row, std::string text);

} // namespace varnotile
