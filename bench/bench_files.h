#pragma once
// The benchmark data file: 1,000,000 rows x 10 numeric columns behind two header lines (about 76 MB),
// generated once into the temporary folder and reused.
#include <string>

namespace varnotile::bench {

// Path of the benchmark file, generating it when it is missing. `rows` other than the default
// give a smaller file of the same shape.
std::string benchmarkFile(int rows = 1000000);

} // namespace varnotile::bench

namespace varnotile::bench {

// Path of the wide benchmark file: `rows` rows x `columns` numeric columns (about 7 bytes a
// field) behind a names line, generated once into the temporary folder and reused. Large: make
// it only in benchmarks run on request.
std::string wideBenchmarkFile(int rows, int columns);

} // namespace varnotile::bench
