// The chart with ten curves of 1,000,000 points: refilling every curve (as after a scale switch)
// and repaints at 1600 x 1000 (unchanged, all curves refilled, one curve refilled), with row
// numbers and with X columns that run back and forth.
#include "curve_chart.h"
#include "main_window.h"

#include <QDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using varnotile::DataSet;

constexpr int kRows = 1000000;

// Ten numeric columns. Column 1 sweeps up and down ten times with a little noise (a
// hysteresis-like X column); column 2 is a fast oscillation (X jumping several pixels per row).
void fillDataSet(DataSet& ds) {
    ds.File.CurrentFileName = "/tmp/chart-bench.csv";
    ds.Layout.ColumnCount = 10;
    ds.Layout.DataRowCount = kRows;
    ds.File.LineCount = kRows;
    ds.View.PercentScale = true;
    ds.View.ShowCurveNames = true;
    ds.View.ShowChartTitle = true;
    ds.View.CurveVisible.fill(true);
    ds.Layout.ColumnNames[0] = "Row";
    for (int k = 1; k <= 10; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        ds.Layout.ColumnIsNumeric[kk] = true;
        ds.Layout.ColumnNames[kk] = "C" + std::to_string(k);
        auto& v = ds.Table.Values[kk];
        v.assign(kRows + 1, 0.0);
        for (int r = 1; r <= kRows; ++r) {
            const double t = r * 0.1;
            double x;
            if (k == 1) {
                const int phase = r % 200000;
                x = (phase < 100000 ? phase : 200000 - phase) * 0.01 + 0.3 * std::sin(r * 0.7);
            } else if (k == 2) {
                x = std::sin(t / 9.0);
            } else {
                x = k * 10 + k * std::sin(t / (k * 7.0)) + 0.2 * std::cos(t * 3.0);
            }
            v[static_cast<std::size_t>(r)] = x;
        }
        double lo = v[1], hi = v[1];
        for (int r = 1; r <= kRows; ++r) {
            lo = std::min(lo, v[static_cast<std::size_t>(r)]);
            hi = std::max(hi, v[static_cast<std::size_t>(r)]);
        }
        ds.Table.ColumnMin[kk] = lo;
        ds.Table.ColumnMax[kk] = hi;
        ds.Table.ColumnAbsMax[kk] = std::max(std::fabs(lo), std::fabs(hi));
    }
}

// state.range(0): the X column, as below.
void BM_FillAllCurves(benchmark::State& state) {
    varnotile::MainWindow window(QDir::temp().filePath(QStringLiteral("chart-bench.INI")));
    fillDataSet(window.dataSet());
    window.dataSet().View.XColumn = static_cast<int>(state.range(0));
    for (auto _ : state) {
        window.ClearAllCurves();
        window.FillAllCurves();
    }
}
BENCHMARK(BM_FillAllCurves)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// state.range(0): the X column (0 row numbers, 1 sweeping up and down, 2 fast oscillation).
// An unchanged chart repainted again (as on an expose or a changed caption).
void BM_RepaintChart(benchmark::State& state) {
    DataSet ds;
    fillDataSet(ds);
    ds.View.XColumn = static_cast<int>(state.range(0));
    varnotile::CurveChart chart;
    chart.resize(1600, 1000);
    chart.showDataSet(ds);
    chart.toPixmap(1600, 1000); // first layout
    for (auto _ : state) {
        QPixmap picture = chart.toPixmap(1600, 1000);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_RepaintChart)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

// The first repaint after all ten curves were refilled (as after loading or a new X column):
// every curve is thinned or rasterised anew.
void BM_RepaintChartRefilled(benchmark::State& state) {
    DataSet ds;
    fillDataSet(ds);
    ds.View.XColumn = static_cast<int>(state.range(0));
    varnotile::CurveChart chart;
    chart.resize(1600, 1000);
    chart.showDataSet(ds);
    chart.toPixmap(1600, 1000);
    for (auto _ : state) {
        state.PauseTiming();
        for (int k = 1; k <= varnotile::kCurveCount; ++k) {
            chart.clearCurve(k);
            chart.fillCurve(ds, k);
        }
        state.ResumeTiming();
        QPixmap picture = chart.toPixmap(1600, 1000);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_RepaintChartRefilled)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

// The repaint after one curve was refilled (as after a cell edit that keeps the axis ranges).
void BM_RepaintChartOneCurve(benchmark::State& state) {
    DataSet ds;
    fillDataSet(ds);
    ds.View.XColumn = static_cast<int>(state.range(0));
    varnotile::CurveChart chart;
    chart.resize(1600, 1000);
    chart.showDataSet(ds);
    chart.toPixmap(1600, 1000);
    for (auto _ : state) {
        state.PauseTiming();
        chart.clearCurve(4);
        chart.fillCurve(ds, 4);
        state.ResumeTiming();
        QPixmap picture = chart.toPixmap(1600, 1000);
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_RepaintChartOneCurve)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
