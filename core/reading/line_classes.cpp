#include "line_classes.h"

#include "layout.h"
#include "number_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

namespace varnotile {
namespace {

constexpr int kColumnsLooked = 64;
// A lone odd row this close to the first row is one the plain header scan would stop at.
constexpr int kNearTop = 25;

// How a line looks before its place among the others is known.
enum class Look : uint8_t {
    Neutral, // blank or comment
    Row,     // the rows' field count, numbers where the rows hold numbers
    Gaps,    // nothing but empty cells and missing-value tokens
    Odd,     // numbers only, but another field count
    Mixed,   // numbers and words where the rows hold numbers
    Words,   // no number at all
};

bool isWord(std::string_view cell, char decimal, const ReadOptions& tokens) {
    cell = trimBlanks(cell);
    return !cell.empty() && !IsNumericText(cell, decimal) && !isMissingToken(cell, tokens);
}

} // namespace

int LineReading::count(LineClass c) const { return static_cast<int>(std::count(classes.begin(), classes.end(), c)); }

LineClassifier::LineClassifier(int delimiter, const ReadOptions& options, char decimal)
    : delimiter_(delimiter), options_(options), raw_(options), decimal_(decimal) {
    // Missing-value tokens tell a row of gaps and a missing cell from a word, whatever the reading does with them.
    options_.missingAsGaps = true;
    if (!options.missingAsGaps) options_.missingTokens = ReadOptions().missingTokens;
    raw_.quotedTexts = false;
}

LineClassifier::Shape LineClassifier::shapeOf(std::string_view line) {
    Shape s;
    if (trimBlanks(line).empty() || isCommentOrBlank(line, options_)) return s;
    s.blank = false;
    line = line.substr(0, inlineCommentAt(line, delimiter_, options_));
    const std::size_t length = trimmedLength(line, delimiter_);
    const std::size_t end = line.find_last_not_of(" \t");
    s.ragged = delimiter_ >= 0 && !options_.whitespace && end != std::string_view::npos &&
               line[end] == static_cast<char>(delimiter_);
    line = line.substr(0, length);
    s.fields = std::min(splitFields(line, delimiter_, options_, cells_, kColumnsLooked), kColumnsLooked);
    // A trailing empty cell is no column, as the reading counts them.
    if (s.fields > 1 && trimBlanks(cells_.cells[static_cast<std::size_t>(s.fields - 1)]).empty()) --s.fields;
    for (int j = 0; j < s.fields; ++j) {
        const std::string_view cell = cells_.cells[static_cast<std::size_t>(j)];
        if (trimBlanks(cell).empty())
            ++s.empty;
        else if (IsNumericText(cell, decimal_))
            ++s.numbers;
        else if (isWord(cell, decimal_, options_))
            ++s.words;
        if (j == 0) s.firstIsWord = isWord(cell, decimal_, options_);
    }
    if (options_.quotedTexts) {
        const int n = std::min(splitFields(line, delimiter_, raw_, cells_, kColumnsLooked), kColumnsLooked);
        int quoted = 0, filled = 0;
        for (int j = 0; j < n; ++j) {
            const std::string_view cell = trimBlanks(cells_.cells[static_cast<std::size_t>(j)]);
            if (cell.empty()) continue;
            ++filled;
            quoted += cell.size() >= 2 && cell.front() == '"' && cell.back() == '"';
        }
        s.quoted = filled > 0 && quoted == filled;
    }
    return s;
}

LineReading LineClassifier::classify(const std::vector<std::string_view>& lines) {
    LineReading r;
    const int n = static_cast<int>(lines.size());
    std::vector<Shape> shapes(lines.size());
    for (int i = 0; i < n; ++i) shapes[static_cast<std::size_t>(i)] = shapeOf(lines[static_cast<std::size_t>(i)]);
    const auto shape = [&](int i) -> const Shape& { return shapes[static_cast<std::size_t>(i)]; };

    // The rows' field count: the one whose lines holding numbers explain most cells, so that a
    // few settings of two fields above a wide grid do not decide it.
    // Rows ending in empty cells say little about the width: the others decide where there are some.
    // Where nearly all rows end in empty cells, a lone row that does not (one with a field too
    // many) says nothing either.
    int ragged = 0, whole = 0;
    for (const Shape& s : shapes)
        if (s.numbers > 0) ++(s.ragged ? ragged : whole);
    const bool raggedDecide = whole * 4 < ragged;
    std::map<int, int> cells;
    for (const Shape& s : shapes)
        if (s.numbers > 0 && (raggedDecide || !s.ragged)) cells[s.fields] += s.fields;
    int width = 0;
    for (const auto& [fields, total] : cells)
        if (width == 0 || total >= cells[width]) width = fields;
    r.columns = width;
    r.classes.assign(lines.size(), LineClass::Text);
    if (width == 0) {
        for (int i = 0; i < n; ++i)
            if (shape(i).blank)
                r.classes[static_cast<std::size_t>(i)] =
                    trimBlanks(lines[static_cast<std::size_t>(i)]).empty() ? LineClass::Blank : LineClass::Comment;
        return r;
    }

    // Which columns hold numbers: most of the lines of that width that hold numbers say so.
    std::vector<int> numbersIn(static_cast<std::size_t>(width));
    int linesSeen = 0;
    for (int i = 0; i < n; ++i) {
        const Shape& s = shape(i);
        if (s.fields != width || s.numbers == 0) continue;
        ++linesSeen;
        const std::string_view line = lines[static_cast<std::size_t>(i)];
        splitFields(line.substr(0, inlineCommentAt(line, delimiter_, options_)), delimiter_, options_, cells_, kColumnsLooked);
        for (int j = 0; j < width && j < static_cast<int>(cells_.cells.size()); ++j)
            numbersIn[static_cast<std::size_t>(j)] += IsNumericText(cells_.cells[static_cast<std::size_t>(j)], decimal_);
    }
    int raggedRows = 0;
    for (const Shape& s : shapes) raggedRows += s.fields == width && s.numbers > 0 && s.ragged;
    r.rowsEndEmpty = raggedRows * 2 > linesSeen;
    std::vector<bool> numeric(static_cast<std::size_t>(width));
    for (int j = 0; j < width; ++j) numeric[static_cast<std::size_t>(j)] = numbersIn[static_cast<std::size_t>(j)] * 2 > linesSeen;

    // Cells all written in quotes over rows that are not ("1929","1930") are names, not numbers.
    int quotedRows = 0, rows = 0;
    for (const Shape& s : shapes)
        if (s.numbers > 0) ++rows, quotedRows += s.quoted;
    const bool quotesMarkTexts = quotedRows * 2 < rows;

    std::vector<Look> looks(lines.size(), Look::Neutral);
    std::vector<int> wordsWhereNumbers(lines.size());
    for (int i = 0; i < n; ++i) {
        const Shape& s = shape(i);
        Look& look = looks[static_cast<std::size_t>(i)];
        if (s.blank) continue;
        if (s.numbers == 0 || (s.quoted && quotesMarkTexts)) {
            // A row label followed by nothing but gaps ("d3,,") is a row too.
            const bool gaps = s.numbers == 0 && (s.words == 0 ? s.fields >= 2 : s.ragged && s.words == 1 && s.firstIsWord);
            look = gaps ? Look::Gaps : Look::Words;
            continue;
        }
        if (s.words == 0) {
            look = s.fields == width || (s.ragged && s.fields < width) ? Look::Row : Look::Odd;
            continue;
        }
        // Words: a row when they stand only in the columns of texts (texts of several words split
        // at blanks give some rows more fields).
        const std::string_view line = lines[static_cast<std::size_t>(i)];
        splitFields(line.substr(0, inlineCommentAt(line, delimiter_, options_)), delimiter_, options_, cells_, kColumnsLooked);
        int& misplaced = wordsWhereNumbers[static_cast<std::size_t>(i)];
        for (int j = 0; j < width && j < static_cast<int>(cells_.cells.size()); ++j)
            misplaced += numeric[static_cast<std::size_t>(j)] && isWord(cells_.cells[static_cast<std::size_t>(j)], decimal_, options_);
        look = misplaced > 0 ? Look::Mixed : Look::Row;
    }
    const auto lookAt = [&](int i) { return looks[static_cast<std::size_t>(i)]; };
    int firstRow = 0;
    while (firstRow < n && lookAt(firstRow) != Look::Row) ++firstRow;
    if (firstRow == n) return r;

    // Block lines: odd or mixed lines of one shape, one of which heads the first rows (nothing but
    // blank or comment lines between), that come back further down.
    std::vector<bool> block(lines.size());
    {
        int head = firstRow - 1;
        while (head >= 0 && lookAt(head) == Look::Neutral) --head;
        if (head >= 0 && (lookAt(head) == Look::Odd || lookAt(head) == Look::Mixed)) {
            const int fields = shape(head).fields;
            const bool word = lookAt(head) == Look::Mixed;
            // Block lines hold the same words ("x" of "x,1.5"): rows with a field too few, whose
            // texts differ, are none.
            const std::string words = word ? wordsOf(lines[static_cast<std::size_t>(head)]) : std::string();
            const auto alike = [&](int i) {
                return lookAt(i) == lookAt(head) && shape(i).fields == fields &&
                       (!word || wordsOf(lines[static_cast<std::size_t>(i)]) == words);
            };
            int seen = 0;
            for (int i = head; i < n; ++i) seen += alike(i);
            if (seen >= 2) {
                for (int i = head; i < n; ++i) block[static_cast<std::size_t>(i)] = alike(i);
                r.blockFields = fields;
                r.blockHasWord = word;
                r.blockFirstIsWord = shape(head).firstIsWord;
                r.blockWords = words;
            }
        }
    }

    // The data: the longest run of rows, through blank, comment and block lines, rows of gaps and
    // lone odd lines (rows with a field too many or too few, a stray quote) with rows on both sides.
    const auto passable = [&](int i) { return lookAt(i) == Look::Neutral || block[static_cast<std::size_t>(i)]; };
    const auto nextNotPassable = [&](int i, int step) {
        for (i += step; i >= 0 && i < n && passable(i); i += step) {}
        return i;
    };
    const auto isRowAt = [&](int i) { return i >= 0 && i < n && lookAt(i) == Look::Row && !block[static_cast<std::size_t>(i)]; };
    const auto lone = [&](int i) {
        const Look l = lookAt(i);
        const bool odd = l == Look::Odd || l == Look::Mixed || l == Look::Gaps ||
                         (l == Look::Words && shape(i).fields != width &&
                          lines[static_cast<std::size_t>(i)].find_first_of("0123456789") != std::string_view::npos);
        return odd && isRowAt(nextNotPassable(i, -1)) && isRowAt(nextNotPassable(i, 1));
    };
    int bestFirst = -1, bestLast = -1, bestRows = 0;
    for (int i = 0; i < n;) {
        if (!isRowAt(i)) {
            ++i;
            continue;
        }
        int rows = 0, last = i, k = i;
        while (k < n && (isRowAt(k) || passable(k) || lone(k) || lookAt(k) == Look::Gaps)) {
            if (isRowAt(k)) ++rows, last = k;
            ++k;
        }
        if (rows > bestRows) bestFirst = i, bestLast = last, bestRows = rows;
        i = k;
    }
    // The names: a line of words with a cell per column (or per column but the row labels'), or
    // one more (a names line with a name too many, or naming the empty last column of rows that
    // end in the delimiter, or both).
    const auto namesShape = [&](int i) {
        const Shape& s = shape(i);
        // Names split at blanks give a title line more fields: there, only rows that end in the
        // delimiter let the names have more.
        const int more = (options_.whitespace || delimiter_ == ' ' ? 0 : 1) + (r.rowsEndEmpty ? 1 : 0);
        if (s.fields < width - 1 || s.fields > width + more) return false;
        if (lookAt(i) == Look::Words) return true;
        // A line of names and numbers ("x,1") starts with a name; a count line ("150,4,setosa")
        // starts with a number.
        return lookAt(i) == Look::Mixed && s.fields == width && s.firstIsWord;
    };
    // A first row with one word where the rows hold numbers ("0,?,Total,1998,4699"), right above
    // the others, is a row: it starts with a number, so it names nothing.
    if (bestFirst > 0) {
        const int above = bestFirst - 1;
        const Shape& s = shape(above);
        if (lookAt(above) == Look::Mixed && !block[static_cast<std::size_t>(above)] && s.fields == width &&
            !s.firstIsWord && wordsWhereNumbers[static_cast<std::size_t>(above)] == 1 && s.numbers * 2 > s.fields)
            bestFirst = above;
    }
    // A lone line holding numbers, of another field count (a field too few or too many), between
    // the names and the rows is the first row.
    if (const int above = bestFirst - 1; above > 0 && !block[static_cast<std::size_t>(above)]) {
        const Look l = lookAt(above);
        const Shape& s = shape(above);
        const bool odd = (l == Look::Odd || l == Look::Mixed) && std::abs(s.fields - width) == 1;
        const int names = above - 1;
        if (odd && lookAt(names) == Look::Words && namesShape(names)) bestFirst = above;
    }
    r.firstData = bestFirst;
    r.lastData = bestLast;

    for (int i = 0; i < n; ++i) {
        LineClass& c = r.classes[static_cast<std::size_t>(i)];
        const Look l = lookAt(i);
        if (l == Look::Neutral)
            c = trimBlanks(lines[static_cast<std::size_t>(i)]).empty() ? LineClass::Blank : LineClass::Comment;
        else if (block[static_cast<std::size_t>(i)])
            c = LineClass::BlockLine;
        else if (i >= bestFirst && i <= bestLast)
            c = LineClass::Data;
        else if (i > bestLast)
            c = LineClass::Trailer;
        else if ((l == Look::Mixed || l == Look::Odd) && shape(i).fields == 2 && shape(i).firstIsWord)
            c = LineClass::Setting;
        // A row of another field count stops the plain scan too, unless missing values make a
        // shorter row one with its last cells empty.
        const int fields = shape(i).fields;
        const bool otherCount =
            l == Look::Row && (fields > width || (fields < width && !raw_.missingAsGaps && shape(i).ragged && r.rowsEndEmpty));
        if (c == LineClass::Data && i - bestFirst < kNearTop && ((l != Look::Row && l != Look::Gaps) || otherCount))
            r.oddRowNearTop = true;
    }

    // The names: the nearest line above the rows, through blank and comment lines, of the names'
    // shape. A line of words of that shape right above it names the columns instead, and this
    // one gives their units.
    int k = nextNotPassable(bestFirst, -1);
    if (k >= 0 && block[static_cast<std::size_t>(k)]) k = -1;
    // Settings often start with a sign of their own ("@radius 4.03"); a line of words starting
    // with it is a setting too ("@name test"), never the names.
    char settingSign = 0;
    for (int i = 0; i < bestFirst; ++i) {
        const std::string_view text = trimBlanks(lines[static_cast<std::size_t>(i)]);
        const char c = text.empty() ? 0 : text.front();
        if (r.classes[static_cast<std::size_t>(i)] == LineClass::Setting && c != 0 && !std::isalnum(static_cast<unsigned char>(c)) && c != '"')
            settingSign = c;
    }
    const auto signedSetting = [&](int i) {
        const std::string_view text = trimBlanks(lines[static_cast<std::size_t>(i)]);
        return settingSign != 0 && !text.empty() && text.front() == settingSign;
    };
    for (int i = 0; i < bestFirst; ++i)
        if (lookAt(i) == Look::Words && signedSetting(i)) r.classes[static_cast<std::size_t>(i)] = LineClass::Setting;
    if (k >= 0 && namesShape(k) && !signedSetting(k)) {
        r.namesAt = k;
        r.namesWider = shape(k).fields > width + (r.rowsEndEmpty ? 1 : 0);
        if (k > 0 && lookAt(k - 1) == Look::Words && shape(k - 1).fields == shape(k).fields && !signedSetting(k - 1)) {
            r.unitsAt = k;
            r.namesAt = k - 1;
            r.classes[static_cast<std::size_t>(k)] = LineClass::Units;
        }
        r.classes[static_cast<std::size_t>(r.namesAt)] = LineClass::Names;
    }
    return r;
}

bool LineClassifier::isBlockLine(std::string_view line, const LineReading& reading) {
    if (reading.blockFields == 0) return false;
    const Shape s = shapeOf(line);
    return s.fields == reading.blockFields && s.numbers > 0 && (s.words > 0) == reading.blockHasWord &&
           s.firstIsWord == reading.blockFirstIsWord && (!reading.blockHasWord || wordsOf(line) == reading.blockWords);
}

std::string LineClassifier::wordsOf(std::string_view line) {
    const int n = std::min(splitFields(line.substr(0, inlineCommentAt(line, delimiter_, options_)), delimiter_, options_, cells_,
                                       kColumnsLooked),
                           kColumnsLooked);
    std::string words;
    for (int j = 0; j < n; ++j)
        if (const std::string_view cell = cells_.cells[static_cast<std::size_t>(j)]; isWord(cell, decimal_, options_))
            words.append(trimBlanks(cell)).push_back('\n');
    return words;
}

} // namespace varnotile
