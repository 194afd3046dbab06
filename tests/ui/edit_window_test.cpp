// Cell editing, undo keys and Delete through the main window.
#include "dialog_recorder.h"
#include "main_window.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

struct EditWindow {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    QTableView* grid = nullptr;
    EditWindow() {
        w.setDialogResponder(&recorder);
        std::string s = "a,b,c\n";
        for (int r = 1; r <= 10; ++r) s += std::to_string(r) + "," + std::to_string(10 * r) + ",w" + std::to_string(r) + "\n";
        w.openFile(QString::fromStdString(dir.write("e.csv", s)));
        grid = w.findChild<QTableView*>(QStringLiteral("SGridData"));
    }
    DataSet& ds() { return w.dataSet(); }
    std::string cell(int c, int r) { return std::string(ds().Table.Cells.cell(c, r)); }
    void key(int k, Qt::KeyboardModifiers mods) {
        QKeyEvent press(QEvent::KeyPress, k, mods);
        QApplication::sendEvent(grid, &press);
    }
    // Opens the grid's editor on cell (column, row) as a user would, with the window shown.
    QLineEdit* openEditor(int column, int row) {
        w.show();
        const QModelIndex index = grid->model()->index(row - 1, column - 1);
        grid->setCurrentIndex(index);
        grid->edit(index);
        return grid->viewport()->findChild<QLineEdit*>();
    }
    // Sends keys to the editor: characters as typed text, others by key code.
    static void type(QWidget* editor, const QString& keys) {
        for (const QChar c : keys) {
            QKeyEvent press(QEvent::KeyPress, c == u'\b' ? Qt::Key_Backspace : c == u'\x1b' ? Qt::Key_Escape
                                              : c == u'\n' ? Qt::Key_Return : c == u'>' ? Qt::Key_End : c.unicode(),
                            Qt::NoModifier, c.isPrint() && c != u'>' ? QString(c) : QString());
            QApplication::sendEvent(editor, &press);
        }
        QApplication::processEvents();
    }
};

} // namespace

TEST(EditWindow, TypedTextReachesCellsValuesAndTheView) {
    EditWindow t;
    ASSERT_EQ(t.ds().Layout.DataRowCount, 10);
    t.w.SGridDataSelectCell(2, 3);
    t.w.SGridDataSetEditText(2, 3, QStringLiteral("4"));
    t.w.SGridDataSetEditText(2, 3, QStringLiteral("450"));
    EXPECT_EQ(t.cell(2, 3), "450");
    EXPECT_EQ(t.ds().Table.Values[2][3], 450);
    EXPECT_EQ(t.ds().Table.ColumnMax[2], 450);
    EXPECT_EQ(t.ds().UndoCount(), 1);
    EXPECT_EQ(t.grid->model()->index(2, 1).data().toString(), QStringLiteral("450"));
    // Escape reports the text from before the edit: the value follows it back and nothing is
    // left to undo.
    t.w.SGridDataSetEditText(2, 3, QStringLiteral("30"));
    EXPECT_EQ(t.ds().Table.Values[2][3], 30);
    EXPECT_EQ(t.ds().UndoCount(), 0);
    // Reports outside the table are ignored.
    t.w.SGridDataSetEditText(-1, 3, QStringLiteral("1"));
    t.w.SGridDataSetEditText(4, 3, QStringLiteral("1"));
    t.w.SGridDataSetEditText(11, 3, QStringLiteral("1"));
    t.w.SGridDataSetEditText(1, 11, QStringLiteral("1"));
    EXPECT_EQ(t.ds().UndoCount(), 0);
}

TEST(EditWindow, CtrlZUndoesCtrlShiftZDoesNot) {
    EditWindow t;
    t.w.SGridDataSetEditText(1, 1, QStringLiteral("7"));
    t.w.SGridDataSetEditText(1, 2, QStringLiteral("8"));
    ASSERT_EQ(t.ds().UndoCount(), 2);
    t.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    t.key(Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(t.ds().UndoCount(), 2);
    EXPECT_EQ(t.cell(1, 2), "8");
    t.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(t.ds().UndoCount(), 1);
    EXPECT_EQ(t.cell(1, 2), "2");
    EXPECT_EQ(t.ds().Table.Values[1][2], 2);
    t.w.menuUndoClick();
    EXPECT_EQ(t.cell(1, 1), "1");
    t.w.menuUndoClick(); // empty journal
    EXPECT_EQ(t.ds().UndoCount(), 0);
}

// Redo follows the Edit menu's own items; Ctrl+Shift+Z and Ctrl+Y make undone changes again
// while it is enabled, which is exactly while there is something to redo.
TEST(EditWindow, RedoMakesUndoneChangesAgainUntilANewChangeOrASave) {
    EditWindow t;
    QStringList order;
    for (QAction* a : t.w.findChild<QMenu*>(QStringLiteral("menuEdit"))->actions())
        order << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(order.join(QLatin1Char(' ')), QStringLiteral("menuUndo menuDelete MenuModify - menuRedo"));
    auto* redo = t.w.findChild<QAction*>(QStringLiteral("menuRedo"));
    EXPECT_EQ(redo->text().remove(QLatin1Char('&')), QStringLiteral("Redo"));
    EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                                      QKeySequence(Qt::CTRL | Qt::Key_Y)}));
    EXPECT_FALSE(redo->isEnabled());

    t.w.SGridDataSetEditText(1, 1, QStringLiteral("7"));
    t.w.SGridDataSetEditText(1, 2, QStringLiteral("8"));
    t.w.menuUndoClick();
    t.w.menuUndoClick();
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_FALSE(t.ds().isModified());
    t.w.show();
    t.w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&t.w));
    QTest::keyClick(t.grid, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(t.cell(1, 1), "7");
    EXPECT_EQ(t.ds().Table.Values[1][1], 7);
    EXPECT_TRUE(t.ds().isModified());
    QTest::keyClick(t.grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(t.cell(1, 2), "8");
    EXPECT_FALSE(redo->isEnabled());
    QTest::keyClick(t.grid, Qt::Key_Y, Qt::ControlModifier); // nothing left: nothing happens
    EXPECT_EQ(t.ds().UndoCount(), 2);

    t.w.menuUndoClick();
    ASSERT_TRUE(redo->isEnabled());
    t.w.SGridDataSetEditText(3, 1, QStringLiteral("x")); // a new change drops what was undone
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_EQ(t.cell(1, 2), "2");
    t.w.menuUndoClick();
    ASSERT_TRUE(redo->isEnabled());
    ASSERT_TRUE(t.w.SaveToCurrentFile()); // saving empties the journal
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_FALSE(t.ds().isModified());
}

TEST(EditWindow, DeletingRowsKeepsHiddenColumnsAndUndoRestoresBoth) {
    EditWindow t;
    QHeaderView* header = t.grid->horizontalHeader();
    header->resizeSection(1, 90);
    t.w.setSelectionRect(GridRect{2, 0, 2, 11});
    t.w.menuDeleteClick();
    t.w.setSelectionRect(GridRect{0, 3, 4, 5});
    t.w.menuDeleteClick();
    if (t.ds().UndoCount() < 2) GTEST_SKIP() << "the grid's selection is not wired yet";
    EXPECT_FALSE(t.ds().Layout.ColumnPresent[2]);
    EXPECT_TRUE(header->isSectionHidden(1));
    EXPECT_EQ(t.ds().Layout.DataRowCount, 7);
    EXPECT_EQ(t.grid->model()->rowCount(), 7);
    EXPECT_EQ(t.cell(1, 3), "6");
    t.w.menuUndoClick();
    EXPECT_EQ(t.ds().Layout.DataRowCount, 10);
    EXPECT_EQ(t.grid->model()->rowCount(), 10);
    EXPECT_TRUE(header->isSectionHidden(1)); // the model reset did not show the deleted column
    t.w.menuUndoClick();
    EXPECT_FALSE(header->isSectionHidden(1));
    EXPECT_EQ(header->sectionSize(1), 90);
    EXPECT_TRUE(t.ds().Layout.ColumnPresent[2]);
}

TEST(EditWindow, TypingInTheGridsEditorIsJournalledOnceAndUndone) {
    EditWindow t;
    t.w.show();
    const QModelIndex index = t.grid->model()->index(4, 0); // cell (1, 5), text "5"
    t.grid->setCurrentIndex(index);
    t.grid->edit(index);
    auto* editor = t.grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    for (const char* digit : {"1", "2"}) {
        QKeyEvent press(QEvent::KeyPress, digit[0] == '1' ? Qt::Key_1 : Qt::Key_2, Qt::NoModifier, QString::fromLatin1(digit));
        QApplication::sendEvent(editor, &press);
    }
    EXPECT_EQ(t.cell(1, 5), "12");
    EXPECT_EQ(t.ds().Table.Values[1][5], 12);
    EXPECT_EQ(t.ds().Table.ColumnMax[1], 12);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    QApplication::processEvents();
    EXPECT_EQ(t.ds().UndoCount(), 1);
    t.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(t.cell(1, 5), "5");
    EXPECT_EQ(t.ds().Table.Values[1][5], 5);
    EXPECT_EQ(t.ds().Table.ColumnMax[1], 10);
    EXPECT_EQ(t.ds().UndoCount(), 0);
}

// A text longer than a line edit takes by default comes through the editor whole.
TEST(EditWindow, EditorKeepsAHundredThousandCharacterCell) {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    w.setDialogResponder(&recorder);
    const std::string longText(100000, 'w');
    std::string file = "a,b,c\n1,10," + longText + "\n";
    for (int r = 2; r <= 10; ++r) file += std::to_string(r) + ",0,x\n";
    w.openFile(QString::fromStdString(dir.write("long.csv", file)));
    ASSERT_EQ(std::string(w.dataSet().Table.Cells.cell(3, 1)), longText);
    w.show();
    auto* grid = w.findChild<QTableView*>(QStringLiteral("SGridData"));
    const QModelIndex index = grid->model()->index(0, 2);
    grid->setCurrentIndex(index);
    grid->edit(index);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EditWindow::type(editor, QStringLiteral(">z\n"));
    EXPECT_EQ(std::string(w.dataSet().Table.Cells.cell(3, 1)), longText + "z");
    EXPECT_EQ(w.dataSet().UndoCount(), 1);
}

// An edit that ends with the cell's former text leaves no journal entry, no unsaved change and
// the number, statistics and header as before; Undo stays disabled.
TEST(EditWindow, EditEndingAtTheFormerTextLeavesNothingToUndo) {
    const struct {
        const char* keys; // '>' End, '\b' Backspace, '\x1b' Escape, '\n' Enter
        const char* what;
    } cases[] = {{"4\x1b", "cancelled"}, {"45\b\b30\n", "typed back"}, {">\b0\n", "typed back at the end"}};
    for (const auto& c : cases) {
        EditWindow t;
        QLineEdit* editor = t.openEditor(2, 3); // "30"
        ASSERT_NE(editor, nullptr) << c.what;
        editor->selectAll();
        EditWindow::type(editor, QString::fromLatin1(c.keys));
        EXPECT_EQ(t.cell(2, 3), "30") << c.what;
        EXPECT_FALSE(t.ds().Table.Cells.isEdited(2, 3)) << c.what;
        EXPECT_EQ(t.ds().UndoCount(), 0) << c.what;
        EXPECT_EQ(t.ds().Table.Values[2][3], 30) << c.what;
        EXPECT_EQ(t.ds().Table.ColumnMax[2], 100) << c.what;
        t.w.menuEditClick();
        EXPECT_FALSE(t.w.findChild<QAction*>(QStringLiteral("menuUndo"))->isEnabled()) << c.what;
    }
}

// A range of cells two or more columns wide, made with Shift and the arrow keys, loses its rows
// to the Delete key, though the Edit menu offers no Delete for it; one column wide it stays.
TEST(EditWindow, DeleteKeyDeletesTheRowsOfARangeTwoColumnsWide) {
    EditWindow t;
    t.grid->setCurrentIndex(t.grid->model()->index(2, 0)); // cell (1, 3)
    t.key(Qt::Key_Down, Qt::ShiftModifier);
    t.key(Qt::Key_Down, Qt::ShiftModifier);
    t.key(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(t.ds().Layout.DataRowCount, 10);
    EXPECT_TRUE(t.ds().Layout.ColumnPresent[1]);
    t.key(Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(t.w.gridSelection(), (GridRect{1, 3, 2, 5}));
    t.w.menuEditClick();
    EXPECT_FALSE(t.w.findChild<QAction*>(QStringLiteral("menuDelete"))->isEnabled());
    t.key(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(t.ds().Layout.DataRowCount, 7);
    EXPECT_EQ(t.cell(1, 3), "6");
}

// The Delete key deletes only what Edit > Delete would: never the X column.
TEST(EditWindow, DeleteKeyObeysTheEditMenusDelete) {
    EditWindow t;
    auto* deleteItem = t.w.findChild<QAction*>(QStringLiteral("menuDelete"));
    t.w.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 1, 0);
    t.w.menuSetAsXClick();
    ASSERT_EQ(t.ds().View.XColumn, 1);
    const struct {
        int column;
        bool deletes;
    } cases[] = {{1, false}, {2, true}};
    for (const auto& c : cases) {
        t.w.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, c.column, 0);
        t.w.menuEditClick();
        EXPECT_EQ(deleteItem->isEnabled(), c.deletes) << c.column;
        t.key(Qt::Key_Delete, Qt::NoModifier);
        EXPECT_EQ(t.ds().Layout.ColumnPresent[c.column], !c.deletes) << c.column;
        EXPECT_EQ(t.grid->horizontalHeader()->isSectionHidden(c.column - 1), c.deletes) << c.column;
    }
}

// Typing a date into a date cell: the half-typed text is shown as not yet a date beside the
// editor, with no message box; the whole date is taken; a wrong text is refused once, on Enter.
TEST(EditWindow, ADateCellIsJudgedWhenCommittedNotAtEveryKeystroke) {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    w.setDialogResponder(&recorder);
    w.dataSet().Settings.Reading.datesAndTimes = true;
    std::string s = "time,v\n";
    for (int d = 10; d <= 16; ++d) s += "2026-11-" + std::to_string(d) + ",1\n";
    w.openFile(QString::fromStdString(dir.write("d.csv", s)));
    ASSERT_NE(w.dataSet().Layout.ColumnTime[1], TimeKind::None);
    auto* grid = w.findChild<QTableView*>(QStringLiteral("SGridData"));
    w.show();
    const struct {
        const char* typed;
        bool commit;
        const char* cell;    // the cell's text afterwards
        bool problemShown;   // the editor tells why the text is not a date yet
        int notices;
    } cases[] = {
        {"2026-12-0", false, "2026-11-10", true, 0},
        {"2026-12-01", true, "2026-12-01", false, 0},
        {"2026-12-04x", true, "2026-12-04", true, 1},
    };
    for (const auto& c : cases) {
        const QModelIndex index = grid->model()->index(0, 0);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->clear();
        QTest::keyClicks(editor, QString::fromLatin1(c.typed));
        EXPECT_EQ(!editor->toolTip().isEmpty(), c.problemShown) << c.typed;
        if (c.commit) QTest::keyClick(editor, Qt::Key_Return);
        else QTest::keyClick(editor, Qt::Key_Escape);
        QTest::qWait(50); // the editor commits on a queued call
        EXPECT_EQ(std::string(w.dataSet().Table.Cells.cell(1, 1)), c.cell) << c.typed;
        EXPECT_EQ(recorder.notices.size(), c.notices) << c.typed;
        recorder.notices.clear();
        // Each case starts from the file's first date.
        while (w.dataSet().UndoCount() > 0) w.menuUndoClick();
    }
}
