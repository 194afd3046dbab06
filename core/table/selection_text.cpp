#include "selection_text.h"

#include <algorithm>
#include <string_view>

namespace varnotile {
namespace {

void appendField(std::string& out, std::string_view cell) {
    if (cell.find_first_of("\t\r\n\"") == std::string_view::npos) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

std::string SelectionText(const DataSet& ds, const GridRect& selection) {
    const int lastColumn = ds.Table.Cells.columnCount();
    const int lastRow = ds.Table.Cells.rowCount();
    // A whole column reaches from the header row; whole rows start at the row-number column,
    // which is left out as the grid's own numbering.
    const bool wholeRows = selection.Left == 0 && selection.Right > lastColumn;
    const int left = std::max(selection.Left, wholeRows ? 1 : 0);
    const int right = std::min(selection.Right, lastColumn);
    const int top = std::max(selection.Top, 0);
    const int bottom = std::min(selection.Bottom, lastRow);
    std::string out;
    for (int row = top; row <= bottom; ++row) {
        if (row > top) out += '\n';
        bool first = true;
        for (int column = left; column <= right; ++column) {
            if (column > 0 && !ds.Layout.ColumnPresent[column]) continue;
            if (!first) out += '\t';
            first = false;
            appendField(out, row == 0 ? ds.Layout.ColumnNames[column] : ds.cellText(column, row));
        }
    }
    return out;
}

} // namespace varnotile
