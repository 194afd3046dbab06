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

namespace {
std::size_t fieldSlotCount(const ReadOptions& reading) { return static_cast<std::size_t>(FieldSlotsFor(reading)) + 1; }
} // namespace

void FitLayoutSlots(DataLayout& layout) {
    const std::size_t fields = fieldSlotCount(layout.Reading);
    for (StringSlots* slots : {&layout.ColumnNames, &layout.ColumnLabels, &layout.ColumnHeader3, &layout.Fields})
        slots->resize(fields);
    for (StringSlots& texts : layout.NamedTextsRead) texts.resize(fields);
    layout.ColumnIsNumeric.resize(fields);
    layout.ColumnTime.resize(fields);
    layout.ColumnPresent.resize(fields, true);
}

void FitColumnSlots(DataSet& ds) {
    const auto columns = static_cast<std::size_t>(ds.columnLimit()) + 1;
    const std::size_t fields = fieldSlotCount(ds.Layout.Reading);
    FitLayoutSlots(ds.Layout);
    DataTable& table = ds.Table;
    table.Values.resize(columns);
    table.ColumnMin.resize(fields);
    table.ColumnMax.resize(fields);
    table.ColumnAbsMax.resize(columns, 1.0);
    table.MissingCount.resize(columns);
    table.InvalidTimeCount.resize(columns);
    table.FirstInvalidTimeLine.resize(columns);
    ds.View.CurveVisible.resize(fields);
    for (std::size_t k = kCurveCount + 1; k < fields; ++k) ds.View.CurveVisible[k] = true;
    ds.View.CurveColors.resize(fields);
    RepeatCurveColors(ds.View.CurveColors);
}

void RepeatCurveColors(Slots<Rgb, 21>& colors) {
    for (std::size_t k = kCurveCount + 1; k < colors.size(); ++k)
        colors[k] = colors[RepeatedCurveSlot(static_cast<int>(k))];
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
    const TimeKind time = column >= 1 && static_cast<std::size_t>(column) < Layout.ColumnTime.size() ? Layout.ColumnTime[column] : TimeKind::None;
    if (time == TimeKind::None) return cellNumber(text);
    double seconds = 0;
    if (isMissingToken(text, Layout.Reading) || !readTime(text, time, seconds))
        return std::numeric_limits<double>::quiet_NaN();
    return seconds;
}

std::string Document::valueText(int column, double value) const {
    if (column >= 1 && static_cast<std::size_t>(column) < Layout.ColumnTime.size() && Layout.ColumnTime[column] != TimeKind::None)
        return isoTimeText(value, Layout.ColumnTime[column]);
    return formatGeneral(value, decimal());
}

std::string Document::cellText(int column, int row) const {
    if (row < 1) return {};
    if (column == 0) return std::to_string(row);
    return std::string(Table.Cells.cell(column, row));
}

} // namespace varnotile
