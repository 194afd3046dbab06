#pragma once
// The undo journal: one entry per cell edit, column deletion, row deletion and column
// modification, reversed newest first. At most kUndoLimit entries are kept; a new entry beyond
// that drops the oldest one. DataSet::UndoCount always equals the number of entries (it doubles as
// the program's "unsaved changes" sign, so code that empties the journal may simply set it to 0).
#include "cell_table.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

struct DataSet;

enum class UndoKind : int { CellEdit = 1, ColumnDeletion = 2, RowDeletion = 3, ColumnModification = 4 };

struct UndoEntry {
    UndoKind kind = UndoKind::CellEdit;
    int column = 0;  // the edited, deleted or modified column
    int width = 0;   // column deletion: the display width the column had
    int row = 0;     // cell edit: the cell's row; row deletion: the first deleted row;
                     // modification: the first row of the snapshot
    int lastRow = 0; // row deletion: the last deleted row; modification: the last snapshot row

    // Cell edit: the text before the first change and whether that text was an edited one (a
    // cell that showed its file text is put back to it, so it no longer counts as edited).
    std::string text;
    bool wasEdited = false;

    // Row deletion: the rows taken out of the cell table (they carry every cell's text exactly)
    // and, per column slot 0..10, the numbers they held.
    std::vector<CellTable::RowId> rowIds;
    std::vector<std::vector<double>> rowValues;

    // Modification: per row of row..lastRow whether the cell held an edited text, and those texts
    // packed one after the other (cells that showed their file text add nothing); oldTextEnds[i]
    // is where row i's text ends in oldTextBytes. The numbers are read back from the texts.
    std::vector<uint8_t> oldEdited;
    std::string oldTextBytes;
    std::vector<uint64_t> oldTextEnds;
};

class UndoJournal {
public:
    int size() const { return static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    // The newest entry, or nullptr.
    const UndoEntry* newest() const { return entries_.empty() ? nullptr : &entries_.back(); }
    // Adds an entry; at the limit the oldest entry makes room.
    void push(UndoEntry entry);
    UndoEntry pop();
    // Takes the newest entry back as if it had never been pushed: an oldest entry that made room
    // for it returns to its place.
    void discardNewest();
    void clear();
    // Keeps only the oldest `count` entries (positions above the count are gone).
    void truncate(int count);
    const UndoEntry& at(int position) const { return entries_[static_cast<std::size_t>(position - 1)]; }

private:
    std::deque<UndoEntry> entries_;
    // The entry the newest push dropped at the limit, until anything else changes the journal.
    std::optional<UndoEntry> madeRoom_;
};

// What the window must refresh after an editing operation or its undo. The data set (cells,
// Values, statistics, flags, row count, journal) is already up to date.
struct EditEffect {
    bool changed = false;     // the data set changed
    int clearCurve = 0;       // ClearCurve(k) for this column (0: none)
    int fillCurve = 0;        // FillCurve(k) for this column, after the statistics (0: none)
    bool allCurves = false;   // ClearAllCurves ... FillAllCurves (rows left or came back)
    bool headerRow = false;   // RefreshHeaderRow
    bool chartTitles = false; // RebuildChartTitles
    bool rowCountChanged = false;
    int cellsColumn = -1;     // cells of this column changed (0: all columns, -1: none)
    int hideColumn = 0;       // column to hide (deletion)
    int showColumn = 0;       // column to show again with showWidth (undo of a deletion)
    int showWidth = 0;
    int unchangedResults = 0; // modification: results that could not be written (out of range)
};

// Brings the journal in line with ds.UndoCount (a save sets the count to 0).
void SyncJournal(DataSet& ds);
// Adds an entry, dropping the oldest at the limit, and sets ds.UndoCount.
void PushUndo(DataSet& ds, UndoEntry entry);

// Makes a cell-edit entry for cell (column, row) with `oldText` as the text before the change,
// unless the newest entry is a cell edit of that same cell (consecutive changes of one cell make
// one entry, which keeps the text from before the first change). An old text equal to the cell's
// file text is undone by putting the file text back, so the cell no longer counts as edited.
void RecordCellEdit(DataSet& ds, int column, int row, std::string_view oldText);

// Stores `text` in cell (column, row) of the data rows, journals the change from `oldText` and
// makes the cell's number follow the text (numeric columns; a text that is not a number gives 0).
// The cell may already hold `text` (the grid stores what is typed before reporting it); a report
// whose text equals `oldText` only brings the number in line with the text. A change that brings
// the cell back to the text its journal entry holds takes that entry out again: the cell is as it
// was before, and nothing is left to undo or to save.
EditEffect EditCell(DataSet& ds, int column, int row, std::string text, std::string_view oldText);
// The same with the cell's present text as the old text.
EditEffect EditCell(DataSet& ds, int column, int row, std::string text);

// Reverses the newest entry. Nothing happens with an empty journal.
EditEffect UndoLast(DataSet& ds);

} // namespace varnotile
