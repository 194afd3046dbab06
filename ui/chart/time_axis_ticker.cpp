#include "time_axis_ticker.h"

#include <cmath>

namespace varnotile {
namespace {

constexpr double kMinute = 60, kDay = 86400;
// The ticker's month and year (average lengths, leap years included).
constexpr double kMonth = 30.4375 * kDay, kYear = 12 * kMonth;

bool whole(double step, double unit) {
    const double units = step / unit;
    return std::abs(units - std::round(units)) < 1e-9 * std::max(1.0, units);
}

} // namespace

TimeAxisTicker::TimeAxisTicker(bool clockOnly) : clockOnly_(clockOnly) {
    setDateTimeSpec(Qt::UTC);
    setTickCount(6);
}

QString TimeAxisTicker::formatFor(double step, bool clockOnly) {
    // Ticks within a day also name their day on a second line, unless the column has no dates.
    const QString day = clockOnly ? QString() : QStringLiteral("\nyyyy-MM-dd");
    // Each label shows the smallest unit the step is not a whole number of, so that no label is
    // rounded: ticks 2.5 minutes apart show their seconds.
    if (!whole(step, 1)) return QStringLiteral("HH:mm:ss.zzz") + day;
    if (!whole(step, kMinute)) return QStringLiteral("HH:mm:ss") + day;
    if (clockOnly) return QStringLiteral("HH:mm");
    if (step < 28 * kDay) return whole(step, kDay) ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("HH:mm") + day;
    // Steps of months and years fall on the first of a month.
    if (!whole(step, kYear) && !whole(step, kMonth)) return QStringLiteral("yyyy-MM-dd");
    return whole(step, kYear) ? QStringLiteral("yyyy") : QStringLiteral("MMM yyyy");
}

QCPRange TimeAxisTicker::boundedRange(const QCPRange& range, bool clockOnly) {
    // Dates from the year 1 to 9999, times of day within two days either side of the day: a
    // zoom out stops there instead of labelling years before the calendar.
    const double lowest = clockOnly ? -2 * kDay : -62135596800.0;  // 0001-01-01
    const double highest = clockOnly ? 3 * kDay : 253402300799.0; // 9999-12-31T23:59:59
    QCPRange bounded = range;
    if (bounded.size() > highest - lowest) return QCPRange(lowest, highest);
    if (bounded.lower < lowest) bounded += lowest - bounded.lower;
    if (bounded.upper > highest) bounded -= bounded.upper - highest;
    return bounded;
}

double TimeAxisTicker::getTickStep(const QCPRange& range) {
    const double step = QCPAxisTickerDateTime::getTickStep(range);
    setDateTimeFormat(formatFor(step, clockOnly_));
    return step;
}

QVector<double> TimeAxisTicker::createTickVector(double tickStep, const QCPRange& range) {
    QVector<double> ticks = QCPAxisTickerDateTime::createTickVector(tickStep, range);
    if (clockOnly_ || tickStep < kYear || !whole(tickStep, kYear)) return ticks;
    QVector<double> years;
    for (const double tick : std::as_const(ticks)) {
        const QDate date = keyToDateTime(tick).toUTC().date();
        const QDateTime newYear(QDate(date.month() >= 7 ? date.year() + 1 : date.year(), 1, 1), QTime(0, 0), Qt::UTC);
        const double key = dateTimeToKey(newYear);
        if (years.isEmpty() || key > years.constLast()) years << key;
    }
    return years;
}

} // namespace varnotile
