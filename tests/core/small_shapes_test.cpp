// Small layouts seen in real files, read with the detector's proposal: a count line above the
// names, names in single quotes, data lines ending in a delimiter, a section after the data, rows
// continued with a backslash, names over a units line.
#include "data_writer.h"
#include "loader.h"
#include "save_check.h"
#include "test_files.h"

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

std::string texts(const StringSlots& slots, int columns) {
    std::string s;
    for (int k = 1; k <= columns; ++k) s += (k > 1 ? "|" : "") + slots[k];
    return s;
}

std::string row(const DataSet& ds, int r) {
    std::string s;
    for (int k = 1; k <= ds.Layout.ColumnCount; ++k) s.append(k > 1 ? "|" : "").append(ds.Table.Cells.cell(k, r));
    return s;
}

void loadProposed(DataSet& ds, const test::TempDir& dir, const std::string& name, const std::string& text) {
    ds.File.CurrentFileName = dir.write(name, text);
    LoadDataFile(ds, true);
}

} // namespace

TEST(SmallShapes, TheProposalReadsEachShape) {
    struct Case {
        const char* shape;
        std::string text;
        int rows, columns;
        const char *names, *labels, *firstRow, *lastRow;
    };
    const Case cases[] = {
        {"count line above the names",
         "150,4,setosa,versicolor,virginica\nsepal_length,sepal_width,petal_length,petal_width,target\n"
         "5.1,3.5,1.4,0.2,0\n4.9,3.0,1.4,0.2,0\n7.0,3.2,4.7,1.4,1\n6.4,3.2,4.5,1.5,1\n6.3,3.3,6.0,2.5,2\n",
         5, 5, "sepal_length|sepal_width|petal_length|petal_width|target", "||||", "5.1|3.5|1.4|0.2|0",
         "6.3|3.3|6.0|2.5|2"},
        {"count line right above the data",
         "150,4,setosa,versicolor,virginica\n5.1,3.5,1.4,0.2,0\n4.9,3.0,1.4,0.2,0\n7.0,3.2,4.7,1.4,1\n"
         "6.4,3.2,4.5,1.5,1\n6.3,3.3,6.0,2.5,2\n",
         5, 5, "||||", "||||", "5.1|3.5|1.4|0.2|0", "6.3|3.3|6.0|2.5|2"},
        {"names in single quotes", "'time' 'volt'\n0 1.5\n1 1.7\n2 1.9\n3 2.1\n4 2.3\n", 5, 2, "time|volt", "|", "0|1.5",
         "4|2.3"},
        {"data lines end in the delimiter", "time\tvolt\ttemp\n0\t1.5\t20\t\n1\t1.7\t21\t\n2\t1.9\t22\t\n3\t2.1\t23\t\n", 4,
         3, "time|volt|temp", "||", "0|1.5|20", "3|2.1|23"},
        {"section after the data", "x,y\n1,2\n2,4\n3,6\n4,8\n5,10\nLabels\nlow\nhigh\nmedium\n", 5, 2, "x|y", "|", "1|2",
         "5|10"},
        {"rows continued with a backslash", "x,y,z,w\n1,2,\\\n3,4\n5,6,7,8\n9,10,\\\n11,12\n13,14,15,16\n17,18,19,20\n", 5,
         4, "x|y|z|w", "|||", "1|2|3|4", "17|18|19|20"},
        {"a preamble line ending in a backslash continues nothing", "data in C:\\run2\\\nx,y,z\n1,2,3\n4,5,6\n7,8,9\n", 3,
         3, "x|y|z", "||", "1|2|3", "7|8|9"},
        {"units line below the names", "time,volt\ns,V\n0,1.5\n1,1.7\n2,1.9\n3,2.1\n", 4, 2, "time|volt", "s|V", "0|1.5",
         "3|2.1"},
        {"names over units, none for the row labels",
         "          volt     current\n            V           A\n\n  a:1     1.5     0.2\n  a:2     1.7     0.3\n"
         "  a:3     1.9     0.4\n  a:4     2.1     0.5\n  a:5     2.3     0.6\n",
         5, 3, "|volt|current", "|V|A", "a:1|1.5|0.2", "a:5|2.3|0.6"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        DataSet ds;
        loadProposed(ds, dir, "shape.txt", c.text);
        EXPECT_EQ(ds.Layout.DataRowCount, c.rows) << c.shape;
        EXPECT_EQ(ds.Layout.ColumnCount, c.columns) << c.shape;
        EXPECT_EQ(texts(ds.Layout.ColumnNames, ds.Layout.ColumnCount), c.names) << c.shape;
        EXPECT_EQ(texts(ds.Layout.ColumnLabels, ds.Layout.ColumnCount), c.labels) << c.shape;
        EXPECT_EQ(row(ds, 1), c.firstRow) << c.shape;
        EXPECT_EQ(row(ds, ds.Layout.DataRowCount), c.lastRow) << c.shape;
        for (int k = 2; k <= ds.Layout.ColumnCount; ++k) EXPECT_TRUE(ds.Layout.ColumnIsNumeric[k]) << c.shape << " " << k;
    }
}

// A continued row and a section after the data survive a save: unchanged lines as they stood, an
// edited continued row as one line, and the file reads back as the same table.
TEST(SmallShapes, ContinuedRowsAndATrailingSectionSurviveASave) {
    test::TempDir dir;
    const std::string text = "x,y,z\n1,2,\\\n3\n4,5,6\n7,\\\n8,\\\n9\n10,11,12\nLabels\nlow\nhigh\n";
    DataSet ds;
    loadProposed(ds, dir, "data.csv", text);
    ASSERT_EQ(ds.Layout.DataRowCount, 4);
    ASSERT_TRUE(ds.Layout.Reading.continuedLines);
    std::string saved = DataFileText(ds);
    EXPECT_EQ(saved, "x,y,z\r\n1,2,\\\r\n3\r\n4,5,6\r\n7,\\\r\n8,\\\r\n9\r\n10,11,12\r\nLabels\r\nlow\r\nhigh\r\n");

    ds.Table.Cells.setCell(2, 3, "80");
    saved = DataFileText(ds);
    EXPECT_NE(saved.find("\r\n7,80,9\r\n10,11,12\r\nLabels\r\nlow\r\nhigh\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("1,2,\\\r\n3\r\n"), std::string::npos) << saved;
    const ReadBackDifference difference = CompareReadBack(ds, saved);
    EXPECT_FALSE(difference.found) << ReadBackSentence(difference);
}
