// The journal as one history: every command undoes to a fresh load and redoes to what it did,
// the clean point tells the unsaved changes, and rows a followed file appends stay through any
// mix of edits, deletions, undo, redo and saves.
#include "cell_editing.h"
#include "deletion.h"
#include "follow.h"
#include "loader.h"
#include "modification.h"
#include "data_writer.h"
#include "test_files.h"
#include "undo_journal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <random>

using namespace varnotile;

namespace {

void load(DataSet& ds, const std::string& path) {
    ds.File.CurrentFileName = path;
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
}

// Everything a command may touch: texts, numbers, statistics, rows, columns.
std::string tableOf(const DataSet& ds) {
    std::string t = std::to_string(ds.Layout.DataRowCount) + " rows; present";
    for (int k = 1; k <= ds.Layout.ColumnCount; ++k) t += ds.Layout.ColumnPresent[k] ? " y" : " n";
    t += "\n";
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        for (int k = 1; k <= ds.Layout.ColumnCount; ++k) {
            t.append(ds.Table.Cells.cell(k, r)).append(ds.Table.Cells.isEdited(k, r) ? "*=" : "=");
            t += std::to_string(ds.value(k, r)) + "|";
        }
        t += "\n";
    }
    for (int k = 1; k <= 10; ++k)
        t += std::to_string(ds.Table.ColumnMin[k]) + ".." + std::to_string(ds.Table.ColumnMax[k]) + " ";
    return t;
}

std::string rowsFrom(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += std::to_string(i) + ",w" + std::to_string(i) + "," + std::to_string(i * 7 % 13) + "." + std::to_string(i % 4) + "\n";
    return s;
}

void append(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary | std::ios::app) << bytes; }

} // namespace

TEST(History, EveryCommandUndoesToAFreshLoadAndRedoesWhatItDid) {
    struct Case {
        const char* name;
        std::function<void(DataSet&)> command;
    };
    ModifyRequest linear;
    linear.factor = "2";
    linear.offset = "1";
    linear.fromRow = 2;
    linear.toRow = 9;
    const std::vector<Case> cases = {
        {"number edited", [](DataSet& ds) { EditCell(ds, 3, 4, "99"); }},
        {"typing into one cell", [](DataSet& ds) { for (const char* t : {"", "-", "-4", "-45"}) EditCell(ds, 3, 4, t); }},
        {"word edited", [](DataSet& ds) { EditCell(ds, 2, 1, "other"); }},
        {"column deleted", [](DataSet& ds) { DeleteColumn(ds, 2, 80); }},
        {"rows deleted", [](DataSet& ds) { DeleteRows(ds, 3, 6); }},
        {"last rows deleted", [](DataSet& ds) { DeleteRows(ds, 8, 10); }},
        {"column modified", [&](DataSet& ds) { ApplyModification(ds, 3, PlanModification(ds, linear)); }},
    };
    test::TempDir dir;
    const std::string path = dir.write("h.csv", "n,w,v\n" + rowsFrom(1, 10));
    DataSet fresh;
    load(fresh, path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DataSet ds;
        load(ds, path);
        c.command(ds);
        const std::string done = tableOf(ds);
        ASSERT_NE(done, tableOf(fresh));
        EXPECT_EQ(ds.UndoCount(), 1);
        EXPECT_TRUE(ds.isModified());
        for (int round = 0; round < 2; ++round) {
            EXPECT_TRUE(UndoLast(ds));
            EXPECT_EQ(tableOf(ds), tableOf(fresh));
            EXPECT_FALSE(ds.isModified());
            EXPECT_TRUE(ds.Journal.canRedo());
            EXPECT_TRUE(RedoNext(ds));
            EXPECT_EQ(tableOf(ds), done);
            EXPECT_TRUE(ds.isModified());
            EXPECT_FALSE(RedoNext(ds));
        }
    }
}

TEST(History, TheCleanPointTellsUnsavedChangesAndANewChangeDropsTheRedo) {
    std::string s = "a,b\n";
    for (int r = 1; r <= 210; ++r) s += std::to_string(r) + ",0\n";
    test::TempDir dir;
    DataSet ds;
    load(ds, dir.write("c.csv", s));
    EditCell(ds, 2, 1, "1");
    EditCell(ds, 2, 2, "1");
    UndoLast(ds);
    EXPECT_TRUE(ds.isModified());
    UndoLast(ds);
    EXPECT_FALSE(ds.isModified()); // back where it was loaded
    RedoNext(ds);
    EXPECT_TRUE(ds.isModified());
    EditCell(ds, 2, 3, "1"); // a new change: (2, 2) cannot be redone any more
    EXPECT_FALSE(ds.Journal.canRedo());
    EXPECT_EQ(ds.UndoCount(), 2);
    EXPECT_EQ(ds.Table.Cells.cell(2, 2), "0");

    ds.Journal.clear(); // saved
    EXPECT_FALSE(ds.isModified());
    EXPECT_FALSE(UndoLast(ds));
    // Beyond the limit the saved state fell out of the journal: undoing all that is left does
    // not reach it.
    for (int r = 1; r <= 201; ++r) EditCell(ds, 2, r, "5");
    EXPECT_EQ(ds.UndoCount(), 200);
    while (UndoLast(ds)) EXPECT_TRUE(ds.isModified());
    EXPECT_EQ(ds.Table.Cells.cell(2, 1), "5");
    // Typing back the entry that made room brings the dropped one (and the saved state) back.
    ds.Journal.clear();
    for (int r = 1; r <= 200; ++r) EditCell(ds, 2, r, "6");
    EditCell(ds, 2, 201, "7");
    EditCell(ds, 2, 201, "0");
    EXPECT_EQ(ds.UndoCount(), 200);
    while (UndoLast(ds)) {}
    EXPECT_FALSE(ds.isModified());
}

// Rows appended after a deletion take the slots it freed; undo must keep their numbers, and a
// number the user typed into the open last line stays once the logger completes that line.
TEST(History, AppendedRowsKeepTheirNumbersAndEditsOfTheOpenLineCount) {
    test::TempDir dir;
    const std::string path = dir.write("f.csv", "n,w,v\n" + rowsFrom(1, 10) + "11,w11,3");
    DataSet ds;
    load(ds, path);
    FollowWatch watch = WatchLoadedFile(ds);
    EditCell(ds, 3, 11, "250");
    DeleteRows(ds, 3, 5);
    append(path, ".5\n" + rowsFrom(12, 13));
    ASSERT_EQ(FollowGrowth(ds, watch).kind, Growth::Appended);
    EXPECT_EQ(ds.value(3, 8), 250);
    EXPECT_EQ(ds.Table.ColumnMax[3], 250);
    UndoLast(ds);
    ASSERT_EQ(ds.Layout.DataRowCount, 13);
    EXPECT_EQ(ds.value(1, 12), 12);
    EXPECT_EQ(ds.value(1, 13), 13);
    EXPECT_EQ(ds.Table.ColumnMax[1], 13);
    UndoLast(ds);
    EXPECT_EQ(ds.Table.Cells.cell(3, 11), "3.5");
    EXPECT_EQ(ds.value(3, 11), 3.5);
    RedoNext(ds);
    RedoNext(ds);
    EXPECT_EQ(ds.Layout.DataRowCount, 10);
    EXPECT_EQ(ds.value(3, 8), 250);
    EXPECT_EQ(ds.value(1, 10), 13);
}

// A logger appends, truncates and rotates its file while the user edits, deletes, undoes, redoes
// and saves. After every step the table is a fresh read of the file with the user's changes on
// it, and every line the logger wrote is there unless the user deleted it.
TEST(History, FollowedAppendsInterleavedWithEditsUndoRedoAndSaves) {
    // The user's view of the table: the file line each row shows, the cells edited in it, and
    // the columns still present.
    struct Row {
        int line;
        std::map<int, std::string> edits;
    };
    struct View {
        std::vector<Row> rows;
        std::vector<bool> present = std::vector<bool>(4, true);
        int editedColumn = 0, editedRow = 0; // the cell the newest done step edited (edits of it merge)
    };
    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
        test::TempDir dir;
        const std::string path = dir.path() + "/log.csv";
        int next = 1;     // the logger's next line number
        int openLine = 0; // the line the logger has not ended yet
        // The logger starts a file; its last line may still be open.
        auto startFile = [&](bool rename) {
            const int from = next;
            next += 6 + static_cast<int>(random() % 4);
            std::string bytes = "n,w,v\n" + rowsFrom(from, next - 1);
            openLine = 0;
            if (chance(50)) {
                openLine = next++;
                bytes += std::to_string(openLine) + ",w" + std::to_string(openLine) + "," + std::to_string(openLine % 9);
            }
            std::ofstream(path + ".new", std::ios::binary | std::ios::trunc) << bytes;
            if (rename) {
                std::rename(path.c_str(), (path + ".1").c_str());
                ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
            } else {
                std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
                std::remove((path + ".new").c_str());
            }
        };

        DataSet ds;
        FollowWatch watch;
        View view;
        std::vector<int> lines; // the rows without the user's deletions: every data line read
        std::vector<View> undone, redoable; // the views before each undoable and after each redoable step
        int cleanDepth = 0;
        auto reload = [&] {
            load(ds, path);
            watch = WatchLoadedFile(ds);
            view = View{};
            lines.clear();
            for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
                lines.push_back(static_cast<int>(ds.Table.Cells.rowId(r)));
                view.rows.push_back({lines.back(), {}});
            }
            undone.clear();
            redoable.clear();
            cleanDepth = 0;
        };
        auto check = [&](const std::string& step) {
            SCOPED_TRACE(step);
            DataSet fresh;
            load(fresh, path);
            std::map<int, int> rowOfLine;
            std::vector<int> freshLines;
            for (int r = 1; r <= fresh.Layout.DataRowCount; ++r) {
                freshLines.push_back(static_cast<int>(fresh.Table.Cells.rowId(r)));
                rowOfLine[freshLines.back()] = r;
            }
            ASSERT_EQ(lines, freshLines) << "a line the logger wrote is missing or doubled";
            ASSERT_EQ(ds.Layout.DataRowCount, static_cast<int>(view.rows.size()));
            for (int k = 1; k <= 3; ++k) ASSERT_EQ(ds.Layout.ColumnPresent[k], view.present[static_cast<std::size_t>(k)]) << k;
            for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
                const Row& row = view.rows[static_cast<std::size_t>(r - 1)];
                ASSERT_EQ(ds.Table.Cells.rowId(r), static_cast<CellTable::RowId>(row.line)) << "row " << r;
                ASSERT_TRUE(rowOfLine.count(row.line)) << "line " << row.line << " is not in the file";
                for (int k = 1; k <= 3; ++k) {
                    const auto edit = row.edits.find(k);
                    const std::string expected =
                        edit != row.edits.end() ? edit->second : std::string(fresh.Table.Cells.cell(k, rowOfLine[row.line]));
                    ASSERT_EQ(ds.Table.Cells.cell(k, r), expected) << "cell " << k << "," << r;
                    if (k != 2) ASSERT_EQ(ds.value(k, r), ds.cellNumber(expected)) << "number " << k << "," << r;
                }
            }
            for (const int k : {1, 3}) {
                double lo = INFINITY, hi = -INFINITY;
                for (int r = 1; r <= ds.Layout.DataRowCount; ++r) lo = std::min(lo, ds.value(k, r)), hi = std::max(hi, ds.value(k, r));
                if (ds.Layout.DataRowCount > 0) ASSERT_EQ(ds.Table.ColumnMin[k], lo) << k;
                if (ds.Layout.DataRowCount > 0) ASSERT_EQ(ds.Table.ColumnMax[k], hi) << k;
            }
            ASSERT_EQ(ds.UndoCount(), static_cast<int>(undone.size()));
            ASSERT_EQ(ds.Journal.canRedo(), !redoable.empty());
            ASSERT_EQ(ds.isModified(), cleanDepth != static_cast<int>(undone.size()));
        };
        auto record = [&](View before) {
            if (cleanDepth > static_cast<int>(undone.size())) cleanDepth = -1;
            undone.push_back(std::move(before));
            redoable.clear();
        };

        startFile(false);
        reload();
        for (int step = 0; step < 300; ++step) {
            const int action = static_cast<int>(random() % 100);
            const std::string name = "step " + std::to_string(step) + " action " + std::to_string(action);
            if (action < 20) { // the logger writes (and completes an open line)
                const int from = next;
                next += 1 + static_cast<int>(random() % 3);
                append(path, (openLine ? std::string(".5\n") : std::string()) + rowsFrom(from, next - 1));
                openLine = 0;
            } else if (action < 23) {
                startFile(chance(50)); // truncated and rewritten, or rotated
            } else if (action < 50 && !view.rows.empty()) {
                const int r = 1 + static_cast<int>(random() % view.rows.size());
                const int k = 1 + static_cast<int>(random() % 3);
                const std::string text = std::to_string(random() % 500) + ".25";
                const bool merges = !undone.empty() && view.editedColumn == k && view.editedRow == r;
                if (merges || ds.Table.Cells.cell(k, r) == text) continue;
                View before = view;
                ASSERT_TRUE(EditCell(ds, k, r, text));
                view.rows[static_cast<std::size_t>(r - 1)].edits[k] = text;
                view.editedColumn = k;
                view.editedRow = r;
                record(std::move(before));
            } else if (action < 60 && view.rows.size() >= 8) { // a saved file keeps enough rows to load
                const int top = 1 + static_cast<int>(random() % view.rows.size());
                const int bottom = std::min(top + static_cast<int>(random() % 3), static_cast<int>(view.rows.size()));
                View before = view;
                ASSERT_TRUE(DeleteRows(ds, top, bottom));
                view.rows.erase(view.rows.begin() + top - 1, view.rows.begin() + bottom);
                view.editedColumn = view.editedRow = 0;
                record(std::move(before));
            } else if (action < 63) {
                const int k = 2 + static_cast<int>(random() % 2);
                // A file saved with one column is laid out another way; two stay.
                if (!view.present[2] || !view.present[3]) continue;
                View before = view;
                ASSERT_TRUE(DeleteColumn(ds, k, 64));
                view.present[static_cast<std::size_t>(k)] = false;
                view.editedColumn = view.editedRow = 0;
                record(std::move(before));
            } else if (action < 78) {
                if (undone.empty()) continue;
                ASSERT_TRUE(UndoLast(ds));
                redoable.push_back(view);
                view = undone.back();
                undone.pop_back();
            } else if (action < 90) {
                if (redoable.empty()) continue;
                ASSERT_TRUE(RedoNext(ds));
                undone.push_back(view);
                view = redoable.back();
                redoable.pop_back();
            } else if (action < 95) {
                // Saving writes the table over the file (deleted rows and columns are gone from
                // it) and empties the journal; following then reads the new file afresh.
                std::vector<std::string> shown;
                for (int r = 1; r <= ds.Layout.DataRowCount; ++r)
                    for (int k = 1; k <= 3; ++k)
                        if (view.present[static_cast<std::size_t>(k)]) shown.emplace_back(ds.Table.Cells.cell(k, r));
                ASSERT_EQ(SaveDataFile(ds, path, false), "");
                ds.Journal.clear();
                openLine = 0; // the save ended it
                ASSERT_EQ(FollowGrowth(ds, watch).kind, Growth::Reload) << name;
                reload();
                std::vector<std::string> read;
                for (int r = 1; r <= ds.Layout.DataRowCount; ++r)
                    for (int k = 1; k <= ds.Layout.ColumnCount; ++k) read.emplace_back(ds.Table.Cells.cell(k, r));
                ASSERT_EQ(read, shown) << name;
                if (ds.Layout.ColumnCount != 3) startFile(false); // the logger writes three columns
            } else {
                continue;
            }
            const int linesBefore = ds.File.LineCount;
            const GrowthResult growth = FollowGrowth(ds, watch);
            if (growth.kind == Growth::Reload) {
                reload(); // the table had unsaved changes: the user answered No
            } else if (growth.kind == Growth::Appended) {
                // New lines become rows after every row of every state the user can step to.
                for (int line = linesBefore + 1; line <= ds.File.LineCount; ++line) {
                    lines.push_back(line);
                    view.rows.push_back({line, {}});
                    for (View& v : undone) v.rows.push_back({line, {}});
                    for (View& v : redoable) v.rows.push_back({line, {}});
                }
            }
            check(name);
            if (HasFatalFailure()) return;
        }
    }
}
