#include "save_check.h"

#include "layout.h"
#include "loader.h"
#include "number_text.h"
#include "parallel.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace varnotile {
namespace {

// The data columns the writer writes, in order: the present ones.
std::vector<int> presentColumns(const DataSet& ds) {
    std::vector<int> columns;
    for (int j = 1; j <= ds.Layout.ColumnCount && j <= ds.fieldSlots(); ++j)
        if (ds.Layout.ColumnPresent[static_cast<std::size_t>(j)]) columns.push_back(j);
    return columns;
}

// The free header lines that carry text, in file order.
std::vector<std::string_view> freeHeaderLines(const DataSet& ds) {
    std::vector<std::string_view> lines;
    for (std::size_t i = 1; i <= kHeaderScan; ++i)
        if (!ds.Layout.HeaderLines[i].empty()) lines.emplace_back(ds.Layout.HeaderLines[i]);
    for (const std::string& line : ds.Layout.LongPreamble)
        if (!line.empty()) lines.emplace_back(line);
    return lines;
}

int namedLines(const DataSet& ds) { return std::clamp(ds.Layout.HeaderLineCount, 0, kNamedHeaderLines); }

const StringSlots& headerTexts(const DataSet& ds, int line) {
    return line == 0 ? ds.Layout.ColumnNames : line == 1 ? ds.Layout.ColumnLabels : ds.Layout.ColumnHeader3;
}

// A text as the sentence shows it: line breaks and tabs made visible, long texts shortened
// (never inside a UTF-8 character).
std::string shown(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (out.size() >= kLongest && (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            out += "...";
            break;
        }
        switch (text[i]) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += text[i];
        }
    }
    return out;
}

// Cells of the saved table against those read back, column by column in the order written.
struct CellComparison {
    const DataSet& saved;
    const DataSet& back;
    const std::vector<int>& columns;

    int backColumns() const { return std::min(back.Layout.ColumnCount, back.Table.Cells.columnCount()); }
    // The first column of row `row` whose text differs (by position), 0 when none does.
    int firstDifferentColumn(int row) const {
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const int c = static_cast<int>(k) + 1;
            const std::string_view other = c <= backColumns() ? back.Table.Cells.cell(c, row) : std::string_view{};
            if (saved.Table.Cells.cell(columns[k], row) != other) return columns[k];
        }
        return 0;
    }
    // Header line `line` (0: names) compared the same way.
    int firstDifferentHeader(int line) const {
        const StringSlots& mine = headerTexts(saved, line);
        const StringSlots& theirs = headerTexts(back, line);
        const bool theyHaveIt = line < namedLines(back);
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const std::size_t c = k + 1;
            const std::string_view other = theyHaveIt && c < theirs.size() ? std::string_view(theirs[c]) : std::string_view{};
            if (mine[static_cast<std::size_t>(columns[k])] != other) return columns[k];
        }
        return 0;
    }
};

// The cells of one row as CellTable::cell() gives them, taken in one pass over the line rather
// than one pass per cell: the comparison of a large table is mostly this.
class RowCells {
public:
    explicit RowCells(const DataSet& ds)
        : table_(ds.Table.Cells), columns_(std::min(table_.columnCount(), kMaxTableColumns)),
          extra_(ds.Layout.ExtraColumnFound ? ds.Layout.ColumnCount : 0),
          cells_(static_cast<std::size_t>(std::max(columns_, 0))) {}

    void load(int row) {
        row_ = row;
        const std::string_view line = table_.rowLine(row);
        fields_ = 0;
        if (const ReadOptions* reading = table_.reading()) {
            fields_ = std::min(splitFields(line, table_.delimiter(), *reading, split_, columns_), columns_);
            for (int k = 0; k < fields_; ++k) cells_[static_cast<std::size_t>(k)] = split_.cells[static_cast<std::size_t>(k)];
            return;
        }
        const int delimiter = table_.delimiter();
        std::size_t pos = 0;
        while (fields_ < columns_) {
            const std::size_t end = delimiter < 0 ? std::string_view::npos : line.find(static_cast<char>(delimiter), pos);
            cells_[static_cast<std::size_t>(fields_++)] = line.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
            if (end == std::string_view::npos) break;
            pos = end + 1;
        }
    }
    std::string_view operator[](int column) const {
        if (column < 1 || column > columns_) return {};
        // Edited cells, and the extra column (empty above the line that first filled it), as
        // the table keeps them.
        if (column == extra_ || table_.isEdited(column, row_)) return table_.cell(column, row_);
        return column <= fields_ ? cells_[static_cast<std::size_t>(column - 1)] : std::string_view{};
    }

private:
    const CellTable& table_;
    int columns_;
    int extra_;
    int row_ = 0;
    int fields_ = 0;
    std::vector<std::string_view> cells_;
    LineCells split_;
};

struct CellDifferences {
    int count = 0;
    int row = 0;    // the first, in writing order
    int column = 0;
};

// True when rows first..last of both tables are file lines that follow each other in their files
// and hold the same bytes: then one comparison of the stretch of text they span does for all.
bool sameText(const CellTable& a, const CellTable& b, int first, int last) {
    const auto consecutive = [&](const CellTable& t) {
        return t.rowId(last) - t.rowId(first) == static_cast<CellTable::RowId>(last - first);
    };
    // A continued record's text is no part of the file's text.
    if (!consecutive(a) || !consecutive(b) || a.hasRecords() || b.hasRecords()) return false;
    const auto span = [&](const CellTable& t) {
        const std::string_view from = t.rowLine(first), to = t.rowLine(last);
        return std::string_view(from.data(), static_cast<std::size_t>(to.data() + to.size() - from.data()));
    };
    return span(a) == span(b);
}

// Compares rows 1..rows of both tables, on every core for a large table.
CellDifferences compareCells(const CellComparison& cells, int rows, const ProgressReport& progress) {
    constexpr std::size_t kRowsPerPart = 32768;
    const auto rowCount = static_cast<std::size_t>(std::max(rows, 0));
    const std::size_t parts = rowCount < 2 * kRowsPerPart ? 1 : (rowCount + kRowsPerPart - 1) / kRowsPerPart;
    std::vector<CellDifferences> found(parts);
    SharedProgress compared(progress, WorkStep::Filling, rowCount);
    // Where both tables split their lines alike and the columns are the same, a row whose line
    // reads back byte for byte and holds no edited cell needs no look at its cells.
    const ReadOptions* savedReading = cells.saved.Table.Cells.reading();
    const ReadOptions* backReading = cells.back.Table.Cells.reading();
    const int columnCount = static_cast<int>(cells.columns.size());
    bool lineWise = (savedReading == nullptr) == (backReading == nullptr) &&
                    (!savedReading || *savedReading == *backReading) &&
                    cells.saved.Table.Cells.delimiter() == cells.back.Table.Cells.delimiter() &&
                    !cells.saved.Layout.ExtraColumnFound && !cells.back.Layout.ExtraColumnFound &&
                    cells.saved.Table.Cells.columnCount() == cells.back.Table.Cells.columnCount() &&
                    cells.back.Layout.ColumnCount == columnCount;
    for (int k = 0; k < columnCount; ++k) lineWise = lineWise && cells.columns[static_cast<std::size_t>(k)] == k + 1;
    bool edited = false;
    for (int c = 1; c <= cells.saved.Table.Cells.columnCount(); ++c) edited = edited || cells.saved.Table.Cells.mayHaveEdits(c);
    forEachInParallel(parts, [&](std::size_t part) {
        const int first = static_cast<int>(rowCount * part / parts) + 1;
        const int last = static_cast<int>(rowCount * (part + 1) / parts);
        CellDifferences& mine = found[part];
        const int backColumns = cells.backColumns();
        RowCells saved(cells.saved), back(cells.back);
        const CellTable& savedCells = cells.saved.Table.Cells;
        const CellTable& backCells = cells.back.Table.Cells;
        if (lineWise && !edited && first <= last && sameText(savedCells, backCells, first, last)) {
            compared.add(static_cast<uint64_t>(last - first + 1));
            return; // the same lines read the same way give the same cells
        }
        for (int r = first; r <= last; ++r) {
            if (lineWise && savedCells.rowLine(r) == backCells.rowLine(r)) {
                bool rowEdited = false;
                for (int c = 1; c <= columnCount && edited && !rowEdited; ++c) rowEdited = savedCells.isEdited(c, r);
                if (!rowEdited) continue; // the same line read the same way gives the same cells
            }
            saved.load(r);
            back.load(r);
            for (std::size_t k = 0; k < cells.columns.size(); ++k) {
                const int c = static_cast<int>(k) + 1;
                const std::string_view other = c <= backColumns ? back[c] : std::string_view{};
                if (saved[cells.columns[k]] == other) continue;
                if (mine.count++ == 0) {
                    mine.row = r;
                    mine.column = cells.columns[k];
                }
            }
        }
        compared.add(static_cast<uint64_t>(last - first + 1));
    });
    CellDifferences all;
    for (const CellDifferences& part : found) {
        if (part.count > 0 && all.count == 0) {
            all.row = part.row;
            all.column = part.column;
        }
        all.count += part.count;
    }
    return all;
}

bool holdsLineBreak(const DataSet& ds, const std::vector<int>& columns, int row) {
    // Quoted texts keep an LF inside their quotes; a CR alone still ends the line.
    const char* const breaks = ds.Layout.Reading.quotedTexts ? "\r" : "\r\n";
    for (const int j : columns) {
        const std::string_view text = ds.Table.Cells.cell(j, row);
        if (text.find_first_of(breaks) != std::string_view::npos) return true;
    }
    return false;
}

// The column of row `row` most likely to have ended the data there: the first text in a numeric
// column, else the first column written.
int culpritColumn(const DataSet& ds, const std::vector<int>& columns, int row) {
    const char decimal = ds.decimal();
    for (const int j : columns)
        if (ds.isValueColumn(j) && ds.Layout.ColumnIsNumeric[static_cast<std::size_t>(j)] &&
            !IsNumericText(ds.Table.Cells.cell(j, row), decimal))
            return j;
    return columns.empty() ? 1 : columns.front();
}

// What a column holds as its reading decided: text, numbers, or times of one kind.
struct ColumnKind {
    bool numeric = false;
    TimeKind time = TimeKind::None;
    bool operator==(const ColumnKind&) const = default;
};

ColumnKind kindOf(const DataLayout& layout, int column) {
    const auto j = static_cast<std::size_t>(column);
    return {j < layout.ColumnIsNumeric.size() && layout.ColumnIsNumeric[j],
            j < layout.ColumnTime.size() ? layout.ColumnTime[j] : TimeKind::None};
}

std::string kindWords(const ColumnKind& kind) {
    if (kind.time != TimeKind::None) return "dates or times";
    return kind.numeric ? "numbers" : "text";
}

class DifferenceFinder {
public:
    DifferenceFinder(const DataSet& saved, const DataSet& back, bool refused)
        : saved_(saved), back_(back), refused_(refused), columns_(presentColumns(saved)),
          cells_{saved, back, columns_} {}

    ReadBackDifference find(const ProgressReport& progress) {
        const int rows = saved_.Layout.DataRowCount;
        const int backRows = back_.Layout.DataRowCount;
        const auto savedFree = freeHeaderLines(saved_);
        const auto backFree = freeHeaderLines(back_);
        const int savedTop = static_cast<int>(savedFree.size()) + namedLines(saved_);
        const int backTop = static_cast<int>(backFree.size()) + namedLines(back_);
        const int columnCount = static_cast<int>(columns_.size());

        // A table without data rows reads back as none, whatever its header (the window asks
        // before such a table replaces a file).
        if (refused_)
            return rows == 0 ? ReadBackDifference{}
                             : at("The table would read back as too few data", 1, columns_.empty() ? 1 : columns_.front());
        if (backRows < rows) {
            // Rows above the first one read back went into the header text, or were passed over.
            const int firstKept = backRows > 0 ? firstRowLike(1) : 0;
            if (firstKept > 1) {
                const int row = firstKept - 1;
                return at(holdsLineBreak(saved_, columns_, row)
                              ? "Row " + std::to_string(row) + " would read back as more than one row"
                              : "Row " + std::to_string(row) + " would read back as header text",
                          row, culpritColumn(saved_, columns_, row));
            }
        }
        if (backRows > rows && backTop < savedTop) {
            const std::string count = std::to_string(savedTop - backTop);
            return firstDifference(savedTop - backTop == 1 ? "A header line would read back as a data row"
                                                           : count + " header lines would read back as data rows");
        }
        if (back_.Layout.ColumnCount != columnCount) {
            return firstDifference("The " + std::to_string(columnCount) + " columns would read back as " +
                                   std::to_string(back_.Layout.ColumnCount) + " columns");
        }
        if (namedLines(back_) < namedLines(saved_))
            return firstDifference("The column names would read back as free header text");
        if (namedLines(back_) > namedLines(saved_))
            return firstDifference("The free header text would read back as column names");
        if (savedFree != backFree) {
            for (std::size_t i = 0; i < savedFree.size(); ++i)
                if (i >= backFree.size() || savedFree[i] != backFree[i])
                    return {true, "The free header text would read back differently", 0, 0, shown(savedFree[i])};
            return {true, "A data row would read back as free header text", 0, 0, shown(backFree.back())};
        }
        for (int line = 0; line < namedLines(saved_); ++line) {
            if (const int column = cells_.firstDifferentHeader(line)) {
                static const char* const kWhat[] = {"name", "label", "third header text"};
                const std::string_view other =
                    headerTexts(back_, line)[static_cast<std::size_t>(positionOf(column))];
                return at(std::string("The ") + kWhat[line] + " of column " + std::to_string(column) +
                              " would read back as \"" + shown(other) + "\"",
                          0, column, line);
            }
        }
        if (backRows != rows) {
            const Place place = firstDifferentCell();
            const int row = place.row, column = place.column;
            if (backRows < rows)
                return at("Row " + std::to_string(row) + " would not read back as a data row", row, column);
            if (holdsLineBreak(saved_, columns_, row))
                return at("Row " + std::to_string(row) + " would read back as more than one row", row, column);
            return at("A line before row " + std::to_string(row) + " would read back as a data row", row, column);
        }
        const CellDifferences cells = compareCells(cells_, rows, progress);
        if (cells.count == 0) return differentKind();
        const std::string other(shown(back_.Table.Cells.cell(positionOf(cells.column), cells.row)));
        return at(cells.count == 1 ? "A cell would read back as \"" + other + "\""
                                   : std::to_string(cells.count) + " cells would read back with other texts, the first as \"" +
                                         other + "\"",
                  cells.row, cells.column);
    }

private:
    // The first column written whose cells, all the same, would read back as another kind of
    // data: numbers as text, text as dates, dates in another order.
    ReadBackDifference differentKind() const {
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            const ColumnKind mine = kindOf(saved_.Layout, columns_[k]);
            const ColumnKind theirs = kindOf(back_.Layout, static_cast<int>(k) + 1);
            if (mine == theirs) continue;
            const std::string was = kindWords(mine), becomes = kindWords(theirs);
            return at("Column " + std::to_string(columns_[k]) + " would read back as " +
                          (was == becomes ? becomes + " read another way" : becomes + ", not " + was),
                      std::min(1, saved_.Layout.DataRowCount), columns_[k]);
        }
        return {};
    }

    // The first saved row whose cells are those of row `backRow` read back; 0 when none is.
    int firstRowLike(int backRow) const {
        const int backColumns = cells_.backColumns();
        for (int r = 1; r <= saved_.Layout.DataRowCount; ++r) {
            bool same = true;
            for (std::size_t k = 0; k < columns_.size() && same; ++k) {
                const int c = static_cast<int>(k) + 1;
                const std::string_view other =
                    c <= backColumns ? back_.Table.Cells.cell(c, backRow) : std::string_view{};
                same = saved_.Table.Cells.cell(columns_[k], r) == other;
            }
            if (same) return r;
        }
        return 0;
    }

    // The place of data column `column` among the columns written.
    int positionOf(int column) const {
        const auto it = std::find(columns_.begin(), columns_.end(), column);
        return static_cast<int>(it - columns_.begin()) + 1;
    }

    // `line` names the header line (0: names) of a place in row 0.
    ReadBackDifference at(std::string what, int row, int column, int line = 0) const {
        const std::string_view text = row == 0 ? std::string_view(headerTexts(saved_, line)[static_cast<std::size_t>(
                                                     std::clamp(column, 0, saved_.fieldSlots()))])
                                               : saved_.Table.Cells.cell(column, row);
        return {true, std::move(what), row, column, shown(text)};
    }

    struct Place {
        int row = 0, column = 0, line = 0;
    };
    // The first header text or cell that differs by position, in writing order.
    Place firstDifferentCell() const {
        for (int line = 0; line < namedLines(saved_); ++line)
            if (const int column = cells_.firstDifferentHeader(line)) return {0, column, line};
        const int rows = saved_.Layout.DataRowCount;
        for (int r = 1; r <= rows; ++r)
            if (const int column = cells_.firstDifferentColumn(r)) return {r, column, 0};
        return {std::max(rows, 1), columns_.empty() ? 1 : columns_.front(), 0};
    }

    ReadBackDifference firstDifference(std::string what) const {
        const Place place = firstDifferentCell();
        return at(std::move(what), place.row, place.column, place.line);
    }

    const DataSet& saved_;
    const DataSet& back_;
    bool refused_;
    std::vector<int> columns_;
    CellComparison cells_;
};

} // namespace

std::unique_ptr<DataSet> ReadingLike(const DataSet& ds, const ReadingChoice* proposalFrom) {
    auto back = std::make_unique<DataSet>();
    back->Layout.ListSeparator = proposalFrom ? proposalFrom->delimiter : ds.Layout.ListSeparator;
    back->Layout.Reading = proposalFrom ? proposalFrom->options : ds.Layout.Reading;
    back->Settings.ApplyProposals = proposalFrom != nullptr;
    back->DecimalSeparator = ds.DecimalSeparator;
    back->File.FileLines.setCrEndsLines(ds.Layout.Reading.crLineEnds);
    return back;
}

namespace {

// Lays out the lines `back` holds as a load does (LayOutLines); false when the load would refuse
// them. Under the plain rules the numbers are left out: the comparison does not look at them, and
// a line's fields are found the same way whether their numbers are taken or not (which halves the
// cost of a large file). The reading options go the whole way of a load.
bool layOut(DataSet& back, const ProgressReport& filling) {
    back.File.LineCount = back.File.FileLines.count();
    FitColumnSlots(back);
    if (back.Settings.ApplyProposals) {
        // As a load that takes the proposal: where it reads the lines better, it is the reading
        // (a table asked for still picks among the proposal's).
        back.Layout.Proposal = ProposeReading(back.File.FileLines, back.DecimalSeparator);
        if (ProposalReadsBetter(back)) {
            const ReadingChoice choice = ProposedChoice(back);
            const int askedTable = back.Layout.Reading.table;
            back.Layout.ListSeparator = choice.delimiter;
            back.Layout.Reading = choice.options;
            if (askedTable != 0) back.Layout.Reading.table = askedTable;
            FitColumnSlots(back);
        }
    }
    if (back.Layout.Reading.anyOn()) {
        LoadOutcome outcome;
        LayOutLines(back, outcome, filling);
        return outcome.status == LoadOutcome::Status::Loaded;
    }
    Messages messages;
    if (back.File.LineCount <= 4 || !FindColumnCount(back, messages)) {
        back.Layout.ColumnCount = 0;
        return false;
    }
    if (back.Layout.ColumnCount == 1)
        FindSingleColumnHeader(back);
    else
        FindHeaderLines(back);
    // The kinds stay for the comparison; the table is filled without numbers.
    const FlagSlots numeric = back.Layout.ColumnIsNumeric;
    const int columns = back.Layout.ColumnCount;
    back.Layout.ColumnIsNumeric.fill(false);
    FillTable(back, filling);
    for (int j = 1; j <= columns; ++j) back.Layout.ColumnIsNumeric[j] = numeric[j];
    return true;
}

} // namespace

ReadBackDifference CompareReadBackLines(const DataSet& ds, DataSet& back, const ProgressReport& filling,
                                        const ProgressReport& comparing) {
    const bool loaded = layOut(back, filling);
    return DifferenceFinder(ds, back, !loaded).find(comparing);
}

ReadBackDifference CompareReadBack(const DataSet& ds, std::string_view bytes) {
    const auto back = ReadingLike(ds);
    back->File.FileLines.assign(bytes);
    return CompareReadBackLines(ds, *back);
}

std::string ReadBackSentence(const ReadBackDifference& difference) {
    return difference.what + "; the saved file would read differently (first: row " + std::to_string(difference.row) +
           ", column " + std::to_string(difference.column) + " \"" + difference.text + "\").";
}

} // namespace varnotile
