// Selection by pointer in the data grid: cell and row-number presses, dragging whole rows with
// the auto-scroll, right presses that keep a range, the program's selection rectangle, and the
// column the column commands act on.
#include "dialog_recorder.h"
#include "data_grid_view.h"
#include "main_window.h"
#include "test_files.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

namespace varnotile {
namespace {

std::string table(int count) {
    std::string text = "Time,Temp,Note\ns,C,txt\n";
    for (int i = 1; i <= count; ++i)
        text += std::to_string(i) + "," + std::to_string(i * 2) + ".5,x" + std::to_string(i) + "\n";
    return text;
}

struct PointerFixture : ::testing::Test {
    test::TempDir dir;
    MainWindow window{QString::fromStdString(dir.path() + "/varnotile.INI")};
    DialogRecorder recorder;
    DataGridView* grid = nullptr;

    void SetUp() override {
        window.setDialogResponder(&recorder);
        window.resize(1000, 900);
        window.show();
        grid = window.findChild<DataGridView*>(QStringLiteral("SGridData"));
        ASSERT_NE(grid, nullptr);
    }
    void open(int rows) { window.openFile(QString::fromStdString(dir.write("data.csv", table(rows)))); }
    bool enabled(const char* name) const {
        const auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
        return action && action->isEnabled();
    }
    QTimer* timer() const { return window.findChild<QTimer*>(QStringLiteral("Timer1")); }
    // Sends a mouse event at the middle of the row-number cell of `row` (grid coordinates).
    void onRowNumber(QEvent::Type type, int row, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* numbers = grid->verticalHeader()->viewport();
        const QPoint pos(10, grid->verticalHeader()->sectionViewportPosition(row - 1) + 8);
        QMouseEvent event(type, pos, numbers->mapToGlobal(pos), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(numbers, &event);
    }
    void pressCell(int column, int row, Qt::MouseButton button) {
        const QRect rect = grid->visualRect(grid->model()->index(row - 1, column - 1));
        QMouseEvent event(QEvent::MouseButtonPress, rect.center(), grid->viewport()->mapToGlobal(rect.center()),
                          button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(grid->viewport(), &event);
    }
};

TEST_F(PointerFixture, DraggingRowNumbersSelectsWholeRows) {
    open(40);
    const int columns = grid->gridColumnCount();
    ASSERT_EQ(columns, 4);
    onRowNumber(QEvent::MouseButtonPress, 5, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 5, columns, 5}));
    onRowNumber(QEvent::MouseMove, 9, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 5, columns, 9}));
    onRowNumber(QEvent::MouseMove, 5, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 5, columns, 9}));
    onRowNumber(QEvent::MouseMove, 3, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 3, columns, 5}));
    EXPECT_EQ(window.dataSet().Pointer.SelectionRect, (GridRect{0, 3, columns, 5}));
    onRowNumber(QEvent::MouseButtonRelease, 3, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(timer()->isActive());

    // The Edit menu and a right press offer deletion of the rows, and the rows stay selected.
    window.menuEditClick();
    EXPECT_TRUE(enabled("menuDelete"));
    pressCell(2, 12, Qt::RightButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 3, columns, 5}));
    EXPECT_TRUE(enabled("PMenuDelete"));
    EXPECT_FALSE(enabled("PMenuModify"));
    onRowNumber(QEvent::MouseButtonPress, 7, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 3, columns, 5}));
    EXPECT_TRUE(enabled("PMenuDelete"));
}

TEST_F(PointerFixture, AutoScrollStopsAtTheLastDataRow) {
    open(60);
    const int last = grid->firstVisibleRow() + grid->fullyVisibleRowCount() - 1;
    ASSERT_LT(last, 55);
    onRowNumber(QEvent::MouseButtonPress, 50 - 48 + 2, Qt::LeftButton, Qt::LeftButton); // row 4
    onRowNumber(QEvent::MouseMove, last, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(window.gridSelection().Bottom, last);
    for (int tick = 0; tick < 100; ++tick) window.Timer1Timer();
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 4, 4, 60}));
    EXPECT_GT(grid->firstVisibleRow(), 1);
    onRowNumber(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(timer()->isActive());

    // Upward the range grows to row 1 and no further.
    grid->setFirstVisibleRow(20);
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 0, 30);
    window.SGridDataMouseMove(Qt::LeftButton, Qt::NoModifier, 0, 20);
    EXPECT_TRUE(timer()->isActive());
    for (int tick = 0; tick < 100; ++tick) window.Timer1Timer();
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 1, 4, 30}));
    window.SGridDataMouseUp();
}

// A pointer resting at the bottom while the grid scrolls to its end stands on the row above the
// last one there (the rows move up by the cut-off top row); the range still reaches the last row.
TEST_F(PointerFixture, AutoScrollDownwardsReachesTheLastRowWithThePointerResting) {
    open(100);
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    const int first = grid->firstVisibleRow();
    ASSERT_EQ(first + grid->fullyVisibleRowCount() - 1, 100);
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 0, first + 1);
    for (int tick = 0; tick < 5; ++tick) {
        window.SGridDataMouseMove(Qt::LeftButton, Qt::NoModifier, 0, 99); // where the pointer rests
        ASSERT_TRUE(timer()->isActive());
        window.Timer1Timer();
    }
    EXPECT_EQ(window.gridSelection().Bottom, 100);
    window.SGridDataMouseUp();
}

TEST_F(PointerFixture, AutoScrollUpwardsFromTheEndOfTheGrid) {
    open(200);
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
    // The top row of the grid scrolled to its end may be cut off; the first row shown whole is
    // the first visible row.
    const int first = grid->firstVisibleRow();
    QHeaderView* numbers = grid->verticalHeader();
    EXPECT_GE(numbers->sectionViewportPosition(first - 1), 0);
    EXPECT_EQ(first + grid->fullyVisibleRowCount() - 1, 200);
    onRowNumber(QEvent::MouseButtonPress, 198, Qt::LeftButton, Qt::LeftButton);
    onRowNumber(QEvent::MouseMove, first, Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(timer()->isActive());
    window.Timer1Timer();
    EXPECT_EQ(window.gridSelection(), (GridRect{0, first - 1, 4, 198}));
    EXPECT_EQ(grid->firstVisibleRow(), first - 1);
    onRowNumber(QEvent::MouseButtonRelease, first - 1, Qt::LeftButton, Qt::NoButton);
}

TEST_F(PointerFixture, ShiftPressOnARowNumberExtendsWholeRowsFromWhereTheyStarted) {
    open(40);
    const int columns = grid->gridColumnCount();
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 0, 10);
    window.SGridDataMouseDown(Qt::LeftButton, Qt::ShiftModifier, 0, 30);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 10, columns, 30}));
    window.SGridDataMouseDown(Qt::LeftButton, Qt::ShiftModifier, 0, 4);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 4, columns, 10}));
    // Without whole rows selected, Shift+press selects the pressed row alone.
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 2, 0);
    window.SGridDataMouseDown(Qt::LeftButton, Qt::ShiftModifier, 0, 7);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 7, columns, 7}));
}

TEST_F(PointerFixture, RightPressKeepsAColumnAndMovesASingleCell) {
    open(20);
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 2, 0);
    ASSERT_EQ(window.gridSelection(), (GridRect{2, 0, 2, 21}));
    pressCell(1, 4, Qt::RightButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{2, 0, 2, 21}));
    for (const char* name : {"PMenuShow", "PMenuHide", "PMenuColor", "PMenuSetAsX", "PMenuDelete", "PMenuModify"})
        EXPECT_FALSE(enabled(name)) << name;

    pressCell(2, 4, Qt::LeftButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{2, 4, 2, 4}));
    pressCell(3, 6, Qt::RightButton);
    EXPECT_EQ(window.gridSelection(), (GridRect{3, 6, 3, 6}));
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(5, 2));
}

TEST_F(PointerFixture, SelectionRectangleRoundTrip) {
    open(20);
    for (const GridRect rect : {GridRect{2, 0, 2, 21}, GridRect{0, 0, 0, 21}, GridRect{0, 4, 4, 9},
                                GridRect{3, 7, 3, 7}, GridRect{1, 2, 1, 8}}) {
        window.setSelectionRect(rect);
        EXPECT_EQ(window.gridSelection(), rect);
        EXPECT_EQ(window.dataSet().Pointer.SelectionRect, rect);
    }
    // The cells of a whole column are selected in the view.
    window.setSelectionRect({2, 0, 2, 21});
    EXPECT_EQ(grid->selectionModel()->selectedIndexes().size(), 20);
    // Keyboard navigation changes the grid's selection but not the program's rectangle.
    grid->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    grid->setCurrentIndex(grid->model()->index(4, 0));
    QCoreApplication::sendEvent(grid, &down);
    EXPECT_EQ(window.gridSelection(), (GridRect{1, 6, 1, 6}));
    EXPECT_EQ(window.dataSet().Pointer.SelectionRect, (GridRect{2, 0, 2, 21}));
}

TEST_F(PointerFixture, ColumnCommandsActOnThePressedColumn) {
    open(20);
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 2, 0);
    // On the way to the menu bar the pointer crosses column 3 and leaves the cells.
    window.SGridDataMouseMove(Qt::NoButton, Qt::NoModifier, 3, 5);
    EXPECT_EQ(window.dataSet().Pointer.SelectedColumn, 3);
    window.SGridDataMouseMove(Qt::NoButton, Qt::NoModifier, -1, -1);
    EXPECT_EQ(window.dataSet().Pointer.SelectedColumn, -1);
    EXPECT_EQ(window.gridSelection(), (GridRect{2, 0, 2, 21}));
    EXPECT_EQ(window.commandColumn(), 2);

    window.setSelectionRect({1, 3, 1, 9});
    EXPECT_EQ(window.commandColumn(), 1);
    window.setSelectionRect({0, 3, 4, 9});
    EXPECT_EQ(window.commandColumn(), -1);
    window.SGridDataMouseMove(Qt::NoButton, Qt::NoModifier, 3, 5);
    EXPECT_EQ(window.commandColumn(), 3);
}

TEST_F(PointerFixture, PressesBeyondTheTableAreHarmless) {
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 11, 0); // before any load
    window.SGridDataMouseMove(Qt::LeftButton, Qt::NoModifier, 0, 9);
    window.Timer1Timer();
    window.menuEditClick();
    open(5);
    window.SGridDataMouseDown(Qt::RightButton, Qt::NoModifier, 15, 0);
    EXPECT_EQ(window.dataSet().Pointer.SelectedColumn, 15);
    window.menuEditClick();
    EXPECT_FALSE(enabled("menuDelete"));
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 0, 3);
    window.SGridDataMouseMove(Qt::LeftButton, Qt::NoModifier, 0, 5);
    for (int tick = 0; tick < 10; ++tick) window.Timer1Timer();
    EXPECT_EQ(window.gridSelection().Bottom, 5);
    window.SGridDataMouseUp();
}

} // namespace
} // namespace varnotile
