#include "chart_measure.h"

#include "curve_chart.h"
#include "curves.h"
#include "measure_texts.h"
#include "range_statistics.h"
#include "text_codec.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

namespace varnotile {
namespace {

constexpr int kMostMarkers = 32;  // markers of the tracker: the first curves of a wide file
constexpr double kGrip = 5;       // pixels either side of a cursor line a press takes it
const QColor kCursorColors[2] = {QColor(0, 90, 200), QColor(200, 40, 40)};

} // namespace

ChartMeasure::ChartMeasure(CurveChart* chart, const DataSet& ds, RangeStatisticsIndex& index, QObject* parent)
    : QObject(parent), chart_(chart), ds_(ds), index_(index) {
    chart_->addLayer(QStringLiteral("measure"), chart_->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    layer_ = chart_->layer(QStringLiteral("measure"));
    layer_->setMode(QCPLayer::lmBuffered);

    trackerLine_ = new QCPItemStraightLine(chart_);
    trackerLine_->setObjectName(QStringLiteral("TrackerLine"));
    trackerLine_->setLayer(layer_);
    trackerLine_->setPen(QPen(QColor(90, 90, 90), 1));
    trackerLine_->setSelectable(false);
    trackerLine_->setVisible(false);
    for (int i = 0; i < 2; ++i) {
        auto* line = new QCPItemStraightLine(chart_);
        line->setObjectName(i == 0 ? QStringLiteral("CursorA") : QStringLiteral("CursorB"));
        line->setLayer(layer_);
        line->setPen(QPen(kCursorColors[i], 1, Qt::DashLine));
        line->setSelectable(false);
        line->setVisible(false);
        cursorLines_[static_cast<std::size_t>(i)] = line;
        auto* label = new QCPItemText(chart_);
        label->setLayer(layer_);
        label->setText(i == 0 ? QStringLiteral("A") : QStringLiteral("B"));
        label->setColor(kCursorColors[i]);
        label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->position->setTypeX(QCPItemPosition::ptPlotCoords);
        label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        label->setSelectable(false);
        label->setVisible(false);
        cursorLabels_[static_cast<std::size_t>(i)] = label;
    }
    chart_->installEventFilter(this);
    chart_->setMouseTracking(true);
}

void ChartMeasure::repaintLayer() { layer_->replot(); }

std::vector<int> ChartMeasure::drawnCurves() const {
    std::vector<int> curves;
    for (int k = 1; k <= chart_->curveCount(); ++k) {
        const CurvePlottable* c = chart_->curve(k);
        if (c->pointCount() > 0 && c->visible() && ColumnIsDrawn(ds_, k)) curves.push_back(k);
    }
    return curves;
}

QPointF ChartMeasure::plotted(int column, double x, double value) const {
    const double px = chart_->logX() ? (x > 0 ? std::log10(x) : std::nan("")) : x;
    double py = value;
    if (ds_.View.PercentScale) {
        const double absMax = ds_.Table.ColumnAbsMax[column];
        py = 100 * value / (absMax != 0 ? absMax : 1.0);
    } else if (chart_->logY()) {
        py = value > 0 ? std::log10(value) : std::nan("");
    }
    return {px, py};
}

double ChartMeasure::valueOfPlotted(int column, double plotY) const {
    if (ds_.View.PercentScale) return plotY * ds_.Table.ColumnAbsMax[column] / 100;
    return chart_->logY() ? std::pow(10.0, plotY) : plotY;
}

double ChartMeasure::dataXAt(double pixel) const {
    const double coordinate = chart_->xAxis->pixelToCoord(pixel);
    return chart_->logX() ? std::pow(10.0, coordinate) : coordinate;
}

double ChartMeasure::pixelOfDataX(double x) const {
    return chart_->xAxis->coordToPixel(chart_->logX() ? std::log10(x) : x);
}

ChartMeasure::Reading ChartMeasure::readingAt(int column, double x) {
    Reading reading;
    const int xColumn = ds_.View.XColumn;
    const int row = index_.nearestRow(ds_, xColumn, column, x);
    if (row <= 0) return reading;
    reading.found = true;
    reading.row = row;
    reading.value = ds_.value(column, row);
    const bool xFromColumn = ds_.isValueColumn(xColumn) && xColumn <= ds_.Layout.ColumnCount && ds_.Layout.ColumnIsNumeric[xColumn];
    reading.x = xFromColumn ? ds_.value(xColumn, row) : row;
    return reading;
}

QString ChartMeasure::hoverAt(const QPointF& pos) {
    // The plot and a rim around it: points at the ends of the axes lie on its edges or just past them.
    if (!chart_->axisRect()->rect().adjusted(-2, -2, 2, 2).contains(pos.toPoint()) || ds_.Layout.DataRowCount <= 0) {
        leave();
        return {};
    }
    const int xColumn = ds_.View.XColumn;
    const bool sorted = index_.xSorted(ds_, xColumn);
    std::vector<std::pair<int, QPointF>> markers;
    int best = 0;
    double bestDistance = 0, bestX = 0, bestValue = 0;
    for (int k : drawnCurves()) {
        double x = 0, value = 0, distance = 0;
        QPointF at;
        if (sorted) { // the row nearest in X, by bisection
            const Reading r = readingAt(k, dataXAt(pos.x()));
            if (!r.found) continue;
            at = plotted(k, r.x, r.value);
            if (!std::isfinite(at.x()) || !std::isfinite(at.y())) continue;
            x = r.x;
            value = r.value;
            distance = std::fabs(chart_->yAxis->coordToPixel(at.y()) - pos.y());
        } else { // X runs back and forth: the nearest point of the drawn line
            const CurvePlottable* c = chart_->curve(k);
            const int i = c->hitPoint(pos, 12, &distance);
            if (i < 0) continue;
            at = QPointF(c->pointX(i), c->pointY(i));
            x = chart_->logX() ? std::pow(10.0, at.x()) : at.x();
            value = valueOfPlotted(k, at.y());
        }
        if (markers.size() < static_cast<std::size_t>(kMostMarkers)) markers.emplace_back(k, at);
        if (best == 0 || distance < bestDistance) {
            best = k;
            bestDistance = distance;
            bestX = x;
            bestValue = value;
        }
    }
    if (trackerShown_) {
        const double coordinate = chart_->xAxis->pixelToCoord(pos.x());
        trackerLine_->point1->setCoords(coordinate, 0);
        trackerLine_->point2->setCoords(coordinate, 1);
        trackerLine_->setVisible(true);
        showMarkers(markers);
        repaintLayer();
    }
    const QString text =
        best == 0 ? QString()
                  : QString::fromStdString(displayText(HoverReadoutText(ds_, best, bestValue, xColumn, bestX), ds_.File.FileIsUtf8));
    emit hoverTextChanged(text);
    return text;
}

void ChartMeasure::leave() {
    const bool shown = trackerLine_->visible();
    trackerLine_->setVisible(false);
    for (QCPItemTracer* m : markers_) m->setVisible(false);
    if (shown) repaintLayer();
    emit hoverTextChanged({});
}

void ChartMeasure::showMarkers(const std::vector<std::pair<int, QPointF>>& markers) {
    while (markers_.size() < markers.size()) {
        auto* m = new QCPItemTracer(chart_);
        m->setLayer(layer_);
        m->setStyle(QCPItemTracer::tsCircle);
        m->setSize(7);
        m->setSelectable(false);
        markers_.push_back(m);
    }
    for (std::size_t i = 0; i < markers_.size(); ++i) {
        QCPItemTracer* m = markers_[i];
        m->setVisible(i < markers.size());
        if (i >= markers.size()) continue;
        m->position->setCoords(markers[i].second);
        const QColor color = chart_->curve(markers[i].first)->pen().color();
        m->setPen(QPen(color, 1.5));
        m->setBrush(Qt::white);
    }
}

void ChartMeasure::setTrackerShown(bool shown) {
    trackerShown_ = shown;
    if (!shown) {
        trackerLine_->setVisible(false);
        for (QCPItemTracer* m : markers_) m->setVisible(false);
        repaintLayer();
    }
}

void ChartMeasure::setCursorsShown(bool shown) {
    cursorsShown_ = shown;
    if (shown && !cursorsPlaced_) {
        placeCursorsInView();
        return;
    }
    placeCursorItems();
    emit cursorsMoved();
}

void ChartMeasure::placeCursorsInView() {
    const QCPRange range = chart_->xAxis->range();
    cursorPlotX_ = {range.lower + range.size() / 3, range.lower + range.size() * 2 / 3};
    cursorsPlaced_ = true;
    placeCursorItems();
    emit cursorsMoved();
}

double ChartMeasure::cursorX(int which) const {
    const double coordinate = cursorPlotX_[static_cast<std::size_t>(which & 1)];
    return chart_->logX() ? std::pow(10.0, coordinate) : coordinate;
}

void ChartMeasure::setCursorX(int which, double x) {
    cursorPlotX_[static_cast<std::size_t>(which & 1)] = chart_->logX() ? std::log10(x) : x;
    cursorsPlaced_ = true;
    placeCursorItems();
    emit cursorsMoved();
}

void ChartMeasure::placeCursorItems() {
    for (std::size_t i = 0; i < 2; ++i) {
        cursorLines_[i]->point1->setCoords(cursorPlotX_[i], 0);
        cursorLines_[i]->point2->setCoords(cursorPlotX_[i], 1);
        cursorLines_[i]->setPen(QPen(kCursorColors[i], static_cast<int>(i) == active_ ? 2 : 1, Qt::DashLine));
        cursorLabels_[i]->position->setCoords(cursorPlotX_[i], 0);
        cursorLines_[i]->setVisible(cursorsShown_);
        cursorLabels_[i]->setVisible(cursorsShown_);
    }
    repaintLayer();
}

void ChartMeasure::moveCursorByPixels(int pixels) {
    const auto i = static_cast<std::size_t>(active_);
    const double pixel = chart_->xAxis->coordToPixel(cursorPlotX_[i]) + pixels;
    cursorPlotX_[i] = chart_->xAxis->pixelToCoord(pixel);
    placeCursorItems();
    emit cursorsMoved();
}

bool ChartMeasure::eventFilter(QObject* watched, QEvent* event) {
    if (watched != chart_) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (!cursorsShown_ || e->button() != Qt::LeftButton) return false;
        for (int i = 0; i < 2; ++i)
            if (std::fabs(chart_->xAxis->coordToPixel(cursorPlotX_[static_cast<std::size_t>(i)]) - e->position().x()) <= kGrip &&
                chart_->axisRect()->rect().contains(e->position().toPoint())) {
                dragging_ = active_ = i;
                chart_->setFocus(Qt::MouseFocusReason);
                placeCursorItems();
                return true;
            }
        return false;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (dragging_ >= 0) {
            cursorPlotX_[static_cast<std::size_t>(dragging_)] = chart_->xAxis->pixelToCoord(e->position().x());
            placeCursorItems();
            emit cursorsMoved();
            return true;
        }
        hoverAt(e->position());
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (dragging_ < 0) return false;
        dragging_ = -1;
        return true;
    case QEvent::Leave:
        leave();
        return false;
    case QEvent::KeyPress: {
        if (!cursorsShown_) return false;
        auto* e = static_cast<QKeyEvent*>(event);
        const int step = e->modifiers() & Qt::ShiftModifier ? 10 : 1;
        switch (e->key()) {
        case Qt::Key_1:
        case Qt::Key_A:
            active_ = 0;
            placeCursorItems();
            return true;
        case Qt::Key_2:
        case Qt::Key_B:
            active_ = 1;
            placeCursorItems();
            return true;
        case Qt::Key_Left:
            moveCursorByPixels(-step);
            return true;
        case Qt::Key_Right:
            moveCursorByPixels(step);
            return true;
        default:
            return false;
        }
    }
    default:
        return false;
    }
}

} // namespace varnotile
