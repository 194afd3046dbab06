#pragma once
// The main window: the folder list and data grid on the left, the chart on the right, the menus,
// the status bar, and the handlers that lead every command to the operation behind it. It owns
// the program's one data set.
#include "dataset.h"
#include "dataset_changes.h"
#include "dialog_responder.h"
#include "loader.h"
#include "per_file_readings.h"
#include "reading_advice.h"
#include "work_state.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

class QAction;
class QFileDialog;
class QCustomPlot;
class QLabel;
class QMenu;
class QSplitter;
class QTableView;
class QTableWidget;
class QTimer;
class QProgressBar;
class QPushButton;
class QPrinter;

namespace varnotile {

class DataGridModel;
class DataGridView;
class CurveChart;
class FormOptions;
class FormReopen;
class FormSetting;
class FormModify;
class FormPreprint;
class FormAbout;
class FormFileView;
class ProposalBar;
class FileFollower;
struct GrowthResult;
class RecentFilesMenu;
class MeasureController;
struct CommandEntry;

class MainWindow : public QMainWindow, private DataSetObserver {
    Q_OBJECT
public:
    // `settingsPath` is the settings file (the executable's path with ".INI"); empty uses that default.
    explicit MainWindow(QString settingsPath = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    DataSet& dataSet() { return ds_; }
    const DataSet& dataSet() const { return ds_; }

    // Opens `path` as the Open command would after its dialog (folder list included). While
    // another load runs, that load is cancelled and `path` opens once it has stopped; while a
    // save runs, nothing is opened.
    void openFile(const QString& path);
    // The load sequence for ds_.File.CurrentFileName; reports problems to the user itself.
    void LoadDataFile();
    void UpdateCaptionAndStatus();
    // A load or save runs on another thread and owns the data set: no command starts, and
    // nothing changes the data set until it is over (see WorkState).
    bool dataSetBusy() const { return work_.busy(); }

    // Message boxes go through these; with a responder set, it takes the notices and answers the
    // questions instead.
    using Answer = DialogResponder::Answer;
    void setDialogResponder(DialogResponder* responder) { responder_ = responder; }
    void showNotice(const QString& text);
    void showError(const QString& text);
    // A question with Yes and No; `defaultNo` makes No the button that Enter presses.
    bool askYesNo(const QString& text, bool defaultNo = false);
    // A question with Yes, No and Cancel; Escape and the close box answer Cancel.
    Answer askYesNoCancel(const QString& text);

    // --- grid refresh operations (header row and cells)
    void PrepareDataGrid();
    void RefreshHeaderRow();
    void ResetDataView();

    // --- chart operations (curve chart)
    void ApplyCurveColors();
    void RebuildChartTitles();
    void FillCurve(int k);
    void FillAllCurves();
    void ClearCurve(int k);
    void ClearAllCurves();
    void ChooseCurveColor();
    void ShowPointReadout(int seriesNumber, int pointIndex);

    // --- folder list and saving
    void SetFileListHeaders();
    void ListFolderFiles();
    void RefreshFileList();
    // Both return false when nothing was saved: the file could not be written (the user has
    // been told why) or the Save dialog was cancelled.
    bool SaveToCurrentFile();
    bool SaveAsDialog();
    // "Save..." after its dialog: writes the table to `path`, shows that file and loads it again.
    bool saveAsFile(const QString& path);

    // --- page setup, printing, viewer, help
    // Copies PageMargins into the chart's print margins.
    void ApplyPrintMargins();
    // Shows the print dialog; on confirmation prints the chart (PrintChartOn).
    void PrintChart();
    // The print step on an already chosen printer; failures are shown as error messages.
    // Returns true when the page was printed.
    bool PrintChartOn(QPrinter& printer);
    const PageMarginSet& chartPrintMargins() const { return chartPrintMargins_; }
    // The help page beside the executable: its path with the extension replaced by ".html".
    static QString helpFilePath();

    // --- selection helpers
    GridRect gridSelection() const;
    void setSelectionRect(const GridRect& rect);
    // The column the column commands (curve commands, Modify) act on: the column the grid's
    // selection shows when it is one column wide, else SelectedColumn.
    int commandColumn() const;

    // --- handlers of the menus
public slots:
    void menuOpenClick();
    void menuSaveClick();
    void menuDeleteFileClick();
    void menuPageSetupClick();
    void menuPrintClick();
    // Writes the chart as PNG, SVG or PDF, at its size on screen or a size typed in.
    void menuExportChartClick();
    // Reads the shown file again the way the "Reopen as" dialog is set; that way holds for the
    // file for the rest of the run.
    void menuReopenAsClick();
    void menuExitClick();
    void menuEditClick();
    void menuUndoClick();
    void menuRedoClick();
    void menuDeleteClick();
    void MenuModifyClick();
    void menuShowClick();
    void menuHideClick();
    void menuColorClick();
    void menuSetAsXClick();
    void menuYScaleClick();
    void menuViewFileClick();
    // "Follow File": rows appended to the shown file are shown as they arrive.
    void menuFollowFileClick();
    void menuGenOptionsClick();
    void menuChartOptionsClick();
    void menuContentsClick();
    void menuAboutClick();
    // Measuring on the chart (see measure_controller.h): the tracker under the pointer, two
    // cursors with their differences, the statistics of what is shown.
    void menuTrackerClick();
    void menuCursorsClick();
    void menuStatisticsClick();
    void PMenuShowClick() { menuShowClick(); }
    void PMenuHideClick() { menuHideClick(); }
    void PMenuColorClick() { menuColorClick(); }
    void PMenuSetAsXClick() { menuSetAsXClick(); }
    void PMenuDeleteClick() { menuDeleteClick(); }
    void PMenuModifyClick() { MenuModifyClick(); }

    // --- data grid events (grid coordinates: row 0 header row, column 0 row numbers)
    void SGridDataMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int column, int row);
    void SGridDataMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int column, int row);
    void SGridDataMouseUp();
    void SGridDataSelectCell(int column, int row);
    void SGridDataSetEditText(int column, int row, const QString& value);
    void SGridDataKeyDown(int key, Qt::KeyboardModifiers shift);
    void Timer1Timer();
    void Splitter1Moved();

    // --- folder list events
    void SGridFilesMouseDown(int column, int row);
    void SGridFilesSelectCell(int column, int row);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A local file dragged onto the window is accepted and, dropped, opened as "Open..." would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildWidgets();
    // Each area creates its dialogs once, hidden, at start-up.
    void createChartDialogs();
    void createAuxDialogs();
    void createFilesDialogs();
    void createEditDialogs();
    // Every menu item comes from the command table; menus, keys and accessibility presses all
    // run a command through runCommand, which refuses it while it may not run.
    friend const std::vector<CommandEntry>& commandTable();
    void runCommand(const CommandEntry& command, bool byKey = false);
    std::map<std::string, QAction*> actions_;
    void FormCreate();
    // Returns false when the program must stay open (a save the user asked for failed).
    bool FormClose();
    void ReadSettings();
    void WriteSettings();

    // Grid area: header row, selection and pointer handling.
    // Header row back to its height before a load (6 line pitches).
    void resetHeaderHeight();
    // Enables the curve and column commands a press on the header cell of column k offers.
    void enableHeaderCommands(int k);
    // What the Edit menu's items allow for the grid's selection and the journal; the keys that
    // stand for them (Ctrl+Z, Delete) obey the same answer, except that the Delete key also
    // deletes the rows of any range two or more columns wide (deleteKey).
    struct EditCommandStates {
        bool undo = false;
        bool redo = false;
        bool remove = false;
        bool modify = false;
        bool deleteKey = false;
    };
    EditCommandStates editCommandStates() const;
    bool canUndo() const { return editCommandStates().undo; }
    bool canDelete() const { return editCommandStates().remove; }
    bool canModify() const { return editCommandStates().modify; }
    bool canRedo() const { return editCommandStates().redo; }
    bool canDeleteByKey() const { return editCommandStates().deleteKey; }
    // Redo's shortcuts work while the item is enabled, so it follows every change of the journal.
    void enableRedo();

    // Chart area: curves, options dialog, readout.
    // Chart1's click notification: a press on a curve, with the hit point's index.
    void Chart1ClickSeries(QObject* series, int pointIndex);
    // Enabled states of "Show Curve" and "Hide Curve", in the View menu and the context menu alike.
    void setShowHideEnabled(bool showEnabled, bool hideEnabled);
    // Runs the chart options dialog modally with the current scale; true when the scale changed.
    bool runChartOptions();

    // Files area: saving, folder list, settings.
    // Asks "Do you want to save the changes?" when there are unsaved changes and saves on Yes;
    // `cancellable` adds Cancel. Returns false when the caller must not go on: the save failed or
    // was declined in a later question, or the user cancelled.
    bool offerToSaveChanges(bool cancellable = false);
    // Writes the table to `path` (old file intact on failure); tells the user why it failed.
    // The written bytes are read back first the way the file will be read next; when they would
    // read as another table the user is asked before the file is replaced. Returns false without
    // writing when the user declined one of the questions. A saved file is read the way it was
    // written from then on.
    bool writeTableTo(const std::string& path);
    // Asks before a save that would not read back as the table shows it: texts the delimiter or a
    // line break would split, or a file with content replaced by a table without data rows.
    // `splitAccepted`: the user chose to write texts that will be split.
    bool confirmSaveRisks(const std::string& path, bool& splitAccepted);
    // Records how `path` was written, so that it is read that way next (see chooseReadingFor).
    void rememberWrittenReading(const std::string& path);
    // Runs `work` on another thread while the window stays painted, with the progress bar after
    // half a second (see runWithProgress), and the window's commands off meanwhile. A save reads
    // the shown data set, which nothing can change until it is over; a load fills a fresh one.
    // `cancellable` (a load): the Cancel button and Escape stop it, and false comes back.
    // Exceptions of the work come back here.
    bool runDataSetWork(bool cancellable, const std::function<void(const ProgressReport&)>& work);
    // Loads `path` into a fresh data set and shows it once it is read. Returns false when the
    // load was cancelled or refused: then the table shown before stays as it was.
    bool loadFile(const std::string& path);
    WorkState work_{this};
    bool closeWhenIdle_ = false; // the window was closed during such work
    QString pendingOpen_;        // a file opened while a load ran: it opens once that load stops
    // The recent files: opening one from the File menu (save question first), and recording a
    // file once it has been opened.
    void openRecentFile(const QString& path);
    void rememberOpenedFile();
    // A dropped file, opened once the drop is over (save question first).
    void openDroppedFile(const QString& path);
    void ShowFilesByName();
    void ShowFilesBySize();
    void ShowFilesByDate();
    void showFilesSorted(int order);
    // Selects the row of the shown file without running the selection handler.
    void selectShownFileRow();
    std::vector<int> fileRows_; // entry number (into the list arrays) of each list row
    QFileDialog* saveDialog1_ = nullptr;

    // Reading options per file. A file is read with the settings unless the user chose to read
    // it the detector's way ("Read it that way", or automatically): that choice holds for every
    // load of that file in this run.
    // Sets ds_.Layout's delimiter and reading options for loading `path`.
    void chooseReadingFor(const std::string& path);
    // After a load: shows the proposal bar when the detector's way reads the file better than
    // the settings did, unless the user dismissed it for that file. Only files read with the
    // settings get a proposal (with proposals applied automatically, the load took it).
    void offerProposal();
    // The proposal's X axis (a first column of dates or times) once the file is read the proposed way.
    void adoptProposedXAxis();
    // The bar's buttons.
    void readTheProposedWay();
    // Reads the file the proposed way, with table `table` of it (0: the proposed table).
    void readProposedTable(int table);
    void dismissProposal();
    FormReopen* formReopen_ = nullptr; // made when first asked for
    // The delimiter of the settings: ds_.Layout.ListSeparator, except while the shown file was
    // read with a delimiter of its own (then the settings' one waits in settingsSeparator_).
    std::string settingsSeparator() const { return settingsSeparator_.value_or(ds_.Layout.ListSeparator); }
    PerFileReadings readingChoices_;
    std::optional<std::string> settingsSeparator_;
    std::set<std::string> dismissedFiles_; // files whose proposal the user dismissed in this run
    ProposalBar* proposalBar_ = nullptr;

    // Following the shown file (Follow File).
    void createFollower();
    // The chart's measurements, once the settings are read.
    void createMeasure();
    MeasureController* measure_ = nullptr;
    // After a load: the follower goes on from what the load read, when following is on.
    void watchShownFile();
    // Follows the shown file on from where the follower stood (a load that did not happen).
    void resumeFollowing();
    // Just before the follower reads: notes whether the grid shows the last row.
    void aboutToFollow();
    // What the follower found: rows appended, the file to be read afresh, or gone.
    void fileFollowed(const GrowthResult& result);
    // Reads the followed file afresh as "Open..." would. Unsaved edits are never written over the
    // file on disk: they may be saved under another name first, or discarded, or kept (the file
    // is then no longer followed). Load notices go to the status bar, following goes on.
    void reloadFollowedFile(const GrowthResult& result);
    // The Save dialog for the edited table, proposing a name beside the followed file; writes
    // the table there without showing that file. False when cancelled or not written.
    bool saveEditsElsewhere();
    // Before the table replaces `path`: when that is the followed file and a program holds it
    // open for writing or wrote more than the table shows, the save would cut that program off
    // (it goes on writing to the replaced file). Asks, offering Save... under another name.
    enum class FollowedSave { Write, Declined, SavedElsewhere };
    FollowedSave confirmSaveOverFollowedFile(const std::string& path);
    // Whether `path` names the shown file (the file the table was read from).
    bool isShownFile(const std::string& path) const;
    // The folder list's size, date and time of the shown file, as it stands now.
    void refreshShownFileEntry();
    void showFollowState(const QString& state);
    QStringList* heldNotices_ = nullptr; // while set, notices are collected here instead of shown
    FileFollower* follower_ = nullptr;
    QLabel* followLabel_ = nullptr;
    bool followReading_ = false; // the follower is adding rows (an append, not an edit)
    bool lastRowShown_ = false;

    // Editing area: cell edits, undo, delete, modify.
    // The Delete command on the grid's selection, and its two kinds.
    void DeleteSelection();
    void DeleteColumn(int k);
    void DeleteRows(int top, int bottom);

    // The data set's changes as the window follows them: columns hidden and shown in the grid at
    // once; the curves, the header row and the chart titles redrawn once the operation is over.
    void columnHidden(int column) override;
    void columnShown(int column, int width) override;
    void columnsRenamed() override;
    void statisticsChanged(int column) override;
    void rowsRemoved(int firstRow, int lastRow) override;
    void rowsInserted(int firstRow, int lastRow) override;
    void operationFinished() override;
    // Curve commands other than Set as X-Axis act on the columns that have a curve: 1..10, or
    // every column of a wide file.
    bool isCurve(int k) const;
    bool inSlots(int k) const;
    struct PendingRefresh {
        std::vector<uint8_t> clearCurve; // curve k loses its points (slot k, grown as needed)
        std::vector<uint8_t> fillCurve;  // ... and gets the column's points again
        static void mark(std::vector<uint8_t>& curves, int k) {
            if (curves.size() <= static_cast<std::size_t>(k)) curves.resize(static_cast<std::size_t>(k) + 1, 0);
            curves[static_cast<std::size_t>(k)] = 1;
        }
        static bool marked(const std::vector<uint8_t>& curves, int k) {
            return static_cast<std::size_t>(k) < curves.size() && curves[static_cast<std::size_t>(k)];
        }
        bool allCurves = false;
        bool headerRow = false;
        bool chartTitles = false;
        bool appendedRows = false; // rows added at the end by the follower: the curves grow
    } pending_;

    // Auxiliary area: page setup, printing, viewer, about, help.
    // The chart's own print margins (left, top, right, bottom in percent); printing always uses
    // them. They are 15 until the Page Setup dialog first applies its margins.
    PageMarginSet chartPrintMargins_{15, 15, 15, 15};
    // The printer chosen in the print dialog PrintDialog1, kept between print jobs.
    std::shared_ptr<QPrinter> printer1_;

    DataSet ds_;
    QString settingsPath_;
    // The file read at start-up in place of settingsPath_ (empty: settingsPath_ itself).
    QString settingsDefaults_;
    DialogResponder* responder_ = nullptr;

    // widgets
    QSplitter* splitter1_ = nullptr; // Panel1 | Chart1
    QSplitter* splitter2_ = nullptr; // SGridFiles / SGridData
    QWidget* panel1_ = nullptr;
    QTableWidget* gridFiles_ = nullptr;
    DataGridView* gridData_ = nullptr;
    DataGridModel* gridModel_ = nullptr;
    CurveChart* chart_ = nullptr;
    QLabel* statusPanel0_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QPushButton* cancelButton_ = nullptr; // beside the progress bar, while a load shows it
    QTimer* timer1_ = nullptr;
    // The row a press on a row number started a whole-row selection at; Shift+press extends from it.
    int rowAnchor_ = 0;
    QFileDialog* openDialog1_ = nullptr;

    // dialogs, created once and reused
    FormOptions* formOptions_ = nullptr;
    FormSetting* formSetting_ = nullptr;
    FormModify* formModify_ = nullptr;
    FormPreprint* formPreprint_ = nullptr;
    FormAbout* formAbout_ = nullptr;
    FormFileView* form1_ = nullptr;

    // menu items
    QMenu* menuFile_ = nullptr;
    QMenu* menuEdit_ = nullptr;
    QMenu* menuView_ = nullptr;
    QMenu* menuOptions_ = nullptr;
    QMenu* menuHelp_ = nullptr;
    QMenu* popup_ = nullptr; // PMenuSGridData
    RecentFilesMenu* menuRecentFiles_ = nullptr;
    QAction *menuOpen_{}, *menuSave_{}, *menuDeleteFile_{}, *menuPageSetup_{}, *menuPrint_{}, *menuExportChart_{}, *menuExit_{};
    QAction *menuUndo_{}, *menuDelete_{}, *menuModify_{}, *menuRedo_{};
    QAction *menuShow_{}, *menuHide_{}, *menuColor_{}, *menuSetAsX_{}, *menuYScale_{}, *menuViewFile_{};
    QAction* menuFollowFile_{};
    QAction *menuGenOptions_{}, *menuChartOptions_{}, *menuContents_{}, *menuAbout_{};
    QAction *pmenuShow_{}, *pmenuHide_{}, *pmenuColor_{}, *pmenuSetAsX_{}, *pmenuDelete_{}, *pmenuModify_{};
};

} // namespace varnotile
