#pragma once
// Date and time labels on an X axis of seconds (a time column as X): the format follows the step
// between ticks, from milliseconds to years. The seconds are shown as UTC, which is how the
// reader keeps them (as written, or in UTC when the file gave an offset), so nothing shifts.
#include <qcustomplot.h>

namespace varnotile {

class TimeAxisTicker : public QCPAxisTickerDateTime {
public:
    // `clockOnly`: times of day without a date (labels never name a day).
    explicit TimeAxisTicker(bool clockOnly);
    bool clockOnly() const { return clockOnly_; }

    // The label format for ticks `step` seconds apart.
    static QString formatFor(double step, bool clockOnly);
    // `range` moved or cut to the times the labels can show.
    static QCPRange boundedRange(const QCPRange& range, bool clockOnly);

protected:
    double getTickStep(const QCPRange& range) override;
    // Ticks whole years apart stand on the first of January (the ticker's own year is an average
    // one, which drifts to December 1 every few years).
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;

private:
    bool clockOnly_;
};

} // namespace varnotile
