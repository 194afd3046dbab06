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
#include <memory>
#include <thread>
#include <vector>

class QDockWidget;
class QLabel;
class QMainWindow;
class QTimer;

namespace varnotile {

class ChartMeasure;
class CurveChart;
class MeasureTable;
class WorkState;

class MeasureController : public QObject {
    Q_OBJECT
public:
    // `selection` gives the grid's selection (grid coordinates). The tables go into docks of
    // `window`, right of the chart, and the readout into its status bar.
    // `work` tells when a load or save owns the data set: nothing is measured then.
    MeasureController(QMainWindow* window, DataSet& ds, CurveChart* chart, std::function<GridRect()> selection,
                      const WorkState* work = nullptr);
    ~MeasureController() override;

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
    // Whether a first look (the X order, the summaries) is being made on another thread.
    bool computing() const { return build_ != nullptr; }

signals:
    // A first look made on another thread was taken in (or dropped, the data having changed).
    void computed();

public slots:
    void selectionChanged();

private:
    void scheduleRefresh();
    // Whether the index holds the X order (and with `overX` or not, the summaries of `columns`)
    // the tables need. Small ones are made at once; big ones on another thread, and false
    // returned until they are there.
    bool summariesReady(const std::vector<int>& columns, bool overX);
    void buildFinished();
    // Copies the next part of the columns the build reads; once all are, starts its thread.
    void copyStep();
    // The tables' look while their numbers are being computed: the caption says so, the
    // previous numbers are greyed.
    void showComputing(MeasureTable* table);
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
    const WorkState* work_ = nullptr;
    unsigned long long worksSeen_ = 0;
    // The first look being made, its thread, and the works begun when it started.
    std::shared_ptr<SummaryBuild> build_;
    std::thread worker_;
    QTimer* copyTimer_ = nullptr; // copies in steps, so the window answers between them
    unsigned long long buildWorks_ = 0;
    bool buildFailed_ = false; // no memory for it: not asked again until the curves change
};

} // namespace varnotile
