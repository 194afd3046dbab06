#include "dataset.h"

namespace varnotile {

DataSet::DataSet() {
    ColumnPresent.fill(true);
    ColumnPresent[0] = false;
}

std::string DataSet::cellText(int column, int row) const {
    if (row < 1) return {};
    if (column == 0) return std::to_string(row);
    return std::string(Cells.cell(column, row));
}

} // namespace varnotile
