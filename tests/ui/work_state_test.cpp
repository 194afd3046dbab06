// While a load or save runs it owns the window's data set: commands reach nothing however they
// come, a save writes the table as it stood, a cancelled load leaves the shown table as it was,
// and a file opened while the follower reloads its file still opens.
#include "dialog_recorder.h"
#include "cell_editing.h"
#include "curve_chart.h"
#include "data_grid_view.h"
#include "main_window.h"
#include "test_files.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>

using namespace varnotile;

namespace {

std::string rows(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i)
        s += std::to_string(i) + "," + std::to_string(i % 97) + ".5\n";
    return s;
}

std::map<QString, bool> actionStates(MainWindow& w) {
    std::map<QString, bool> states;
    for (QAction* a : w.findChildren<QAction*>())
        if (!a->objectName().isEmpty()) states[a->objectName()] = a->isEnabled();
    return states;
}

// Any modal dialog a command opens is noted and closed, so that a command that should have been
// refused shows up as a failure instead of a wait.
struct DialogWatch {
    int shown = 0;
    QTimer timer;
    DialogWatch() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++shown;
                dialog->reject();
            }
        });
        timer.start(20);
    }
};

bool processUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Window {
    test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    Window() {
        w.setDialogResponder(&recorder);
        w.resize(900, 600);
        w.show();
    }
    QAction* action(const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }
};

} // namespace

TEST(WorkState, CommandsReachNothingWhileASaveRuns) {
    Window t;
    constexpr int kRows = 400000;
    const std::string path = t.dir.write("big.csv", "t,v\n" + rows(1, kRows));
    t.w.openFile(QString::fromStdString(path));
    EditCell(t.w.dataSet(), 2, 3, "77");
    t.w.setSelectionRect({0, 1, t.w.findChild<DataGridView*>()->gridColumnCount(), 10}); // whole rows
    t.w.dataSet().Pointer.SelectedColumn = 2;
    t.w.menuEditClick(); // the Edit menu's items as it opens
    const auto before = actionStates(t.w);
    ASSERT_TRUE(before.at("menuUndo") && before.at("menuDelete") && before.at("menuOpen"));

    DialogWatch dialogs;
    bool ranDuringSave = false, allOff = true, edited = true;
    QTimer::singleShot(0, &t.w, [&] {
        ranDuringSave = t.w.dataSetBusy();
        for (const auto& [name, enabled] : actionStates(t.w))
            allOff = allOff && !enabled;
        allOff = allOff && !t.w.centralWidget()->isEnabled();
        // An accessibility "press" triggers the action; a queued or scripted call reaches the slot.
        for (const char* name : {"menuUndo", "menuDelete", "MenuModify", "menuOpen", "PMenuDelete"})
            t.action(name)->trigger();
        for (const char* slot :
             {"menuUndoClick", "menuDeleteClick", "MenuModifyClick", "menuOpenClick", "menuSaveClick"})
            QMetaObject::invokeMethod(&t.w, slot);
        QAbstractItemModel* model = t.w.findChild<DataGridView*>()->model();
        edited = model->setData(model->index(0, 1), QStringLiteral("5"), Qt::EditRole);
    });
    ASSERT_TRUE(t.w.SaveToCurrentFile());

    EXPECT_TRUE(ranDuringSave);
    EXPECT_TRUE(allOff);
    EXPECT_FALSE(edited);
    EXPECT_EQ(dialogs.shown, 0);
    const DataSet& ds = t.w.dataSet();
    EXPECT_EQ(ds.Layout.DataRowCount, kRows);
    EXPECT_EQ(ds.Table.Cells.cell(2, 3), "77");
    EXPECT_EQ(ds.Table.Cells.cell(2, 1), "1.5");
    std::string expected = "t,v\r\n";
    for (int i = 1; i <= kRows; ++i)
        expected +=
            std::to_string(i) + "," + (i == 3 ? std::string("77") : std::to_string(i % 97) + ".5") + "\r\n";
    EXPECT_TRUE(test::readFile(path) == expected);
    // Everything is on again as it was.
    EXPECT_EQ(actionStates(t.w), before);
    EXPECT_TRUE(t.w.centralWidget()->isEnabled());
}

TEST(WorkState, ACancelledLoadLeavesTheShownTableAsItWas) {
    Window t;
    const QString big = QString::fromStdString(t.dir.write("big.csv", "t,v,w\n" + rows(1, 300000)));
    const QString small = QString::fromStdString(t.dir.write("small.csv", "Time,Force\n" + rows(1, 30)));
    t.w.openFile(small);
    t.action("menuFollowFile")->trigger();
    EditCell(t.w.dataSet(), 2, 4, "-8");
    t.w.setSelectionRect({1, 5, 2, 7});
    auto shown = [&] {
        const DataSet& ds = t.w.dataSet();
        auto* chart = t.w.findChild<CurveChart*>();
        std::string s = ds.File.CurrentFileName + "|" + t.w.windowTitle().toStdString() + "|" +
                        std::to_string(ds.UndoCount()) + "|" + std::to_string(ds.Layout.DataRowCount) + "|" +
                        std::string(ds.Table.Cells.cell(2, 4)) + "|" + ds.Layout.ColumnNames[2];
        const GridRect r = t.w.gridSelection();
        s += "|sel " + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) +
             "," + std::to_string(r.Bottom);
        for (int k = 1; k <= 2; ++k)
            s += "|curve " + std::to_string(chart->curve(k)->pointCount());
        return s + "|grid " + std::to_string(t.w.findChild<DataGridView*>()->model()->rowCount());
    };
    const std::string before = shown();
    const auto states = actionStates(t.w);

    const std::function<void()> cancels[] = {
        [&] { t.w.findChild<QPushButton*>(QStringLiteral("BtnCancelWork"))->click(); },
        [&] {
            QCoreApplication::postEvent(&t.w,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        },
    };
    for (const auto& cancel : cancels) {
        bool ranDuringLoad = false;
        QTimer::singleShot(0, &t.w, [&] {
            ranDuringLoad = t.w.dataSetBusy();
            cancel();
        });
        t.w.openFile(big);
        EXPECT_TRUE(ranDuringLoad);
        EXPECT_EQ(shown(), before);
        EXPECT_EQ(actionStates(t.w), states);
        EXPECT_TRUE(t.w.findChild<QPushButton*>(QStringLiteral("BtnCancelWork"))->isHidden());
    }
    EXPECT_TRUE(t.recorder.notices.isEmpty());
    EXPECT_TRUE(t.recorder.questions.isEmpty());
}

// Truncations and rotations make the follower read its file afresh, a load like any other; a
// file opened meanwhile (a drop, a queued call) takes its place instead of being lost.
TEST(WorkState, AFileOpenedWhileTheFollowerReloadsOpens) {
    Window t;
    constexpr int kBig = 300000;
    const std::string big = t.dir.write("big.csv", "t,v\n" + rows(1, kBig));
    const std::string log = t.dir.write("log.csv", "Time,Force\n" + rows(1, 100000));
    t.w.openFile(QString::fromStdString(log));
    t.action("menuFollowFile")->trigger();

    const DataSet& ds = t.w.dataSet();
    const std::string rotated = log + ".new";
    std::ofstream(rotated, std::ios::binary) << "Time,Force\n" + rows(7, 90000);
    std::rename(rotated.c_str(), log.c_str());
    ASSERT_TRUE(processUntil([&] { return ds.Layout.DataRowCount == 90000 - 6; }));

    bool openedDuringReload = false;
    QTimer opener;
    QObject::connect(&opener, &QTimer::timeout, [&] {
        if (!t.w.dataSetBusy() || openedDuringReload) return;
        openedDuringReload = true;
        t.w.openFile(QString::fromStdString(big));
    });
    opener.start(0);
    std::ofstream(log, std::ios::binary | std::ios::trunc) << "Time,Force\n" + rows(1, 50000);
    ASSERT_TRUE(processUntil([&] { return openedDuringReload; }));
    ASSERT_TRUE(processUntil([&] { return !t.w.dataSetBusy() && ds.File.CurrentFileName == big; }));
    opener.stop();
    EXPECT_EQ(ds.Layout.DataRowCount, kBig);
    EXPECT_EQ(t.w.findChild<DataGridView*>()->model()->rowCount(), kBig);
    EXPECT_TRUE(t.recorder.notices.isEmpty());
    // The opened file is the one followed now: rows appended to it arrive.
    std::ofstream(big, std::ios::binary | std::ios::app) << rows(kBig + 1, kBig + 5);
    EXPECT_TRUE(processUntil([&] { return ds.Layout.DataRowCount == kBig + 5; }));
    const QString followState = t.w.findChild<QLabel*>(QStringLiteral("FollowState"))->text();
    EXPECT_TRUE(followState.startsWith(QStringLiteral("Following")));
}
