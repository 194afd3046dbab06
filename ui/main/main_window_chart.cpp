// Chart commands of the main window: curves, titles, colours, X column, scale, point readout.
#include "main_window.h"

#include "curve_chart.h"

namespace varnotile {

void MainWindow::createChartDialogs() {}
void MainWindow::ApplyCurveColors() {}
void MainWindow::RebuildChartTitles() {}
void MainWindow::FillCurve(int) {}
void MainWindow::FillAllCurves() {}
void MainWindow::ClearCurve(int) {}
void MainWindow::ClearAllCurves() {}
void MainWindow::ChooseCurveColor() {}
void MainWindow::ShowPointReadout(int, int) {}
void MainWindow::menuShowClick() {}
void MainWindow::menuHideClick() {}
void MainWindow::menuColorClick() {}
void MainWindow::menuSetAsXClick() {}
void MainWindow::menuYScaleClick() {}
void MainWindow::menuChartOptionsClick() {}

} // namespace varnotile
