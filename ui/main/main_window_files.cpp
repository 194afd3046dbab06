// File commands of the main window: saving, the folder file list, the settings file, and how
// each file is read (the settings, or the detector's proposal).
#include "main_window.h"

#include "busy_cursor.h"
#include "checked_save.h"
#include "data_writer.h"
#include "file_follower.h"
#include "folder_list.h"
#include "form_setting.h"
#include "curve_chart.h"
#include "proposal_bar.h"
#include "qt_texts.h"
#include "recent_files.h"
#include "settings_file.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>

namespace varnotile {
namespace {

constexpr const char* kSaveQuestion = "Do you want to save the changes?";

// Presses of any mouse button on the folder list's header row, as (column, row 0).
class HeaderPressFilter : public QObject {
public:
    HeaderPressFilter(QHeaderView* header, std::function<void(int)> pressed)
        : QObject(header), header_(header), pressed_(std::move(pressed)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int column = header_->logicalIndexAt(mouse->position().toPoint());
            if (column >= 0) pressed_(column);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QHeaderView* header_;
    std::function<void(int)> pressed_;
};

// The locale's long time format (with seconds) without the time zone it may carry.
QString longTimeFormat() {
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        out += c;
    }
    return out.trimmed();
}

QDateTime localTime(int64_t stamp) { return QDateTime::fromSecsSinceEpoch(stamp); }

} // namespace

void MainWindow::createFilesDialogs() {
    formSetting_ = new FormSetting(this);

    saveDialog1_ = new QFileDialog(this);
    saveDialog1_->setObjectName(QStringLiteral("SaveDialog1"));
    saveDialog1_->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog1_->setFileMode(QFileDialog::AnyFile);
    saveDialog1_->setOption(QFileDialog::DontConfirmOverwrite, false);
    saveDialog1_->setSizeGripEnabled(true);

    // The header row sorts on a press of any button; it must not select a column.
    QHeaderView* header = gridFiles_->horizontalHeader();
    header->setSectionsClickable(false);
    header->viewport()->installEventFilter(
        new HeaderPressFilter(header, [this](int column) { SGridFilesMouseDown(column, 0); }));
    connect(gridFiles_, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (row >= 0 && column >= 0) SGridFilesSelectCell(column, row + 1);
    });
}

// ---- saving

bool MainWindow::confirmSaveRisks(const std::string& path, bool& splitAccepted) {
    const SplitTexts split = [&] {
        const BusyCursor busy;
        return FindSplitTexts(ds_);
    }();
    splitAccepted = split.count > 0;
    if (split.count > 0 &&
        !askYesNo(QString::fromStdString(SplitTextsSentence(split, ds_)) + QStringLiteral(" Save anyway?"), true))
        return false;
    if (ds_.Layout.DataRowCount > 0) return true;
    const QFileInfo target(QString::fromStdString(path));
    if (!target.exists() || target.size() == 0) return true;
    return askYesNo(QStringLiteral("The table holds no data rows. Replace \"%1\" (%2 bytes) with a file without "
                                   "data? What the file holds now would be lost.")
                        .arg(target.absoluteFilePath(), QLocale().toString(target.size())),
                    true);
}

bool MainWindow::writeTableTo(const std::string& path) {
    if (work_.busy()) return false;
    std::string error;
    if (path.empty()) {
        showError(QStringLiteral("No file is shown, so there is nothing to save to. Use \"Save...\" to choose a file."));
        return false;
    }
    bool splitAccepted = false;
    if (!confirmSaveRisks(path, splitAccepted)) return false;
    // The shown file is replaced only while it stands as the table took it: what a logger
    // appends while the table is written is looked for just before the file is replaced.
    const bool shownFile = isShownFile(path);
    std::optional<DiskStamp> asRead;
    if (shownFile) asRead = QFileInfo::exists(QString::fromStdString(path)) ? follower_->asRead() : DiskStamp{};
    // The file is replaced only once the written bytes read back as the table, or the user says
    // so. Texts the user already chose to have split are not asked about twice.
    bool force = splitAccepted;
    const auto save = [&] {
        CheckedSave outcome;
        const BusyCursor busy;
        runDataSetWork(false, [&](const ProgressReport& progress) {
            outcome = SaveDataFileChecked(ds_, path, ds_.Settings.KeepFileDate, force, progress, asRead ? &*asRead : nullptr);
        });
        return outcome;
    };
    try {
        for (int attempt = 1;; ++attempt) {
            CheckedSave outcome = save();
            if (outcome.difference.found) {
                // The sentence quotes a text of the file, shown as the grid shows it.
                if (!askYesNo(displayString(ReadBackSentence(outcome.difference), ds_.File.FileIsUtf8) +
                                  QStringLiteral(" Save anyway?"),
                              true))
                    return false;
                force = true;
                outcome = save();
            }
            error = outcome.error;
            if (outcome.targetChange.empty()) break;
            // Rows a followed logger appended meanwhile join the table, which is written again.
            const DiskStamp now = DiskStampOf(path);
            const bool grew = now.exists && now.inode == asRead->inode && now.device == asRead->device && now.size > asRead->size;
            if (grew && follower_->following() && attempt < 5) {
                const GrowthResult taken = follower_->readNow();
                if (taken.kind == Growth::Reload || taken.kind == Growth::Vanished) return false; // dealt with there
                asRead = follower_->asRead();
                continue;
            }
            if (!askYesNo(QStringLiteral("\"%1\" changed on disk while the table was saved: %2. The file was left as it is.\n\n"
                                         "Replace it with the table anyway? What it got meanwhile would be lost.")
                              .arg(QFileInfo(QString::fromStdString(path)).fileName(),
                                   QString::fromStdString(outcome.targetChange)),
                          true))
                return false;
            asRead = now;
        }
    } catch (const std::bad_alloc&) {
        error = "not enough memory";
    }
    if (error.empty()) {
        if (shownFile) follower_->takeDiskStateAsRead();
        rememberWrittenReading(path);
        return true;
    }
    showError(QStringLiteral("Cannot save the file \"%1\": %2")
                  .arg(QString::fromStdString(path), QString::fromStdString(error)));
    return false;
}

bool MainWindow::isShownFile(const std::string& path) const {
    if (!follower_ || path.empty() || ds_.File.CurrentFileName.empty()) return false;
    if (path == ds_.File.CurrentFileName) return true;
    const QFileInfo target(QString::fromStdString(path)), shown(QString::fromStdString(ds_.File.CurrentFileName));
    return target.exists() && target.canonicalFilePath() == shown.canonicalFilePath();
}

void MainWindow::rememberWrittenReading(const std::string& path) {
    // The file is read next as it was written and checked: with the delimiter and reading options
    // of the table, even after General Settings changed the ones other files are read with.
    const ReadingChoice written = CurrentChoice(ds_);
    if (written == ReadingChoice{settingsSeparator(), ds_.Settings.Reading})
        readingChoices_.erase(path);
    else
        readingChoices_[path] = written;
}

bool MainWindow::SaveToCurrentFile() {
    if (const FollowedSave followed = confirmSaveOverFollowedFile(ds_.File.CurrentFileName); followed != FollowedSave::Write)
        return followed == FollowedSave::SavedElsewhere;
    const bool listWasActive = ds_.FolderList.FileListActive;
    ds_.FolderList.FileListActive = false;
    if (!writeTableTo(ds_.File.CurrentFileName)) {
        // Nothing changed: the list stays usable and the edits stay in the journal.
        ds_.FolderList.FileListActive = listWasActive;
        return false;
    }
    ds_.FolderList.ListFileCount = 0;
    ListFolderFiles();
    RefreshFileList();
    ds_.Journal.clear();
    ds_.Edit.HeaderTextsChanged = false;
    enableRedo();
    return true;
}

bool MainWindow::SaveAsDialog() {
    // A table without data rows (nothing loaded, or the file was refused) proposes no name, so
    // that accepting the dialog cannot replace the refused file by mistake.
    if (ds_.Layout.DataRowCount > 0 && !ds_.File.CurrentFileName.empty())
        saveDialog1_->selectFile(QString::fromStdString(ds_.File.CurrentFileName));
    else if (auto* name = saveDialog1_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->clear();
    if (saveDialog1_->exec() != QDialog::Accepted || saveDialog1_->selectedFiles().isEmpty()) return false;
    return saveAsFile(saveDialog1_->selectedFiles().constFirst());
}

bool MainWindow::saveAsFile(const QString& path) {
    const QFileInfo info(path);
    const std::string target = info.absoluteFilePath().toStdString();
    if (const FollowedSave followed = confirmSaveOverFollowedFile(target); followed != FollowedSave::Write)
        return followed == FollowedSave::SavedElsewhere;
    // The file is read back the way it was written and checked (see writeTableTo).
    if (!writeTableTo(target)) return false;
    // The table is saved: a close that comes while the saved file is read again asks nothing.
    ds_.Journal.clear();
    ds_.Edit.HeaderTextsChanged = false;
    enableRedo();
    ds_.File.CurrentFileName = target;
    // The chosen file's folder becomes the current folder, which the folder list shows.
    QDir::setCurrent(info.absolutePath());
    ds_.FolderList.FileListActive = false;
    ds_.FolderList.ListFileCount = 0;
    ListFolderFiles();
    RefreshFileList();
    UpdateCaptionAndStatus();
    if (!ds_.File.CurrentFileName.empty()) LoadDataFile();
    return true;
}

void MainWindow::menuSaveClick() {
    if (!work_.busy()) SaveAsDialog();
}

bool MainWindow::offerToSaveChanges(bool cancellable) {
    if (!ds_.isModified()) return true;
    const QString question = QString::fromLatin1(kSaveQuestion);
    const Answer answer = cancellable ? askYesNoCancel(question) : askYesNo(question) ? Answer::Yes : Answer::No;
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::No) return true;
    return SaveToCurrentFile();
}

bool MainWindow::FormClose() {
    // Cancel, or a save the user asked for that failed, keeps the program open with the table as it is.
    if (!offerToSaveChanges(true)) return false;
    WriteSettings();
    return true;
}

// ---- settings

void MainWindow::ReadSettings() {
    ReadSettingsFile(ds_, (settingsDefaults_.isEmpty() ? settingsPath_ : settingsDefaults_).toStdString());
}

void MainWindow::WriteSettings() {
    // The settings' delimiter, not one the shown file was read with on its own.
    const std::string shown = ds_.Layout.ListSeparator;
    ds_.Layout.ListSeparator = settingsSeparator();
    const std::string error = WriteSettingsFile(ds_, settingsPath_.toStdString());
    ds_.Layout.ListSeparator = shown;
    if (!error.empty()) showError(QStringLiteral("Unable to write to %1").arg(settingsPath_));
}

void MainWindow::menuGenOptionsClick() {
    if (work_.busy()) return;
    std::string separator = settingsSeparator();
    const std::string before = separator;
    formSetting_->FormShow(separator, ds_.Settings.KeepFileDate);
    formSetting_->showReading(ds_.Settings.Reading, ds_.Settings.ApplyProposals);
    formSetting_->showColors(ds_.View.CurveColors);
    formSetting_->exec();
    if (formSetting_->cancelled()) return;
    // "OK" and the close box both apply the dialog's state. A delimiter chosen here applies from
    // the next save and the next load, as it always did; the reading options from the next load.
    formSetting_->FormClose(separator, ds_.Settings.KeepFileDate);
    formSetting_->takeReading(ds_.Settings.Reading, ds_.Settings.ApplyProposals);
    // Colours chosen in the dialog reach the header row and the chart as it closes.
    const auto colorsBefore = ds_.View.CurveColors;
    formSetting_->takeColors(ds_.View.CurveColors);
    if (!(ds_.View.CurveColors == colorsBefore)) {
        RefreshHeaderRow();
        ApplyCurveColors();
        proposalBar_->offerDistinctColours(chart_->drawnInOneColour() && !dismissedFiles_.count(ds_.File.CurrentFileName));
    }
    if (separator != before) {
        ds_.Layout.ListSeparator = separator;
        settingsSeparator_.reset();
    }
}

// ---- recent files

void MainWindow::openRecentFile(const QString& path) {
    if (work_.busy()) return;
    // As "Open...": unsaved edits are offered for saving first, and Cancel keeps everything.
    if (!offerToSaveChanges(true)) return;
    openFile(path);
}

void MainWindow::rememberOpenedFile() {
    // Only a file that was read and shows data: a refused or unreadable one is not worth offering.
    if (ds_.Layout.DataRowCount > 0) PushRecentFile(ds_.Settings.RecentFiles, ds_.File.CurrentFileName);
}

// ---- how a file is read

void MainWindow::chooseReadingFor(const std::string& path) {
    if (const auto it = readingChoices_.find(path); it != readingChoices_.end()) {
        if (!settingsSeparator_) settingsSeparator_ = ds_.Layout.ListSeparator;
        ds_.Layout.ListSeparator = it->second.delimiter;
        ds_.Layout.Reading = it->second.options;
        return;
    }
    if (settingsSeparator_) ds_.Layout.ListSeparator = *settingsSeparator_;
    settingsSeparator_.reset();
    ds_.Layout.Reading = ds_.Settings.Reading;
}

void MainWindow::offerProposal() {
    const std::string& path = ds_.File.CurrentFileName;
    if (path.empty() || dismissedFiles_.count(path)) return;
    // A file read as one of its tables keeps offering the others.
    const bool chosen = readingChoices_.count(path) != 0;
    std::vector<TableBlock> otherTables;
    if (chosen && ds_.Layout.Reading.table != 0) {
        ReadOptions whole = ds_.Layout.Reading;
        whole.table = 0;
        otherTables = FindTableBlocks(ds_.File.FileLines, ds_.delimiter(), whole, ds_.decimal());
    }
    if (otherTables.size() < 2 && (chosen || !ShouldOfferProposal(ds_))) return;
    // A file of several tables: each one is offered, "Table 2: line 14, 40 rows × 3 columns (t, x, y)".
    QStringList tables;
    const std::vector<TableBlock>& found = otherTables.size() >= 2 ? otherTables : ds_.Layout.Proposal.tables;
    for (std::size_t k = 0; k < found.size(); ++k) {
        const TableBlock& table = found[k];
        QString item = QStringLiteral("Table %1: line %2, %3 rows \u00d7 %4 columns")
                           .arg(k + 1)
                           .arg(table.firstLine)
                           .arg(table.rows)
                           .arg(table.columns);
        QStringList names;
        for (const std::string& name : table.names) names << displayString(name, ds_.File.FileIsUtf8);
        if (!names.isEmpty()) item += QStringLiteral(" (%1)").arg(names.join(QStringLiteral(", ")));
        tables << item;
    }
    if (otherTables.size() >= 2) {
        proposalBar_->offer(QStringLiteral("This file holds %1 tables; table %2 is shown.")
                                .arg(otherTables.size())
                                .arg(ds_.Layout.Reading.table),
                            tables, ds_.Layout.Reading.table, false);
        return;
    }
    proposalBar_->offer(QString::fromStdString(ds_.Layout.Proposal.sentence()), tables,
                        ds_.Layout.Proposal.options.table);
}

void MainWindow::readTheProposedWay() {
    readProposedTable(proposalBar_->chosenTable());
}

void MainWindow::readProposedTable(int table) {
    const std::string path = ds_.File.CurrentFileName;
    // A file already read its own way changes only its table; another is read the proposed way.
    const auto chosen = readingChoices_.find(path);
    ReadingChoice proposed = chosen != readingChoices_.end() && table > 0 ? chosen->second : ProposedChoice(ds_);
    if (table > 0) proposed.options.table = table;
    if (path.empty() || !offerToSaveChanges(true)) return;
    readingChoices_[path] = proposed;
    LoadDataFile();
    adoptProposedXAxis();
}

void MainWindow::dismissProposal() {
    // Dismissed for the rest of the run, also after other files were shown.
    dismissedFiles_.insert(ds_.File.CurrentFileName);
    proposalBar_->hide();
}

// ---- folder file list

void MainWindow::SetFileListHeaders() {
    gridFiles_->setHorizontalHeaderLabels(
        {QStringLiteral("File Name"), QStringLiteral("Size"), QStringLiteral("Date"), QStringLiteral("Time")});
}

void MainWindow::ListFolderFiles() {
    const QSignalBlocker block(gridFiles_);
    gridFiles_->setCurrentCell(-1, -1);
    gridFiles_->clearContents();
    gridFiles_->setRowCount(1);
    fileRows_.clear();
    const std::string folder = QDir::currentPath().toStdString();
    const QLocale locale = QLocale::system();
    const QString timeFormat = longTimeFormat();
    SetFolderList(
        ds_, folder, EnumerateFolder(folder, ds_.File.CurrentFileExt),
        [&](int64_t stamp) { return locale.toString(localTime(stamp).date(), QLocale::ShortFormat).toStdString(); },
        [&](int64_t stamp) { return locale.toString(localTime(stamp).time(), timeFormat).toStdString(); });
    gridFiles_->setRowCount(ds_.FolderList.ListFileCount);
}

void MainWindow::showFilesSorted(int order) {
    SetFileListHeaders();
    const QSignalBlocker block(gridFiles_);
    fileRows_ = FileListRows(ds_, static_cast<FileListOrder>(order));
    std::fill(ds_.FolderList.ListPlaced.begin(), ds_.FolderList.ListPlaced.end(), 0);
    gridFiles_->setRowCount(static_cast<int>(fileRows_.size()));
    for (std::size_t row = 0; row < fileRows_.size(); ++row) {
        const auto k = static_cast<std::size_t>(fileRows_[row]);
        ds_.FolderList.ListPlaced[k] = 1;
        const std::string* texts[] = {&ds_.FolderList.ListNames[k], &ds_.FolderList.ListSizes[k],
                                      &ds_.FolderList.ListDates[k], &ds_.FolderList.ListTimes[k]};
        for (int column = 0; column < 4; ++column) {
            const std::string& text = *texts[column];
            auto* item = new QTableWidgetItem(column == 0 ? QFile::decodeName(QByteArray::fromStdString(text))
                                                          : QString::fromStdString(text));
            if (column == 1) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            gridFiles_->setItem(static_cast<int>(row), column, item);
        }
    }
    // Names, dates and times are as wide as the font makes them: show them whole.
    gridFiles_->resizeColumnsToContents();
    selectShownFileRow();
}

void MainWindow::selectShownFileRow() {
    const QSignalBlocker block(gridFiles_);
    // A file that was refused is not shown: its row stays unselected, so that choosing it again loads it again.
    const bool shown = ds_.Layout.ColumnCount > 0;
    const int row = shown ? shownFileRow(ds_, fileRows_, ds_.File.CurrentFileName) : -1;
    if (row >= 0) {
        gridFiles_->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect);
    } else {
        // The shown file is not listed (deleted, or in another folder): no row stands for it.
        gridFiles_->setCurrentCell(-1, -1);
        gridFiles_->clearSelection();
    }
}

void MainWindow::refreshShownFileEntry() {
    const QFileInfo file(QString::fromStdString(ds_.File.CurrentFileName));
    const int row = shownFileRow(ds_, fileRows_, ds_.File.CurrentFileName);
    if (row < 0 || !file.exists()) return;
    const auto k = static_cast<std::size_t>(fileRows_[static_cast<std::size_t>(row)]);
    FolderListing& list = ds_.FolderList;
    const int64_t stamp = file.lastModified().toSecsSinceEpoch();
    const QLocale locale = QLocale::system();
    list.ListSizes[k] = std::to_string(file.size());
    list.ListDates[k] = locale.toString(localTime(stamp).date(), QLocale::ShortFormat).toStdString();
    list.ListTimes[k] = locale.toString(localTime(stamp).time(), longTimeFormat()).toStdString();
    list.ListStamps[k] = stamp;
    list.ListHasStamp[k] = 1;
    const std::string* texts[] = {&list.ListSizes[k], &list.ListDates[k], &list.ListTimes[k]};
    for (int column = 1; column <= 3; ++column)
        if (QTableWidgetItem* item = gridFiles_->item(row, column)) item->setText(QString::fromStdString(*texts[column - 1]));
}

void MainWindow::ShowFilesByName() { showFilesSorted(static_cast<int>(FileListOrder::ByName)); }
void MainWindow::ShowFilesBySize() { showFilesSorted(static_cast<int>(FileListOrder::BySize)); }
void MainWindow::ShowFilesByDate() { showFilesSorted(static_cast<int>(FileListOrder::ByDate)); }

void MainWindow::RefreshFileList() {
    ShowFilesByName();
    ds_.FolderList.FileListActive = true;
}

void MainWindow::SGridFilesMouseDown(int column, int row) {
    if (row != 0) return;
    switch (column) {
    case 0: ShowFilesByName(); break;
    case 1: ShowFilesBySize(); break;
    case 2: ShowFilesByDate(); break;
    default: break; // "Time" does not sort
    }
}

void MainWindow::SGridFilesSelectCell(int column, int row) {
    if (work_.busy()) return;
    if (!ds_.FolderList.FileListActive) return;
    // A press selects the cell under the pointer after this handler has run, and by then the
    // list may have been rebuilt, re-sorted or left showing the old file. Once the press is
    // over, the highlight goes back to the row of the file actually shown (queued on the way
    // out, so that no event processing within the load runs it too early).
    const auto highlightShownFile =
        qScopeGuard([this] { QTimer::singleShot(0, this, &MainWindow::selectShownFileRow); });
    // The name as the list stands now: a save below rebuilds and re-sorts the list.
    std::string name;
    if (row >= 1 && static_cast<std::size_t>(row) <= fileRows_.size())
        name =
            ds_.FolderList.ListNames[static_cast<std::size_t>(fileRows_[static_cast<std::size_t>(row - 1)])];
    if (!offerToSaveChanges()) {
        // The save failed: the edits stay on screen, and so does the row of the shown file.
        selectShownFileRow();
        return;
    }
    if (column != 0) return;
    const std::string path = listedPath(ds_.FolderList.DataFolder, name);
    if (name.empty()) {
        ds_.File.CurrentFileName = path;
        return;
    }
    loadFile(path);
    selectShownFileRow();
}

void MainWindow::menuDeleteFileClick() {
    if (work_.busy()) return;
    const QString path = QString::fromStdString(ds_.File.CurrentFileName);
    const QFileInfo info(path);
    if (ds_.File.CurrentFileName.empty() || !info.isFile()) return;
    if (!askYesNo(QStringLiteral("Do you want to delete ") + info.fileName() + QStringLiteral("?"))) return;
    if (std::remove(ds_.File.CurrentFileName.c_str()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        showError(QStringLiteral("Cannot delete the file \"%1\": %2").arg(path, reason));
    }
    ds_.FolderList.ListFileCount = 0;
    ListFolderFiles();
    RefreshFileList();
}

} // namespace varnotile
