#pragma once
// One time axis from two neighbouring columns: a column of dates and, right after it, a column
// of times of day, as many loggers write them. The cells and their values stay as they are; the
// axis is a third row of values, the date plus the time of day, that the chart takes as X when
// the date column is the X column.
#include "dataset.h"

namespace varnotile {

// The date column of such a pair in the loaded table (with the dates-and-times reading and its
// date-and-time axis on): a column of dates without a time of day whose next column holds times
// of day. 0 when there is none.
int FindDateTimeAxis(const DataSet& ds);

// Makes ds.Table.DateTimeX the date plus the time of day of every row again (after a load, an
// edit, a deletion, appended rows). A row whose date or time is missing has no X. Returns true
// when the pair is the chart's X column, so the curves must be drawn over it.
bool RefreshDateTimeAxis(DataSet& ds);

// True when the chart's X is the pair's axis: X is its date column.
bool DateTimeAxisShown(const DataSet& ds);

// The X values of the chart for X column `x`: the axis for the pair's date column, else null.
const std::vector<double>* DateTimeAxisValues(const DataSet& ds, int x);

} // namespace varnotile
