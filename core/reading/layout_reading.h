#pragma once
// Layout detection and table fill with reading options on (whitespace, quotes, decimal choice,
// comment and blank lines, missing values, robust sample line). With every option off the load
// takes the plain path in layout.cpp and loader.cpp instead, byte for byte as before.
#include "layout.h"

#include <memory>

namespace varnotile {

class ContinuedRecords;

// The file lines that are data rows, and the comment, blank and trailer lines among and after
// them (written back where they stood); blank ones break the curves.
struct DataLines {
    std::vector<CellTable::RowId> rows, skipped, breaks;
    // Rows written over several lines (none unless continued lines are read).
    std::shared_ptr<const ContinuedRecords> records;
};

// The part of the layout the sample line decides: the column count and the numeric columns.
// Returns the sample line (0: none); `lastRow` is the last line of the rows (with the robust
// sample, the lines after it are the trailer). Looks only at the file's last lines.
int FindSampleWithOptions(DataSet& ds, Messages& messages, int& lastRow);

// Finds the column count, the numeric columns, the free header text, the named header lines
// and the data rows with ds.Layout.Reading. Returns false when there is no sample line.
bool FindLayoutWithOptions(DataSet& ds, Messages& messages, DataLines& lines);

// Fills the cell table and the numbers of the numeric columns from the chosen rows, reporting
// the rows filled to `progress`.
void FillTableWithOptions(DataSet& ds, DataLines lines, const ProgressReport& progress = {});

// One message, a sentence per time column with cells that hold no valid date or time, after the fill:
// 'Column 1 "Time": 2 cells are no valid date or time (the first on line 9: "2026-02-30"); they
// are read as missing values.'
void ReportInvalidTimes(const DataSet& ds, Messages& messages);

} // namespace varnotile
