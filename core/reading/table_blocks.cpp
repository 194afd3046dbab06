#include "table_blocks.h"

#include "layout.h"
#include "number_text.h"

#include <algorithm>

namespace varnotile {
namespace {

// Fewer rows than this in a run make no table: a descriptor line that holds a number, or a row
// or two with cells missing, stay lines between or inside tables.
constexpr int kMinRows = 3;
// A run of lines that all start alike is looked at in this many places, and where two places
// differ, halfway between them until the change is found.
constexpr int kProbesPerRun = 64;
// Runs of lines not starting with a number up to this long are looked at line by line: names,
// separator and descriptor lines.
constexpr int kLinesLookedAtOneByOne = 8;
constexpr int kColumnsLooked = 64;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// How a line starts, seen without splitting it: the cheap look every line gets.
enum class Start : uint8_t { Blank, Number, Other };

Start startOf(std::string_view line, const ReadOptions& options) {
    std::size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) return Start::Blank;
    if (options.commentLines && isCommentOrBlank(line, options)) return Start::Other;
    const auto at = [&](std::size_t k) { return k < line.size() ? line[k] : '\0'; };
    std::size_t k = i;
    if (at(k) == '-' || at(k) == '+') ++k;
    if (at(k) == '.' || at(k) == ',') ++k;
    return isDigit(at(k)) ? Start::Number : Start::Other;
}

// What a line is to the tables: blank (or a comment line, with comment lines on), text (names,
// separators, descriptors), a row without a number that is no separator (missing cells only, or
// starting like a number), or a row holding a number.
enum class Kind : uint8_t { Blank, Text, Gap, Data };

struct Shape {
    Kind kind = Kind::Blank;
    int columns = 0;
    // The line ends in empty cells: a row with its last values missing rather than a narrower table.
    bool ragged = false;
    bool operator==(const Shape&) const = default;
};

struct Piece {
    int from, to;
    Shape shape;
    int lines() const { return to - from + 1; }
};

template <class LineAt> class Finder {
public:
    Finder(LineAt lineAt, int count, int delimiter, const ReadOptions& options, char decimal)
        : lineAt_(lineAt), count_(count), delimiter_(delimiter), options_(options), decimal_(decimal) {
        options_.missingAsGaps = true; // only to tell rows of missing cells, with the listed tokens
        options_.missingTokens = ReadOptions().missingTokens;
    }

    std::vector<TableBlock> run() {
        for (int a = 1; a <= count_;) {
            const Start start = startOf(lineAt_(a), options_);
            int b = a;
            while (b < count_ && startOf(lineAt_(b + 1), options_) == start) ++b;
            if (start == Start::Blank)
                add(a, b, {Kind::Blank, 0});
            else if (start == Start::Other && b - a + 1 <= kLinesLookedAtOneByOne)
                for (int i = a; i <= b; ++i) add(i, i, probe(i));
            else
                sampleRun(a, b);
            a = b + 1;
        }
        return assemble();
    }

private:
    Shape probe(int i) {
        const std::string_view line = lineAt_(i);
        if (trimBlanks(line).empty() || (options_.commentLines && isCommentOrBlank(line, options_))) return {};
        const std::size_t length = trimmedLength(line, delimiter_);
        const int n = splitFields(line.substr(0, length), delimiter_, options_, cells_, kColumnsLooked);
        const bool lastEmpty = n > 1 && n <= kColumnsLooked && trimBlanks(cells_.cells.back()).empty();
        Shape shape{Kind::Text, lastEmpty && cells_.cells.back().empty() ? n - 1 : n, lastEmpty || length < line.size()};
        bool allMissing = true;
        for (const std::string_view cell : cells_.cells) {
            if (IsNumericText(cell, decimal_)) {
                shape.kind = Kind::Data;
                return shape;
            }
            allMissing = allMissing && isMissingToken(cell, options_);
        }
        if (allMissing || startOf(line, options_) == Start::Number) shape.kind = Kind::Gap;
        return shape;
    }

    void add(int from, int to, Shape shape) {
        if (!pieces_.empty() && pieces_.back().shape == shape && pieces_.back().to == from - 1)
            pieces_.back().to = to;
        else
            pieces_.push_back({from, to, shape});
    }

    // Lines p..q-1, knowing the shapes of lines p and q: equal ends are taken for the whole
    // stretch, differing ones are halved until the change is found.
    void span(int p, Shape sp, int q, Shape sq) {
        if (sp == sq || q - p == 1) {
            add(p, q - 1, sp);
            return;
        }
        const int m = p + (q - p) / 2;
        const Shape sm = probe(m);
        span(p, sp, m, sm);
        span(m, sm, q, sq);
    }

    void sampleRun(int a, int b) {
        const int step = std::max(1, (b - a + 1) / kProbesPerRun);
        int p = a;
        Shape sp = probe(a);
        while (p < b) {
            const int q = std::min(b, p + step);
            const Shape sq = probe(q);
            span(p, sp, q, sq);
            p = q;
            sp = sq;
        }
        add(b, b, sp);
    }

    std::vector<TableBlock> assemble() {
        std::vector<TableBlock> tables;
        TableBlock open;
        // A text line (names, "&", a descriptor) ends the open table; blank and comment lines do not.
        bool separated = false;
        bool openRagged = false; // the open table's last rows end in empty cells
        int pendingRows = 0;
        const Piece* previous = nullptr;
        // A lone line of text holding a digit, of another width, right between rows of the open
        // table (a row with a stray quote, say) is one of its rows, not a separator.
        const auto oddRow = [&](std::size_t k) {
            const Piece& piece = pieces_[k];
            if (piece.lines() != 1 || k == 0 || k + 1 >= pieces_.size() || piece.shape.columns == open.columns) return false;
            const Piece& before = pieces_[k - 1];
            const Piece& after = pieces_[k + 1];
            return before.shape.kind == Kind::Data && after.shape.kind == Kind::Data && before.to == piece.from - 1 &&
                   after.from == piece.to + 1 && after.shape.columns == open.columns &&
                   lineAt_(piece.from).find_first_of("0123456789") != std::string_view::npos;
        };
        auto close = [&] {
            if (open.rows >= kMinRows) tables.push_back(open);
            open = {};
        };
        for (std::size_t k = 0; k < pieces_.size(); ++k) {
            const Piece& piece = pieces_[k];
            const Kind kind = piece.shape.kind == Kind::Text && open.rows > 0 && !separated && oddRow(k) ? Kind::Gap : piece.shape.kind;
            const bool isOpen = open.rows > 0;
            const int columns = piece.shape.columns;
            // Rows whose last cells are empty count as narrower: they belong to a wider table.
            const bool sameTable = columns == open.columns || (columns < open.columns && piece.shape.ragged) ||
                                   (columns > open.columns && openRagged);
            if (kind == Kind::Blank) {
                // nothing: blank and comment lines stand among the rows of a table
            } else if (kind == Kind::Text) {
                separated = separated || isOpen;
            } else if (isOpen && !separated && (sameTable || kind == Kind::Gap)) {
                // Rows of the open table; rows without a number wait until rows with one follow.
                if (kind == Kind::Gap) {
                    pendingRows += piece.lines();
                } else {
                    open.rows += pendingRows + piece.lines();
                    open.lastLine = piece.to;
                    open.columns = std::max(open.columns, columns);
                    openRagged = piece.shape.ragged;
                    pendingRows = 0;
                }
            } else if (isOpen && !separated && piece.lines() < kMinRows) {
                pendingRows += piece.lines(); // a row or two of another width: rows with cells missing
            } else if (kind == Kind::Data) {
                close();
                open.columns = piece.shape.columns;
                open.firstLine = piece.from;
                open.lastLine = piece.to;
                open.rows = piece.lines();
                // Rows that end in the delimiter have an empty last column, which the names name.
                const int namedColumns = open.columns + (piece.shape.ragged ? 1 : 0);
                if (previous && previous->shape.kind == Kind::Text && previous->to == piece.from - 1 &&
                    (previous->shape.columns == open.columns || previous->shape.columns == namedColumns))
                    open.namesLine = open.firstLine = piece.from - 1;
                separated = false;
                openRagged = piece.shape.ragged;
                pendingRows = 0;
            }
            previous = &piece;
        }
        close();
        for (std::size_t k = 0; k < tables.size(); ++k) {
            TableBlock& t = tables[k];
            t.fromLine = k == 0 ? 1 : tables[k - 1].lastLine + 1;
            if (t.namesLine == 0) continue;
            const int n = splitFields(lineAt_(t.namesLine), delimiter_, options_, cells_, kColumnsLooked);
            for (int j = 0; j < n && j < static_cast<int>(cells_.cells.size()); ++j) t.names.emplace_back(trimBlanks(cells_.cells[static_cast<std::size_t>(j)]));
        }
        return tables;
    }

    LineAt lineAt_;
    int count_;
    int delimiter_;
    ReadOptions options_;
    char decimal_;
    LineCells cells_;
    std::vector<Piece> pieces_;
};

template <class LineAt>
std::vector<TableBlock> find(LineAt lineAt, int count, int delimiter, const ReadOptions& options, char decimal) {
    return Finder<LineAt>(lineAt, count, delimiter, options, decimal).run();
}

} // namespace

std::vector<TableBlock> FindTableBlocks(const FileLines& lines, int delimiter, const ReadOptions& options, char decimal) {
    // A byte-order mark is no part of the first line's text.
    return find(
        [&](int i) {
            const std::string_view line = lines.line(i);
            return i == 1 && line.starts_with("\xEF\xBB\xBF") ? line.substr(3) : line;
        },
        lines.count(), delimiter, options, decimal);
}

std::vector<TableBlock> FindTableBlocks(const std::vector<std::string_view>& lines, int delimiter,
                                        const ReadOptions& options, char decimal) {
    return find([&](int i) { return lines[static_cast<std::size_t>(i - 1)]; }, static_cast<int>(lines.size()), delimiter,
                options, decimal);
}

int LargestTable(const std::vector<TableBlock>& tables) {
    int best = 0;
    for (std::size_t k = 0; k < tables.size(); ++k)
        if (best == 0 || tables[k].cells() >= tables[static_cast<std::size_t>(best - 1)].cells()) best = static_cast<int>(k) + 1;
    return best;
}

std::string NoSuchTableText(int table, int tables) {
    return "the file holds " + std::to_string(tables) + (tables == 1 ? " table" : " tables") + "; there is no table " +
           std::to_string(table);
}

} // namespace varnotile
