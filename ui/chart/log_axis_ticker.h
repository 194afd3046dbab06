#pragma once
// Ticks of a logarithmic axis drawn as log10 of the values on a linear axis: labelled ticks at
// the powers of ten (every few when many decades are shown) with minor ticks at 2..9 times them;
// within less than a decade, ticks at round values. Labels give the values themselves.
#include <qcustomplot.h>

namespace varnotile {

class LogAxisTicker : public QCPAxisTicker {
public:
    explicit LogAxisTicker(char decimal) : decimal_(decimal) {}
    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision, QVector<double>& ticks,
                  QVector<double>* subTicks, QVector<QString>* tickLabels) override;

private:
    char decimal_;
};

} // namespace varnotile
