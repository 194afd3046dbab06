#include "reading_advice.h"

#include "number_text.h"

#include <algorithm>

namespace varnotile {
namespace {

// Rows looked at for rows without a number: spread over the table, so a huge file costs little.
constexpr int kRowsLookedAt = 1000;

bool startsWithQuote(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first != std::string_view::npos && text[first] == '"';
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

} // namespace

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
    if (columnMadeTextByAToken(ds)) signs.emplace_back("a missing-value token made a column text");
    if (numbersWithTheOtherDecimal(ds)) signs.emplace_back("a column of numbers with another decimal separator is text");
    if (ds.Layout.ColumnsBeyondLimit && !ds.Layout.Reading.wideFiles) signs.emplace_back("columns past the tenth are not shown");
    return signs;
}

ReadingChoice CurrentChoice(const DataSet& ds) { return {ds.Layout.ListSeparator, ds.Layout.Reading}; }

ReadingChoice ProposedChoice(const DataSet& ds) {
    ReadingChoice choice{ds.Layout.Proposal.delimiter, ds.Layout.Proposal.options};
    if (choice.delimiter.empty()) choice.delimiter = ds.Layout.ListSeparator;
    return choice;
}

bool ShouldOfferProposal(const DataSet& ds) {
    if (ds.Layout.PoorReadingSigns.empty()) return false;
    const ReadingChoice now = CurrentChoice(ds), proposed = ProposedChoice(ds);
    // The delimiter does not matter while whitespace splits the lines.
    const bool sameDelimiter = now.delimiter == proposed.delimiter || (now.options.whitespace && proposed.options.whitespace);
    return !(sameDelimiter && now.options == proposed.options);
}

} // namespace varnotile
