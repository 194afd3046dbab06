#include "loader.h"

#include "layout_reading.h"
#include "reading_advice.h"

#include "number_text.h"
#include "parallel.h"
#include "statistics.h"
#include "text_codec.h"

#include <cstring>
#include <vector>
#include <sys/stat.h>

namespace varnotile {

void ResetData(DataSet& ds) {
    for (auto& column : ds.Table.Values) std::vector<double>().swap(column);
    ds.Layout.DataRowCount = 0;
    ds.Layout.ExtraColumnFound = false;
    ds.Edit.HeaderTextsChanged = false;
    ds.Journal.clear();
    ds.Edit.ModifyFromRow = 1;
    ds.Edit.ModifyToRow = 1;
    ds.Layout.ColumnIsNumeric[0] = true;
    ds.Layout.HeaderLineCount = 0;
    for (std::size_t i = 1; i <= 20; ++i) {
        ds.Layout.ColumnIsNumeric[i] = false;
        ds.Layout.ColumnPresent[i] = true;
        ds.Layout.ColumnNames[i].clear();
        ds.Layout.ColumnLabels[i].clear();
        ds.Layout.ColumnHeader3[i].clear();
        ds.Layout.HeaderLines[i].clear();
    }
    ds.Table.Cells.clear();
    ds.Table.MissingCount.fill(0);
    ds.Layout.LongPreamble.clear();
    ds.Layout.Proposal = {};
    ds.Layout.PoorReadingSigns.clear();
    ds.Layout.ColumnCount = 0;
    ds.Layout.FirstDataLine = 0;
    std::vector<uint8_t>().swap(ds.Table.RowIncluded);
}

int64_t fileAgeStamp(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtime);
}

void FillTable(DataSet& ds) {
    ds.Layout.DataRowCount = ds.File.LineCount - ds.Layout.FirstDataLine + 1;
    if (ds.Layout.DataRowCount < 0) ds.Layout.DataRowCount = 0;
    const std::size_t slots = static_cast<std::size_t>(ds.File.LineCount) + 1;
    ds.Table.RowIncluded.assign(slots, 0);
    const int columns = ds.Layout.ColumnCount;
    bool numeric[kColumnLimit + 2] = {};
    std::vector<std::size_t> numericColumns;
    for (int k = 1; k <= columns && k <= 10; ++k) {
        numeric[k] = ds.Layout.ColumnIsNumeric[k];
        if (numeric[k]) numericColumns.push_back(static_cast<std::size_t>(k));
    }
    // A large table's columns are cleared and its lines read on every core at once, each part
    // of the rows by one thread (they write to rows of their own).
    constexpr std::size_t kRowsWorthSharing = 200000;
    const std::size_t rowCount = static_cast<std::size_t>(ds.Layout.DataRowCount);
    auto clearColumn = [&](std::size_t i) { ds.Table.Values[numericColumns[i]].assign(slots, 0.0); };
    if (rowCount >= kRowsWorthSharing)
        forEachInParallel(numericColumns.size(), clearColumn);
    else
        for (std::size_t i = 0; i < numericColumns.size(); ++i) clearColumn(i);
    const int delimiter = ds.delimiter();
    const char d = static_cast<char>(delimiter);
    const char decimal = ds.decimal();
    const std::size_t parts = partsFor(rowCount, kRowsWorthSharing);
    // The first line with text in field ColumnCount+1, per part (0: none).
    std::vector<int> extraFirstLines(parts, 0);
    // One walk per line: the numbers of the numeric columns and whether field ColumnCount+1 holds text.
    forEachInParallel(parts, [&](std::size_t part) {
        const int first = static_cast<int>(rowCount * part / parts) + 1;
        const int last = static_cast<int>(rowCount * (part + 1) / parts);
        int extraFirstLine = 0;
        for (int r = first; r <= last; ++r) {
            ds.Table.RowIncluded[static_cast<std::size_t>(r)] = 1;
            const std::string_view line = ds.File.FileLines.line(ds.Layout.FirstDataLine + r - 1);
            std::size_t pos = 0;
            for (int k = 1; k <= columns + 1; ++k) {
                std::size_t end = line.size();
                if (delimiter >= 0) {
                    if (const void* hit = std::memchr(line.data() + pos, d, line.size() - pos))
                        end = static_cast<std::size_t>(static_cast<const char*>(hit) - line.data());
                }
                const std::string_view field = line.substr(pos, end - pos);
                if (k <= columns) {
                    if (k <= 10 && numeric[k])
                        ds.Table.Values[k][static_cast<std::size_t>(r)] = textToNumber(field, decimal);
                } else if (!field.empty() && extraFirstLine == 0) {
                    extraFirstLine = ds.Layout.FirstDataLine + r - 1;
                }
                if (end >= line.size()) break;
                pos = end + 1;
            }
        }
        extraFirstLines[part] = extraFirstLine;
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

LoadOutcome LoadWithOptions(DataSet& ds, LoadOutcome outcome) {
    DataLines lines;
    if (ds.File.LineCount <= 4 || !FindLayoutWithOptions(ds, outcome.messages, lines)) {
        outcome.messages.emplace_back(kMsgTooFewData);
        outcome.status = LoadOutcome::Status::TooFewData;
        ds.Layout.ColumnCount = 0;
        return outcome;
    }
    FillTableWithOptions(ds, std::move(lines));
    ds.Edit.ModifyToRow = ds.Layout.DataRowCount;
    ComputeColumnStatistics(ds);
    ds.Layout.PoorReadingSigns = PoorReadingSigns(ds);
    return outcome;
}

} // namespace

LoadOutcome LoadDataFile(DataSet& ds, bool adoptProposal) {
    LoadOutcome outcome;
    ResetData(ds);
    if (std::string error = ReadFileLines(ds); !error.empty()) {
        outcome.status = LoadOutcome::Status::ReadError;
        outcome.error = std::move(error);
        ds.File.FileAgeStamp = fileAgeStamp(ds.File.CurrentFileName);
        return outcome;
    }
    ds.File.FileAgeStamp = fileAgeStamp(ds.File.CurrentFileName);
    ds.File.FileIsUtf8 = isValidUtf8(ds.File.FileLines.text());
    ds.Layout.Proposal = ProposeReading(ds.File.FileLines, ds.Settings.DecimalSeparator);
    if (adoptProposal) {
        const ReadingChoice choice = ProposedChoice(ds);
        ds.Layout.ListSeparator = choice.delimiter;
        ds.Layout.Reading = choice.options;
    }
    if (ds.Layout.Reading.anyOn()) {
        // The options read a byte-order mark as no part of the first line; the plain rules keep it.
        ds.File.FileLines.skipByteOrderMark();
        return LoadWithOptions(ds, std::move(outcome));
    }
    // Five or more lines that are all empty have no sample line: rejected like a short file.
    if (ds.File.LineCount <= 4 || !FindColumnCount(ds, outcome.messages)) {
        outcome.messages.emplace_back(kMsgTooFewData);
        outcome.status = LoadOutcome::Status::TooFewData;
        ds.Layout.ColumnCount = 0;
        return outcome;
    }
    if (ds.Layout.ColumnCount == 1)
        FindSingleColumnHeader(ds);
    else
        FindHeaderLines(ds);
    FillTable(ds);
    ds.Edit.ModifyToRow = ds.Layout.DataRowCount;
    ComputeColumnStatistics(ds);
    ds.Layout.PoorReadingSigns = PoorReadingSigns(ds);
    return outcome;
}

} // namespace varnotile
