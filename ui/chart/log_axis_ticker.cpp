#include "log_axis_ticker.h"

#include "number_text.h"

#include <cmath>

namespace varnotile {
namespace {

// 1, 2 or 5 times a power of ten, the nearest at or above `rough`.
double niceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough * (1 - 1e-9)) return m * power;
    return 10 * power;
}

} // namespace

void LogAxisTicker::generate(const QCPRange& range, const QLocale&, QChar, int, QVector<double>& ticks,
                             QVector<double>* subTicks, QVector<QString>* tickLabels) {
    ticks.clear();
    if (subTicks) subTicks->clear();
    const double lo = range.lower, hi = range.upper;
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi <= lo || hi - lo > 600) return;
    QVector<double> values; // the values of the labelled ticks, exact where they are powers of ten
    if (hi - lo >= 1) {
        // Powers of ten, every `every`-th decade when there are many; minor ticks at 2..9 times
        // each shown decade, or at the skipped decades.
        const int every = std::max(1, static_cast<int>(std::ceil((hi - lo) / 8)));
        for (int d = static_cast<int>(std::floor(lo)) - 1; d <= static_cast<int>(std::ceil(hi)); ++d) {
            if (d >= lo && d <= hi && d % every == 0) {
                ticks << d;
                values << std::pow(10.0, d);
            }
            if (!subTicks) continue;
            if (every == 1) {
                for (int m = 2; m <= 9; ++m) {
                    const double at = d + std::log10(m);
                    if (at >= lo && at <= hi) *subTicks << at;
                }
            } else if (d % every != 0 && d >= lo && d <= hi) {
                *subTicks << d;
            }
        }
    } else {
        // Less than a decade: round values in the shown span.
        const double a = std::pow(10.0, lo), b = std::pow(10.0, hi);
        const double step = niceStep((b - a) / 5);
        for (double v = std::ceil(a / step) * step; v <= b; v += step) {
            ticks << std::log10(v);
            values << v;
        }
    }
    if (tickLabels) {
        tickLabels->clear();
        for (double v : values) *tickLabels << QString::fromStdString(formatGeneral(v, decimal_));
    }
}

} // namespace varnotile
