// Loading the benchmark file through the same load sequence as the window and the CLI.
#include "bench_files.h"
#include "loader.h"

#include <benchmark/benchmark.h>

namespace {

void BM_LoadDataFile(benchmark::State& state) {
    const std::string file = varnotile::bench::benchmarkFile();
    for (auto _ : state) {
        varnotile::DataSet ds;
        ds.File.CurrentFileName = file;
        auto outcome = varnotile::LoadDataFile(ds);
        benchmark::DoNotOptimize(outcome);
        benchmark::DoNotOptimize(ds.Table.ColumnMax);
    }
}
BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
