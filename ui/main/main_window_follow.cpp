// Following the shown file: rows appended to it join the table as they arrive, a file rewritten
// or replaced is read afresh, and the status bar says how the following goes.
#include "main_window.h"

#include "curve_chart.h"
#include "data_grid_model.h"
#include "data_grid_view.h"
#include "file_follower.h"
#include "layout.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
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

void MainWindow::resumeFollowing() {
    if (!follower_) return;
    follower_->setFollowing(ds_.Settings.FollowFile && !ds_.File.CurrentFileName.empty());
    showFollowState({});
}

void MainWindow::showFollowState(const QString& given) {
    QString state = given;
    if (state.isEmpty() && ds_.Settings.FollowFile && follower_->refused())
        state = QStringLiteral("Not following: a compressed file cannot be read as it grows");
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
        refreshShownFileEntry();
        showFollowState(QStringLiteral("Following %1 last line %2")
                            .arg(QChar(0x00B7), QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
        break;
    case Growth::Reload:
        if (!result.tooLarge.empty()) {
            // Not read: the table stays as it is, edits included; a reload is the user's choice.
            follower_->setFollowing(false);
            showFollowState(QStringLiteral("Not following: the file changed too much to be read as it grows"));
            showError(QStringLiteral("\"%1\" is no longer followed: %2. The table keeps the rows it shows.")
                          .arg(QFileInfo(QString::fromStdString(ds_.File.CurrentFileName)).fileName(),
                               QString::fromStdString(result.tooLarge)));
            break;
        }
        reloadFollowedFile(result);
        break;
    case Growth::Vanished:
        showFollowState(QStringLiteral("Following %1 the file is gone").arg(QChar(0x00B7)));
        break;
    }
}

void MainWindow::reloadFollowedFile(const GrowthResult& result) {
    const QString path = QString::fromStdString(ds_.File.CurrentFileName);
    if (ds_.isModified()) {
        // The file is not looked at while the question is open or the table is saved elsewhere.
        follower_->setFollowing(false);
        const QString what = result.replaced
                                 ? QStringLiteral("\"%1\" was replaced on disk: another program wrote a new file under its name.")
                                 : QStringLiteral("\"%1\" changed on disk so that it must be read afresh.");
        const Answer answer = askYesNoCancel(
            what.arg(QFileInfo(path).fileName()) +
            QStringLiteral(" The table has unsaved changes; saving them under that name would overwrite the file on disk.\n\n"
                           "Yes: save the edited table under another name (Save...), then show the file on disk.\n"
                           "No: discard the changes and show the file on disk.\n"
                           "Cancel: keep the edited table; the file is no longer followed."));
        if (answer == Answer::Cancel || (answer == Answer::Yes && !saveEditsElsewhere())) {
            showFollowState(QStringLiteral("Not following: the file changed on disk"));
            return;
        }
    }
    // A file caught short (truncated, or new and still being written) is no reason for a message
    // box: the status bar says so and following goes on until the file holds data.
    QStringList notices;
    {
        heldNotices_ = &notices;
        const auto release = qScopeGuard([this] { heldNotices_ = nullptr; });
        openFile(path);
    }
    if (!follower_->following()) watchShownFile();
    if (!notices.isEmpty()) {
        const bool tooShort = ds_.Layout.ColumnCount == 0 && notices.contains(QString::fromLatin1(kMsgTooFewData));
        showFollowState(QStringLiteral("Following %1 %2")
                            .arg(QChar(0x00B7), tooShort ? QStringLiteral("the file is too short yet") : notices.join(QStringLiteral("; "))));
    }
}

bool MainWindow::saveEditsElsewhere() {
    const QFileInfo followed(QString::fromStdString(ds_.File.CurrentFileName));
    const QString suffix = followed.suffix().isEmpty() ? QString() : QStringLiteral(".") + followed.suffix();
    saveDialog1_->setDirectory(followed.absolutePath());
    saveDialog1_->selectFile(followed.absolutePath() + QStringLiteral("/") + followed.completeBaseName() +
                             QStringLiteral(" (edited)") + suffix);
    if (saveDialog1_->exec() != QDialog::Accepted || saveDialog1_->selectedFiles().isEmpty()) return false;
    return writeTableTo(QFileInfo(saveDialog1_->selectedFiles().constFirst()).absoluteFilePath().toStdString());
}

MainWindow::FollowedSave MainWindow::confirmSaveOverFollowedFile(const std::string& path) {
    const QFileInfo target(QString::fromStdString(path));
    if (!target.exists() || !isShownFile(path)) return FollowedSave::Write;
    // The file changed since the table took it (another window saved over it, a program wrote
    // to it): saving would write over that change.
    const std::string change = DiskChange(follower_->asRead(), DiskStampOf(path));
    if (!ds_.Settings.FollowFile) {
        if (change.empty()) return FollowedSave::Write;
        if (!askYesNo(QStringLiteral("\"%1\" changed on disk since the table was read: %2. Saving would replace it with "
                                     "the table, and that change would be lost.\n\nSave anyway?")
                          .arg(target.fileName(), QString::fromStdString(change)),
                      true))
            return FollowedSave::Declined;
        follower_->takeDiskStateAsRead();
        return FollowedSave::Write;
    }
    // A save puts a new file in place of the old one: a program holding the old one open goes on
    // writing into a file nobody sees any more, and bytes the table did not take would be lost.
    const bool openForWriting = FileOpenForWriting(path);
    if (!openForWriting && change.empty()) return FollowedSave::Write;
    const QString why = openForWriting ? QStringLiteral("a program holds it open for writing")
                                       : QStringLiteral("it changed on disk since the table was read (%1)")
                                             .arg(QString::fromStdString(change));
    if (!askYesNo(QStringLiteral("\"%1\" is followed, and %2: a logger may still be writing to it. Saving would replace "
                                 "the file, and what that program writes afterwards would be lost.\n\n"
                                 "Save the table under another name instead (Save...)?")
                      .arg(target.fileName(), why)))
        return FollowedSave::Declined;
    return SaveAsDialog() ? FollowedSave::SavedElsewhere : FollowedSave::Declined;
}

} // namespace varnotile
