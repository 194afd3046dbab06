// Column numbers and statistics.
#include "loader.h"
#include "statistics.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <memory>

using namespace varnotile;

namespace {

// Data sets cannot be moved, so they are handed out on the heap.
std::unique_ptr<DataSet> loaded(const std::string& bytes) {
    static varnotile::test::TempDir dir;
    auto owner = std::make_unique<DataSet>();
    DataSet& ds = *owner;
    ds.File.CurrentFileName = dir.write("s.csv", bytes);
    LoadDataFile(ds);
    return owner;
}

} // namespace

TEST(Statistics, EmptyAndNonNumericCellsCountAsZero) {
    auto dsOwner = loaded("5,-3\n,-8\n7,x\n1,-4\n2,-5\n");
    DataSet& ds = *dsOwner;
    EXPECT_EQ(ds.Table.ColumnMin[1], 0);
    EXPECT_EQ(ds.Table.ColumnMax[1], 7);
    EXPECT_EQ(ds.Table.ColumnAbsMax[1], 7);
    EXPECT_EQ(ds.Table.ColumnMin[2], -8);
    EXPECT_EQ(ds.Table.ColumnMax[2], 0); // "x" counts as 0
    EXPECT_EQ(ds.Table.ColumnAbsMax[2], 8);
}

TEST(Statistics, AllZerosAndColumnsBeyondTheFile) {
    auto dsOwner = loaded("0,0\n0,0\n0,0\n0,0\n0,0\n");
    DataSet& ds = *dsOwner;
    EXPECT_EQ(ds.Table.ColumnAbsMax[1], 1.0);
    EXPECT_EQ(ds.Table.ColumnMin[7], 0);
    EXPECT_EQ(ds.Table.ColumnMax[7], 0);
    EXPECT_EQ(ds.Table.ColumnAbsMax[7], 1.0);
}

TEST(Statistics, NoRowsKeepsThePercentBaseNonZero) {
    auto dsOwner = loaded("1,2\n3,4\n5,6\n7,8\n9,10\n");
    DataSet& ds = *dsOwner;
    ds.Layout.DataRowCount = 0;
    ComputeColumnStatistics(ds);
    for (int k = 1; k <= 10; ++k) EXPECT_EQ(ds.Table.ColumnAbsMax[k], 1.0);
}

TEST(Statistics, FollowAnEditedCell) {
    auto dsOwner = loaded("1,2\n3,4\n5,6\n7,8\n9,10\n");
    DataSet& ds = *dsOwner;
    ds.Table.Cells.setCell(2, 3, "-100");
    FillValuesFromGrid(ds);
    ComputeColumnStatistics(ds);
    EXPECT_EQ(ds.Table.ColumnMin[2], -100);
    EXPECT_EQ(ds.Table.ColumnAbsMax[2], 100);
    EXPECT_EQ(ds.Table.ColumnMax[1], 9); // other columns keep their results
}

TEST(Statistics, ForeignDecimalSeparatorCountsAsZero) {
    static varnotile::test::TempDir dir;
    DataSet ds;
    ds.DecimalSeparator = ',';
    ds.Layout.ListSeparator = ";";
    ds.File.CurrentFileName = dir.write("c.csv", "1,5;2.5\n2,5;3.5\n3,5;4.5\n4,5;5.5\n5,5;6.5\n");
    LoadDataFile(ds);
    EXPECT_EQ(ds.Table.ColumnMax[1], 5.5);
    EXPECT_FALSE(ds.Layout.ColumnIsNumeric[2]);
}
