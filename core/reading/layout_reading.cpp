#include "layout_reading.h"

#include "continued_lines.h"
#include "line_classes.h"
#include "number_text.h"
#include "parallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <optional>

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
    // With empty last columns kept, the empty fields a line ends in count too.
    int columns(int i) {
        if (!options_.emptyLastColumns) return counted(split(i));
        const int fields = rawColumns(i);
        return fields <= limit_ ? fields : counted(fields);
    }
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

// The lines of the window's head, classified (line_classes.h); only these are looked at whole.
constexpr int kClassifiedLines = 250;

struct ClassifiedHead {
    LineClassifier classifier;
    LineReading reading;
    int top = 1;
    bool found() const { return reading.firstData >= 0; }
    // The class of line i, for a line among those classified.
    LineClass at(int i) const { return reading.classes[static_cast<std::size_t>(i - top)]; }
    bool classified(int i) const { return i >= top && i - top < static_cast<int>(reading.classes.size()); }
};

ClassifiedHead classifyHead(const DataSet& ds, OptionLines& lines, int top, int last) {
    ClassifiedHead head{LineClassifier(ds.delimiter(), ds.Layout.Reading, ds.decimal()), {}, top};
    std::vector<std::string_view> texts;
    for (int i = top; i <= last && i - top < kClassifiedLines; ++i)
        texts.push_back(lines.continues(i) ? std::string_view() : lines.line(i));
    head.reading = head.classifier.classify(texts);
    return head;
}

// The sample line: the last line that can hold data, or the one before it when that one is
// longer (as the plain rules take it). Robust: the last line whose field count is the most
// common one among the last lines, so that a footer does not decide.
// `lastRow` is the last line of the rows: with the robust sample, the last line with the table's
// field count; the lines after it are the trailer.
// `columns` above 1: the field count the line classes found for the rows; the sample line is
// the last line of that count holding a number, so that settings or a footer of another count
// never decide.
int sampleLine(const DataSet& ds, OptionLines& lines, int& lastRow, int columns) {
    const LineWindow lineWindow = windowOf(ds);
    const int top = lineWindow.first;
    int last = lineWindow.last;
    while (last >= top && !lines.candidate(last)) --last;
    lastRow = last;
    if (last < top) return 0;
    // With missing values on, a row whose last cells are empty ends the rows too, but a complete
    // one shows the columns.
    for (int i = last, looked = 0, lastFit = 0; columns > 1 && i >= top && looked < kRobustWindow * 4; --i) {
        if (!lines.candidate(i)) continue;
        ++looked;
        const bool complete = lines.columns(i) == columns;
        const bool fits = complete || (ds.Layout.Reading.missingAsGaps && lines.rawColumns(i) == columns);
        if (!fits || !lines.holdsANumber(columns)) continue;
        if (lastFit == 0) lastFit = i;
        if (!complete) continue;
        if (ds.Layout.Reading.robustSample) lastRow = lastFit;
        return i;
    }
    // A chosen table's few lines have no trailer to spare: a row with a field too many among its
    // last lines must not decide its columns, so its sample line is the robust one.
    if (!ds.Layout.Reading.robustSample && ds.Layout.Reading.table == 0) {
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

// With dates and times on, a column is a time column of the kind most of its cells read as, when
// more than half of the cells that hold anything read as that kind: a cell out of range (year
// 99999, offset +25:00) or no time at all (2026-02-30) is then a gap in the column, not the end
// of it. Slashed dates that read both ways follow the day/month choice. Cells of the lines
// `from`..`sample` count, at most a few hundred lines up from the sample.
TimeKind timeColumnKind(OptionLines& lines, int from, int sample, int column, const ReadOptions& options) {
    std::array<int, 5> votes{};
    int cells = 0;
    for (int i = sample, looked = 0; i >= from && looked < kRobustWindow * 20; --i) {
        if (!lines.candidate(i)) continue;
        ++looked;
        lines.split(i);
        const std::string_view text = lines.field(column);
        // Missing cells say nothing about the column's kind.
        if (trimBlanks(text).empty() || lines.missing(text)) continue;
        ++cells;
        const unsigned here = timeKindsOf(text);
        for (std::size_t kind = 1; kind < votes.size(); ++kind) votes[kind] += (here >> kind) & 1u;
        // A column of texts is known as one soon: the other lines need not be split.
        if (cells >= 20 && *std::max_element(votes.begin(), votes.end()) == 0) break;
    }
    auto count = [&](TimeKind kind) { return votes[static_cast<std::size_t>(kind)]; };
    auto wins = [&](TimeKind kind) {
        for (const TimeKind other : {TimeKind::Clock, TimeKind::YearFirst, TimeKind::DayFirst, TimeKind::MonthFirst})
            if (count(other) > count(kind)) return false;
        return 2 * count(kind) > cells;
    };
    if (wins(TimeKind::Clock)) return TimeKind::Clock;
    if (wins(TimeKind::YearFirst)) return TimeKind::YearFirst;
    if (wins(TimeKind::DayFirst) && wins(TimeKind::MonthFirst))
        return options.dayFirst ? TimeKind::DayFirst : TimeKind::MonthFirst;
    if (wins(TimeKind::DayFirst)) return TimeKind::DayFirst;
    if (wins(TimeKind::MonthFirst)) return TimeKind::MonthFirst;
    return TimeKind::None;
}

// Once the first row is known, the time columns are decided again from the rows alone, so that
// lines above the data (a title holding a time, a station line) never change a column's kind.
void decideTimeColumnsFromRows(DataSet& ds, OptionLines& lines, int sample) {
    if (!ds.Layout.Reading.datesAndTimes || sample < ds.Layout.FirstDataLine) return;
    for (int j = 1; j <= ds.Layout.ColumnCount && j <= lines.limit(); ++j) {
        if (ds.Layout.ColumnIsNumeric[j] && ds.Layout.ColumnTime[j] == TimeKind::None) continue; // numbers
        ds.Layout.ColumnTime[j] = timeColumnKind(lines, ds.Layout.FirstDataLine, sample, j, ds.Layout.Reading);
        ds.Layout.ColumnIsNumeric[j] = ds.Layout.ColumnTime[j] != TimeKind::None;
    }
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

// The first row, the names and the units from the line classes.
void headerFromClasses(DataSet& ds, OptionLines& lines, const ClassifiedHead& head, int columns, std::vector<int>& nameLines) {
    ds.Layout.FirstDataLine = head.top + head.reading.firstData;
    for (const int at : {head.reading.namesAt, head.reading.unitsAt}) {
        if (at < 0) continue;
        const int i = head.top + at;
        const int n = lines.split(i);
        // Names one short of the columns stand over all but the row labels.
        const int shift = n == columns - 1 ? 1 : 0;
        StringSlots& target = ds.Layout.HeaderLineCount == 0 ? ds.Layout.ColumnNames : ds.Layout.ColumnLabels;
        for (int j = 1; j <= columns && j <= ds.fieldSlots(); ++j) target[j].assign(j - shift >= 1 ? lines.field(j - shift) : std::string_view());
        if (shift == 1 && ds.Layout.HeaderLineCount == 0) ds.Layout.NamesLineShape = DataLayout::NamesShape::WithoutFirst;
        ++ds.Layout.HeaderLineCount;
        nameLines.push_back(i);
    }
}

} // namespace

namespace {

int findSample(DataSet& ds, OptionLines& lines, Messages& messages, int& lastRow) {
    lastRow = 0;
    int classedColumns = 0;
    if (ds.Layout.Reading.lineClasses) {
        const LineWindow window = windowOf(ds);
        const LineReading reading = classifyHead(ds, lines, window.first, window.last).reading;
        // Empty last columns kept: rows that end in the delimiter hold one column more.
        classedColumns = reading.columns + (ds.Layout.Reading.emptyLastColumns && reading.rowsEndEmpty ? 1 : 0);
    }
    const int sample = sampleLine(ds, lines, lastRow, classedColumns);
    if (sample < 1) return 0;
    const bool emptyLast = ds.Layout.Reading.emptyLastColumns;
    const int fields = ds.Layout.Reading.missingAsGaps || emptyLast ? lines.rawColumns(sample) : lines.split(sample);
    ds.Layout.ColumnsBeyondLimit = fields > lines.limit();
    if (ds.Layout.ColumnsBeyondLimit) messages.emplace_back(TooManyColumnsMessage(ds.Layout.Reading));
    // Empty last fields stay columns when asked; the never-read field past the limit does not.
    const int columns = std::max(1, emptyLast && fields <= lines.limit() ? fields : lines.counted(fields));
    ds.Layout.ColumnCount = columns;
    const int top = windowOf(ds).first;
    for (int j = 1; j <= columns && j <= lines.limit(); ++j) {
        ds.Layout.ColumnIsNumeric[j] = columnIsNumeric(lines, top, sample, j);
        ds.Layout.ColumnTime[j] = TimeKind::None;
        if (ds.Layout.Reading.datesAndTimes && !ds.Layout.ColumnIsNumeric[j]) {
            ds.Layout.ColumnTime[j] = timeColumnKind(lines, top, sample, j, ds.Layout.Reading);
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
    const int sample = findSample(ds, lines, messages, lastRow);
    if (sample < 1) return false;
    const int columns = ds.Layout.ColumnCount;
    // Rows that end in a delimiter (an empty last field): as under the plain rules, a line with one
    // field more stands among them, so that a names line over them ("name,qty,desc,comments" over
    // "x1,2,a,") names the columns rather than becoming header text.
    const bool rowsEndEmpty = columns > 1 && lines.rawColumns(sample) > columns;
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
    std::optional<ClassifiedHead> head;
    // A chosen table is read by line classes too: its rows start right below its names line.
    if ((options.lineClasses || options.table != 0) && columns > 1) {
        head = classifyHead(ds, lines, top, std::min(window.last, lastRow));
        if (!head->found()) head.reset();
    }
    if (head) {
        headerFromClasses(ds, lines, *head, columns, nameLines);
    } else if (columns == 1) {
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
            const bool oneMore = rowsEndEmpty && count == columns + 1;
            if (count != columns && !shortRow && !gaps && !oneMore) {
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
    if (int namesLine = 0; columns > 1 && ds.Layout.HeaderLineCount == 0 && (!head || head->reading.namesAt < 0) && namesAboveTheData(ds, lines, columns, namesLine))
        nameLines.push_back(namesLine);
    if (options.namesAboveData) namesOverUnits(ds, lines, columns, nameLines);
    for (std::size_t h = 0; h < nameLines.size() && h < ds.Layout.NamedLineAt.size(); ++h) ds.Layout.NamedLineAt[h] = nameLines[h];
    if (options.singleQuotedNames) dropSingleQuotes(ds, columns);
    decideTimeColumnsFromRows(ds, lines, sample);

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
        // A block line heads a block of rows: no row, and the curves break there.
        const bool blockLine = head && !skipped && i <= window.last &&
                               (head->classified(i) ? head->at(i) == LineClass::BlockLine
                                                    : head->classifier.isBlockLine(lines.line(i), head->reading));
        lastWasRow = !(skipped || blockLine || (options.robustSample && i > lastRow) || i > window.last);
        if (!lastWasRow) {
            data.skipped.push_back(id);
            if (blockLine || (skipped && lines.line(i).find_first_not_of(" \t") == std::string_view::npos)) data.breaks.push_back(id);
        } else {
            data.rows.push_back(id);
        }
    }
    // Blank lines after the last row break nothing.
    while (!data.breaks.empty() && (data.rows.empty() || data.breaks.back() > data.rows.back())) data.breaks.pop_back();
    data.records = lines.records();
    return true;
}

void FillTableWithOptions(DataSet& ds, DataLines data, const ProgressReport& progress) {
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
        // Clearing a large column takes a while: a cancel is answered between columns too.
        if (progress) progress(WorkStep::Filling, 0, rowCount);
    }
    // Parts of some ten thousand rows, taken by the cores as they come free, each reported when
    // done (so that a cancel is answered within one part).
    constexpr std::size_t kRowsWorthSharing = 200000;
    constexpr std::size_t kRowsPerPart = 16384;
    const std::size_t parts = rowCount < kRowsWorthSharing ? 1 : (rowCount + kRowsPerPart - 1) / kRowsPerPart;
    SharedProgress rowsFilled(progress, WorkStep::Filling, rowCount);
    const int delimiter = ds.delimiter();
    const char decimal = ds.decimal();
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> markers = missingMarkers(options);
    std::vector<CellTable::RowId> extraFirstLines(parts, 0);
    std::vector<std::vector<int>> missing(parts), invalid(parts), firstInvalid(parts);
    forEachInParallel(parts, [&](std::size_t part) {
        LineCells cells;
        auto& missingHere = missing[part];
        missingHere.assign(static_cast<std::size_t>(limit) + 1, 0);
        auto& invalidHere = invalid[part];
        auto& firstInvalidHere = firstInvalid[part];
        if (std::any_of(time.begin(), time.end(), [](TimeKind kind) { return kind != TimeKind::None; })) {
            invalidHere.assign(static_cast<std::size_t>(limit) + 1, 0);
            firstInvalidHere.assign(static_cast<std::size_t>(limit) + 1, 0);
        }
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
                    // A cell that is no time of the column's kind is a gap, not 1970, and one
                    // that holds a text is reported.
                    if (!readTime(field, time[k], value)) {
                        value = kMissing;
                        ++missingHere[static_cast<std::size_t>(k)];
                        if (!trimBlanks(field).empty() && invalidHere[static_cast<std::size_t>(k)]++ == 0)
                            firstInvalidHere[static_cast<std::size_t>(k)] = static_cast<int>(data.rows[r]);
                    }
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
        rowsFilled.add(last - first);
    });
    CellTable::RowId extraFirstLine = 0;
    for (const auto line : extraFirstLines)
        if (line != 0 && extraFirstLine == 0) extraFirstLine = line;
    for (int k = 1; k <= limit; ++k) {
        ds.Table.MissingCount[k] = 0;
        for (const auto& part : missing) ds.Table.MissingCount[k] += part[static_cast<std::size_t>(k)];
        ds.Table.InvalidTimeCount[k] = ds.Table.FirstInvalidTimeLine[k] = 0;
        for (std::size_t p = 0; p < parts; ++p) {
            if (invalid[p].empty() || invalid[p][static_cast<std::size_t>(k)] == 0) continue;
            if (ds.Table.InvalidTimeCount[k] == 0) ds.Table.FirstInvalidTimeLine[k] = firstInvalid[p][static_cast<std::size_t>(k)];
            ds.Table.InvalidTimeCount[k] += invalid[p][static_cast<std::size_t>(k)];
        }
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

void ReportInvalidTimes(const DataSet& ds, Messages& messages) {
    LineCells cells;
    std::string sentences;
    for (int k = 1; k <= ds.Layout.ColumnCount && k < static_cast<int>(ds.Table.InvalidTimeCount.size()); ++k) {
        const int count = ds.Table.InvalidTimeCount[k], line = ds.Table.FirstInvalidTimeLine[k];
        if (count == 0 || line < 1 || line > ds.File.LineCount) continue;
        const int n = splitFields(ds.File.FileLines.line(line), ds.delimiter(), ds.Layout.Reading, cells, k);
        const std::string example(n >= k ? trimBlanks(cells.cells[static_cast<std::size_t>(k - 1)]) : std::string_view{});
        std::string text = "Column " + std::to_string(k);
        if (!ds.Layout.ColumnNames[k].empty()) text += " \"" + ds.Layout.ColumnNames[k] + "\"";
        text += count == 1 ? ": 1 cell is" : ": " + std::to_string(count) + " cells are";
        text += " no valid date or time (" + std::string(count == 1 ? "on" : "the first on") + " line " +
                std::to_string(line) + ": \"" + example.substr(0, 40) + "\"); " + (count == 1 ? "it is" : "they are") +
                " read as missing.";
        sentences += (sentences.empty() ? "" : " ") + text;
    }
    if (!sentences.empty()) messages.push_back(std::move(sentences));
}

} // namespace varnotile
