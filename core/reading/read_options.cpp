#include "read_options.h"

#include "number_text.h"

namespace varnotile {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The next free text slot of `out`, emptied; slots are reused from line to line.
std::string& takeRebuilt(LineCells& out) {
    if (out.rebuiltUsed == out.rebuilt.size()) out.rebuilt.emplace_back();
    std::string& s = out.rebuilt[out.rebuiltUsed++];
    s.clear();
    return s;
}

// The quote character and, with backslash escapes, the backslash: what a quoted text's walk stops at.
struct QuoteStops {
    char chars[2];
    std::size_t count;
    explicit QuoteStops(const ReadOptions& options)
        : chars{options.quoteChar(), '\\'}, count(options.backslashEscapes ? 2 : 1) {}
    std::size_t next(std::string_view text, std::size_t from) const {
        return count == 1 ? text.find(chars[0], from) : text.find_first_of(std::string_view(chars, count), from);
    }
};

// Inside a quoted text, the stop at `p` (a quote or a backslash, see QuoteStops): how many
// characters an escape there takes (2: a doubled quote, a backslash before a quote or a
// backslash), 1 for a backslash of its own, 0 for the closing quote.
std::size_t escapeAt(std::string_view text, std::size_t p, std::size_t end, char quote) {
    const bool followed = p + 1 < end;
    if (text[p] == '\\') return followed && (text[p + 1] == quote || text[p + 1] == '\\') ? 2 : 1;
    return followed && text[p + 1] == quote ? 2 : 0;
}

} // namespace

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char decimalFor(const ReadOptions& options, char localeDecimal) {
    switch (options.decimal) {
    case DecimalChoice::Point:
        return '.';
    case DecimalChoice::Comma:
        return ',';
    case DecimalChoice::System:
        break;
    }
    return localeDecimal;
}

bool isCommentOrBlank(std::string_view line, const ReadOptions& options) {
    if (!options.commentLines) return false;
    const std::string_view rest = trimBlanks(line);
    if (rest.empty()) return true;
    // An empty prefix would make every line a comment; it then means blank lines only.
    return !options.commentPrefix.empty() && rest.starts_with(options.commentPrefix);
}

bool isRuleLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t#");
    return first != std::string_view::npos && line.find_first_not_of("-=_+*~ \t#", first) == std::string_view::npos;
}

std::size_t commentNamesAt(std::string_view line, const ReadOptions& options) {
    if (options.commentPrefix.empty()) return std::string_view::npos;
    const std::size_t at = line.find(options.commentPrefix);
    if (at == std::string_view::npos) return at;
    std::size_t names = at + options.commentPrefix.size();
    // A tagged names line ("#L Z TOTAL"): the tag right after the prefix is no name.
    if (options.namesInComment && names + 1 < line.size() && line[names] == 'L' && isBlank(line[names + 1])) {
        ++names;
        while (names < line.size() && isBlank(line[names])) ++names;
    }
    return names;
}

std::size_t inlineCommentAt(std::string_view line, int delimiter, const ReadOptions& options) {
    const std::string& prefix = options.commentPrefix;
    if (!options.commentLines || prefix.empty() || isBlank(prefix.front())) return line.size();
    const bool ws = options.whitespace;
    // A prefix that starts with the delimiter would end every line at its first blank cell.
    if (!ws && delimiter >= 0 && static_cast<unsigned char>(prefix.front()) == delimiter) return line.size();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line.find(prefix, first + 1) == std::string_view::npos) return line.size();
    // A tab delimiter right before the prefix only starts a cell.
    auto blankBefore = [&](std::size_t at) {
        const char c = line[at - 1];
        return c == ' ' || (c == '\t' && (ws || delimiter != '\t'));
    };
    auto commentFrom = [&](std::size_t at) {
        while (at > 0 && isBlank(line[at - 1])) --at;
        return at;
    };
    if (!options.quotedTexts) {
        for (std::size_t at = line.find(prefix, first + 1); at != std::string_view::npos; at = line.find(prefix, at + 1))
            if (blankBefore(at)) return commentFrom(at);
        return line.size();
    }
    // With quoted texts the cells are walked as splitFields walks them: a quote opens a text only
    // as a cell's first non-blank character, and the text runs to its closing quote.
    bool cellStart = true;
    for (std::size_t i = first; i < line.size(); ++i) {
        const char c = line[i];
        if (cellStart && isBlank(c)) continue;
        if (cellStart && c == options.quoteChar()) {
            const QuoteStops stops(options);
            std::size_t close = i + 1;
            for (;;) {
                close = stops.next(line, close);
                if (close == std::string_view::npos) return line.size(); // runs to the end of the line
                if (const std::size_t skip = escapeAt(line, close, line.size(), c); skip > 0) {
                    close += skip;
                    continue;
                }
                break;
            }
            i = close;
            cellStart = false;
            continue;
        }
        if (i > first && blankBefore(i) && line.compare(i, prefix.size(), prefix) == 0) return commentFrom(i);
        cellStart = ws ? isBlank(c) : static_cast<unsigned char>(c) == delimiter;
    }
    return line.size();
}

bool startsCommentInside(std::string_view text, bool firstField, int delimiter, const ReadOptions& options) {
    const std::string& prefix = options.commentPrefix;
    if (!options.commentLines || prefix.empty()) return false;
    for (std::size_t at = text.find(prefix); at != std::string_view::npos; at = text.find(prefix, at + 1))
        if (at > 0 ? isBlank(text[at - 1]) : !firstField && (options.whitespace || delimiter == ' ')) return true;
    return false;
}

bool isMissingToken(std::string_view cell, const ReadOptions& options) {
    if (!options.missingAsGaps) return false;
    const std::string_view text = trimBlanks(cell);
    if (text.empty()) return true;
    for (const std::string& token : options.missingTokens)
        if (equalsIgnoringCase(text, trimBlanks(token))) return true;
    return false;
}

std::vector<double> missingMarkers(const ReadOptions& options) {
    std::vector<double> markers;
    if (!options.missingAsGaps) return markers;
    for (const std::string& token : options.missingTokens) {
        double value = 0;
        // "." alone reads as 0 by the numeric rule, but as a token it is a word.
        if (token.find_first_of("0123456789") == std::string::npos) continue;
        if (parseNumber(token, '.', value) || parseNumber(token, ',', value)) markers.push_back(value);
    }
    return markers;
}

int splitFields(std::string_view line, int delimiter, const ReadOptions& options, LineCells& out,
                int maxFields) {
    if (options.commentLines) line = line.substr(0, inlineCommentAt(line, delimiter, options));
    out.cells.clear();
    out.rebuiltUsed = 0;
    const bool ws = options.whitespace;
    const char quote = options.quoteChar();
    const QuoteStops stops(options);
    auto isDelimiter = [&](char c) { return ws ? isBlank(c) : static_cast<unsigned char>(c) == delimiter; };
    // End of the unquoted text that starts at `from`: the next delimiter or the end.
    auto cellEnd = [&](std::size_t from, std::size_t end) {
        if (!ws) {
            if (delimiter < 0) return end;
            const std::size_t p = line.find(static_cast<char>(delimiter), from);
            return p == std::string_view::npos || p > end ? end : p;
        }
        while (from < end && !isBlank(line[from]))
            ++from;
        return from;
    };

    std::size_t i = 0, end = line.size();
    if (ws) {
        while (i < end && isBlank(line[i]))
            ++i;
        while (end > i && isBlank(line[end - 1]))
            --end;
    }
    int count = 0;
    for (;;) {
        ++count;
        std::string_view cell;
        std::string* text = nullptr; // set when the cell's text had to be rebuilt
        std::size_t q = i;
        if (options.quotedTexts)
            while (q < end && isBlank(line[q]) && !isDelimiter(line[q]))
                ++q;
        if (options.quotedTexts && q < end && line[q] == quote) {
            std::size_t from = q + 1, search = from; // text before `from` is taken; stops before `search` are passed
            for (;;) {
                const std::size_t p = stops.next(line, search);
                if (p == std::string_view::npos || p >= end) { // no closing quote: runs to the end
                    if (text)
                        text->append(line.substr(from, end - from));
                    else
                        cell = line.substr(from, end - from);
                    i = end;
                    break;
                }
                const std::size_t skip = escapeAt(line, p, end, quote);
                if (skip == 1) { // a backslash of its own is text
                    search = p + 1;
                    continue;
                }
                if (skip == 2) { // "" or \" stands for one quote, \\ for one backslash
                    if (!text) text = &takeRebuilt(out);
                    text->append(line.substr(from, p - from)).push_back(line[p + 1]);
                    from = search = p + 2;
                    continue;
                }
                if (text)
                    text->append(line.substr(from, p - from));
                else
                    cell = line.substr(from, p - from);
                i = p + 1;
                break;
            }
            // Text between the closing quote and the delimiter is kept, without its blanks.
            const std::size_t stop = cellEnd(i, end);
            const std::string_view after = trimBlanks(line.substr(i, stop - i));
            if (!after.empty()) {
                if (!text) {
                    text = &takeRebuilt(out);
                    text->assign(cell);
                }
                text->append(after);
            }
            i = stop;
        } else {
            const std::size_t stop = cellEnd(i, end);
            cell = line.substr(i, stop - i);
            i = stop;
        }
        if (count > maxFields) return count;
        out.cells.push_back(text ? std::string_view(*text) : cell);
        if (i >= end) return count;
        if (ws)
            while (i < end && isBlank(line[i]))
                ++i;
        else if (++i < end && options.blankAfterDelimiter && line[i] == ' ') // a delimiter at the very end leaves one more, empty, cell
            ++i;
    }
}

bool endsInsideQuotes(std::string_view text, bool inside, int delimiter, const ReadOptions& options) {
    if (!options.quotedTexts) return false;
    const char quote = options.quoteChar();
    const QuoteStops stops(options);
    // Most lines hold no quote at all: their state stays as it came.
    if (text.find(quote) == std::string_view::npos) return inside;
    const bool ws = options.whitespace;
    auto isDelimiter = [&](char c) { return ws ? isBlank(c) : static_cast<unsigned char>(c) == delimiter; };
    const std::size_t end = text.size();
    std::size_t i = 0;
    for (;;) {
        if (inside) {
            const std::size_t p = stops.next(text, i);
            if (p == std::string_view::npos) return true;
            if (const std::size_t skip = escapeAt(text, p, end, quote); skip > 0) { // "" stands for one quote
                i = p + skip;
                continue;
            }
            inside = false;
            i = p + 1;
        } else {
            std::size_t q = i;
            while (q < end && isBlank(text[q]) && !isDelimiter(text[q]))
                ++q;
            if (q < end && text[q] == quote) {
                inside = true;
                i = q + 1;
                continue;
            }
        }
        // The rest of the cell, up to the next delimiter, opens nothing.
        while (i < end && !isDelimiter(text[i]))
            ++i;
        if (i >= end) return false;
        ++i;
        if (ws)
            while (i < end && isBlank(text[i]))
                ++i;
    }
}

std::string quoteIfNeeded(std::string_view text, char delimiter) { return quoteIfNeeded(text, delimiter, ReadOptions{}); }

std::string inQuotes(std::string_view text, const ReadOptions& options) {
    const char quote = options.quoteChar();
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back(quote);
    for (const char c : text) {
        if (c == quote) quoted.push_back(options.backslashEscapes ? '\\' : quote);
        else if (c == '\\' && options.backslashEscapes) quoted.push_back('\\');
        quoted.push_back(c);
    }
    quoted.push_back(quote);
    return quoted;
}

std::string quoteIfNeeded(std::string_view text, char delimiter, const ReadOptions& options) {
    const char quote = options.quoteChar();
    const bool blankDelimiter = isBlank(delimiter);
    bool needed = !text.empty() && (isBlank(text.front()) || isBlank(text.back()));
    for (char c : text)
        if (c == delimiter || c == quote || c == '\n' || c == '\r' || (blankDelimiter && isBlank(c)))
            needed = true;
    return needed ? inQuotes(text, options) : std::string(text);
}

} // namespace varnotile
