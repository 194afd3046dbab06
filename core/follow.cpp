#include "follow.h"

#include "cell_editing.h"
#include "cell_table.h"
#include "layout.h"
#include "loader.h"
#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace varnotile {
namespace {

// The first bytes of the file: a file rewritten from the start differs in them.
constexpr std::size_t kHeadBytes = 256;
// The lines of each end of the file that the layout rules can look at.
constexpr int kLayoutLinesEachEnd = 250;

struct FileState {
    bool exists = false;
    uint64_t size = 0, device = 0, inode = 0;
};

FileState stateOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    return {true, static_cast<uint64_t>(st.st_size), static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

// Reads `count` bytes from `offset`; false when the file cannot be read.
bool readBytes(const std::string& path, uint64_t offset, uint64_t count, std::string& out) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file || ::fseeko(file.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    out.resize(count);
    const std::size_t got = std::fread(out.data(), 1, out.size(), file.get());
    out.resize(got);
    return true;
}

// The layout the rules give for the file as it now stands, from the lines they can look at: the
// first and the last lines (all of a short file).
struct LayoutDecision {
    bool loaded = false;
    int columns = 0, firstDataLine = 0, headerLines = 0;
    std::vector<bool> numeric;
    bool operator==(const LayoutDecision&) const = default;
};

LayoutDecision decisionOf(const DataSet& ds) {
    LayoutDecision d;
    d.loaded = ds.Layout.ColumnCount > 0;
    d.columns = ds.Layout.ColumnCount - (ds.Layout.ExtraColumnFound ? 1 : 0);
    d.firstDataLine = ds.Layout.FirstDataLine;
    d.headerLines = ds.Layout.HeaderLineCount;
    for (int k = 1; k <= d.columns && k <= kColumnLimit; ++k) d.numeric.push_back(ds.Layout.ColumnIsNumeric[k]);
    return d;
}

LayoutDecision decisionNow(const DataSet& ds) {
    const FileLines& lines = ds.File.FileLines;
    const int count = lines.count();
    std::string text;
    auto add = [&](int from, int to) {
        for (int i = from; i <= to; ++i) text.append(lines.line(i)).push_back('\n');
    };
    if (count <= 2 * kLayoutLinesEachEnd) {
        add(1, count);
    } else {
        add(1, kLayoutLinesEachEnd);
        add(count - kLayoutLinesEachEnd + 1, count);
    }
    DataSet scratch;
    scratch.Layout.ListSeparator = ds.Layout.ListSeparator;
    scratch.Layout.Reading = ds.Layout.Reading;
    scratch.Settings.DecimalSeparator = ds.Settings.DecimalSeparator;
    scratch.File.FileLines.assign(std::move(text));
    scratch.File.LineCount = scratch.File.FileLines.count();
    LoadOutcome outcome;
    LayOutLines(scratch, outcome);
    return decisionOf(scratch);
}

// The trailer after the rows (robust sample line) would become rows once data follow it.
bool rowsFollowATrailer(const DataSet& ds) {
    if (!ds.Layout.Reading.robustSample) return false;
    const auto& skipped = ds.Table.Cells.skippedLines();
    const int rows = ds.Table.Cells.rowCount();
    if (skipped.empty() || rows == 0 || skipped.back() < ds.Table.Cells.rowId(rows)) return false;
    for (const auto id : skipped)
        if (id > ds.Table.Cells.rowId(rows) && !isCommentOrBlank(ds.File.FileLines.line(static_cast<int>(id)), ds.Layout.Reading))
            return true;
    return false;
}

// The text of field `column` of a line, split the way the table splits it.
class RowSplitter {
public:
    explicit RowSplitter(const DataSet& ds) : ds_(ds), options_(ds.Layout.Reading), delimiter_(ds.delimiter()) {}
    void split(std::string_view line) {
        line_ = line;
        if (options_.anyOn()) count_ = splitFields(line, delimiter_, options_, cells_, kMaxTableColumns + 1);
    }
    std::string_view field(int column) const {
        if (!options_.anyOn()) return fieldOfLine(line_, delimiter_, column);
        return column <= count_ && static_cast<std::size_t>(column) <= cells_.cells.size()
                   ? cells_.cells[static_cast<std::size_t>(column - 1)]
                   : std::string_view{};
    }

private:
    const DataSet& ds_;
    const ReadOptions& options_;
    const int delimiter_;
    std::string_view line_;
    LineCells cells_;
    int count_ = 0;
};

bool isBlankText(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// Whether the first bytes of the file are those the load read: the line text keeps every byte
// but the line ends' CRs, up to a byte 26.
bool startsAsLoaded(std::string_view fileHead, uint64_t loadedBytes, const FileLines& lines) {
    std::string head;
    for (const char c : fileHead.substr(0, std::min<uint64_t>(fileHead.size(), loadedBytes))) {
        if (c == '\x1a') break;
        if (c != '\r') head.push_back(c);
    }
    return lines.text().substr(0, head.size()) == head;
}

} // namespace

FollowWatch WatchLoadedFile(const DataSet& ds) {
    FollowWatch watch;
    watch.path = ds.File.CurrentFileName;
    const FileState state = stateOf(watch.path);
    if (!state.exists) {
        watch.vanished = true;
        return watch;
    }
    watch.device = state.device;
    watch.inode = state.inode;
    // The bytes the load took, not the size now: what a writer added since is still to be read.
    // A file that could not be read counts as seen up to its size, so that it is read again
    // only when it changes.
    const uint64_t loaded = ds.File.FileLines.bytesRead();
    watch.offset = loaded > 0 ? loaded : state.size;
    readBytes(watch.path, 0, std::min<uint64_t>(kHeadBytes, state.size), watch.head);
    watch.replacedSinceLoad = loaded > 0 && !startsAsLoaded(watch.head, loaded, ds.File.FileLines);
    std::string last;
    if (watch.offset > 0 && readBytes(watch.path, watch.offset - 1, 1, last)) watch.lastLineOpen = last != "\n";
    return watch;
}

GrowthResult FollowGrowth(DataSet& ds, FollowWatch& watch) {
    GrowthResult result;
    const FileState state = stateOf(watch.path);
    if (!state.exists) {
        watch.vanished = true;
        result.kind = Growth::Vanished;
        return result;
    }
    const bool cameBack = std::exchange(watch.vanished, false);
    std::string head;
    if (watch.replacedSinceLoad || state.device != watch.device || state.inode != watch.inode || state.size < watch.offset ||
        !readBytes(watch.path, 0, std::min<uint64_t>(kHeadBytes, state.size), head) ||
        head.compare(0, std::min(head.size(), watch.head.size()), watch.head) != 0 || ds.Layout.ColumnCount == 0) {
        result.kind = state.size == watch.offset && !cameBack && !watch.replacedSinceLoad && ds.Layout.ColumnCount == 0 ? Growth::Unchanged : Growth::Reload;
        return result;
    }
    if (head.size() > watch.head.size()) watch.head = head;
    if (state.size == watch.offset || ds.File.FileLines.ended()) return result;

    std::string added;
    if (!readBytes(watch.path, watch.offset, state.size - watch.offset, added)) return result;
    // Only complete lines are taken; the rest waits for its line break.
    const std::size_t lastBreak = added.rfind('\n');
    if (lastBreak == std::string::npos) return result;
    added.resize(lastBreak + 1);
    watch.offset += added.size();

    const int linesBefore = ds.File.LineCount;
    const int rowsBefore = ds.Layout.DataRowCount;
    const bool reopened = watch.lastLineOpen && linesBefore > 0;
    int reopenedRow = 0;
    if (reopened) {
        const int lastRow = ds.Table.Cells.rowCount();
        if (lastRow == 0 || ds.Table.Cells.rowId(lastRow) != static_cast<CellTable::RowId>(linesBefore)) {
            result.kind = Growth::Reload; // the open line was no row: its completion may change the header
            return result;
        }
        reopenedRow = lastRow;
        ds.File.FileLines.reopenLastLine();
    }
    watch.lastLineOpen = false;
    ds.File.FileLines.append(added);
    ds.File.LineCount = ds.File.FileLines.count();

    if (rowsFollowATrailer(ds) || !(decisionNow(ds) == decisionOf(ds))) {
        result.kind = Growth::Reload;
        return result;
    }

    // The new lines: rows, or comment, blank and trailer lines kept among them.
    const ReadOptions& options = ds.Layout.Reading;
    std::vector<CellTable::RowId> rows, skipped, breaks;
    for (int i = linesBefore + 1; i <= ds.File.LineCount; ++i) {
        const std::string_view line = ds.File.FileLines.line(i);
        const auto id = static_cast<CellTable::RowId>(i);
        if (isCommentOrBlank(line, options)) {
            skipped.push_back(id);
            if (isBlankText(line)) breaks.push_back(id);
        } else {
            rows.push_back(id);
        }
    }
    // Text past the last column in a file without an extra column: a load would add one.
    const int columns = ds.Layout.ColumnCount;
    RowSplitter splitter(ds);
    if (!ds.Layout.ExtraColumnFound)
        for (const auto id : rows) {
            splitter.split(ds.File.FileLines.line(static_cast<int>(id)));
            if (!splitter.field(columns + 1).empty()) {
                result.kind = Growth::Reload;
                return result;
            }
        }

    const ChangeScope scope(ds.Changes);
    const int added_rows = static_cast<int>(rows.size());
    const int rowsAfter = rowsBefore + added_rows;
    auto setNumbers = [&](int r, std::string_view line) {
        splitter.split(line);
        for (int k = 1; k <= columns && k <= kColumnLimit; ++k) {
            if (!ds.Layout.ColumnIsNumeric[k]) continue;
            auto& values = ds.Table.Values[k];
            if (values.size() <= static_cast<std::size_t>(r)) values.resize(static_cast<std::size_t>(rowsAfter) + 1, 0.0);
            const double v = ds.cellNumber(splitter.field(k));
            values[static_cast<std::size_t>(r)] = v;
            if (std::isnan(v)) ++ds.Table.MissingCount[k];
        }
    };
    if (reopenedRow > 0) {
        // The completed line replaces the open one: its numbers are read again and the
        // statistics of every column are found afresh, since the old number may have been the
        // least or the greatest.
        for (int k = 1; k <= columns && k <= kColumnLimit; ++k)
            if (std::isnan(ds.value(k, reopenedRow))) --ds.Table.MissingCount[k];
        setNumbers(reopenedRow, ds.File.FileLines.line(linesBefore));
        // A cell the user edited keeps the number of its own text.
        for (int k = 1; k <= columns && k <= kColumnLimit; ++k)
            if (ds.Layout.ColumnIsNumeric[k] && ds.Table.Cells.isEdited(k, reopenedRow))
                SetValue(ds, k, reopenedRow, ds.cellNumber(ds.Table.Cells.cell(k, reopenedRow)));
        ComputeColumnStatistics(ds);
        ds.Changes.cellsChanged(0, reopenedRow, reopenedRow);
        result.rowChanged = reopenedRow;
    }
    if (added_rows > 0) ds.Changes.aboutToInsertRows(rowsBefore + 1, rowsAfter);
    ds.Table.Cells.appendLines(rows, skipped, breaks);
    ds.Layout.DataRowCount = rowsAfter;
    if (ds.Table.RowIncluded.size() < static_cast<std::size_t>(rowsAfter) + 1)
        ds.Table.RowIncluded.resize(static_cast<std::size_t>(rowsAfter) + 1, 1);
    for (int r = rowsBefore + 1; r <= rowsAfter; ++r) {
        ds.Table.RowIncluded[static_cast<std::size_t>(r)] = 1;
        setNumbers(r, ds.File.FileLines.line(static_cast<int>(rows[static_cast<std::size_t>(r - rowsBefore - 1)])));
    }
    if (added_rows > 0) {
        // The statistics take the new rows in; a table that had no number yet is counted afresh.
        for (int k = 1; k <= columns && k <= kColumnLimit; ++k) {
            if (!ds.Layout.ColumnIsNumeric[k]) continue;
            if (rowsBefore == 0 || ds.Table.MissingCount[k] > 0 || reopenedRow > 0) {
                ComputeColumnStatistics(ds, k);
                continue;
            }
            double lo = ds.Table.ColumnMin[k], hi = ds.Table.ColumnMax[k];
            for (int r = rowsBefore + 1; r <= rowsAfter; ++r) {
                const double v = ds.value(k, r);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            ds.Table.ColumnMin[k] = lo;
            ds.Table.ColumnMax[k] = hi;
            const double absMax = std::max(std::fabs(lo), std::fabs(hi));
            ds.Table.ColumnAbsMax[k] = absMax == 0.0 ? 1.0 : absMax;
        }
        ds.Changes.rowsInserted(rowsBefore + 1, rowsAfter);
    }
    // A completed last line changes numbers too, and with them the statistics.
    if (added_rows > 0 || reopenedRow > 0) ds.Changes.statisticsChanged(0);
    result.kind = added_rows > 0 || reopenedRow > 0 ? Growth::Appended : Growth::Unchanged;
    result.rowsAdded = added_rows;
    return result;
}

} // namespace varnotile
