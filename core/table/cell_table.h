#pragma once
// The cell table of the data grid: data rows are views into the file's lines, split at the
// delimiter on demand; edited cells are stored aside per column. Row 0 (the drawn header row)
// has no cell texts and column 0 shows the row number, so neither is stored.
#include "read_options.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

class FileLines;
class ContinuedRecords;

// The greatest column number a cell can have: a wide file's 1,000 data columns plus the extra
// column (the plain reading's ten plus one stay well below).
inline constexpr int kMaxTableColumns = 1001;

// Field `field` (1-based) of `line` split at `delimiter` the way SplitLine splits: every
// delimiter ends a field, fields after field kMaxTableColumns are discarded. `delimiter` < 0 means no delimiter.
std::string_view fieldOfLine(std::string_view line, int delimiter, int field);

class CellTable {
public:
    // A row as the table keeps it: the file line it came from. Edited texts stay keyed by it,
    // so a row taken out and put back carries every cell exactly as it was.
    using RowId = uint32_t;

    void clear();
    // Exchanges everything two tables hold, the lines they read included; `relink` then points
    // a table that reads `from` at `to`, for tables whose lines changed places alongside them.
    void swap(CellTable& other) noexcept;
    void relink(const FileLines* from, const FileLines* to) {
        if (lines_ == from) lines_ = to;
    }
    // Rows 1..rowCount show file lines firstLine..firstLine+rowCount-1, split at `delimiter`.
    // The extra column (when extraColumn > 0) is empty in rows whose line lies before
    // `extraFirstLine`.
    void assign(const FileLines* lines, int firstLine, int rowCount, int delimiter, int columnCount,
                int extraColumn, RowId extraFirstLine);

    // Reading options beyond the plain rules: cells are split the way `options` says, and the
    // rows are the file lines `rows` (ascending); `skipped` are the comment, blank and trailer
    // lines among or after them, `breaks` the blank ones, which break the curves. Called after
    // assign().
    void setReading(const ReadOptions& options, std::vector<RowId> rows, std::vector<RowId> skipped,
                    std::vector<RowId> breaks);
    const ReadOptions* reading() const { return reading_.get(); }
    // Rows written over several file lines: a row's cells come from its whole record, and
    // rowLine() gives the record's text. Called after setReading().
    void setRecords(std::shared_ptr<const ContinuedRecords> records) { records_ = std::move(records); }
    bool hasRecords() const { return records_ != nullptr; }
    // How many file lines data row `row` spans, from rowId(row) on (1 but for a continued record).
    int rowLineCount(int row) const;
    // Comment, blank and trailer lines inside or after the data, in file order.
    const std::vector<RowId>& skippedLines() const { return skipped_; }
    // The rows (ascending) that follow a blank line of the data: a curve is not drawn into them.
    // Only rows from `fromRow` on are looked at (rows appended since the curve was drawn).
    std::vector<int> rowsAfterBreaks(int fromRow = 2) const;

    // Lines added to the end of the file: `rows` become rows after the last one, `skipped` and
    // `breaks` join the lines kept among them. All lie past every line the table knows.
    void appendLines(const std::vector<RowId>& rows, const std::vector<RowId>& skipped,
                     const std::vector<RowId>& breaks);

    // The text of file line `id` changed (an open last line completed): its cells are split afresh.
    void lineChanged(RowId id);

    int rowCount() const { return listed_ ? static_cast<int>(rows_.size()) : rowCount_; }
    int columnCount() const { return columnCount_; }
    void setColumnCount(int columns) {
        columnCount_ = columns;
        overlays_.resize(static_cast<std::size_t>(std::max(columns, 0)) + 1);
    }
    // The delimiter the file lines are split at (-1: none).
    int delimiter() const { return delimiter_; }
    // The whole file line of data row `row` (every file text of the row is a part of it).
    std::string_view rowLine(int row) const;

    // Text of cell (column, row); empty outside columns 1..columnCount and rows 1..rowCount.
    // The view stays valid until the table changes.
    std::string_view cell(int column, int row) const;
    bool isEdited(int column, int row) const;
    // False when no cell of the column was ever given a text of its own (a quick test before
    // asking isEdited() of every row).
    bool mayHaveEdits(int column) const {
        return column >= 1 && static_cast<std::size_t>(column) < overlays_.size() &&
               overlays_[static_cast<std::size_t>(column)] != nullptr;
    }
    // The text the cell's file line gives it, whether or not the cell holds an edited text.
    std::string_view fileText(int column, int row) const;
    void setCell(int column, int row, std::string text);
    // Drops an edited text so that the cell shows its file text again.
    void revertCell(int column, int row);

    RowId rowId(int row) const {
        return listed_ ? rows_[static_cast<std::size_t>(row - 1)] : firstLine_ + static_cast<RowId>(row - 1);
    }
    // Removes rows top..bottom (1-based, inclusive) and returns them, first row first.
    std::vector<RowId> takeRows(int top, int bottom);
    // Puts rows back so that the first of them becomes row `at`.
    void insertRows(int at, const std::vector<RowId>& rows);

private:
    struct Overlay {
        std::vector<std::string> text; // indexed by RowId
        std::vector<uint8_t> set;
    };
    Overlay& overlayFor(int column);

    const FileLines* lines_ = nullptr;
    // Until rows are taken out or put back, row r is file line firstLine_ + r - 1 and no list of
    // rows is kept (4 bytes a row saved on the files that are never cut); then rows_ lists them.
    void listRows();
    bool listed_ = false;
    RowId firstLine_ = 0;
    int rowCount_ = 0;
    std::vector<RowId> rows_;
    int delimiter_ = ',';
    int columnCount_ = 0;
    int extraColumn_ = 0;
    RowId extraFirstLine_ = 0;
    RowId maxRowId_ = 0;
    // Per column 0..columnCount_, null until a cell of the column gets a text of its own.
    std::vector<std::unique_ptr<Overlay>> overlays_;
    std::unique_ptr<ReadOptions> reading_;
    std::shared_ptr<const ContinuedRecords> records_;
    std::string_view lineText(RowId id) const;
    std::vector<RowId> skipped_;
    std::vector<RowId> breaks_;
    // Quoted cells whose text differs from their bytes ("" inside), rebuilt once when first read.
    mutable std::mutex rebuiltLock_;
    mutable std::unordered_map<uint64_t, std::string> rebuilt_;
};

} // namespace varnotile
