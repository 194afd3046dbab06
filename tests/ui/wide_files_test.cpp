// Wide files in the window: with the setting on, every column of a 25- and a 1,000-column file
// is a grid column and a curve, and every column command, undo and save work on the last ones;
// without it an 11-column file reads as ever.
#include "dialog_recorder.h"
#include "curve_chart.h"
#include "data_grid_view.h"
#include "loader.h"
#include "main_window.h"
#include "test_files.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace varnotile;

namespace {

// A names line, a units line and six rows; column k holds k, 2k, 3k, ... so that every value
// tells its column and row.
std::string wideFile(int columns) {
    std::string text;
    for (const char* head : {"C", "u"}) {
        for (int k = 1; k <= columns; ++k) text += (k > 1 ? "," : "") + std::string(head) + std::to_string(k);
        text += '\n';
    }
    for (int r = 1; r <= 6; ++r) {
        for (int k = 1; k <= columns; ++k) text += (k > 1 ? "," : "") + std::to_string(k * r);
        text += '\n';
    }
    return text;
}

struct WideWindow {
    test::TempDir dir;
    DialogRecorder recorder;
    std::unique_ptr<MainWindow> w;
    CurveChart* chart = nullptr;
    explicit WideWindow(bool wide) {
        if (wide) dir.write("varnotile.INI", "[Reading]\r\nWideFiles=1\r\n");
        w = std::make_unique<MainWindow>(QString::fromStdString(dir.path() + "/varnotile.INI"));
        w->setDialogResponder(&recorder);
        chart = w->findChild<CurveChart*>(QStringLiteral("Chart1"));
    }
    DataSet& ds() { return w->dataSet(); }
    // Presses the header cell of column k: the whole column is selected for the commands.
    void pickColumn(int k) { w->SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, k, 0); }
    // Runs `command`; while its modal dialog is open, `inDialog` acts on it.
    void withDialog(const std::function<void()>& command, const std::function<void(QDialog*)>& inDialog) {
        QTimer::singleShot(0, [&] { inDialog(qobject_cast<QDialog*>(QApplication::activeModalWidget())); });
        command();
    }
};

} // namespace

TEST(WideFiles, EveryColumnCommandWorksOnTheLastColumns) {
    for (const int columns : {25, 1000}) {
        SCOPED_TRACE(columns);
        WideWindow t(true);
        const std::string path = t.dir.write("wide.csv", wideFile(columns));
        t.w->openFile(QString::fromStdString(path));
        DataSet& ds = t.ds();
        ASSERT_EQ(ds.Layout.ColumnCount, columns);
        EXPECT_TRUE(t.recorder.notices.isEmpty()) << t.recorder.notices.join('|').toStdString();
        EXPECT_EQ(t.w->findChild<DataGridView*>(QStringLiteral("SGridData"))->gridColumnCount(), columns + 1);
        ASSERT_EQ(t.chart->curveCount(), columns);
        const int last = columns, before = columns - 1;
        EXPECT_EQ(t.chart->curve(last)->pointCount(), 6);
        EXPECT_EQ(ds.Table.ColumnMax[last], 6.0 * last);
        EXPECT_EQ(ds.View.CurveColors[13], ds.View.CurveColors[3]); // colours past the tenth repeat
        EXPECT_EQ(t.chart->legend->itemCount(), columns);

        // Hide and show.
        t.pickColumn(last);
        t.w->menuHideClick();
        EXPECT_EQ(t.chart->curve(last)->pointCount(), 0);
        EXPECT_EQ(t.chart->legend->itemCount(), columns - 1);
        t.w->menuShowClick();
        EXPECT_EQ(t.chart->curve(last)->pointCount(), 6);

        // Colour.
        t.withDialog([&] { t.w->menuColorClick(); },
                     [](QDialog* d) {
                         auto* colours = qobject_cast<QColorDialog*>(d);
                         ASSERT_NE(colours, nullptr);
                         colours->setCurrentColor(QColor(1, 2, 3));
                         colours->accept();
                     });
        EXPECT_EQ(ds.View.CurveColors[last], 0x030201u);
        EXPECT_EQ(t.chart->curve(last)->pen().color(), QColor(1, 2, 3));

        // Set as X: every other curve's points stand at the last column's values.
        t.w->menuSetAsXClick();
        EXPECT_EQ(ds.View.XColumn, last);
        EXPECT_EQ(t.chart->curve(1)->pointX(1), 2.0 * last);
        EXPECT_EQ(t.chart->curve(last)->pointCount(), 0);
        t.pickColumn(0);
        t.w->menuSetAsXClick();

        // Modify the last column (times 2), undo, redo.
        t.pickColumn(last);
        t.withDialog([&] { t.w->MenuModifyClick(); },
                     [](QDialog* d) {
                         d->findChild<QLineEdit*>(QStringLiteral("EditMult"))->setText(QStringLiteral("2"));
                         d->findChild<QPushButton*>(QStringLiteral("BitBtnModify"))->click();
                     });
        EXPECT_EQ(ds.value(last, 6), 12.0 * last);
        EXPECT_EQ(t.chart->curve(last)->pointY(5), ds.View.PercentScale ? 100.0 : 12.0 * last);
        t.w->menuUndoClick();
        EXPECT_EQ(ds.value(last, 6), 6.0 * last);
        t.w->menuRedoClick();
        EXPECT_EQ(ds.value(last, 6), 12.0 * last);

        // Delete the column before it, and a row; undo the row.
        t.pickColumn(before);
        t.w->menuDeleteClick();
        EXPECT_FALSE(ds.Layout.ColumnPresent[before]);
        EXPECT_EQ(t.chart->curve(before)->pointCount(), 0);
        const int gridColumns = t.w->findChild<DataGridView*>(QStringLiteral("SGridData"))->gridColumnCount();
        t.w->setSelectionRect(GridRect{0, 1, gridColumns, 1});
        t.w->menuDeleteClick();
        EXPECT_EQ(ds.Layout.DataRowCount, 5);
        t.w->menuUndoClick();
        EXPECT_EQ(ds.Layout.DataRowCount, 6);

        // Saved and read back wide, the file holds what the window shows.
        const std::string saved = t.dir.path() + "/saved.csv";
        ASSERT_TRUE(t.w->saveAsFile(QString::fromStdString(saved)));
        DataSet back;
        back.Layout.Reading.wideFiles = true;
        back.File.CurrentFileName = saved;
        ASSERT_EQ(LoadDataFile(back).status, LoadOutcome::Status::Loaded);
        ASSERT_EQ(back.Layout.ColumnCount, columns - 1);
        EXPECT_EQ(back.Layout.ColumnNames[before], "C" + std::to_string(last));
        for (int r = 1; r <= 6; ++r) {
            EXPECT_EQ(back.Table.Cells.cell(before, r), std::to_string(2 * last * r)) << r;
            EXPECT_EQ(back.Table.Cells.cell(1, r), std::to_string(r)) << r;
        }
    }
}

TEST(WideFiles, WithoutTheSettingElevenColumnsReadAsEverAndTheBarOffersWide) {
    WideWindow t(false);
    t.w->openFile(QString::fromStdString(t.dir.write("eleven.csv", wideFile(11))));
    DataSet& ds = t.ds();
    EXPECT_EQ(t.recorder.notices, QStringList{"Maximum Number of Colons - 10"});
    EXPECT_EQ(ds.Layout.ColumnCount, 11); // ten columns and the extra one
    EXPECT_FALSE(ds.Layout.ColumnIsNumeric[11]);
    EXPECT_EQ(t.chart->curveCount(), 10);
    QWidget* bar = t.w->findChild<QWidget*>(QStringLiteral("proposalBar"));
    ASSERT_TRUE(bar->isVisibleTo(t.w.get()));
    t.w->findChild<QPushButton*>(QStringLiteral("proposalReadButton"))->click();
    EXPECT_TRUE(ds.Layout.Reading.wideFiles);
    EXPECT_EQ(ds.Layout.ColumnCount, 11);
    EXPECT_TRUE(ds.Layout.ColumnIsNumeric[11]);
    EXPECT_EQ(t.chart->curve(11)->pointCount(), 6);

    // Wide, a line of more than 1,000 fields: the same notice with the new limit.
    WideWindow wide(true);
    wide.w->openFile(QString::fromStdString(wide.dir.write("toowide.csv", wideFile(1001))));
    EXPECT_EQ(wide.recorder.notices, QStringList{"Maximum Number of Colons - 1000"});
    EXPECT_EQ(wide.ds().Layout.ColumnCount, 1001); // and the extra column
}
