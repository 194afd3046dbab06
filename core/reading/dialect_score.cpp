#include "dialect_score.h"

#include "number_text.h"
#include "time_text.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace varnotile {

namespace {

constexpr std::size_t kLongText = 40;
constexpr int kKinds = 4;

bool looksNumeric(std::string_view cell) {
    double v = 0;
    return parseNumber(cell, '.', v) || parseNumber(cell, ',', v);
}

bool isListedMissing(std::string_view cell) {
    static const ReadOptions listed = [] {
        ReadOptions o;
        o.missingAsGaps = true;
        return o;
    }();
    return isMissingToken(cell, listed);
}

} // namespace

ReadOptions Dialect::options(const std::string& inlinePrefix) const {
    ReadOptions o;
    o.whitespace = whitespace;
    o.quotedTexts = quote != 0; // without, a quote is text like any other character
    o.singleQuotes = quote == '\'';
    o.backslashEscapes = backslash;
    o.blankAfterDelimiter = blankAfter && !whitespace;
    o.commentLines = !inlinePrefix.empty();
    o.commentPrefix = inlinePrefix;
    return o;
}

int CellKind(std::string_view cell) {
    const std::string_view trimmed = trimBlanks(cell);
    if (isListedMissing(trimmed) || looksNumeric(trimmed)) return 1;
    if (timeKindsOf(trimmed) != 0) return 2;
    // A text is plain when it holds a word and nothing of a quote or of a blank after the
    // delimiter is left at its ends (blanks after it align columns).
    if (trimmed.empty() || isBlank(cell.front()) || trimmed.size() > kLongText) return 0;
    // Still in quotes, or holding a quote's escape that was not read.
    if (trimmed.front() == '"' || trimmed.front() == '\'' || (trimmed.back() == '"' && trimmed.size() == 1)) return 0;
    if (trimmed.find("\\\"") != std::string_view::npos || trimmed.find("\\'") != std::string_view::npos) return 0;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c & 0x80) != 0; };
    return std::any_of(trimmed.begin(), trimmed.end(), letter) ? 3 : 0;
}

DialectScore ScoreDialect(std::span<const std::string_view> lines, const Dialect& dialect,
                          const std::string& inlinePrefix, int maxFields) {
    DialectScore score;
    const ReadOptions options = dialect.options(inlinePrefix);
    LineCells cells;
    struct Split {
        int fields;
        bool number;
    };
    std::vector<Split> splits;
    splits.reserve(lines.size());
    std::map<int, int> frequency;
    for (const std::string_view line : lines) {
        const int fields = splitFields(line, dialect.delimiter, options, cells, maxFields);
        bool number = false;
        for (const std::string_view cell : cells.cells) number = number || (looksNumeric(cell) && !isListedMissing(cell));
        splits.push_back({fields, number});
        if (number && fields >= 2) ++frequency[fields];
    }
    score.lines = static_cast<int>(lines.size());
    int best = 0;
    for (const auto& [n, k] : frequency)
        if (k >= best) score.mode = n, best = k; // a tie goes to the larger count
    if (score.mode < 2) return score;
    // The kinds of each column over the agreeing lines that hold a number; a cell is typed when
    // it has its column's most common kind (numbers and missing values are one kind).
    const int columns = std::min(score.mode, maxFields);
    std::vector<std::array<int, kKinds>> kinds(static_cast<std::size_t>(columns), std::array<int, kKinds>{});
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (splits[i].fields != score.mode) continue;
        ++score.agreeing;
        if (!splits[i].number) continue;
        splitFields(lines[i], dialect.delimiter, options, cells, maxFields);
        for (int j = 0; j < columns && j < static_cast<int>(cells.cells.size()); ++j)
            ++kinds[static_cast<std::size_t>(j)][static_cast<std::size_t>(CellKind(cells.cells[static_cast<std::size_t>(j)]))];
    }
    for (const auto& column : kinds) {
        int all = 0, most = 0;
        for (int k = 0; k < kKinds; ++k) all += column[static_cast<std::size_t>(k)];
        for (int k = 1; k < kKinds; ++k) most = std::max(most, column[static_cast<std::size_t>(k)]);
        score.cells += all;
        score.typed += most;
    }
    return score;
}

} // namespace varnotile
