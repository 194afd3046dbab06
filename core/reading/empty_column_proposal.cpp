// The detector's part about empty last columns: rows that end in the delimiter under a names
// line that names one more column ("a,b,c" over "1,2,"). The plain rules drop such a trailing
// empty field; the names line says it is a column that holds nothing (yet).
#include "format_detector.h"
#include "number_text.h"
#include "reading_option_table.h"

#include <algorithm>
#include <map>

namespace varnotile {

namespace {

struct LineShape {
    int fields = 0;
    bool lastEmpty = false;
    bool holdsANumber = false;
};

LineShape shapeOf(std::string_view line, int delimiter, const ReadOptions& options, char decimal, LineCells& cells) {
    LineShape shape;
    shape.fields = splitFields(line, delimiter, options, cells, 64);
    if (shape.fields > 64) return {};
    shape.lastEmpty = !cells.cells.empty() && trimBlanks(cells.cells.back()).empty();
    for (const std::string_view cell : cells.cells) shape.holdsANumber = shape.holdsANumber || IsNumericText(trimBlanks(cell), decimal);
    return shape;
}

} // namespace

void ProposeEmptyLastColumns(FormatProposal& p, const std::vector<std::string_view>& head, char localeDecimal) {
    if (p.delimiter.empty() || p.options.whitespace || p.options.wideFiles) return;
    const int delimiter = static_cast<unsigned char>(p.delimiter[0]);
    const char decimal = decimalFor(p.options, localeDecimal);
    LineCells cells;
    std::vector<LineShape> shapes(head.size());
    std::map<int, int> rowsEndingEmpty, rowsOfWidth;
    for (std::size_t i = 0; i < head.size(); ++i) {
        if (isCommentOrBlank(head[i], p.options)) continue;
        shapes[i] = shapeOf(head[i], delimiter, p.options, decimal, cells);
        if (!shapes[i].holdsANumber) continue;
        ++rowsOfWidth[shapes[i].fields];
        if (shapes[i].lastEmpty) ++rowsEndingEmpty[shapes[i].fields];
    }
    // The rows: the width most rows holding numbers have, with an empty last field in nearly all.
    const auto widest = std::max_element(rowsOfWidth.begin(), rowsOfWidth.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
    if (widest == rowsOfWidth.end() || widest->second < 3) return;
    const int width = widest->first;
    if (width < 2 || width > 10 || rowsEndingEmpty[width] * 10 < widest->second * 9) return;
    // The names line: the last line of that width above the first such row whose last field is
    // a name and which holds no number. A lone row of another width (a field too few or too
    // many) may stand between.
    std::size_t firstRow = 0;
    while (firstRow < head.size() && !(shapes[firstRow].holdsANumber && shapes[firstRow].fields == width)) ++firstRow;
    bool oddRowPassed = false;
    for (std::size_t i = firstRow; i-- > 0;) {
        const LineShape& s = shapes[i];
        if (s.fields == 0) continue;
        if (s.holdsANumber && s.fields != width && !oddRowPassed) {
            oddRowPassed = true;
            continue;
        }
        if (s.fields == width && !s.lastEmpty && !s.holdsANumber) {
            p.options.emptyLastColumns = true;
            p.findings.emplace_back(readingOption("emptyLastColumns").findingFor(p.options));
        }
        return;
    }
}

} // namespace varnotile
