#include "date_time_axis.h"

#include <algorithm>
#include <cmath>

namespace varnotile {
namespace {

constexpr double kSecondsPerDay = 86400.0;

// Whether the first cell of column k that reads as a time of its kind holds a date alone.
bool datesWithoutClock(const DataSet& ds, int k) {
    const TimeKind kind = ds.Layout.ColumnTime[k];
    const int rows = std::min(ds.Layout.DataRowCount, 1000);
    for (int r = 1; r <= rows; ++r) {
        double seconds = 0;
        TimeForm form;
        if (readTime(ds.Table.Cells.cell(k, r), kind, seconds, &form)) return !form.hasClock;
    }
    return false;
}

} // namespace

int FindDateTimeAxis(const DataSet& ds) {
    const ReadOptions& reading = ds.Layout.Reading;
    if (!reading.datesAndTimes || !reading.dateTimeAxis) return 0;
    const int columns = std::min(ds.Layout.ColumnCount, ds.columnLimit());
    for (int k = 1; k < columns; ++k) {
        const TimeKind date = ds.Layout.ColumnTime[k], time = ds.Layout.ColumnTime[k + 1];
        if (date == TimeKind::None || date == TimeKind::Clock || time != TimeKind::Clock) continue;
        if (datesWithoutClock(ds, k)) return k;
    }
    return 0;
}

bool RefreshDateTimeAxis(DataSet& ds) {
    const int k = ds.Layout.DateTimeAxisColumn;
    std::vector<double>& axis = ds.Table.DateTimeX;
    if (k < 1 || !ds.isValueColumn(k + 1)) {
        std::vector<double>().swap(axis);
        return false;
    }
    const std::vector<double>& dates = ds.Table.Values[k];
    const std::vector<double>& times = ds.Table.Values[k + 1];
    // Room for appended rows, as the value columns keep.
    if (axis.capacity() < dates.capacity()) axis.reserve(dates.capacity());
    axis.resize(dates.size());
    for (std::size_t r = 0; r < dates.size(); ++r) {
        const double time = r < times.size() ? times[r] : std::nan("");
        // A time of day past 24 h (a leap second is the most) is kept: the sum stays in order.
        axis[r] = std::floor(dates[r] / kSecondsPerDay) * kSecondsPerDay + time;
    }
    return DateTimeAxisShown(ds);
}

bool DateTimeAxisShown(const DataSet& ds) {
    return ds.Layout.DateTimeAxisColumn != 0 && ds.View.XColumn == ds.Layout.DateTimeAxisColumn;
}

const std::vector<double>* DateTimeAxisValues(const DataSet& ds, int x) {
    if (x == 0 || x != ds.Layout.DateTimeAxisColumn) return nullptr;
    const std::vector<double>& axis = ds.Table.DateTimeX;
    return axis.size() >= ds.Table.Values[x].size() && !axis.empty() ? &axis : nullptr;
}

} // namespace varnotile
