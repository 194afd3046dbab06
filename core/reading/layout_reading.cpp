#include "layout_reading.h"

#include "continued_lines.h"
#include "number_text.h"
#include "parallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>

namespace varnotile {
namespace {

// With comment lines on the preamble may be long: the header scan reaches this far.
constexpr int kLongHeaderScan = 200;
// The robust sample line is chosen among this many last lines.
constexpr int kRobustWindow = 50;
// A scan that has seen this many lines in a row with the data's field count is in the data.
constexpr int kMatchedRun = 20;

class OptionLines {
public:
    explicit OptionLines(const DataSet& ds)
        : ds_(ds), options_(ds.Layout.Reading), delimiter_(ds.delimiter()), limit_(ds.columnLimit()) {
        if (!options_.continuedLines) return;
        auto records = std::make_shared<ContinuedRecords>();
        records->find(ds.File.FileLines, options_);
        if (!records->empty()) records_ = std::move(records);
    }

    // The text of line i, or of the whole record when a continued record starts there.
    std::string_view line(int i) const {
        if (records_)
            if (const std::string* text = records_->text(static_cast<uint32_t>(i))) return *text;
        return ds_.File.FileLines.line(i);
    }
    // A later line of a continued record: a part of the row above, never a row of its own.
    bool continues(int i) const { return records_ && records_->continues(static_cast<uint32_t>(i)); }
    const std::shared_ptr<const ContinuedRecords>& records() const { return records_; }
    // Line i without its comment after the data.
    std::string_view data(int i) const {
        const std::string_view text = line(i);
        return text.substr(0, inlineCommentAt(text, delimiter_, options_));
    }
    bool skipped(int i) const { return continues(i) || isCommentOrBlank(line(i), options_); }
    // A line that can hold data: not a comment or blank line, and not empty.
    bool candidate(int i) const { return !skipped(i) && !line(i).empty(); }
    // The fields of line i as the plain rules count them (trailing spaces and delimiters
    // trimmed, counted up to an 11th), split with the reading options.
    int split(int i) { return split(line(i)); }
    int split(std::string_view text) {
        text = text.substr(0, inlineCommentAt(text, delimiter_, options_));
        split_ = text.substr(0, trimmedLength(text, delimiter_));
        return splitFields(split_, delimiter_, options_, cells_, limit_);
    }
    std::string_view field(int j) const {
        return j >= 1 && static_cast<std::size_t>(j) <= cells_.cells.size() ? cells_.cells[static_cast<std::size_t>(j - 1)]
                                                                             : std::string_view{};
    }
    // Field count as the plain rules take it: a trailing empty field does not count.
    int columns(int i) { return counted(split(i)); }
    // The `fields` of the line just split, less a trailing empty one; an empty text in quotes
    // ("") is a cell that was written, so it counts.
    int counted(int fields) const {
        if (!field(fields).empty()) return fields;
        const std::string_view text = trimBlanks(split_);
        return options_.quotedTexts && text.size() >= 2 && text.back() == '"' ? fields : fields - 1;
    }
    // Field count without trimming: with missing values on, trailing empty fields are cells.
    int rawColumns(int i) {
        split_ = line(i);
        return splitFields(split_, delimiter_, options_, cells_, limit_);
    }
    // True when the line just split holds a number in one of its first `count` fields.
    bool holdsANumber(int count) const {
        for (int j = 1; j <= count && j <= limit_; ++j)
            if (numeric(field(j))) return true;
        return false;
    }
    // With missing values on: a row label followed by nothing but missing values, as many fields
    // as the table has or more ("1990-02-05,,,,"). A row of gaps, which the plain rules take for
    // a shorter line since they trim the trailing delimiters.
    bool rowOfGaps(int i, int columns) {
        if (!options_.missingAsGaps || columns < 2) return false;
        const int n = rawColumns(i);
        if (n < columns || trimBlanks(field(1)).empty()) return false;
        for (int j = 2; j <= n && j <= limit_; ++j)
            if (!missing(field(j))) return false;
        return true;
    }
    bool numeric(std::string_view text) const { return IsNumericText(text, ds_.decimal()); }
    bool missing(std::string_view text) const { return isMissingToken(text, options_); }
    int limit() const { return limit_; }

private:
    const DataSet& ds_;
    const ReadOptions& options_;
    const int delimiter_;
    const int limit_;
    LineCells cells_;
    std::string_view split_; // the text split last by split()
    std::shared_ptr<const ContinuedRecords> records_;
};

// The lines read as the file: all of them, or with a table chosen that table's.
struct LineWindow {
    int first, last;
};
LineWindow windowOf(const DataSet& ds) {
    if (ds.Layout.Reading.table != 0 && ds.Layout.TableLastLine > 0)
        return {ds.Layout.TableFromLine, std::min(ds.Layout.TableLastLine, ds.File.LineCount)};
    return {1, ds.File.LineCount};
}

// The sample line: the last line that can hold data, or the one before it when that one is
// longer (as the plain rules take it). Robust: the last line whose field count is the most
// common one among the last lines, so that a footer does not decide.
// `lastRow` is the last line of the rows: with the robust sample, the last line with the table's
// field count; the lines after it are the trailer.
int sampleLine(const DataSet& ds, OptionLines& lines, int& lastRow) {
    const LineWindow lineWindow = windowOf(ds);
    const int top = lineWindow.first;
    int last = lineWindow.last;
    while (last >= top && !lines.candidate(last)) --last;
    lastRow = last;
    if (last < top) return 0;
    if (!ds.Layout.Reading.robustSample) {
        int before = last - 1;
        while (before >= top && lines.skipped(before)) --before;
        if (before >= top && lines.data(before).size() > lines.data(last).size()) return before;
        return last;
    }
    // Only lines that hold a number take part, so that a footer of words never decides; trailing
    // empty fields count, since they are cells of a data line too.
    std::map<int, int> seen;
    std::vector<std::pair<int, int>> window; // line, field count
    for (int i = last; i >= top && static_cast<int>(window.size()) < kRobustWindow; --i) {
        if (!lines.candidate(i)) continue;
        const int count = lines.rawColumns(i);
        if (!lines.holdsANumber(count)) continue;
        window.emplace_back(i, count);
        ++seen[count];
    }
    if (window.empty()) return last;
    int best = window.front().second;
    for (const auto& [count, times] : seen)
        if (times > seen[best]) best = count;
    // With missing values on, shorter lines are rows whose last cells are empty: the widest count
    // that a tenth of the lines have is the table's.
    if (ds.Layout.Reading.missingAsGaps)
        for (const auto& [count, times] : seen)
            if (count > best && times * 10 >= static_cast<int>(window.size())) best = count;
    // The nearest line with that count and no missing cell shows best what each column holds.
    int fallback = 0, looked = 0;
    for (int i = last; i >= top && looked < kRobustWindow * 4; --i) {
        if (!lines.candidate(i)) continue;
        ++looked;
        const int count = lines.rawColumns(i);
        if (count != best || !lines.holdsANumber(count)) continue;
        if (fallback == 0) fallback = lastRow = i;
        bool complete = true;
        for (int j = 1; j <= count && complete; ++j) complete = !lines.missing(lines.field(j));
        if (complete) return i;
    }
    return fallback != 0 ? fallback : last;
}

// A column is numeric when the sample's field is a number. With missing values on, a missing
// sample field does not decide: the nearest line above it with a value there does.
bool columnIsNumeric(OptionLines& lines, int top, int sample, int column) {
    lines.split(sample);
    const std::string_view text = lines.field(column);
    if (!lines.missing(text)) return lines.numeric(text);
    for (int i = sample - 1, looked = 0; i >= top && looked < kRobustWindow * 4; --i) {
        if (!lines.candidate(i)) continue;
        ++looked;
        lines.split(i);
        const std::string_view above = lines.field(column);
        if (!lines.missing(above)) return lines.numeric(above);
    }
    return false;
}

// With dates and times on, a column whose sample field reads as a date or time is a time column
// of the kind every such cell above it (up to a few hundred lines) reads as: slashed dates that
// read both ways follow the day/month choice.
TimeKind timeColumnKind(OptionLines& lines, int sample, int column, const ReadOptions& options) {
    lines.split(sample);
    unsigned kinds = timeKindsOf(lines.field(column));
    for (int i = sample - 1, looked = 0; kinds != 0 && i >= 1 && looked < kRobustWindow * 20; --i) {
        if (!lines.candidate(i)) continue;
        ++looked;
        lines.split(i);
        const std::string_view above = lines.field(column);
        // Header texts and missing cells read as no time at all and do not narrow the kind.
        if (const unsigned here = timeKindsOf(above); here != 0) kinds &= here;
    }
    auto has = [&](TimeKind kind) { return (kinds & (1u << static_cast<unsigned>(kind))) != 0; };
    if (has(TimeKind::Clock)) return TimeKind::Clock;
    if (has(TimeKind::YearFirst)) return TimeKind::YearFirst;
    if (has(TimeKind::DayFirst) && has(TimeKind::MonthFirst))
        return options.dayFirst ? TimeKind::DayFirst : TimeKind::MonthFirst;
    if (has(TimeKind::DayFirst)) return TimeKind::DayFirst;
    if (has(TimeKind::MonthFirst)) return TimeKind::MonthFirst;
    return TimeKind::None;
}

void takeNames(DataSet& ds, OptionLines& lines, int columns, int line, DataLayout::NamesShape shape, int& namesLine) {
    for (int j = 1; j <= columns && j <= ds.fieldSlots(); ++j) ds.Layout.ColumnNames[j].assign(lines.field(j));
    ds.Layout.HeaderLineCount = 1;
    ds.Layout.NamesLineShape = shape;
    namesLine = line;
}

// With names in a comment line: from line i (the nearest line above the data that is not blank
// or ruled) up through comment and blank lines, the first comment line whose cells after the
// prefix (and a "#L" tag) are one per column and not all numbers names the columns. A line that
// is no comment names them when rule lines stand right above and below it and it holds no number.
bool namesInCommentLine(DataSet& ds, OptionLines& lines, int columns, int i, int& namesLine) {
    const ReadOptions& options = ds.Layout.Reading;
    const int top = windowOf(ds).first;
    if (!lines.skipped(i)) {
        if (i - 1 < top || i + 1 >= ds.Layout.FirstDataLine || !isRuleLine(lines.line(i - 1)) ||
            !isRuleLine(lines.line(i + 1)))
            return false;
        const int n = lines.counted(lines.split(i));
        if (n != columns || n > lines.limit() || lines.holdsANumber(n)) return false;
        takeNames(ds, lines, columns, i, DataLayout::NamesShape::PerColumn, namesLine);
        return true;
    }
    for (; i >= top && lines.skipped(i) && !lines.continues(i); --i) {
        const std::string_view line = lines.line(i);
        const std::size_t at = commentNamesAt(line, options);
        if (at == std::string_view::npos || isRuleLine(line)) continue;
        const int n = lines.split(line.substr(at));
        if (n != columns || n > lines.limit()) continue;
        bool allNumbers = true;
        for (int j = 1; j <= n && allNumbers; ++j) allNumbers = lines.numeric(trimBlanks(lines.field(j)));
        if (allNumbers) continue;
        takeNames(ds, lines, columns, i, DataLayout::NamesShape::InComment, namesLine);
        return true;
    }
    return false;
}

// Names the plain scan leaves as free text, in three common shapes, looked for in the nearest
// line above the data that is not blank or ruled: a comment line holding one name per column
// ("# time temp"), a names line without a name for the first column (row labels), and a names
// line led by a label ("Data: y x"). The line found is marked `namesLine`.
bool namesAboveTheData(DataSet& ds, OptionLines& lines, int columns, int& namesLine) {
    const ReadOptions& options = ds.Layout.Reading;
    const int top = windowOf(ds).first;
    int i = ds.Layout.FirstDataLine - 1;
    while (i >= top && (lines.line(i).find_first_not_of(" \t") == std::string_view::npos || isRuleLine(lines.line(i)))) --i;
    if (i < top || lines.continues(i)) return false;
    if (options.namesInComment && options.commentLines && namesInCommentLine(ds, lines, columns, i, namesLine)) return true;
    std::string_view text = lines.line(i);
    int skip = 0; // names before the first column
    int shift = 0; // columns before the first name
    if (lines.skipped(i)) {
        if (options.commentPrefix.empty()) return false;
        const std::size_t at = text.find(options.commentPrefix);
        text = text.substr(at + options.commentPrefix.size());
    }
    const int n = lines.split(text);
    if (n > lines.limit() || lines.holdsANumber(n)) return false;
    if (lines.skipped(i)) {
        if (n != columns) return false;
    } else if (n == columns - 1) {
        shift = 1;
    } else if (n == columns + 1 && !lines.field(1).empty() && lines.field(1).back() == ':') {
        skip = 1;
    } else {
        return false;
    }
    for (int j = 1; j <= columns && j <= ds.fieldSlots(); ++j) {
        const int from = j - shift + skip;
        ds.Layout.ColumnNames[j].assign(from >= 1 ? lines.field(from) : std::string_view{});
    }
    ds.Layout.HeaderLineCount = 1;
    ds.Layout.NamesLineShape = lines.skipped(i) ? DataLayout::NamesShape::InComment
                               : shift == 1     ? DataLayout::NamesShape::WithoutFirst
                                                : DataLayout::NamesShape::AfterLabel;
    namesLine = i;
    return true;
}

// Names over all columns but the first (row labels), with a units line of the same shape below
// them: the line above the one namesAboveTheData() found names the columns, that one labels them.
void namesOverUnits(DataSet& ds, OptionLines& lines, int columns, std::vector<int>& nameLines) {
    if (ds.Layout.NamesLineShape != DataLayout::NamesShape::WithoutFirst || nameLines.size() != 1) return;
    const int units = nameLines.front(), above = units - 1;
    if (above < 1 || lines.skipped(above) || lines.line(above).empty()) return;
    const int n = lines.split(above);
    if (n != columns - 1 || lines.holdsANumber(n)) return;
    for (int j = 1; j <= columns && j <= ds.fieldSlots(); ++j) {
        ds.Layout.ColumnLabels[j] = std::move(ds.Layout.ColumnNames[j]);
        ds.Layout.ColumnNames[j].assign(lines.field(j - 1));
    }
    ds.Layout.HeaderLineCount = 2;
    nameLines = {above, units};
}

// A count line ("150,4,setosa,versicolor,virginica") has the data's field count and holds
// numbers, so the scan takes it for the first row and the names below it for a row of text.
// The first line without a number among the next few names the columns instead; the lines
// above it become header text. Without a names line, a count line holding words where the data
// hold numbers is header text too.
void skipCountLines(DataSet& ds, OptionLines& lines, int columns) {
    constexpr int kLinesLooked = 4;
    int looked = 0;
    bool wordsOverNumbers = false;
    for (int i = ds.Layout.FirstDataLine; i <= ds.File.LineCount && looked < kLinesLooked; ++i) {
        if (lines.skipped(i)) continue;
        ++looked;
        const int n = std::min(lines.split(i), columns);
        int words = 0;
        for (int j = 1; j <= n; ++j) {
            const std::string_view text = trimBlanks(lines.field(j));
            words += ds.Layout.ColumnIsNumeric[j] && !text.empty() && !lines.numeric(text) && !lines.missing(text);
        }
        if (looked == 1) wordsOverNumbers = words >= 2;
        if (lines.holdsANumber(n)) {
            if (looked == 2 && wordsOverNumbers && words == 0) {
                ds.Layout.FirstDataLine = i;
                return;
            }
            continue;
        }
        // A names line comes first (the plain rules find it), and a row of missing values is no names line.
        bool named = false;
        for (int j = 1; j <= n && !named; ++j) named = !trimBlanks(lines.field(j)).empty() && !lines.missing(lines.field(j));
        if (looked > 1 && named && lines.columns(i) == columns) ds.Layout.FirstDataLine = i;
        return;
    }
}

// 'time' 'volt': the names and labels without their single quotes.
void dropSingleQuotes(DataSet& ds, int columns) {
    for (StringSlots* texts : {&ds.Layout.ColumnNames, &ds.Layout.ColumnLabels, &ds.Layout.ColumnHeader3})
        for (int j = 1; j <= columns && j <= ds.fieldSlots(); ++j) {
            const std::string_view text = trimBlanks((*texts)[j]);
            if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
                (*texts)[j] = std::string(text.substr(1, text.size() - 2));
        }
}

void keepAsHeaderText(DataSet& ds, int i, std::string_view text) {
    if (i <= kHeaderScan)
        ds.Layout.HeaderLines[i].assign(text);
    else if (!text.empty())
        ds.Layout.LongPreamble.emplace_back(text);
}

} // namespace

namespace {

int findSample(DataSet& ds, OptionLines& lines, Messages& messages, int& lastRow) {
    lastRow = 0;
    const int sample = sampleLine(ds, lines, lastRow);
    if (sample < 1) return 0;
    const int fields = ds.Layout.Reading.missingAsGaps ? lines.rawColumns(sample) : lines.split(sample);
    ds.Layout.ColumnsBeyondLimit = fields > lines.limit();
    if (ds.Layout.ColumnsBeyondLimit) messages.emplace_back(TooManyColumnsMessage(ds.Layout.Reading));
    const int columns = std::max(1, lines.counted(fields));
    ds.Layout.ColumnCount = columns;
    const int top = windowOf(ds).first;
    for (int j = 1; j <= columns && j <= lines.limit(); ++j) {
        ds.Layout.ColumnIsNumeric[j] = columnIsNumeric(lines, top, sample, j);
        ds.Layout.ColumnTime[j] = TimeKind::None;
        if (ds.Layout.Reading.datesAndTimes && !ds.Layout.ColumnIsNumeric[j]) {
            ds.Layout.ColumnTime[j] = timeColumnKind(lines, sample, j, ds.Layout.Reading);
            ds.Layout.ColumnIsNumeric[j] = ds.Layout.ColumnTime[j] != TimeKind::None;
        }
    }
    return sample;
}

} // namespace

int FindSampleWithOptions(DataSet& ds, Messages& messages, int& lastRow) {
    OptionLines lines(ds);
    return findSample(ds, lines, messages, lastRow);
}

bool FindLayoutWithOptions(DataSet& ds, Messages& messages, DataLines& data) {
    const ReadOptions& options = ds.Layout.Reading;
    OptionLines lines(ds);
    int lastRow = 0;
    if (findSample(ds, lines, messages, lastRow) < 1) return false;
    const int columns = ds.Layout.ColumnCount;
    // With a table chosen, its lines are read as the file; the lines before them are written
    // back as they stand, the lines after them as a trailer.
    const LineWindow window = windowOf(ds);
    const int top = window.first;

    // Free header text: lines before the data whose field count differs, and comment or blank
    // lines wherever they stand before it. The scan ends once the data have clearly begun.
    // The trailer after the last row is never header text.
    const int scanEnd =
        std::min({window.last, top - 1 + (options.commentLines ? kLongHeaderScan : kHeaderScan), lastRow});
    ds.Layout.FirstDataLine = top;
    std::vector<int> nameLines;
    if (columns == 1) {
        for (int i = top; i <= scanEnd; ++i) {
            if (!lines.skipped(i) && lines.numeric(lines.data(i))) break;
            ds.Layout.FirstDataLine = i + 1;
        }
    } else {
        int matchedRun = 0;
        for (int i = top; i <= scanEnd && matchedRun < kMatchedRun; ++i) {
            if (lines.skipped(i)) continue;
            const int count = lines.columns(i);
            // With missing values on, a shorter line holding a number is a row with empty cells.
            const bool shortRow = options.missingAsGaps && count < columns && lines.holdsANumber(count);
            // A row of gaps once the names or the data have begun; before them it may be a title.
            const bool gaps = count < columns && matchedRun > 0 && lines.rowOfGaps(i, columns);
            if (count != columns && !shortRow && !gaps) {
                ds.Layout.FirstDataLine = i + 1;
                matchedRun = 0;
            } else {
                ++matchedRun;
            }
        }
        if (options.namesAboveData) skipCountLines(ds, lines, columns);
        // Up to three lines without a number name, label and head the columns.
        int i = ds.Layout.FirstDataLine;
        while (ds.Layout.HeaderLineCount < kNamedHeaderLines && i <= window.last) {
            if (lines.skipped(i)) {
                ++i;
                continue;
            }
            if (lines.rowOfGaps(i, columns)) break;
            const int n = lines.split(i);
            bool anyNumeric = false;
            for (int j = 1; j <= columns && j <= n && !anyNumeric; ++j) anyNumeric = lines.numeric(lines.field(j));
            if (anyNumeric) break;
            ++ds.Layout.HeaderLineCount;
            StringSlots& target = ds.Layout.HeaderLineCount == 1   ? ds.Layout.ColumnNames
                                  : ds.Layout.HeaderLineCount == 2 ? ds.Layout.ColumnLabels
                                                                   : ds.Layout.ColumnHeader3;
            for (int j = 1; j <= columns && j <= ds.fieldSlots(); ++j) target[j].assign(lines.field(j));
            nameLines.push_back(i);
            ds.Layout.FirstDataLine = ++i;
        }
    }
    // Comment and blank lines right above the first row belong to the header.
    while (ds.Layout.FirstDataLine <= window.last && lines.skipped(ds.Layout.FirstDataLine)) ++ds.Layout.FirstDataLine;
    if (int namesLine = 0; columns > 1 && ds.Layout.HeaderLineCount == 0 && namesAboveTheData(ds, lines, columns, namesLine))
        nameLines.push_back(namesLine);
    if (options.namesAboveData) namesOverUnits(ds, lines, columns, nameLines);
    for (std::size_t h = 0; h < nameLines.size() && h < ds.Layout.NamedLineAt.size(); ++h) ds.Layout.NamedLineAt[h] = nameLines[h];
    if (options.singleQuotedNames) dropSingleQuotes(ds, columns);

    // Everything before the data that is not a names line stays as free header text, so no
    // line is lost on a save.
    for (int i = top; i < ds.Layout.FirstDataLine; ++i)
        if (std::find(nameLines.begin(), nameLines.end(), i) == nameLines.end()) keepAsHeaderText(ds, i, lines.line(i));

    // Data rows: every line from the first data line on, except comment and blank lines and,
    // with the robust sample line, the trailer after it.
    bool lastWasRow = false;
    for (int i = ds.Layout.FirstDataLine; i <= ds.File.LineCount; ++i) {
        const auto id = static_cast<CellTable::RowId>(i);
        if (lines.continues(i)) {
            // Written with the row it continues; the later lines of a record that is no row
            // (past the table, in the trailer) are kept as lines of their own.
            if (!lastWasRow) data.skipped.push_back(id);
            continue;
        }
        const bool skipped = lines.skipped(i);
        lastWasRow = !(skipped || (options.robustSample && i > lastRow) || i > window.last);
        if (!lastWasRow) {
            data.skipped.push_back(id);
            if (skipped && lines.line(i).find_first_not_of(" \t") == std::string_view::npos) data.breaks.push_back(id);
        } else {
            data.rows.push_back(id);
        }
    }
    // Blank lines after the last row break nothing.
    while (!data.breaks.empty() && (data.rows.empty() || data.breaks.back() > data.rows.back())) data.breaks.pop_back();
    data.records = lines.records();
    return true;
}

void FillTableWithOptions(DataSet& ds, DataLines data) {
    const ReadOptions& options = ds.Layout.Reading;
    const int columns = ds.Layout.ColumnCount;
    const std::size_t rowCount = data.rows.size();
    ds.Layout.DataRowCount = static_cast<int>(rowCount);
    const std::size_t slots = rowCount + 1;
    ds.Table.RowIncluded.assign(slots, 1);
    ds.Table.RowIncluded[0] = 0;
    const int limit = ds.columnLimit();
    std::vector<uint8_t> numeric(static_cast<std::size_t>(limit) + 2, 0);
    std::vector<TimeKind> time(static_cast<std::size_t>(limit) + 2, TimeKind::None);
    for (int k = 1; k <= columns && k <= limit; ++k) {
        numeric[static_cast<std::size_t>(k)] = ds.Layout.ColumnIsNumeric[k];
        time[static_cast<std::size_t>(k)] = ds.Layout.ColumnTime[k];
        if (!ds.Layout.ColumnIsNumeric[k]) continue;
        ds.Table.Values[k].reserve(2 * slots); // room for appended rows, as the plain load leaves
        ds.Table.Values[k].assign(slots, 0.0);
    }
    constexpr std::size_t kRowsWorthSharing = 200000;
    const std::size_t parts = partsFor(rowCount, kRowsWorthSharing);
    const int delimiter = ds.delimiter();
    const char decimal = ds.decimal();
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> markers = missingMarkers(options);
    std::vector<CellTable::RowId> extraFirstLines(parts, 0);
    std::vector<std::vector<int>> missing(parts);
    forEachInParallel(parts, [&](std::size_t part) {
        LineCells cells;
        auto& missingHere = missing[part];
        missingHere.assign(static_cast<std::size_t>(limit) + 1, 0);
        const std::size_t first = rowCount * part / parts, last = rowCount * (part + 1) / parts;
        for (std::size_t r = first; r < last; ++r) {
            const std::string_view line = recordText(ds.File.FileLines, data.records.get(), data.rows[r]);
            const int n = splitFields(line, delimiter, options, cells, columns + 1);
            for (int k = 1; k <= columns && k <= limit; ++k) {
                if (!numeric[static_cast<std::size_t>(k)]) continue;
                const std::string_view field = k <= n ? cells.cells[static_cast<std::size_t>(k - 1)] : std::string_view{};
                double& value = ds.Table.Values[k][r + 1];
                if (isMissingToken(field, options)) {
                    value = kMissing;
                    ++missingHere[static_cast<std::size_t>(k)];
                } else if (time[k] != TimeKind::None) {
                    // A cell that is no time of the column's kind is a gap, not 1970.
                    if (!readTime(field, time[k], value)) value = kMissing;
                } else {
                    value = textToNumber(field, decimal);
                    // A failed conversion gives 0 too: a marker 0 needs a number there.
                    if (isMarker(value, markers) && (value != 0 || IsNumericText(field, decimal))) {
                        value = kMissing;
                        ++missingHere[static_cast<std::size_t>(k)];
                    }
                }
            }
            if (n > columns && !cells.cells[static_cast<std::size_t>(columns)].empty() && extraFirstLines[part] == 0)
                extraFirstLines[part] = data.rows[r];
        }
    });
    CellTable::RowId extraFirstLine = 0;
    for (const auto line : extraFirstLines)
        if (line != 0 && extraFirstLine == 0) extraFirstLine = line;
    for (int k = 1; k <= limit; ++k) {
        ds.Table.MissingCount[k] = 0;
        for (const auto& part : missing) ds.Table.MissingCount[k] += part[static_cast<std::size_t>(k)];
    }
    ds.Layout.ExtraColumnFound = extraFirstLine != 0;
    const int tableColumns = ds.Layout.ExtraColumnFound ? columns + 1 : columns;
    const int firstLine = data.rows.empty() ? ds.Layout.FirstDataLine : static_cast<int>(data.rows.front());
    ds.Table.Cells.assign(&ds.File.FileLines, firstLine, static_cast<int>(rowCount), delimiter, tableColumns,
                          ds.Layout.ExtraColumnFound ? tableColumns : 0, extraFirstLine);
    ds.Table.Cells.setReading(options, std::move(data.rows), std::move(data.skipped), std::move(data.breaks));
    if (data.records) ds.Table.Cells.setRecords(std::move(data.records));
    if (ds.Layout.ExtraColumnFound) {
        ++ds.Layout.ColumnCount;
        ds.Layout.ColumnIsNumeric[ds.Layout.ColumnCount] = false;
    }
}

} // namespace varnotile
