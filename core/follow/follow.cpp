#include "follow.h"

#include "cell_editing.h"
#include "cell_table.h"
#include "layout.h"
#include "layout_reading.h"
#include "loader.h"
#include "number_text.h"
#include "open_files.h"
#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnotile {
namespace {

// The first bytes of the file: a file rewritten from the start differs in them.
constexpr std::size_t kHeadBytes = 256;
// The bytes just before the end read: a file written anew with the same first bytes (a fixed
// comment header) differs in them once it is as long again.
constexpr std::size_t kTailBytes = 256;
// What one look reads at most: a large growth comes in over several looks, each short.
constexpr uint64_t kPieceBytes = 16u << 20;
// The header rules look at no line past the first 200 (comment lines on; 23 with the plain
// rules): once the table's last row lies past this line, rows appended leave the header as it is.
constexpr int kHeadReach = 250;

int64_t secondsOf(const DiskStamp& state) { return state.modifiedNs / 1000000000; }

// More than half the computer's memory cannot be a growth to read: a file extended by a hole
// (truncate -s) or something other than a logger wrote it.
bool beyondMemory(uint64_t bytes) {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return false;
    return bytes > static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 2;
}

// "16 MB", "200 GB": a size in the unit that keeps the number short.
std::string megabytes(uint64_t bytes) {
    const uint64_t mb = (bytes + (1u << 20) - 1) >> 20;
    return mb >= 10240 ? std::to_string((mb + 512) >> 10) + " GB" : std::to_string(mb) + " MB";
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

// Whether the bytes before the end the load read are those it read (see startsAsLoaded); a
// byte 26 among them leaves nothing to compare.
bool endsAsLoaded(std::string_view fileTail, const FileLines& lines) {
    if (fileTail.find('\x1a') != std::string_view::npos) return true;
    std::string tail;
    for (std::size_t k = 0; k < fileTail.size(); ++k) {
        const char c = fileTail[k];
        if (c != '\r')
            tail.push_back(c);
        else if (lines.crEndsLines() && k + 1 < fileTail.size() && fileTail[k + 1] != '\n')
            tail.push_back('\n');
    }
    std::string_view text = lines.text();
    // The split gives a last line without a break one.
    if (!tail.empty() && tail.back() != '\n' && !text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The last kTailBytes of the bytes before `offset`, the bytes just read (`added`) included.
void keepTail(FollowWatch& watch, std::string_view added) {
    if (added.size() >= kTailBytes) {
        watch.tail.assign(added.substr(added.size() - kTailBytes));
        return;
    }
    watch.tail.append(added);
    if (watch.tail.size() > kTailBytes) watch.tail.erase(0, watch.tail.size() - kTailBytes);
}

// Whether a quoted text open at the end of the lines before `from` closes in a line from there.
bool quoteClosesFrom(const DataSet& ds, int from) {
    for (int i = from; i <= ds.File.FileLines.count(); ++i)
        if (!endsInsideQuotes(ds.File.FileLines.line(i), true, ds.delimiter(), ds.Layout.Reading)) return true;
    return false;
}

// How many bytes of `added` (complete lines) end outside a quoted text: a record still open
// at the end waits for the rest of it, unless it is long already (a stray quote), when its
// lines are taken as a load takes them.
std::size_t completeRecords(const DataSet& ds, std::string_view added, bool lastLineOpen) {
    constexpr std::size_t kLongRecord = 1 << 16;
    const FileLines& lines = ds.File.FileLines;
    bool inside = lines.openRecord() != 0;
    // The first new bytes may go on with the open last line: its quotes count from its start.
    std::string_view continued;
    if (lastLineOpen && lines.count() > 0) {
        inside = lines.openRecord() != 0 && lines.openRecord() != lines.count();
        continued = lines.line(lines.count());
    }
    std::size_t complete = 0, recordStart = 0;
    for (std::size_t at = 0; at < added.size();) {
        const std::size_t end = added.find('\n', at);
        std::string line(at == 0 ? continued : std::string_view{});
        line.append(added.substr(at, end - at));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!inside) recordStart = at;
        inside = endsInsideQuotes(line, inside, ds.delimiter(), ds.Layout.Reading);
        at = end + 1;
        if (!inside) complete = at;
    }
    return inside && added.size() - recordStart > kLongRecord ? added.size() : complete;
}

// Whether lines from `from` on read as rows of the chosen table: no blank line or comment among
// them, and a number, a time or a gap (or nothing) in every numeric column.
bool continuesTable(const DataSet& ds, int from) {
    RowSplitter splitter(ds);
    for (int i = from; i <= ds.File.LineCount; ++i) {
        const std::string_view line = ds.File.FileLines.line(i);
        if (isBlankText(line) || isCommentOrBlank(line, ds.Layout.Reading)) return false;
        splitter.split(line);
        for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.columnLimit(); ++k) {
            const std::string_view field = splitter.field(k);
            if (!ds.Layout.ColumnIsNumeric[k] || field.empty()) continue;
            const bool time = static_cast<std::size_t>(k) < ds.Layout.ColumnTime.size() && ds.Layout.ColumnTime[k] != TimeKind::None;
            const bool gap = std::isnan(ds.cellNumber(k, field));
            if (time ? gap : !gap && !IsNumericText(field, ds.decimal())) return false;
        }
    }
    return true;
}

} // namespace

FollowWatch WatchLoadedFile(const DataSet& ds) {
    FollowWatch watch;
    watch.path = ds.File.CurrentFileName;
    const DiskStamp state = DiskStampOf(watch.path);
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
    const uint64_t tailFrom = watch.offset - std::min<uint64_t>(watch.offset, kTailBytes);
    if (!readBytes(watch.path, tailFrom, watch.offset - tailFrom, watch.tail) || watch.tail.size() != watch.offset - tailFrom)
        watch.tail.clear(); // shorter than read: the next look reads it afresh
    watch.replacedSinceLoad = loaded > 0 && (!startsAsLoaded(watch.head, loaded, ds.File.FileLines) ||
                                             (!watch.compressed && !endsAsLoaded(watch.tail, ds.File.FileLines)));
    watch.lastLineOpen = !watch.tail.empty() && watch.tail.back() != '\n' &&
                         !(ds.Layout.Reading.crLineEnds && watch.tail.back() == '\r');
    watch.asRead = state;
    watch.asRead.size = watch.offset;
    return watch;
}

bool WorthReadingAhead(const FollowWatch& watch) {
    constexpr uint64_t kReadAheadFrom = 1u << 20;
    const DiskStamp state = DiskStampOf(watch.path);
    if (watch.compressed || !state.exists || state.device != watch.device || state.inode != watch.inode) return false;
    return state.size > watch.offset + kReadAheadFrom && !beyondMemory(state.size - watch.offset);
}

ReadAhead ReadPieceAhead(const std::string& path, uint64_t offset) {
    ReadAhead ahead{path, offset, {}};
    if (!readBytes(path, offset, kPieceBytes, ahead.bytes)) ahead.bytes.clear();
    return ahead;
}

GrowthResult FollowGrowth(DataSet& ds, FollowWatch& watch, ReadAhead* ahead) {
    GrowthResult result;
    if (watch.compressed) return result;
    const DiskStamp state = DiskStampOf(watch.path);
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
    // Written anew: shorter than what was read, other first bytes, or other bytes just before
    // the end read (a logger that starts its file again with the same header).
    std::string tail;
    const bool rewritten =
        !anotherFile && (state.size < watch.offset || (headRead && head.compare(0, std::min(head.size(), watch.head.size()), watch.head) != 0) ||
                         (readBytes(watch.path, watch.offset - watch.tail.size(), watch.tail.size(), tail) && tail != watch.tail));
    if (anotherFile || rewritten || !headRead || ds.Layout.ColumnCount == 0) {
        // A file that gave no table is read again whenever it changed at all.
        const bool asItStood = !anotherFile && !rewritten && state.size == watch.offset;
        result.kind = asItStood && ds.Layout.ColumnCount == 0 ? Growth::Unchanged : Growth::Reload;
        result.replaced = anotherFile || rewritten;
        return result;
    }
    if (head.size() > watch.head.size()) watch.head = head;
    if (state.size == watch.offset || ds.File.FileLines.ended()) return result;

    // A growth no logger writes is not read: reading it would take the computer's memory.
    const uint64_t growth = state.size - watch.offset;
    if (beyondMemory(growth)) {
        result.kind = Growth::Reload;
        result.tooLarge = "it grew by " + megabytes(growth) + " at once, more than this computer can hold";
        return result;
    }
    std::string added;
    if (ahead && ahead->path == watch.path && ahead->offset == watch.offset && !ahead->bytes.empty() && ahead->bytes.size() <= growth)
        added = std::move(ahead->bytes);
    else if (!readBytes(watch.path, watch.offset, std::min(growth, kPieceBytes), added))
        return result;
    // Only complete lines are taken; the rest waits for its line break (a CR alone too, where it ends lines).
    const std::size_t lastBreak = ds.Layout.Reading.crLineEnds ? added.find_last_of("\r\n") : added.rfind('\n');
    if (lastBreak == std::string::npos) {
        if (growth > kPieceBytes) {
            result.kind = Growth::Reload;
            result.tooLarge = "it grew by a line longer than " + megabytes(kPieceBytes) + ", which is no data a logger writes";
        }
        return result;
    }
    added.resize(lastBreak + 1);
    // With quoted texts a record whose line break is among the new bytes waits for its end too.
    if (ds.Layout.Reading.quotedTexts) added.resize(completeRecords(ds, added, watch.lastLineOpen));
    if (added.empty()) return result;
    const bool more = growth > kPieceBytes;
    watch.offset += added.size();
    keepTail(watch, added);
    watch.asRead = state;
    watch.asRead.size = watch.offset;
    result.more = more;

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

    // With a table chosen, lines after its end belong to no row of it; lines that go on with it
    // become its rows, while anything else (a break, a names line) may begin another table.
    if (ds.Layout.Reading.table != 0 && ds.Layout.TableLastLine > 0) {
        // Another table after it: what comes after that one leaves the chosen one as it is.
        if (ds.Layout.TableLastLine < linesBefore && ds.Layout.TableCount > ds.Layout.Reading.table) return result;
        if (ds.Layout.TableLastLine != linesBefore || !continuesTable(ds, linesBefore + (reopened ? 0 : 1))) {
            result.kind = Growth::Reload;
            return result;
        }
        ds.Layout.TableLastLine = ds.File.LineCount;
    }

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
        ds.File.FileAgeStamp = secondsOf(state);
    }
    result.kind = added_rows > 0 || reopenedRow > 0 ? Growth::Appended : Growth::Unchanged;
    result.rowsAdded = added_rows;
    return result;
}

bool FileOpenForWriting(const std::string& path) { return FileHeldOpen(path, true); }

} // namespace varnotile
