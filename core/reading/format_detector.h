#pragma once
// Looks at a sample of a file's lines and proposes how to read it: the delimiter and the reading
// options, with the reasons in plain words.
#include "file_lines.h"
#include "read_options.h"
#include "table_blocks.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

struct FormatProposal {
    // "," ";" "\t" or " " (a plain space). Empty when whitespace is proposed, and also when no
    // delimiter stands out (a one-column file): the current delimiter then stays.
    std::string delimiter;
    // decimal is Point or Comma only when the file's numbers use another separator than the
    // locale; System otherwise. missingTokens holds the tokens actually seen.
    ReadOptions options;
    // Short phrases; the first one names the delimiter when there is one, e.g. "tab-separated",
    // "decimal commas", "a comment line".
    std::vector<std::string> findings;
    // The column proposed as the X axis (a first column of dates or times); 0: none.
    int xColumn = 0;
    // The tables of a file that holds several (options.table is the one proposed); else empty.
    std::vector<TableBlock> tables;

    // "This file looks tab-separated, with decimal commas and a comment line."
    std::string sentence() const;
};

// Reads only the first 250 and the last 50 lines, so a huge file costs no more than a small one.
// `localeDecimal` is the separator that the System choice stands for.
FormatProposal ProposeReading(const FileLines& lines, char localeDecimal);
// The same for lines held as views (line 1 at index 0).
FormatProposal ProposeReading(const std::vector<std::string_view>& lines, char localeDecimal);

// Part of the proposal (table_proposal.cpp): when the lines, read with the proposed delimiter and
// options, hold several tables, proposes the largest and lists them all.
void ProposeTable(FormatProposal& p, const FileLines& lines, char localeDecimal);
void ProposeTable(FormatProposal& p, const std::vector<std::string_view>& lines, char localeDecimal);

// Part of the proposal (line_class_proposal.cpp): proposes telling lines apart by what they hold
// where the line classes of the file's first lines (`head`, line 1 first) find what the header
// rules miss: lines heading each block of rows, a lone odd row among the first rows, names that
// look like numbers, or settings holding numbers above the data.
void ProposeLineClasses(FormatProposal& p, const std::vector<std::string_view>& head, char localeDecimal);

// Part of the proposal (empty_column_proposal.cpp): proposes keeping the empty fields the rows end
// in as columns where a names line above the rows names them ("a,b,c" over "1,2,").
void ProposeEmptyLastColumns(FormatProposal& p, const std::vector<std::string_view>& head, char localeDecimal);

} // namespace varnotile
