#pragma once
// The window's measurements: the hover readout in the status bar, the tracker, the two cursors
// with their table and the statistics of what the chart shows, each beside the chart. The
// statistics follow every zoom, drag and edit; they come from the range summaries of the core
// (range_statistics.h), so ten million rows cost a few microseconds per update.
#include "dataset.h"
#include "range_statistics.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QDockWidget;
class QLabel;
class QMainWindow;
class QTimer;

namespace varnotile {

class ChartMeasure;
class CurveChart;
class MeasureTable;

class MeasureController : public QObject {
    Q_OBJECT
public:
    // `selection` gives the grid's selection (grid coordinates). The tables go into docks of
    // `window`, right of the chart, and the readout into its status bar.
    MeasureController(QMainWindow* window, DataSet& ds, CurveChart* chart, std::function<GridRect()> selection);

    ChartMeasure* chartMeasure() const { return measure_; }
    MeasureTable* cursorsTable() const { return cursorsTable_; }
    MeasureTable* statisticsTable() const { return statisticsTable_; }
    QLabel* statusLabel() const { return status_; }

    void setTrackerShown(bool shown);
    void setCursorsShown(bool shown);
    void setStatisticsShown(bool shown);
    bool statisticsShown() const { return statisticsShown_; }

    // Brings the tables up to date now (they follow on their own after each change).
    void refreshNow();

public slots:
    void selectionChanged();

private:
    void scheduleRefresh();
    void updateCursorTable();
    void updateStatistics();
    void showStatus();
    // Whether a curve was filled again since the last look (an edit, a load, another X).
    bool curvesRefilled();
    QString curveName(int column) const;
    // A computed result (mean, spread, difference, integral) to 7 significant digits.
    QString number(double value) const;

    DataSet& ds_;
    CurveChart* chart_;
    std::function<GridRect()> selection_;
    RangeStatisticsIndex index_;
    ChartMeasure* measure_ = nullptr;
    QDockWidget* cursorsDock_ = nullptr;
    QDockWidget* statisticsDock_ = nullptr;
    MeasureTable* cursorsTable_ = nullptr;
    MeasureTable* statisticsTable_ = nullptr;
    QLabel* status_ = nullptr;
    QString hoverText_;
    QTimer* refreshTimer_ = nullptr;
    bool statisticsShown_ = false;
    std::vector<quint64> revisions_;
};

} // namespace varnotile
