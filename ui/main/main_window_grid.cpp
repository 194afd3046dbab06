// Data grid of the main window: header row, selection and pointer handling.
#include "main_window.h"

#include "data_grid_view.h"

namespace varnotile {

void MainWindow::PrepareDataGrid() {}
void MainWindow::RefreshHeaderRow() {}
GridRect MainWindow::gridSelection() const { return {}; }
int MainWindow::commandColumn() const { return ds_.SelectedColumn; }
void MainWindow::setSelectionRect(const GridRect& rect) { ds_.SelectionRect = rect; }
void MainWindow::menuEditClick() {}
void MainWindow::SGridDataMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void MainWindow::SGridDataMouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {}
void MainWindow::SGridDataMouseUp() {}
void MainWindow::Timer1Timer() {}

} // namespace varnotile
