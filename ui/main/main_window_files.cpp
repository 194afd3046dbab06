// File commands of the main window: saving, the folder file list, settings.
#include "main_window.h"

namespace varnotile {

void MainWindow::createFilesDialogs() {}
void MainWindow::menuSaveClick() {}
void MainWindow::menuDeleteFileClick() {}
void MainWindow::SGridFilesMouseDown(int, int) {}
void MainWindow::SGridFilesSelectCell(int, int) {}
void MainWindow::menuGenOptionsClick() {}
void MainWindow::ReadSettings() {}
void MainWindow::WriteSettings() {}
bool MainWindow::FormClose() {
    WriteSettings();
    return true;
}
void MainWindow::SetFileListHeaders() {}
void MainWindow::ListFolderFiles() {}
void MainWindow::RefreshFileList() {}
bool MainWindow::SaveToCurrentFile() { return false; }
bool MainWindow::SaveAsDialog() { return false; }

} // namespace varnotile
