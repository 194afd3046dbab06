#include "loader.h"

#include "date_time_axis.h"
#include "layout_reading.h"
#include "reading_advice.h"

#include "number_text.h"
#include "parallel.h"
#include "statistics.h"
#include "table_blocks.h"
#include "text_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnotile {

void ResetData(DataSet& ds) {
    for (auto& column : ds.Table.Values) std::vector<double>().swap(column);
    ds.Layout.DataRowCount = 0;
    ds.Layout.ExtraColumnFound = false;
    ds.Layout.ColumnsBeyondLimit = false;
    ds.Edit.HeaderTextsChanged = false;
    ds.Journal.clear();
    ds.Edit.ModifyFromRow = 1;
    ds.Edit.ModifyToRow = 1;
    ds.Layout.ColumnIsNumeric[0] = true;
    ds.Layout.HeaderLineCount = 0;
    for (std::size_t i = 1; i < ds.Layout.ColumnNames.size(); ++i) {
        ds.Layout.ColumnIsNumeric[i] = false;
        ds.Layout.ColumnTime[i] = TimeKind::None;
        ds.Layout.ColumnPresent[i] = true;
        ds.Layout.ColumnNames[i].clear();
        ds.Layout.ColumnLabels[i].clear();
        ds.Layout.ColumnHeader3[i].clear();
    }
    for (std::size_t i = 1; i < ds.Layout.HeaderLines.size(); ++i) ds.Layout.HeaderLines[i].clear();
    ds.Table.Cells.clear();
    ds.Table.MissingCount.fill(0);
    ds.Table.InvalidTimeCount.fill(0);
    ds.Table.FirstInvalidTimeLine.fill(0);
    std::vector<double>().swap(ds.Table.DateTimeX);
    ds.Layout.DateTimeAxisColumn = 0;
    ds.Layout.LongPreamble.clear();
    ds.Layout.NamedLineAt = {};
    ds.Layout.NamedTextsRead = {};
    ds.Layout.NamesLineShape = DataLayout::NamesShape::PerColumn;
    ds.Layout.Proposal = {};
    ds.Layout.PoorReadingSigns.clear();
    ds.Layout.ProposalReadsBetter = false;
    ds.Layout.TableFromLine = ds.Layout.TableLastLine = ds.Layout.TableCount = 0;
    ds.Layout.ColumnCount = 0;
    ds.Layout.FirstDataLine = 0;
    std::vector<uint8_t>().swap(ds.Table.RowIncluded);
}

void PrepareLoad(DataSet& fresh, const DataSet& shown, const std::string& path) {
    fresh.File.CurrentFileName = path;
    fresh.File.CurrentFileExt = shown.File.CurrentFileExt;
    fresh.File.FileAgeStamp = shown.File.FileAgeStamp;
    fresh.File.FileIsUtf8 = shown.File.FileIsUtf8;
    fresh.Layout = shown.Layout;
    fresh.Table.ColumnMin = shown.Table.ColumnMin;
    fresh.Table.ColumnMax = shown.Table.ColumnMax;
    fresh.Table.ColumnAbsMax = shown.Table.ColumnAbsMax;
    fresh.Edit = shown.Edit;
    fresh.Settings = shown.Settings;
    fresh.DecimalSeparator = shown.DecimalSeparator;
}

namespace {

// Between steps that report nothing of their own, a report that changes nothing shown: a cancel
// is answered there too. Reading: the file's bytes read again; Filling: `done` rows of the table.
void stillWanted(const DataSet& ds, WorkStep step, const ProgressReport& progress, uint64_t done = 0) {
    if (!progress) return;
    if (step == WorkStep::Reading) {
        progress(step, ds.File.FileLines.bytesRead(), ds.File.FileLines.bytesRead());
        return;
    }
    const auto rows = static_cast<uint64_t>(std::max(0, ds.Layout.DataRowCount));
    progress(step, std::min(done, rows), rows);
}

// After a load: the X column chosen for the file before stays while the new file has that column
// as numbers; otherwise the curves are drawn over the row numbers again.
void keepXColumnWhereNumeric(DataSet& ds) {
    const int x = ds.View.XColumn;
    const bool numeric = x >= 1 && x <= ds.Layout.ColumnCount && x <= ds.curveCount() &&
                         static_cast<std::size_t>(x) < ds.Layout.ColumnIsNumeric.size() && ds.Layout.ColumnIsNumeric[x];
    if (!numeric) ds.View.XColumn = 0;
}

} // namespace

void AdoptLoad(DataSet& shown, DataSet& loaded) {
    using std::swap;
    swap(shown.File, loaded.File);
    swap(shown.Layout, loaded.Layout);
    swap(shown.Edit, loaded.Edit);
    // A load starts with nothing to undo.
    shown.Journal.clear();
    swap(shown.Table.Values, loaded.Table.Values);
    swap(shown.Table.RowIncluded, loaded.Table.RowIncluded);
    swap(shown.Table.ColumnMin, loaded.Table.ColumnMin);
    swap(shown.Table.ColumnMax, loaded.Table.ColumnMax);
    swap(shown.Table.ColumnAbsMax, loaded.Table.ColumnAbsMax);
    swap(shown.Table.MissingCount, loaded.Table.MissingCount);
    swap(shown.Table.InvalidTimeCount, loaded.Table.InvalidTimeCount);
    swap(shown.Table.FirstInvalidTimeLine, loaded.Table.FirstInvalidTimeLine);
    swap(shown.Table.DateTimeX, loaded.Table.DateTimeX);
    // Each table goes on reading the lines it was filled from, which now live in the other set.
    shown.Table.Cells.swap(loaded.Table.Cells);
    shown.Table.Cells.relink(&loaded.File.FileLines, &shown.File.FileLines);
    loaded.Table.Cells.relink(&shown.File.FileLines, &loaded.File.FileLines);
    // The view's per-column choices follow the columns the new reading takes.
    FitColumnSlots(shown);
    keepXColumnWhereNumeric(shown);
}

namespace {

// Asks the system for all pages of a large fresh block at once: writing it page by page
// otherwise costs one page fault every 4 KiB, more than the writing. The contents stay as they
// are; without the system's support nothing happens.
void makePagesPresent(void* block, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    constexpr std::size_t kWorthAsking = std::size_t{1} << 20;
    if (bytes < kWorthAsking) return;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(block) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(block) + bytes;
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)bytes;
#endif
}

} // namespace

int64_t fileAgeStamp(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtime);
}

void FillTable(DataSet& ds, const ProgressReport& progress) {
    ds.Layout.DataRowCount = ds.File.LineCount - ds.Layout.FirstDataLine + 1;
    if (ds.Layout.DataRowCount < 0) ds.Layout.DataRowCount = 0;
    const std::size_t slots = static_cast<std::size_t>(ds.File.LineCount) + 1;
    ds.Table.RowIncluded.assign(slots, 0);
    const int columns = ds.Layout.ColumnCount;
    const int limit = ds.columnLimit();
    std::vector<uint8_t> numeric(static_cast<std::size_t>(limit) + 2, 0);
    std::vector<std::size_t> numericColumns;
    for (int k = 1; k <= columns && k <= limit; ++k) {
        numeric[static_cast<std::size_t>(k)] = ds.Layout.ColumnIsNumeric[k];
        if (ds.Layout.ColumnIsNumeric[k]) numericColumns.push_back(static_cast<std::size_t>(k));
    }
    // A large table's columns are cleared and its lines read on every core at once, each part
    // of the rows by one thread (they write to rows of their own).
    constexpr std::size_t kRowsWorthSharing = 200000;
    const std::size_t rowCount = static_cast<std::size_t>(ds.Layout.DataRowCount);
    SharedProgress rowsFilled(progress, WorkStep::Filling, rowCount);
    auto clearColumn = [&](std::size_t i) {
        auto& column = ds.Table.Values[numericColumns[i]];
        // Room for as many rows again, should the file grow while shown: rows appended then
        // do not move the column (the room costs no memory until it is written).
        column.reserve(2 * slots);
        makePagesPresent(column.data(), slots * sizeof(double));
        column.assign(slots, 0.0);
        rowsFilled.add(0); // a large column takes a while: a cancel is answered between columns
    };
    if (rowCount >= kRowsWorthSharing)
        forEachInParallel(numericColumns.size(), clearColumn);
    else
        for (std::size_t i = 0; i < numericColumns.size(); ++i) clearColumn(i);
    const int delimiter = ds.delimiter();
    const char d = static_cast<char>(delimiter);
    // Where a field ends: the delimiter, or for a file without one the end of the line (no line
    // holds an LF).
    const char stop = delimiter >= 0 ? d : '\n';
    const char decimal = ds.decimal();
    std::vector<double*> values(static_cast<std::size_t>(limit) + 1, nullptr);
    for (const std::size_t k : numericColumns) values[k] = ds.Table.Values[k].data();
    // Parts of some ten thousand rows, taken by the cores as they come free, so that a core held
    // up by other work does not hold up the whole load.
    constexpr std::size_t kRowsPerPart = 16384;
    const std::size_t parts = rowCount < kRowsWorthSharing ? 1 : (rowCount + kRowsPerPart - 1) / kRowsPerPart;
    // The first line with text in field ColumnCount+1, per part (0: none).
    std::vector<int> extraFirstLines(parts, 0);
    // One walk per line: the numbers of the numeric columns and whether field ColumnCount+1 holds
    // text. The usual number is read where it stands; any other field is found first and converted.
    forEachInParallel(parts, [&](std::size_t part) {
        const int first = static_cast<int>(rowCount * part / parts) + 1;
        const int last = static_cast<int>(rowCount * (part + 1) / parts);
        int extraFirstLine = 0;
        for (int r = first; r <= last; ++r) {
            ds.Table.RowIncluded[static_cast<std::size_t>(r)] = 1;
            const std::string_view line = ds.File.FileLines.line(ds.Layout.FirstDataLine + r - 1);
            const char* const lineEnd = line.data() + line.size();
            const char* pos = line.data();
            for (int k = 1; k <= columns + 1; ++k) {
                const bool number = k <= columns && k <= limit && numeric[static_cast<std::size_t>(k)];
                const char* end = pos;
                double value = 0;
                if (number && readPlainNumber(end, lineEnd, stop, decimal, value)) {
                    values[static_cast<std::size_t>(k)][static_cast<std::size_t>(r)] = value;
                } else {
                    end = lineEnd;
                    if (delimiter >= 0)
                        if (const void* hit = std::memchr(pos, d, static_cast<std::size_t>(lineEnd - pos)))
                            end = static_cast<const char*>(hit);
                    const std::string_view field(pos, static_cast<std::size_t>(end - pos));
                    if (number)
                        values[static_cast<std::size_t>(k)][static_cast<std::size_t>(r)] = textToNumber(field, decimal);
                    else if (k > columns && !field.empty() && extraFirstLine == 0)
                        extraFirstLine = ds.Layout.FirstDataLine + r - 1;
                }
                if (end >= lineEnd) break;
                pos = end + 1;
            }
        }
        extraFirstLines[part] = extraFirstLine;
        rowsFilled.add(static_cast<uint64_t>(last - first + 1));
    });
    int extraFirstLine = 0;
    for (const int line : extraFirstLines)
        if (line != 0 && extraFirstLine == 0) extraFirstLine = line;
    if (extraFirstLine != 0) ds.Layout.ExtraColumnFound = true;
    ds.Table.Cells.assign(&ds.File.FileLines, ds.Layout.FirstDataLine, ds.Layout.DataRowCount, delimiter,
                          ds.Layout.ExtraColumnFound ? columns + 1 : columns,
                          ds.Layout.ExtraColumnFound ? columns + 1 : 0,
                          static_cast<CellTable::RowId>(extraFirstLine));
    if (ds.Layout.ExtraColumnFound) {
        ++ds.Layout.ColumnCount;
        ds.Layout.ColumnIsNumeric[ds.Layout.ColumnCount] = false;
    }
}

namespace {

// The header texts as read, so that the writer can tell which named header lines changed.
void rememberNamedTexts(DataSet& ds) {
    ds.Layout.NamedTextsRead = {ds.Layout.ColumnNames, ds.Layout.ColumnLabels, ds.Layout.ColumnHeader3};
}

// With a table chosen, the lines of that table are what is read; false (with the reason) when
// the file holds fewer tables.
bool chooseTable(DataSet& ds, LoadOutcome& outcome) {
    DataLayout& layout = ds.Layout;
    layout.TableFromLine = layout.TableLastLine = layout.TableCount = 0;
    const int table = layout.Reading.table;
    if (table == 0) return true;
    const std::vector<TableBlock> tables = FindTableBlocks(ds.File.FileLines, ds.delimiter(), layout.Reading, ds.decimal());
    layout.TableCount = static_cast<int>(tables.size());
    if (table > layout.TableCount && layout.TableIsGeneral) {
        // A table asked of every file: a file of one table is read whole, one of a few its first.
        layout.Reading.table = layout.TableCount >= 2 ? 1 : 0;
        if (layout.TableCount >= 2)
            outcome.messages.push_back("This file holds " + std::to_string(layout.TableCount) +
                                       " tables and no table " + std::to_string(table) + ": table 1 is shown.");
        return chooseTable(ds, outcome);
    }
    if (table > layout.TableCount) {
        outcome.status = LoadOutcome::Status::ReadError;
        outcome.error = NoSuchTableText(table, layout.TableCount);
        return false;
    }
    layout.TableFromLine = tables[static_cast<std::size_t>(table - 1)].fromLine;
    layout.TableLastLine = tables[static_cast<std::size_t>(table - 1)].lastLine;
    return true;
}

LoadOutcome LoadWithOptions(DataSet& ds, LoadOutcome outcome, const ProgressReport& progress) {
    DataLines lines;
    if (ds.File.LineCount > 4 && !chooseTable(ds, outcome)) {
        ds.Layout.ColumnCount = 0;
        return outcome;
    }
    if (ds.File.LineCount <= 4 || !FindLayoutWithOptions(ds, outcome.messages, lines)) {
        outcome.messages.emplace_back(kMsgTooFewData);
        outcome.status = LoadOutcome::Status::TooFewData;
        ds.Layout.ColumnCount = 0;
        return outcome;
    }
    ds.Layout.DataRowCount = static_cast<int>(lines.rows.size());
    stillWanted(ds, WorkStep::Filling, progress);
    FillTableWithOptions(ds, std::move(lines), progress);
    stillWanted(ds, WorkStep::Filling, progress, UINT64_MAX);
    ReportInvalidTimes(ds, outcome.messages);
    ds.Layout.DateTimeAxisColumn = FindDateTimeAxis(ds);
    RefreshDateTimeAxis(ds);
    rememberNamedTexts(ds);
    ds.Edit.ModifyToRow = ds.Layout.DataRowCount;
    ComputeColumnStatistics(ds);
    stillWanted(ds, WorkStep::Filling, progress, UINT64_MAX);
    ds.Layout.PoorReadingSigns = PoorReadingSigns(ds);
    return outcome;
}

} // namespace

LoadOutcome LoadDataFile(DataSet& ds, bool adoptProposal, const ProgressReport& progress) {
    LoadOutcome outcome;
    ResetData(ds);
    if (std::string error = ReadFileLines(ds, progress); !error.empty()) {
        outcome.status = LoadOutcome::Status::ReadError;
        outcome.error = std::move(error);
        ds.File.FileAgeStamp = fileAgeStamp(ds.File.CurrentFileName);
        return outcome;
    }
    ds.File.FileAgeStamp = fileAgeStamp(ds.File.CurrentFileName);
    stillWanted(ds, WorkStep::Reading, progress);
    ds.File.FileIsUtf8 = isValidUtf8(ds.File.FileLines.text());
    stillWanted(ds, WorkStep::Reading, progress);
    ds.Layout.Proposal = ProposeReading(ds.File.FileLines, ds.DecimalSeparator);
    stillWanted(ds, WorkStep::Reading, progress);
    ds.Layout.ProposalReadsBetter = ProposalReadsBetter(ds);
    stillWanted(ds, WorkStep::Reading, progress);
    // The proposal is taken only where it reads the file better than the caller's choice.
    if (adoptProposal && ds.Layout.ProposalReadsBetter) {
        const ReadingChoice choice = ProposedChoice(ds);
        const int askedTable = ds.Layout.Reading.table; // a table asked for picks among the proposal's
        ds.Layout.ListSeparator = choice.delimiter;
        const bool otherLineEnds = ds.Layout.Reading.crLineEnds != choice.options.crLineEnds;
        ds.Layout.Reading = choice.options;
        if (askedTable != 0) ds.Layout.Reading.table = askedTable;
        // Lines end elsewhere: the file is split again.
        if (otherLineEnds) {
            FileLines lines;
            lines.setCrEndsLines(ds.Layout.Reading.crLineEnds);
            if (std::string error = lines.read(ds.File.CurrentFileName, progress); error.empty()) {
                ds.File.FileLines = std::move(lines);
                ds.File.LineCount = ds.File.FileLines.count();
            }
        }
    }
    LayOutLines(ds, outcome, progress);
    keepXColumnWhereNumeric(ds);
    return outcome;
}

int JoinQuotedRecords(DataSet& ds, int from) {
    const ReadOptions& options = ds.Layout.Reading;
    if (!options.quotedTexts) return 0;
    const int delimiter = ds.delimiter();
    const int changed = ds.File.FileLines.joinRecords(from, [&](std::string_view text, bool inside) {
        if (!inside && isCommentOrBlank(text, options)) return false;
        return endsInsideQuotes(text, inside, delimiter, options);
    });
    ds.File.LineCount = ds.File.FileLines.count();
    return changed;
}

void LayOutLines(DataSet& ds, LoadOutcome& outcome, const ProgressReport& progress) {
    FitColumnSlots(ds);
    if (ds.Layout.Reading.anyOn()) {
        // The options read a byte-order mark as no part of the first line; the plain rules keep it.
        ds.File.FileLines.skipByteOrderMark();
        JoinQuotedRecords(ds);
        outcome = LoadWithOptions(ds, std::move(outcome), progress);
        return;
    }
    // Five or more lines that are all empty have no sample line: rejected like a short file.
    if (ds.File.LineCount <= 4 || !FindColumnCount(ds, outcome.messages)) {
        outcome.messages.emplace_back(kMsgTooFewData);
        outcome.status = LoadOutcome::Status::TooFewData;
        ds.Layout.ColumnCount = 0;
        return;
    }
    if (ds.Layout.ColumnCount == 1)
        FindSingleColumnHeader(ds);
    else
        FindHeaderLines(ds);
    ds.Layout.DataRowCount = std::max(0, ds.File.LineCount - ds.Layout.FirstDataLine + 1);
    stillWanted(ds, WorkStep::Filling, progress);
    FillTable(ds, progress);
    stillWanted(ds, WorkStep::Filling, progress, UINT64_MAX);
    rememberNamedTexts(ds);
    ds.Edit.ModifyToRow = ds.Layout.DataRowCount;
    ComputeColumnStatistics(ds);
    stillWanted(ds, WorkStep::Filling, progress, UINT64_MAX);
    ds.Layout.PoorReadingSigns = PoorReadingSigns(ds);
}

} // namespace varnotile
