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

protected:
    double getTickStep(const QCPRange& range) override;

private:
    bool clockOnly_;
};

} // namespace varnotile
