#pragma once
// Measuring on the chart: the readout of the curve under the pointer, the tracker (a vertical
// line under the pointer with a marker on each curve) and two cursors the user drags or moves
// with the keys. Everything is drawn on a layer of its own, so a pointer move repaints only
// that layer, never the curves. Values are looked up by bisection of X, so ten million rows
// cost nothing per move.
#include "dataset.h"

#include <QObject>
#include <QPointF>
#include <QString>

#include <array>
#include <cmath>
#include <vector>

class QCPItemStraightLine;
class QCPItemText;
class QCPItemTracer;
class QCPLayer;

namespace varnotile {

class CurveChart;
class RangeStatisticsIndex;

class ChartMeasure : public QObject {
    Q_OBJECT
public:
    ChartMeasure(CurveChart* chart, const DataSet& ds, RangeStatisticsIndex& index, QObject* parent = nullptr);

    void setTrackerShown(bool shown);
    bool trackerShown() const { return trackerShown_; }
    // Shown for the first time, the cursors stand at a third and two thirds of the shown X range.
    void setCursorsShown(bool shown);
    bool cursorsShown() const { return cursorsShown_; }
    // Cursor 0 ("A") and 1 ("B"): X as the data have it (not its logarithm).
    double cursorX(int which) const;
    void setCursorX(int which, double x);
    int activeCursor() const { return active_; }
    // The cursors at a third and two thirds of the shown X range.
    void placeCursorsInView();

    // The point of curve `column` nearest to X = x (a data X) with a value.
    struct Reading {
        bool found = false;
        int row = 0;
        double x = std::nan(""), value = std::nan("");
    };
    Reading readingAt(int column, double x);
    // The curves drawn now, in column order.
    std::vector<int> drawnCurves() const;

    // The readout for the pointer at `pos` (chart pixels): the nearest curve's value and X;
    // moves the tracker there. Empty off the plot.
    QString hoverAt(const QPointF& pos);
    // The pointer left the plot: no readout, no tracker.
    void leave();
    // Data X of a pixel column of the plot, and back.
    double dataXAt(double pixel) const;
    double pixelOfDataX(double x) const;

signals:
    void hoverTextChanged(const QString& text);
    void cursorsMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where a point of curve `column` is plotted (percent scale, logarithms).
    QPointF plotted(int column, double x, double value) const;
    // The data value of a plotted point of curve `column`.
    double valueOfPlotted(int column, double plotY) const;
    void showMarkers(const std::vector<std::pair<int, QPointF>>& markers);
    void placeCursorItems();
    void moveCursorByPixels(int pixels);
    void repaintLayer();

    CurveChart* chart_;
    const DataSet& ds_;
    RangeStatisticsIndex& index_;
    QCPLayer* layer_ = nullptr;
    bool trackerShown_ = false;
    bool cursorsShown_ = false;
    bool cursorsPlaced_ = false;
    QCPItemStraightLine* trackerLine_ = nullptr;
    std::vector<QCPItemTracer*> markers_;
    std::array<QCPItemStraightLine*, 2> cursorLines_{};
    std::array<QCPItemText*, 2> cursorLabels_{};
    std::array<double, 2> cursorPlotX_{}; // on the axis (the logarithm on a log axis)
    int active_ = 0;
    int dragging_ = -1;
};

} // namespace varnotile
