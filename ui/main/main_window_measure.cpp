// Measuring commands of the main window: Tracker, Cursors, Statistics (View menu).
#include "main_window.h"

#include "data_grid_view.h"
#include "measure_controller.h"

#include <QAction>
#include <QItemSelectionModel>

namespace varnotile {

void MainWindow::createMeasure() {
    measure_ = new MeasureController(this, ds_, chart_, [this] { return gridSelection(); }, &work_);
    if (QItemSelectionModel* selection = gridData_->selectionModel())
        connect(selection, &QItemSelectionModel::selectionChanged, measure_, &MeasureController::selectionChanged);
    // The tracker as the settings file remembers it.
    actions_.at("menuTracker")->setChecked(ds_.Settings.ShowTracker);
    measure_->setTrackerShown(ds_.Settings.ShowTracker);
}

void MainWindow::menuTrackerClick() {
    ds_.Settings.ShowTracker = actions_.at("menuTracker")->isChecked();
    measure_->setTrackerShown(ds_.Settings.ShowTracker);
}

void MainWindow::menuCursorsClick() { measure_->setCursorsShown(actions_.at("menuCursors")->isChecked()); }

void MainWindow::menuStatisticsClick() { measure_->setStatisticsShown(actions_.at("menuStatistics")->isChecked()); }

} // namespace varnotile
