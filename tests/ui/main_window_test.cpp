// The main window's start-up state, caption and status bar, and loading through the window.
#include "curve_chart.h"
#include "dialog_recorder.h"
#include "main_window.h"
#include "test_files.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

QString panel(MainWindow& w, int i) {
    return w.findChild<QLabel*>(i == 0 ? QStringLiteral("StatusPanel0") : QStringLiteral("StatusPanel1"))->text();
}

QAction* item(MainWindow& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }
// A menu item's caption as read, without the '&' that marks its menu letter.
QString caption(MainWindow& w, const char* name) { return item(w, name)->text().remove(QLatin1Char('&')); }

struct Window {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    Window() { w.setDialogResponder(&recorder); }
    void open(const std::string& name, const std::string& bytes) {
        w.openFile(QString::fromStdString(dir.write(name, bytes)));
    }
};

} // namespace

TEST(MainWindowStart, CaptionStatusAndDisabledItems) {
    Window t;
    EXPECT_EQ(t.w.windowTitle(), QStringLiteral("Varnotile"));
    EXPECT_TRUE(panel(t.w, 0).isEmpty());
    EXPECT_TRUE(panel(t.w, 1).isEmpty());
    for (const char* name : {"menuShow", "menuHide", "menuColor", "menuSetAsX", "PMenuShow", "PMenuHide",
                             "PMenuColor", "PMenuSetAsX", "PMenuDelete", "PMenuModify"})
        EXPECT_FALSE(item(t.w, name)->isEnabled()) << name;
    for (const char* name : {"menuOpen", "menuSave", "menuDeleteFile", "menuPageSetup", "menuPrint", "menuExit",
                             "menuUndo", "menuDelete", "MenuModify", "menuYScale", "menuViewFile",
                             "menuGenOptions", "menuChartOptions", "menuContents", "menuAbout"})
        EXPECT_TRUE(item(t.w, name)->isEnabled()) << name;
    EXPECT_EQ(caption(t.w, "menuUndo"), QStringLiteral("Undo   Ctrl+Z"));
    EXPECT_EQ(caption(t.w, "menuContents"), QStringLiteral("Pelmora Help"));
    auto* grid = t.w.findChild<QTableView*>(QStringLiteral("SGridData"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->model()->columnCount(), 10); // 11 grid columns with the row numbers
    EXPECT_EQ(grid->model()->rowCount(), 9);     // 10 grid rows with the header row
    EXPECT_TRUE(t.w.dataSet().View.PercentScale && t.w.dataSet().View.ShowCurveNames &&
                t.w.dataSet().View.ShowChartTitle);
    // The context menu's order, separators included, is fixed.
    auto* popup = t.w.findChild<QMenu*>(QStringLiteral("PMenuSGridData"));
    ASSERT_NE(popup, nullptr);
    QStringList order;
    for (QAction* a : popup->actions()) order << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(order.join(QLatin1Char(' ')),
              QStringLiteral("PMenuShow PMenuHide - PMenuColor PMenuSetAsX - PMenuDelete PMenuModify"));
}

TEST(MainWindowStatus, HeaderOrFirstLine) {
    Window t;
    t.open("h.csv", "Title line\nA,B\n1,2\n3,4\n5,6\n");
    EXPECT_EQ(t.w.windowTitle(), QStringLiteral("Varnotile  - ") + QString::fromStdString(t.dir.path() + "/h.csv"));
    EXPECT_EQ(panel(t.w, 0), QStringLiteral("Header:"));
    EXPECT_EQ(panel(t.w, 1), QStringLiteral("Title line   "));
    t.open("d.csv", "1,2\n3,4\n5,6\n7,8\n9,10\n");
    EXPECT_EQ(panel(t.w, 0), QStringLiteral("First Line:"));
    EXPECT_EQ(panel(t.w, 1), QStringLiteral("1,2"));
}

TEST(MainWindowLoad, MessagesAndTheGrid) {
    Window t;
    t.open("few.csv", "1,2\n3,4\n5,6\n7,8\n");
    EXPECT_EQ(t.recorder.notices, QStringList{QStringLiteral("Too few Data")});
    EXPECT_EQ(t.w.windowTitle(), QStringLiteral("Varnotile"));
    t.recorder.notices.clear();
    const std::string row = "1,2,3,4,5,6,7,8,9,10,11,12\n";
    t.open("wide.csv", row + row + row + row + row);
    EXPECT_EQ(t.recorder.notices, QStringList{QStringLiteral("Maximum Number of Colons - 10")});
    auto* grid = t.w.findChild<QTableView*>(QStringLiteral("SGridData"));
    EXPECT_EQ(grid->model()->columnCount(), 11);
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(grid->model()->index(4, 10).data().toString(), QStringLiteral("11"));
    EXPECT_EQ(grid->model()->headerData(4, Qt::Vertical).toString(), QStringLiteral("5"));
}

TEST(MainWindowLoad, UnreadableFileIsReportedAndLeavesTheTableEmpty) {
    Window t;
    t.w.openFile(QString::fromStdString(t.dir.path())); // a folder
    ASSERT_EQ(t.recorder.notices.size(), 1);
    EXPECT_TRUE(t.recorder.notices[0].contains(QString::fromStdString(t.dir.path())));
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 0);
}

TEST(MainWindowKeys, EveryKeyRefreshesTheCaption) {
    Window t;
    t.w.SGridDataKeyDown(Qt::Key_Down, Qt::NoModifier);
    EXPECT_EQ(t.w.windowTitle(), QStringLiteral("Varnotile  - "));
}

TEST(MainWindowStart, OpenDialogOffersTheFiveFilters) {
    Window t;
    auto* dialog = t.w.findChild<QFileDialog*>(QStringLiteral("OpenDialog1"));
    ASSERT_NE(dialog, nullptr);
    const QStringList filters = dialog->nameFilters();
    ASSERT_EQ(filters.size(), 5);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("csv files (*.csv)")));
    EXPECT_TRUE(filters[1].startsWith(QStringLiteral("text files (*.txt)")));
    EXPECT_TRUE(filters[2].startsWith(QStringLiteral("All text files (*.csv, *.txt, *.prn, *.dat)")));
    EXPECT_TRUE(filters[3].startsWith(QStringLiteral("Compressed text files (*.gz, *.xz, *.bz2, *.zst)")));
    EXPECT_TRUE(filters[4].startsWith(QStringLiteral("All files")));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
}

// A file that is refused leaves nothing of the file before it on screen (titles, legend,
// status), and choosing it again in the folder list reads it again.
TEST(MainWindowLoad, ARefusedFileLeavesNothingOfTheFileBeforeAndCanBeChosenAgain) {
    Window t;
    t.open("a.csv", "T1,T2\n1,2\n3,4\n5,6\n7,8\n");
    auto* chart = t.w.findChild<CurveChart*>(QStringLiteral("Chart1"));
    ASSERT_EQ(chart->legend->itemCount(), 2);
    t.open("few.csv", "1,2\n3,4\n");
    EXPECT_EQ(t.recorder.notices, QStringList{QStringLiteral("Too few Data")});
    EXPECT_EQ(chart->legend->itemCount(), 0);
    EXPECT_FALSE(chart->yAxis->label().contains(QStringLiteral("T1")));
    EXPECT_TRUE(panel(t.w, 0).isEmpty());
    EXPECT_TRUE(panel(t.w, 1).isEmpty());
    auto* list = t.w.findChild<QTableWidget*>(QStringLiteral("SGridFiles"));
    EXPECT_EQ(list->currentRow(), -1); // the refused file's row is not taken as shown
    for (int r = 0; r < list->rowCount(); ++r)
        if (list->item(r, 0)->text() == QStringLiteral("few.csv")) list->setCurrentCell(r, 0);
    EXPECT_EQ(t.recorder.notices.size(), 2) << "read again";
}

// The legend lists only the curves drawn: no slot for the X column, a text column or a column
// the file does not have; names with underscores are listed whole.
TEST(MainWindowLoad, TheLegendListsOnlyTheDrawnCurves) {
    Window t;
    t.open("a.csv", "time,T1_degC,note,T2_degC\n1,2,a,4\n3,4,b,5\n5,6,c,6\n7,8,d,7\n");
    auto* chart = t.w.findChild<CurveChart*>(QStringLiteral("Chart1"));
    QStringList names;
    for (int i = 0; i < chart->legend->itemCount(); ++i)
        names << static_cast<QCPPlottableLegendItem*>(chart->legend->item(i))->plottable()->name();
    EXPECT_EQ(names, (QStringList{"time", "T1_degC", "T2_degC"}));
    t.w.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 1, 0);
    t.w.menuSetAsXClick();
    EXPECT_EQ(chart->legend->itemCount(), 2);
}

// The X column stays for the next file only where that file has it as numbers; otherwise the
// curves are drawn over the row numbers and the header shows the X mark there.
TEST(MainWindowLoad, TheXColumnFollowsOnlyToAFileThatHasItAsNumbers) {
    Window t;
    const std::string row = "1,2,3,4,5,6,7\n";
    t.open("seven.csv", row + row + row + row + row);
    t.w.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 7, 0);
    t.w.menuSetAsXClick();
    ASSERT_EQ(t.w.dataSet().View.XColumn, 7);
    t.open("four.csv", "1,5,9,13\n2,6,10,14\n3,7,11,15\n4,8,12,16\n5,9,13,17\n");
    EXPECT_EQ(t.w.dataSet().View.XColumn, 0);
    auto* chart = t.w.findChild<CurveChart*>(QStringLiteral("Chart1"));
    EXPECT_EQ(chart->curve(2)->pointX(4), 5.0); // row numbers
    EXPECT_EQ(chart->timeAxis(), TimeKind::None);
}

// Curves all of one colour: the proposal bar offers distinct colours, which tell them apart.
TEST(MainWindowLoad, CurvesOfOneColourAreOfferedDistinctColours) {
    Window t;
    auto* bar = t.w.findChild<QWidget*>(QStringLiteral("proposalBar"));
    auto* button = t.w.findChild<QPushButton*>(QStringLiteral("proposalColoursButton"));
    auto* chart = t.w.findChild<CurveChart*>(QStringLiteral("Chart1"));
    t.open("one.csv", "a\n1\n2\n3\n4\n5\n");
    EXPECT_FALSE(bar->isVisibleTo(&t.w)) << "one curve";
    t.open("two.csv", "a,b\n1,2\n3,4\n5,6\n7,8\n");
    ASSERT_TRUE(bar->isVisibleTo(&t.w));
    ASSERT_TRUE(button->isVisibleTo(&t.w));
    button->click();
    EXPECT_NE(chart->curve(1)->pen().color(), chart->curve(2)->pen().color());
    EXPECT_FALSE(bar->isVisibleTo(&t.w));
}
