// The detector's part about files of several tables: which one to read.
#include "format_detector.h"
#include "reading_option_table.h"

#include <string_view>

namespace varnotile {
namespace {

int delimiterOf(const FormatProposal& p) {
    return p.delimiter.empty() ? -1 : static_cast<unsigned char>(p.delimiter[0]);
}

// The largest table is proposed where reading the whole file would not show it alone: another
// table comes after it, or an earlier one of the same width would be read as its rows. A small
// block of settings above the data (a few "name value" lines, without a names line of their own)
// is left to the header rules.
void propose(FormatProposal& p, std::vector<TableBlock> tables) {
    if (tables.size() < 2) return;
    const int largest = LargestTable(tables);
    const TableBlock& last = tables.back();
    bool mixedIn = false;
    for (std::size_t k = 0; k + 1 < tables.size(); ++k)
        mixedIn = mixedIn || (tables[k].columns == last.columns && (tables[k].rows * 4 >= last.rows || tables[k].namesLine != 0));
    if (largest == static_cast<int>(tables.size()) && !mixedIn) return;
    const std::string count = std::to_string(tables.size());
    p.options.table = largest;
    // Blank lines between the tables, the lines above the chosen one and another table's lines
    // after it are the whole file's shape, which reading one table leaves aside: the sentence
    // names the tables instead.
    const std::string_view wholeFileShapes[] = {"blank line at the end", "blank lines at the end", "a long preamble",
                                                readingOption("robustSample").finding};
    std::erase_if(p.findings, [&](const std::string& finding) {
        for (const std::string_view shape : wholeFileShapes)
            if (finding.ends_with(shape)) return true;
        return false;
    });
    p.findings.push_back(count + " tables (table " + std::to_string(largest) + " of " + count + " is the largest)");
    p.tables = std::move(tables);
}

} // namespace

void ProposeTable(FormatProposal& p, const FileLines& lines, char localeDecimal) {
    propose(p, FindTableBlocks(lines, delimiterOf(p), p.options, decimalFor(p.options, localeDecimal)));
}

void ProposeTable(FormatProposal& p, const std::vector<std::string_view>& lines, char localeDecimal) {
    propose(p, FindTableBlocks(lines, delimiterOf(p), p.options, decimalFor(p.options, localeDecimal)));
}

} // namespace varnotile
