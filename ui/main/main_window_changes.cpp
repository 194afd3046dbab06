// The main window following the data set's changes: the grid's columns at once, the curves, the
// header row and the chart titles once per operation.
#include "main_window.h"

#include "curve_chart.h"
#include "date_time_axis.h"
#include "data_grid_view.h"

#include <QHeaderView>

#include <utility>

namespace varnotile {
namespace {

} // namespace

bool MainWindow::isCurve(int k) const { return k >= 1 && k <= ds_.curveCount(); }

void MainWindow::columnHidden(int column) {
    QHeaderView* header = gridData_->horizontalHeader();
    if (column >= 1 && column <= header->count()) header->hideSection(column - 1);
    if (isCurve(column)) PendingRefresh::mark(pending_.clearCurve, column);
    pending_.chartTitles = true;
}

void MainWindow::columnShown(int column, int width) {
    QHeaderView* header = gridData_->horizontalHeader();
    if (column >= 1 && column <= header->count()) {
        header->showSection(column - 1);
        header->resizeSection(column - 1, width > 0 ? width : header->defaultSectionSize());
    }
    if (isCurve(column)) {
        PendingRefresh::mark(pending_.clearCurve, column);
        PendingRefresh::mark(pending_.fillCurve, column);
    }
    pending_.chartTitles = true;
}

void MainWindow::columnsRenamed() { pending_.headerRow = pending_.chartTitles = true; }

void MainWindow::statisticsChanged(int column) {
    // Rows appended by the follower: the curves grow by them instead of being filled afresh.
    if (column == 0 && followReading_)
        pending_.appendedRows = true;
    else if (column == 0)
        pending_.allCurves = true;
    else if (isCurve(column)) {
        PendingRefresh::mark(pending_.clearCurve, column);
        PendingRefresh::mark(pending_.fillCurve, column);
    }
    pending_.headerRow = true;
}

void MainWindow::rowsRemoved(int, int) { pending_.allCurves = pending_.headerRow = pending_.chartTitles = true; }
void MainWindow::rowsInserted(int, int lastRow) {
    if (followReading_ && lastRow == ds_.Layout.DataRowCount)
        pending_.appendedRows = pending_.headerRow = true;
    else
        pending_.allCurves = pending_.headerRow = pending_.chartTitles = true;
}

void MainWindow::operationFinished() {
    PendingRefresh todo = std::exchange(pending_, {});
    enableRedo();
    // Over a date and a time column, any change of the values may move every point's X.
    const bool anyCurve = todo.allCurves || todo.appendedRows || !todo.fillCurve.empty() || !todo.clearCurve.empty();
    if (anyCurve && RefreshDateTimeAxis(ds_) && !todo.appendedRows) todo.allCurves = true;
    bool curvesChanged = todo.allCurves;
    if (todo.appendedRows && !todo.allCurves) chart_->appendRows(ds_);
    if (todo.allCurves) {
        chart_->clearAllCurves();
        for (int k = 1; k <= ds_.curveCount(); ++k) chart_->fillCurve(ds_, k);
    } else {
        for (int k = 1; k <= ds_.curveCount(); ++k) {
            const bool clear = PendingRefresh::marked(todo.clearCurve, k);
            if (clear) chart_->clearCurve(k);
            if (PendingRefresh::marked(todo.fillCurve, k)) chart_->fillCurve(ds_, k);
            curvesChanged = curvesChanged || clear;
        }
    }
    if (todo.headerRow) RefreshHeaderRow();
    if (curvesChanged || todo.chartTitles) RebuildChartTitles();
}

} // namespace varnotile
