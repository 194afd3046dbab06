// A load runs beside the window's event loop: events keep being handled while openFile reads
// the file (so the window stays painted), the user's input is dropped, and openFile still
// returns with the whole table; a file opened meanwhile takes the load's place.
#include "dialog_recorder.h"
#include "data_grid_model.h"
#include "data_grid_view.h"
#include "main_window.h"
#include "test_files.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QTimer>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

// Counts the key presses that reach a widget.
struct KeyCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) ++presses;
        return false;
    }
};

TEST(WorkProgress, LoadKeepsEventsFlowingButHoldsInput) {
    varnotile::test::TempDir dir;
    constexpr int kRows = 300000;
    std::string text = "t,v\n";
    for (int r = 0; r < kRows; ++r) text += std::to_string(r) + "," + std::to_string(r % 977) + ".25\n";
    const QString big = QString::fromStdString(dir.write("big.csv", text));
    DialogRecorder recorder;
    MainWindow w(QString::fromStdString(dir.path() + "/varnotile.INI"));
    w.setDialogResponder(&recorder);
    w.show();
    auto* grid = w.findChild<DataGridView*>(QStringLiteral("SGridData"));
    ASSERT_NE(grid, nullptr);
    KeyCounter keys;
    grid->installEventFilter(&keys);

    bool ranDuringLoad = false, busy = false;
    // Posted before openFile: it can only run before openFile returns if the load lets the event
    // loop run.
    QTimer::singleShot(0, &w, [&] {
        ranDuringLoad = true;
        busy = w.dataSetBusy();
        QCoreApplication::postEvent(grid, new QKeyEvent(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier));
    });
    w.openFile(big);
    const int keysDuringLoad = keys.presses;

    EXPECT_TRUE(ranDuringLoad);
    EXPECT_TRUE(busy);
    EXPECT_EQ(keysDuringLoad, 0);
    EXPECT_FALSE(w.dataSetBusy());
    EXPECT_EQ(w.dataSet().File.CurrentFileName, big.toStdString());
    EXPECT_EQ(w.dataSet().Layout.DataRowCount, kRows);
    EXPECT_EQ(grid->model()->rowCount(), kRows);
    EXPECT_EQ(grid->model()->index(kRows - 1, 0).data().toString(), QString::number(kRows - 1));
    EXPECT_TRUE(w.findChild<QProgressBar*>(QStringLiteral("progressBar"))->isHidden());
    EXPECT_TRUE(recorder.notices.isEmpty());
}

} // namespace
