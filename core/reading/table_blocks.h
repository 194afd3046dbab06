#pragma once
// The tables of a file that holds several one after another: blocks of rows with a names line
// each, tables of different widths, sets separated by "&" lines, by blank lines and a new names
// line, or by descriptor lines. Found from a sample of the lines, so that a file of one large
// table costs next to nothing.
#include "file_lines.h"
#include "read_options.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

struct TableBlock {
    // The lines a reading of this table takes: from the line after the previous table's last row
    // (line 1 for the first table) to this table's last row. The separators and descriptor
    // lines before a table are its free header text.
    int fromLine = 0;
    int lastLine = 0;
    int firstLine = 0; // the table's own first line: its names line, else its first row
    int namesLine = 0; // 0: none
    int rows = 0;      // lines holding the table's data
    int columns = 0;
    std::vector<std::string> names;

    int64_t cells() const { return static_cast<int64_t>(rows) * columns; }
    bool operator==(const TableBlock&) const = default;
};

// The tables of the lines, in file order; a file of one table gives one. Lines are split at
// `delimiter` (-1: none) with `options` (whitespace, quotes, comment lines), numbers read with
// `decimal`. A run of fewer than three rows is no table of its own.
std::vector<TableBlock> FindTableBlocks(const FileLines& lines, int delimiter, const ReadOptions& options, char decimal);
// The same for lines held as views (line 1 at index 0).
std::vector<TableBlock> FindTableBlocks(const std::vector<std::string_view>& lines, int delimiter,
                                        const ReadOptions& options, char decimal);

// The table the user most likely wants: the largest by cells, the later one on a tie (1-based;
// 0 for an empty list).
int LargestTable(const std::vector<TableBlock>& tables);

// "the file holds 2 tables; there is no table 5"
std::string NoSuchTableText(int table, int tables);

} // namespace varnotile
