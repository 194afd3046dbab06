#pragma once
// How consistently a sample of lines reads with one dialect (delimiter, quote, escape, a blank
// after the delimiter): the share of lines that have the data's field count (the pattern score)
// times the share of the data's cells that read as one kind per column (the type score). The
// dialect that reads the sample most consistently is the one the detector proposes.
#include "read_options.h"

#include <span>
#include <string>
#include <string_view>

namespace varnotile {

struct Dialect {
    int delimiter = -1;         // a byte; -1: none (one column)
    bool whitespace = false;    // runs of blanks
    bool blankAfter = false;    // one blank after each delimiter belongs to it (", ")
    char quote = '"';           // '"' or '\''; 0: texts are not quoted
    bool backslash = false;     // \" inside a quoted text stands for the quote

    // The options that split lines so; `inlinePrefix`: comments after the data (empty: none).
    ReadOptions options(const std::string& inlinePrefix = {}) const;
};

struct DialectScore {
    int mode = 1;        // the data's field count: the most common one of the lines holding a number
    int lines = 0;       // lines looked at
    int agreeing = 0;    // of them, lines with the data's field count
    int cells = 0;       // cells of the agreeing lines that hold a number
    int typed = 0;       // of them, cells of their column's kind (number or missing, time, plain text)
    double pattern() const { return lines == 0 ? 0 : static_cast<double>(agreeing) / lines; }
    // Half the weight goes to the kinds, so that a file of texts still shows its delimiter.
    double type() const { return 0.5 + 0.5 * typed / (cells == 0 ? 1 : cells); }
    double value() const { return mode < 2 ? 0 : pattern() * type(); }
};

// The score of `dialect` on `lines` (blank and comment lines left out by the caller), each looked
// at up to `maxFields` fields.
DialectScore ScoreDialect(std::span<const std::string_view> lines, const Dialect& dialect,
                          const std::string& inlinePrefix = {}, int maxFields = 64);

// The cell's kind for the type score: 0 none (a text still in quotes, with a blank before it, long,
// or without a letter), 1 number or missing, 2 date or time, 3 plain text.
int CellKind(std::string_view cell);

} // namespace varnotile
