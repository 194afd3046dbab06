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

namespace varnotile::bench {

std::string wideBenchmarkFile(int rows, int columns) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("varnotile-bench-" + std::to_string(rows) + "x" + std::to_string(columns) + ".csv");
    if (std::filesystem::exists(path)) return path.string();
    const auto partial = path.string() + ".part";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (!f) return {};
    std::string line;
    for (int k = 1; k <= columns; ++k) line += (k > 1 ? ",C" : "C") + std::to_string(k);
    line += '\n';
    std::fputs(line.c_str(), f);
    char number[32];
    for (int r = 0; r < rows; ++r) {
        line.clear();
        const double t = r * 0.1;
        for (int k = 1; k <= columns; ++k) {
            // Values 10.000..99.999 in three decimals: six characters and the delimiter.
            const double v = 55.0 + 40.0 * std::sin(t / (5.0 + k) + k);
            const int n = std::snprintf(number, sizeof number, "%.3f", v);
            if (k > 1) line += ',';
            line.append(number, static_cast<std::size_t>(n));
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
    std::filesystem::rename(partial, path);
    return path.string();
}

} // namespace varnotile::bench
