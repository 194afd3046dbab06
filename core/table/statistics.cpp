#include "statistics.h"

#include "number_text.h"
#include "parallel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace varnotile {

void FillValuesFromGrid(Document& ds) {
    if (ds.Layout.DataRowCount <= 0) return;
    for (int k = 1; k <= ds.Layout.ColumnCount && ds.isValueColumn(k); ++k) {
        if (!ds.Layout.ColumnIsNumeric[k]) continue;
        auto& column = ds.Table.Values[k];
        if (column.size() < static_cast<std::size_t>(ds.Layout.DataRowCount) + 1)
            column.resize(static_cast<std::size_t>(ds.Layout.DataRowCount) + 1, 0.0);
        for (int r = 1; r <= ds.Layout.DataRowCount; ++r)
            column[static_cast<std::size_t>(r)] = ds.cellNumber(k, ds.Table.Cells.cell(k, r));
    }
}

void ComputeColumnStatistics(Document& ds, int column) {
    if (!ds.isValueColumn(column)) return;
    const std::size_t k = static_cast<std::size_t>(column);
    const std::size_t rows =
        static_cast<std::size_t>(ds.Layout.DataRowCount > 0 ? ds.Layout.DataRowCount : 0);
    const auto& values = ds.Table.Values[k];
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    for (std::size_t r = 1; r <= rows; ++r) {
        if (r < ds.Table.RowIncluded.size() && !ds.Table.RowIncluded[r]) continue;
        const double v = r < values.size() ? values[r] : 0.0;
        if (v < lo) lo = v;
        if (v > hi) hi = v;
    }
    if (lo > hi) lo = hi = 0.0; // no row included: an empty table reads as all zeros
    ds.Table.ColumnMin[k] = lo;
    ds.Table.ColumnMax[k] = hi;
    double absMax = std::fabs(hi);
    if (std::fabs(lo) > absMax) absMax = std::fabs(lo);
    ds.Table.ColumnAbsMax[k] = absMax == 0.0 ? 1.0 : absMax;
}

void ComputeColumnStatistics(Document& ds) {
    // Each column on its own: a large table's on every core at once.
    auto compute = [&](std::size_t i) { ComputeColumnStatistics(ds, static_cast<int>(i) + 1); };
    const auto columns = static_cast<std::size_t>(std::max(kColumnLimit, std::min(ds.Layout.ColumnCount, ds.columnLimit())));
    if (ds.Layout.DataRowCount >= 200000)
        forEachInParallel(columns, compute);
    else
        for (std::size_t i = 0; i < columns; ++i) compute(i);
}

} // namespace varnotile
