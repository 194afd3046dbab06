#pragma once
// The print step of the chart: one page, the chosen orientation, the chart stretched to the
// rectangle inside the print margins, drawn by the same code that draws it on screen.
#include "dataset.h"
#include "page_geometry.h"

#include <QRect>
#include <QString>

class QCustomPlot;
class QPrinter;

namespace varnotile {

struct ChartPrintResult {
    QString error;   // empty when the page was printed
    QRect chartRect; // where the chart was drawn, in printer pixels of the printable area
    bool ok() const { return error.isEmpty(); }
};

// Prints `chart` as the job "Chart1" on `printer` (already chosen, e.g. in a print dialog).
// The printer is switched to the requested orientation for the job and given back its own
// orientation afterwards, whether printing worked or not.
ChartPrintResult printChartPage(QPrinter& printer, QCustomPlot& chart, const PageMarginSet& printMargins,
                                bool landscape);

} // namespace varnotile
