#pragma once
// How each line of a written data file is put together. A file line the table did not change
// goes back as it stood (the surest way to read back as the same table); a changed one is
// rebuilt from the texts by the column rule, with what keeps it reading back the same: the
// fields past the table's columns, its comment after the data, quotes where the reading options
// would take a text apart, and, with runs of blanks as the delimiter, its old length.
#include "dataset.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

class LineWriter {
public:
    explicit LineWriter(const DataSet& ds);

    // Every line before the first data row, in file order: free header text, the lines the
    // header scan passed over, blank and comment lines, and the named header lines.
    void appendHeader(std::string& out) const;
    // Data row `row`.
    void appendRow(std::string& out, int row) const;
    // File line `line` as it stood (comment, blank and trailer lines among the rows).
    void appendFileLine(std::string& out, int line) const;

    // With a table chosen and another delimiter written, the lines of the other tables (before
    // the chosen table's lines and after them) take the new delimiter too, so that the written
    // file holds as many tables and the chosen one keeps its number.
    bool convertsOtherTables() const { return convertOtherTables_; }
    bool outsideTable(int line) const;
    // `line` of another table as written: its fields split as read, joined by the new delimiter
    // (quoted where needed), its comment after the data kept; a comment or blank line, and a
    // line of one field, as it stands.
    std::string otherTableLine(std::string_view line) const;

    // Data row `row` is rebuilt from its cells rather than written as its file line stood.
    bool rowRebuilt(int row) const;
    // Named header line h (0: names) is rebuilt one text per column.
    bool namedLineRebuilt(int h) const;

private:
    template <typename TextOf>
    void appendColumns(std::string& out, TextOf textOf, std::string_view fileLine) const;
    void appendNamedLine(std::string& out, int h) const;
    bool namedLineUnchanged(int h) const;
    // Rebuilds a names line of a shape the reader takes names from besides one field per
    // column (names in a comment, no name for the first column, a leading label); false when
    // the line has none of these shapes or the names no longer fit it.
    bool appendNamesInShape(std::string& out, std::string_view fileLine) const;
    // The fields of `fileLine` as the table split it; valid until the next call.
    const std::vector<std::string_view>& fileFields(std::string_view fileLine) const;
    // The comment after the data of `fileLine` as the table read it, with the blanks before it.
    std::string_view commentAfterData(std::string_view fileLine) const;
    void appendText(std::string& out, std::string_view text, bool firstField, bool onlyField) const;

    const DataSet& ds_;
    const ReadOptions& options_;
    std::string delimiter_;
    // What goes between two cells (the delimiter, and a blank where one follows it) and what ends a line.
    std::string separator_;
    std::string_view lineEnd_;
    // File lines split now give what they gave when read: same delimiter, same reading, and
    // every column still there.
    bool asRead_ = false;
    bool convertOtherTables_ = false;
    int tableColumns_ = 0;
    mutable LineCells cells_;
    mutable std::vector<std::string_view> fields_;
};

} // namespace varnotile
