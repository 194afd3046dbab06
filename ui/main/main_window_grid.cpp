// Data grid of the main window: header row, selection and pointer handling.
#include "main_window.h"

#include "command_table.h"

#include "data_grid_model.h"
#include "data_grid_view.h"
#include "deletion.h"

#include <QAction>
#include <QFontInfo>
#include <QTimer>

#include <algorithm>

namespace varnotile {


// Per-column flags and texts have slots 0..fieldSlots(); a column outside them (the pointer off
// the cells) has none of the properties.
bool MainWindow::inSlots(int k) const { return k >= 0 && k <= ds_.fieldSlots(); }

void MainWindow::PrepareDataGrid() {
    for (int k = 1; k <= kCurveCount; ++k) ds_.View.CurveVisible[k] = true;
    const QFont font = gridData_->font();
    ds_.Layout.ColumnNames[0] = "Row";
    const int points = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
    ds_.View.HeaderLineHeight = points + 5;
    resetHeaderHeight();
}

void MainWindow::resetHeaderHeight() { gridData_->setHeaderRowHeight(6 * ds_.View.HeaderLineHeight); }

void MainWindow::RefreshHeaderRow() {
    // The row-number column shows its row range as its minimum and maximum.
    ds_.Table.ColumnMin[0] = 1;
    ds_.Table.ColumnMax[0] = ds_.Layout.DataRowCount;
    gridData_->setHeaderRowHeight(ds_.View.HeaderLineHeight * (ds_.Layout.HeaderLineCount + 4) + 1);
    gridData_->repaintHeaderRow();
}

GridRect MainWindow::gridSelection() const { return gridData_->gridSelection(); }

void MainWindow::setSelectionRect(const GridRect& rect) {
    ds_.Pointer.SelectionRect = rect;
    gridData_->setGridSelection(rect);
}

int MainWindow::commandColumn() const {
    const GridRect sel = gridSelection();
    const bool oneColumnWide = sel.Left == sel.Right && (sel.Top == 0 || sel.Bottom > sel.Top);
    return oneColumnWide ? sel.Left : ds_.Pointer.SelectedColumn;
}

MainWindow::EditCommandStates MainWindow::editCommandStates() const {
    const GridRect sel = gridSelection();
    const int columns = gridData_->gridColumnCount();
    EditCommandStates states;
    // Whole rows whose top row holds data.
    if (sel.Left == 0 && sel.Right == columns && sel.Top > 0 && !ds_.Table.Cells.cell(1, sel.Top).empty())
        states.remove = true;
    // A whole data column that is not the X column and holds data.
    if (sel.Top == 0 && sel.Left == sel.Right && sel.Left > 0 && inSlots(sel.Left) &&
        sel.Left != ds_.View.XColumn && !ds_.Table.Cells.cell(sel.Left, 1).empty()) {
        states.remove = true;
        if (ds_.Layout.ColumnIsNumeric[sel.Left]) states.modify = true;
    }
    // Several rows of one numeric data column.
    if (sel.Top > 0 && sel.Bottom > sel.Top && sel.Left == sel.Right && sel.Left > 0 && inSlots(sel.Left) &&
        ds_.Layout.ColumnIsNumeric[sel.Left])
        states.modify = true;
    states.undo = ds_.UndoCount() > 0;
    states.redo = ds_.Journal.canRedo();
    // The key deletes every row a range two or more columns wide covers, whatever its top row
    // holds, so that many rows go with one key press; one column wide it obeys the menu.
    states.deleteKey = states.remove || (sel.Left != sel.Right &&
                                         ClassifySelection(ds_, sel).kind == DeletionTarget::Kind::Rows);
    return states;
}

void MainWindow::menuEditClick() {
    for (const CommandEntry& command : commandTable())
        if (command.allowed && qstrcmp(command.menu, "menuEdit") == 0)
            actions_.at(command.objectName)->setEnabled((this->*command.allowed)());
}

void MainWindow::enableHeaderCommands(int k) {
    if (!inSlots(k)) return;
    const auto slot = static_cast<std::size_t>(k);
    if (ds_.Layout.ColumnIsNumeric[slot] && ds_.View.CurveVisible[slot] && k != ds_.View.XColumn) {
        menuSetAsX_->setEnabled(true);
        pmenuSetAsX_->setEnabled(true);
        if (k > 0) {
            for (QAction* a : {menuHide_, pmenuHide_, menuColor_, pmenuColor_, pmenuDelete_, pmenuModify_, menuDelete_,
                               menuModify_})
                a->setEnabled(true);
        }
    }
    if (ds_.Layout.ColumnIsNumeric[slot] && !ds_.View.CurveVisible[slot]) {
        menuShow_->setEnabled(true);
        pmenuShow_->setEnabled(true);
    }
}

void MainWindow::SGridDataMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int column, int row) {
    const GridRect before = gridSelection();
    ds_.Pointer.SelectedColumn = column;
    ds_.Pointer.PressRow = row;
    for (QAction* a : {pmenuShow_, pmenuHide_, pmenuColor_, pmenuSetAsX_, pmenuDelete_, pmenuModify_, menuShow_,
                       menuHide_, menuColor_, menuSetAsX_})
        a->setEnabled(false);

    if (row > 0 && column > 0) {
        // A data cell: a single-cell selection follows the press; a range stays.
        const GridRect sel = gridSelection();
        if (sel.Left == sel.Right && sel.Top == sel.Bottom) setSelectionRect({column, row, column, row});
    } else if (row == 0 && column >= 0) {
        // The header row: the whole column, from the header row down.
        setSelectionRect({column, 0, column, gridData_->gridRowCount()});
        enableHeaderCommands(column);
    } else if (column == 0 && row > 0 && button == Qt::LeftButton) {
        const int columns = gridData_->gridColumnCount();
        const bool wholeRows = before.Left == 0 && before.Right == columns && before.Top > 0;
        if (shift.testFlag(Qt::ShiftModifier) && wholeRows) {
            // Shift+press on a row number: the rows from where the selection started to this one.
            // The anchor counts only while it is still an edge of the selection.
            if (rowAnchor_ != before.Top && rowAnchor_ != before.Bottom) rowAnchor_ = before.Top;
            setSelectionRect({0, std::min(rowAnchor_, row), columns, std::max(rowAnchor_, row)});
            ds_.Pointer.PressRow = rowAnchor_; // a drag goes on from the anchor
        } else {
            // A row number: that whole row.
            rowAnchor_ = row;
            setSelectionRect({0, row, columns, row});
        }
    }

    const GridRect sel = gridSelection();
    if (sel.Left == 0 && sel.Right == gridData_->gridColumnCount() && button == Qt::RightButton)
        pmenuDelete_->setEnabled(true);
    UpdateCaptionAndStatus();
}

void MainWindow::SGridDataMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int column, int row) {
    ds_.Pointer.SelectedColumn = column;
    ds_.Pointer.HoverRow = row;
    const Qt::KeyboardModifiers held =
        shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (ds_.Pointer.SelectionRect.Left == 0 && column == 0 && ds_.Pointer.PressRow > 0 &&
        buttons == Qt::LeftButton && held == Qt::NoModifier) {
        GridRect rect = ds_.Pointer.SelectionRect;
        rect.Left = 0;
        rect.Right = gridData_->gridColumnCount();
        timer1_->stop();
        if (ds_.Pointer.HoverRow > ds_.Pointer.PressRow) {
            rect.Top = ds_.Pointer.PressRow;
            rect.Bottom = ds_.Pointer.HoverRow;
        } else if (ds_.Pointer.HoverRow > 0 && ds_.Pointer.HoverRow < ds_.Pointer.PressRow) {
            rect.Top = ds_.Pointer.HoverRow;
            rect.Bottom = ds_.Pointer.PressRow;
        }
        // At the last fully shown row (or below it) or at the first shown row the range keeps
        // growing while the pointer rests there.
        // Scrolled to its end, the rows stand half a row higher: a pointer resting where the
        // last whole row was stands on the row above the last one, and still means "further down".
        const int first = gridData_->firstVisibleRow();
        const int lowest = gridData_->fullyVisibleRowCount() - (gridData_->scrolledToEnd() ? 1 : 0);
        if (ds_.Pointer.HoverRow - first + 1 >= lowest || ds_.Pointer.HoverRow == first)
            timer1_->start();
        setSelectionRect(rect);
    }
    UpdateCaptionAndStatus();
}

void MainWindow::SGridDataMouseUp() { timer1_->stop(); }

void MainWindow::Timer1Timer() {
    if (work_.busy()) return; // a load or save owns the data set
    GridRect rect = ds_.Pointer.SelectionRect;
    if (ds_.Pointer.HoverRow > ds_.Pointer.PressRow && rect.Bottom < ds_.Layout.DataRowCount) {
        ds_.Pointer.HoverRow += 1;
        gridData_->setFirstVisibleRow(gridData_->firstVisibleRow() + 1);
        rect.Bottom += 1;
    }
    if (ds_.Pointer.HoverRow < ds_.Pointer.PressRow && ds_.Pointer.HoverRow > 1 && rect.Top > 1) {
        ds_.Pointer.HoverRow -= 1;
        gridData_->setFirstVisibleRow(gridData_->firstVisibleRow() - 1);
        rect.Top -= 1;
    }
    setSelectionRect(rect);
    UpdateCaptionAndStatus();
}

} // namespace varnotile
