// Following the shown file: rows appended to it join the table as they arrive, a file rewritten
// or replaced is read afresh, and the status bar says how the following goes.
#include "main_window.h"

#include "curve_chart.h"
#include "data_grid_model.h"
#include "data_grid_view.h"
#include "file_follower.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTime>

namespace varnotile {

void MainWindow::createFollower() {
    follower_ = new FileFollower(ds_, this);
    // Nothing is read while a dialog is open or a load or save runs: they rely on the table
    // as it is. The changes wait for the next look.
    follower_->setReadGate([this] { return !work_.busy() && !QApplication::activeModalWidget(); });
    connect(follower_, &FileFollower::aboutToRead, this, &MainWindow::aboutToFollow);
    connect(follower_, &FileFollower::followed, this, &MainWindow::fileFollowed);
    followLabel_ = new QLabel(statusBar());
    followLabel_->setObjectName(QStringLiteral("FollowState"));
    followLabel_->setFrameShape(QFrame::Panel);
    followLabel_->setFrameShadow(QFrame::Sunken);
    followLabel_->hide();
    statusBar()->addPermanentWidget(followLabel_);
    menuFollowFile_->setChecked(ds_.Settings.FollowFile);
}

void MainWindow::menuFollowFileClick() {
    if (work_.busy()) return;
    ds_.Settings.FollowFile = menuFollowFile_->isChecked();
    follower_->setFollowing(ds_.Settings.FollowFile && !ds_.File.CurrentFileName.empty());
    showFollowState({});
}

void MainWindow::watchShownFile() {
    if (!follower_) return;
    follower_->fileLoaded();
    follower_->setFollowing(ds_.Settings.FollowFile && !ds_.File.CurrentFileName.empty());
    showFollowState({});
}

void MainWindow::showFollowState(const QString& state) {
    const bool shown = follower_->following() || !state.isEmpty();
    followLabel_->setVisible(shown);
    if (!state.isEmpty())
        followLabel_->setText(state);
    else if (shown)
        followLabel_->setText(QStringLiteral("Following"));
}

void MainWindow::aboutToFollow() {
    // The last row counts as shown when the grid's bottom edge lies on it or below it.
    const int bottom = gridData_->rowAt(gridData_->viewport()->height() - 1);
    lastRowShown_ = bottom < 0 || bottom >= gridModel_->rowCount() - 1;
    followReading_ = true;
}

void MainWindow::fileFollowed(const GrowthResult& result) {
    followReading_ = false;
    switch (result.kind) {
    case Growth::Unchanged:
        break;
    case Growth::Appended:
        if (result.rowChanged > 0) {
            // A last line completed: its numbers and every column's statistics changed.
            chart_->clearAllCurves();
            FillAllCurves();
            RefreshHeaderRow();
        }
        // New rows may widen a column's min and max texts: fit the columns as a load does.
        if (result.rowsAdded > 0) gridData_->fitColumnsToHeaderTexts();
        if (result.rowsAdded > 0 && lastRowShown_) {
            gridData_->doItemsLayout();
            gridData_->scrollToBottom();
        }
        showFollowState(QStringLiteral("Following %1 last line %2")
                            .arg(QChar(0x00B7), QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
        break;
    case Growth::Reload:
        reloadFollowedFile();
        break;
    case Growth::Vanished:
        showFollowState(QStringLiteral("Following %1 the file is gone").arg(QChar(0x00B7)));
        break;
    }
}

void MainWindow::reloadFollowedFile() {
    // As before "Open...": unsaved edits are offered for saving; Cancel keeps the table as it is
    // and stops following it until the next load.
    follower_->setFollowing(false);
    if (!offerToSaveChanges(true)) {
        showFollowState(QStringLiteral("Not following: the file changed"));
        return;
    }
    openFile(QString::fromStdString(ds_.File.CurrentFileName));
}

} // namespace varnotile
