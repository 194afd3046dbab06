// The undo journal: cell edits, the four kinds of entry reversed newest first, the entry limit.
#include "cell_editing.h"
#include "change_recorder.h"
#include "deletion.h"
#include "loader.h"
#include "modification.h"
#include "test_files.h"
#include "undo_journal.h"

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

void load(DataSet& ds, const std::string& bytes) {
    static varnotile::test::TempDir dir;
    static int serial = 0;
    ds.File.CurrentFileName = dir.write("j" + std::to_string(++serial) + ".csv", bytes);
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
}

// Ten rows of three columns: n, 10*n, a word.
std::string tenRows() {
    std::string s = "n,t,w\n";
    for (int r = 1; r <= 10; ++r) s += std::to_string(r) + "," + std::to_string(10 * r) + ",w" + std::to_string(r) + "\n";
    return s;
}

std::string cell(const DataSet& ds, int c, int r) { return std::string(ds.Table.Cells.cell(c, r)); }

} // namespace

TEST(Journal, TypingIntoOneCellMakesOneEntryAndUndoRestoresTextAndValue) {
    DataSet ds;
    load(ds, tenRows());
    ASSERT_TRUE(ds.Layout.ColumnIsNumeric[1]);
    // The editor reports "1" then "12" over a cell that showed 5.
    EXPECT_TRUE(EditCell(ds, 1, 5, "1"));
    varnotile::test::ChangeRecorder changes(ds);
    EditCell(ds, 1, 5, "12");
    EXPECT_EQ(changes.take(), "cells 1 5-5; statistics 1; finished");
    EXPECT_EQ(ds.UndoCount(), 1);
    EXPECT_EQ(ds.Table.Values[1][5], 12);
    EXPECT_EQ(ds.Table.ColumnMax[1], 12);
    // The commit reports the same text again: nothing more.
    EXPECT_FALSE(EditCell(ds, 1, 5, "12"));
    EXPECT_EQ(changes.take(), "");
    EXPECT_EQ(ds.UndoCount(), 1);

    UndoLast(ds);
    EXPECT_EQ(ds.UndoCount(), 0);
    EXPECT_EQ(cell(ds, 1, 5), "5");
    EXPECT_FALSE(ds.Table.Cells.isEdited(1, 5));
    EXPECT_EQ(ds.Table.Values[1][5], 5);
    EXPECT_EQ(ds.Table.ColumnMax[1], 10);
    EXPECT_FALSE(UndoLast(ds)); // empty journal
}

TEST(Journal, ValueFollowsTheTextAlsoWhenEmptiedOrTypedBack) {
    DataSet ds;
    load(ds, tenRows());
    EditCell(ds, 2, 3, "");
    EXPECT_EQ(ds.Table.Values[2][3], 0);
    EditCell(ds, 2, 3, "3");
    EXPECT_EQ(ds.Table.Values[2][3], 3);
    EditCell(ds, 2, 3, "30");
    EXPECT_EQ(ds.Table.Values[2][3], 30);
    EXPECT_EQ(ds.UndoCount(), 0); // typed back: nothing left to undo
    EXPECT_FALSE(ds.Table.Cells.isEdited(2, 3));
    EditCell(ds, 2, 3, "");
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 2, 3), "30");
    EXPECT_EQ(ds.Table.Values[2][3], 30);
}

TEST(Journal, EditsOfOtherCellsAndWordColumnsMakeTheirOwnEntries) {
    DataSet ds;
    load(ds, tenRows());
    EditCell(ds, 1, 1, "7");
    EditCell(ds, 3, 1, "changed");
    EditCell(ds, 1, 1, "8"); // back to the first cell: a new entry, the newest names (3, 1)
    EXPECT_EQ(ds.UndoCount(), 3);
    EXPECT_EQ(ds.Table.Values[3].size(), 0u); // the word column has no numbers
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 1, 1), "7");
    EXPECT_EQ(ds.Table.Values[1][1], 7);
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 3, 1), "w1");
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 1, 1), "1");
    EXPECT_EQ(ds.Table.Values[1][1], 1);
}

TEST(Journal, CellsOutsideTheTableAreIgnored) {
    DataSet ds;
    load(ds, tenRows());
    EXPECT_FALSE(EditCell(ds, -1, 1, "x"));
    EXPECT_FALSE(EditCell(ds, 0, 1, "x"));
    EXPECT_FALSE(EditCell(ds, 4, 1, "x"));
    EXPECT_FALSE(EditCell(ds, 11, 1, "x"));
    EXPECT_FALSE(EditCell(ds, 1, 11, "x"));
    EXPECT_EQ(ds.UndoCount(), 0);
}

TEST(Journal, AllFourKindsAreReversedNewestFirst) {
    DataSet ds;
    load(ds, tenRows());
    EditCell(ds, 2, 2, "99");                       // 1: cell edit
    DeleteColumn(ds, 3, 71);                        // 2: column deletion
    DeleteRows(ds, 4, 6);                           // 3: row deletion
    ModifyRequest req;
    req.factor = "2";
    req.offset = "0";
    req.fromRow = 1;
    req.toRow = 7;
    ApplyModification(ds, 1, PlanModification(ds, req)); // 4: modification
    ASSERT_EQ(ds.UndoCount(), 4);
    EXPECT_EQ(ds.Layout.DataRowCount, 7);
    EXPECT_EQ(cell(ds, 1, 4), "14");

    UndoLast(ds); // the modification
    EXPECT_EQ(cell(ds, 1, 4), "7");
    EXPECT_EQ(ds.Table.Values[1][4], 7);
    varnotile::test::ChangeRecorder changes(ds);
    UndoLast(ds); // the rows
    EXPECT_EQ(changes.take(), "inserted 4-6; statistics 0; finished");
    EXPECT_EQ(ds.Layout.DataRowCount, 10);
    for (int r = 1; r <= 10; ++r) {
        EXPECT_EQ(cell(ds, 1, r), std::to_string(r));
        EXPECT_EQ(ds.Table.Values[1][static_cast<std::size_t>(r)], r);
    }
    EXPECT_FALSE(ds.Layout.ColumnPresent[3]);
    UndoLast(ds); // the column
    EXPECT_TRUE(ds.Layout.ColumnPresent[3]);
    EXPECT_EQ(changes.take(), "shown 3 71; finished");
    UndoLast(ds); // the cell
    EXPECT_EQ(cell(ds, 2, 2), "20");
    EXPECT_EQ(ds.Table.Values[2][2], 20);
    EXPECT_EQ(ds.UndoCount(), 0);
}

TEST(Journal, HoldsAtMost200EntriesDroppingTheOldest) {
    std::string s = "a,b\n";
    for (int r = 1; r <= 250; ++r) s += std::to_string(r) + ",0\n";
    DataSet ds;
    load(ds, s);
    for (int r = 1; r <= 205; ++r) EditCell(ds, 2, r, "1");
    EXPECT_EQ(ds.UndoCount(), 200);
    EXPECT_EQ(ds.Journal.undoCount(), 200);
    while (ds.UndoCount() > 0) UndoLast(ds);
    // The five oldest edits fell out of the journal and stay.
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(cell(ds, 2, r), "1") << r;
    for (int r = 6; r <= 205; ++r) EXPECT_EQ(cell(ds, 2, r), "0") << r;
}

TEST(Journal, CellsHoldingTheDelimiterComeBackUnchanged) {
    DataSet ds;
    load(ds, tenRows());
    EditCell(ds, 3, 5, "a,b,c");
    EditCell(ds, 1, 6, "1,5"); // not a number with '.' as separator: value 0
    EXPECT_EQ(ds.Table.Values[1][6], 0);
    DeleteRows(ds, 4, 7);
    ModifyRequest req;
    req.factor = "3";
    req.offset = "1";
    req.fromRow = 1;
    req.toRow = 10;
    ApplyModification(ds, 1, PlanModification(ds, req));
    UndoLast(ds);
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 3, 5), "a,b,c");
    EXPECT_EQ(cell(ds, 1, 6), "1,5");
    EXPECT_EQ(cell(ds, 2, 6), "60");
    EXPECT_EQ(cell(ds, 1, 8), "8");
    EXPECT_EQ(ds.Table.Values[1][6], 0);
    EXPECT_EQ(ds.Table.Values[1][8], 8);
}

TEST(Journal, ZeroCountFromASaveEmptiesTheJournal) {
    DataSet ds;
    load(ds, tenRows());
    EditCell(ds, 1, 1, "5");
    EditCell(ds, 1, 2, "5");
    ds.Journal.clear(); // what saving does
    EXPECT_FALSE(UndoLast(ds));
    EditCell(ds, 1, 3, "5");
    EXPECT_EQ(ds.UndoCount(), 1);
    EXPECT_EQ(ds.Journal.undoCount(), 1);
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 1, 1), "5"); // the saved edits stay
}

TEST(Journal, KeystrokesCommitEscapeAndRetypingMakeOneWayBackToTheFirstText) {
    DataSet ds;
    load(ds, tenRows());
    varnotile::test::ChangeRecorder changes(ds);
    // Each keystroke's text reaches the data set, which journals it from the cell's present text.
    EditCell(ds, 1, 5, "1");
    EXPECT_EQ(changes.take(), "cells 1 5-5; statistics 1; finished");
    EditCell(ds, 1, 5, "12");
    EXPECT_EQ(ds.Table.Values[1][5], 12);
    changes.take();
    EXPECT_FALSE(EditCell(ds, 1, 5, "12")); // the commit: nothing more
    EXPECT_EQ(changes.take(), "");
    EXPECT_EQ(ds.UndoCount(), 1);
    EditCell(ds, 1, 5, "5"); // Escape: back to the text from before
    EXPECT_EQ(ds.Table.Values[1][5], 5);
    EXPECT_EQ(ds.UndoCount(), 0);
    EditCell(ds, 1, 5, "6");
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 1, 5), "5");
    EXPECT_EQ(ds.Table.Values[1][5], 5);
    EXPECT_EQ(ds.UndoCount(), 0);
}

TEST(Journal, UndoPutsBackTheFileTextOrTheEditedOne) {
    DataSet ds;
    load(ds, tenRows());
    // Undo of an edit over the file text "5" shows the file text again, not an edited copy of it.
    EditCell(ds, 1, 5, "1");
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 1, 5), "5");
    EXPECT_FALSE(ds.Table.Cells.isEdited(1, 5));
    // A cell that held an edited text gets that text back, still edited.
    EditCell(ds, 1, 6, "7");
    ds.Journal.clear(); // saved
    EditCell(ds, 1, 6, "8");
    UndoLast(ds);
    EXPECT_EQ(cell(ds, 1, 6), "7");
    EXPECT_TRUE(ds.Table.Cells.isEdited(1, 6));
}

// Edits that end where they began leave nothing behind, also across a full journal, and never
// take away an entry of an earlier change.
TEST(Journal, AnEditBackToTheOldTextTakesOnlyItsOwnEntryOut) {
    std::string s = "a,b\n";
    for (int r = 1; r <= 210; ++r) s += std::to_string(r) + ",0\n";
    DataSet ds;
    load(ds, s);
    for (int r = 1; r <= 200; ++r) EditCell(ds, 2, r, "1");
    ASSERT_EQ(ds.UndoCount(), 200);
    // A new entry made room by dropping the oldest; typing back brings that one back.
    EditCell(ds, 2, 201, "5");
    EditCell(ds, 2, 201, "0");
    EXPECT_EQ(ds.UndoCount(), 200);
    EXPECT_FALSE(ds.Table.Cells.isEdited(2, 201));
    // Consecutive changes of one cell share an entry, which goes only once the cell is back at
    // the text from before the first of them.
    EditCell(ds, 2, 200, "2");
    EditCell(ds, 2, 200, "1");
    EXPECT_EQ(ds.UndoCount(), 200);
    EditCell(ds, 2, 200, "0");
    EXPECT_EQ(ds.UndoCount(), 199);
    EXPECT_EQ(ds.Table.Values[2][200], 0);
    while (ds.UndoCount() > 0) UndoLast(ds);
    for (int r = 1; r <= 210; ++r) EXPECT_EQ(cell(ds, 2, r), "0") << r;
}
