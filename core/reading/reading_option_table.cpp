#include "reading_option_table.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace varnotile {
namespace {

template <auto Member> int stateOf(const ReadOptions& o) {
    return static_cast<int>(o.*Member);
}
template <auto Member> void setState(ReadOptions& o, int state) {
    o.*Member = static_cast<std::remove_reference_t<decltype(o.*Member)>>(state);
}

constexpr ReadingChoiceWord kDecimalWords[] = {
    {"System", ""}, {"Point", "decimal points"}, {"Comma", "decimal commas"}};

constexpr ReadingOptionValue kCommentPrefix{
    .iniKey = "CommentPrefix",
    .jsonKey = "comment_prefix",
    .cliName = "PREFIX",
    .widgetName = "EdCommentPrefix",
    .label = "Comment prefix",
    .toolTip = "The characters a comment line starts with, such as #",
    .text = &ReadOptions::commentPrefix,
};

constexpr ReadingOptionValue kMissingTokens{
    .iniKey = "MissingTokens",
    .jsonKey = "missing_tokens",
    .cliName = "TOKENS",
    .widgetName = "EdMissingTokens",
    .label = "Missing value tokens",
    .toolTip = "Separated by blanks; a token holding a blank in double quotes",
    .below = true,
    .tokens = &ReadOptions::missingTokens,
};

constexpr ReadingOption kOptions[] = {
    {
        .id = "whitespace",
        .iniKey = "Whitespace",
        .cliFlag = "whitespace",
        .jsonKey = "whitespace",
        .widgetName = "ChBoxWhitespace",
        .label = "Whitespace",
        .toolTip = "Runs of spaces and tabs are one delimiter",
        .help = "Runs of spaces and tabs are one delimiter; blanks at both ends of a line are ignored.",
        .get = stateOf<&ReadOptions::whitespace>,
        .set = setState<&ReadOptions::whitespace>,
    },
    {
        // The command line's --decimal gives the separator the System word stands for instead.
        .id = "decimal",
        .iniKey = "Decimal",
        .jsonKey = "decimal",
        .widgetName = "CBoxDecimal",
        .label = "Decimal separator",
        .toolTip = "The character between the whole number and its fraction: System uses the computer's "
                   "setting, Point reads 3.5, Comma reads 3,5 (European files)",
        .choices = kDecimalWords,
        .get = stateOf<&ReadOptions::decimal>,
        .set = setState<&ReadOptions::decimal>,
    },
    {
        .id = "quotedTexts",
        .iniKey = "QuotedTexts",
        .cliFlag = "quotes",
        .jsonKey = "quotes",
        .widgetName = "ChBoxQuotes",
        .label = "Quoted texts",
        .toolTip = "Texts in double quotes may hold the delimiter or line breaks and still be one cell",
        .help = "A text in double quotes may hold the delimiter or line breaks; \"\" inside stands for one quote.",
        .get = stateOf<&ReadOptions::quotedTexts>,
        .set = setState<&ReadOptions::quotedTexts>,
        .finding = "quoted texts",
    },
    {
        .id = "commentLines",
        .iniKey = "CommentLines",
        .cliFlag = "comments",
        .jsonKey = "comments",
        .widgetName = "ChBoxComments",
        .label = "Comment and blank lines",
        .toolTip = "Lines starting with the comment prefix, and empty lines, are skipped wherever they stand",
        .help =
            "Blank lines and lines starting with %1 are no data, nor is a line's rest from %1 after a blank "
            "(--comments=PREFIX: PREFIX instead).",
        .get = stateOf<&ReadOptions::commentLines>,
        .set = setState<&ReadOptions::commentLines>,
        .value = &kCommentPrefix,
    },
    {
        .id = "missingAsGaps",
        .iniKey = "MissingAsGaps",
        .cliFlag = "missing",
        .jsonKey = "missing",
        .widgetName = "ChBoxMissing",
        .label = "Missing values as gaps",
        .toolTip = "Empty cells and the missing value tokens leave a gap in the curve instead of reading as 0",
        .help = "In numeric columns, empty cells and %1 are missing values "
                "(--missing=TOKENS: the comma-separated TOKENS instead; a number such as -9999 matches its value).",
        .get = stateOf<&ReadOptions::missingAsGaps>,
        .set = setState<&ReadOptions::missingAsGaps>,
        .value = &kMissingTokens,
    },
    {
        .id = "robustSample",
        .iniKey = "RobustSample",
        .cliFlag = "robust-sample",
        .jsonKey = "robust_sample",
        .widgetName = "ChBoxRobustSample",
        .label = "Robust sample line",
        .toolTip = "The line that shows how many columns the data have is chosen among the last 50 lines "
                   "(the most common shape), so a stray last line does not decide it",
        .help = "The sample line is the last of the most common field count among the last 50 lines.",
        .get = stateOf<&ReadOptions::robustSample>,
        .set = setState<&ReadOptions::robustSample>,
        .finding = "a trailer line",
    },
    {
        .id = "datesAndTimes",
        .iniKey = "DatesAndTimes",
        .cliFlag = "dates",
        .jsonKey = "dates",
        .widgetName = "ChBoxDates",
        .label = "Dates and times",
        .toolTip = "Columns of dates or times (2026-11-14 08:00, 14.11.2026) are read as points in time: "
                   "the header shows their first and last, and they can be the X axis with date labels",
        .help = "Columns of dates or times (2026-11-14 08:00:10, 08:00:10, 14.11.2026, 11/14/2026 8:00 AM) "
                "hold seconds since 1970-01-01T00:00:00 as written (UTC when an offset is given).",
        .get = stateOf<&ReadOptions::datesAndTimes>,
        .set = setState<&ReadOptions::datesAndTimes>,
        // The detector words its own phrase: it names the columns.
    },
    {
        // Slashed dates no cell of which decides (no day above 12): 01/02/2026 is 2 January or 1 February.
        .id = "dayFirst",
        .iniKey = "DayFirst",
        .cliFlag = "day-first",
        .jsonKey = "day_first",
        .widgetName = "ChBoxDayFirst",
        .label = "Slashed dates day first",
        .toolTip = "01/02/2026 is 1 February when no date of its column has a day above 12 (else 2 January)",
        .help = "With --dates, slashed dates that read either way (01/02/2026) are day first, not month first.",
        .get = stateOf<&ReadOptions::dayFirst>,
        .set = setState<&ReadOptions::dayFirst>,
    },
    {
        .id = "namesAboveData",
        .iniKey = "NamesAboveData",
        .cliFlag = "names-above",
        .jsonKey = "names_above",
        .widgetName = "ChBoxNamesAbove",
        .label = "Names right above the data",
        .toolTip = "Lines above the names line are header text, even when they hold numbers",
        .help = "The line without numbers right above the data names the columns: lines above it holding "
                "numbers (a count line) are header text, and names with a units line below them need no name "
                "over the row labels.",
        .get = stateOf<&ReadOptions::namesAboveData>,
        .set = setState<&ReadOptions::namesAboveData>,
        .finding = "a count line above the names",
    },
    {
        .id = "singleQuotedNames",
        .iniKey = "SingleQuotedNames",
        .cliFlag = "single-quoted-names",
        .jsonKey = "single_quoted_names",
        .widgetName = "ChBoxSingleQuotedNames",
        .label = "Names in single quotes",
        .toolTip = "Column names written 'like this' are shown without the quotes",
        .help = "Names and labels written 'like this' are read without the quotes.",
        .get = stateOf<&ReadOptions::singleQuotedNames>,
        .set = setState<&ReadOptions::singleQuotedNames>,
        .finding = "names in single quotes",
    },
    {
        .id = "continuedLines",
        .iniKey = "ContinuedLines",
        .cliFlag = "continued-lines",
        .jsonKey = "continued_lines",
        .widgetName = "ChBoxContinuedLines",
        .label = "Lines ending in \\ continue",
        .toolTip = "A line ending in a backslash goes on in the next line: both are one row",
        .help = "A line ending in a backslash continues on the next line; both are one row.",
        .get = stateOf<&ReadOptions::continuedLines>,
        .set = setState<&ReadOptions::continuedLines>,
        .finding = "rows continued on the next line",
    },
    {
        // The detector words its own phrase: which table of how many.
        .id = "table",
        .iniKey = "Table",
        .cliFlag = "table",
        .jsonKey = "table",
        .widgetName = "SEditTable",
        .label = "Table",
        .toolTip = "0: the whole file; N: only the N-th of the tables the file holds",
        .help = "Reads only the N-th of the tables the file holds one after another (blocks with a names line "
                "of their own, of another width, or after a separator line); 0: the whole file.",
        .get = stateOf<&ReadOptions::table>,
        .set = setState<&ReadOptions::table>,
        .maxNumber = 9999,
    },
    {
        .id = "wideFiles",
        .iniKey = "WideFiles",
        .cliFlag = "wide",
        .jsonKey = "wide",
        .widgetName = "ChBoxWide",
        .label = "Wide files (up to 1,000 columns)",
        .toolTip = "Without it a file shows its first 10 columns",
        .help = "Up to 1,000 columns are read and drawn, not 10.",
        .get = stateOf<&ReadOptions::wideFiles>,
        .set = setState<&ReadOptions::wideFiles>,
        .finding = "more than 10 columns",
    },
    {
        .id = "namesInComment",
        .iniKey = "NamesInComment",
        .cliFlag = "names-in-comment",
        .jsonKey = "names_in_comment",
        .widgetName = "ChBoxNamesInComment",
        .label = "Names in a comment line",
        .toolTip = "With comment lines, a comment line right above the data with one name per column names them",
        .help = "With comment lines and no names line, the nearest comment line above the data (\"# x y dy\", "
                "\"#L Z TOTAL\") whose cells match the columns and are not all numbers names them, as does a line "
                "between rule lines (-----).",
        .get = stateOf<&ReadOptions::namesInComment>,
        .set = setState<&ReadOptions::namesInComment>,
        .finding = "names in a comment line",
    },
    {
        // Options added later go after the others: the settings file keeps its keys in the order they came.
        .id = "dateTimeAxis",
        .iniKey = "DateTimeAxis",
        .cliFlag = "date-time-axis",
        .jsonKey = "date_time_axis",
        .widgetName = "ChBoxDateTimeAxis",
        .label = "Date and time columns as one axis",
        .toolTip = "A date column followed by a time-of-day column give one time axis: the date plus the time of day",
        .help = "With --dates, a column of dates followed by a column of times of day are read as one time "
                "axis (date plus time of day) for the X axis; the cells stay as they are.",
        .get = stateOf<&ReadOptions::dateTimeAxis>,
        .set = setState<&ReadOptions::dateTimeAxis>,
        // The detector words its own phrase: it names the columns.
    },
    {
        .id = "singleQuotes",
        .iniKey = "SingleQuotes",
        .cliFlag = "single-quotes",
        .jsonKey = "single_quotes",
        .widgetName = "ChBoxSingleQuotes",
        .label = "Texts in single quotes",
        .toolTip = "With quoted texts, ' opens and closes a text instead of \"",
        .help = "With --quotes, texts are quoted with ' instead of \" ('' inside stands for one).",
        .get = stateOf<&ReadOptions::singleQuotes>,
        .set = setState<&ReadOptions::singleQuotes>,
        .finding = "texts in single quotes",
    },
    {
        .id = "backslashEscapes",
        .iniKey = "BackslashEscapes",
        .cliFlag = "backslash-escapes",
        .jsonKey = "backslash_escapes",
        .widgetName = "ChBoxBackslashEscapes",
        .label = "Quotes escaped with \\",
        .toolTip = "With quoted texts, \\\" inside a quoted text stands for a quote and \\\\ for a backslash",
        .help = "With --quotes, \\\" inside a quoted text stands for one quote and \\\\ for one backslash.",
        .get = stateOf<&ReadOptions::backslashEscapes>,
        .set = setState<&ReadOptions::backslashEscapes>,
        .finding = "quotes escaped with a backslash",
    },
    {
        .id = "blankAfterDelimiter",
        .iniKey = "BlankAfterDelimiter",
        .cliFlag = "blank-after-delimiter",
        .jsonKey = "blank_after_delimiter",
        .widgetName = "ChBoxBlankAfterDelimiter",
        .label = "A blank follows each delimiter",
        .toolTip = "One blank after each delimiter (\", \") is no part of the next cell",
        .help = "One blank right after each delimiter (\", \") belongs to the delimiter, not to the next cell; "
                "a save writes it back.",
        .get = stateOf<&ReadOptions::blankAfterDelimiter>,
        .set = setState<&ReadOptions::blankAfterDelimiter>,
        .finding = "a blank after each delimiter",
    },
    {
        .id = "crLineEnds",
        .iniKey = "CrLineEnds",
        .cliFlag = "cr-line-ends",
        .jsonKey = "cr_line_ends",
        .widgetName = "ChBoxCrLineEnds",
        .label = "Lines end at CR alone",
        .toolTip = "A CR without LF ends a line, as in files of old systems",
        .help = "A CR without LF ends a line, as LF and CR LF do; a save ends its lines with CR.",
        .get = stateOf<&ReadOptions::crLineEnds>,
        .set = setState<&ReadOptions::crLineEnds>,
        .finding = "lines ended by CR alone",
    },
    {
        .id = "lineClasses",
        .iniKey = "LineClasses",
        .cliFlag = "line-classes",
        .jsonKey = "line_classes",
        .widgetName = "ChBoxLineClasses",
        .label = "Lines told apart by what they hold",
        .toolTip = "The rows are the longest consistent run of lines; settings above them and the lines heading "
                   "each block of rows are no rows",
        .help = "The rows are the longest run of lines with the same field count and numbers where the other rows "
                "hold them: a lone odd line among them is a row, settings above them (\"ncols 10\") are header text, "
                "and a line heading each block of rows (\"x,1.5\") is no row and breaks the curves.",
        .get = stateOf<&ReadOptions::lineClasses>,
        .set = setState<&ReadOptions::lineClasses>,
        .finding = "lines told apart by what they hold",
    },
    {
        .id = "emptyLastColumns",
        .iniKey = "EmptyLastColumns",
        .cliFlag = "empty-last-columns",
        .jsonKey = "empty_last_columns",
        .widgetName = "ChBoxEmptyLastColumns",
        .label = "Empty last columns are columns",
        .toolTip = "Rows that end in a delimiter (\"1,2,3,\") have an empty last column, as the names line names it, "
                   "instead of a trailing delimiter that is dropped",
        .help = "Empty fields at the end of the rows (\"1,2,3,\") are columns, empty in every row, as the names line "
                "names them; without it a trailing delimiter is dropped.",
        .get = stateOf<&ReadOptions::emptyLastColumns>,
        .set = setState<&ReadOptions::emptyLastColumns>,
        .finding = "an empty last column that the names line names",
    },
};

} // namespace

std::string_view ReadingOption::findingFor(const ReadOptions& proposed) const {
    const int state = get(proposed);
    if (isSwitch() || isNumber()) return state != 0 ? finding : std::string_view();
    return state >= 0 && static_cast<std::size_t>(state) < choices.size()
               ? choices[static_cast<std::size_t>(state)].finding
               : std::string_view();
}

std::span<const ReadingOption> readingOptions() {
    return kOptions;
}

const ReadingOption& readingOption(std::string_view id) {
    for (const ReadingOption& option : kOptions)
        if (option.id == id) return option;
    std::fprintf(stderr, "no reading option named %.*s\n", static_cast<int>(id.size()), id.data());
    std::abort();
}

std::string valueText(const ReadingOptionValue& value, const ReadOptions& options) {
    return value.text ? options.*value.text : tokenListText(options.*value.tokens);
}

void setValueText(const ReadingOptionValue& value, ReadOptions& options, std::string_view text) {
    if (value.tokens) {
        options.*value.tokens = parseTokenList(text);
        return;
    }
    // An empty text stands for the default: an empty comment prefix would leave only blank lines as comments.
    options.*value.text = text.empty() ? ReadOptions().*value.text : std::string(text);
}

std::string tokenListText(const std::vector<std::string>& tokens) {
    std::string text;
    for (const std::string& token : tokens) {
        if (token.empty()) continue;
        if (!text.empty()) text.push_back(' ');
        // A blank as the delimiter quotes any token holding a blank; a lone quote is quoted too.
        text += quoteIfNeeded(token, ' ');
    }
    return text;
}

std::vector<std::string> parseTokenList(std::string_view text) {
    ReadOptions words;
    words.whitespace = true;
    words.quotedTexts = true;
    LineCells cells;
    splitFields(text, -1, words, cells);
    std::vector<std::string> tokens;
    for (const std::string_view cell : cells.cells)
        if (!cell.empty()) tokens.emplace_back(cell);
    return tokens;
}

} // namespace varnotile
