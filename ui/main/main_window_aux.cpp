// Auxiliary commands of the main window: page setup, printing, file viewer, help, about.
#include "main_window.h"

namespace varnotile {

void MainWindow::createAuxDialogs() {}
void MainWindow::menuPageSetupClick() {}
void MainWindow::menuPrintClick() {}
void MainWindow::menuViewFileClick() {}
void MainWindow::menuContentsClick() {}
void MainWindow::menuAboutClick() {}

} // namespace varnotile
