#include "follow.h"

#include "cell_editing.h"
#include "cell_table.h"
#include "layout.h"
#include "layout_reading.h"
#include "loader.h"
#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace varnotile {
namespace {

// The first bytes of the file: a file rewritten from the start differs in them.
constexpr std::size_t kHeadBytes = 256;
// The header rules look at no line past the first 200 (comment lines on; 23 with the plain
// rules): once the table's last row lies past this line, rows appended leave the header as it is.
constexpr int kHeadReach = 250;

struct FileState {
    bool exists = false;
    uint64_t size = 0, device = 0, inode = 0;
    int64_t modified = 0; // seconds since the epoch
};

FileState stateOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    return {true, static_cast<uint64_t>(st.st_size), static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<int64_t>(st.st_mtime)};
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

// The layout decision a load makes, as far as it decides which lines are rows and how they read.
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
    for (int k = 1; k <= d.columns && k <= ds.columnLimit(); ++k) d.numeric.push_back(ds.Layout.ColumnIsNumeric[k]);
    return d;
}

// Runs layout rules over the data set's own lines with an empty layout standing in for
// ds.Layout (no line is copied); ds.Layout is back as it was afterwards.
template <typename Rules>
void withScratchLayout(DataSet& ds, const Rules& rules) {
    DataLayout aside; // the scratch layout first, then ds.Layout while the rules run
    aside.ListSeparator = ds.Layout.ListSeparator;
    aside.Reading = ds.Layout.Reading;
    FitLayoutSlots(aside);
    std::swap(ds.Layout, aside);
    struct Restore {
        DataSet& ds;
        DataLayout& aside;
        ~Restore() { std::swap(ds.Layout, aside); }
    } restore{ds, aside};
    Messages messages;
    rules(messages);
}

// What the sample line gives for the file's lines as they stand; `lastRow` as the rules find it.
SampleShape sampleShapeNow(DataSet& ds, int& lastRow) {
    SampleShape shape;
    lastRow = 0;
    if (ds.File.LineCount <= 4) return shape;
    withScratchLayout(ds, [&](Messages& messages) {
        if (ds.Layout.Reading.anyOn()) {
            shape.found = FindSampleWithOptions(ds, messages, lastRow) > 0;
        } else {
            shape.found = FindColumnCount(ds, messages);
            for (int j = 1; j <= ds.columnLimit() + 1; ++j) shape.emptyFields.push_back(ds.Layout.Fields[j].empty());
        }
        shape.columns = ds.Layout.ColumnCount;
        for (int k = 1; k <= shape.columns && k <= ds.columnLimit(); ++k) shape.numeric.push_back(ds.Layout.ColumnIsNumeric[k]);
    });
    return shape;
}

// The whole layout decision for the file's lines as they stand (for a file still short enough
// that its header may be among the lines added).
LayoutDecision decisionNow(DataSet& ds) {
    LayoutDecision d;
    if (ds.File.LineCount <= 4) return d;
    withScratchLayout(ds, [&](Messages& messages) {
        if (ds.Layout.Reading.anyOn()) {
            DataLines lines;
            if (!FindLayoutWithOptions(ds, messages, lines)) return;
        } else {
            if (!FindColumnCount(ds, messages)) return;
            if (ds.Layout.ColumnCount == 1)
                FindSingleColumnHeader(ds);
            else
                FindHeaderLines(ds);
        }
        d = decisionOf(ds);
    });
    return d;
}

// The trailer after the rows (robust sample line) would become rows once data follow it.
bool rowsFollowATrailer(const DataSet& ds) {
    if (!ds.Layout.Reading.robustSample) return false;
    const auto& skipped = ds.Table.Cells.skippedLines();
    const int rows = ds.Table.Cells.rowCount();
    if (rows == 0) return false;
    const CellTable::RowId lastRow = ds.Table.Cells.rowId(rows);
    // Only the lines after the last row are looked at, from the end.
    for (auto it = skipped.rbegin(); it != skipped.rend() && *it > lastRow; ++it)
        if (!isCommentOrBlank(ds.File.FileLines.line(static_cast<int>(*it)), ds.Layout.Reading)) return true;
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
// but the line ends' CRs (a CR alone is a line end where CRs end lines), up to a byte 26.
bool startsAsLoaded(std::string_view fileHead, uint64_t loadedBytes, const FileLines& lines) {
    std::string head;
    const std::string_view read = fileHead.substr(0, std::min<uint64_t>(fileHead.size(), loadedBytes));
    for (std::size_t k = 0; k < read.size(); ++k) {
        const char c = read[k];
        if (c == '\x1a') break;
        if (c != '\r')
            head.push_back(c);
        else if (lines.crEndsLines() && k + 1 < read.size() && read[k + 1] != '\n')
            head.push_back('\n');
    }
    return lines.text().substr(0, head.size()) == head;
}

// Whether a quoted text open at the end of the lines before `from` closes in a line from there.
bool quoteClosesFrom(const DataSet& ds, int from) {
    for (int i = from; i <= ds.File.FileLines.count(); ++i)
        if (!endsInsideQuotes(ds.File.FileLines.line(i), true, ds.delimiter(), ds.Layout.Reading)) return true;
    return false;
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
    watch.compressed = ds.File.FileLines.compression() != Compression::None || compressionOfName(watch.path) != Compression::None;
    // The bytes the load took, not the size now: what a writer added since is still to be read
    // (a file truncated to nothing when it was loaded included). A file that cannot be read
    // counts as seen up to its size, so that it is read again only when it changes.
    const uint64_t loaded = ds.File.FileLines.bytesRead();
    const bool readable = readBytes(watch.path, 0, std::min<uint64_t>(kHeadBytes, state.size), watch.head);
    watch.offset = loaded > 0 || readable ? loaded : state.size;
    watch.replacedSinceLoad = loaded > 0 && !startsAsLoaded(watch.head, loaded, ds.File.FileLines);
    std::string last;
    if (watch.offset > 0 && readBytes(watch.path, watch.offset - 1, 1, last))
        watch.lastLineOpen = last != "\n" && !(ds.Layout.Reading.crLineEnds && last == "\r");
    return watch;
}

GrowthResult FollowGrowth(DataSet& ds, FollowWatch& watch) {
    GrowthResult result;
    if (watch.compressed) return result;
    const FileState state = stateOf(watch.path);
    if (!state.exists) {
        watch.vanished = true;
        result.kind = Growth::Vanished;
        return result;
    }
    const bool cameBack = std::exchange(watch.vanished, false);
    // Another file under the name, or this one rewritten from the start: read afresh.
    const bool anotherFile = watch.replacedSinceLoad || cameBack || state.device != watch.device || state.inode != watch.inode;
    std::string head;
    const bool headRead = !anotherFile && readBytes(watch.path, 0, std::min<uint64_t>(kHeadBytes, state.size), head);
    const bool rewritten =
        !anotherFile && (state.size < watch.offset || (headRead && head.compare(0, std::min(head.size(), watch.head.size()), watch.head) != 0));
    if (anotherFile || rewritten || !headRead || ds.Layout.ColumnCount == 0) {
        // A file that gave no table is read again whenever it changed at all.
        const bool asItStood = !anotherFile && !rewritten && state.size == watch.offset;
        result.kind = asItStood && ds.Layout.ColumnCount == 0 ? Growth::Unchanged : Growth::Reload;
        result.replaced = anotherFile || rewritten;
        return result;
    }
    if (head.size() > watch.head.size()) watch.head = head;
    if (state.size == watch.offset || ds.File.FileLines.ended()) return result;
    // With a table chosen, added lines may end it or begin another: the tables are found afresh.
    if (ds.Layout.Reading.table != 0) {
        result.kind = Growth::Reload;
        return result;
    }

    std::string added;
    if (!readBytes(watch.path, watch.offset, state.size - watch.offset, added)) return result;
    // Only complete lines are taken; the rest waits for its line break (a CR alone too, where it ends lines).
    const std::size_t lastBreak = ds.Layout.Reading.crLineEnds ? added.find_last_of("\r\n") : added.rfind('\n');
    if (lastBreak == std::string::npos) return result;
    added.resize(lastBreak + 1);
    watch.offset += added.size();

    const int linesBefore = ds.File.LineCount;
    const int rowsBefore = ds.Layout.DataRowCount;
    // The sample's part of the layout as the load found it, taken once from the lines it read.
    if (!watch.sampleTaken) {
        int lastRow = 0;
        watch.sample = sampleShapeNow(ds, lastRow);
        watch.sampleTaken = true;
    }
    const bool reopened = watch.lastLineOpen && linesBefore > 0;
    int reopenedRow = 0;
    if (reopened) {
        const int lastRow = ds.Table.Cells.rowCount();
        if (lastRow == 0 || ds.Table.Cells.rowId(lastRow) != static_cast<CellTable::RowId>(linesBefore)) {
            result.kind = Growth::Reload; // the open line was no row: its completion may change the header
            return result;
        }
        // A quoted text left open further up would take the completed line into its record.
        if (ds.File.FileLines.openRecord() != 0 && ds.File.FileLines.openRecord() != linesBefore) {
            result.kind = Growth::Reload;
            return result;
        }
        reopenedRow = lastRow;
        ds.File.FileLines.reopenLastLine();
    }
    watch.lastLineOpen = false;
    ds.File.FileLines.append(added);
    ds.File.LineCount = ds.File.FileLines.count();
    // With quoted texts the new lines join into records. A quoted text left open at the end
    // may close among them: opened in the last row, that row completes like an open line;
    // opened further up, lines read as lines of their own become a part of its record, which
    // only a load lays out (the lines read so far stay as they are until then).
    if (ds.Layout.Reading.quotedTexts) {
        const int open = ds.File.FileLines.openRecord();
        const int lastRow = ds.Table.Cells.rowCount();
        const bool openInLastRow =
            open == linesBefore && lastRow > 0 && ds.Table.Cells.rowId(lastRow) == static_cast<CellTable::RowId>(open);
        if (open != 0 && !openInLastRow && quoteClosesFrom(ds, linesBefore + 1)) {
            result.kind = Growth::Reload;
            return result;
        }
        if (JoinQuotedRecords(ds, reopened ? linesBefore : linesBefore + 1) != 0) reopenedRow = lastRow;
    }
    // The completed line's cells are split again, not taken from what its open part gave.
    if (reopenedRow > 0) ds.Table.Cells.lineChanged(static_cast<CellTable::RowId>(linesBefore));

    // A load would lay the file out otherwise: the sample line reads differently now, or the
    // header may lie among the new lines (a short file), or the new lines follow a trailer.
    int sampleLastRow = 0;
    const SampleShape shape = sampleShapeNow(ds, sampleLastRow);
    const bool headSettled = rowsBefore > 0 && ds.Table.Cells.rowId(rowsBefore) >= static_cast<CellTable::RowId>(kHeadReach);
    if (!shape.found || !(shape == watch.sample) || rowsFollowATrailer(ds) ||
        (!headSettled && !(decisionNow(ds) == decisionOf(ds)))) {
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
    // With the robust sample line, new lines after the last one with the table's field count
    // are a trailer to a load, not rows.
    if (options.robustSample && !rows.empty() && rows.back() != static_cast<CellTable::RowId>(sampleLastRow)) {
        result.kind = Growth::Reload;
        return result;
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
    // Which columns' least and greatest numbers stay right with the new numbers taken in: those
    // that held a number (an empty or all-missing column reads 0..0) and, with a completed last
    // line, whose old number was neither of them. The others are counted afresh.
    std::vector<uint8_t> extend(static_cast<std::size_t>(ds.columnLimit()) + 1, 0);
    for (int k = 1; k <= columns && k <= ds.columnLimit(); ++k) {
        if (!ds.Layout.ColumnIsNumeric[k] || rowsBefore == 0) continue;
        const double lo = ds.Table.ColumnMin[k], hi = ds.Table.ColumnMax[k];
        bool holdsANumber = lo != 0.0 || hi != 0.0;
        for (int r = rowsBefore; r >= 1 && !holdsANumber; --r) holdsANumber = !std::isnan(ds.value(k, r));
        extend[static_cast<std::size_t>(k)] = holdsANumber;
        if (reopenedRow > 0) {
            const double old = ds.value(k, reopenedRow);
            extend[static_cast<std::size_t>(k)] = extend[static_cast<std::size_t>(k)] && (std::isnan(old) || (old > lo && old < hi));
        }
    }
    auto setNumbers = [&](int r, std::string_view line) {
        splitter.split(line);
        for (int k = 1; k <= columns && k <= ds.columnLimit(); ++k) {
            if (!ds.Layout.ColumnIsNumeric[k]) continue;
            auto& values = ds.Table.Values[k];
            if (values.size() <= static_cast<std::size_t>(r)) values.resize(static_cast<std::size_t>(rowsAfter) + 1, 0.0);
            const double v = ds.cellNumber(k, splitter.field(k));
            values[static_cast<std::size_t>(r)] = v;
            if (std::isnan(v)) ++ds.Table.MissingCount[k];
        }
    };
    if (reopenedRow > 0) {
        // The completed line replaces the open one: its numbers are read again.
        for (int k = 1; k <= columns && k <= ds.columnLimit(); ++k)
            if (ds.Layout.ColumnIsNumeric[k] && std::isnan(ds.value(k, reopenedRow))) --ds.Table.MissingCount[k];
        setNumbers(reopenedRow, ds.File.FileLines.line(linesBefore));
        // A cell the user edited keeps the number of its own text; then the statistics are found
        // afresh, since the number the line gave may have been the least or the greatest.
        bool editedCell = false;
        for (int k = 1; k <= columns && k <= ds.columnLimit(); ++k)
            if (ds.Layout.ColumnIsNumeric[k] && ds.Table.Cells.isEdited(k, reopenedRow)) {
                SetValue(ds, k, reopenedRow, ds.cellNumber(k, ds.Table.Cells.cell(k, reopenedRow)));
                editedCell = true;
            }
        if (editedCell) ComputeColumnStatistics(ds);
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
    if (added_rows > 0 || reopenedRow > 0) {
        // The statistics take the new numbers in (a missing one changes neither end).
        const int from = reopenedRow > 0 ? reopenedRow : rowsBefore + 1;
        for (int k = 1; k <= columns && k <= ds.columnLimit(); ++k) {
            if (!ds.Layout.ColumnIsNumeric[k]) continue;
            if (!extend[static_cast<std::size_t>(k)]) {
                ComputeColumnStatistics(ds, k);
                continue;
            }
            double lo = ds.Table.ColumnMin[k], hi = ds.Table.ColumnMax[k];
            for (int r = from; r <= rowsAfter; ++r) {
                const double v = ds.value(k, r);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            ds.Table.ColumnMin[k] = lo;
            ds.Table.ColumnMax[k] = hi;
            const double absMax = std::max(std::fabs(lo), std::fabs(hi));
            ds.Table.ColumnAbsMax[k] = absMax == 0.0 ? 1.0 : absMax;
        }
        if (added_rows > 0) ds.Changes.rowsInserted(rowsBefore + 1, rowsAfter);
        ds.Changes.statisticsChanged(0);
        // The table holds the file as it stood at this look.
        ds.File.FileAgeStamp = state.modified;
    }
    result.kind = added_rows > 0 || reopenedRow > 0 ? Growth::Appended : Growth::Unchanged;
    result.rowsAdded = added_rows;
    return result;
}

bool FileOpenForWriting(const std::string& path) {
    struct stat target {};
    if (path.empty() || ::stat(path.c_str(), &target) != 0) return false;
    namespace fs = std::filesystem;
    std::error_code error;
    const auto options = fs::directory_options::skip_permission_denied;
    for (fs::directory_iterator process("/proc", options, error), end; !error && process != end; process.increment(error)) {
        const std::string pid = process->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(process->path() / "fd", options, fdError); !fdError && fd != end; fd.increment(fdError)) {
            struct stat st {};
            if (::stat(fd->path().c_str(), &st) != 0 || st.st_dev != target.st_dev || st.st_ino != target.st_ino) continue;
            // "flags:" in fdinfo is the open mode in octal.
            std::ifstream info(process->path() / "fdinfo" / fd->path().filename());
            std::string key;
            unsigned long flags = 0;
            while (info >> key)
                if (key == "flags:" && info >> std::oct >> flags) break;
            if ((flags & O_ACCMODE) != O_RDONLY) return true;
        }
    }
    return false;
}

} // namespace varnotile
