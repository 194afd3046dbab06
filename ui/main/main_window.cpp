#include "main_window.h"

#include "busy_cursor.h"
#include "command_table.h"
#include "curve_chart.h"
#include "data_grid_model.h"
#include "data_grid_view.h"
#include "file_follower.h"
#include "folder_list.h"
#include "palettes.h"
#include "proposal_bar.h"
#include "qt_texts.h"
#include "recent_files.h"
#include "save_file.h"
#include "settings_location.h"
#include "text_codec.h"
#include "work_progress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <new>
#include <tuple>
#include <utility>

namespace varnotile {
namespace {

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The executable's path with its extension replaced by ".INI" while its folder can be written;
// else the settings file in the user's configuration folder.
QString defaultSettingsPath() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString base = exe.completeSuffix().isEmpty() ? exe.fileName() : exe.completeBaseName();
    const QString besideExe = exe.absoluteDir().filePath(base + QStringLiteral(".INI"));
    const QString chosen = QFile::decodeName(SettingsFilePath(localPath(exe.absolutePath()),
                                                              localPath(qEnvironmentVariable("XDG_CONFIG_HOME")),
                                                              localPath(QDir::homePath()))
                                                 .c_str());
    return QFileInfo(chosen).absolutePath() == exe.absolutePath() ? besideExe : chosen;
}

} // namespace

MainWindow::MainWindow(QString settingsPath, QWidget* parent)
    : QMainWindow(parent), settingsPath_(settingsPath.isEmpty() ? defaultSettingsPath() : settingsPath) {
    // Settings kept in the user's folder start from the file beside the executable, if any. A
    // settings file given by the caller is read alone (`settingsPath` is therefore not moved from).
    if (settingsPath.isEmpty())
        settingsDefaults_ = QFile::decodeName(
            SettingsDefaultsPath(localPath(QCoreApplication::applicationDirPath()), localPath(settingsPath_)).c_str());
    setObjectName(QStringLiteral("TFormMain"));
    setWindowTitle(QStringLiteral("Varnotile"));
    setGeometry(181, 101, 619, 465);
    ds_.DecimalSeparator = localeDecimalSeparator();
    buildWidgets();
    buildMenus();
    // A file dropped anywhere on the window opens as "Open..." would.
    setAcceptDrops(true);
    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(55);
    connect(timer1_, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    FormCreate();
    ds_.Changes.addObserver(this);
    createChartDialogs();
    createAuxDialogs();
    createFilesDialogs();
    createEditDialogs();
    createFollower();
    createMeasure();
}

MainWindow::~MainWindow() {
    // The data grid, its model and the chart read ds_, a member that is destroyed before the
    // QWidget base deletes the children (and, with the window still shown, hides them first,
    // which makes an open cell editor ask the model for its cell). Take them down while the data
    // set still exists.
    timer1_->stop();
    ds_.Changes.removeObserver(this);
    delete splitter1_;
    splitter1_ = nullptr;
}

void MainWindow::buildWidgets() {
    splitter1_ = new QSplitter(Qt::Horizontal, this);
    splitter1_->setObjectName(QStringLiteral("Splitter1"));
    splitter1_->setHandleWidth(3);
    splitter1_->setChildrenCollapsible(false);

    panel1_ = new QWidget(splitter1_);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    auto* panelLayout = new QVBoxLayout(panel1_);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    splitter2_ = new QSplitter(Qt::Vertical, panel1_);
    splitter2_->setObjectName(QStringLiteral("Splitter2"));
    splitter2_->setHandleWidth(3);
    splitter2_->setChildrenCollapsible(false);
    panelLayout->addWidget(splitter2_);

    gridFiles_ = new QTableWidget(1, 4, splitter2_);
    gridFiles_->setObjectName(QStringLiteral("SGridFiles"));
    gridFiles_->verticalHeader()->hide();
    gridFiles_->verticalHeader()->setDefaultSectionSize(16);
    gridFiles_->setColumnWidth(0, 68);
    gridFiles_->setColumnWidth(1, 74);
    gridFiles_->setColumnWidth(2, 71);
    gridFiles_->setColumnWidth(3, 69);
    gridFiles_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridFiles_->setSelectionMode(QAbstractItemView::SingleSelection);
    gridFiles_->horizontalHeader()->setHighlightSections(false);

    // The data grid with the proposal bar above it.
    auto* dataPane = new QWidget(splitter2_);
    dataPane->setObjectName(QStringLiteral("DataPane"));
    auto* dataLayout = new QVBoxLayout(dataPane);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    dataLayout->setSpacing(0);
    proposalBar_ = new ProposalBar(dataPane);
    connect(proposalBar_, &ProposalBar::readRequested, this, &MainWindow::readTheProposedWay);
    connect(proposalBar_, &ProposalBar::dismissRequested, this, &MainWindow::dismissProposal);
    connect(proposalBar_, &ProposalBar::tableChosen, this, &MainWindow::readProposedTable);
    connect(proposalBar_, &ProposalBar::reopenRequested, this, &MainWindow::menuReopenAsClick);
    // "Distinct colours" in the bar: the ten colours that stay apart, as in General Settings.
    connect(proposalBar_, &ProposalBar::distinctColoursRequested, this, [this] {
        ApplyPalette(CurvePalette::Distinct, ds_.View.CurveColors);
        RepeatCurveColors(ds_.View.CurveColors);
        RefreshHeaderRow();
        ApplyCurveColors();
        proposalBar_->offerDistinctColours(false);
    });
    gridData_ = new DataGridView(dataPane);
    dataLayout->addWidget(proposalBar_);
    dataLayout->addWidget(gridData_, 1);
    gridModel_ = new DataGridModel(ds_, gridData_);
    gridModel_->setEditGate([this] { return !work_.busy(); });
    gridModel_->setRefusalSink([this](const QString& why) { showError(why); });
    gridData_->setModel(gridModel_);
    QFont gridFont = gridData_->font();
    gridFont.setPointSize(8);
    gridData_->setFont(gridFont);
    splitter2_->addWidget(gridFiles_);
    splitter2_->addWidget(dataPane);
    splitter2_->setSizes({170, 400});
    splitter2_->setStretchFactor(0, 0);
    splitter2_->setStretchFactor(1, 1);

    chart_ = new CurveChart(splitter1_);
    splitter1_->addWidget(panel1_);
    splitter1_->addWidget(chart_);
    splitter1_->setStretchFactor(0, 0);
    splitter1_->setStretchFactor(1, 1);
    splitter1_->setSizes({319, 600});
    const QString handleStyle = QStringLiteral("QSplitter::handle { background-color: blue; }");
    splitter1_->setStyleSheet(handleStyle);
    splitter2_->setStyleSheet(handleStyle);
    connect(splitter1_, &QSplitter::splitterMoved, this, &MainWindow::Splitter1Moved);
    setCentralWidget(splitter1_);

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    statusPanel0_ = new QLabel(bar);
    statusPanel0_->setObjectName(QStringLiteral("StatusPanel0"));
    statusPanel0_->setFixedWidth(100);
    statusPanel0_->setFrameShape(QFrame::Panel);
    statusPanel0_->setFrameShadow(QFrame::Sunken);
    statusPanel1_ = new QLabel(bar);
    statusPanel1_->setObjectName(QStringLiteral("StatusPanel1"));
    statusPanel1_->setMinimumWidth(400);
    statusPanel1_->setFrameShape(QFrame::Panel);
    statusPanel1_->setFrameShadow(QFrame::Sunken);
    bar->addWidget(statusPanel0_);
    bar->addWidget(statusPanel1_, 1);
    // Shown only while a load or save takes longer than half a second.
    progressBar_ = new QProgressBar(bar);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setFixedWidth(160);
    bar->addPermanentWidget(progressBar_);
    progressBar_->hide();
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), bar);
    cancelButton_->setObjectName(QStringLiteral("BtnCancelWork"));
    cancelButton_->setToolTip(QStringLiteral("Stop loading; the table shown before stays (Esc)"));
    bar->addPermanentWidget(cancelButton_);
    cancelButton_->hide();

    connect(gridData_, &DataGridView::gridMousePressed, this, &MainWindow::SGridDataMouseDown);
    connect(gridData_, &DataGridView::gridMouseMoved, this, &MainWindow::SGridDataMouseMove);
    connect(gridData_, &DataGridView::gridMouseReleased, this, &MainWindow::SGridDataMouseUp);
    connect(gridData_, &DataGridView::gridKeyPressed, this, &MainWindow::SGridDataKeyDown);
    connect(gridData_, &DataGridView::gridCellSelected, this, &MainWindow::SGridDataSelectCell);
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    std::map<std::string, QMenu*> menus;
    for (const MenuEntry& entry : menuTable()) {
        QMenu* m = bar->addMenu(QString::fromLatin1(entry.caption));
        m->setObjectName(QString::fromLatin1(entry.objectName));
        menus[entry.objectName] = m;
    }
    // The data grid's context menu; its order (separators included) is fixed.
    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("PMenuSGridData"));
    menus[popup_->objectName().toStdString()] = popup_;

    for (const CommandEntry& entry : commandTable()) {
        QMenu* menu = menus.at(entry.menu);
        if (entry.separatorBefore) menu->addSeparator();
        auto* action = new QAction(QString::fromLatin1(entry.caption), menu);
        action->setObjectName(QString::fromLatin1(entry.objectName));
        action->setCheckable(entry.checkable);
        action->setEnabled(entry.enabledAtStart);
        // A caption that names its key leaves the key to the grid's key handler (Ctrl+Z undoes
        // only there); other keys are the action's own shortcuts, shown in the menu.
        if (!entry.keys.isEmpty() && !action->text().contains(entry.keys.constFirst().toString(QKeySequence::PortableText)) &&
            entry.keys.size() < 8)
            action->setShortcuts(entry.keys);
        menu->addAction(action);
        connect(action, &QAction::triggered, this, [this, &entry] { runCommand(entry); });
        actions_[entry.objectName] = action;
    }
    auto item = [this](const char* name) { return actions_.at(name); };
    menuFile_ = menus.at("menuFile");
    menuEdit_ = menus.at("menuEdit");
    menuView_ = menus.at("menuView");
    menuOptions_ = menus.at("menuOptions");
    menuHelp_ = menus.at("menuHelp");
    menuOpen_ = item("menuOpen");
    menuSave_ = item("menuSave");
    menuDeleteFile_ = item("menuDeleteFile");
    menuPageSetup_ = item("menuPageSetup");
    menuPrint_ = item("menuPrint");
    menuExportChart_ = item("menuExportChart");
    menuExit_ = item("menuExit");
    menuUndo_ = item("menuUndo");
    menuDelete_ = item("menuDelete");
    menuModify_ = item("MenuModify");
    menuRedo_ = item("menuRedo");
    menuShow_ = item("menuShow");
    menuHide_ = item("menuHide");
    menuColor_ = item("menuColor");
    menuSetAsX_ = item("menuSetAsX");
    menuYScale_ = item("menuYScale");
    menuViewFile_ = item("menuViewFile");
    menuFollowFile_ = item("menuFollowFile");
    menuGenOptions_ = item("menuGenOptions");
    menuChartOptions_ = item("menuChartOptions");
    menuContents_ = item("menuContents");
    menuAbout_ = item("menuAbout");
    pmenuShow_ = item("PMenuShow");
    pmenuHide_ = item("PMenuHide");
    pmenuColor_ = item("PMenuColor");
    pmenuSetAsX_ = item("PMenuSetAsX");
    pmenuDelete_ = item("PMenuDelete");
    pmenuModify_ = item("PMenuModify");
    connect(menuEdit_, &QMenu::aboutToShow, this, &MainWindow::menuEditClick);

    // Added commands follow the menu's own items, so those keep their places.
    menuFile_->addSeparator();
    menuRecentFiles_ = new RecentFilesMenu(ds_.Settings.RecentFiles, menuFile_);
    menuFile_->addMenu(menuRecentFiles_);
    connect(menuRecentFiles_, &RecentFilesMenu::fileChosen, this, &MainWindow::openRecentFile);

    // F10 opens the first menu, from where the arrow keys reach every other.
    auto* menuBarKey = new QAction(this);
    menuBarKey->setObjectName(QStringLiteral("menuBarKey"));
    menuBarKey->setShortcut(QKeySequence(Qt::Key_F10));
    addAction(menuBarKey);
    connect(menuBarKey, &QAction::triggered, this, [this] {
        if (!work_.busy()) menuBar()->setActiveAction(menuFile_->menuAction());
    });

    // The Open dialog: five filters, the first one selected; no initial folder, no default
    // extension, and the typed name need not exist. Each filter is its caption followed by its
    // patterns in parentheses; the dialog shows the captions only, so they read exactly as
    // written here, while the patterns still choose the files.
    openDialog1_ = new QFileDialog(this);
    openDialog1_->setObjectName(QStringLiteral("OpenDialog1"));
    openDialog1_->setOption(QFileDialog::HideNameFilterDetails);
    // Each text type's filter also finds its compressed forms ("data.csv.gz" under csv files).
    const auto withCompressed = [](const QStringList& types) {
        QStringList patterns;
        for (const QString& type : types)
            for (const char* suffix : {"", ".gz", ".xz", ".bz2", ".zst"}) patterns << type + QLatin1String(suffix);
        return patterns.join(QLatin1Char(' '));
    };
    const auto filter = [](const char* caption, const QString& patterns) {
        return QStringLiteral("%1 (%2)").arg(QLatin1String(caption), patterns);
    };
    openDialog1_->setNameFilters(
        {filter("csv files (*.csv)", withCompressed({QStringLiteral("*.csv")})),
         filter("text files (*.txt)", withCompressed({QStringLiteral("*.txt")})),
         filter("All text files (*.csv, *.txt, *.prn, *.dat)",
                withCompressed({QStringLiteral("*.csv"), QStringLiteral("*.txt"), QStringLiteral("*.prn"), QStringLiteral("*.dat")})),
         QStringLiteral("Compressed text files (*.gz, *.xz, *.bz2, *.zst) (*.gz *.xz *.bz2 *.zst)"),
         QStringLiteral("All files (*)")});
    openDialog1_->setFileMode(QFileDialog::AnyFile);
    // Room for the names, sizes, kinds and dates side by side.
    openDialog1_->resize(900, 560);
    openDialog1_->setAcceptMode(QFileDialog::AcceptOpen);

    gridData_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(gridData_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup_->popup(gridData_->mapToGlobal(pos)); });
}

void MainWindow::FormCreate() {
    ds_.View.CurveVisible[0] = true;
    ds_.View.PercentScale = true;
    ds_.View.ShowCurveNames = true;
    ds_.View.ShowChartTitle = true;
    ReadSettings();
    ApplyCurveColors();
    SetFileListHeaders();
    PrepareDataGrid();
    RebuildChartTitles();
}

void MainWindow::showNotice(const QString& text) {
    if (heldNotices_) {
        *heldNotices_ << text;
        return;
    }
    if (responder_) {
        responder_->notice(text);
        return;
    }
    QMessageBox::information(this, QStringLiteral("Varnotile"), text);
}

void MainWindow::showError(const QString& text) {
    if (responder_) {
        responder_->notice(text);
        return;
    }
    QMessageBox::critical(this, QStringLiteral("Varnotile"), text);
}

bool MainWindow::askYesNo(const QString& text, bool defaultNo) {
    if (responder_) return responder_->question(text, false) == Answer::Yes;
    return QMessageBox::question(this, QStringLiteral("Varnotile"), text, QMessageBox::Yes | QMessageBox::No,
                                 defaultNo ? QMessageBox::No : QMessageBox::Yes) == QMessageBox::Yes;
}

MainWindow::Answer MainWindow::askYesNoCancel(const QString& text) {
    if (responder_) return responder_->question(text, true);
    switch (QMessageBox::question(this, QStringLiteral("Varnotile"), text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void MainWindow::UpdateCaptionAndStatus() {
    setWindowTitle(QStringLiteral("Varnotile  - ") + QString::fromStdString(ds_.File.CurrentFileName));
    // Only the start of a long line can show: no more of it is decoded or measured, since laying
    // out megabytes of text takes seconds and this runs on every pointer move over the grid.
    constexpr std::size_t shown = 2000;
    auto start = [&](std::string_view line) { return line.substr(0, shown); };
    std::string text;
    if (!ds_.Layout.HeaderLines[1].empty()) {
        statusPanel0_->setText(QStringLiteral("Header:"));
        text.append(start(ds_.Layout.HeaderLines[1]))
            .append(" ")
            .append(start(ds_.Layout.HeaderLines[2]))
            .append(" ");
        text.append(start(ds_.Layout.HeaderLines[3])).append(" ").append(start(ds_.Layout.HeaderLines[4]));
    } else if (!ds_.File.CurrentFileName.empty()) {
        statusPanel0_->setText(QStringLiteral("First Line:"));
        text = start(ds_.File.FileLines.line(1));
    } else {
        return;
    }
    // One line as wide as the panel, the rest elided, so that neither the status bar's height
    // nor the window's width follows the line's length.
    QString line = displayString(text, ds_.File.FileIsUtf8).left(static_cast<qsizetype>(shown));
    for (QChar& c : line)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QLatin1Char(' ');
    const int width = std::max(statusPanel1_->contentsRect().width(),
                               statusPanel1_->minimumWidth() - 2 * statusPanel1_->frameWidth());
    statusPanel1_->setText(statusPanel1_->fontMetrics().elidedText(line, Qt::ElideRight, width));
}

void MainWindow::openFile(const QString& path) {
    if (work_.busy()) {
        // A load that runs (one the follower started, say) gives way to a file opened now; a
        // save is never stopped.
        if (work_.cancellable()) {
            pendingOpen_ = path;
            work_.cancel();
        }
        return;
    }
    const QFileInfo info(path);
    if (!loadFile(info.absoluteFilePath().toStdString())) return;
    ds_.File.CurrentFileExt = std::string(extensionOf(info.fileName().toStdString()));
    // The chosen file's folder becomes the current folder, which the folder list shows.
    QDir::setCurrent(info.absolutePath());
    ds_.FolderList.ListFileCount = 0;
    ListFolderFiles();
    RefreshFileList();
    rememberOpenedFile();
}

void MainWindow::menuOpenClick() {
    if (work_.busy()) return;
    // Unsaved edits are offered for saving first; Cancel or a failed save leaves everything as it is.
    if (!offerToSaveChanges(true)) return;
    if (openDialog1_->exec() != QDialog::Accepted || openDialog1_->selectedFiles().isEmpty()) return;
    openFile(openDialog1_->selectedFiles().constFirst());
}

void MainWindow::LoadDataFile() { loadFile(ds_.File.CurrentFileName); }

bool MainWindow::loadFile(const std::string& path) {
    if (work_.busy()) return false;
    // Nothing is followed while the file loads; however the load ends, a followed file is
    // followed from what it read.
    if (follower_) follower_->setFollowing(false);
    enum class After { WatchLoaded, FollowOn, Stop } after = After::WatchLoaded;
    const auto followAfter = qScopeGuard([&] {
        if (after == After::WatchLoaded)
            watchShownFile();
        else if (after == After::FollowOn)
            resumeFollowing();
        else
            showFollowState(QStringLiteral("Not following: the reload was cancelled"));
    });
    // The file is read into a fresh data set with the reading chosen for it; the shown one stays
    // as it is (and on screen) until the load is over.
    const auto readingBefore = std::tuple(ds_.Layout.ListSeparator, ds_.Layout.Reading, settingsSeparator_);
    chooseReadingFor(path);
    auto fresh = std::make_unique<DataSet>();
    PrepareLoad(*fresh, ds_, path);
    // The settings' table applies to every file: one with fewer tables is read whole, not refused.
    fresh->Layout.TableIsGeneral = !readingChoices_.count(path);
    std::tie(ds_.Layout.ListSeparator, ds_.Layout.Reading, std::ignore) = readingBefore;
    // With proposals applied automatically, a file read with the settings is read the proposed
    // way in the same load where that reads it better: the file is read once, its messages shown once.
    const bool applyProposal = ds_.Settings.ApplyProposals && !readingChoices_.count(path);
    const std::string settingsDelimiter = fresh->Layout.ListSeparator;
    LoadOutcome outcome;
    bool finished = true;
    try {
        finished = runDataSetWork(true, [&](const ProgressReport& progress) {
            outcome = varnotile::LoadDataFile(*fresh, applyProposal, progress);
        });
    } catch (const std::bad_alloc&) {
        ResetData(*fresh);
        outcome.status = LoadOutcome::Status::ReadError;
        outcome.error = "not enough memory to hold the file";
    }
    if (!finished) {
        std::tie(std::ignore, std::ignore, settingsSeparator_) = readingBefore;
        // A file opened meanwhile is what the user wants now.
        if (!pendingOpen_.isEmpty()) openFile(std::exchange(pendingOpen_, QString()));
        // The shown table stays as it was, rows followed in included: following goes on from
        // where it stood. Following a file whose reload was cancelled would only read it again.
        after = path != ds_.File.CurrentFileName ? After::FollowOn : After::Stop;
        return false;
    }
    proposalBar_->hide();
    {
        const BusyCursor busy;
        ResetDataView();
        AdoptLoad(ds_, *fresh);
        fresh.reset(); // the table shown before goes
        gridModel_->tableReset();
    }
    // What a save of this file killed halfway left beside it goes (see RemoveStaleSaveFiles).
    RemoveStaleSaveFiles(path);
    const bool tookProposal = applyProposal && ds_.Layout.ProposalReadsBetter;
    if (tookProposal) {
        // The file keeps the proposed way for this run, as after "Read it that way".
        readingChoices_[path] = CurrentChoice(ds_);
        if (!settingsSeparator_) settingsSeparator_ = settingsDelimiter;
    }
    const QString file = QString::fromStdString(ds_.File.CurrentFileName);
    // A refused file leaves nothing of the file shown before: titles, legend and status follow it.
    const auto showRefused = [this] {
        RebuildChartTitles();
        statusPanel0_->clear();
        statusPanel1_->clear();
    };
    if (outcome.status == LoadOutcome::Status::ReadError) {
        showRefused();
        showError(QStringLiteral("Cannot read the file \"%1\": %2").arg(file, QString::fromStdString(outcome.error)));
        return true;
    }
    if (outcome.status == LoadOutcome::Status::TooFewData) showRefused();
    for (const std::string& message : outcome.messages) showNotice(QString::fromStdString(message));
    if (outcome.status == LoadOutcome::Status::TooFewData) {
        // Too few lines by the reading in effect may be many the proposed way (lines ended by CR alone).
        offerProposal();
        return true;
    }
    const BusyCursor busy;
    UpdateCaptionAndStatus();
    gridModel_->setGridSize(ds_.Layout.ColumnCount + 1, ds_.Layout.DataRowCount + 1);
    gridModel_->tableReset();
    gridData_->horizontalScrollBar()->setValue(0);
    RefreshHeaderRow();
    gridData_->fitColumnsToHeaderTexts();
    FillAllCurves();
    RebuildChartTitles();
    if (tookProposal) adoptProposedXAxis();
    offerProposal();
    proposalBar_->offerDistinctColours(chart_->drawnInOneColour() && !dismissedFiles_.count(ds_.File.CurrentFileName));
    return true;
}

bool MainWindow::runDataSetWork(bool cancellable, const std::function<void(const ProgressReport&)>& work) {
    const WorkState::Hold hold(work_, cancellable);
    const auto idle = qScopeGuard([&] {
        if (std::exchange(closeWhenIdle_, false)) QTimer::singleShot(0, this, &QWidget::close);
    });
    return runWithProgress(progressBar_, work, cancellable ? &work_.cancelFlag() : nullptr, cancelButton_);
}

void MainWindow::ResetDataView() {
    ResetData(ds_);
    enableRedo();
    setWindowTitle(QStringLiteral("Varnotile"));
    chart_->resetView();
    menuShow_->setEnabled(false);
    menuHide_->setEnabled(false);
    pmenuHide_->setEnabled(false);
    pmenuColor_->setEnabled(false);
    QHeaderView* header = gridData_->horizontalHeader();
    gridModel_->setGridSize(10, 10);
    gridModel_->tableReset();
    for (int c = 0; c < header->count(); ++c) {
        if (header->isSectionHidden(c)) header->showSection(c);
        if (header->sectionSize(c) < 20) header->resizeSection(c, 64);
    }
    gridData_->fitColumnsToHeaderTexts();
    resetHeaderHeight();
}

void MainWindow::SGridDataKeyDown(int key, Qt::KeyboardModifiers shift) {
    if (work_.busy()) return;
    // Ctrl+Space chooses the current cell's column as a press on its header cell does, which
    // offers the curve and column commands without the pointer.
    if (key == Qt::Key_Space && shift == Qt::ControlModifier && gridData_->currentIndex().isValid())
        SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, gridData_->currentIndex().column() + 1, 0);
    // A key runs its command only where the command's menu item would be enabled.
    if (const CommandEntry* command = commandForKey(key, shift))
        if (!command->keysNeedNoButton || QApplication::mouseButtons() == Qt::NoButton) runCommand(*command, true);
    UpdateCaptionAndStatus();
}

void MainWindow::runCommand(const CommandEntry& command, bool byKey) {
    if (work_.busy()) return;
    const auto allowed = byKey && command.keysAllowed ? command.keysAllowed : command.allowed;
    if (allowed && !(this->*allowed)()) return;
    (this->*command.handler)();
}

void MainWindow::menuExitClick() { close(); }

void MainWindow::Splitter1Moved() {
    // The data grid follows the panel's width through its layout.
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (work_.busy()) { // closed once the load or save is over (a load is stopped for it)
        closeWhenIdle_ = true;
        work_.cancel();
        event->ignore();
        return;
    }
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

} // namespace varnotile
