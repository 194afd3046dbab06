// Splitting lines under the reading options, quoting for the writer, and the reading proposal.
#include "format_detector.h"

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

std::string joined(const LineCells& cells) {
    std::string s;
    for (std::size_t i = 0; i < cells.cells.size(); ++i) {
        if (i) s += '|';
        s += cells.cells[i];
    }
    return s;
}

std::vector<std::string_view> linesOf(const std::string& text) {
    std::vector<std::string_view> lines;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return lines;
}

} // namespace

TEST(ReadOptionsHelpers, SplitQuoteAndRecognise) {
    struct Case {
        const char* line;
        char delimiter;
        bool whitespace, quoted;
        const char* cells;
    };
    for (const Case& c : {
             Case{"1,2,,4", ',', false, false, "1|2||4"},
             {" a , b,", ',', false, false, " a | b|"},     // blanks kept, trailing empty cell
             {"\"a,b\",1", ',', false, false, "\"a|b\"|1"}, // quotes are text while off
             {"  1.5   2\t 3  ", ' ', true, false, "1.5|2|3"},
             {"   ", ' ', true, false, ""}, // a blank line is one empty cell
             {"\"a, b\",1", ',', false, true, "a, b|1"},
             {"\"say \"\"hi\"\"\";2", ';', false, true, "say \"hi\"|2"},
             {" \"x\" ,3", ',', false, true, "x|3"},
             {"\"New York\"  5", ' ', true, true, "New York|5"},
             {"\"open,1", ',', false, true, "open,1"}, // no closing quote: to the end
             {"5\",6", ',', false, true, "5\"|6"},     // a quote inside a cell is text
             {"\"a\"b,c", ',', false, true, "ab|c"},
             {"\"a\",", ',', false, true, "a|"},
         }) {
        ReadOptions o;
        o.whitespace = c.whitespace;
        o.quotedTexts = c.quoted;
        LineCells cells;
        splitFields(c.line, static_cast<unsigned char>(c.delimiter), o, cells);
        EXPECT_EQ(joined(cells), c.cells) << c.line;
    }

    // Many rebuilt cells in one line: earlier views must survive the storage growing.
    ReadOptions quoted;
    quoted.quotedTexts = true;
    std::string line;
    for (int i = 0; i < 40; ++i) {
        if (i) line += ',';
        line += "\"x\"\"" + std::to_string(i) + "\"";
    }
    LineCells cells;
    ASSERT_EQ(splitFields(line, ',', quoted, cells), 40);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(cells.cells[static_cast<std::size_t>(i)], "x\"" + std::to_string(i));
    EXPECT_EQ(splitFields("1,2,3,4", ',', ReadOptions{}, cells, 2), 3); // counted one past the limit
    EXPECT_EQ(joined(cells), "1|2");

    // Quoting for the writer, and reading the quoted text back gives the text.
    struct Quote {
        const char* text;
        char delimiter;
        const char* written;
    };
    for (const Quote& q : {Quote{"abc", ',', "abc"},
                           {"", ',', ""},
                           {"a,b", ',', "\"a,b\""},
                           {"say \"hi\"", ';', "\"say \"\"hi\"\"\""},
                           {" lead", ',', "\" lead\""},
                           {"a b", ' ', "\"a b\""},
                           {"a\tb", ' ', "\"a\tb\""},
                           {"a b", ',', "a b"}}) {
        EXPECT_EQ(quoteIfNeeded(q.text, q.delimiter), q.written) << q.text;
        ReadOptions o;
        o.quotedTexts = true;
        o.whitespace = q.delimiter == ' ';
        splitFields(q.written, q.delimiter, o, cells);
        EXPECT_EQ(joined(cells), q.text) << q.text;
    }

    // Comment lines and missing values only while their switch is on.
    ReadOptions on;
    on.commentLines = on.missingAsGaps = true;
    on.commentPrefix = "//";
    EXPECT_TRUE(isCommentOrBlank(" \t", on));
    EXPECT_TRUE(isCommentOrBlank("  // note", on));
    EXPECT_FALSE(isCommentOrBlank("# note", on));
    EXPECT_FALSE(isCommentOrBlank("", ReadOptions{}));
    EXPECT_TRUE(isMissingToken(" na ", on));
    EXPECT_TRUE(isMissingToken("", on));
    EXPECT_FALSE(isMissingToken("nan1", on));
    EXPECT_FALSE(isMissingToken("NA", ReadOptions{}));

    // With comment lines on, the prefix after a blank ends a line's cells; glued to a delimiter,
    // or inside quotes, it is part of a cell.
    struct Inline {
        const char* line;
        char delimiter;
        bool whitespace, quoted;
        const char* cells;
    };
    for (const Inline& c : {Inline{"1,2 # a, b", ',', false, false, "1|2"},
                            {"1,#2,3", ',', false, false, "1|#2|3"},
                            {"1\t2 # c", '\t', false, false, "1|2"},
                            {"1\t#2\t3", '\t', false, false, "1|#2|3"},
                            {"1  2 #c, d", ' ', true, false, "1|2"},
                            {"\"a #b\",1 # c", ',', false, true, "a #b|1"},
                            {"\"a\" #b #c", ' ', true, true, "a"},
                            {"  # whole, line", ',', false, false, "  # whole| line"}}) {
        ReadOptions o;
        o.commentLines = true;
        o.whitespace = c.whitespace;
        o.quotedTexts = c.quoted;
        LineCells cells;
        splitFields(c.line, static_cast<unsigned char>(c.delimiter), o, cells);
        EXPECT_EQ(joined(cells), c.cells) << c.line;
    }
    // Tokens that are numbers are markers; "." stays a word.
    const ReadOptions markers{.missingAsGaps = true, .missingTokens = {"NA", ".", "-9999.", "1e30"}};
    EXPECT_EQ(missingMarkers(markers), (std::vector<double>{-9999, 1e30}));
}

TEST(FormatDetector, ProposesWhatTheFileNeeds) {
    std::string preamble;
    for (int i = 1; i <= 25; ++i)
        preamble += "Instrument log, entry " + std::to_string(i) + ": calibration ok\n";
    struct Case {
        const char* name;
        std::string text;
        char locale;
        const char* delimiter;
        ReadOptions options;
        const char* sentence;
    };
    const Case cases[] = {
        {"plain csv", "x,y\n1.5,2\n2.5,3\n3.5,4\n4.5,5\n", '.', ",", {}, "This file looks comma-separated."},
        {"points on a comma locale",
         "x,y\n1.5,2\n2.5,3\n3.5,4\n4.5,5\n",
         ',',
         ",",
         {.decimal = DecimalChoice::Point},
         "This file looks comma-separated, with decimal points."},
        {"tab, decimal comma, comment",
         "# logger export\nt\tT\n0\t1,5\n1\t2,25\n# probe moved\n2\t3,0\n3\t3,5\n",
         '.',
         "\t",
         {.decimal = DecimalChoice::Comma, .commentLines = true},
         "This file looks tab-separated, with decimal commas and comment lines."},
        {"space aligned",
         "  x     y\n  1.0   2.0\n  2.0  10.0\n  3.0 100.0\n  4.0   5.5\n",
         '.',
         "",
         {.whitespace = true},
         "This file looks aligned with runs of blanks."},
        {"single spaces", "x y\n1 2\n3 4\n5 6\n7 8\n", '.', " ", {}, "This file looks space-separated."},
        {"quoted csv",
         "\"name\",\"x\"\n\"Smith, J\",1.5\n\"Doe, A\",2.5\n\"Roe, B\",3.5\n\"Poe, C\",4\n",
         '.',
         ",",
         {.quotedTexts = true},
         "This file looks comma-separated, with quoted texts."},
        {"missing values",
         "a,b\n1,2\n2,NA\n3,4\n4,\n5,6\n",
         '.',
         ",",
         {.missingAsGaps = true, .missingTokens = {"NA"}},
         "This file looks comma-separated, with missing values (NA, empty)."},
        {"trailer",
         "x;y\n1;2\n3;4\n5;6\n7;8\nrows;4;total;ok\n",
         '.',
         ";",
         {.robustSample = true},
         "This file looks semicolon-separated, with a trailer line."},
        {"blank line in the data",
         "x,y\n1,2\n3,4\n\n5,6\n7,8\n",
         '.',
         ",",
         {.commentLines = true},
         "This file looks comma-separated, with a blank line in the data."},
        {"commented names, blank line at the end",
         "# run 7\n#t,v\n1,2\n2,3\n3,5\n4,7\n5,11\n\n",
         '.',
         ",",
         {.commentLines = true},
         "This file looks comma-separated, with comment lines and a blank line at the end."},
        {"long preamble",
         preamble + "t,v\n1,2\n2,3\n3,5\n4,7\n5,11\n",
         '.',
         ",",
         {.commentLines = true},
         "This file looks comma-separated, with a long preamble."},
    };
    std::string gaps = "# Data source: a logger\nday,a,b\n";
    for (int i = 1; i <= 40; ++i) gaps += "d" + std::to_string(i) + (i % 3 == 0 ? ",,\n" : ",1.5,2\n");
    const Case withGaps[] = {
        // One comment line above rows of which some hold no reading: no preamble.
        {"rows of gaps", gaps, '.', ",", {}, "This file looks comma-separated, with empty cells."},
        // Of several comment lines only one has the data's cell count: all are named.
        {"comment lines",
         "; colour map\n; by a, b, c\n;\n0.1,0.2,0.3\n0.2,0.3,0.4\n0.3,0.4,0.5\n0.4,0.5,0.6\n0.5,0.6,0.7\n",
         '.',
         ",",
         {},
         "This file looks comma-separated, with comment lines starting with ;."},
        {"pipes", "date|price\n10 Feb 2005|43.78\n11 Feb 2005|43.79\n14 Feb 2005|43.72\n", '.', "|", {},
         "This file looks pipe-separated."},
        // A '|' inside texts is no delimiter where every line has the same commas.
        {"pipes in texts",
         "site,x,y\nA|north,1.5,2\nB,2.5,3\nC|east|2,3.5,4\nD,4.5,5\n",
         '.',
         ",",
         {},
         "This file looks comma-separated."},
    };
    for (const Case& c : withGaps) {
        const FormatProposal p = ProposeReading(linesOf(c.text), c.locale);
        EXPECT_EQ(p.sentence(), c.sentence) << c.name;
    }
    for (const Case& c : cases) {
        const FormatProposal p = ProposeReading(linesOf(c.text), c.locale);
        EXPECT_EQ(p.delimiter, c.delimiter) << c.name;
        EXPECT_TRUE(p.options == c.options) << c.name;
        EXPECT_EQ(p.sentence(), c.sentence) << c.name;
    }
}
