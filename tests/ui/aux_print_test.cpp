// Printing the chart: to a PDF file in both orientations, with the chart stretched to the margin
// rectangle and the printer's own orientation given back afterwards.
#include "dialog_recorder.h"
#include "chart_printer.h"
#include "curve_chart.h"
#include "loader.h"
#include "main_window.h"
#include "test_files.h"

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

// Width and height of the PDF's first page in points, from its MediaBox.
QSizeF pdfPageSize(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromLatin1(file.readAll());
    const QRegularExpression box(QStringLiteral("/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)"));
    const QRegularExpressionMatch m = box.match(text);
    if (!m.hasMatch()) return {};
    return {m.captured(3).toDouble() - m.captured(1).toDouble(), m.captured(4).toDouble() - m.captured(2).toDouble()};
}

// The PDF rendered by Ghostscript at the printer's resolution; null when Ghostscript is missing.
QImage renderPdf(const QString& pdf, int dpi) {
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty()) return {};
    const QString png = pdf + QStringLiteral(".png");
    QProcess::execute(gs, {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                           QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=png16m"),
                           QStringLiteral("-r%1").arg(dpi), QStringLiteral("-sOutputFile=") + png, pdf});
    return QImage(png);
}

// Bounds of the pixels of (about) `colour`.
QRect colourBounds(const QImage& image, QColor colour) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 24 && qAbs(c.green() - colour.green()) < 24 &&
                qAbs(c.blue() - colour.blue()) < 24)
                bounds |= QRect(x, y, 1, 1);
        }
    return bounds;
}

struct PdfPrinter {
    varnotile::test::TempDir dir;
    QString path = QString::fromStdString(dir.path() + "/chart.pdf");
    QPrinter printer;
    PdfPrinter() {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
    }
};

void expectNear(const QRect& actual, const QRect& expected, int tolerance) {
    EXPECT_LE(qAbs(actual.left() - expected.left()), tolerance) << "left";
    EXPECT_LE(qAbs(actual.top() - expected.top()), tolerance) << "top";
    EXPECT_LE(qAbs(actual.right() - expected.right()), tolerance) << "right";
    EXPECT_LE(qAbs(actual.bottom() - expected.bottom()), tolerance) << "bottom";
}

// Prints the chart (background painted in a marker colour) and checks the page and the chart's place.
void checkPrint(bool landscape, const PageMarginSet& margins) {
    PdfPrinter t;
    t.printer.setPageOrientation(landscape ? QPageLayout::Portrait : QPageLayout::Landscape);
    CurveChart chart;
    chart.resize(400, 300);
    const QColor marker(230, 20, 160);
    chart.setBackground(QBrush(marker));

    const ChartPrintResult result = printChartPage(t.printer, chart, margins, landscape);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(t.printer.pageLayout().orientation(), landscape ? QPageLayout::Portrait : QPageLayout::Landscape)
        << "the printer keeps its own orientation";
    EXPECT_EQ(t.printer.docName(), QStringLiteral("Chart1"));

    const QSizeF page = pdfPageSize(t.path);
    ASSERT_FALSE(page.isEmpty());
    EXPECT_EQ(page.width() > page.height(), landscape);

    // The rectangle inside the margins of the printable area, in the job's orientation.
    t.printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    const QRect area = t.printer.pageRect(QPrinter::DevicePixel).toRect();
    const PageRect r = chartPrintRect(area.width(), area.height(), margins);
    EXPECT_EQ(result.chartRect, QRect(r.Left, r.Top, r.width(), r.height()));

    const QImage image = renderPdf(t.path, t.printer.resolution());
    if (image.isNull()) GTEST_SKIP() << "Ghostscript is not installed; the drawn page was not checked";
    const QRect drawn = colourBounds(image, marker);
    ASSERT_FALSE(drawn.isEmpty());
    expectNear(drawn, result.chartRect.translated(area.topLeft()), 2);
}

} // namespace

TEST(ChartPrinting, PortraitPdfFillsTheMarginRectangle) { checkPrint(false, {10, 20, 30, 5}); }

TEST(ChartPrinting, LandscapePdfFillsTheMarginRectangle) { checkPrint(true, {15, 15, 15, 15}); }

TEST(ChartPrinting, FailureIsReportedAndOrientationRestored) {
    PdfPrinter t;
    t.printer.setOutputFileName(QStringLiteral("/nonexistent-folder/chart.pdf"));
    t.printer.setPageOrientation(QPageLayout::Portrait);
    CurveChart chart;
    const ChartPrintResult result = printChartPage(t.printer, chart, {10, 10, 10, 10}, true);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains(QStringLiteral("/nonexistent-folder/chart.pdf")));
    EXPECT_EQ(t.printer.pageLayout().orientation(), QPageLayout::Portrait);
}

TEST(ChartPrinting, MainWindowPrintsWithTheChartsMarginsAndReportsFailures) {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w(QString::fromStdString(dir.path() + "/varnotile.INI"));
    w.setDialogResponder(&recorder);

    PdfPrinter t;
    ASSERT_TRUE(w.PrintChartOn(t.printer));
    EXPECT_LT(pdfPageSize(t.path).width(), pdfPageSize(t.path).height());

    w.dataSet().Page.LandscapeOrientation = true;
    ASSERT_TRUE(w.PrintChartOn(t.printer));
    EXPECT_GT(pdfPageSize(t.path).width(), pdfPageSize(t.path).height());
    EXPECT_TRUE(recorder.notices.isEmpty());

    t.printer.setOutputFileName(QStringLiteral("/nonexistent-folder/chart.pdf"));
    EXPECT_FALSE(w.PrintChartOn(t.printer));
    ASSERT_EQ(recorder.notices.size(), 1);
    EXPECT_TRUE(recorder.notices.at(0).startsWith(QStringLiteral("Printing failed")));
}

// On a page narrower than the screen the legend takes fewer columns, so every name prints whole,
// and the X axis fewer labels; the chart on screen is laid out as before afterwards.
TEST(ChartPrinting, ANarrowPageKeepsEveryLegendNameWhole) {
    test::TempDir dir;
    std::string text;
    for (int k = 1; k <= 12; ++k) text += (k > 1 ? "," : "") + std::string("T") + std::to_string(k) + "_degC";
    text += "\n";
    for (int r = 0; r < 20; ++r) {
        for (int k = 1; k <= 12; ++k) text += (k > 1 ? "," : "") + std::to_string(r * k);
        text += "\n";
    }
    DataSet ds;
    ds.Layout.Reading.wideFiles = true;
    ds.File.CurrentFileName = dir.write("twelve.csv", text);
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
    ds.View.ShowCurveNames = true;
    ds.View.CurveVisible.fill(true);
    CurveChart chart;
    chart.resize(1400, 500);
    chart.showDataSet(ds);
    ASSERT_EQ(chart.legend->itemCount(), 12);
    const int screenColumns = chart.legend->wrap();
    for (const int width : {1400, 520, 300}) {
        chart.layOutFor(width);
        QImage page(width, 700, QImage::Format_RGB32);
        QCPPainter painter(&page);
        chart.toPainter(&painter, width, 700);
        painter.end();
        for (int i = 0; i < chart.legend->itemCount(); ++i) {
            QCPAbstractLegendItem* item = chart.legend->item(i);
            EXPECT_GE(item->outerRect().width(), item->minimumOuterSizeHint().width()) << width << " item " << i;
            EXPECT_LE(item->outerRect().right(), width) << width << " item " << i;
        }
    }
    chart.layOutFor(chart.width());
    EXPECT_EQ(chart.legend->wrap(), screenColumns);
}
