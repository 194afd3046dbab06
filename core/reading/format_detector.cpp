#include "format_detector.h"

#include "time_text.h"

#include "continued_lines.h"
#include "dialect_score.h"
#include "number_text.h"
#include "reading_option_table.h"

#include <algorithm>
#include <bit>
#include <deque>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <utility>

namespace varnotile {

namespace {

constexpr int kHeadLines = 250;
constexpr int kTailLines = 50;
// Longer lines are looked at only this far, so one giant line cannot make the sample costly.
constexpr std::size_t kLineBytes = 1 << 16;
constexpr int kColumnsLooked = 64;
// Lines up to here can be free header text under the plain rules.
constexpr int kPlainHeaderScan = 20;
constexpr int kNamedHeaderLines = 3;

struct SampledLine {
    int number; // 1-based line number in the file
    std::string_view text;
};

bool isBlankLine(std::string_view line) {
    return trimBlanks(line).empty();
}

template <class LineAt> std::vector<SampledLine> takeSample(int count, LineAt lineAt) {
    std::vector<SampledLine> sample;
    auto add = [&](int number) {
        std::string_view text = lineAt(number);
        if (number == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3); // byte-order mark
        sample.push_back({number, text.substr(0, std::min(text.size(), kLineBytes))});
    };
    for (int i = 1; i <= count && i <= kHeadLines; ++i)
        add(i);
    for (int i = std::max(kHeadLines + 1, count - kTailLines + 1); i <= count; ++i)
        add(i);
    return sample;
}

struct Delimiter {
    int byte;
    bool whitespace;
    const char* phrase;
};
// Explicit delimiters first: on a tie they win over blanks, which also split many texts.
constexpr Delimiter kDelimiters[] = {{'\t', false, "tab-separated"},
                                     {';', false, "semicolon-separated"},
                                     {',', false, "comma-separated"},
                                     {'|', false, "pipe-separated"},
                                     {' ', true, "aligned with runs of blanks"}};

// `inlinePrefix`: the prefix of comments after the data, cut off before splitting; empty: none.
// `quoting`: the quote, escape and blank after the delimiter chosen so far (a delimiter inside
// quotes must not change the count).
Dialect dialectOf(const Delimiter& d, const Dialect& quoting) {
    Dialect dialect = quoting;
    dialect.delimiter = d.byte;
    dialect.whitespace = d.whitespace;
    return dialect;
}
ReadOptions splitOptions(const Delimiter& d, const std::string& inlinePrefix, const Dialect& quoting = {}) {
    return dialectOf(d, quoting).options(inlinePrefix);
}

bool looksNumeric(std::string_view cell) {
    double v = 0;
    return parseNumber(cell, '.', v) || parseNumber(cell, ',', v);
}

// Which listed missing-value token the cell is: its index, kEmptyCell, or -1 for none.
constexpr int kEmptyCell = -2;
const std::vector<std::string> kListedTokens = ReadOptions{}.missingTokens;
int missingTokenIndex(std::string_view cell) {
    cell = trimBlanks(cell);
    if (cell.empty()) return kEmptyCell;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t t = 0; t < kListedTokens.size(); ++t) {
        const std::string& token = kListedTokens[t];
        if (token.size() == cell.size() && std::equal(cell.begin(), cell.end(), token.begin(),
                                                      [&](char a, char b) { return lower(a) == lower(b); }))
            return static_cast<int>(t);
    }
    return -1;
}

// One sampled line that is neither blank nor a comment, split at the chosen delimiter.
struct DataLine {
    int number;
    std::string_view text; // without a comment after the data
    int fields;  // cells counted up to kColumnsLooked + 1
    int columns; // fields without one trailing empty cell, as the plain rules count columns
    int numbers; // cells that look numeric with either decimal separator
    // A row label followed by nothing but empty cells or missing-value tokens ("1990-02-05,,,,").
    bool labelOnly = false;
};

int mostCommon(const std::vector<int>& counts) {
    std::map<int, int> frequency;
    for (int n : counts)
        ++frequency[n];
    int best = 0, bestCount = 0;
    for (auto [n, k] : frequency)
        if (k >= bestCount) best = n, bestCount = k; // a tie goes to the larger count
    return best;
}

// The shortest text that reads back as the value: "-9999", "1e+30".
std::string numberText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// Values that stand for missing ones by custom.
constexpr double kClassicMarkers[] = {-99999, -9999, -999, 9999, 99999, -1e30, 1e30, 9.96921e36};

// A value of the column that stands for a missing one: it repeats and lies far outside the
// column's other values, a hundred times their spread and size (a common marker such as -9999:
// ten times their spread). The other values must differ among themselves: beside a constant,
// another repeated value is more likely a second level (a weight of 999 against 1) than a gap.
// NaN when there is none.
double missingMarker(const std::vector<double>& values) {
    std::map<double, int> counts;
    for (const double v : values) ++counts[v];
    double marker = std::numeric_limits<double>::quiet_NaN();
    int markerCount = 0;
    for (const auto& [v, n] : counts) {
        if (n < 2 || n <= markerCount || static_cast<int>(values.size()) - n < 2) continue;
        // The least and the greatest of the other values.
        const double lo = counts.begin()->first == v ? std::next(counts.begin())->first : counts.begin()->first;
        const double hi = counts.rbegin()->first == v ? std::next(counts.rbegin())->first : counts.rbegin()->first;
        if (v >= lo && v <= hi) continue;
        const double gap = v < lo ? lo - v : v - hi, spread = hi - lo;
        if (spread <= 0) continue;
        const bool classic = std::find(std::begin(kClassicMarkers), std::end(kClassicMarkers), v) != std::end(kClassicMarkers);
        const bool far = gap >= 100 * std::max(spread, std::max(std::abs(lo), std::abs(hi)));
        if (far || (classic && gap >= 10 * spread)) marker = v, markerCount = n;
    }
    return marker;
}

std::string joinPhrases(const std::vector<std::string>& parts, std::size_t from) {
    std::string s;
    for (std::size_t i = from; i < parts.size(); ++i) {
        if (i > from) s += i + 1 == parts.size() ? " and " : ", ";
        s += parts[i];
    }
    return s;
}

class Detector {
  public:
    Detector(std::vector<SampledLine> sample, char localeDecimal)
        : sample_(std::move(sample)), localeDecimal_(localeDecimal) {}

    FormatProposal run() {
        FormatProposal p;
        // Comment prefixes other than '#' are taken only when lines plainly start with them.
        prefix_ = mostCommonPrefix({"#", "//", "%"});
        findCommentsAfterData();
        std::vector<SampledLine> unjoined = sample_;
        const bool continued = !keepLinesApart_ && joinContinuedLines();
        chooseDelimiter();
        // ';' starts comment lines in some instrument files, unless it is the delimiter itself.
        if (prefix_.empty() && (delimiter_ < 0 || kDelimiters[delimiter_].byte != ';')) {
            prefix_ = mostCommonPrefix({";"});
            if (!prefix_.empty()) chooseDelimiter();
            if (delimiter_ >= 0 && kDelimiters[delimiter_].byte == ';') { // the other lines use ';' too
                prefix_.clear();
                chooseDelimiter();
            }
        }
        if (delimiter_ < 0) {
            ReadOptions single;
            single.commentLines = !inline_.empty();
            single.commentPrefix = inline_;
            splitLines(single, -1);
        } else {
            const Delimiter& d = kDelimiters[delimiter_];
            splitLines(splitOptions(d, inline_, quoting_), d.byte);
            mode_ = dataMode();
            // Runs of blanks merge only where the file needs it; single spaces read fine as they are.
            if (d.whitespace && !blanksAlign()) {
                p.delimiter = " ";
                p.findings.emplace_back("space-separated");
            } else {
                p.options.whitespace = d.whitespace;
                if (!d.whitespace) p.delimiter = std::string(1, static_cast<char>(d.byte));
                p.findings.emplace_back(d.phrase);
            }
        }
        mode_ = dataMode();
        findFirstData();
        proposeDecimal(p);
        proposeQuotes(p);
        proposeComments(p);
        proposeMissing(p);
        proposeRobustSample(p);
        proposeDates(p);
        proposeWide(p);
        proposeNamesAboveData(p);
        proposeSingleQuotedNames(p);
        proposeNamesInComment(p);
        // Only rows of the data make it worth reading lines as continued, not a preamble's folder
        // name: without such rows the file is looked at again line by line.
        if (continued && std::none_of(lines_.begin(), lines_.end(), [&](const DataLine& l) {
                return isDataLine(l) && std::binary_search(joinedAt_.begin(), joinedAt_.end(), l.number);
            })) {
            sample_ = std::move(unjoined);
            keepLinesApart_ = true;
            return run();
        }
        if (continued) {
            p.options.continuedLines = true;
            p.findings.emplace_back(readingOption("continuedLines").findingFor(p.options));
        }
        std::vector<std::string_view> head;
        for (const SampledLine& l : sample_)
            if (l.number == static_cast<int>(head.size()) + 1) head.push_back(l.text);
        ProposeLineClasses(p, head, localeDecimal_);
        ProposeEmptyLastColumns(p, head, localeDecimal_);
        return p;
    }

  private:
    bool isComment(std::string_view line) const {
        return !prefix_.empty() && trimBlanks(line).starts_with(prefix_);
    }
    bool isDataish(std::string_view line) const { return !isBlankLine(line) && !isComment(line); }

    std::string mostCommonPrefix(std::initializer_list<const char*> prefixes) const {
        std::string_view best;
        int bestCount = 0;
        for (std::string_view prefix : prefixes) {
            int n = 0;
            for (const SampledLine& l : sample_)
                n += trimBlanks(l.text).starts_with(prefix) ? 1 : 0;
            if (n > bestCount) best = prefix, bestCount = n;
        }
        return std::string(best);
    }

    // Comments after the data ("5.838e+01 # (0,0,1)"): the prefix after a blank that follows a
    // number, on two lines or more that are not comments (one may be a title's "Version 2 # b").
    // They are cut off before anything else is looked at, so that what they hold decides neither
    // the delimiter nor the cell counts. '%' is taken only when it also starts comment lines, as
    // "12 %" is a text of its own.
    void findCommentsAfterData() {
        std::vector<std::string> candidates = {"#", "//"};
        if (!prefix_.empty()) candidates = {prefix_};
        for (const std::string& prefix : candidates) {
            ReadOptions o;
            o.whitespace = o.quotedTexts = o.commentLines = true;
            o.commentPrefix = prefix;
            int seen = 0;
            for (const SampledLine& l : sample_) {
                if (isComment(l.text) || trimBlanks(l.text).starts_with(prefix)) continue;
                const std::size_t at = inlineCommentAt(l.text, -1, o);
                if (at == l.text.size()) continue;
                std::string_view before = l.text.substr(0, at);
                while (!before.empty() && (isBlank(before.back()) || before.back() == ',' || before.back() == ';'))
                    before.remove_suffix(1);
                const std::size_t cut = before.find_last_of(" \t,;");
                if (!looksNumeric(cut == std::string_view::npos ? before : before.substr(cut + 1)) || ++seen < 2) continue;
                inline_ = prefix;
                if (prefix_.empty()) prefix_ = prefix; // lines starting with it are comments too
                return;
            }
        }
    }

    // The delimiter whose reading scores highest (dialect_score.h): most lines with the data's
    // cell count (lines without a number do not decide that count, as they say little about the
    // data, but a names line that fits it counts), and cells of one kind per column. A delimiter
    // followed by a blank is scored with the blank as a part of it too. A single column shows no
    // delimiter.
    void chooseDelimiter() {
        delimiter_ = -1;
        const std::vector<std::string_view> texts = dataishTexts();
        if (texts.empty()) return;
        double bestScore = 0;
        for (int c = 0; c < static_cast<int>(std::size(kDelimiters)); ++c) {
            const Delimiter& d = kDelimiters[c];
            double score = ScoreDialect(texts, dialectOf(d, {}), inline_, kColumnsLooked).value();
            // ", ": the delimiter with the blank after it.
            if (!d.whitespace && blankFollowsDelimiter(texts, static_cast<char>(d.byte))) {
                Dialect blank = dialectOf(d, {});
                blank.blankAfter = true;
                score = std::max(score, ScoreDialect(texts, blank, inline_, kColumnsLooked).value());
            }
            if (score > bestScore) bestScore = score, delimiter_ = c;
        }
        if (delimiter_ >= 0) chooseQuoting(texts);
    }

    std::vector<std::string_view> dataishTexts() const {
        std::vector<std::string_view> texts;
        for (const SampledLine& l : sample_)
            if (isDataish(l.text)) texts.push_back(l.text);
        return texts;
    }

    // With the delimiter chosen: the quote character, the escape and a blank after the delimiter
    // that read the sample more consistently than double quotes alone. A blank after nearly every
    // delimiter is taken on a tie too, since it would stand at the start of every name.
    void chooseQuoting(const std::vector<std::string_view>& texts) {
        const Delimiter& d = kDelimiters[delimiter_];
        quoting_ = {};
        const double plain = ScoreDialect(texts, dialectOf(d, {}), inline_, kColumnsLooked).value();
        double best = plain;
        const bool blanksFollow = !d.whitespace && blankFollowsDelimiter(texts, static_cast<char>(d.byte));
        for (const char quote : {'"', '\'', '\0'})
            for (const bool backslash : {false, true})
                for (const bool blank : {false, true}) {
                    if ((blank && d.whitespace) || (quote == '"' && !backslash && !blank)) continue;
                    if (backslash && (quote == 0 || !holdsEscapedQuote(texts, quote))) continue;
                    if (quote == '\'' && !holdsQuotedCell(texts, quote)) continue;
                    Dialect candidate{d.byte, d.whitespace, blank, quote, backslash};
                    const double score = ScoreDialect(texts, candidate, inline_, kColumnsLooked).value();
                    const bool tieWithBlank = blank && blanksFollow && score >= best - 1e-9 && !quoting_.blankAfter;
                    if (score > best + 1e-9 || tieWithBlank) best = score, quoting_ = candidate;
                }
    }

    // Nine delimiters in ten on the lines are followed by a blank (", "), and one at least.
    static bool blankFollowsDelimiter(const std::vector<std::string_view>& texts, char delimiter) {
        int seen = 0, followed = 0;
        for (const std::string_view t : texts)
            for (std::size_t at = t.find(delimiter); at != std::string_view::npos; at = t.find(delimiter, at + 1)) {
                ++seen;
                followed += at + 1 < t.size() && t[at + 1] == ' ';
            }
        return seen > 0 && followed * 10 >= seen * 9;
    }
    // A line holds a text quoted whole with `quote` (a quote right after a delimiter or at the
    // start, and one before a delimiter or at the end).
    bool holdsQuotedCell(const std::vector<std::string_view>& texts, char quote) const {
        const Delimiter& d = kDelimiters[delimiter_];
        const auto edge = [&](char c) { return d.whitespace ? isBlank(c) : c == static_cast<char>(d.byte) || c == ' '; };
        return std::any_of(texts.begin(), texts.end(), [&](std::string_view t) {
            for (std::size_t at = t.find(quote); at != std::string_view::npos; at = t.find(quote, at + 1)) {
                if (at > 0 && !edge(t[at - 1])) continue;
                const std::size_t close = t.find(quote, at + 1);
                if (close != std::string_view::npos && close > at + 1 && (close + 1 == t.size() || edge(t[close + 1]))) return true;
            }
            return false;
        });
    }
    static bool holdsEscapedQuote(const std::vector<std::string_view>& texts, char quote) {
        const char escaped[] = {'\\', quote, 0};
        return std::any_of(texts.begin(), texts.end(), [&](std::string_view t) { return t.find(escaped) != std::string_view::npos; });
    }

    // The most common cell count of the lines that hold a number, preferring lines of several
    // cells; 1 for a single column.
    int dataMode() const {
        std::vector<int> counts;
        for (const DataLine& l : lines_)
            if (l.numbers > 0 && l.fields >= 2) counts.push_back(l.fields);
        return counts.empty() ? 1 : mostCommon(counts);
    }

    void splitLines(const ReadOptions& o, int byte) {
        options_ = o;
        byte_ = byte;
        lines_.clear();
        for (const SampledLine& l : sample_) {
            if (!isDataish(l.text)) continue;
            const std::string_view text = l.text.substr(0, inlineCommentAt(l.text, byte, o));
            DataLine d{l.number, text, splitFields(text, byte, o, cells_, kColumnsLooked), 0, 0};
            d.columns = d.fields > 1 && d.fields <= kColumnsLooked && cells_.cells.back().empty()
                            ? d.fields - 1
                            : d.fields;
            for (std::string_view cell : cells_.cells)
                d.numbers += looksNumeric(cell) && missingTokenIndex(cell) == -1;
            d.labelOnly = d.numbers == 0 && d.fields >= 2 && missingTokenIndex(cells_.cells.front()) == -1 &&
                          std::all_of(cells_.cells.begin() + 1, cells_.cells.end(),
                                      [](std::string_view cell) { return missingTokenIndex(cell) != -1; });
            lines_.push_back(d);
        }
    }

    bool isDataLine(const DataLine& l) const { return l.fields == mode_ && l.numbers > 0; }
    // A row of gaps: the data's cell count, and only a label holds something.
    bool isRowOfGaps(const DataLine& l) const { return l.fields == mode_ && l.labelOnly; }

    bool isRowOfGaps(const DataLine& l) {
        if (l.fields != mode_ || mode_ < 3) return false;
        splitFields(l.text, byte_, options_, cells_, kColumnsLooked);
        return std::count_if(cells_.cells.begin(), cells_.cells.end(),
                             [](std::string_view c) { return !trimBlanks(c).empty(); }) <= 1;
    }

    // Leading blanks, runs of blanks or tabs between the cells of the names and data lines (a
    // preamble's prose does not count): the columns are aligned.
    bool blanksAlign() const {
        for (const DataLine& l : lines_) {
            if (l.fields != mode_) continue;
            if (!l.text.empty() && isBlank(l.text.front())) return true;
            const std::string_view t = trimBlanks(l.text);
            if (t.find("  ") != std::string_view::npos || t.find('\t') != std::string_view::npos) return true;
        }
        return false;
    }

    // The first line of the data: the cell count of the data and a number, and so are the four
    // lines after it (or they are rows of gaps), so that a few stray lines of a preamble ("48 Observations") are not taken
    // for data.
    // A row of gaps (the data's cell count, no more than one cell filled, as a date with no
    // readings) follows data too: it is no preamble.
    void findFirstData() {
        firstData_ = 0;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            bool followed = isDataLine(lines_[i]);
            for (std::size_t k = i + 1; k < lines_.size() && k <= i + 4; ++k)
                followed = followed && (isDataLine(lines_[k]) || isRowOfGaps(lines_[k]));
            if (followed) {
                firstData_ = lines_[i].number;
                return;
            }
        }
    }

    // The decimal separator the numbers use, proposed only where it differs from the locale's,
    // since System already reads those files right.
    void proposeDecimal(FormatProposal& p) {
        int commas = 0, points = 0;
        for (const DataLine& l : lines_) {
            if (!isDataLine(l)) continue;
            splitFields(l.text, byte_, options_, cells_, kColumnsLooked);
            for (std::string_view cell : cells_.cells) {
                double v = 0;
                if (missingTokenIndex(cell) != -1) continue;
                if (cell.find(',') != std::string_view::npos && parseNumber(cell, ',', v))
                    ++commas;
                else if (cell.find('.') != std::string_view::npos && parseNumber(cell, '.', v))
                    ++points;
            }
        }
        const char seen = commas > points ? ',' : points > 0 ? '.' : 0;
        if (seen == 0 || seen == localeDecimal_) return;
        p.options.decimal = seen == ',' ? DecimalChoice::Comma : DecimalChoice::Point;
        p.findings.emplace_back(readingOption("decimal").findingFor(p.options));
    }

    // Cells that open with a quote, with a closing quote on the same line: shown with their
    // quotes, and a delimiter inside them would shift the columns. Only names and data lines
    // count, not quotes in a preamble's prose.
    // Double quotes are proposed by the rule below; the dialect chosen with the delimiter brings the
    // other quote, the backslash escape and the blank after the delimiter.
    void proposeQuotes(FormatProposal& p) {
        p.options.quotedTexts = quoting_.quote == '\'' || quoting_.backslash;
        p.options.singleQuotes = quoting_.quote == '\'';
        p.options.backslashEscapes = quoting_.backslash;
        p.options.blankAfterDelimiter = quoting_.blankAfter;
        for (const char* id : {"blankAfterDelimiter", "singleQuotes", "backslashEscapes"})
            if (const std::string_view finding = readingOption(id).findingFor(p.options); !finding.empty())
                p.findings.emplace_back(finding);
        if (p.options.quotedTexts || quoting_.quote == 0) return; // 0: quotes are text in this file
        ReadOptions plain = options_;
        plain.quotedTexts = false;
        for (const DataLine& l : lines_) {
            if (l.fields != mode_) continue;
            splitFields(l.text, byte_, plain, cells_, kColumnsLooked);
            bool open = false; // a cell opened a quote that a later cell may close
            for (std::string_view cell : cells_.cells) {
                cell = trimBlanks(cell);
                if (cell.empty()) continue;
                const bool opens = !open && cell.front() == '"';
                const bool closes = cell.back() == '"' && (open || cell.size() >= 2);
                if ((open || opens) && closes) {
                    p.options.quotedTexts = true;
                    p.findings.emplace_back(readingOption("quotedTexts").findingFor(p.options));
                    return;
                }
                open = open || opens;
            }
        }
    }

    // Comment and blank lines are proposed only where they break the plain layout rules: inside
    // or after the data (rows of empty cells, rows lost above them), among the names and the data
    // (names lost), and text past the plain header scan (the data are not found).
    void proposeComments(FormatProposal& p) {
        int comments = 0, commentsSeen = 0, blanksAbove = 0, blanksInside = 0, blanksAtEnd = 0;
        bool namesSeen = false;      // a line with the data's cell count before the data
        bool longPreamble = false;
        const bool found = firstData_ > 0;
        std::size_t next = 0; // lines_ holds the sample's other lines, in the same order
        for (const SampledLine& l : sample_) {
            const bool afterData = found && l.number > firstData_;
            const bool pastScan = found && l.number > kPlainHeaderScan && l.number < firstData_;
            if (isComment(l.text)) {
                // Above the names, a comment of another cell count is free header text anyway; a
                // commented names line right above the data would keep its prefix in the first name.
                const int cells = splitFields(l.text, byte_, options_, cells_, kColumnsLooked);
                const bool names = found && cells == mode_ && l.number == firstData_ - 1;
                const bool harmless = !names && found && !afterData && !pastScan && !namesSeen && cells != mode_;
                comments += harmless ? 0 : 1;
                ++commentsSeen;
            } else if (isBlankLine(l.text)) {
                if (afterData) {
                    ++blanksAtEnd; // counted as inside once data follow
                } else if (pastScan) {
                    longPreamble = true;
                } else if (namesSeen) {
                    ++blanksAbove;
                }
            } else {
                const DataLine& d = lines_[next++];
                if (afterData && isDataLine(d)) blanksInside += std::exchange(blanksAtEnd, 0);
                if (!afterData && d.fields == mode_) namesSeen = true;
                if (pastScan && d.fields != mode_) longPreamble = true;
            }
        }
        // Even lines that match the data's cell count cannot all be names lines.
        if (firstData_ - 1 > kPlainHeaderScan + kNamedHeaderLines) longPreamble = true;
        if (comments == 0 && blanksAbove + blanksInside + blanksAtEnd == 0 && !longPreamble && inline_.empty()) return;
        p.options.commentLines = true;
        if (!inline_.empty()) p.options.commentPrefix = inline_;
        if (comments > 0) {
            p.options.commentPrefix = prefix_;
            // The phrase names all the comment lines, also those that would do no harm alone.
            std::string phrase = commentsSeen == 1 ? "a comment line" : "comment lines";
            if (prefix_ != "#") phrase += " starting with " + prefix_;
            p.findings.push_back(phrase);
        }
        auto blankPhrase = [&](int n, const char* where) {
            if (n == 0) return;
            std::string phrase = n == 1 ? "a blank line " : "blank lines ";
            p.findings.push_back(phrase.append(where));
        };
        if (!inline_.empty())
            p.findings.push_back(inline_ == "#" ? "comments after the data" : "comments after the data starting with " + inline_);
        blankPhrase(longPreamble ? 0 : blanksAbove, "above the data"); // else part of the preamble
        blankPhrase(blanksInside, "in the data");
        blankPhrase(blanksAtEnd, "at the end");
        if (longPreamble) p.findings.emplace_back("a long preamble");
    }

    // Listed tokens or empty cells in columns that otherwise hold numbers would read as 0 or
    // turn the column into text; a numeric marker ("-9999") would read as a value far off.
    void proposeMissing(FormatProposal& p) {
        const int columns = std::min(mode_, kColumnsLooked);
        if (columns < 1) return;
        std::vector<int> numbers(columns), missing(columns), other(columns);
        std::vector<unsigned> tokensSeen(columns); // bit t: listed token t; the top bit: an empty cell
        std::vector<std::vector<double>> values(columns);
        constexpr unsigned kEmptyBit = 1u << 31;
        const char decimal = decimalFor(p.options, localeDecimal_);
        bool dataSeen = false;
        for (const DataLine& l : lines_) {
            // Ragged data lines count too: their empty cells are the point; so do rows of gaps
            // after a data line ("1990-02-05,,,,"), which hold no number at all.
            const bool rowOfGaps = dataSeen && isRowOfGaps(l);
            dataSeen = dataSeen || isDataLine(l);
            if (l.numbers == 0 && !rowOfGaps) continue;
            splitFields(l.text, byte_, options_, cells_, kColumnsLooked);
            for (int j = 0; j < columns && j < static_cast<int>(cells_.cells.size()); ++j) {
                const int token = missingTokenIndex(cells_.cells[j]);
                double value = 0;
                if (token != -1) {
                    ++missing[j];
                    tokensSeen[j] |= token == kEmptyCell ? kEmptyBit : 1u << token;
                } else if (looksNumeric(cells_.cells[j])) {
                    ++numbers[j];
                    if (parseNumber(cells_.cells[j], decimal, value)) values[j].push_back(value);
                } else {
                    ++other[j];
                }
            }
        }
        unsigned seen = 0;
        std::vector<double> markers;
        for (int j = 0; j < columns; ++j) {
            if (numbers[j] == 0 || other[j] * 10 > numbers[j]) continue;
            if (missing[j] > 0) seen |= tokensSeen[j];
            if (const double m = missingMarker(values[j]); !std::isnan(m) && !isMarker(m, markers)) markers.push_back(m);
        }
        if (seen == 0 && markers.empty()) return;
        p.options.missingAsGaps = true;
        p.options.missingTokens.clear();
        for (std::size_t t = 0; t < kListedTokens.size(); ++t)
            if (seen & (1u << t)) p.options.missingTokens.push_back(kListedTokens[t]);
        std::string list;
        for (const std::string& token : p.options.missingTokens)
            list += (list.empty() ? "" : ", ") + token;
        if (!list.empty())
            p.findings.push_back("missing values (" + list + ((seen & kEmptyBit) ? ", empty)" : ")"));
        else if (seen & kEmptyBit)
            p.findings.emplace_back("empty cells");
        if (markers.empty()) return;
        std::vector<std::string> texts;
        for (const double m : markers) {
            texts.push_back(numberText(m));
            p.options.missingTokens.push_back(texts.back());
        }
        p.findings.push_back(joinPhrases(texts, 0) + " for missing values");
    }

    // The plain rules take the last non-empty line (or the one before it when longer) as the
    // sample of the columns, whatever it holds; a trailer, a comment or a line of blanks there
    // gets the column count wrong.
    void proposeRobustSample(FormatProposal& p) {
        if (lines_.empty()) return;
        const std::size_t tailSize = kTailLines;
        const std::size_t from = lines_.size() > tailSize ? lines_.size() - tailSize : 0;
        std::vector<int> tail;
        for (std::size_t i = from; i < lines_.size(); ++i)
            tail.push_back(lines_[i].columns);
        const int usual = mostCommon(tail);
        std::size_t last = sample_.size();
        while (last > 0 && sample_[last - 1].text.empty())
            --last;
        if (last == 0) return;
        // With comments after the data, the reading compares the lines without them.
        auto data = [&](std::string_view text) { return text.substr(0, inlineCommentAt(text, byte_, options_)); };
        std::string_view sampleLine = data(sample_[last - 1].text);
        if (last > 1 && data(sample_[last - 2].text).size() > sampleLine.size())
            sampleLine = data(sample_[last - 2].text);
        const int fields = splitFields(sampleLine, byte_, options_, cells_, kColumnsLooked);
        const int columns =
            fields > 1 && fields <= kColumnsLooked && cells_.cells.back().empty() ? fields - 1 : fields;
        if (columns == usual) return;
        p.options.robustSample = true;
        p.findings.emplace_back(readingOption("robustSample").findingFor(p.options));
    }

    // Columns whose cells (in nine data lines of ten) read as dates or times: read as text they
    // give no X axis by time. A first such column is proposed as the X axis. Slashed dates that
    // read day first and month first alike are named, as the day/month setting decides them.
    void proposeDates(FormatProposal& p) {
        const int columns = std::min(mode_, kColumnsLooked);
        if (columns < 1) return;
        std::vector<int> times(columns), others(columns);
        std::vector<unsigned> kinds(columns, ~0u);
        std::vector<uint8_t> withClock(columns, 0); // a date cell of the column holds a time of day too
        for (const DataLine& l : lines_) {
            if (!isDataLine(l)) continue;
            splitFields(l.text, byte_, options_, cells_, kColumnsLooked);
            for (int j = 0; j < columns && j < static_cast<int>(cells_.cells.size()); ++j) {
                const std::string_view cell = cells_.cells[static_cast<std::size_t>(j)];
                if (missingTokenIndex(cell) != -1) continue;
                const unsigned here = looksNumeric(cell) ? 0 : timeKindsOf(cell);
                if (here == 0) {
                    ++others[j];
                } else {
                    ++times[j];
                    kinds[j] &= here;
                    double seconds = 0;
                    TimeForm form;
                    const TimeKind kind = static_cast<TimeKind>(std::countr_zero(here));
                    if (kind != TimeKind::Clock && readTime(cell, kind, seconds, &form) && form.hasClock) withClock[j] = 1;
                }
            }
        }
        std::vector<int> found, ambiguous;
        constexpr unsigned kEitherWay = 1u << static_cast<unsigned>(TimeKind::DayFirst) |
                                        1u << static_cast<unsigned>(TimeKind::MonthFirst);
        for (int j = 0; j < columns; ++j) {
            if (times[j] == 0 || others[j] * 10 > times[j] || kinds[j] == 0) continue;
            found.push_back(j + 1);
            if ((kinds[j] & kEitherWay) == kEitherWay) ambiguous.push_back(j + 1);
        }
        if (found.empty()) return;
        auto columnList = [](const std::vector<int>& list) {
            std::vector<std::string> numbers;
            for (int k : list) numbers.push_back(std::to_string(k));
            return (list.size() == 1 ? "column " : "columns ") + joinPhrases(numbers, 0);
        };
        p.options.datesAndTimes = true;
        if (found.front() == 1) p.xColumn = 1;
        std::string phrase = "dates or times in " + columnList(found);
        if (found.front() == 1) phrase += " (the X axis)";
        p.findings.push_back(phrase);
        // A column of dates alone and a column of times of day right after it: one time axis.
        constexpr unsigned kClock = 1u << static_cast<unsigned>(TimeKind::Clock);
        for (std::size_t f = 0; f + 1 < found.size(); ++f) {
            const int date = found[f] - 1, time = found[f + 1] - 1;
            if (time != date + 1 || (kinds[date] & kClock) != 0 || withClock[date] || kinds[time] != kClock) continue;
            p.options.dateTimeAxis = true;
            p.findings.push_back("a date column and a time column (" + std::to_string(date + 1) + " and " +
                                 std::to_string(time + 1) + "), read as one time axis");
            break;
        }
        if (!ambiguous.empty())
            p.findings.push_back("slashed dates in " + columnList(ambiguous) +
                                 " that read day first and month first alike");
    }

    // Rows continued on the next line with a trailing backslash are looked at as the one line
    // they stand for. True when a continued line holds a digit (a backslash ending a preamble's
    // line, such as a folder name, is no reason to propose the option).
    bool joinContinuedLines() {
        bool found = false;
        std::vector<SampledLine> joined;
        for (std::size_t i = 0; i < sample_.size(); ++i) {
            SampledLine line = sample_[i];
            auto continuesHere = [&](std::size_t k) {
                return k + 1 < sample_.size() && sample_[k + 1].number == sample_[k].number + 1 &&
                       endsInContinuation(sample_[k].text) && !isComment(sample_[k].text) &&
                       isDataish(sample_[k + 1].text);
            };
            if (continuesHere(i)) {
                std::string& text = joined_.emplace_back();
                joinedAt_.push_back(line.number);
                found = found || sample_[i].text.find_first_of("0123456789") != std::string_view::npos;
                for (; continuesHere(i); ++i) text += withoutContinuation(sample_[i].text);
                text += endsInContinuation(sample_[i].text) ? withoutContinuation(sample_[i].text) : sample_[i].text;
                line.text = text;
            }
            joined.push_back(line);
        }
        if (found) sample_ = std::move(joined);
        return found;
    }

    // Index in lines_ of the first line of the data; lines_.size() when there is none.
    std::size_t firstDataIndex() const {
        std::size_t k = 0;
        while (k < lines_.size() && lines_[k].number != firstData_) ++k;
        return k;
    }
    // Where the lines without a number right above the data (names, labels, units) begin.
    std::size_t namesIndex(std::size_t data) const {
        std::size_t k = data;
        while (k > 0 && data - k < kNamedHeaderLines && lines_[k - 1].numbers == 0) --k;
        return k;
    }

    // A line of the data's cell count holding numbers right above the names (a count line such as
    // "150,4,setosa,versicolor,virginica") makes the plain rules start the rows there; names over
    // a units line, both without a cell for the row labels, are not found at all.
    void proposeNamesAboveData(FormatProposal& p) {
        const std::size_t data = firstDataIndex();
        if (data >= lines_.size()) return;
        const std::size_t names = namesIndex(data);
        const auto fits = [&](const DataLine& l) { return l.fields == mode_ || l.columns == mode_; };
        const bool countLine = names > 0 && names < data && lines_[names - 1].numbers > 0 &&
                               fits(lines_[names - 1]) && fits(lines_[names]);
        // Names and a units line over all columns but the first (row labels): both one cell short.
        const bool unitsBelow =
            data - names >= 2 && lines_[data - 1].fields == mode_ - 1 && lines_[data - 2].fields == mode_ - 1;
        const bool countOverData = !countLine && !unitsBelow && wordsOverNumbers(data);
        if (!countLine && !unitsBelow && !countOverData) return;
        p.options.namesAboveData = true;
        p.findings.emplace_back(countLine       ? readingOption("namesAboveData").findingFor(p.options)
                                : countOverData ? "a count line above the data"
                                                : "names over a units line");
    }

    // A count line right over the data ("150,4,setosa,versicolor,virginica" over
    // "5.1,3.5,1.4,0.2,0"): numbers, and words in at least two cells where the next line holds numbers.
    bool wordsOverNumbers(std::size_t data) {
        if (data + 1 >= lines_.size() || !isDataLine(lines_[data + 1])) return false;
        std::vector<bool> numbers;
        splitFields(lines_[data + 1].text, byte_, options_, cells_, kColumnsLooked);
        for (std::string_view cell : cells_.cells) numbers.push_back(looksNumeric(cell));
        splitFields(lines_[data].text, byte_, options_, cells_, kColumnsLooked);
        int words = 0;
        for (std::size_t j = 0; j < cells_.cells.size() && j < numbers.size(); ++j) {
            const std::string_view cell = trimBlanks(cells_.cells[j]);
            words += numbers[j] && !cell.empty() && !looksNumeric(cell) && missingTokenIndex(cell) == -1;
        }
        return words >= 2;
    }

    // Names in single quotes ('time' 'volt') would keep their quotes.
    void proposeSingleQuotedNames(FormatProposal& p) {
        const std::size_t data = firstDataIndex();
        if (p.options.singleQuotes) return; // quoted texts read the names without their quotes
        if (data >= lines_.size()) return;
        for (std::size_t k = namesIndex(data); k < data; ++k) {
            splitFields(lines_[k].text, byte_, options_, cells_, kColumnsLooked);
            int quoted = 0, other = 0;
            for (std::string_view cell : cells_.cells) {
                cell = trimBlanks(cell);
                if (cell.empty()) continue;
                (cell.size() >= 2 && cell.front() == '\'' && cell.back() == '\'' ? quoted : other) += 1;
            }
            if (quoted > 0 && other == 0) {
                p.options.singleQuotedNames = true;
                p.findings.emplace_back(readingOption("singleQuotedNames").findingFor(p.options));
                return;
            }
        }
    }

    // Names the plain rules do not find, right above the data with only blank or comment lines
    // between: a comment line with one cell per column, not all numbers ("# x y dy", "#L Z
    // TOTAL ..."), or a line without numbers between rule lines. Comment lines hide them, so
    // they come with comment lines on.
    void proposeNamesInComment(FormatProposal& p) {
        if (firstData_ == 0 || mode_ < 2) return;
        std::size_t k = 0;
        while (k < sample_.size() && sample_[k].number != firstData_) ++k;
        const auto adjacent = [&](std::size_t i) { return sample_[i].number + 1 == sample_[i + 1].number; };
        bool ruled = false;
        while (k > 0 && adjacent(k - 1) && (isBlankLine(sample_[k - 1].text) || isRuleLine(sample_[k - 1].text))) {
            ruled = ruled || isRuleLine(sample_[k - 1].text);
            --k;
        }
        if (k == 0 || !adjacent(k - 1)) return;
        ReadOptions o = options_;
        o.commentLines = true;
        o.commentPrefix = prefix_.empty() ? "#" : prefix_;
        o.namesInComment = true;
        // Cells split at commas may be prose ("by a, b, c"): names hold no blank inside.
        const auto named = [&](std::string_view text, bool anyNumber) {
            if (splitFields(text, byte_, o, cells_, kColumnsLooked) != mode_) return false;
            const auto number = [](std::string_view c) { return looksNumeric(trimBlanks(c)); };
            const auto prose = [](std::string_view c) {
                c = trimBlanks(c);
                return c.find_first_of(" \t") != std::string_view::npos;
            };
            if (std::any_of(cells_.cells.begin(), cells_.cells.end(), prose)) return false;
            return anyNumber ? std::none_of(cells_.cells.begin(), cells_.cells.end(), number)
                             : !std::all_of(cells_.cells.begin(), cells_.cells.end(), number);
        };
        // The nearest comment line names the columns without the option when it holds one name
        // per column right after the prefix and no number.
        if (isComment(sample_[k - 1].text)) {
            const std::string_view text = sample_[k - 1].text;
            const std::size_t at = text.find(o.commentPrefix);
            if (at != std::string_view::npos && !isRuleLine(text) && named(text.substr(at + o.commentPrefix.size()), true))
                return;
        }
        bool found = false;
        if (!isComment(sample_[k - 1].text)) {
            found = ruled && k >= 2 && adjacent(k - 2) && isRuleLine(sample_[k - 2].text) &&
                    named(sample_[k - 1].text, true);
        } else {
            for (; k > 0 && !found && (isComment(sample_[k - 1].text) || isBlankLine(sample_[k - 1].text)); --k) {
                const std::string_view text = sample_[k - 1].text;
                const std::size_t at = commentNamesAt(text, o);
                found = at != std::string_view::npos && !isRuleLine(text) && named(text.substr(at), false);
                if (k >= 2 && !adjacent(k - 2)) break;
            }
        }
        if (!found) return;
        if (!p.options.commentLines) {
            p.options.commentLines = true;
            p.options.commentPrefix = o.commentPrefix;
        }
        p.options.namesInComment = true;
        p.findings.emplace_back(readingOption("namesInComment").findingFor(p.options));
    }

    // The plain rules show ten columns: more fields in the line the columns are counted from (the
    // usual count of the last lines, when the sample line is taken among them) want wide files.
    void proposeWide(FormatProposal& p) {
        constexpr int kPlainColumns = 10;
        int columns = 0;
        if (p.options.robustSample && !lines_.empty()) {
            std::vector<int> tail;
            const std::size_t tailSize = kTailLines;
            for (std::size_t i = lines_.size() > tailSize ? lines_.size() - tailSize : 0; i < lines_.size(); ++i)
                tail.push_back(lines_[i].columns);
            columns = mostCommon(tail);
        } else {
            std::size_t last = sample_.size();
            while (last > 0 && sample_[last - 1].text.empty()) --last;
            if (last == 0) return;
            std::string_view line = sample_[last - 1].text;
            if (last > 1 && sample_[last - 2].text.size() > line.size()) line = sample_[last - 2].text;
            const int fields = splitFields(line, byte_, options_, cells_, kColumnsLooked);
            columns = fields > 1 && fields <= kColumnsLooked && cells_.cells.back().empty() ? fields - 1 : fields;
        }
        if (columns <= kPlainColumns) return;
        // Rows whose field count varies past the tenth column (texts of several words split at
        // blanks) read worse wide than as ten columns and an extra one: wide only when nine data
        // lines in ten have that many columns.
        int data = 0, same = 0;
        for (const DataLine& l : lines_) {
            if (l.numbers == 0) continue;
            ++data;
            same += l.columns == columns;
        }
        if (data == 0 || same * 10 < data * 9) return;
        p.options.wideFiles = true;
        p.findings.emplace_back(readingOption("wideFiles").findingFor(p.options));
    }

    std::vector<SampledLine> sample_;
    std::deque<std::string> joined_; // texts of joined continued rows, pointed to by sample_
    std::vector<int> joinedAt_;      // their first lines, ascending
    bool keepLinesApart_ = false;
    char localeDecimal_;
    std::string prefix_;
    std::string inline_; // the prefix of comments after the data; empty: none seen
    int delimiter_ = -1; // index into kDelimiters
    Dialect quoting_;    // quote (0: none), escape and blank after the delimiter found with it
    ReadOptions options_;
    int byte_ = -1;
    std::vector<DataLine> lines_;
    LineCells cells_;
    int mode_ = 0;
    int firstData_ = 0;
};

} // namespace

std::string FormatProposal::sentence() const {
    if (findings.empty()) return {};
    const bool delimiterFirst = !delimiter.empty() || options.whitespace;
    if (!delimiterFirst) return "This file has " + joinPhrases(findings, 0) + ".";
    std::string s = "This file looks " + findings.front();
    if (findings.size() > 1) s += ", with " + joinPhrases(findings, 1);
    return s + ".";
}

namespace {

// The sample with the lines that a quoted text's line break runs through joined into one record,
// as the reading with quoted texts joins them, read with the delimiter `p` proposes. Empty when
// no quoted text in the sample closes on a later line. `texts` holds the joined texts.
// A quote that opens a text no later line of the sample closes, or whose record then has another
// field count than the line before it (or after it): a stray quote. `strayLine` is the first
// such line (0: none); its record is not joined.
std::vector<SampledLine> recordsAcrossLineBreaks(const std::vector<SampledLine>& sample, const FormatProposal& p,
                                                 std::deque<std::string>& texts, int& strayLine) {
    ReadOptions options = p.options;
    options.quotedTexts = true;
    const int delimiter = p.delimiter.size() == 1 ? static_cast<unsigned char>(p.delimiter[0]) : -1;
    std::vector<SampledLine> records;
    ReadOptions plain = p.options;
    plain.quotedTexts = false;
    LineCells cells;
    const auto fields = [&](std::string_view text, const ReadOptions& o) { return splitFields(text, delimiter, o, cells, 64); };
    // The line before (or else after) the record from i to last that is not blank.
    const auto neighbourOf = [&](std::size_t i, std::size_t last) {
        return i > 0 && !trimBlanks(sample[i - 1].text).empty() ? sample[i - 1].text
               : last + 1 < sample.size()                     ? sample[last + 1].text
                                                              : std::string_view{};
    };
    // A line of the table's shape (as many fields without quoting as its neighbour): its quote is stray.
    const auto tableLine = [&](std::size_t i) {
        const std::string_view neighbour = neighbourOf(i, i);
        return !isCommentOrBlank(sample[i].text, p.options) && !neighbour.empty() &&
               fields(sample[i].text, plain) == fields(neighbour, plain);
    };
    bool joined = false;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        std::size_t last = i;
        if (endsInsideQuotes(sample[i].text, false, delimiter, options)) {
            // Only lines that follow one another in the file continue a record.
            std::size_t j = i + 1;
            while (j < sample.size() && sample[j].number == sample[j - 1].number + 1 &&
                   endsInsideQuotes(sample[j].text, true, delimiter, options))
                ++j;
            if (j < sample.size() && sample[j].number == sample[j - 1].number + 1) last = j;
            // Open to the end of the sample's run of lines: the quote never closes.
            if (last == i && strayLine == 0 && tableLine(i)) strayLine = sample[i].number;
        }
        if (last == i) {
            records.push_back(sample[i]);
            continue;
        }
        std::string joinedText(sample[i].text);
        for (std::size_t k = i + 1; k <= last; ++k) joinedText.append("\n").append(sample[k].text);
        const std::string_view neighbour = neighbourOf(i, last);
        if (!neighbour.empty() && fields(joinedText, options) != fields(neighbour, options) && tableLine(i)) {
            if (strayLine == 0) strayLine = sample[i].number;
            records.push_back(sample[i]);
            continue;
        }
        std::string& text = texts.emplace_back(std::move(joinedText));
        records.push_back({sample[i].number, text});
        joined = true;
        i = last;
    }
    if (!joined) records.clear();
    return records;
}

// Whether a quoted text holds the delimiter somewhere in the sample: the lines split otherwise
// without quoted texts.
bool quotesNeeded(const std::vector<SampledLine>& sample, const FormatProposal& p) {
    ReadOptions quoted = p.options, plain = p.options;
    quoted.quotedTexts = true;
    plain.quotedTexts = false;
    const int delimiter = p.delimiter.size() == 1 ? static_cast<unsigned char>(p.delimiter[0]) : -1;
    LineCells cells;
    return std::any_of(sample.begin(), sample.end(), [&](const SampledLine& l) {
        return !endsInsideQuotes(l.text, false, delimiter, quoted) &&
               splitFields(l.text, delimiter, quoted, cells, 64) != splitFields(l.text, delimiter, plain, cells, 64);
    });
}

// The proposal for the sample; where quoted texts hold line breaks, for the sample read as
// records, with quoted texts proposed. A stray quote is named.
FormatProposal proposeFor(const std::vector<SampledLine>& sample, char localeDecimal) {
    FormatProposal p = Detector(sample, localeDecimal).run();
    std::deque<std::string> texts;
    int strayLine = 0;
    const std::vector<SampledLine> records = recordsAcrossLineBreaks(sample, p, texts, strayLine);
    if (!records.empty()) {
        p = Detector(records, localeDecimal).run();
        if (!p.options.quotedTexts) {
            p.options.quotedTexts = true;
            p.findings.emplace_back(readingOption("quotedTexts").findingFor(p.options));
        }
    }
    if (strayLine == 0) return p;
    // A quote that never closes would take the lines after it into one text: where no quoted text
    // needs its quotes, the lines are read as they stand, the quote a part of its cell.
    if (p.options.quotedTexts && !p.options.singleQuotes && !p.options.backslashEscapes && !quotesNeeded(sample, p)) {
        p.options.quotedTexts = false;
        std::erase(p.findings, std::string(readingOption("quotedTexts").finding));
    }
    p.findings.push_back("a quote that never closes (line " + std::to_string(strayLine) + ")");
    return p;
}

} // namespace

namespace {

// The lines of `text` ended by LF, CR LF or CR alone, when CRs alone end more lines than LFs do
// (a file of an old system, which the plain split reads as one line); else empty.
std::vector<std::string_view> linesEndedByCr(std::string_view text) {
    std::size_t crs = 0, lfs = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\n') ++lfs;
        else if (text[k] == '\r' && (k + 1 == text.size() || text[k + 1] != '\n')) ++crs;
    }
    std::vector<std::string_view> lines;
    if (crs <= lfs) return lines;
    std::size_t from = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '\n' && text[k] != '\r') continue;
        lines.push_back(text.substr(from, k - from));
        if (text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n') ++k;
        from = k + 1;
    }
    if (from < text.size()) lines.push_back(text.substr(from));
    return lines;
}

} // namespace

FormatProposal ProposeReading(const FileLines& lines, char localeDecimal) {
    if (!lines.crEndsLines())
        if (const std::vector<std::string_view> split = linesEndedByCr(lines.headWithLoneCrs()); !split.empty()) {
            FormatProposal p = ProposeReading(split, localeDecimal);
            p.options.crLineEnds = true;
            // After the delimiter's phrase, which opens the sentence.
            const bool delimiterFirst = !p.findings.empty() && (!p.delimiter.empty() || p.options.whitespace);
            const auto at = delimiterFirst ? p.findings.begin() + 1 : p.findings.begin();
            p.findings.emplace(at, readingOption("crLineEnds").findingFor(p.options));
            return p;
        }
    FormatProposal p = proposeFor(takeSample(lines.count(), [&](int i) { return lines.line(i); }), localeDecimal);
    ProposeTable(p, lines, localeDecimal);
    return p;
}

FormatProposal ProposeReading(const std::vector<std::string_view>& lines, char localeDecimal) {
    FormatProposal p = proposeFor(
        takeSample(static_cast<int>(lines.size()), [&](int i) { return lines[static_cast<std::size_t>(i - 1)]; }),
        localeDecimal);
    ProposeTable(p, lines, localeDecimal);
    return p;
}

} // namespace varnotile
