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

double Document::cellNumber(int column, std::string_view text) const {
    const TimeKind time = column >= 1 && column <= 20 ? Layout.ColumnTime[column] : TimeKind::None;
    if (time == TimeKind::None) return cellNumber(text);
    double seconds = 0;
    if (isMissingToken(text, Layout.Reading) || !readTime(text, time, seconds))
        return std::numeric_limits<double>::quiet_NaN();
    return seconds;
}

std::string Document::valueText(int column, double value) const {
    if (column >= 1 && column <= 20 && Layout.ColumnTime[column] != TimeKind::None)
        return isoTimeText(value, Layout.ColumnTime[column]);
    return formatGeneral(value, decimal());
}

std::string Document::cellText(int column, int row) const {
    if (row < 1) return {};
    if (column == 0) return std::to_string(row);
    return std::string(Table.Cells.cell(column, row));
}

} // namespace varnotile
