#include "dataset.h"

#include "number_text.h"

#include <limits>

namespace varnotile {

Document::Document() {
    Layout.ColumnPresent.fill(true);
    Layout.ColumnPresent[0] = false;
    // The percent scale divides by the largest magnitude, so it is never 0, not even before a load.
    Table.ColumnAbsMax.fill(1.0);
}

double Document::cellNumber(std::string_view text) const {
    if (isMissingToken(text, Layout.Reading)) return std::numeric_limits<double>::quiet_NaN();
    return textToNumber(text, decimal());
}

std::string Document::cellText(int column, int row) const {
    if (row < 1) return {};
    if (column == 0) return std::to_string(row);
    return std::string(Table.Cells.cell(column, row));
}

} // namespace varnotile
