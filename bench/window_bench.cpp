// The window opening the benchmark file and showing the table, and scrolling through it.
// VARNOTILE_BENCH_ROWS=10000000 opens a file of that many rows instead (same shape); run with
// `/usr/bin/time -f "%e s %M KB"` and --benchmark_filter=BM_WindowOpensFile for the peak memory.
#include "dialog_recorder.h"
#include "bench_files.h"
#include "main_window.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

int rowsWanted() {
    const char* rows = std::getenv("VARNOTILE_BENCH_ROWS");
    return rows && std::atoi(rows) > 0 ? std::atoi(rows) : 1000000;
}

void BM_WindowOpensFile(benchmark::State& state) {
    const QString file = QString::fromStdString(varnotile::bench::benchmarkFile(rowsWanted()));
    varnotile::MainWindow window(QStringLiteral("/tmp/varnotile-bench.INI"));
    varnotile::DialogRecorder recorder;
    window.setDialogResponder(&recorder);
    window.resize(1600, 1000);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.openFile(file);
        window.repaint(); // the table and chart on screen
        QApplication::processEvents();
    }
}
BENCHMARK(BM_WindowOpensFile)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_GridScrollPage(benchmark::State& state) {
    const QString file = QString::fromStdString(varnotile::bench::benchmarkFile());
    varnotile::MainWindow window(QStringLiteral("/tmp/varnotile-bench.INI"));
    varnotile::DialogRecorder recorder;
    window.setDialogResponder(&recorder);
    window.resize(1600, 1000);
    window.show();
    window.openFile(file);
    QApplication::processEvents();
    auto* grid = window.findChild<QTableView*>(QStringLiteral("SGridData"));
    int position = 0;
    for (auto _ : state) {
        position = (position + 40) % 999000;
        grid->verticalScrollBar()->setValue(position);
        grid->viewport()->repaint();
    }
}
BENCHMARK(BM_GridScrollPage)->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace
