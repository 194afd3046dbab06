// Saving the 1,000,000-row benchmark file. Arg 1 is the save the window and the CLI make: the
// bytes written into memory, then read back and compared with the table while they go to disk. Arg 0 writes the file alone (no read-back), the measure the read-back's cost is taken
// against.
#include "bench_files.h"
#include "data_writer.h"
#include "loader.h"
#include "checked_save.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

namespace {

void BM_SaveFile(benchmark::State& state) {
    varnotile::DataSet ds;
    ds.File.CurrentFileName = varnotile::bench::benchmarkFile();
    varnotile::LoadDataFile(ds);
    const std::string out = (std::filesystem::temp_directory_path() / "varnotile-bench-saved.csv").string();
    const bool readBack = state.range(0) != 0;
    for (auto _ : state) {
        std::string error;
        if (readBack) {
            const varnotile::CheckedSave save = varnotile::SaveDataFileChecked(ds, out, false, false);
            if (save.difference.found) state.SkipWithError("the benchmark file would read back differently");
            error = save.error;
        } else {
            error = varnotile::SaveDataFile(ds, out, false);
        }
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_SaveFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
