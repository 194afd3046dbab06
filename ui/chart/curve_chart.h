#pragma once
// The chart Chart1: ten line series Series1..Series10, series k carrying data column k.
#include <qcustomplot.h>

namespace varnotile {

class CurveChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit CurveChart(QWidget* parent = nullptr);
};

} // namespace varnotile
