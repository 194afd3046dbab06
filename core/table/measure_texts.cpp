#include "measure_texts.h"

#include "number_text.h"

#include <cmath>
#include <cstdio>

namespace varnotile {

std::string DurationText(double seconds, char decimal) {
    if (!std::isfinite(seconds)) return {};
    const double magnitude = std::fabs(seconds);
    if (magnitude < 60) return formatGeneral(seconds, decimal) + " s";
    std::string text = seconds < 0 ? "-" : "";
    // Milliseconds, rounded once, so that 59.9996 s does not read as 0:00:60.
    const auto ms = static_cast<long long>(std::llround(magnitude * 1000));
    const long long days = ms / 86400000, hours = ms / 3600000 % 24, minutes = ms / 60000 % 60, secs = ms / 1000 % 60,
                    fraction = ms % 1000;
    if (days > 0) text += std::to_string(days) + " d ";
    char clock[32];
    std::snprintf(clock, sizeof clock, days > 0 ? "%02lld:%02lld:%02lld" : "%lld:%02lld:%02lld", hours, minutes, secs);
    text += clock;
    if (fraction > 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03lld", fraction);
        std::string f = digits;
        while (f.back() == '0') f.pop_back();
        text += decimal;
        text += f;
    }
    return text;
}

std::string ValueWithUnit(const Document& ds, int column, double value) {
    std::string text = ds.valueText(column, value);
    const auto k = static_cast<std::size_t>(column);
    if (k < ds.Layout.ColumnLabels.size() && !ds.Layout.ColumnLabels[k].empty() &&
        (k >= ds.Layout.ColumnTime.size() || ds.Layout.ColumnTime[k] == TimeKind::None))
        text += " " + ds.Layout.ColumnLabels[k];
    return text;
}

std::string XPositionText(const Document& ds, int xColumn, double x) {
    if (xColumn == 0) return "row " + formatGeneral(x, ds.decimal());
    return ds.valueText(xColumn, x);
}

std::string HoverReadoutText(const Document& ds, int column, double value, int xColumn, double x) {
    const auto k = static_cast<std::size_t>(column);
    std::string name = k < ds.Layout.ColumnNames.size() ? ds.Layout.ColumnNames[k] : std::string();
    if (name.empty()) name = "Series" + std::to_string(column);
    return name + " = " + ValueWithUnit(ds, column, value) + " at " + XPositionText(ds, xColumn, x);
}

} // namespace varnotile
