#pragma once
// Deleting a column (it stays in the table, hidden and marked absent) and deleting whole rows
// (they leave the table; the journal keeps them for undo).
#include "dataset.h"

namespace varnotile {

// What the Delete command does with a grid selection: a selection one column wide and more than
// one row high deletes that column, one two or more columns wide deletes every row from its top
// to its bottom row, anything else (a single cell) deletes nothing. Columns and rows outside the
// table are left out.
struct DeletionTarget {
    enum class Kind { Nothing, Column, Rows };
    Kind kind = Kind::Nothing;
    int column = 0;
    int top = 0, bottom = 0;
};
DeletionTarget ClassifySelection(const Document& ds, const GridRect& selection);

// Marks column k absent and journals it with its display width. A column that is already
// deleted, or outside 1..ColumnCount, is left alone. Returns false when nothing was deleted.
bool DeleteColumn(Document& ds, int k, int width);

// The selection after column k was deleted: a selection on k moves on to the next column that is
// still present; when there is none it stays.
GridRect SelectionAfterColumnDeletion(const Document& ds, const GridRect& selection, int k);

// Removes data rows top..bottom (clamped to the table) with their numbers and journals them.
// Returns false when nothing was deleted.
bool DeleteRows(Document& ds, int top, int bottom);

} // namespace varnotile
