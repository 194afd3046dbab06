#include "loader.h"

#include "number_text.h"
#include "statistics.h"
#include "text_codec.h"

#include <cstring>
#include <sys/stat.h>

namespace varnotile {

void ResetData(DataSet& ds) {
    for (auto& column : ds.Values) std::vector<double>().swap(column);
    ds.DataRowCount = 0;
    ds.ExtraColumnFound = false;
    ds.HeaderTextsChanged = false;
    ds.Journal.clear();
    ds.ModifyFromRow = 1;
    ds.ModifyToRow = 1;
    ds.ColumnIsNumeric[0] = true;
    ds.HeaderLineCount = 0;
    for (std::size_t i = 1; i <= 20; ++i) {
        ds.ColumnIsNumeric[i] = false;
        ds.ColumnPresent[i] = true;
        ds.ColumnNames[i].clear();
        ds.ColumnLabels[i].clear();
        ds.ColumnHeader3[i].clear();
        ds.HeaderLines[i].clear();
    }
    ds.Cells.clear();
    ds.ColumnCount = 0;
    ds.FirstDataLine = 0;
    std::vector<uint8_t>().swap(ds.RowIncluded);
}

int64_t fileAgeStamp(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtime);
}

void FillTable(DataSet& ds) {
    ds.DataRowCount = ds.LineCount - ds.FirstDataLine + 1;
    if (ds.DataRowCount < 0) ds.DataRowCount = 0;
    const std::size_t slots = static_cast<std::size_t>(ds.LineCount) + 1;
    ds.RowIncluded.assign(slots, 0);
    const int columns = ds.ColumnCount;
    bool numeric[kColumnLimit + 2] = {};
    for (int k = 1; k <= columns && k <= 10; ++k) {
        numeric[k] = ds.ColumnIsNumeric[static_cast<std::size_t>(k)];
        if (numeric[k]) ds.Values[static_cast<std::size_t>(k)].assign(slots, 0.0);
    }
    const int delimiter = ds.delimiter();
    const char d = static_cast<char>(delimiter);
    const char decimal = ds.DecimalSeparator;
    int extraFirstLine = 0;
    // One walk per line: the numbers of the numeric columns and whether field ColumnCount+1 holds text.
    for (int r = 1; r <= ds.DataRowCount; ++r) {
        ds.RowIncluded[static_cast<std::size_t>(r)] = 1;
        const std::string_view line = ds.FileLines.line(ds.FirstDataLine + r - 1);
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
                    ds.Values[static_cast<std::size_t>(k)][static_cast<std::size_t>(r)] = textToNumber(field, decimal);
            } else if (!field.empty() && extraFirstLine == 0) {
                extraFirstLine = ds.FirstDataLine + r - 1;
                ds.ExtraColumnFound = true;
            }
            if (end >= line.size()) break;
            pos = end + 1;
        }
    }
    ds.Cells.assign(&ds.FileLines, ds.FirstDataLine, ds.DataRowCount, delimiter,
                    ds.ExtraColumnFound ? columns + 1 : columns, ds.ExtraColumnFound ? columns + 1 : 0,
                    static_cast<CellTable::RowId>(extraFirstLine));
    if (ds.ExtraColumnFound) {
        ++ds.ColumnCount;
        ds.ColumnIsNumeric[static_cast<std::size_t>(ds.ColumnCount)] = false;
    }
}

LoadOutcome LoadDataFile(DataSet& ds) {
    LoadOutcome outcome;
    ResetData(ds);
    if (std::string error = ReadFileLines(ds); !error.empty()) {
        outcome.status = LoadOutcome::Status::ReadError;
        outcome.error = std::move(error);
        ds.FileAgeStamp = fileAgeStamp(ds.CurrentFileName);
        return outcome;
    }
    ds.FileAgeStamp = fileAgeStamp(ds.CurrentFileName);
    ds.FileIsUtf8 = isValidUtf8(ds.FileLines.text());
    // Five or more lines that are all empty have no sample line: rejected like a short file.
    if (ds.LineCount <= 4 || !FindColumnCount(ds, outcome.messages)) {
        outcome.messages.emplace_back(kMsgTooFewData);
        outcome.status = LoadOutcome::Status::TooFewData;
        ds.ColumnCount = 0;
        return outcome;
    }
    if (ds.ColumnCount == 1)
        FindSingleColumnHeader(ds);
    else
        FindHeaderLines(ds);
    FillTable(ds);
    ds.ModifyToRow = ds.DataRowCount;
    ComputeColumnStatistics(ds);
    return outcome;
}

} // namespace varnotile
