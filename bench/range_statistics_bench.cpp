// Statistics of what the chart shows on the 10,000,000-row benchmark file (same shape as the
// others; VARNOTILE_BENCH_ROWS chooses another size): making the summaries of one column, and of
// nine at once (also over an X that runs back and forth), then one update as a zoom or drag asks
// for it, nine curves over X (column 1, time in seconds) ranges of every width, and over row
// ranges (a grid selection). An update must stay well under a frame (16 ms).
#include "bench_files.h"
#include "loader.h"
#include "range_statistics.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

using varnotile::DataSet;
using varnotile::RangeStatisticsIndex;

int rowsWanted() {
    const char* rows = std::getenv("VARNOTILE_BENCH_ROWS");
    return rows && std::atoi(rows) > 0 ? std::atoi(rows) : 10000000;
}

// Loaded once for all the benchmarks of this file.
DataSet& benchData() {
    static std::unique_ptr<DataSet> ds = [] {
        auto loaded = std::make_unique<DataSet>();
        loaded->File.CurrentFileName = varnotile::bench::benchmarkFile(rowsWanted());
        varnotile::LoadDataFile(*loaded);
        return loaded;
    }();
    return *ds;
}

void BM_RangeStatisticsSummarise(benchmark::State& state) {
    DataSet& ds = benchData();
    for (auto _ : state) {
        RangeStatisticsIndex index;
        benchmark::DoNotOptimize(index.overRows(ds, 1, 2, 1, 2));
    }
    state.counters["rows"] = ds.Layout.DataRowCount;
}
BENCHMARK(BM_RangeStatisticsSummarise)->Unit(benchmark::kMillisecond)->Iterations(3);

// The first look of the statistics view at nine curves: their summaries made on all cores.
void BM_RangeStatisticsFirstLook(benchmark::State& state) {
    DataSet& ds = benchData();
    for (auto _ : state) {
        RangeStatisticsIndex index;
        index.prepare(ds, 1, {2, 3, 4, 5, 6, 7, 8, 9, 10}, true);
        benchmark::DoNotOptimize(index.overX(ds, 1, 2, 0, 1));
    }
}
BENCHMARK(BM_RangeStatisticsFirstLook)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same over an X that runs back and forth (column 2, T1): the rows sorted by X first.
void BM_RangeStatisticsFirstLookUnsortedX(benchmark::State& state) {
    DataSet& ds = benchData();
    for (auto _ : state) {
        RangeStatisticsIndex index;
        index.prepare(ds, 2, {1, 3, 4, 5, 6, 7, 8, 9, 10}, true);
        benchmark::DoNotOptimize(index.overX(ds, 2, 3, 0, 1));
    }
}
BENCHMARK(BM_RangeStatisticsFirstLookUnsortedX)->Unit(benchmark::kMillisecond)->Iterations(2);

// What of that first look stays on the window's thread: copying the columns the build reads (in
// steps of a million values, between the window's events), and taking the finished summaries in;
// the build itself runs on another thread.
void BM_RangeStatisticsFirstLookWindowPart(benchmark::State& state) {
    DataSet& ds = benchData();
    const std::vector<int> columns{1, 3, 4, 5, 6, 7, 8, 9, 10};
    for (auto _ : state) {
        RangeStatisticsIndex index;
        const std::shared_ptr<varnotile::SummaryBuild> build = index.startBuild(ds, 2, columns, true);
        while (!build->copySome(1'000'000)) benchmark::DoNotOptimize(index.current(ds, *build));
        state.PauseTiming();
        build->run();
        state.ResumeTiming();
        benchmark::DoNotOptimize(index.finishBuild(ds, *build));
    }
}
BENCHMARK(BM_RangeStatisticsFirstLookWindowPart)->Unit(benchmark::kMillisecond)->Iterations(2);

// One update of the statistics view: nine curves over X = column 1 (time in seconds).
void BM_RangeStatisticsZoomUpdate(benchmark::State& state) {
    DataSet& ds = benchData();
    RangeStatisticsIndex index;
    const int rows = ds.Layout.DataRowCount;
    for (int k = 2; k <= 10; ++k) benchmark::DoNotOptimize(index.overX(ds, 1, k, 0, 1)); // summaries made beforehand
    const double span = ds.value(1, rows) - ds.value(1, 1);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    for (auto _ : state) {
        const double width = span * std::pow(10.0, -6 * unit(random)); // from the whole file to a millionth of it
        const double from = ds.value(1, 1) + (span - width) * unit(random);
        for (int k = 2; k <= 10; ++k) benchmark::DoNotOptimize(index.overX(ds, 1, k, from, from + width));
    }
}
BENCHMARK(BM_RangeStatisticsZoomUpdate)->Unit(benchmark::kMicrosecond);

// The same over row ranges, as for a grid selection.
void BM_RangeStatisticsSelectionUpdate(benchmark::State& state) {
    DataSet& ds = benchData();
    RangeStatisticsIndex index;
    const int rows = ds.Layout.DataRowCount;
    for (int k = 2; k <= 10; ++k) benchmark::DoNotOptimize(index.overRows(ds, 1, k, 1, 1));
    std::mt19937 random(11);
    for (auto _ : state) {
        const int a = static_cast<int>(random() % static_cast<unsigned>(rows)) + 1;
        const int b = static_cast<int>(random() % static_cast<unsigned>(rows)) + 1;
        for (int k = 2; k <= 10; ++k) benchmark::DoNotOptimize(index.overRows(ds, 1, k, std::min(a, b), std::max(a, b)));
    }
}
BENCHMARK(BM_RangeStatisticsSelectionUpdate)->Unit(benchmark::kMicrosecond);

} // namespace
