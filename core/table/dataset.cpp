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
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    if (isMissingToken(text, Layout.Reading)) return kMissing;
    const double value = textToNumber(text, decimal());
    if (!Layout.Reading.missingAsGaps) return value;
    const std::vector<double> markers = missingMarkers(Layout.Reading);
    return isMarker(value, markers) && (value != 0 || IsNumericText(text, decimal())) ? kMissing : value;
}

std::string Document::cellText(int column, int row) const {
    if (row < 1) return {};
    if (column == 0) return std::to_string(row);
    return std::string(Table.Cells.cell(column, row));
}

} // namespace varnotile
