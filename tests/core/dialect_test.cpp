// The dialect a file is read with: the proposal's delimiter, quote, escape, blank after the
// delimiter and line ends; loading with them; saving so that the file reads back the same.
#include "data_writer.h"
#include "dialect_score.h"
#include "format_detector.h"
#include "loader.h"
#include "save_check.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <memory>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

std::string rows(int count, const char* row) {
    std::string s;
    for (int r = 0; r < count; ++r) s += row;
    return s;
}

// Loads `bytes` with `delimiter` and `options` (and, with `automatic`, the proposal where it reads better).
std::unique_ptr<DataSet> load(const TempDir& dir, const std::string& bytes, const std::string& delimiter,
                              const ReadOptions& options, bool automatic) {
    auto ds = std::make_unique<DataSet>();
    ds->Layout.ListSeparator = delimiter;
    ds->Layout.Reading = options;
    ds->File.CurrentFileName = dir.write("in.csv", bytes);
    LoadDataFile(*ds, automatic);
    return ds;
}

std::string names(const DataSet& ds) {
    std::string s;
    for (int j = 1; j <= ds.Layout.ColumnCount; ++j) s += (j > 1 ? "|" : "") + ds.Layout.ColumnNames[j];
    return s;
}

std::string row(const DataSet& ds, int r) {
    std::string s;
    for (int j = 1; j <= ds.Layout.ColumnCount; ++j) s += (j > 1 ? "|" : "") + std::string(ds.Table.Cells.cell(j, r));
    return s;
}

} // namespace

TEST(Dialect, ProposalFindsDelimiterQuoteEscapeAndLineEnds) {
    struct Case {
        const char* what;
        std::string text;
        const char* delimiter;
        const char* finding; // a phrase of the sentence
        bool ReadOptions::*option; // on in the proposal; nullptr: none looked at
    };
    const Case cases[] = {
        {"a blank after each delimiter", "name, qty, note\n" + rows(6, "x1, 2, \"big, red\"\n"), ",",
         "a blank after each delimiter", &ReadOptions::blankAfterDelimiter},
        {"texts in single quotes", "name,qty,note\n" + rows(6, "'x1',2,'big, red'\n"), ",", "texts in single quotes",
         &ReadOptions::singleQuotes},
        {"quotes escaped with a backslash", "name,qty,note\n" + rows(6, "\"x1\",2,\"say \\\"hi, there\\\"\"\n"), ",",
         "quotes escaped with a backslash", &ReadOptions::backslashEscapes},
        {"lines ended by CR alone", "a,b,c\r" + rows(6, "1,2,3\r"), ",", "lines ended by CR alone", &ReadOptions::crLineEnds},
        {"names with blanks in a tab-separated file", "Time [s]\tPheat [mW]\tT [C]\n" + rows(6, "0\t1.5\t20.1\n"), "\t",
         "tab-separated", nullptr},
        {"a quote that never closes", "name,qty,note\nx1,2,a\n\"x2,3,b\n" + rows(6, "x3,4,c\n"), ",",
         "a quote that never closes (line 3)", nullptr},
        {"a quote closed on the next line, the record then ragged", "name,qty,note\n\"x1\",2,\"a\"\n\"x2\",3,\"b\n" +
             rows(6, "\"x3\",4,\"c\"\n"), ",", "a quote that never closes (line 3)", nullptr},
    };
    for (const Case& c : cases) {
        FileLines lines;
        lines.assign(c.text);
        const FormatProposal p = ProposeReading(lines, '.');
        EXPECT_EQ(p.delimiter, c.delimiter) << c.what;
        EXPECT_FALSE(p.options.whitespace) << c.what;
        EXPECT_NE(p.sentence().find(c.finding), std::string::npos) << c.what << ": " << p.sentence();
        if (c.option) EXPECT_TRUE(p.options.*c.option) << c.what;
    }
    // A quote that never closes is no reason for quoted texts: the lines after it are rows.
    FileLines stray;
    stray.assign("name,qty,note\n\"x1\",2,\"a\"\n\"x2\",3,\"b\n" + rows(6, "\"x3\",4,\"c\"\n"));
    EXPECT_FALSE(ProposeReading(stray, '.').options.quotedTexts);
}

TEST(Dialect, ScoreFavoursTheDialectThatReadsConsistently) {
    const std::vector<std::string_view> lines = {"'a, b',1", "'c, d',2", "'e',3", "'f, g',4"};
    Dialect doubleQuotes{',', false, false, '"', false}, singleQuotes{',', false, false, '\'', false};
    EXPECT_GT(ScoreDialect(lines, singleQuotes).value(), ScoreDialect(lines, doubleQuotes).value());
    EXPECT_EQ(CellKind("12.5"), 1);
    EXPECT_EQ(CellKind("2026-01-02"), 2);
    EXPECT_EQ(CellKind("red"), 3);
    EXPECT_EQ(CellKind(" red"), 0);
    EXPECT_EQ(CellKind("'red'"), 0);
}

// Faults of the reading that the dialect decides, each with its small file.
TEST(Dialect, LoadsReadTheDialectRight) {
    TempDir dir;
    ReadOptions quotes;
    quotes.quotedTexts = true;
    // Names over rows that end in an empty field, with quoted texts on: the names stay names.
    const auto named = load(dir, "name,qty,desc,comments\n" + rows(5, "x1,2,a,\n"), ",", quotes, false);
    EXPECT_EQ(names(*named), "name|qty|desc");
    EXPECT_EQ(named->Layout.DataRowCount, 5);
    // A missing-value token after a blank is counted as missing with the proposal.
    const auto gaps = load(dir, "a,b,c\n1, NaN,3\n2,5,6\n3, NaN,7\n4,8,9\n5,1,2\n6,3,4\n", ",", {}, true);
    EXPECT_EQ(gaps->Table.MissingCount[2], 2);
    // Lines ended by CR alone: five rows, not one line of "Too few Data".
    const auto old = load(dir, "a,b,c\r1,2,3\r4,5,6\r7,8,9\r10,11,12\r13,14,15\r", ",", {}, true);
    EXPECT_TRUE(old->Layout.Reading.crLineEnds);
    EXPECT_EQ(old->Layout.DataRowCount, 5);
    EXPECT_EQ(names(*old), "a|b|c");
    // A blank after the delimiter, single quotes, backslash escapes: clean cells.
    const auto blank = load(dir, "name, qty, note\n" + rows(5, "x1, 2, \"big, red\"\n"), ",", {}, true);
    EXPECT_EQ(names(*blank), "name|qty|note");
    EXPECT_EQ(row(*blank, 1), "x1|2|big, red");
    const auto single = load(dir, "name,qty,note\n" + rows(5, "'x1',2,'big, red'\n"), ",", {}, true);
    EXPECT_EQ(row(*single, 1), "x1|2|big, red");
    const auto escaped = load(dir, "name,qty,note\n" + rows(5, "\"x1\",2,\"say \\\"hi, there\\\"\"\n"), ",", {}, true);
    EXPECT_EQ(row(*escaped, 1), "x1|2|say \"hi, there\"");
    // An empty last column the names line names: proposed, and the column is kept, empty.
    const auto emptyLast = load(dir, "name,qty,desc,comments\n" + rows(5, "x1,2,a,\n"), ",", {}, true);
    EXPECT_TRUE(emptyLast->Layout.Reading.emptyLastColumns);
    EXPECT_EQ(names(*emptyLast), "name|qty|desc|comments");
    EXPECT_EQ(row(*emptyLast, 1), "x1|2|a|");
    // Rows ending in a delimiter under names that stop there keep the plain reading.
    const auto trailing = load(dir, "a,b,c\n" + rows(5, "1,2,3,\n"), ",", {}, true);
    EXPECT_FALSE(trailing->Layout.Reading.emptyLastColumns);
    EXPECT_EQ(names(*trailing), "a|b|c");
}

TEST(Dialect, SavesWithTheDialectReadBackTheSame) {
    struct Case {
        const char* what;
        std::string bytes;
        bool ReadOptions::*option;
        const char* edit; // typed into row 1, column 3
    };
    const Case cases[] = {
        {"CR line ends", "a,b,c\r" + rows(5, "1,2,x\r"), &ReadOptions::crLineEnds, "y"},
        {"a blank after each delimiter", "a, b, c\n" + rows(5, "1, 2, x\n"), &ReadOptions::blankAfterDelimiter, " y, z"},
        {"single quotes", "a,b,c\n" + rows(5, "1,2,'x, y'\n"), &ReadOptions::singleQuotes, "it's, \"so\""},
        {"backslash escapes", "a,b,c\n" + rows(5, "1,2,\"x \\\" y\"\n"), &ReadOptions::backslashEscapes, "a \\ \" b, \\\""},
        {"empty last columns", "a,b,c,d\n" + rows(5, "1,2,x,\n"), &ReadOptions::emptyLastColumns, "y"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ReadOptions options;
        options.quotedTexts = true;
        options.*c.option = true;
        const auto loaded = load(dir, c.bytes, ",", options, false);
        DataSet& ds = *loaded;
        ASSERT_EQ(ds.Layout.DataRowCount, 5) << c.what;
        ds.Table.Cells.setCell(3, 1, c.edit);
        const std::string written = DataFileText(ds);
        EXPECT_FALSE(CompareReadBack(ds, written).found) << c.what << "\n" << written;
        if (c.option == &ReadOptions::crLineEnds) EXPECT_EQ(written.find('\n'), std::string::npos) << written;
        const auto again = load(dir, written, ",", ds.Layout.Reading, false);
        ASSERT_EQ(again->Layout.DataRowCount, 5) << c.what;
        EXPECT_EQ(row(*again, 1), row(ds, 1)) << c.what << "\n" << written;
        EXPECT_EQ(row(*again, 2), row(ds, 2)) << c.what;
        EXPECT_EQ(names(*again), names(ds)) << c.what;
    }
}
