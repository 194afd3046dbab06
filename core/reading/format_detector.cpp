#include "format_detector.h"

#include "number_text.h"
#include "reading_option_table.h"

#include <algorithm>
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
                                     {' ', true, "aligned with runs of blanks"}};

ReadOptions splitOptions(const Delimiter& d) {
    ReadOptions o;
    o.whitespace = d.whitespace;
    o.quotedTexts = true; // a delimiter inside quotes must not change the count
    return o;
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
    std::string_view text;
    int fields;  // cells counted up to kColumnsLooked + 1
    int columns; // fields without one trailing empty cell, as the plain rules count columns
    int numbers; // cells that look numeric with either decimal separator
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
            splitLines(ReadOptions{}, -1);
        } else {
            const Delimiter& d = kDelimiters[delimiter_];
            splitLines(splitOptions(d), d.byte);
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
        proposeWide(p);
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

    // The delimiter under which most lines have the cell count of the lines with numbers, and
    // whose cells look most like numbers. Lines without any number (titles, prose, names) do not
    // decide that count, as they say little about the data, but a names line that fits it counts
    // for the delimiter. A single column shows no delimiter.
    void chooseDelimiter() {
        delimiter_ = -1;
        double bestScore = 0;
        for (int c = 0; c < static_cast<int>(std::size(kDelimiters)); ++c) {
            splitLines(splitOptions(kDelimiters[c]), kDelimiters[c].byte);
            if (lines_.empty()) return;
            const int mode = dataMode();
            if (mode < 2) continue;
            int agreeing = 0, cells = 0, numeric = 0;
            for (const DataLine& l : lines_) {
                if (l.fields != mode) continue;
                ++agreeing;
                if (l.numbers == 0) continue;
                cells += std::min(l.fields, kColumnsLooked);
                numeric += l.numbers + missingCells(l);
            }
            const double consistency = static_cast<double>(agreeing) / static_cast<double>(lines_.size());
            const double score = consistency * (0.5 + 0.5 * numeric / std::max(1, cells));
            if (score > bestScore) bestScore = score, delimiter_ = c;
        }
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
            DataLine d{l.number, l.text, splitFields(l.text, byte, o, cells_, kColumnsLooked), 0, 0};
            d.columns = d.fields > 1 && d.fields <= kColumnsLooked && cells_.cells.back().empty()
                            ? d.fields - 1
                            : d.fields;
            for (std::string_view cell : cells_.cells)
                d.numbers += looksNumeric(cell) && missingTokenIndex(cell) == -1;
            lines_.push_back(d);
        }
    }

    int missingCells(const DataLine& l) {
        splitFields(l.text, byte_, options_, cells_, kColumnsLooked);
        int n = 0;
        for (std::string_view cell : cells_.cells)
            n += missingTokenIndex(cell) != -1;
        return n;
    }

    bool isDataLine(const DataLine& l) const { return l.fields == mode_ && l.numbers > 0; }

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
    // lines after it, so that a few stray lines of a preamble ("48 Observations") are not taken
    // for data.
    void findFirstData() {
        firstData_ = 0;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            bool followed = true;
            for (std::size_t k = i; k < lines_.size() && k <= i + 4; ++k)
                followed = followed && isDataLine(lines_[k]);
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
    void proposeQuotes(FormatProposal& p) {
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
        int comments = 0, blanksAbove = 0, blanksInside = 0, blanksAtEnd = 0;
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
        if (comments == 0 && blanksAbove + blanksInside + blanksAtEnd == 0 && !longPreamble) return;
        p.options.commentLines = true;
        if (comments > 0) {
            p.options.commentPrefix = prefix_;
            std::string phrase = comments == 1 ? "a comment line" : "comment lines";
            if (prefix_ != "#") phrase += " starting with " + prefix_;
            p.findings.push_back(phrase);
        }
        auto blankPhrase = [&](int n, const char* where) {
            if (n == 0) return;
            std::string phrase = n == 1 ? "a blank line " : "blank lines ";
            p.findings.push_back(phrase.append(where));
        };
        blankPhrase(longPreamble ? 0 : blanksAbove, "above the data"); // else part of the preamble
        blankPhrase(blanksInside, "in the data");
        blankPhrase(blanksAtEnd, "at the end");
        if (longPreamble) p.findings.emplace_back("a long preamble");
    }

    // Listed tokens or empty cells in columns that otherwise hold numbers would read as 0 or
    // turn the column into text.
    void proposeMissing(FormatProposal& p) {
        const int columns = std::min(mode_, kColumnsLooked);
        if (columns < 1) return;
        std::vector<int> numbers(columns), missing(columns), other(columns);
        std::vector<unsigned> tokensSeen(columns); // bit t: listed token t; the top bit: an empty cell
        constexpr unsigned kEmptyBit = 1u << 31;
        for (const DataLine& l : lines_) {
            if (l.numbers == 0) continue; // ragged data lines count too: their empty cells are the point
            splitFields(l.text, byte_, options_, cells_, kColumnsLooked);
            for (int j = 0; j < columns && j < static_cast<int>(cells_.cells.size()); ++j) {
                const int token = missingTokenIndex(cells_.cells[j]);
                if (token != -1) {
                    ++missing[j];
                    tokensSeen[j] |= token == kEmptyCell ? kEmptyBit : 1u << token;
                } else if (looksNumeric(cells_.cells[j])) {
                    ++numbers[j];
                } else {
                    ++other[j];
                }
            }
        }
        unsigned seen = 0;
        for (int j = 0; j < columns; ++j)
            if (numbers[j] > 0 && missing[j] > 0 && other[j] * 10 <= numbers[j]) seen |= tokensSeen[j];
        if (seen == 0) return;
        p.options.missingAsGaps = true;
        p.options.missingTokens.clear();
        for (std::size_t t = 0; t < kListedTokens.size(); ++t)
            if (seen & (1u << t)) p.options.missingTokens.push_back(kListedTokens[t]);
        if (p.options.missingTokens.empty()) {
            p.findings.emplace_back("empty cells");
            return;
        }
        std::string list;
        for (const std::string& token : p.options.missingTokens)
            list += (list.empty() ? "" : ", ") + token;
        if (seen & kEmptyBit) list += ", empty";
        p.findings.push_back("missing values (" + list + ")");
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
        std::string_view sampleLine = sample_[last - 1].text;
        if (last > 1 && sample_[last - 2].text.size() > sampleLine.size())
            sampleLine = sample_[last - 2].text;
        const int fields = splitFields(sampleLine, byte_, options_, cells_, kColumnsLooked);
        const int columns =
            fields > 1 && fields <= kColumnsLooked && cells_.cells.back().empty() ? fields - 1 : fields;
        if (columns == usual) return;
        p.options.robustSample = true;
        p.findings.emplace_back(readingOption("robustSample").findingFor(p.options));
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
        p.options.wideFiles = true;
        p.findings.emplace_back(readingOption("wideFiles").findingFor(p.options));
    }

    std::vector<SampledLine> sample_;
    char localeDecimal_;
    std::string prefix_;
    int delimiter_ = -1; // index into kDelimiters
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

FormatProposal ProposeReading(const FileLines& lines, char localeDecimal) {
    return Detector(takeSample(lines.count(), [&](int i) { return lines.line(i); }), localeDecimal).run();
}

FormatProposal ProposeReading(const std::vector<std::string_view>& lines, char localeDecimal) {
    return Detector(takeSample(static_cast<int>(lines.size()),
                               [&](int i) { return lines[static_cast<std::size_t>(i - 1)]; }),
                    localeDecimal)
        .run();
}

} // namespace varnotile
