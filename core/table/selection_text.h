#pragma once
// The grid's selection as text for the clipboard: tab-separated cells, one line per row, which a
// spreadsheet pastes as cells.
#include "dataset.h"

#include <string>

namespace varnotile {

// The cells of `selection` (grid coordinates) as the file's bytes. Whole rows give their data
// cells; a whole column gives its name above its cells; a range or a single cell gives its
// cells. Deleted columns are left out, missing cells are empty, and a cell holding a tab, a line
// break or a double quote is quoted ("..." with its quotes doubled). Rows end with "\n" except
// the last.
std::string SelectionText(const DataSet& ds, const GridRect& selection);

} // namespace varnotile
