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
    bool commentLines = false; // blank lines and lines starting (after blanks) with commentPrefix
    std::string commentPrefix = "#";
    bool missingAsGaps = false; // empty cells and missingTokens in numeric columns are missing
    // Matched case-insensitively after trimming blanks.
    std::vector<std::string> missingTokens = {"NA", "NaN", "-", "--", ".", "null", "n/a", "?"};
    // Sample line = last line with the most common field count among the last 50 data-ish lines.
    bool robustSample = false;
    // Up to 1,000 columns instead of 10. It changes no cell, only how many columns are taken.
    bool wideFiles = false;

    // True when any switch that changes how lines split differs from the plain rules (the prefix
    // and the token list only matter while their switch is on; wide files split as plain ones). Inline and spelled out: it is asked for every cell.
    bool anyOn() const {
        return whitespace || decimal != DecimalChoice::System || quotedTexts || commentLines || missingAsGaps ||
               robustSample;
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

// True when missing values are on and the cell, trimmed of blanks, is empty or one of the tokens
// (case-insensitive). Always false while the option is off.
bool isMissingToken(std::string_view cell, const ReadOptions& options);

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

// Splits `line` into cells at `delimiter` (a byte value; -1 matches nothing), or at runs of
// spaces and tabs with `whitespace` on (blanks at both ends of the line ignored). With
// `quotedTexts` on, a cell whose first non-blank character is '"' runs to the closing quote
// whatever it holds, "" inside stands for one quote, the quotes and the blanks around them are
// not part of the text; an opening quote without a closing one runs to the end of the line.
// Otherwise every delimiter ends a cell and the text is kept untrimmed. A line always has at
// least one cell. Stores at most `maxFields` cells; returns the number of cells, counted up to
// maxFields + 1 (more than maxFields means the line has more).
int splitFields(std::string_view line, int delimiter, const ReadOptions& options, LineCells& out,
                int maxFields = kNoFieldLimit);

// The text as the writer puts it with quoting on: in double quotes, inner quotes doubled, when
// it holds the delimiter, a quote, a line break, or blanks at either end (and, with a blank as
// delimiter, any space or tab, since reading it back in whitespace mode would split there);
// otherwise unchanged.
std::string quoteIfNeeded(std::string_view text, char delimiter);

} // namespace varnotile
