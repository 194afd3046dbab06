#include "chart_printer.h"

#include "curve_chart.h"

#include <QPageLayout>
#include <algorithm>
#include <QPrinter>
#include <qcustomplot.h>

namespace varnotile {
namespace {

// Gives the printer back its orientation when the print step ends, however it ends.
class OrientationGuard {
public:
    explicit OrientationGuard(QPrinter& printer)
        : printer_(printer), saved_(printer.pageLayout().orientation()) {}
    ~OrientationGuard() { printer_.setPageOrientation(saved_); }
    OrientationGuard(const OrientationGuard&) = delete;
    OrientationGuard& operator=(const OrientationGuard&) = delete;

private:
    QPrinter& printer_;
    QPageLayout::Orientation saved_;
};

QString printerDescription(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("the file \"%1\"").arg(printer.outputFileName());
    return QStringLiteral("the printer \"%1\"").arg(printer.printerName());
}

} // namespace

ChartPrintResult printChartPage(QPrinter& printer, QCustomPlot& chart, const PageMarginSet& printMargins,
                                bool landscape) {
    ChartPrintResult result;
    OrientationGuard guard(printer);
    if (!printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait)) {
        result.error = QStringLiteral("Printing failed: %1 does not accept the %2 orientation.")
                           .arg(printerDescription(printer),
                                landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"));
        return result;
    }
    printer.setDocName(QStringLiteral("Chart1"));

    // The printable area in printer pixels; the painter's origin is its top-left corner.
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    const PageRect r = chartPrintRect(page.width(), page.height(), printMargins);
    if (r.width() <= 0 || r.height() <= 0) {
        result.error = QStringLiteral("Printing failed: the margins leave no room for the chart on the page.");
        return result;
    }

    QCPPainter painter;
    if (!painter.begin(&printer)) {
        result.error = QStringLiteral("Printing failed: %1 could not start the print job.").arg(printerDescription(printer));
        return result;
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.translate(r.Left, r.Top);
    painter.setClipRect(QRect(0, 0, r.width(), r.height()));
    // Non-proportional: the chart is laid out for exactly the rectangle's width and height, its
    // legend columns and date labels as many as fit across the page.
    auto* curves = qobject_cast<CurveChart*>(&chart);
    if (curves) curves->layOutFor(r.width() * chart.logicalDpiX() / std::max(1, printer.logicalDpiX()));
    chart.toPainter(&painter, r.width(), r.height());
    const bool ended = painter.end();
    // The widget's own layout was replaced for the page; lay it out for the screen again.
    if (curves) curves->layOutFor(chart.width());
    chart.replot(QCustomPlot::rpQueuedReplot);

    if (!ended || printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted) {
        result.error = QStringLiteral("Printing failed: %1 reported an error while printing.").arg(printerDescription(printer));
        return result;
    }
    result.chartRect = QRect(r.Left, r.Top, r.width(), r.height());
    return result;
}

} // namespace varnotile
