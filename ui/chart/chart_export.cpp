#include "chart_export.h"

#include "curve_chart.h"
#include "save_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace varnotile {
namespace {

// The legend in as many columns as fit a picture `width` wide, reckoned as the chart does for
// its width on screen; gives back the number of columns it had.
int wrapLegendFor(CurveChart& chart, int width) {
    QCPLegend* legend = chart.legend;
    const int before = legend->wrap();
    const QFontMetrics metrics(legend->font());
    int widest = 0;
    for (int k = 1; k <= chart.curveCount(); ++k) widest = std::max(widest, metrics.horizontalAdvance(chart.curve(k)->name()));
    const int entry = legend->iconSize().width() + legend->iconTextPadding() + widest + legend->columnSpacing() + 4;
    const QMargins outer = chart.plotLayout()->margins();
    const int available = std::max(1, width - outer.left() - outer.right() - legend->margins().left() -
                                           legend->margins().right());
    const int columns = std::clamp(available / std::max(1, entry), 1, std::max(1, legend->itemCount()));
    if (columns != before) {
        legend->setWrap(columns);
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
    }
    return before;
}

void restoreLegendWrap(CurveChart& chart, int columns) {
    if (chart.legend->wrap() == columns) return;
    chart.legend->setWrap(columns);
    chart.legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
}

// Draws the chart laid out for `size` onto `device`, as printing does.
bool drawOnto(QPaintDevice& device, CurveChart& chart, QSize size, bool vector) {
    QCPPainter painter;
    if (!painter.begin(&device)) return false;
    if (vector) painter.setMode(QCPPainter::pmVectorized);
    chart.toPainter(&painter, size.width(), size.height());
    return painter.end();
}

// Qt's SVG writer ignores clipping, which keeps the curves of a zoomed chart inside the plot area.
// So the SVG is drawn twice, the chart without its curves and then the curves alone, and the
// two are joined into one picture with the curves clipped by the SVG itself.
enum class SvgPart { AllButCurves, Curves };

// Shows only what one SVG part draws; puts everything back when it ends.
class SvgPartShown {
public:
    SvgPartShown(CurveChart& chart, SvgPart part) : chart_(chart), plotBrush_(chart.axisRect()->backgroundBrush()) {
        // The curves draw only while what holds them (the axis rectangle and the layout) is shown.
        std::set<QCPLayerable*> holders;
        for (QCPLayerable* l = chart.curve(1)->parentLayerable(); l; l = l->parentLayerable()) holders.insert(l);
        auto drawn = [&](QCPLayerable* l) {
            const bool curve = qobject_cast<CurvePlottable*>(l) != nullptr;
            return part == SvgPart::Curves ? curve || holders.count(l) > 0 : !curve;
        };
        for (int i = 0; i < chart.layerCount(); ++i) {
            QCPLayer* layer = chart.layer(i);
            const QList<QCPLayerable*> children = layer->children();
            // A layer with nothing of the part is hidden as a whole: a hidden axis would give up
            // its margin and move the plot, a hidden layer changes no layout.
            layers_.emplace_back(layer, layer->visible());
            if (std::none_of(children.begin(), children.end(), drawn)) {
                layer->setVisible(false);
                continue;
            }
            for (QCPLayerable* l : children) {
                shown_.emplace_back(l, l->visible());
                l->setVisible(l->visible() && drawn(l));
            }
        }
        if (part == SvgPart::Curves) {
            chart.setBackground(Qt::NoBrush);
            chart.axisRect()->setBackground(Qt::NoBrush);
        }
    }
    ~SvgPartShown() {
        for (const auto& [layerable, visible] : shown_) layerable->setVisible(visible);
        for (const auto& [layer, visible] : layers_) layer->setVisible(visible);
        chart_.setBackground(Qt::white); // as the chart paints it
        chart_.axisRect()->setBackground(plotBrush_);
    }
    SvgPartShown(const SvgPartShown&) = delete;
    SvgPartShown& operator=(const SvgPartShown&) = delete;

private:
    CurveChart& chart_;
    QBrush plotBrush_;
    std::vector<std::pair<QCPLayerable*, bool>> shown_;
    std::vector<std::pair<QCPLayer*, bool>> layers_;
};

// Where an SVG as Qt writes it has its definitions and its drawing (inside the outermost group).
struct SvgPieces {
    qsizetype defsStart = -1; // just past "<defs>"
    qsizetype defsEnd = -1;   // where "</defs>" begins
    qsizetype bodyStart = -1; // just past the opening tag of the outermost group
    qsizetype bodyEnd = -1;   // where that group's end tag begins
};

std::optional<SvgPieces> svgPieces(const QByteArray& svg) {
    SvgPieces p;
    const qsizetype defs = svg.indexOf("<defs>");
    p.defsEnd = svg.indexOf("</defs>", defs);
    const qsizetype group = svg.indexOf("<g", p.defsEnd);
    const qsizetype groupEnd = svg.indexOf('>', group);
    p.bodyEnd = svg.lastIndexOf("</g>");
    if (defs < 0 || p.defsEnd < 0 || group < 0 || groupEnd < 0 || p.bodyEnd < groupEnd) return std::nullopt;
    p.defsStart = defs + 6;
    p.bodyStart = groupEnd + 1;
    return p;
}

bool drawSvgPart(CurveChart& chart, QSize size, int dpi, SvgPart part, QByteArray& out) {
    const SvgPartShown shown(chart, part);
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(dpi);
    svg.setTitle(chart.chartTitleText());
    return drawOnto(svg, chart, size, true);
}

bool writeSvg(QIODevice& file, CurveChart& chart, QSize size, int dpi) {
    QByteArray chartPart, curvePart;
    if (!drawSvgPart(chart, size, dpi, SvgPart::AllButCurves, chartPart)) return false;
    // Where the plot lets the curves draw, as on screen: the axis rectangle one pixel higher
    // (the chart is still laid out for the picture). The curves' part must lie out the same.
    const QRect plot = chart.axisRect()->rect().translated(0, -1);
    if (!drawSvgPart(chart, size, dpi, SvgPart::Curves, curvePart) ||
        chart.axisRect()->rect().translated(0, -1) != plot)
        return false;
    const std::optional<SvgPieces> c = svgPieces(chartPart), k = svgPieces(curvePart);
    if (!c || !k) return false;
    QByteArray joined = chartPart.left(c->defsEnd);
    joined += curvePart.mid(k->defsStart, k->defsEnd - k->defsStart);
    joined += QStringLiteral("<clipPath id=\"plotArea\"><rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/></clipPath>\n")
                  .arg(plot.x()).arg(plot.y()).arg(plot.width()).arg(plot.height()).toUtf8();
    joined += chartPart.mid(c->defsEnd, c->bodyEnd - c->defsEnd);
    joined += "<g clip-path=\"url(#plotArea)\">" + curvePart.mid(k->bodyStart, k->bodyEnd - k->bodyStart) + "</g>\n";
    joined += chartPart.mid(c->bodyEnd);
    return file.write(joined) == joined.size();
}

bool writeTo(QIODevice& file, ChartFileFormat format, CurveChart& chart, QSize size) {
    // Text sizes in points come out as on screen: the file's units are the screen's pixels.
    const int dpi = chart.logicalDpiX();
    switch (format) {
    case ChartFileFormat::Png: {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return drawOnto(image, chart, size, false) && image.save(&file, "PNG");
    }
    case ChartFileFormat::Svg:
        return writeSvg(file, chart, size, dpi);
    case ChartFileFormat::Pdf: {
        QPdfWriter pdf(&file);
        pdf.setResolution(dpi);
        pdf.setTitle(chart.chartTitleText());
        pdf.setCreator(QStringLiteral("Varnotile"));
        const QPageSize page(QSizeF(size) * 72.0 / dpi, QPageSize::Point, QString(), QPageSize::ExactMatch);
        if (!pdf.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF()))) return false;
        return drawOnto(pdf, chart, size, true);
    }
    }
    return false;
}

} // namespace

std::optional<ChartFileFormat> ChartFileFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) return ChartFileFormat::Png;
    if (suffix == QLatin1String("svg")) return ChartFileFormat::Svg;
    if (suffix == QLatin1String("pdf")) return ChartFileFormat::Pdf;
    return std::nullopt;
}

bool ExportChart(CurveChart& chart, const QString& path, QSize size, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    const std::optional<ChartFileFormat> format = ChartFileFormatOf(path);
    if (!format) return fail(QStringLiteral("The file name must end in .png, .svg or .pdf."));
    if (size.isEmpty()) size = chart.size();
    if (size.isEmpty()) return fail(QStringLiteral("The chart has no size to draw."));

    // The picture is drawn in memory and written as the data saves write: a regular file is
    // replaced only when complete, a device or a pipe is written into, never replaced.
    QByteArray picture;
    QBuffer buffer(&picture);
    buffer.open(QIODevice::WriteOnly);
    const int legendColumns = wrapLegendFor(chart, size.width());
    const bool drawn = writeTo(buffer, *format, chart, size);
    // The chart was laid out for the picture: lay it out for the screen again.
    restoreLegendWrap(chart, legendColumns);
    chart.replot(QCustomPlot::rpQueuedReplot);
    if (!drawn)
        return fail(QStringLiteral("Cannot write \"%1\": the chart could not be drawn into it.").arg(QDir::toNativeSeparators(path)));
    const std::string why = saveBytes(QFile::encodeName(path).toStdString(),
                                      std::string_view(picture.constData(), static_cast<std::size_t>(picture.size())));
    if (!why.empty())
        return fail(QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(why.c_str())));
    return true;
}

} // namespace varnotile
