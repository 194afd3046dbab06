#include "bench_files.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace varnotile::bench {

std::string benchmarkFile(int rows) {
    const auto path = std::filesystem::temp_directory_path() / ("varnotile-bench-" + std::to_string(rows) + "-rows.csv");
    if (std::filesystem::exists(path)) return path.string();
    const auto partial = path.string() + ".part";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (!f) return {};
    std::fputs("Time,T1,T2,T3,T4,P1,P2,Flow,Volt,Curr\n", f);
    std::fputs("s,degC,degC,degC,degC,bar,bar,l/min,V,A\n", f);
    for (int r = 0; r < rows; ++r) {
        const double t = r * 0.1;
        std::fprintf(f, "%.1f,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f,%.3f,%.3f,%.4f\n", t, 20 + 5 * std::sin(t / 50),
                     21 + 4 * std::cos(t / 70), 19.5 + std::sin(t / 9), 22 - 3 * std::sin(t / 33), 1.2 + 0.1 * std::sin(t / 5),
                     3.4 - 0.2 * std::cos(t / 8), 12.5 + 2 * std::sin(t / 100), 230 + 3 * std::sin(t / 2),
                     4.2 + 0.3 * std::cos(t / 3));
    }
    std::fclose(f);
    std::filesystem::rename(partial, path);
    return path.string();
}

} // namespace varnotile::bench
