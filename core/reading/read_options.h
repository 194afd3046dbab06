#pragma once
// Reading options beyond the fixed layout rules, and the small line helpers that apply them:
// comment and blank lines, missing-value tokens, splitting a line into cells, quoting on write.
// With every option off the helpers give what the plain rules give.
#include <deque>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

enum class DecimalChoice { System, Point, Comma };

// Each option's key, flag, widget and help are declared once, in reading_option_table.cpp.
struct ReadOptions {
    bool whitespace = false; // runs of spaces and tabs are one delimiter; leading/trailing blanks ignored
    DecimalChoice decimal = DecimalChoice::System;
    bool quotedTexts = false;  // "..." may hold the delimiter; "" is one quote; quotes not part of the text
    // Blank lines and lines starting (after blanks) with commentPrefix; on a data line, the prefix
    // after a space or tab ends the line's data (see inlineCommentAt).
    bool commentLines = false;
    std::string commentPrefix = "#";
    bool missingAsGaps = false; // empty cells and missingTokens in numeric columns are missing
    // Matched case-insensitively after trimming blanks; a token that is a number ("-9999") also
    // matches a cell of a numeric column with that value ("-9999.", "-9999.0").
    std::vector<std::string> missingTokens = {"NA", "NaN", "-", "--", ".", "null", "n/a", "?"};
    // Sample line = last line with the most common field count among the last 50 data-ish lines.
    bool robustSample = false;
    // Columns of dates or times hold their seconds as values (the cells keep their text).
    bool datesAndTimes = false;
    // Slashed dates that read either way (01/02/2026: no day above 12 in the column) are day
    // first, else month first. Only while datesAndTimes is on.
    bool dayFirst = false;
    // A column of dates followed by a column of times of day (as many loggers write them) give
    // one time axis, date plus time of day, for the X axis; the cells stay as they are. Only
    // while datesAndTimes is on.
    bool dateTimeAxis = false;
    // The last line without a number right above the data names the columns, even when lines
    // with the data's field count (a count line: "150,4,setosa,...") stand above it.
    bool namesAboveData = false;
    // Names and labels written 'like this' are read without the single quotes.
    bool singleQuotedNames = false;
    // A line ending in a backslash continues on the next line: both are one record.
    bool continuedLines = false;
    // 0: the whole file as the other rules read it; N: the file is read as if it held only the
    // lines of the N-th of its tables (table_blocks.h), the other lines kept as they stand.
    int table = 0;
    // Up to 1,000 columns instead of 10. It changes no cell, only how many columns are taken.
    bool wideFiles = false;
    // With comment lines on and no names line found: the nearest comment line above the data
    // (a one-letter tag such as "#L" after the prefix left out) whose cells match the columns and are not
    // all numbers names them, as does a line set off by rule lines ("-----") above and below.
    bool namesInComment = false;
    // With quoted texts on: texts are quoted with ' instead of ".
    bool singleQuotes = false;
    // With quoted texts on: a backslash before the quote stands for the quote inside a quoted
    // text, and two backslashes for one.
    bool backslashEscapes = false;
    // One blank right after each delimiter belongs to the delimiter (", "), not to the next cell.
    bool blankAfterDelimiter = false;
    // A CR alone ends a line, as LF and CR LF do (files of old systems); the writer ends lines so.
    bool crLineEnds = false;

    // The character that opens and closes a quoted text.
    char quoteChar() const { return singleQuotes ? '\'' : '"'; }

    // The header, the rows and the lines between blocks of rows are told apart by what each line
    // holds (line_classes.h): the rows are the longest consistent run of lines, a lone odd line
    // among them is a row, settings above them ("ncols 10") are header text, and the lines that
    // head each block of rows ("x,1.5") are kept out of the rows and break the curves.
    bool lineClasses = false;
    // Empty fields at the end of the rows are columns (empty in every row), as the names line
    // names them, instead of being trimmed off as a trailing delimiter.
    bool emptyLastColumns = false;

    // True when any switch that changes how lines split differs from the plain rules (the prefix
    // and the token list only matter while their switch is on; wide files split as plain ones). Inline and spelled out: it is asked for every cell.
    bool anyOn() const {
        return whitespace || decimal != DecimalChoice::System || quotedTexts || commentLines || missingAsGaps ||
               robustSample || datesAndTimes || namesAboveData || singleQuotedNames || continuedLines ||
               table != 0 || namesInComment || singleQuotes || backslashEscapes || blankAfterDelimiter || crLineEnds || lineClasses ||
               emptyLastColumns;
    }
    bool operator==(const ReadOptions&) const = default;
};

// Space or tab.
inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
// The text without the spaces and tabs at both ends.
std::string_view trimBlanks(std::string_view s);

// The effective decimal character: System gives `localeDecimal`.
char decimalFor(const ReadOptions& options, char localeDecimal);

// True when comment lines are on and the line is empty, holds only blanks, or starts after its
// blanks with the comment prefix. Always false while the option is off.
bool isCommentOrBlank(std::string_view line, const ReadOptions& options);

// A ruled line ("-----", "=====", "# ------"): it only decorates a header.
bool isRuleLine(std::string_view line);

// Where the names of a comment line start: right after the comment prefix and, with names in a
// comment line on, after a one-letter tag such as "L" that follows it ("#L Z TOTAL"). npos when the
// line holds no prefix.
std::size_t commentNamesAt(std::string_view line, const ReadOptions& options);

// Where the comment after a line's data starts, with comment lines on: at the comment prefix
// when a space stands right before it, or a tab that is not the delimiter (with runs of blanks
// as the delimiter, any blank), past the line's first non-blank character and outside a quoted
// text (with quoted texts on); the blanks before the prefix belong to the comment. A cell that
// merely starts with the prefix ("1,#2", "1<Tab>#2") is data. Returns line.size() when the line
// has no such comment, and always while comment lines are off.
std::size_t inlineCommentAt(std::string_view line, int delimiter, const ReadOptions& options);

// True when the text, written as a cell (the line's first or a later one) of a line split at
// `delimiter`, would hold the start of a comment after the data: the prefix after a blank inside
// it, or at its start where the delimiter before it is a blank that counts (see inlineCommentAt).
// Always false while comment lines are off.
bool startsCommentInside(std::string_view text, bool firstField, int delimiter, const ReadOptions& options);

// True when missing values are on and the cell, trimmed of blanks, is empty or one of the tokens
// (case-insensitive). Always false while the option is off.
bool isMissingToken(std::string_view cell, const ReadOptions& options);

// The values of the missing-value tokens that are numbers (read with '.' or ','), while missing
// values are on; empty otherwise.
std::vector<double> missingMarkers(const ReadOptions& options);
// True when `value`, a number read from a cell of a numeric column, is one of the markers.
inline bool isMarker(double value, const std::vector<double>& markers) {
    for (const double m : markers)
        if (value == m) return true;
    return false;
}

// The cells of one line. Each view points into the line itself or, for a quoted cell whose text
// had to be rebuilt (a doubled quote inside, or text after the closing quote), into `rebuilt`.
// Keep one object for a whole reading loop: once warm, splitting allocates nothing, and in the
// common unquoted case it never copies a character. The views stay valid while the line lives
// and until the next split into the same object.
struct LineCells {
    std::vector<std::string_view> cells;
    std::deque<std::string> rebuilt; // a deque, so growing it never moves texts already pointed to
    std::size_t rebuiltUsed = 0;
};

inline constexpr int kNoFieldLimit = std::numeric_limits<int>::max() - 1;

// Splits `line` (without its comment after the data, see inlineCommentAt) into cells at `delimiter` (a byte value; -1 matches nothing), or at runs of
// spaces and tabs with `whitespace` on (blanks at both ends of the line ignored). With
// `quotedTexts` on, a cell whose first non-blank character is '"' runs to the closing quote
// whatever it holds, "" inside stands for one quote, the quotes and the blanks around them are
// not part of the text; an opening quote without a closing one runs to the end of the line.
// Otherwise every delimiter ends a cell and the text is kept untrimmed. A line always has at
// least one cell. Stores at most `maxFields` cells; returns the number of cells, counted up to
// maxFields + 1 (more than maxFields means the line has more).
int splitFields(std::string_view line, int delimiter, const ReadOptions& options, LineCells& out,
                int maxFields = kNoFieldLimit);

// Whether a quoted text is still open at the end of `text`, read the way splitFields() reads
// it: `inside` says the text starts inside a quoted text opened on an earlier line. A quote
// opens only where a cell starts (after its blanks), "" inside stands for one quote, and the
// first other quote closes. With quoted texts off nothing is ever open.
bool endsInsideQuotes(std::string_view text, bool inside, int delimiter, const ReadOptions& options);

// The text as the writer puts it with quoting on: in double quotes, inner quotes doubled, when
// it holds the delimiter, a quote, a line break, or blanks at either end (and, with a blank as
// delimiter, any space or tab, since reading it back in whitespace mode would split there);
// otherwise unchanged.
std::string quoteIfNeeded(std::string_view text, char delimiter);
// The same with the quote character and the escape of `options` (single quotes, backslashes).
std::string quoteIfNeeded(std::string_view text, char delimiter, const ReadOptions& options);
// The text in the quotes of `options`, its quotes (and, with backslash escapes, its backslashes) escaped.
std::string inQuotes(std::string_view text, const ReadOptions& options);

} // namespace varnotile
