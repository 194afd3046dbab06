// The load path as the window and the command line use it: bytes -> file -> LoadDataFile (read,
// layout, table, numbers, statistics). The first byte picks the delimiter and the decimal
// separator, and with its bit 4 set the second byte picks reading options; the rest is the file. A loaded table must have finite numbers, and writing it with
// the writer and loading the written bytes again must give the same table, which writes to the
// same bytes once more.
#include "compression.h"
#include "data_writer.h"
#include "fuzz_check.h"
#include "loader.h"
#include "reading_option_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>
#include <unistd.h>

using namespace varnotile;

namespace {

const std::string& scratchFile() {
    static const std::string path = [] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/varnotile-fuzz-" + std::to_string(getpid()) + ".csv";
    }();
    return path;
}

void writeScratch(std::string_view bytes) {
    std::FILE* f = std::fopen(scratchFile().c_str(), "wb");
    FUZZ_CHECK(f != nullptr, "cannot create %s", scratchFile().c_str());
    if (!bytes.empty()) FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(), "short write");
    std::fclose(f);
}

LoadOutcome loadBytes(DataSet& ds, std::string_view bytes, const std::string& separator, char decimal,
                      const ReadOptions& options = {}) {
    writeScratch(bytes);
    ds.Layout.Reading = options;
    ds.Layout.ListSeparator = separator;
    ds.DecimalSeparator = decimal;
    ds.File.CurrentFileName = scratchFile();
    return LoadDataFile(ds);
}

void checkLoadedTable(const DataSet& ds) {
    FUZZ_CHECK(ds.Layout.ColumnCount >= 1 && ds.Layout.ColumnCount <= 11, "column count %d",
               ds.Layout.ColumnCount);
    FUZZ_CHECK(ds.Layout.DataRowCount >= 0 && ds.Table.Cells.rowCount() == ds.Layout.DataRowCount,
               "rows %d/%d", ds.Layout.DataRowCount, ds.Table.Cells.rowCount());
    FUZZ_CHECK(ds.Layout.FirstDataLine >= 1, "first data line %d", ds.Layout.FirstDataLine);
    for (std::size_t k = 1; k <= 10; ++k) {
        FUZZ_CHECK(std::isfinite(ds.Table.ColumnMin[k]) && std::isfinite(ds.Table.ColumnMax[k]),
                   "column %zu statistics", k);
        FUZZ_CHECK(ds.Table.ColumnMin[k] <= ds.Table.ColumnMax[k], "column %zu min above max", k);
        FUZZ_CHECK(std::isfinite(ds.Table.ColumnAbsMax[k]) && ds.Table.ColumnAbsMax[k] > 0,
                   "column %zu magnitude", k);
        // A missing value is NaN; every other number is finite.
        for (int r = 1; r <= ds.Layout.DataRowCount; ++r)
            FUZZ_CHECK(std::isfinite(ds.value(static_cast<int>(k), r)) ||
                           (ds.Layout.Reading.missingAsGaps && std::isnan(ds.value(static_cast<int>(k), r))),
                       "value %zu,%d", k, r);
    }
    for (int j = 1; j <= ds.Layout.ColumnCount; ++j)
        for (int r = 1; r <= ds.Layout.DataRowCount; ++r) (void)ds.Table.Cells.cell(j, r);
}

bool sameNumber(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// The same layout, header texts, cells, numbers and statistics.
void checkSameTable(const DataSet& a, const DataSet& b) {
    FUZZ_CHECK(a.Layout.ColumnCount == b.Layout.ColumnCount, "column count %d then %d", a.Layout.ColumnCount,
               b.Layout.ColumnCount);
    FUZZ_CHECK(a.Layout.DataRowCount == b.Layout.DataRowCount, "row count %d then %d", a.Layout.DataRowCount,
               b.Layout.DataRowCount);
    FUZZ_CHECK(a.Layout.HeaderLineCount == b.Layout.HeaderLineCount, "named header lines %d then %d",
               a.Layout.HeaderLineCount, b.Layout.HeaderLineCount);
    for (std::size_t i = 1; i <= 20; ++i)
        FUZZ_CHECK(a.Layout.HeaderLines[i] == b.Layout.HeaderLines[i], "header line %zu", i);
    for (int j = 1; j <= a.Layout.ColumnCount; ++j) {
        const auto k = static_cast<std::size_t>(j);
        FUZZ_CHECK(a.Layout.ColumnIsNumeric[k] == b.Layout.ColumnIsNumeric[k], "column %d numeric flag", j);
        FUZZ_CHECK(a.Layout.ColumnNames[k] == b.Layout.ColumnNames[k], "column %d name", j);
        FUZZ_CHECK(a.Layout.ColumnLabels[k] == b.Layout.ColumnLabels[k], "column %d label", j);
        FUZZ_CHECK(a.Layout.ColumnHeader3[k] == b.Layout.ColumnHeader3[k], "column %d third header", j);
        for (int r = 1; r <= a.Layout.DataRowCount; ++r) {
            FUZZ_CHECK(a.Table.Cells.cell(j, r) == b.Table.Cells.cell(j, r), "cell %d,%d", j, r);
            FUZZ_CHECK(sameNumber(a.value(j, r), b.value(j, r)), "number %d,%d", j, r);
        }
    }
    for (std::size_t k = 1; k <= 10; ++k)
        FUZZ_CHECK(a.Table.ColumnMin[k] == b.Table.ColumnMin[k] &&
                       a.Table.ColumnMax[k] == b.Table.ColumnMax[k],
                   "column %zu statistics", k);
}

// Lines the header detection passes over (a matching line above a later free header line, or an
// empty free header line) are not kept, so the writer leaves them out: such files do not come
// back the same, and only the weaker checks apply to them.
// Fields past the tenth column are dropped and an extra column is only a text column of the
// first load, so files with either are also left to the weaker checks.
bool everyLineKept(const DataSet& ds, const LoadOutcome& outcome) {
    if (!outcome.messages.empty() || ds.Layout.ExtraColumnFound) return false;
    const int freeLines = ds.Layout.FirstDataLine - 1 - ds.Layout.HeaderLineCount;
    for (int i = 1; i <= freeLines; ++i)
        if (ds.Layout.HeaderLines[i].empty()) return false;
    return true;
}

// The layout rules read the first 20 lines (and three more for named headers) by their field
// counts after trimming trailing blanks and delimiters, and take the column count and the
// numeric columns from the longer of the last two non-empty lines. Where the writer's lines there differ
// from the file's (a dropped field, a trailing delimiter now trimmed, an empty last line now
// holding delimiters), the written file may legitimately lay out differently, so only the
// weaker checks apply.
bool layoutLinesWrittenAsRead(const DataSet& ds, std::string_view written) {
    std::vector<std::string_view> lines;
    for (std::size_t pos = 0; pos < written.size();) {
        const std::size_t end = written.find("\r\n", pos);
        if (end == std::string_view::npos) return false;
        lines.push_back(written.substr(pos, end - pos));
        pos = end + 2;
    }
    if (static_cast<int>(lines.size()) != ds.File.LineCount) return false;
    // The sample line is chosen among the last two non-empty lines; empty lines after them
    // must stay empty.
    int lastFilled = ds.File.LineCount;
    while (lastFilled > 1 && ds.File.FileLines.line(lastFilled).empty()) --lastFilled;
    for (int i = 1; i <= ds.File.LineCount; ++i) {
        if (i > 24 && i < lastFilled - 1) continue;
        if (lines[static_cast<std::size_t>(i - 1)] != ds.File.FileLines.line(i)) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const kSeparators[] = {",", ";", " ", "\t", ""};
    const std::string separator = kSeparators[(data[0] & 7) % 5];
    const char decimal = (data[0] & 8) ? ',' : '.';
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    ReadOptions options;
    if ((data[0] & 0x10) && size >= 2) {
        // One bit for each switch of the table, the bits left over for the choices.
        unsigned bits = data[1];
        for (const ReadingOption& option : readingOptions())
            if (option.isSwitch()) {
                option.set(options, static_cast<int>(bits & 1));
                bits >>= 1;
            }
        for (const ReadingOption& option : readingOptions())
            if (!option.isSwitch() && !option.isNumber()) {
                option.set(options, static_cast<int>(bits % option.choices.size()));
                bits /= static_cast<unsigned>(option.choices.size());
            }
        bytes.remove_prefix(1);
    }

    // Compressed data go through the system's decoders, not the reading rules this target
    // checks; a damaged stream is a read error by design, and a tiny input may expand hugely.
    if (compressionOfBytes(bytes.substr(0, std::min(bytes.size(), kCompressionMagicBytes))) != Compression::None) return 0;

    DataSet ds;
    const LoadOutcome outcome = loadBytes(ds, bytes, separator, decimal, options);
    FUZZ_CHECK(outcome.status != LoadOutcome::Status::ReadError, "read error %s", outcome.error.c_str());
    if (outcome.status != LoadOutcome::Status::Loaded) {
        FUZZ_CHECK(ds.Layout.ColumnCount == 0 && ds.Layout.DataRowCount == 0, "rejected file left a table");
        return 0;
    }
    checkLoadedTable(ds);

    const std::string written = DataFileText(ds);
    if (std::getenv("VARNOTILE_FUZZ_SHOW")) std::fprintf(stderr, "written:\n%s\n", written.c_str());
    DataSet again;
    const LoadOutcome reloaded = loadBytes(again, written, separator, decimal, options);
    // Written with reading options, a file keeps its table on the real files of the tests; here
    // only the weaker checks apply.
    if (options.anyOn() || !everyLineKept(ds, outcome) || !layoutLinesWrittenAsRead(ds, written)) {
        if (reloaded.status == LoadOutcome::Status::Loaded) checkLoadedTable(again);
        return 0;
    }
    FUZZ_CHECK(reloaded.status == LoadOutcome::Status::Loaded, "written file not loaded");
    checkLoadedTable(again);
    checkSameTable(ds, again);
    FUZZ_CHECK(DataFileText(again) == written, "second writing differs");
    return 0;
}
