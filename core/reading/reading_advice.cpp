#include "reading_advice.h"

#include "continued_lines.h"
#include "loader.h"
#include "number_text.h"

#include <algorithm>
#include <cmath>

namespace varnotile {
namespace {

// Rows looked at for rows without a number: spread over the table, so a huge file costs little.
constexpr int kRowsLookedAt = 1000;

bool startsWithQuote(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first != std::string_view::npos && (text[first] == '"' || text[first] == '\'');
}

// One of the first rows holds text in every numeric column: a names line read as a row (below a
// count line, say).
bool namesAmongTheRows(const DataSet& ds) {
    constexpr int kRowsLooked = 3;
    for (int r = 1; r <= kRowsLooked && r < ds.Layout.DataRowCount; ++r) {
        int texts = 0, numeric = 0;
        for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.columnLimit(); ++k) {
            if (!ds.Layout.ColumnIsNumeric[k]) continue;
            ++numeric;
            const std::string_view text = trimBlanks(ds.Table.Cells.cell(k, r));
            texts += !text.empty() && !IsNumericText(text, ds.decimal()) && !isMissingToken(text, ds.Layout.Reading);
        }
        if (numeric >= 2 && texts == numeric) return true;
    }
    return false;
}

// A line holding a digit ends in a backslash while continued lines are not read: its row is cut in two.
bool rowsEndInABackslash(const DataSet& ds) {
    if (ds.Layout.Reading.continuedLines) return false;
    const int lines = std::min(ds.File.LineCount, kRowsLookedAt);
    for (int i = 1; i < lines; ++i) {
        const std::string_view line = ds.File.FileLines.line(i);
        if (endsInContinuation(line) && !isCommentOrBlank(line, ds.Layout.Reading) &&
            line.find_first_of("0123456789") != std::string_view::npos)
            return true;
    }
    return false;
}

// A line with the data's field count and a number in a numeric column, left above the data.
bool rowsLostAboveTheData(const DataSet& ds) {
    const int delimiter = ds.delimiter();
    LineCells cells;
    for (int i = 1; i < ds.Layout.FirstDataLine; ++i) {
        const std::string_view line = ds.File.FileLines.line(i);
        if (isCommentOrBlank(line, ds.Layout.Reading) || line.empty()) continue;
        const int n = splitFields(line, delimiter, ds.Layout.Reading, cells, ds.columnLimit());
        if (n < ds.Layout.ColumnCount || ds.Layout.ColumnCount < 2) continue;
        for (int k = 1; k <= ds.Layout.ColumnCount && k <= n; ++k)
            if (ds.Layout.ColumnIsNumeric[k] && IsNumericText(cells.cells[static_cast<std::size_t>(k - 1)], ds.decimal()))
                return true;
    }
    return false;
}

bool manyRowsWithoutANumber(const DataSet& ds) {
    const int rows = ds.Layout.DataRowCount;
    if (rows < 3) return false;
    const int step = std::max(1, rows / kRowsLookedAt);
    int looked = 0, without = 0;
    for (int r = 1; r <= rows; r += step) {
        ++looked;
        bool any = false;
        for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.columnLimit() && !any; ++k)
            any = ds.Layout.ColumnIsNumeric[k] && IsNumericText(ds.Table.Cells.cell(k, r), ds.decimal());
        without += !any;
    }
    return without * 10 > looked; // more than one row in ten
}

// A text column whose sample line holds a missing-value token where the rows above hold numbers.
bool columnMadeTextByAToken(const DataSet& ds) {
    ReadOptions tokens;
    tokens.missingAsGaps = true;
    const int rows = ds.Layout.DataRowCount;
    for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.columnLimit(); ++k) {
        if (ds.Layout.ColumnIsNumeric[k] || rows < 2) continue;
        int numbers = 0, missing = 0;
        const int step = std::max(1, rows / kRowsLookedAt);
        for (int r = 1; r <= rows; r += step) {
            const std::string_view text = ds.Table.Cells.cell(k, r);
            if (!text.empty() && isMissingToken(text, tokens))
                ++missing;
            else
                numbers += IsNumericText(text, ds.decimal());
        }
        if (missing > 0 && numbers > 0) return true;
    }
    return false;
}

// A text column whose cells read as numbers with the other decimal separator.
bool numbersWithTheOtherDecimal(const DataSet& ds) {
    const char other = ds.decimal() == ',' ? '.' : ',';
    if (ds.delimiter() == static_cast<unsigned char>(other) || ds.Layout.DataRowCount < 1) return false;
    for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.columnLimit(); ++k) {
        if (ds.Layout.ColumnIsNumeric[k]) continue;
        const std::string_view text = ds.Table.Cells.cell(k, ds.Layout.DataRowCount);
        if (text.find(other) != std::string_view::npos && IsNumericText(text, other)) return true;
    }
    return false;
}

// Lines compared whole; a longer file is compared on its first and last lines, which hold what
// decides a layout (the header, the first data and the sample line at the end).
constexpr int kWholeFileLines = 20000;
constexpr int kHeadLines = 5000;
constexpr int kTailLines = 500;

std::string linesToCompare(const FileLines& lines) {
    std::string text;
    auto add = [&](int from, int to) {
        for (int i = from; i <= to; ++i) text.append(lines.line(i)).push_back('\n');
    };
    const int count = lines.count();
    if (count <= kWholeFileLines) {
        text.reserve(lines.text().size() + 1);
        add(1, count);
    } else {
        add(1, kHeadLines);
        add(count - kTailLines + 1, count);
    }
    return text;
}

// `text` read with `choice` as a load of `ds` with that choice would read it.
void readWith(DataSet& probe, const DataSet& ds, std::string_view text, const ReadingChoice& choice) {
    // Lines that end at CRs alone, which the loaded lines dropped, are split from the file's head.
    const std::string_view head = ds.File.FileLines.headWithLoneCrs();
    const bool resplit = choice.options.crLineEnds && !ds.File.FileLines.crEndsLines() && !head.empty();
    probe.File.FileLines.setCrEndsLines(choice.options.crLineEnds);
    probe.File.FileLines.assign(resplit ? head : text);
    probe.File.LineCount = probe.File.FileLines.count();
    probe.DecimalSeparator = ds.DecimalSeparator;
    probe.Settings = ds.Settings;
    probe.Layout.ListSeparator = choice.delimiter;
    probe.Layout.Reading = choice.options;
    LoadOutcome outcome;
    LayOutLines(probe, outcome);
}

bool sameTable(const DataSet& a, const DataSet& b) {
    const DataLayout &la = a.Layout, &lb = b.Layout;
    if (la.ColumnCount != lb.ColumnCount || la.DataRowCount != lb.DataRowCount ||
        la.HeaderLineCount != lb.HeaderLineCount)
        return false;
    for (int k = 1; k <= la.ColumnCount && k <= std::min(a.fieldSlots(), b.fieldSlots()); ++k)
        if (la.ColumnNames[k] != lb.ColumnNames[k] || la.ColumnLabels[k] != lb.ColumnLabels[k] ||
            la.ColumnIsNumeric[k] != lb.ColumnIsNumeric[k] ||
            (k <= std::min(a.columnLimit(), b.columnLimit()) && a.Table.MissingCount[k] != b.Table.MissingCount[k]))
            return false;
    for (int r = 1; r <= la.DataRowCount; ++r)
        for (int k = 1; k <= la.ColumnCount; ++k)
            if (a.Table.Cells.cell(k, r) != b.Table.Cells.cell(k, r)) return false;
    return true;
}

// What a reading made of the cells: numbers read (times included), texts in numeric columns
// (read as 0), missing values (tokens and markers that were written), texts with a digit in text
// columns (numbers the reading did not take), texts still in quotes and rows with no text at all.
struct Tally {
    long numbers = 0, textsAsZero = 0, missing = 0, numbersAsText = 0, quoted = 0, emptyRows = 0;
    std::size_t signs = 0;
    int unnamed = 0; // columns without a name
    int namesLeftOut = 0; // names in the names line past the last column
};

bool inQuotes(std::string_view text) {
    text = trimBlanks(text);
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
}

Tally tally(const DataSet& ds) {
    Tally t;
    t.signs = ds.Layout.PoorReadingSigns.size();
    const char decimal = ds.decimal();
    const int lastNumeric = std::min(ds.Layout.ColumnCount, ds.columnLimit());
    for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.fieldSlots(); ++k) {
        t.quoted += inQuotes(ds.Layout.ColumnNames[k]);
        t.unnamed += trimBlanks(ds.Layout.ColumnNames[k]).empty();
    }
    if (const int names = ds.Layout.NamedLineAt[0]; names >= 1 && names <= ds.File.LineCount) {
        LineCells cells;
        const int fields = splitFields(ds.File.FileLines.line(names), ds.delimiter(),
                                       ds.Layout.Reading, cells, 64);
        for (int k = ds.Layout.ColumnCount + 1; k <= fields && k <= 64; ++k)
            t.namesLeftOut += !trimBlanks(cells.cells[static_cast<std::size_t>(k - 1)]).empty();
    }
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        bool empty = true;
        for (int k = 1; k <= ds.Layout.ColumnCount; ++k) {
            const std::string_view text = ds.Table.Cells.cell(k, r);
            empty = empty && text.find_first_not_of(" \t") == std::string_view::npos;
            if (text.empty()) continue;
            t.quoted += inQuotes(text);
            const bool numericColumn = k <= lastNumeric && ds.Layout.ColumnIsNumeric[k];
            if (isMissingToken(text, ds.Layout.Reading)) {
                t.missing += numericColumn;
                continue;
            }
            if (!numericColumn) {
                t.numbersAsText += std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
                continue;
            }
            const bool time = ds.Layout.ColumnTime[k] != TimeKind::None;
            const bool written = time || IsNumericText(text, decimal);
            if (!written)
                ++t.textsAsZero;
            else if (std::isnan(ds.cellNumber(k, text)))
                time ? ++t.textsAsZero : ++t.missing; // a time of another form, or a missing-value marker
            else
                ++t.numbers;
        }
        t.emptyRows += empty;
    }
    return t;
}

// The file holds several tables and the whole-file reading mixes them or hides the largest; a
// table or two of settings above the data, which the plain rules keep as header text, is no sign.
std::string tablesSign(const DataSet& ds) {
    const std::vector<TableBlock>& tables = ds.Layout.Proposal.tables;
    if (tables.size() < 2 || ds.Layout.Proposal.options.table == 0 || ds.Layout.Reading.table != 0) return {};
    for (std::size_t k = 0; k + 1 < tables.size(); ++k)
        if (tables[k].lastLine >= ds.Layout.FirstDataLine) return "the rows of several tables are read as one table";
    if (LargestTable(tables) != static_cast<int>(tables.size()))
        return "only the last of " + std::to_string(tables.size()) + " tables shows";
    return {};
}

// A number the proposal takes for a missing-value marker ("-9999") that the reading in effect
// reads as a value: far off the column's others, it spoils the chart and the statistics.
bool markerReadAsValue(const DataSet& ds) {
    const std::vector<double> current = missingMarkers(ds.Layout.Reading);
    for (const double marker : missingMarkers(ds.Layout.Proposal.options))
        if (!isMarker(marker, current)) return true;
    return false;
}

} // namespace

bool ProposalReadsBetter(const DataSet& ds) {
    const ReadingChoice now = CurrentChoice(ds), proposed = ProposedChoice(ds);
    // The delimiter does not matter while whitespace splits the lines.
    const bool sameDelimiter = now.delimiter == proposed.delimiter || (now.options.whitespace && proposed.options.whitespace);
    if (sameDelimiter && now.options == proposed.options) return false;
    // A date and a time column read as one axis: the same table, and a time axis for the chart.
    ReadOptions withAxis = now.options;
    withAxis.dateTimeAxis = true;
    if (sameDelimiter && now.options.datesAndTimes && withAxis == proposed.options) return true;
    const std::string text = linesToCompare(ds.File.FileLines);
    DataSet a, b;
    readWith(a, ds, text, now);
    readWith(b, ds, text, proposed);
    if (sameTable(a, b)) return false;
    // One table of several, where the whole file mixes them or hides the largest: the numbers of
    // the other tables are not lost, they are another choice in the bar.
    if (proposed.options.table != 0 && proposed.options.table != now.options.table && !tablesSign(ds).empty())
        return true;
    const Tally ta = tally(a), tb = tally(b);
    const long moreNumbers = tb.numbers - ta.numbers, moreTexts = tb.textsAsZero - ta.textsAsZero;
    // Texts read as 0 where there were none, with no more names found (names taken for data),
    // only when many more numbers come with them.
    if (moreTexts > 0 && moreNumbers < 10 * moreTexts && b.Layout.HeaderLineCount <= a.Layout.HeaderLineCount)
        return false;
    // Numbers that are gone and did not become missing values (a marker such as -9999) count
    // only when at least as many texts read as 0 went with them (a count line above the names).
    const long lost = -moreNumbers - std::max(0L, tb.missing - ta.missing);
    if (lost > 0 && lost > -moreTexts) return false;
    if (moreNumbers > 0 || moreTexts < 0) return true;
    // As many numbers: better with fewer numbers left in texts, texts in quotes, empty rows or
    // signs, and none more; with all of those even, better with fewer columns left unnamed.
    const bool noneMore = tb.numbersAsText <= ta.numbersAsText && tb.quoted <= ta.quoted &&
                          tb.emptyRows <= ta.emptyRows && tb.signs <= ta.signs;
    const bool even = tb.textsAsZero == ta.textsAsZero && tb.numbersAsText == ta.numbersAsText && tb.quoted == ta.quoted && tb.emptyRows == ta.emptyRows &&
                      tb.signs == ta.signs;
    if (even && ta.numbers == tb.numbers) return tb.unnamed + tb.namesLeftOut < ta.unnamed + ta.namesLeftOut;
    return noneMore && (tb.numbersAsText < ta.numbersAsText || tb.quoted < ta.quoted || tb.emptyRows < ta.emptyRows ||
                        tb.signs < ta.signs);
}

std::vector<std::string> PoorReadingSigns(const DataSet& ds) {
    std::vector<std::string> signs;
    if (ds.Layout.ColumnCount < 1) return signs;
    bool anyNumeric = false;
    for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.columnLimit(); ++k) anyNumeric = anyNumeric || ds.Layout.ColumnIsNumeric[k];
    if (!anyNumeric) signs.emplace_back("no numeric column");
    if (rowsLostAboveTheData(ds)) signs.emplace_back("rows above a blank or comment line were not read as data");
    if (anyNumeric && manyRowsWithoutANumber(ds)) signs.emplace_back("many rows hold no number");
    for (int k = 1; k <= ds.Layout.ColumnCount && k <= ds.fieldSlots(); ++k)
        if (startsWithQuote(ds.Layout.ColumnNames[k])) {
            signs.emplace_back("the names are in quotes");
            break;
        }
    if (namesAmongTheRows(ds)) signs.emplace_back("a names line was read as a row");
    if (rowsEndInABackslash(ds)) signs.emplace_back("rows end in a backslash");
    if (columnMadeTextByAToken(ds)) signs.emplace_back("a missing-value token made a column text");
    if (ds.Layout.Proposal.options.datesAndTimes && !ds.Layout.Reading.datesAndTimes)
        signs.emplace_back("a column of dates or times is text");
    if (markerReadAsValue(ds)) signs.emplace_back("a marker for missing values is read as a value");
    if (numbersWithTheOtherDecimal(ds)) signs.emplace_back("a column of numbers with another decimal separator is text");
    if (std::string sign = tablesSign(ds); !sign.empty()) signs.push_back(std::move(sign));
    if (ds.Layout.ColumnsBeyondLimit && !ds.Layout.Reading.wideFiles) signs.emplace_back("columns past the tenth are not shown");
    return signs;
}

ReadingChoice CurrentChoice(const DataSet& ds) { return {ds.Layout.ListSeparator, ds.Layout.Reading}; }

ReadingChoice ProposedChoice(const DataSet& ds) {
    ReadingChoice choice{ds.Layout.Proposal.delimiter, ds.Layout.Proposal.options};
    if (choice.delimiter.empty()) choice.delimiter = ds.Layout.ListSeparator;
    // The detector cannot tell which way round dates that read either way are: the user's choice stays.
    choice.options.dayFirst = ds.Layout.Reading.dayFirst;
    return choice;
}

bool ShouldOfferProposal(const DataSet& ds) { return ds.Layout.ProposalReadsBetter; }

} // namespace varnotile
