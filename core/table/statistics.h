#pragma once
// The numbers of the numeric columns and their minimum, maximum and largest magnitude.
#include "dataset.h"

namespace varnotile {

// Takes the number of every cell of every numeric column from the cell table.
void FillValuesFromGrid(Document& ds);
// Recomputes ColumnMin, ColumnMax and ColumnAbsMax of columns 1..10 (every column of a wide file) from Values.
void ComputeColumnStatistics(Document& ds);
// The same for one such column; each column's results depend on that column alone, so after a
// change to one column this gives what the full recomputation would.
void ComputeColumnStatistics(Document& ds, int column);

} // namespace varnotile
