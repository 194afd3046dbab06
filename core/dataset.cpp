#include "dataset.h"

namespace varnotile {

DataSet::DataSet() {
    Layout.ColumnPresent.fill(true);
    Layout.ColumnPresent[0] = false;
    // The percent scale divides by the largest magnitude, so it is never 0, not even before a load.
    Table.ColumnAbsMax.fill(1.0);
}

std::string DataSet::cellText(int column, int row) const {
    if (row < 1) return {};
    if (column == 0) return std::to_string(row);
    return std::string(Table.Cells.cell(column, row));
}

} // namespace varnotile
