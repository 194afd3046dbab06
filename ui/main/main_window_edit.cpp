// Editing commands of the main window: cell edits, undo, delete, modify.
#include "main_window.h"

namespace varnotile {

void MainWindow::createEditDialogs() {}
void MainWindow::SGridDataSelectCell(int, int) {}
void MainWindow::SGridDataSetEditText(int, int, const QString&) {}
void MainWindow::menuUndoClick() {}
void MainWindow::menuDeleteClick() {}
void MainWindow::MenuModifyClick() {}

} // namespace varnotile
