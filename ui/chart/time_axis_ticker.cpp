#include "time_axis_ticker.h"

namespace varnotile {

TimeAxisTicker::TimeAxisTicker(bool clockOnly) : clockOnly_(clockOnly) {
    setDateTimeSpec(Qt::UTC);
    setTickCount(6);
}

QString TimeAxisTicker::formatFor(double step, bool clockOnly) {
    constexpr double kMinute = 60, kDay = 86400;
    // Ticks within a day also name their day on a second line, unless the column has no dates.
    const QString day = clockOnly ? QString() : QStringLiteral("\nyyyy-MM-dd");
    if (step < 1) return QStringLiteral("HH:mm:ss.zzz") + day;
    if (step < kMinute) return QStringLiteral("HH:mm:ss") + day;
    if (step < kDay || clockOnly) return QStringLiteral("HH:mm") + day;
    if (step < 28 * kDay) return QStringLiteral("yyyy-MM-dd");
    if (step < 365 * kDay) return QStringLiteral("MMM yyyy");
    return QStringLiteral("yyyy");
}

double TimeAxisTicker::getTickStep(const QCPRange& range) {
    const double step = QCPAxisTickerDateTime::getTickStep(range);
    setDateTimeFormat(formatFor(step, clockOnly_));
    return step;
}

} // namespace varnotile
