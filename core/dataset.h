#pragma once
// The one data set of the program: the loaded file, its layout, the cell table, the numbers and
// statistics, the view choices, the selection, the undo journal and the settings. Operations
// elsewhere are plain functions over it.
#include "cell_table.h"
#include "dataset_changes.h"
#include "file_lines.h"
#include "slots.h"
#include "undo_journal.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varnotile {

inline constexpr int kFieldSlots = 20;
inline constexpr int kColumnLimit = 10;
inline constexpr int kHeaderScan = 20;
inline constexpr int kNamedHeaderLines = 3;
inline constexpr int kTrimFloor = 2;
inline constexpr int kUndoLimit = 200;
inline constexpr int kCurveCount = 10;

using StringSlots = Slots<std::string, 21>; // [0..20]
using FlagSlots = Slots<bool, 21>;          // [0..20]
using Rgb = uint32_t;                            // red in the lowest byte, then green, then blue

struct GridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const GridRect&) const = default;
};

struct PageMarginSet {
    int Left = 10, Top = 10, Right = 10, Bottom = 10;
};

struct DataSet {
    DataSet();
    // The cell table holds views into FileLines and a pointer to it, so a copied or moved data
    // set would read another object's lines.
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;
    DataSet(DataSet&&) = delete;
    DataSet& operator=(DataSet&&) = delete;

    // --- the loaded file
    std::string CurrentFileName;
    std::string CurrentFileExt;
    ::varnotile::FileLines FileLines;
    int LineCount = 0;
    int64_t FileAgeStamp = 0; // seconds since the epoch; -1 when the file does not exist
    bool FileIsUtf8 = true;   // display decoding: UTF-8 when the whole file is valid UTF-8, else Windows-1252

    // --- layout of the data
    std::string ListSeparator = ","; // zero or one character
    int ColumnCount = 0;
    int FirstDataLine = 0;
    int DataRowCount = 0;
    int HeaderLineCount = 0;
    StringSlots HeaderLines{};
    StringSlots ColumnNames{};
    StringSlots ColumnLabels{};
    StringSlots ColumnHeader3{};
    StringSlots Fields{};
    std::string LineBuffer;
    bool ExtraColumnFound = false;

    // --- per-column flags
    FlagSlots ColumnIsNumeric{};
    FlagSlots ColumnPresent{};
    FlagSlots CurveVisible{};

    // --- the cell table and the numbers
    CellTable Cells;
    // Values[k][r]: number of cell (k, r) of numeric column k. A column that is not numeric may
    // keep an empty vector; value() reads it as 0.
    Slots<std::vector<double>, 11> Values;
    std::vector<uint8_t> RowIncluded;
    Slots<double, 21> ColumnMin{};
    Slots<double, 21> ColumnMax{};
    Slots<double, 11> ColumnAbsMax{};

    // --- chart and view
    int XColumn = 0;
    bool PercentScale = false;
    bool ShowCurveNames = false;
    bool ShowChartTitle = false;
    bool PercentScaleBefore = false;
    Slots<Rgb, 21> CurveColors{};
    int HeaderLineHeight = 13;
    std::string GridFontName;

    // --- selection and pointer
    int SelectedColumn = 0;
    GridRect SelectionRect;
    int PressRow = 0;
    int HoverRow = 0;

    // --- editing
    UndoJournal Journal;
    // The number of journalled changes that can be undone.
    int UndoCount() const { return Journal.size(); }
    // A column name or label changed in the Modify dialog and not saved yet. Renames make no
    // journal entry, so this is what tells the save questions about them.
    bool HeaderTextsChanged = false;
    std::string CellTextBefore;
    int ModifyFromRow = 1;
    int ModifyToRow = 1;
    double ModifyIfValue = 0, ModifyThenValue = 0, ModifyFactor = 0, ModifyOffset = 0;
    bool ModifyConfirmed = false;

    // --- settings
    bool KeepFileDate = true;

    // --- folder file list
    std::string DataFolder;
    int ListFileCount = 0;
    std::vector<std::string> ListNames, ListSizes, ListDates, ListTimes; // [1..ListFileCount]
    std::vector<int64_t> ListStamps;
    std::vector<uint8_t> ListHasStamp;
    std::vector<uint8_t> ListPlaced;
    bool FileListActive = false;

    // --- printing and help
    bool LandscapeOrientation = false;
    PageMarginSet PageMargins;
    std::string HelpCommandLine;

    // --- locale
    char DecimalSeparator = '.';

    // Whoever shows the data set hears of its changes here.
    DataSetChanges Changes;
    // Changes not saved yet: journalled edits, deletions and modifications, or a renamed column.
    bool isModified() const { return !Journal.empty() || HeaderTextsChanged; }

    // The delimiter as a character code, or -1 when ListSeparator is empty.
    int delimiter() const { return ListSeparator.empty() ? -1 : static_cast<unsigned char>(ListSeparator[0]); }
    double value(int column, int row) const {
        if (column < 0 || column > 10) return 0;
        const auto& v = Values[column];
        return row >= 0 && static_cast<std::size_t>(row) < v.size() ? v[static_cast<std::size_t>(row)] : 0.0;
    }
    // Text of grid cell (column, row): row 0 is empty, column 0 holds the row number.
    std::string cellText(int column, int row) const;
};

} // namespace varnotile
