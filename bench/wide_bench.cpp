// Wide files: the window opening a 1,000,000-row x 100-column file (about 700 MB) with wide files
// on, and the chart repainting 100 curves of 1,000,000 points. They need much time and memory,
// so they run only on request: VARNOTILE_BENCH_WIDE=1 and --benchmark_filter=Wide. Compare the
// opening with BM_WindowOpensFile per byte; run with `/usr/bin/time -f "%e s %M KB"` and one
// benchmark selected for the peak memory.
#include "bench_files.h"
#include "curve_chart.h"
#include "dialog_recorder.h"
#include "main_window.h"
#include "settings_file.h"
#include "statistics.h"

#include <QApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kRows = 1000000;
constexpr int kColumns = 100;

bool wanted(benchmark::State& state) {
    if (std::getenv("VARNOTILE_BENCH_WIDE")) return true;
    state.SkipWithError("set VARNOTILE_BENCH_WIDE=1 to run (it writes a 700 MB file)");
    return false;
}

void BM_WindowOpensWideFile(benchmark::State& state) {
    if (!wanted(state)) return;
    const std::string file = varnotile::bench::wideBenchmarkFile(kRows, kColumns);
    const QString settings = QDir::temp().filePath(QStringLiteral("varnotile-wide-bench.INI"));
    {
        varnotile::DataSet wide;
        wide.Settings.Reading.wideFiles = true;
        varnotile::WriteSettingsFile(wide, settings.toStdString());
    }
    varnotile::MainWindow window(settings);
    varnotile::DialogRecorder recorder;
    window.setDialogResponder(&recorder);
    window.resize(1600, 1000);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.openFile(QString::fromStdString(file));
        window.repaint(); // the table and chart on screen
        QApplication::processEvents();
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    state.counters["columns"] = window.dataSet().Layout.ColumnCount;
}
// One opening: a second one holds the shown table until the new one is read, twice the memory.
BENCHMARK(BM_WindowOpensWideFile)->Unit(benchmark::kMillisecond)->Iterations(1);

// 100 numeric columns of slow waves with a little noise.
void fillWideDataSet(varnotile::DataSet& ds) {
    ds.Layout.Reading.wideFiles = true;
    varnotile::FitColumnSlots(ds);
    ds.File.CurrentFileName = "/tmp/wide-chart-bench.csv";
    ds.Layout.ColumnCount = kColumns;
    ds.Layout.DataRowCount = kRows;
    ds.File.LineCount = kRows;
    ds.View.PercentScale = true;
    ds.View.ShowCurveNames = true;
    ds.View.CurveVisible.fill(true);
    for (int k = 1; k <= kColumns; ++k) {
        ds.Layout.ColumnIsNumeric[k] = true;
        ds.Layout.ColumnNames[k] = "C" + std::to_string(k);
        auto& v = ds.Table.Values[k];
        v.assign(kRows + 1, 0.0);
        for (int r = 1; r <= kRows; ++r)
            v[static_cast<std::size_t>(r)] = k * 10 + k * std::sin(r * 0.1 / (k * 7.0)) + 0.2 * std::cos(r * 0.3);
    }
    varnotile::ComputeColumnStatistics(ds);
}

// state.range(0): 0 an unchanged chart repainted, 1 the first repaint after every curve was
// refilled (as after loading or a new X column).
void BM_RepaintWideChart(benchmark::State& state) {
    if (!wanted(state)) return;
    varnotile::DataSet ds;
    fillWideDataSet(ds);
    varnotile::CurveChart chart;
    chart.resize(1600, 1000);
    chart.showDataSet(ds);
    chart.toPixmap(1600, 1000);
    for (auto _ : state) {
        if (state.range(0) == 1) {
            state.PauseTiming();
            for (int k = 1; k <= kColumns; ++k) {
                chart.clearCurve(k);
                chart.fillCurve(ds, k);
            }
            state.ResumeTiming();
        }
        QPixmap picture = chart.toPixmap(1600, 1000);
        benchmark::DoNotOptimize(picture);
    }
    state.counters["curves"] = chart.curveCount();
}
BENCHMARK(BM_RepaintWideChart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
