// Files whose header, rows and blocks are told apart by what each line holds: read with the
// proposal (or a chosen table), each gives the table a careful reader takes from it, and a file
// the program wrote reads back as the same table.
#include "data_writer.h"
#include "loader.h"
#include "table_blocks.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

std::string rows(int count, int columns, int from = 0) {
    std::string text;
    for (int r = from; r < from + count; ++r) {
        for (int c = 0; c < columns; ++c) text += (c ? "," : "") + std::to_string(r) + "." + std::to_string(c + 1);
        text += "\n";
    }
    return text;
}

std::string spaced(std::string text) {
    std::replace(text.begin(), text.end(), ',', ' ');
    return text;
}

// Each row ending in the delimiter: an empty last column.
std::string endingEmpty(std::string text) {
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) text.insert(at, ",");
    return text;
}

std::string names(const DataSet& ds) {
    std::string text;
    for (int k = 1; k <= ds.Layout.ColumnCount && ds.Layout.HeaderLineCount > 0; ++k)
        text += (k > 1 ? "|" : "") + ds.Layout.ColumnNames[k];
    return text;
}

// The names and every cell, as the table shows them.
std::string table(const DataSet& ds) {
    std::string text = names(ds) + "\n";
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        for (int k = 1; k <= ds.Layout.ColumnCount; ++k) text.append(ds.Table.Cells.cell(k, r)).append("|");
        text += "\n";
    }
    return text;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

} // namespace

TEST(LineClasses, TheProposalReadsTheConsistentBlockAndItsNames) {
    std::string grid = "ncols 4\nnrows 5\nxllcorner 0.5\nyllcorner 1.5\ncellsize 1\nNODATA_value -9999\n";
    for (int r = 0; r < 5; ++r) grid += std::to_string(r) + " 12 -9999 7\n";
    std::string curves, steps;
    for (int c = 1; c <= 3; ++c) curves += "x," + std::to_string(c) + ".5\n" + rows(8, 2, c * 10);
    for (int t = 0; t < 4; ++t) {
        steps += std::to_string(t * 100) + " 6\n";
        for (int r = 0; r < 6; ++r) steps += std::to_string(r) + " " + std::to_string(t * r) + ".5 " + std::to_string(2 * r) + "\n";
    }
    std::string shortRow = rows(40, 3), longRow = rows(40, 3);
    shortRow.insert(shortRow.find("8.1"), "9,8\n");
    longRow.insert(longRow.find("8.1"), "9,8,7,6\n");
    struct Case {
        const char* what;
        std::string text;
        int table; // 0: read with the proposal; N: the N-th table, without it
        int rows, firstRow;
        const char* names;
    } cases[] = {
        {"a short row among the first rows", "a,b,c\n" + shortRow, 0, 41, 2, "a|b|c"},
        {"a row with a field too many among the first rows", "a,b,c\n" + longRow, 0, 41, 2, "a|b|c|"},
        {"a small table over a larger one of its width", "a,b,c\n" + rows(3, 3) + "d,e,f\n" + rows(20, 3, 10), 0, 20, 6, "d|e|f"},
        {"settings of a name and a value above the names", "@radius 4.03113\n@name test\nr g\n" + spaced(rows(30, 2)), 0, 30, 4, "r|g"},
        {"a grid file's settings", grid, 0, 5, 7, ""},
        {"a block line over each curve", curves, 0, 24, 2, ""},
        {"a count line over each time step", steps, 0, 24, 2, ""},
        {"names that are years in quotes", "\"1929\",\"1930\",\"1931\"\n" + rows(10, 3), 0, 10, 2, "1929|1930|1931"},
        {"names holding a number", "x,1\n" + rows(10, 2), 0, 10, 2, "x|1"},
        {"a short first row, rows ending in the delimiter", "a,b,c,d\n0.1,0.2,\n" + endingEmpty(rows(30, 3, 1)), 0, 31, 2, "a|b|c|d"},
        {"a first row with a field too many, rows ending in the delimiter", "a,b,c,d\n0.1,0.2,0.3,,x\n" + endingEmpty(rows(30, 3, 1)), 0, 31, 2, "a|b|c|d|"},
        {"a short row right under the names", "a,b,c\n1,2\n" + rows(20, 3, 1), 0, 21, 2, "a|b|c"},
        {"a names line with a name too many", "a,b,c,d\n" + rows(20, 3), 0, 20, 2, "a|b|c"},
        {"a smaller table of the same names after the first, rows ending in the delimiter",
         "a,b,c\n" + endingEmpty(rows(20, 2)) + "\na,b,c\n" + endingEmpty(rows(4, 2)), 0, 20, 2, "a|b|c"},
        {"the third of three tables, a row with a field too many",
         "a,b\n1,2\n3,4\n5,6\n\nc,d\n1,2\n3,4\n5,6\n\ne,f\n1,2\n3,4,5\n5,6\n", 3, 3, 12, "e|f|"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataSet ds;
        ds.File.CurrentFileName = dir.write("t.csv", c.text);
        ds.DecimalSeparator = '.';
        ds.Layout.Reading.table = c.table;
        ASSERT_EQ(LoadDataFile(ds, c.table == 0).status, LoadOutcome::Status::Loaded);
        EXPECT_EQ(ds.Layout.DataRowCount, c.rows) << ds.Layout.Proposal.sentence();
        EXPECT_EQ(ds.Layout.FirstDataLine, c.firstRow);
        EXPECT_EQ(names(ds), c.names);
    }
}

TEST(LineClasses, AnOddRowKeepsATableWhole) {
    std::string strayQuote = "a,b,c\n" + rows(83, 3), shortRows = "w,x,y,z\n" + rows(120, 4);
    strayQuote.insert(strayQuote.find("41.1"), "\"");
    for (const char* at : {"20.1", "50.1", "90.1"}) shortRows.replace(shortRows.find(at), shortRows.find('\n', shortRows.find(at)) - shortRows.find(at), "7,8");
    ReadOptions quotes;
    quotes.quotedTexts = true;
    for (const auto& [text, options, expected] : {std::tuple{strayQuote, quotes, 83}, std::tuple{shortRows, ReadOptions(), 120}}) {
        const std::vector<std::string_view> lines = linesOf(text);
        const std::vector<TableBlock> tables = FindTableBlocks(lines, ',', options, '.');
        ASSERT_EQ(tables.size(), 1u) << text.substr(0, 40);
        EXPECT_EQ(tables[0].rows, expected);
    }
}

// A file the program wrote with the reading it proposed reads back, with the proposal, as the
// table it wrote: random small files with the usual pollutions.
TEST(LineClasses, AWrittenFileReadsBackAsTheSameTable) {
    std::mt19937 random(28);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    TempDir dir;
    int differing = 0;
    std::string first;
    for (int file = 0; file < 100; ++file) {
        const int columns = 2 + pick(4), count = 3 + pick(30);
        const char delimiter = ",;\t"[pick(3)];
        const auto cell = [&] {
            switch (pick(40)) {
            case 0: return std::string("NA");
            case 1: return std::string("\"a") + delimiter + "b\"";
            case 2: return std::string("\"x");
            case 3: return std::string("");
            default: return std::to_string(pick(1000)) + "." + std::to_string(pick(10));
            }
        };
        std::string text;
        if (pick(3) == 0) text += "# logger " + std::to_string(pick(100)) + "\n";
        if (pick(3) == 0) text += "rate " + std::to_string(pick(100)) + "\n";
        if (pick(4) == 0) text += "\n";
        if (pick(2) == 0) {
            for (int c = 0; c < columns; ++c) text += (c ? std::string(1, delimiter) : "") + std::string(1, static_cast<char>('a' + c));
            text += "\n";
        }
        for (int r = 0; r < count; ++r) {
            const int fields = pick(15) == 0 ? columns + (pick(2) ? 1 : -1) : columns;
            for (int c = 0; c < fields; ++c) text += (c ? std::string(1, delimiter) : "") + cell();
            text += pick(30) == 0 ? "\n\n" : "\n";
        }
        if (pick(5) == 0) text += "end of data\n";
        DataSet ds;
        ds.File.CurrentFileName = dir.write("in.csv", text);
        ds.DecimalSeparator = '.';
        if (LoadDataFile(ds, true).status != LoadOutcome::Status::Loaded) continue;
        const std::string out = dir.path() + "/out.csv";
        ASSERT_EQ(SaveDataFile(ds, out, false), "");
        DataSet back;
        back.File.CurrentFileName = out;
        back.DecimalSeparator = '.';
        ASSERT_EQ(LoadDataFile(back, true).status, LoadOutcome::Status::Loaded);
        if (table(back) != table(ds) && differing++ == 0) first = text + "---\n" + table(ds) + "---\n" + table(back);
    }
    EXPECT_EQ(differing, 0) << first;
}
