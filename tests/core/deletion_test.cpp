// Deleting rows and columns, and which deletion a grid selection asks for.
#include "cell_editing.h"
#include "change_recorder.h"
#include "deletion.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

void load(DataSet& ds, const std::string& bytes) {
    static varnotile::test::TempDir dir;
    static int serial = 0;
    ds.File.CurrentFileName = dir.write("d" + std::to_string(++serial) + ".csv", bytes);
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
}

std::string tenRows() {
    std::string s = "a,b,c\n";
    for (int r = 1; r <= 10; ++r) s += std::to_string(r) + "," + std::to_string(100 * r) + "," + std::to_string(-r) + "\n";
    return s;
}

std::string cell(const DataSet& ds, int c, int r) { return std::string(ds.Table.Cells.cell(c, r)); }

} // namespace

TEST(Deletion, RowsThreeToFiveOfTenAndUndo) {
    DataSet ds;
    load(ds, tenRows());
    EditCell(ds, 2, 4, "4,4"); // an edited text inside the deleted rows
    varnotile::test::ChangeRecorder changes(ds);
    EXPECT_TRUE(DeleteRows(ds, 3, 5));
    EXPECT_EQ(changes.take(), "removed 3-5; statistics 0; finished");
    EXPECT_EQ(ds.Layout.DataRowCount, 7);
    EXPECT_EQ(ds.Table.Cells.rowCount(), 7);
    for (int r = 3; r <= 7; ++r) {
        EXPECT_EQ(cell(ds, 1, r), std::to_string(r + 3));
        EXPECT_EQ(ds.Table.Values[1][static_cast<std::size_t>(r)], r + 3);
        EXPECT_EQ(ds.Table.Values[2][static_cast<std::size_t>(r)], 100 * (r + 3));
    }
    EXPECT_EQ(ds.Table.Values[1][8], 0); // freed slots read 0
    EXPECT_EQ(ds.Table.ColumnMin[3], -10);
    EXPECT_EQ(ds.Table.ColumnMax[2], 1000);
    EXPECT_EQ(ds.Table.ColumnMin[2], 100);

    DeleteRows(ds, 7, 7); // the last row: the maximum goes with it
    EXPECT_EQ(ds.Table.ColumnMax[2], 900);

    UndoLast(ds);
    UndoLast(ds);
    EXPECT_EQ(ds.Layout.DataRowCount, 10);
    for (int r = 1; r <= 10; ++r) {
        EXPECT_EQ(cell(ds, 1, r), std::to_string(r));
        EXPECT_EQ(ds.Table.Values[3][static_cast<std::size_t>(r)], -r);
    }
    EXPECT_EQ(cell(ds, 2, 4), "4,4");
    EXPECT_EQ(ds.Table.Values[2][4], 0);
    EXPECT_EQ(ds.Table.ColumnMax[2], 1000);
}

TEST(Deletion, RowRangesAreClampedToTheTable) {
    DataSet ds;
    load(ds, tenRows());
    EXPECT_FALSE(DeleteRows(ds, 11, 12));
    EXPECT_FALSE(DeleteRows(ds, 5, 4));
    DeleteRows(ds, 0, 2);
    EXPECT_EQ(ds.Layout.DataRowCount, 8);
    DeleteRows(ds, 8, 99);
    EXPECT_EQ(ds.Layout.DataRowCount, 7);
    DeleteRows(ds, 1, 7); // every row
    EXPECT_EQ(ds.Layout.DataRowCount, 0);
    EXPECT_EQ(ds.Table.ColumnAbsMax[1], 1.0);
    while (ds.UndoCount()) UndoLast(ds);
    EXPECT_EQ(ds.Layout.DataRowCount, 10);
    EXPECT_EQ(cell(ds, 1, 10), "10");
}

TEST(Deletion, ColumnIsMarkedAbsentOnceAndKeepsItsData) {
    DataSet ds;
    load(ds, tenRows());
    const double min3 = ds.Table.ColumnMin[3];
    varnotile::test::ChangeRecorder changes(ds);
    EXPECT_TRUE(DeleteColumn(ds, 3, 64)); // the last column
    EXPECT_EQ(changes.take(), "hidden 3; finished");
    EXPECT_FALSE(ds.Layout.ColumnPresent[3]);
    EXPECT_EQ(ds.Table.ColumnMin[3], min3);
    EXPECT_EQ(cell(ds, 3, 2), "-2");
    // A second Delete on the hidden column, and columns outside the table, do nothing.
    EXPECT_FALSE(DeleteColumn(ds, 3, 0));
    EXPECT_FALSE(DeleteColumn(ds, 0, 64));
    EXPECT_FALSE(DeleteColumn(ds, 4, 64));
    EXPECT_EQ(changes.take(), "");
    EXPECT_EQ(ds.UndoCount(), 1);
    // The selection stays on the last column; on column 1 it moves to the next present one.
    const GridRect last{3, 0, 3, 11};
    EXPECT_EQ(SelectionAfterColumnDeletion(ds, last, 3), last);
    DeleteColumn(ds, 2, 64);
    EXPECT_EQ(SelectionAfterColumnDeletion(ds, GridRect{1, 0, 1, 11}, 1), (GridRect{1, 0, 1, 11}));
    ds.Layout.ColumnPresent[2] = true;
    EXPECT_EQ(SelectionAfterColumnDeletion(ds, GridRect{1, 0, 1, 11}, 1), (GridRect{2, 0, 2, 11}));
}

TEST(Deletion, SelectionShapes) {
    DataSet ds;
    load(ds, tenRows());
    using K = DeletionTarget::Kind;
    // A single cell deletes nothing.
    EXPECT_EQ(ClassifySelection(ds, {2, 4, 2, 4}).kind, K::Nothing);
    // A vertical range of cells, or a whole column, deletes the column.
    DeletionTarget t = ClassifySelection(ds, {3, 2, 3, 3});
    EXPECT_EQ(t.kind, K::Column);
    EXPECT_EQ(t.column, 3);
    EXPECT_EQ(ClassifySelection(ds, {2, 0, 2, 11}).column, 2);
    // A range two columns wide in row 4 deletes row 4; whole rows delete those rows.
    t = ClassifySelection(ds, {1, 4, 2, 4});
    EXPECT_EQ(t.kind, K::Rows);
    EXPECT_EQ(t.top, 4);
    EXPECT_EQ(t.bottom, 4);
    t = ClassifySelection(ds, {0, 5, 4, 9});
    EXPECT_EQ(t.kind, K::Rows);
    EXPECT_EQ(t.top, 5);
    EXPECT_EQ(t.bottom, 9);
    // The row-number column, columns outside the table and rows beyond it are left out.
    EXPECT_EQ(ClassifySelection(ds, {0, 0, 0, 11}).kind, K::Nothing);
    EXPECT_EQ(ClassifySelection(ds, {-1, 2, -1, 5}).kind, K::Nothing);
    EXPECT_EQ(ClassifySelection(ds, {11, 2, 11, 5}).kind, K::Nothing);
    EXPECT_EQ(ClassifySelection(ds, {0, 8, 4, 15}).bottom, 10);
    EXPECT_EQ(ClassifySelection(ds, {0, 11, 4, 12}).kind, K::Nothing);
}
