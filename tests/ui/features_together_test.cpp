// The window's parts seen together: the measuring docks beside a chart of a twelve-channel logger
// on a small screen, the chart of a file with nothing to draw, Tab through General Settings, and the
// proposal bar once a table of several is read.
#include "curve_chart.h"
#include "dialog_recorder.h"
#include "form_setting.h"
#include "main_window.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

struct Window {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    std::unique_ptr<MainWindow> w = std::make_unique<MainWindow>(QString::fromStdString(dir.path() + "/varnotile.INI"));
    CurveChart* chart = w->findChild<CurveChart*>(QStringLiteral("Chart1"));
    Window() {
        w->setDialogResponder(&recorder);
        w->resize(1000, 700);
        w->show();
    }
    void open(const std::string& name, const std::string& text) {
        w->openFile(QString::fromStdString(dir.write(name, text)));
        settle();
    }
};

} // namespace

// Both docks open beside the chart of a wide day of logging: the window still fits a 1280 wide screen.
TEST(FeaturesTogether, MeasuringDocksLeaveTheWindowNarrowEnough) {
    Window win;
    std::string text = "Time";
    for (int c = 1; c <= 9; ++c) text += ",Channel " + std::to_string(c);
    text += "\n";
    for (int r = 0; r < 50; ++r) {
        text += "2026-11-14T" + std::string(r < 10 ? "0" : "") + std::to_string(r % 24) + ":00:00";
        for (int c = 1; c <= 9; ++c) text += "," + std::to_string(1000.123456 + r * c);
        text += "\n";
    }
    win.open("day.csv", text);
    win.w->findChild<QAction*>(QStringLiteral("menuStatistics"))->trigger();
    win.w->findChild<QAction*>(QStringLiteral("menuCursors"))->trigger();
    settle();
    EXPECT_LE(win.w->minimumSizeHint().width(), 1280);
    EXPECT_LE(win.w->width(), 1280);
}

// A file whose columns hold no numbers: the empty plot keeps the chart's width.
TEST(FeaturesTogether, ChartOfNothingToDrawKeepsItsWidth) {
    Window win;
    win.open("names.txt", "name\nfoo\nbar\nbaz\n");
    win.chart->replot();
    EXPECT_GT(win.chart->axisRect()->width(), win.chart->width() / 2);
}

// General Settings opens on its first control, and Tab reaches the table number with the reading
// options before the OK button.
TEST(FeaturesTogether, GeneralSettingsTabReachesEveryReadingOption) {
    FormSetting form;
    form.show();
    settle();
    ASSERT_TRUE(form.focusWidget());
    EXPECT_EQ(form.focusWidget()->objectName(), QStringLiteral("ChBoxKeepAge"));
    QStringList order;
    for (QWidget* w = form.focusWidget()->nextInFocusChain(); w != form.focusWidget(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus && w->isVisible()) order << w->objectName();
    EXPECT_LT(order.indexOf(QStringLiteral("ChBoxContinuedLines")), order.indexOf(QStringLiteral("SEditTable")));
    EXPECT_LT(order.indexOf(QStringLiteral("SEditTable")), order.indexOf(QStringLiteral("ChBoxWide")));
    EXPECT_LT(order.indexOf(QStringLiteral("ChBoxWide")), order.indexOf(QStringLiteral("BitBtnClose")));
}

// A table of several read: the bar keeps the list of tables (with distinct colours beside it) but no
// longer offers "Read it that way", which would only read the same table again.
TEST(FeaturesTogether, TableReadLeavesTheListWithoutTheReadButton) {
    Window win;
    win.open("sets.csv", "t,x\n1,2\n2,3\n3,4\n4,5\n5,6\n6,7\n&\nt,x,y\n1,2,3\n2,3,4\n3,4,5\n");
    auto* bar = win.w->findChild<QWidget*>(QStringLiteral("proposalBar"));
    auto* read = bar->findChild<QPushButton*>(QStringLiteral("proposalReadButton"));
    auto* tables = bar->findChild<QComboBox*>(QStringLiteral("proposalTables"));
    EXPECT_TRUE(read->isVisibleTo(bar));
    tables->setCurrentIndex(1);
    emit tables->activated(1);
    settle();
    ASSERT_EQ(win.w->dataSet().Layout.Reading.table, 2);
    EXPECT_TRUE(bar->isVisibleTo(win.w.get()));
    EXPECT_TRUE(tables->isVisibleTo(bar));
    EXPECT_FALSE(read->isVisibleTo(bar));
    EXPECT_TRUE(bar->findChild<QPushButton*>(QStringLiteral("proposalColoursButton"))->isVisibleTo(bar));
}
