#pragma once
// The one data set of the program: the loaded file, its layout, the cell table, the numbers and
// statistics, the view choices, the selection, the undo journal and the settings. Operations
// elsewhere are plain functions over it.
#include "cell_table.h"
#include "dataset_changes.h"
#include "file_lines.h"
#include "format_detector.h"
#include "read_options.h"
#include "slots.h"
#include "time_text.h"
#include "undo_journal.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varnotile {

// The plain reading takes 10 columns (and up to 20 fields of a header line); with wide files on,
// 1,000 columns and 2,000 fields. Per-column slots are sized for the reading of the loaded file.
inline constexpr int kFieldSlots = 20;
inline constexpr int kColumnLimit = 10;
inline constexpr int kWideColumnLimit = 1000;
inline constexpr int kHeaderScan = 20;
inline constexpr int kNamedHeaderLines = 3;
inline constexpr int kTrimFloor = 2;
inline constexpr int kUndoLimit = 200;
// Curves the chart always has (one per column of the plain reading); a wide file has one per column.
inline constexpr int kCurveCount = 10;
inline constexpr int kRecentFileLimit = 8;

using StringSlots = Slots<std::string, 21>; // [0..20], [0..2000] for a wide file's columns
using FlagSlots = Slots<bool, 21>;          // the same
using Rgb = uint32_t;                            // red in the lowest byte, then green, then blue

// The most data columns `reading` takes, and the most fields of a line it keeps.
inline int ColumnLimitFor(const ReadOptions& reading) { return reading.wideFiles ? kWideColumnLimit : kColumnLimit; }
inline int FieldSlotsFor(const ReadOptions& reading) { return 2 * ColumnLimitFor(reading); }

struct GridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const GridRect&) const = default;
};

struct PageMarginSet {
    int Left = 10, Top = 10, Right = 10, Bottom = 10;
};

// The loaded file as read from the disk.
struct LoadedFile {
    std::string CurrentFileName;
    std::string CurrentFileExt;
    ::varnotile::FileLines FileLines;
    int LineCount = 0;
    int64_t FileAgeStamp = 0; // seconds since the epoch; -1 when the file does not exist
    bool FileIsUtf8 = true;   // display decoding: UTF-8 when the whole file is valid UTF-8, else Windows-1252
};

// Where the data stand in the file and what the header lines say about the columns.
struct DataLayout {
    std::string ListSeparator = ","; // zero or one character
    int ColumnCount = 0;
    int FirstDataLine = 0;
    int DataRowCount = 0;
    int HeaderLineCount = 0;
    StringSlots HeaderLines{};
    StringSlots ColumnNames{};
    StringSlots ColumnLabels{};
    StringSlots ColumnHeader3{};
    // The fields of the sample line: the header scan compares other lines' field counts with
    // the sample's trailing empty field.
    StringSlots Fields{};
    bool ExtraColumnFound = false;
    // The sample line had more fields than the reading takes (the too-many-columns notice).
    bool ColumnsBeyondLimit = false;
    // The file lines the named header lines were read from (0: none) and the texts they gave:
    // a named header line whose texts are unchanged is written back as it stood.
    std::array<int, kNamedHeaderLines> NamedLineAt{};
    std::array<StringSlots, kNamedHeaderLines> NamedTextsRead{};
    // How the names line holds the names: one field per column, or one of the shapes the reader
    // also takes names from above the data (in a comment, without one for the first column,
    // after a leading label).
    enum class NamesShape : uint8_t { PerColumn, InComment, WithoutFirst, AfterLabel };
    NamesShape NamesLineShape = NamesShape::PerColumn;
    FlagSlots ColumnIsNumeric{};
    // Columns of dates or times (with the dates-and-times reading): numeric too, their values the
    // seconds the cells stand for. None for every other column.
    Slots<TimeKind, 21> ColumnTime{};
    FlagSlots ColumnPresent{};

    // The reading options the file was read with (all off: the plain rules). The caller sets
    // them, with ListSeparator, before a load.
    ReadOptions Reading;
    // Free header lines past line 20, which only comment and blank lines can reach.
    std::vector<std::string> LongPreamble;
    // What the format detector proposes for the loaded file, and the signs that the file read
    // badly with the options in effect (empty when it read well).
    FormatProposal Proposal;
    std::vector<std::string> PoorReadingSigns;
    // The proposal reads the file better than the reading the caller chose: another table, with
    // more numbers or fewer signs of a bad reading and nothing read worse.
    bool ProposalReadsBetter = false;
    // With a table chosen (Reading.table): the lines read as the file (the chosen table's, see
    // table_blocks.h) and how many tables the file holds; all 0 otherwise.
    int TableFromLine = 0;
    int TableLastLine = 0;
    int TableCount = 0;
    // Set by the caller before a load: a table number that applies to every file (a setting) and
    // not to this one in particular. A file holding fewer tables is then read whole (one table)
    // or as its first table, instead of being refused.
    bool TableIsGeneral = false;
    // With the date-and-time axis read: the date column whose next column holds the times of
    // day; the two give one time axis (DataTable::DateTimeX). 0: none.
    int DateTimeAxisColumn = 0;
};

// The cells, their numbers and the per-column statistics.
struct DataTable {
    CellTable Cells;
    // Values[k][r]: number of cell (k, r) of numeric column k. A column that is not numeric may
    // keep an empty vector; value() reads it as 0.
    Slots<std::vector<double>, 11> Values;
    std::vector<uint8_t> RowIncluded;
    Slots<double, 21> ColumnMin{};
    Slots<double, 21> ColumnMax{};
    Slots<double, 11> ColumnAbsMax{};
    // Missing cells per numeric column (their numbers are NaN), with missing values as gaps on.
    Slots<int, 11> MissingCount{};
    // Cells of a time column that hold a text but no valid date or time (2026-02-30, 25:00:00):
    // counted among the missing ones too, and the file line of the first (0: none).
    Slots<int, 11> InvalidTimeCount{};
    Slots<int, 11> FirstInvalidTimeLine{};
    // By row, the date of column DataLayout::DateTimeAxisColumn plus the time of day of the
    // column after it (see date_time_axis.h); empty without such a pair.
    std::vector<double> DateTimeX;
};

// What the chart and the grid show.
struct ViewChoices {
    int XColumn = 0;
    bool PercentScale = false;
    bool PercentScaleBefore = false; // the scale when the Options dialog opened
    bool ShowCurveNames = false;
    bool ShowChartTitle = false;
    FlagSlots CurveVisible{};
    Slots<Rgb, 21> CurveColors{};
    int HeaderLineHeight = 13;
    // Logarithmic axes (Chart Options); either excludes the percent scale.
    bool LogScaleY = false;
    bool LogScaleX = false;
};

// The grid selection and the pointer's rows while a row range is dragged.
struct PointerState {
    int SelectedColumn = 0;
    GridRect SelectionRect;
    int PressRow = 0;
    int HoverRow = 0;
};

// What the Modify dialog proposes next and whether header texts changed since the last save.
struct EditState {
    // A column name or label changed in the Modify dialog and not saved yet. Renames are not
    // undone (they make no journal entry), so this is what tells the save questions about them.
    bool HeaderTextsChanged = false;
    int ModifyFromRow = 1;
    int ModifyToRow = 1;
};

// The files of the data folder shown in the file list, [1..ListFileCount].
struct FolderListing {
    std::string DataFolder;
    int ListFileCount = 0;
    std::vector<std::string> ListNames, ListSizes, ListDates, ListTimes;
    std::vector<int64_t> ListStamps;
    std::vector<uint8_t> ListHasStamp;
    std::vector<uint8_t> ListPlaced;
    bool FileListActive = false;
};

struct PageSetup {
    bool LandscapeOrientation = false;
    PageMarginSet PageMargins;
};

struct ProgramSettings {
    bool KeepFileDate = true;
    // The reading options every file is read with unless the user read it another way.
    ReadOptions Reading;
    // Read a file the way the detector proposes without asking, when it reads badly.
    bool ApplyProposals = false;
    // Rows appended to the shown file are shown as they arrive ("Follow File").
    bool FollowFile = false;
    // The files last opened, newest first, at most kRecentFileLimit (the File menu lists them).
    std::vector<std::string> RecentFiles;
    // The chart's tracker: a line under the pointer with a marker on each curve (View, "Tracker").
    bool ShowTracker = false;
};

// The document: the file as read, its reading and layout, the table with its numbers, and the
// history of changes. Commands (edits, deletions, modifications and their undo and redo) see only
// this part of the data set.
struct Document {
    Document();
    // The cell table holds views into FileLines and a pointer to it, so a copied or moved document
    // would read another object's lines.
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    Document(Document&&) = delete;
    Document& operator=(Document&&) = delete;

    LoadedFile File;
    DataLayout Layout;
    DataTable Table;
    EditState Edit;
    // The locale's decimal separator: what the reading's "System" decimal choice stands for.
    char DecimalSeparator = '.';

    UndoJournal Journal;
    // Whoever shows the document hears of its changes here.
    DataSetChanges Changes;

    // The number of journalled changes that can be undone.
    int UndoCount() const { return Journal.undoCount(); }
    // Changes not saved yet: the journal stands away from where the file was loaded or saved
    // (edits, deletions, modifications, and their undo or redo), or a column was renamed.
    bool isModified() const { return !Journal.isClean() || Edit.HeaderTextsChanged; }

    // The delimiter as a character code, or -1 when ListSeparator is empty. Whitespace reading
    // splits at runs of blanks and writes one space.
    int delimiter() const {
        if (Layout.Reading.whitespace) return ' ';
        return Layout.ListSeparator.empty() ? -1 : static_cast<unsigned char>(Layout.ListSeparator[0]);
    }
    // The delimiter text the writer puts between fields.
    std::string outputDelimiter() const { return Layout.Reading.whitespace ? std::string(" ") : Layout.ListSeparator; }
    // The decimal separator numbers are read and written with.
    char decimal() const { return decimalFor(Layout.Reading, DecimalSeparator); }
    // The number a cell text stands for in a numeric column: NaN for a missing value (with
    // missing values as gaps on), else the text read as a number (0 when it is none).
    double cellNumber(std::string_view text) const;
    // The same for a cell of column `column`: in a time column the seconds the text stands for
    // (NaN when it reads as no time of the column's kind).
    double cellNumber(int column, std::string_view text) const;
    // The most data columns the reading takes (10, or 1,000 for wide files), and the most
    // fields of a header line kept.
    int columnLimit() const { return ColumnLimitFor(Layout.Reading); }
    int fieldSlots() const { return FieldSlotsFor(Layout.Reading); }
    // Whether column k can hold numbers (and so a curve, statistics and values).
    bool isValueColumn(int k) const { return k >= 1 && k <= columnLimit() && static_cast<std::size_t>(k) < Table.Values.size(); }
    // The chart's curves: ten, or one per column of a wide file.
    int curveCount() const { return std::min(columnLimit(), std::max(kCurveCount, Layout.ColumnCount)); }
    double value(int column, int row) const {
        if (column < 0 || static_cast<std::size_t>(column) >= Table.Values.size()) return 0;
        const auto& v = Table.Values[column];
        return row >= 0 && static_cast<std::size_t>(row) < v.size() ? v[static_cast<std::size_t>(row)] : 0.0;
    }
    // A value of column `column` as the header row and the readout show it: the general number
    // format, or for a time column its date or time in ISO 8601.
    std::string valueText(int column, double value) const;
    // Text of grid cell (column, row): row 0 is empty, column 0 holds the row number.
    std::string cellText(int column, int row) const;
};

// What the window shows of the document and keeps from file to file: the chart's choices, the
// pointer and selection, the folder listing, the page setup and the settings.
struct ViewState {
    ViewChoices View;
    PointerState Pointer;
    FolderListing FolderList;
    PageSetup Page;
    ProgramSettings Settings;
};

// The program's one data set: the document and the view state beside it.
struct DataSet : Document, ViewState {};

// Sizes every per-column slot container for the columns ds.Layout.Reading can take (values and
// texts stay where they stand), shows the curves past the tenth and gives them the colours of
// the first ten in turn. Only the ten are settings: a colour chosen or a curve hidden past the
// tenth lasts while its file is shown.
void FitColumnSlots(DataSet& ds);
// The same for a layout's own slots.
void FitLayoutSlots(DataLayout& layout);
// The colour slot 1..10 curve k repeats.
inline int RepeatedCurveSlot(int k) { return (k - 1) % kCurveCount + 1; }
// Curves 11 and later take the colours of curves 1..10 in turn.
void RepeatCurveColors(Slots<Rgb, 21>& colors);

} // namespace varnotile
