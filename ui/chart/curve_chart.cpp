#include "curve_chart.h"

namespace varnotile {

CurveChart::CurveChart(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("Chart1"));
    for (int k = 1; k <= 10; ++k) addGraph()->setObjectName(QStringLiteral("Series%1").arg(k));
}

} // namespace varnotile
