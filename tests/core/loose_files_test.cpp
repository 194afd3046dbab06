// Files nobody wrote for this program: comments after the data, numbers that stand for missing
// values, rows of nothing but gaps. Each through the load with reading options, and through the
// detector's proposal.
#include "cell_editing.h"
#include "checked_save.h"
#include "format_detector.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace varnotile;

namespace {

// 30 lines of one value and a comment of varying length holding commas.
std::string commentedColumn() {
    std::string s;
    for (int i = 0; i < 30; ++i) s += std::to_string(50 + i) + ".5 # (" + std::to_string(i) + ",0," + std::string(i % 7, '1') + ")\n";
    return s;
}

// Dated rows of three values, every fifth one without any value.
std::string rowsWithGaps() {
    std::string s = "Date,a,b,c\n";
    for (int i = 1; i <= 40; ++i)
        s += "1990-02-" + std::to_string(10 + i) + (i % 5 == 3 ? ",,," : ",1." + std::to_string(i) + ",2,3") + "\n";
    return s;
}

} // namespace

TEST(LooseFiles, LoadedWithOptions) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* delimiter;
        ReadOptions options;
        int rows, columns;
        const char* firstName;
        int missingInColumn2;
        double row2Column2; // NaN: missing
    };
    const double gap = std::nan("");
    const ReadOptions comments{.commentLines = true};
    const ReadOptions wsComments{.whitespace = true, .commentLines = true};
    const ReadOptions quotedComments{.quotedTexts = true, .commentLines = true};
    const ReadOptions gaps{.missingAsGaps = true};
    const ReadOptions marker{.missingAsGaps = true, .missingTokens = {"NA", "-9999"}};
    const Case cases[] = {
        {"comments after the data", "t v\n1 2.5  # (0,0,1)\n2 3.5 # a, much, longer, note\n3 4\n4 5 #\n5 6\n", ",",
         wsComments, 5, 2, "t", 0, 3.5},
        {"one column, comments of varying length", commentedColumn(), ",", comments, 30, 1, "", 0, 51.5},
        {"a cell that starts with the prefix is data", "a,b,c\n1,#2,3\n4,5,6 # x\n7,8,9\n1,2,3\n", ",", comments, 4, 3,
         "a", 0, 5},
        {"a prefix inside quotes is text", "a,b\n\"x #1\",1\n\"y #2\",2 # z\n\"z\",3\n\"w\",4\n", ",", quotedComments, 4,
         2, "a", 0, 2},
        {"markers by value", "t,T,note\n1,12.5,-9999\n2,-9999.,ok\n3,-9999.0,ok\n4,NA,ok\n5,13,ok\n", ",", marker, 5, 3,
         "t", 3, gap},
        {"rows of gaps keep the names and the rows", rowsWithGaps(), ",", gaps, 40, 4, "Date", 8, 1.2},
        {"without gaps on, the plain rule", rowsWithGaps(), ",", ReadOptions{}, 22, 4, "", 0, 1.2},
        {"without gaps on, with comments", rowsWithGaps(), ",", comments, 2, 4, "", 0, 1.4},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        DataSet ds;
        ds.Layout.ListSeparator = c.delimiter;
        ds.Layout.Reading = c.options;
        ds.File.CurrentFileName = dir.write("in.txt", c.bytes);
        LoadDataFile(ds);
        EXPECT_EQ(ds.Layout.DataRowCount, c.rows) << c.what;
        EXPECT_EQ(ds.Layout.ColumnCount, c.columns) << c.what;
        EXPECT_EQ(ds.Layout.ColumnNames[1], c.firstName) << c.what;
        const int k = c.columns > 1 ? 2 : 1;
        EXPECT_TRUE(ds.Layout.ColumnIsNumeric[k]) << c.what;
        EXPECT_EQ(ds.Table.MissingCount[k], c.missingInColumn2) << c.what;
        if (std::isnan(c.row2Column2))
            EXPECT_TRUE(std::isnan(ds.value(k, 2))) << c.what;
        else
            EXPECT_DOUBLE_EQ(ds.value(k, 2), c.row2Column2) << c.what;
        // A number typed in later is a marker the same way.
        if (c.options.missingTokens.size() == 2) {
            EXPECT_TRUE(std::isnan(ds.cellNumber("-9999.00")));
        }
    }
}

TEST(LooseFiles, Proposed) {
    struct Case {
        const char* what;
        std::string text;
        const char* delimiter;
        ReadOptions options;
        const char* sentence;
    };
    const Case cases[] = {
        {"the delimiter from the part before the comment",
         "x y\n1.5 2.0 # (0,0,1)\n2.5 3.0 # (0,1,1), a longer note\n3.5 4.0 # (1,1,1)\n4.5 5.0 # (1,1,2)\n", " ",
         {.commentLines = true}, "This file looks space-separated, with comments after the data."},
        {"one column with comments", commentedColumn(), "", {.commentLines = true},
         "This file has comments after the data."},
        {"a text holding the prefix is no comment", "id,room,v\n1,Room #3,4.5\n2,Room #4,5.5\n3,Hall #1,6\n4,Hall #2,7\n",
         ",", {}, "This file looks comma-separated."},
        {"a common marker", "t,T\n1,12.5\n2,-9999.\n3,13.1\n4,-9999\n5,12.9\n6,13.4\n", ",",
         {.missingAsGaps = true, .missingTokens = {"-9999"}}, "This file looks comma-separated, with -9999 for missing values."},
        {"a value far off the others", "t,v,w\n1,1.5,1e30\n2,5000,1e30\n3,2.5,2\n4,5000,3\n5,3.0,4\n6,2.0,5\n", ",",
         {.missingAsGaps = true, .missingTokens = {"5000", "1e+30"}},
         "This file looks comma-separated, with 5000 and 1e+30 for missing values."},
        {"repeated values that are data", "t,flag,year\n1,0,1990\n2,1,1990\n3,0,2020\n4,1,2020\n5,0,2010\n6,0,2000\n", ",",
         {}, "This file looks comma-separated."},
        {"rows of gaps", rowsWithGaps(), ",", {.missingAsGaps = true, .missingTokens = {}},
         "This file looks comma-separated, with empty cells."},
    };
    for (const Case& c : cases) {
        std::vector<std::string_view> lines;
        for (std::string_view rest = c.text; !rest.empty();) {
            const std::size_t end = rest.find('\n');
            lines.push_back(rest.substr(0, end));
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        }
        const FormatProposal p = ProposeReading(lines, '.');
        EXPECT_EQ(p.delimiter, c.delimiter) << c.what;
        EXPECT_TRUE(p.options == c.options) << c.what << ": " << p.sentence();
        EXPECT_EQ(p.sentence(), c.sentence) << c.what;
    }
}

// Edited and saved through the read-back check: the comments stay where they stood, the edited
// row keeps its own, and the file reads back as the table.
TEST(LooseFiles, CommentsAfterTheDataSurviveAnEditAndASave) {
    test::TempDir dir;
    DataSet ds;
    ds.Layout.Reading.commentLines = true;
    ds.File.CurrentFileName = dir.write("in.csv", "t,v # units: s, m\n1,2 # (0,0,1)\n3,4 # (0,1)\n5,6\n7,8\n");
    LoadDataFile(ds);
    ASSERT_EQ(ds.Layout.DataRowCount, 4);
    EXPECT_EQ(ds.Layout.ColumnNames[2], "v");
    ASSERT_TRUE(EditCell(ds, 2, 2, "40"));
    const std::string saved = dir.path() + "/out.csv";
    const CheckedSave result = SaveDataFileChecked(ds, saved, false, false);
    EXPECT_EQ(result.error, "");
    EXPECT_FALSE(result.difference.found) << result.difference.what;
    EXPECT_EQ(test::readFile(saved), "t,v # units: s, m\r\n1,2 # (0,0,1)\r\n3,40 # (0,1)\r\n5,6\r\n7,8\r\n");
}
