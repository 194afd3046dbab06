// Editing the 1,000,000-row benchmark file in the window: a committed cell edit, deleting 1,000
// rows and undoing it, a linear modification of a whole column and undoing it. Each figure holds
// the data operation and everything it refreshes (statistics, curves, header row, grid).
#include "dialog_recorder.h"
#include "bench_files.h"
#include "cell_editing.h"
#include "data_grid_model.h"
#include "main_window.h"
#include "modification.h"
#include "statistics.h"

#include <QApplication>
#include <QTableView>

#include <benchmark/benchmark.h>

namespace {

using varnotile::GridRect;
using varnotile::MainWindow;

// One window with the benchmark file, shared by the benchmarks below.
MainWindow& editWindow() {
    static varnotile::DialogRecorder recorder;
    static MainWindow* window = [] {
        auto* w = new MainWindow(QStringLiteral("/tmp/varnotile-bench.INI"));
        w->setDialogResponder(&recorder);
        w->resize(1600, 1000);
        w->show();
        w->openFile(QString::fromStdString(varnotile::bench::benchmarkFile()));
        QApplication::processEvents();
        return w;
    }();
    return *window;
}

void BM_EditCommittedCell(benchmark::State& state) {
    MainWindow& w = editWindow();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        w.SGridDataSelectCell(3, 500000);
        w.SGridDataSetEditText(3, 500000, flip ? QStringLiteral("12.5") : QStringLiteral("-13.25"));
        QApplication::processEvents();
    }
    while (w.dataSet().UndoCount() > 0) w.menuUndoClick();
}
BENCHMARK(BM_EditCommittedCell)->Unit(benchmark::kMillisecond)->Iterations(20);

// A correction inside the column's range, the everyday case: the axes stay, so only the edited
// column's curve is drawn again.
void BM_EditCommittedCellInRange(benchmark::State& state) {
    MainWindow& w = editWindow();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        w.SGridDataSelectCell(3, 500000);
        w.SGridDataSetEditText(3, 500000, flip ? QStringLiteral("20.5") : QStringLiteral("21.25"));
        QApplication::processEvents();
    }
    while (w.dataSet().UndoCount() > 0) w.menuUndoClick();
}
BENCHMARK(BM_EditCommittedCellInRange)->Unit(benchmark::kMillisecond)->Iterations(20);

void deleteRows(MainWindow& w) {
    w.setSelectionRect(GridRect{0, 400000, w.dataSet().Layout.ColumnCount + 1, 400999});
    w.menuDeleteClick();
    QApplication::processEvents();
}

void undo(MainWindow& w) {
    w.menuUndoClick();
    QApplication::processEvents();
}

void BM_DeleteThousandRows(benchmark::State& state) {
    MainWindow& w = editWindow();
    for (auto _ : state) {
        deleteRows(w);
        state.PauseTiming();
        undo(w);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteThousandRows)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UndoDeleteThousandRows(benchmark::State& state) {
    MainWindow& w = editWindow();
    for (auto _ : state) {
        state.PauseTiming();
        deleteRows(w);
        state.ResumeTiming();
        undo(w);
    }
}
BENCHMARK(BM_UndoDeleteThousandRows)->Unit(benchmark::kMillisecond)->Iterations(5);

// What "Modify" does after its dialog closed with factor 2 and offset 1 over every row of column 4.
void modifyColumn(MainWindow& w) {
    varnotile::DataSet& ds = w.dataSet();
    varnotile::ModifyRequest request;
    request.factor = "2";
    request.offset = "1";
    request.fromRow = 1;
    request.toRow = ds.Layout.DataRowCount;
    varnotile::ApplyModification(ds, 4, varnotile::PlanModification(ds, request));
    w.ClearCurve(4);
    w.FillCurve(4);
    w.RefreshHeaderRow();
    w.RebuildChartTitles();
    QApplication::processEvents();
}

void BM_ModifyWholeColumn(benchmark::State& state) {
    MainWindow& w = editWindow();
    for (auto _ : state) {
        modifyColumn(w);
        state.PauseTiming();
        undo(w);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ModifyWholeColumn)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UndoModifyWholeColumn(benchmark::State& state) {
    MainWindow& w = editWindow();
    for (auto _ : state) {
        state.PauseTiming();
        modifyColumn(w);
        state.ResumeTiming();
        undo(w);
    }
}
BENCHMARK(BM_UndoModifyWholeColumn)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

namespace {

// The parts of a committed cell edit, to see where its time goes: 0 the edit as the grid makes it
// (cell, number, journal, statistics and the refreshes it announces), 1 the statistics alone, 2 refilling the curve, 3 the header row,
// 4 refilling the curve and drawing the window, 5 repainting the grid's column, 6 an idle event pass.
void BM_EditCellParts(benchmark::State& state) {
    MainWindow& w = editWindow();
    varnotile::DataSet& ds = w.dataSet();
    bool flip = false;
    const int part = static_cast<int>(state.range(0));
    auto* model = static_cast<varnotile::DataGridModel*>(
        w.findChild<QTableView*>(QStringLiteral("SGridData"))->model());
    for (auto _ : state) {
        flip = !flip;
        switch (part) {
        case 0: varnotile::EditCell(ds, 3, 500000, flip ? "12.5" : "-13.25"); break;
        case 1: varnotile::ComputeColumnStatistics(ds); break;
        case 2: w.ClearCurve(3); w.FillCurve(3); break;
        case 3: w.RefreshHeaderRow(); break;
        case 4: w.ClearCurve(3); w.FillCurve(3); QApplication::processEvents(); break;
        case 5:
            emit model->dataChanged(model->index(0, 2), model->index(model->rowCount() - 1, 2));
            QApplication::processEvents();
            break;
        case 6: QApplication::processEvents(); break;
        }
    }
    while (ds.UndoCount() > 0) w.menuUndoClick();
}
BENCHMARK(BM_EditCellParts)->Unit(benchmark::kMillisecond)->Iterations(10)->DenseRange(0, 6);

} // namespace
