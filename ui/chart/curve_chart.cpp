#include "curve_chart.h"

#include "curves.h"
#include "log_axis_ticker.h"
#include "log_scale.h"
#include "parallel.h"
#include "text_codec.h"
#include "time_axis_ticker.h"

#include <algorithm>
#include <utility>

namespace varnotile {
namespace {

constexpr int kTitleRow = 0;
constexpr int kPlotRow = 1;
constexpr int kLegendRow = 2;

// Left-axis labels never closer than 1.0 apart where the axis spans 2 or more. A shorter span
// keeps the ticker's own finer step: a step of 1.0 would leave it one label or none.
class MinimumStepTicker : public QCPAxisTicker {
protected:
    double getTickStep(const QCPRange& range) override {
        const double step = QCPAxisTicker::getTickStep(range);
        return range.size() >= 2.0 ? std::max(1.0, step) : step;
    }
};

QString shown(const DataSet& ds, const std::string& bytes) {
    return QString::fromStdString(displayText(bytes, ds.File.FileIsUtf8));
}

QColor colorFromRgb(Rgb value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF), static_cast<int>((value >> 16) & 0xFF));
}

} // namespace

CurveChart::CurveChart(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("Chart1"));
    setBackground(Qt::white);
    axisRect()->setBackground(Qt::white);
    plotLayout()->setRowSpacing(0);
    plotLayout()->setMargins(QMargins(2, 6, 14, 2));

    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setBasePen(QPen(Qt::black, 1));
        axis->setTickPen(QPen(Qt::black, 1));
        axis->setSubTickPen(QPen(Qt::black, 1));
        axis->grid()->setPen(QPen(QColor(215, 215, 215), 1, Qt::DotLine));
    }
    yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new MinimumStepTicker));
    xAxis->setLabel(QStringLiteral("Points"));
    yAxis->setLabel(QStringLiteral("%"));

    // Title row above the plot, legend row below it.
    plotLayout()->insertRow(kTitleRow);
    title_ = new QCPTextElement(this, QStringLiteral("Chart1"));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPointSize(10);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setTextColor(Qt::black);
    plotLayout()->addElement(kTitleRow, 0, title_);

    axisRect()->insetLayout()->take(legend);
    plotLayout()->addElement(kLegendRow, 0, legend);
    plotLayout()->setRowStretchFactor(kTitleRow, 0.001);
    plotLayout()->setRowStretchFactor(kLegendRow, 0.001);
    legend->setBorderPen(Qt::NoPen);
    legend->setBrush(Qt::white);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setMargins(QMargins(4, 4, 4, 2));
    legend->setRowSpacing(0);
    legend->setColumnSpacing(12);
    legend->setVisible(true);

    // A curve is listed in the legend once it is drawn (listDrawnCurves).
    setAutoAddPlottableToLegend(false);
    for (int k = 1; k <= kCurveCount; ++k) addCurve();
    setShownInRow(legend, kLegendRow, false);

    // Before any file: how to open one, in the middle of the empty plot.
    emptyHint_ = new QCPItemText(this);
    emptyHint_->setObjectName(QStringLiteral("ChartEmptyHint"));
    emptyHint_->position->setType(QCPItemPosition::ptAxisRectRatio);
    emptyHint_->position->setCoords(0.5, 0.5);
    emptyHint_->setPositionAlignment(Qt::AlignCenter);
    emptyHint_->setText(QStringLiteral("Open a data file with File > Open... or drop it here"));
    emptyHint_->setColor(QColor(90, 90, 90));
    emptyHint_->setClipToAxisRect(false);

    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    setNoAntialiasingOnDrag(true);
    // Nothing is drawn on the overlay (no selection rectangle): it needs no picture buffer of
    // its own, which would take as much memory as the whole plot's.
    if (QCPLayer* overlay = layer(QStringLiteral("overlay"))) overlay->setMode(QCPLayer::lmLogical);
    auto userMoved = [this] {
        if (!rescaling_) autoRange_ = false;
    };
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, userMoved);
    // A time axis stops zooming out where its labels would leave the calendar.
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this](const QCPRange& range) {
        if (timeAxis_ == TimeKind::None) return;
        const QCPRange bounded = TimeAxisTicker::boundedRange(range, timeAxis_ == TimeKind::Clock);
        if (bounded.lower != range.lower || bounded.upper != range.upper) xAxis->setRange(bounded);
    });
    connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, userMoved);
}

CurvePlottable* CurveChart::curve(int k) const {
    return k >= 1 && k <= curveCount() ? curves_[static_cast<std::size_t>(k - 1)] : nullptr;
}

void CurveChart::addCurve() {
    const int k = curveCount() + 1;
    auto* c = new CurvePlottable(xAxis, yAxis);
    c->setObjectName(QStringLiteral("Series%1").arg(k));
    c->setName(QStringLiteral(" "));
    c->setPen(QPen(Qt::black, 1));
    curves_.push_back(c);
}

void CurveChart::fitCurveCount(const DataSet& ds) {
    const int wanted = std::max(kCurveCount, ds.curveCount());
    if (wanted == curveCount()) return;
    while (curveCount() < wanted) addCurve();
    while (curveCount() > wanted) {
        CurvePlottable* c = curves_.back();
        curves_.pop_back();
        removePlottable(c); // its legend entry goes with it
    }
    listed_.resize(std::min(listed_.size(), curves_.size() + 1));
    applyCurveColors(ds);
}

void CurveChart::listDrawnCurves() {
    // The legend's grid finds each item by walking all of them, so with hundreds of curves only
    // the entries from the first one that changes are taken out and put back (in column order).
    const auto count = static_cast<std::size_t>(curveCount());
    listed_.resize(count + 1, 0);
    std::size_t first = 1;
    auto wanted = [&](std::size_t k) { return curves_[k - 1]->pointCount() > 0 && curves_[k - 1]->visible(); };
    while (first <= count && static_cast<bool>(listed_[first]) == wanted(first)) ++first;
    if (first > count) return;
    for (std::size_t k = count; k >= first; --k)
        if (std::exchange(listed_[k], 0)) curves_[k - 1]->removeFromLegend(legend);
    for (std::size_t k = first; k <= count; ++k)
        if (wanted(k)) {
            curves_[k - 1]->addToLegend(legend);
            // An entry is clipped to its own rectangle, which ends at the font's descent: room
            // below it keeps underscores and descenders ("T1_degC", "g") whole.
            if (QCPPlottableLegendItem* item = legend->itemWithPlottable(curves_[k - 1])) item->setMargins(QMargins(0, 1, 0, 3));
            listed_[k] = 1;
        }
}

void CurveChart::applyCurveColors(const DataSet& ds) {
    for (int k = 1; k <= curveCount(); ++k) {
        CurvePlottable* c = curve(k);
        QPen pen = c->pen();
        const Rgb rgb = static_cast<std::size_t>(k) < ds.View.CurveColors.size() ? ds.View.CurveColors[k]
                                                                                  : ds.View.CurveColors[RepeatedCurveSlot(k)];
        pen.setColor(colorFromRgb(rgb));
        c->setPen(pen);
    }
    replot(rpQueuedReplot);
}

void CurveChart::fillCurve(const DataSet& ds, int k) {
    fitCurveCount(ds);
    takeLogScales(ds);
    CurvePlottable* c = curve(k);
    if (!c) return;
    fillCurveFrom(ds, k, c->pointCount() == 0 ? CurveSourceFor(ds, k) : std::nullopt);
}

void CurveChart::fillCurves(const DataSet& ds) {
    fitCurveCount(ds);
    takeLogScales(ds);
    // The empty curves' sources are made at once on all cores, sharing what they share.
    const SharedCurveFacts shared = SharedCurveFactsFor(ds);
    std::vector<std::optional<CurveSource>> sources(curves_.size());
    forEachInParallel(curves_.size(), [&](std::size_t i) {
        if (curves_[i]->pointCount() == 0) sources[i] = CurveSourceFor(ds, static_cast<int>(i) + 1, &shared);
    });
    for (std::size_t i = 0; i < curves_.size(); ++i) fillCurveFrom(ds, static_cast<int>(i) + 1, std::move(sources[i]));
}

void CurveChart::fillCurveFrom(const DataSet& ds, int k, std::optional<CurveSource> source) {
    CurvePlottable* c = curve(k);
    // An empty curve reads its points from the data set (its source); one that holds points
    // gets them copied and appended, as before.
    if (source && c->pointCount() == 0 && !logX_ && !logY_) {
        if (source->count == 0) return;
        c->showSource(*source);
        pointsChanged();
        return;
    }
    CurvePoints points = CurvePointsFor(ds, k);
    if (logX_ || logY_) { // log10 of the values, those without one left out and counted
        std::size_t leftOut = 0;
        points = LogCurvePoints(points, logX_, logY_, &leftOut);
        if (logLeftOut_.size() <= static_cast<std::size_t>(k)) logLeftOut_.resize(static_cast<std::size_t>(k) + 1, 0);
        logLeftOut_[static_cast<std::size_t>(k)] = leftOut;
    }
    if (points.size() == 0) return;
    c->appendPoints(std::move(points));
    pointsChanged();
}

void CurveChart::appendRows(const DataSet& ds) {
    fitCurveCount(ds);
    for (int k = 1; k <= curveCount(); ++k) {
        CurvePlottable* c = curve(k);
        const CurveSource* shown = c->source();
        if (std::optional<CurveSource> grown = shown ? GrownCurveSource(ds, k, *shown) : std::nullopt) {
            if (grown->count != shown->count) c->growSource(*grown);
            continue;
        }
        c->clearPoints();
        if (static_cast<std::size_t>(k) < logLeftOut_.size()) logLeftOut_[static_cast<std::size_t>(k)] = 0;
        fillCurve(ds, k);
    }
    pointsChanged();
}

void CurveChart::clearCurve(int k) {
    CurvePlottable* c = curve(k);
    if (!c) return;
    c->clearPoints();
    if (static_cast<std::size_t>(k) < logLeftOut_.size()) logLeftOut_[static_cast<std::size_t>(k)] = 0;
    pointsChanged();
}

void CurveChart::clearAllCurves() {
    yAxis->setLabel(QString());
    xAxis->setLabel(QString());
    for (CurvePlottable* c : curves_) c->clearPoints();
    logLeftOut_.clear();
    pointsChanged();
}

void CurveChart::takeLogScales(const DataSet& ds) {
    const bool y = LogScaleYFor(ds), x = LogScaleXFor(ds);
    logDecimal_ = ds.decimal();
    if (y != logY_) yAxis->setTicker(y ? QSharedPointer<QCPAxisTicker>(new LogAxisTicker(ds.decimal()))
                                       : QSharedPointer<QCPAxisTicker>(new MinimumStepTicker));
    if (x != logX_ && timeAxis_ == TimeKind::None)
        xAxis->setTicker(x ? QSharedPointer<QCPAxisTicker>(new LogAxisTicker(ds.decimal()))
                           : QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    // The grid's zero line would stand at 1 on a logarithmic axis: none there.
    const QPen zeroLine(QColor(200, 200, 200), 0, Qt::SolidLine);
    yAxis->grid()->setZeroLinePen(y ? QPen(Qt::NoPen) : zeroLine);
    xAxis->grid()->setZeroLinePen(x ? QPen(Qt::NoPen) : zeroLine);
    logY_ = y;
    logX_ = x;
}

void CurveChart::showTimeAxis(TimeKind kind) {
    if (kind == timeAxis_) return;
    timeAxis_ = kind;
    if (kind == TimeKind::None && logX_)
        xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new LogAxisTicker(logDecimal_)));
    else if (kind == TimeKind::None)
        xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    else
        xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeAxisTicker(kind == TimeKind::Clock)));
    updateLegendWrap();
}

void CurveChart::rebuildTitles(const DataSet& ds) {
    // A time column as X gives date and time ticks.
    const int x = ds.View.XColumn;
    showTimeAxis(x >= 1 && static_cast<std::size_t>(x) < ds.Layout.ColumnTime.size() ? ds.Layout.ColumnTime[x] : TimeKind::None);
    yAxis->setLabel(shown(ds, YAxisTitle(ds)));
    xAxis->setLabel(shown(ds, XAxisTitle(ds)));

    fitCurveCount(ds);
    for (int k = 1; k <= curveCount(); ++k) curve(k)->setName(shown(ds, CurveLegendText(ds, k)));
    listDrawnCurves();
    // Line symbols 40 percent as wide as the widest legend text.
    const QFontMetrics metrics(legend->font());
    const int widest = widestLegendName();
    legend->setIconSize(std::max(8, widest * 40 / 100), std::max(6, metrics.height() * 2 / 3));
    // An empty legend is a few pixels wide at most, and its row would hold the whole plot that narrow.
    setShownInRow(legend, kLegendRow, LegendShown(ds) && legend->itemCount() > 0);
    updateLegendWrap();

    emptyHint_->setVisible(ds.File.CurrentFileName.empty());
    title_->setText(QString::fromStdString(ds.File.CurrentFileName));
    setShownInRow(title_, kTitleRow, ds.View.ShowChartTitle);
    replot(rpQueuedReplot);
}

void CurveChart::resetView() {
    for (CurvePlottable* c : curves_) c->clearPoints();
    logLeftOut_.clear();
    fitToPoints();
}

void CurveChart::fitToPoints() {
    autoRange_ = true;
    pointsChanged();
}

void CurveChart::showDataSet(const DataSet& ds) {
    applyCurveColors(ds);
    clearAllCurves();
    autoRange_ = true;
    fillCurves(ds);
    rebuildTitles(ds);
    rescaleToPoints();
}

bool CurveChart::drawnInOneColour() const {
    int drawn = 0;
    QColor first;
    for (const CurvePlottable* c : curves_) {
        if (c->pointCount() == 0 || !c->visible()) continue;
        if (drawn++ == 0)
            first = c->pen().color();
        else if (c->pen().color() != first)
            return false;
    }
    return drawn > 1;
}

bool CurveChart::legendShown() const { return legend->layout() == plotLayout(); }
bool CurveChart::chartTitleShown() const { return title_->layout() == plotLayout(); }
QString CurveChart::chartTitleText() const { return title_->text(); }

void CurveChart::setShownInRow(QCPLayoutElement* element, int row, bool shown) {
    const bool inLayout = element->layout() == plotLayout();
    if (shown && !inLayout) {
        plotLayout()->addElement(row, 0, element);
    } else if (!shown && inLayout) {
        plotLayout()->take(element);
        element->setVisible(false);
    }
    element->setVisible(shown);
}

void CurveChart::updateLegendWrap() { layOutFor(width()); }

void CurveChart::layOutFor(int chartWidth) {
    // As many legend columns as fit beside each other; the entries fill row by row.
    const int widest = widestLegendName();
    const int entry = legend->iconSize().width() + legend->iconTextPadding() + widest + legend->columnSpacing() + 4;
    const int available = std::max(1, chartWidth - plotLayout()->margins().left() - plotLayout()->margins().right() -
                                           legend->margins().left() - legend->margins().right());
    const int columns = std::clamp(available / std::max(1, entry), 1, std::max(1, legend->itemCount()));
    if (legend->wrap() != columns) {
        legend->setWrap(columns);
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
    }
    // No more X labels than fit side by side with room between them (a date is wider than a number).
    const QFontMetrics metrics(xAxis->tickLabelFont());
    const bool time = timeAxis_ != TimeKind::None;
    const int label = metrics.horizontalAdvance(time ? QStringLiteral("2026-11-14") : QStringLiteral("-0.00005")) * 2;
    const int most = time ? 6 : 5;
    xAxis->ticker()->setTickCount(std::clamp((chartWidth - 60) / std::max(1, label), 2, most));
}

int CurveChart::widestLegendName() const {
    const QFontMetrics metrics(legend->font());
    int widest = 0;
    for (std::size_t k = 1; k < listed_.size(); ++k)
        if (listed_[k]) widest = std::max(widest, metrics.horizontalAdvance(curves_[k - 1]->name()));
    return widest;
}

void CurveChart::rescaleToPoints() {
    rescaling_ = true;
    bool any = false;
    for (CurvePlottable* c : curves_) any = any || c->pointCount() > 0;
    if (any) rescaleAxes();
    rescaling_ = false;
}

void CurveChart::pointsChanged() {
    if (autoRange_) rescaleToPoints();
    replot(rpQueuedReplot);
}

bool CurveChart::pressOnCurve(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (!curves_[0]->inHitArea(pos)) return false; // all curves share the axes
    CurvePlottable* best = nullptr;
    int bestIndex = -1;
    double bestDistance = 0;
    // The curve drawn last lies on top: it wins a tie.
    for (int k = curveCount(); k >= 1; --k) {
        CurvePlottable* c = curve(k);
        if (c->pointCount() == 0 || !c->visible()) continue;
        double distance = 0;
        const int index = c->hitPoint(pos, selectionTolerance(), &distance);
        if (index >= 0 && (!best || distance < bestDistance)) {
            best = c;
            bestIndex = index;
            bestDistance = distance;
        }
    }
    if (!best) return false;
    event->accept();
    swallowing_ = true;
    emit curvePressed(best, bestIndex);
    return true;
}

void CurveChart::mousePressEvent(QMouseEvent* event) {
    if (pressOnCurve(event)) return;
    QCustomPlot::mousePressEvent(event);
}

void CurveChart::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like any other; off the curves it undoes
    // any zoom or drag.
    if (pressOnCurve(event)) return;
    QCustomPlot::mouseDoubleClickEvent(event);
    fitToPoints();
}

void CurveChart::mouseMoveEvent(QMouseEvent* event) {
    if (swallowing_) {
        if (event->buttons() == Qt::NoButton) swallowing_ = false;
        event->accept();
        return;
    }
    QCustomPlot::mouseMoveEvent(event);
}

void CurveChart::mouseReleaseEvent(QMouseEvent* event) {
    if (swallowing_) {
        swallowing_ = false;
        event->accept();
        return;
    }
    QCustomPlot::mouseReleaseEvent(event);
}

void CurveChart::resizeEvent(QResizeEvent* event) {
    layOutFor(event->size().width());
    QCustomPlot::resizeEvent(event);
}

} // namespace varnotile
