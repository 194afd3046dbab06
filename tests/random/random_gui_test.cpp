// Seeded random use of one shown main window: pointer presses and drags on the data grid, cell
// edits, Delete, Undo, Modify, the curve and chart commands, keys and clicks through the grid
// widget itself, repaints, the viewer, page setup, About and print dialogs, printing to PDF,
// loading example and malformed files and saving. Every modal dialog is answered by a timer; the
// grid's model runs under QAbstractItemModelTester (its complaints fail the run). Whatever the actions did, undoing
// all of them must give back the table as it was loaded: the bytes a save writes are compared
// with those of a save right after the load.
//
// Each seed is its own test (RandomGui/Seeds.Run/<n>, n = 0..49 for seeds 1..50). To replay one
// seed: VARNOTILE_GUI_SEED=<seed> varnotile_random_gui_tests --gtest_filter=RandomGui.Replay
// (VARNOTILE_GUI_ACTIONS changes the number of actions there, VARNOTILE_GUI_TRACE=1 prints them).
#include "dialog_recorder.h"
#include "data_grid_model.h"
#include "data_writer.h"
#include "main_window.h"
#include "test_files.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QHeaderView>
#include <QTest>
#include <QWindow>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace varnotile;
using varnotile::test::readFile;

namespace {

constexpr int kSeeds = 50;
constexpr int kActions = 300;

// Model test failures are reported as warnings of this category; they fail the run.
QStringList modelTestFailures;
QtMessageHandler previousHandler = nullptr;

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category && QByteArray(context.category) == "qt.modeltest" && type != QtDebugMsg)
        modelTestFailures << text;
    if (type == QtFatalMsg || type == QtCriticalMsg || qEnvironmentVariableIsSet("VARNOTILE_GUI_TRACE"))
        previousHandler(type, context, text);
}

// Small files that are odd in one way each: the layout detection, the numbers and the writer must
// cope with all of them.
std::vector<std::pair<std::string, std::string>> hostileCorpus() {
    std::vector<std::pair<std::string, std::string>> files = {
        {"empty.csv", ""},
        {"newlines.csv", "\n\n\n\n"},
        {"one_line.csv", "1,2,3"},
        {"one_value.csv", "5\n"},
        {"only_delims.csv", ",,,,\n,,,,\n,,,,\n"},
        {"crlf_cr.csv", "a,b\r1,2\r3,4\r\n5,6\r\n\r\n"},
        {"bom.csv", "\xEF\xBB\xBFtime,value\n0,1\n1,2\n2,3\n"},
        {"latin1.csv", "Zeit,Stra\xDF" "e\nm,\xB5m\n1,2\n3,4\n5,6\n"},
        {"bad_utf8.csv", "a,b\n1,\xC3\n\xFF,2\n3,4\n"},
        {"nul.csv", std::string("a,b\n1,2\n3,\0\n4,5\n", 17)},
        {"numbers.csv", "x,y,z\n1e308,-1e308,1e-320\n-0,+0,.5\n1e400,-1e400,0x10\n1.5e,e5,--1\n2,3,4\n"},
        {"decimal_comma.csv", "a;b\n1,5;2,5\n3,5;4,5\n5,5;6,5\n"},
        {"tabs.txt", "a\tb\tc\n1\t2\t3\n4\t5\t6\n7\t8\t9\n"},
        {"wide.csv", ""},
        {"ragged.csv", "h1,h2,h3\n1\n1,2,3,4,5,6\n1,2\n,,\n7,8,9\n"},
        {"quotes.csv", "\"a\",\"b\"\n\"1\",\"2\"\n\"3,5\",4\n5,6\n"},
        {"header_only.csv", "Title\nname,value\nunit,V\n"},
        {"many_headers.csv", ""},
        {"long_line.csv", ""},
        {"spaces.csv", " 1 , 2 \n 3 ,4\n5, 6 \n  ,  \n7,8\n"},
        {"text_column.csv", "id,name,val\n1,alpha,2\n2,beta,3\n3,gamma,x\n4,,5\n"},
        {"big_and_small.prn", "v\n1e-300\n1e300\n-1e300\n0\n1\n"},
    };
    for (auto& [name, bytes] : files) {
        if (name == "wide.csv") {
            for (int line = 0; line < 6; ++line) {
                for (int k = 0; k < 30; ++k) bytes += std::to_string(line * 30 + k) + ",";
                bytes += "\n";
            }
        } else if (name == "many_headers.csv") {
            for (int line = 0; line < 30; ++line) bytes += "Header line " + std::to_string(line) + "\n";
            bytes += "a,b\n1,2\n3,4\n5,6\n";
        } else if (name == "long_line.csv") {
            bytes = "a,b\n" + std::string(20000, '7') + ",1\n2,3\n4,5\n";
        }
    }
    return files;
}

// Texts a user might type into a cell or a dialog field.
const std::array<const char*, 24> kTexts = {
    "", "0", "1", "-1", "3.25", "1e5", "-2.5e-3", "abc", " 7 ", "1,5", ";", "\t", "1e400", "-0",
    "999999999999999999999", "nan", "inf", "\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC", "12:30", "--",
    "0x1F", "1e-400", "  "};

class RandomSession {
public:
    explicit RandomSession(unsigned seed) : seed_(seed), random_(seed) {
        trace_ = qEnvironmentVariableIsSet("VARNOTILE_GUI_TRACE");
        for (const auto& entry : std::filesystem::directory_iterator(VARNOTILE_EXAMPLES)) {
            const std::string name = entry.path().filename().string();
            dir_.write(name, readFile(entry.path().string()));
            files_.push_back(dir_.path() + "/" + name);
        }
        examples_ = files_.size();
        for (const auto& [name, bytes] : hostileCorpus()) files_.push_back(dir_.write(name, bytes));
        std::filesystem::create_directory(dir_.path() + "/saved");

        window_ = std::make_unique<MainWindow>(QString::fromStdString(dir_.path() + "/varnotile.INI"));
        window_->setDialogResponder(&recorder_);
        grid_ = window_->findChild<QTableView*>(QStringLiteral("SGridData"));
        model_ = qobject_cast<DataGridModel*>(grid_->model());
        window_->show();
        tester_ = std::make_unique<QAbstractItemModelTester>(model_, QAbstractItemModelTester::FailureReportingMode::Warning);

        // Any modal dialog an action opens is answered by this timer while the action runs.
        modalTimer_.setInterval(0);
        QObject::connect(&modalTimer_, &QTimer::timeout, [this] { driveModal(); });
    }

    ~RandomSession() {
        tester_.reset();
        // The window must not ask anything when it goes.
        window_->dataSet().Journal.clear();
        window_.reset();
    }

    // Runs `count` actions and the final check; failures carry the seed.
    void run(int count) {
        load(anyFile());
        for (action_ = 1; action_ <= count && !::testing::Test::HasFatalFailure(); ++action_) {
            step();
            QCoreApplication::processEvents();
            checkConsistency();
            if (!modelTestFailures.isEmpty()) {
                ADD_FAILURE() << where() << "model test: " << modelTestFailures.join(QLatin1Char('\n')).toStdString();
                return;
            }
            // The journal keeps at most 200 entries; check before the oldest would be dropped.
            if (ds().UndoCount() >= 190) checkpoint();
        }
        checkpoint();
    }

private:
    DataSet& ds() { return window_->dataSet(); }
    MainWindow& w() { return *window_; }

    std::string where() const {
        return "seed " + std::to_string(seed_) + ", action " + std::to_string(action_) + " (" + last_ +
               "), file " + currentFile_ + ": ";
    }

    std::size_t pick(std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
    int between(int lo, int hi) { return hi < lo ? lo : std::uniform_int_distribution<int>(lo, hi)(random_); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    QString randomText() {
        if (chance(70)) {
            // Mostly numbers, which change Values, the statistics and the curves.
            const int kind = between(0, 2);
            if (kind == 0) return QString::number(between(-1000, 1000));
            if (kind == 1) return QString::number(between(-100000, 100000) / 100.0, 'g', 8);
        }
        return QString::fromUtf8(kTexts[pick(kTexts.size())]);
    }
    void note(const std::string& text) {
        last_ = text;
        if (trace_)
            std::fprintf(stderr, "[seed %u #%d] %s (%d x %d, %d entries, %s)\n", seed_, action_, text.c_str(),
                         ds().Layout.ColumnCount, ds().Layout.DataRowCount, ds().UndoCount(),
                         currentFile_.c_str());
    }

    int gridColumns() const { return model_->gridColumnCount(); }
    int gridRows() const { return model_->gridRowCount(); }

    // The bytes a save of the table as it stands would write.
    std::string tableBytes() { return DataFileText(ds()); }

    void load(const std::string& path) {
        currentFile_ = path;
        ++loads_;
        w().openFile(QString::fromStdString(path));
        rebase();
    }
    // The table as it stands is the one undoing must come back to.
    void rebase() {
        if (action_ > 0 && last_.rfind("save", 0) == 0) ++saves_;
        baseline_ = tableBytes();
        baseNames_ = ds().Layout.ColumnNames;
        baseLabels_ = ds().Layout.ColumnLabels;
        ASSERT_EQ(ds().UndoCount(), 0) << where();
    }

    // Undoes every journalled action and compares the table with the baseline.
    void checkpoint() {
        const int entries = ds().UndoCount();
        for (int i = 0; i < entries + 5 && ds().UndoCount() > 0; ++i) {
            if (chance(50))
                w().menuUndoClick();
            else
                w().SGridDataKeyDown(Qt::Key_Z, Qt::ControlModifier);
        }
        ASSERT_EQ(ds().UndoCount(), 0) << where() << "undo does not empty the journal";
        undone_ += entries;
        // Renaming in the Modify dialog is not journalled; put the names back as a user would.
        ds().Layout.ColumnNames = baseNames_;
        ds().Layout.ColumnLabels = baseLabels_;
        const std::string now = tableBytes();
        if (now != baseline_) {
            ADD_FAILURE() << where() << "undoing " << entries << " entries does not give back the loaded table\n--- loaded:\n"
                          << baseline_.substr(0, 2000) << "\n--- after undo:\n" << now.substr(0, 2000);
        }
        // A real save writes exactly these bytes.
        const std::string out = dir_.path() + "/saved/check.out";
        ASSERT_EQ(SaveDataFile(ds(), out, false), "") << where();
        EXPECT_EQ(readFile(out), baseline_) << where();
        ++checkpoints_;
    }

    void checkConsistency() {
        const DataSet& d = ds();
        if (d.Layout.ColumnCount > 0 && d.Layout.DataRowCount > 0) {
            ASSERT_EQ(model_->rowCount(), d.Layout.DataRowCount) << where();
            ASSERT_EQ(model_->columnCount(), d.Layout.ColumnCount) << where();
        }
        ASSERT_GE(d.UndoCount(), 0) << where();
        ASSERT_LE(d.UndoCount(), 200) << where();
    }

    // ---- modal dialogs
    void runModal(std::function<void(QWidget*, int)> act, const std::function<void()>& command) {
        modalAct_ = std::move(act);
        modalTicks_ = 0;
        modalTimer_.start();
        command();
        modalTimer_.stop();
        modalAct_ = nullptr;
    }
    void driveModal() {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close(); // the grid's context menu
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        auto* dialog = qobject_cast<QDialog*>(modal);
        // First the action's own handling; a dialog still open after that is cancelled.
        if (modalTicks_++ == 0 && modalAct_) {
            modalAct_(modal, 0);
        } else if (dialog) {
            dialog->reject();
        } else {
            modal->close();
        }
    }

    // ---- the actions
    void step() {
        // Loads and saves start a new baseline; they are kept rare so that checks undo long runs.
        // A file that was refused leaves an empty table, on which little can happen: load another
        // file soon (an empty table is still saved now and then: it writes an empty file).
        if (ds().Layout.DataRowCount == 0 && chance(25)) {
            if (chance(10)) save(); else loadAnother();
            return;
        }
        const int roll = between(0, 99);
        if (roll < 7) headerPress();
        else if (roll < 13) rowDrag();
        else if (roll < 18) cellPress();
        else if (roll < 44) cellEdit();
        else if (roll < 51) deleteSelection();
        else if (roll < 57) undo();
        else if (roll < 64) modify();
        else if (roll < 72) curveCommand();
        else if (roll < 75) chartOptions();
        else if (roll < 77) { note("edit menu"); w().menuEditClick(); }
        else if (roll < 86) realInput();
        else if (roll < 89) { note("paint"); window_->grab(); }
        else if (roll < 91) auxDialog();
        else if (roll < 93) loadAnother();
        else if (roll < 95) folderListClick();
        else if (roll < 97) { if (ds().Layout.DataRowCount > 0) save(); else loadAnother(); }
        else randomSelection();
    }

    void headerPress() {
        const int column = between(0, gridColumns());
        const Qt::MouseButton button = chance(70) ? Qt::LeftButton : Qt::RightButton;
        note("header press column " + std::to_string(column));
        w().SGridDataMouseDown(button, Qt::NoModifier, column, 0);
        w().SGridDataMouseUp();
    }

    void rowDrag() {
        const int from = between(1, gridRows());
        note("row drag from " + std::to_string(from));
        w().SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 0, from);
        for (int i = between(1, 4); i > 0; --i)
            w().SGridDataMouseMove(Qt::LeftButton, chance(90) ? Qt::NoModifier : Qt::ShiftModifier, between(0, 1),
                                   between(-1, gridRows() + 1));
        for (int i = between(0, 3); i > 0; --i) w().Timer1Timer();
        w().SGridDataMouseUp();
    }

    // The cell becomes the grid's current cell, as a press makes it; the grid reports a new
    // current cell to the window itself. Cells outside the table cannot become current, and the
    // window hears of none: the grid is the only one to report cells to it.
    void selectCell(int column, int row) {
        const QModelIndex index = model_->index(row - 1, column - 1);
        if (index.isValid()) grid_->setCurrentIndex(index);
    }

    void cellPress() {
        const int column = between(1, gridColumns());
        const int row = between(1, gridRows());
        note("cell press " + std::to_string(column) + "," + std::to_string(row));
        w().SGridDataMouseDown(chance(80) ? Qt::LeftButton : Qt::RightButton, Qt::NoModifier, column, row);
        selectCell(column, row);
        w().SGridDataMouseUp();
    }

    void cellEdit() {
        if (model_->rowCount() == 0 || model_->columnCount() == 0) return;
        const int column = between(1, model_->columnCount());
        const int row = between(1, model_->rowCount());
        const int typed = between(1, 3); // the editor reports every change of its text
        note("cell edit " + std::to_string(column) + "," + std::to_string(row));
        if (chance(50)) {
            // As the grid does it: the cell becomes current, then the editor stores each text.
            const QModelIndex index = model_->index(row - 1, column - 1);
            grid_->setCurrentIndex(index);
            for (int i = 0; i < typed; ++i) model_->setData(model_->index(row - 1, column - 1), randomText(), Qt::EditRole);
        } else {
            selectCell(column, row);
            for (int i = 0; i < typed; ++i) w().SGridDataSetEditText(column, row, randomText());
        }
    }

    void deleteSelection() {
        if (chance(50)) {
            if (chance(50)) headerPress(); else rowDrag();
        }
        note("delete");
        if (chance(50))
            w().menuDeleteClick();
        else
            w().SGridDataKeyDown(Qt::Key_Delete, chance(80) ? Qt::NoModifier : Qt::ShiftModifier);
    }

    void undo() {
        note("undo");
        const int kind = between(0, 2);
        if (kind == 0) w().menuUndoClick();
        else if (kind == 1) w().SGridDataKeyDown(Qt::Key_Z, Qt::ControlModifier);
        else w().SGridDataKeyDown(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // does not undo
    }

    void modify() {
        if (chance(60)) headerPress();
        note("modify");
        const bool rename = chance(20);
        runModal([this, rename](QWidget* modal, int) {
            if (modal->objectName() != QLatin1String("TFormModify")) return;
            for (QLineEdit* edit : modal->findChildren<QLineEdit*>()) {
                const QString name = edit->objectName();
                if (name == QLatin1String("EditColonName") || name == QLatin1String("EditColonLabel")) {
                    if (rename) edit->setText(randomText());
                } else if (name == QLatin1String("EditBegRow") || name == QLatin1String("EditEndRow")) {
                    edit->setText(chance(80) ? QString::number(between(-2, ds().Layout.DataRowCount + 2))
                                             : randomText());
                } else if (chance(50)) {
                    edit->setText(randomText());
                }
            }
            if (auto* condition = modal->findChild<QComboBox*>(QStringLiteral("CmbBoxCondition")); condition && condition->count() > 0)
                condition->setCurrentIndex(between(0, condition->count() - 1));
            if (chance(20)) modal->findChild<QPushButton*>(QStringLiteral("BitBtnAll"))->click();
            modal->findChild<QPushButton*>(chance(80) ? QStringLiteral("BitBtnModify") : QStringLiteral("BitBtnCancel"))->click();
        }, [this] { w().MenuModifyClick(); });
    }

    void curveCommand() {
        if (chance(60)) headerPress();
        const int kind = between(0, 8);
        note("curve command " + std::to_string(kind));
        switch (kind) {
        case 0: w().menuShowClick(); break;
        case 1: w().menuHideClick(); break;
        case 2: w().menuSetAsXClick(); break;
        case 3: w().PMenuShowClick(); break;
        case 4: w().PMenuHideClick(); break;
        case 5: w().PMenuSetAsXClick(); break;
        case 6: runModal({}, [this] { w().menuColorClick(); }); break; // the colour dialog is cancelled
        case 7: w().ShowPointReadout(between(0, 11), between(-1, ds().Layout.DataRowCount + 1)); break;
        default: runModal({}, [this] { w().PMenuColorClick(); }); break;
        }
    }

    void chartOptions() {
        note("chart options");
        auto act = [this](QWidget* modal, int) {
            if (modal->objectName() != QLatin1String("TFormOptions")) return;
            if (chance(50)) modal->findChild<QRadioButton*>(QStringLiteral("RBtnPercent"))->setChecked(true);
            else modal->findChild<QRadioButton*>(QStringLiteral("RBtnNumeric"))->setChecked(true);
            if (chance(30)) modal->findChild<QCheckBox*>(QStringLiteral("ChBoxSeriesTitles"))->toggle();
            if (chance(30)) modal->findChild<QCheckBox*>(QStringLiteral("ChBoxChartTitle"))->toggle();
            if (chance(50)) modal->findChild<QPushButton*>(QStringLiteral("BitBtnOK"))->click(); else modal->close();
        };
        if (chance(50)) runModal(act, [this] { w().menuChartOptionsClick(); });
        else runModal(act, [this] { w().menuYScaleClick(); });
    }

    // Keys and pointer events through the grid widget itself, as the user gives them.
    void realInput() {
        note("input");
        runModal({}, [this] {
            const int kind = between(0, 5);
            QWidget* target = grid_;
            // Keys go to the grid (or its open editor), never to the folder list.
            grid_->setFocus();
            auto focus = [this]() -> QWidget* {
                QWidget* f = QApplication::focusWidget();
                return f && (f == grid_ || grid_->isAncestorOf(f)) ? f : grid_;
            };
            if (kind == 0) {
                // Typing into a cell: the first key opens the editor, the rest go to it.
                const int count = model_->rowCount() > 0 && model_->columnCount() > 0;
                if (count) grid_->setCurrentIndex(model_->index(between(0, model_->rowCount() - 1), between(0, model_->columnCount() - 1)));
                const QString text = randomText();
                note("input: typing \"" + text.toStdString() + "\" at " + std::to_string(grid_->currentIndex().column() + 1) +
                     "," + std::to_string(grid_->currentIndex().row() + 1));
                // QTest types printable ASCII only; other characters reach cells through setData.
                for (const QChar c : text) QTest::keyClick(focus(), c.unicode() >= 0x20 && c.unicode() < 0x7F ? c.toLatin1() : 'x');
                QTest::keyClick(focus(), chance(80) ? Qt::Key_Return : Qt::Key_Escape);
            } else if (kind == 1) {
                static const std::array<Qt::Key, 12> keys = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right,
                    Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_End, Qt::Key_Tab, Qt::Key_Delete,
                    Qt::Key_Z, Qt::Key_F2};
                const Qt::Key key = keys[pick(keys.size())];
                const Qt::KeyboardModifiers mods = key == Qt::Key_Z ? Qt::ControlModifier
                                                   : chance(30) ? Qt::ShiftModifier : Qt::NoModifier;
                note("input: key " + std::to_string(int(key)) + " modifiers " + std::to_string(int(mods)));
                QTest::keyClick(focus(), key, mods);
                if (key == Qt::Key_F2) QTest::keyClick(focus(), Qt::Key_Escape);
            } else {
                // Presses, drags and double clicks on the cells, the header row and the row numbers.
                target = kind == 2 ? grid_->viewport()
                         : kind == 3 ? grid_->horizontalHeader()->viewport()
                         : kind == 4 ? grid_->verticalHeader()->viewport() : grid_->viewport();
                // Through the window, as the window system delivers them.
                QWindow* window = window_->windowHandle();
                const QRect area = target->rect();
                auto point = [&] {
                    const QPoint local(between(0, std::max(0, area.width() - 1)), between(0, std::max(0, area.height() - 1)));
                    return target->mapTo(window_.get(), local);
                };
                const Qt::MouseButton button = chance(85) ? Qt::LeftButton : Qt::RightButton;
                const QPoint from = point();
                note("input: pointer " + std::to_string(kind) + " button " + std::to_string(int(button)) + " at " +
                     std::to_string(from.x()) + "," + std::to_string(from.y()));
                if (chance(20)) {
                    QTest::mouseDClick(window, button, {}, from);
                } else {
                    QTest::mousePress(window, button, {}, from);
                    for (int i = between(0, 3); i > 0; --i) QTest::mouseMove(window, point());
                    QTest::mouseRelease(window, button, {}, point());
                }
            }
            QCoreApplication::processEvents();
            if (QApplication::mouseButtons() != Qt::NoButton)
                ADD_FAILURE() << where() << "buttons still down after the input: " << int(QApplication::mouseButtons()) << " kind " << kind;
            // An editor left open is closed as Return would.
            if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget()); editor && grid_->isAncestorOf(editor))
                QTest::keyClick(editor, Qt::Key_Return);
        });
    }

    // The viewer, page setup, About and print dialogs (all closed again), and a chart printed to PDF.
    void auxDialog() {
        const int kind = between(0, 4);
        note("aux dialog " + std::to_string(kind));
        switch (kind) {
        case 0: runModal({}, [this] { w().menuViewFileClick(); }); break;
        case 1: runModal({}, [this] { w().menuPageSetupClick(); }); break;
        case 2: runModal({}, [this] { w().menuAboutClick(); }); break;
        case 3: runModal({}, [this] { w().menuPrintClick(); }); break;
        default: {
            QPrinter printer(QPrinter::ScreenResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(dir_.path() + "/saved/chart.pdf"));
            w().PrintChartOn(printer);
        }
        }
    }

    void randomSelection() {
        GridRect rect;
        rect.Left = between(0, gridColumns());
        rect.Right = between(rect.Left, gridColumns());
        rect.Top = between(0, gridRows());
        rect.Bottom = between(rect.Top, gridRows());
        note("selection");
        w().setSelectionRect(rect);
    }

    // Half of the loads take one of the examples, the others any file of the corpus.
    std::string anyFile() { return files_[pick(chance(50) ? examples_ : files_.size())]; }

    void loadAnother() {
        checkpoint();
        note("load");
        load(anyFile());
    }

    // A press on a file name in the folder list; unsaved edits make it ask first.
    void folderListClick() {
        auto* list = w().findChild<QTableWidget*>(QStringLiteral("SGridFiles"));
        if (!ds().FolderList.FileListActive || list->rowCount() == 0) return;
        const bool keepEdits = chance(30) && ds().UndoCount() > 0;
        if (!keepEdits) checkpoint();
        note("folder list");
        const int row = between(1, list->rowCount());
        // No is the answer: the edits are given up (a Yes would save them over the shown file).
        recorder_.answerYes = false;
        w().SGridFilesSelectCell(chance(80) ? 0 : between(1, 3), row);
        recorder_.answerYes = true;
        currentFile_ = ds().File.CurrentFileName;
        if (ds().UndoCount() == 0) rebase();
    }

    void save() {
        const std::string before = tableBytes();
        const std::string target = dir_.path() + "/saved/s" + std::to_string(seed_) + "_" + std::to_string(action_) + ".csv";
        if (chance(50) && !ds().File.CurrentFileName.empty() && ds().Layout.DataRowCount > 0) {
            note("save to the shown file");
            const std::string path = ds().File.CurrentFileName;
            if (w().SaveToCurrentFile()) {
                EXPECT_EQ(readFile(path), before) << where();
                EXPECT_EQ(ds().UndoCount(), 0) << where();
                rebase();
            }
            return;
        }
        note("save as");
        if (w().saveAsFile(QString::fromStdString(target))) {
            EXPECT_EQ(readFile(target), before) << where();
            currentFile_ = target;
            rebase();
        } else {
            ADD_FAILURE() << where() << "save failed: " << recorder_.notices.join(QLatin1Char('|')).toStdString();
        }
    }

public:
    int checkpoints() const { return checkpoints_; }
    // What the run did, for the log: checkpoints, entries undone there, loads, saves, messages.
    std::string summary() const {
        return "seed " + std::to_string(seed_) + ": " + std::to_string(checkpoints_) + " checks undid " +
               std::to_string(undone_) + " entries; " + std::to_string(loads_) + " loads, " + std::to_string(saves_) +
               " saves, " + std::to_string(recorder_.notices.size()) + " messages, " +
               std::to_string(recorder_.questions.size()) + " questions";
    }

private:
    unsigned seed_;
    std::mt19937 random_;
    bool trace_ = false;
    varnotile::test::TempDir dir_;
    std::vector<std::string> files_; // the examples first, then the odd files
    std::size_t examples_ = 0;
    DialogRecorder recorder_;
    std::unique_ptr<MainWindow> window_;
    QTableView* grid_ = nullptr;
    DataGridModel* model_ = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester_;
    QTimer modalTimer_;
    std::function<void(QWidget*, int)> modalAct_;
    int modalTicks_ = 0;
    int action_ = 0;
    int checkpoints_ = 0;
    int undone_ = 0;
    int loads_ = 0;
    int saves_ = 0;
    std::string last_ = "start";
    std::string currentFile_;
    std::string baseline_;
    decltype(DataLayout::ColumnNames) baseNames_;
    decltype(DataLayout::ColumnLabels) baseLabels_;
};

void runSeed(unsigned seed, int actions) {
    modelTestFailures.clear();
    RandomSession session(seed);
    session.run(actions);
    if (::testing::Test::HasFailure()) std::fprintf(stderr, "Replay with VARNOTILE_GUI_SEED=%u\n", seed);
    EXPECT_GE(session.checkpoints(), 1);
    std::printf("%s\n", session.summary().c_str());
}

class Seeds : public ::testing::TestWithParam<int> {};

TEST_P(Seeds, Run) { runSeed(static_cast<unsigned>(GetParam()), kActions); }

INSTANTIATE_TEST_SUITE_P(RandomGui, Seeds, ::testing::Range(1, kSeeds + 1));

TEST(RandomGui, Replay) {
    const QByteArray seed = qgetenv("VARNOTILE_GUI_SEED");
    if (seed.isEmpty()) GTEST_SKIP() << "set VARNOTILE_GUI_SEED to replay one seed";
    const int actions = qEnvironmentVariableIsSet("VARNOTILE_GUI_ACTIONS") ? qEnvironmentVariableIntValue("VARNOTILE_GUI_ACTIONS") : kActions;
    runSeed(static_cast<unsigned>(seed.toULong()), actions);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnotile"));
    previousHandler = qInstallMessageHandler(messageHandler);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
