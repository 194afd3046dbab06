// Files that hold several tables: the tables found, the one the detector proposes, reading a
// chosen table, and a save of it that leaves the other tables' lines as they stood.
#include "cell_editing.h"
#include "data_writer.h"
#include "loader.h"
#include "save_check.h"
#include "table_blocks.h"
#include "test_files.h"

#include <gtest/gtest.h>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

std::string rows(int from, int count, int columns) {
    std::string text;
    for (int r = from; r < from + count; ++r) {
        for (int c = 0; c < columns; ++c) text += (c ? "," : "") + std::to_string(r * 10 + c);
        text += "\n";
    }
    return text;
}

} // namespace

TEST(TableBlocks, FindsTheTablesAndReadsTheProposedOrChosenOne) {
    struct Expected {
        int firstLine, rows, columns;
    };
    struct Case {
        const char* what;
        std::string text;
        std::vector<Expected> tables;
        int proposed;          // 0: no table proposed
        const char* firstName; // of the proposed table, read with the proposal
    } cases[] = {
        {"one table", "a,b\n" + rows(1, 50, 2), {{1, 50, 2}}, 0, "a"},
        {"repeated names line per block", "t,x\n" + rows(1, 6, 2) + "t,x\n" + rows(7, 4, 2), {{1, 6, 2}, {8, 4, 2}}, 1, "t"},
        {"different widths one after another", rows(1, 4, 2) + rows(5, 5, 3) + rows(10, 3, 2),
         {{1, 4, 2}, {5, 5, 3}, {10, 3, 2}}, 2, ""},
        {"& separators", "# data sets\n" + rows(1, 5, 2) + "&\n" + rows(6, 8, 2) + "&\n" + rows(14, 3, 2) + "&\n",
         {{2, 5, 2}, {8, 8, 2}, {17, 3, 2}}, 2, ""},
        {"blank line and a new names line", "Run 1\np,q,r\n" + rows(1, 9, 3) + "\nRun 2\nu,v\n" + rows(10, 5, 2),
         {{2, 9, 3}, {14, 5, 2}}, 1, "p"},
        {"a ragged row and a single blank line stay inside", "a,b,c\n" + rows(1, 25, 3) + "5,6\n\n" + rows(30, 4, 3),
         {{1, 30, 3}}, 0, "a"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataSet ds;
        ds.File.CurrentFileName = dir.write("t.csv", c.text);
        ds.DecimalSeparator = '.';
        ASSERT_EQ(LoadDataFile(ds, true).status, LoadOutcome::Status::Loaded);
        const std::vector<TableBlock> found = FindTableBlocks(ds.File.FileLines, ',', ReadOptions(), '.');
        ASSERT_EQ(found.size(), c.tables.size());
        for (std::size_t k = 0; k < found.size(); ++k) {
            EXPECT_EQ(found[k].firstLine, c.tables[k].firstLine) << k;
            EXPECT_EQ(found[k].rows, c.tables[k].rows) << k;
            EXPECT_EQ(found[k].columns, c.tables[k].columns) << k;
        }
        EXPECT_EQ(ds.Layout.Proposal.options.table, c.proposed);
        EXPECT_EQ(ds.Layout.Proposal.tables.size(), c.proposed ? c.tables.size() : 0u);
        if (c.proposed) {
            EXPECT_NE(ds.Layout.Proposal.sentence().find("(table " + std::to_string(c.proposed) + " of " +
                                                         std::to_string(c.tables.size()) + " is the largest)"),
                      std::string::npos)
                << ds.Layout.Proposal.sentence();
            // The blank lines and preambles between the tables are no finding of the table read.
            for (const char* shape : {"at the end", "long preamble", "trailer line"})
                EXPECT_EQ(ds.Layout.Proposal.sentence().find(shape), std::string::npos) << ds.Layout.Proposal.sentence();
        }
        // Read with the proposal (or table 1 of a single table): the table's rows and names only.
        const Expected& shown = c.tables[static_cast<std::size_t>(std::max(c.proposed, 1) - 1)];
        if (!c.proposed) {
            ds.Layout.Reading.table = 1;
            ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
        }
        EXPECT_EQ(ds.Layout.Reading.table, std::max(c.proposed, 1));
        EXPECT_EQ(ds.Layout.ColumnCount, shown.columns);
        EXPECT_EQ(ds.Layout.DataRowCount, shown.rows);
        EXPECT_EQ(ds.Layout.ColumnNames[1], c.firstName);
    }
}

TEST(TableBlocks, ATableBeyondTheFilesIsARefusedRead) {
    TempDir dir;
    DataSet ds;
    ds.File.CurrentFileName = dir.write("t.csv", "x,y\n" + rows(1, 5, 2) + "x,y\n" + rows(6, 5, 2));
    ds.Layout.Reading.table = 3;
    const LoadOutcome outcome = LoadDataFile(ds);
    EXPECT_EQ(outcome.status, LoadOutcome::Status::ReadError);
    EXPECT_EQ(outcome.error, "the file holds 2 tables; there is no table 3");
    EXPECT_EQ(ds.Layout.ColumnCount, 0);
}

TEST(TableBlocks, ATableAskedOfEveryFileReadsAFileOfFewerTablesWholeOrItsFirst) {
    TempDir dir;
    struct Case {
        std::string bytes;
        int table;      // read
        int rows;
        bool message;   // the file's tables are named in a message
    } cases[] = {
        {"x,y\n" + rows(1, 5, 2), 0, 5, false},
        {"x,y\n" + rows(1, 5, 2) + "x,y\n" + rows(6, 4, 2), 1, 5, true},
    };
    for (const Case& c : cases) {
        DataSet ds;
        ds.File.CurrentFileName = dir.write("t.csv", c.bytes);
        ds.Layout.Reading.table = 3;
        ds.Layout.TableIsGeneral = true;
        const LoadOutcome outcome = LoadDataFile(ds);
        ASSERT_EQ(outcome.status, LoadOutcome::Status::Loaded) << outcome.error;
        EXPECT_EQ(ds.Layout.Reading.table, c.table);
        EXPECT_EQ(ds.Layout.DataRowCount, c.rows);
        EXPECT_EQ(!outcome.messages.empty(), c.message);
    }
}

TEST(TableBlocks, ASaveOfTheSecondTableLeavesTheOtherTablesAsTheyStood) {
    // Every line ends in CR LF, as the writer ends the lines it writes.
    std::string file = "Set A\nt,x\n" + rows(1, 6, 2) + "&\nt,x,y\n1,2,3\n4,5,6\n7,8,9\n10,11,12\n&\n# last\n" + rows(20, 4, 2);
    for (std::size_t at = 0; (at = file.find('\n', at)) != std::string::npos; at += 2) file.insert(at, "\r");
    TempDir dir;
    DataSet ds;
    ds.File.CurrentFileName = dir.write("t.csv", file);
    ds.Layout.Reading.table = 2;
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
    ASSERT_EQ(ds.Layout.ColumnCount, 3);
    ASSERT_EQ(ds.Layout.DataRowCount, 4);
    EXPECT_EQ(ds.Layout.ColumnNames[2], "x");
    ASSERT_TRUE(EditCell(ds, 2, 3, "800"));
    const std::string saved = DataFileText(ds);
    std::string expected = file;
    expected.replace(expected.find("7,8,9"), 5, "7,800,9");
    EXPECT_EQ(saved, expected);
    EXPECT_FALSE(CompareReadBack(ds, saved).found);
}
