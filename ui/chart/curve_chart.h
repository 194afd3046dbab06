#pragma once
// The chart Chart1: line series Series1..Series10 (and one per further column of a wide file),
// series k carrying data column k, with the
// axis titles, the legend below the plot and the chart title. The same object draws on screen,
// into image files and onto paper: showDataSet() configures it completely from a data set.
#include "curve_plottable.h"
#include "dataset.h"

#include <qcustomplot.h>

namespace varnotile {

class CurveChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit CurveChart(QWidget* parent = nullptr);

    // Curve k, 1..curveCount(); nullptr outside that range.
    CurvePlottable* curve(int k) const;
    int curveCount() const { return static_cast<int>(curves_.size()); }
    // Gives the chart ds.curveCount() curves: ten always, more for a wide file. A curve is in the
    // legend only while it is drawn. Called by whatever fills or titles them.
    void fitCurveCount(const DataSet& ds);

    // Line colour of curve k := CurveColors[k], every curve.
    void applyCurveColors(const DataSet& ds);
    // Appends the points of column k to curve k when the column is drawn (no title rebuild).
    // The curve reads them from `ds`, which must outlive them. After a change of its values the
    // curve is cleared and filled again (that is what tells it to draw anew); meanwhile it never
    // reads past the end of a vector that shrank.
    void fillCurve(const DataSet& ds, int k);
    // fillCurve() for every curve; what the curves share is read once.
    void fillCurves(const DataSet& ds);
    // Rows were appended to the table (its other rows unchanged): each curve takes them in
    // without reading the rows it already shows, unless its scale or X changed meanwhile (then
    // it is filled afresh). The axes follow unless the user zoomed or dragged.
    void appendRows(const DataSet& ds);
    // Removes all points of curve k (nothing for k outside 1..curveCount()).
    void clearCurve(int k);
    // Empties both axis titles and removes all points of the ten curves.
    void clearAllCurves();
    // Axis titles, legend symbol width and visibility, curve titles, chart title and its visibility.
    // The axis titles, legend and title from the data set; a time column as X gets date and time ticks.
    void rebuildTitles(const DataSet& ds);
    // The kind of time the X axis shows (None: plain numbers).
    TimeKind timeAxis() const { return timeAxis_; }
    // Removes all points and lets the axes range over the points again (undoes a zoom or drag).
    void resetView();
    // Lets both axes range over the points again, now and after every change of the points
    // until the next zoom or drag: for a change of what is plotted (X column, curves shown,
    // Y scale). A change of the data alone keeps the user's zoom.
    void fitToPoints();
    // Everything the window shows for `ds`: colours, all curves refilled, titles, automatic ranges.
    void showDataSet(const DataSet& ds);

    // Fits the legend's columns and the number of X labels to a chart `chartWidth` pixels wide
    // (the page's width while printing, the widget's otherwise).
    void layOutFor(int chartWidth);

    // More than one curve is drawn, and all drawn curves share one colour.
    bool drawnInOneColour() const;

    bool legendShown() const;
    bool chartTitleShown() const;
    QString chartTitleText() const;
    QCPTextElement* chartTitle() const { return title_; }
    // The line in the empty plot that tells how to open a file (shown while there is none).
    QCPItemText* emptyHint() const { return emptyHint_; }
    // The axes follow the points (no zoom or drag since the last reset).
    bool autoRange() const { return autoRange_; }
    // Logarithmic axes: the curves hold log10 of X or Y (see log_scale.h); the points left out
    // for having no logarithm since the curves were last cleared.
    bool logX() const { return logX_; }
    bool logY() const { return logY_; }
    std::size_t logLeftOut() const {
        std::size_t n = 0;
        for (std::size_t k : logLeftOut_) n += k;
        return n;
    }

signals:
    // A pointer press (any button) on a drawn curve: the curve and the index of the hit point.
    void curvePressed(varnotile::CurvePlottable* curve, int pointIndex);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Fills curve k, reading an empty one from `source` when given (made by CurveSourceFor).
    void fillCurveFrom(const DataSet& ds, int k, std::optional<CurveSource> source);
    bool pressOnCurve(QMouseEvent* event);
    void setShownInRow(QCPLayoutElement* element, int row, bool shown);
    void updateLegendWrap();
    // The widest name the legend lists, in pixels of its font.
    int widestLegendName() const;
    void pointsChanged();
    void rescaleToPoints();
    void addCurve();
    // Puts the curves in the legend while they are drawn, in column order.
    void listDrawnCurves();

    std::vector<CurvePlottable*> curves_;
    std::vector<uint8_t> listed_; // curve k has a legend entry
    QCPTextElement* title_ = nullptr;
    QCPItemText* emptyHint_ = nullptr;
    bool autoRange_ = true;
    void showTimeAxis(TimeKind kind);
    TimeKind timeAxis_ = TimeKind::None;
    // Follows the data set's log choices, with their tickers.
    void takeLogScales(const DataSet& ds);
    bool logX_ = false, logY_ = false;
    char logDecimal_ = '.';
    std::vector<std::size_t> logLeftOut_; // per curve
    bool rescaling_ = false;
    bool swallowing_ = false; // a press on a curve: its moves and release are not the plot's
};

} // namespace varnotile
