// "Reopen as...": the dialog's preview follows the reading set in it, OK reads the file that way
// for the rest of the run and Cancel changes nothing; a file's table stays the user's to choose.
#include "curve_chart.h"
#include "curve_plottable.h"
#include "dialog_recorder.h"
#include "form_reopen.h"
#include "main_window.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace varnotile;

namespace {

struct ReopenWindow {
    test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    std::string semicolons = dir.write("semi.csv", "a;b;c\n1;2.5;3\n4;5.5;6\n7;8.5;9\n10;11.5;12\n");
    std::string plain = dir.write("plain.csv", "x,y\n1,2\n3,4\n5,6\n7,8\n9,10\n");
    ReopenWindow() { w.setDialogResponder(&recorder); }
    QWidget* bar() const { return w.findChild<QWidget*>(QStringLiteral("proposalBar")); }

    // Runs "Reopen as..." from the File menu with `work` done in the dialog while it is open.
    void reopen(const std::function<void(FormReopen&)>& work) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<FormReopen*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            seen = true;
            work(*form);
            if (form->isVisible()) form->reject();
        });
        w.findChild<QAction*>(QStringLiteral("menuReopenAs"))->trigger();
        EXPECT_TRUE(seen);
    }
};

int previewColumns(const FormReopen& form) { return form.SGridPreview->columnCount() - 1; }

} // namespace

TEST(ReopenAs, ThePreviewFollowsTheDelimiterAndOkReadsTheFileThatWayForTheRun) {
    ReopenWindow t;
    t.w.dataSet().Settings.ApplyProposals = false;
    t.w.openFile(QString::fromStdString(t.semicolons));
    ASSERT_EQ(t.w.dataSet().Layout.ColumnCount, 1) << "read with the settings' comma";

    t.reopen([&](FormReopen& form) {
        EXPECT_EQ(previewColumns(form), 1);
        form.CmbBoxDelimiter->setCurrentIndex(1); // Semicolon
        EXPECT_EQ(previewColumns(form), 3);
        // Line 1 is the names line, line 2 a row; each column is named with its kind.
        EXPECT_EQ(form.SGridPreview->item(0, 0)->text(), QStringLiteral("names"));
        EXPECT_EQ(form.SGridPreview->item(1, 0)->text(), QStringLiteral("row"));
        EXPECT_EQ(form.SGridPreview->horizontalHeaderItem(2)->text(), QStringLiteral("2 b\nnumber"));
        form.BitBtnOK->click();
    });
    const DataSet& ds = t.w.dataSet();
    EXPECT_EQ(ds.Layout.ListSeparator, ";");
    EXPECT_EQ(ds.Layout.ColumnCount, 3);
    EXPECT_DOUBLE_EQ(ds.value(2, 1), 2.5);

    // Cancel leaves the file as it reads.
    t.reopen([&](FormReopen& form) {
        EXPECT_EQ(previewColumns(form), 3) << "the dialog opens with the file's own reading";
        form.CmbBoxDelimiter->setCurrentIndex(2); // Tab
        EXPECT_EQ(previewColumns(form), 1);
        form.BitBtnCancel->click();
    });
    EXPECT_EQ(ds.Layout.ColumnCount, 3);

    // The choice holds for the file while other files are read with the settings.
    t.w.openFile(QString::fromStdString(t.plain));
    EXPECT_EQ(ds.Layout.ListSeparator, ",");
    EXPECT_EQ(ds.Layout.ColumnCount, 2);
    t.w.openFile(QString::fromStdString(t.semicolons));
    EXPECT_EQ(ds.Layout.ColumnCount, 3);
    EXPECT_DOUBLE_EQ(ds.value(2, 4), 11.5);
    EXPECT_TRUE(t.recorder.notices.isEmpty()) << t.recorder.notices.join(QStringLiteral(" | ")).toStdString();
}

TEST(ReopenAs, EveryTableOfAFileStaysChoosableAndTheTableSettingSparesOneTableFiles) {
    ReopenWindow t;
    DataSet& ds = t.w.dataSet();
    const std::string sets = t.dir.write("sets.csv", "t,x\n1,2\n2,3\n3,4\n4,5\n5,6\n6,7\n&\nt,x,y\n1,2,3\n2,3,4\n3,4,5\n");
    t.w.openFile(QString::fromStdString(sets));
    auto* tables = t.bar()->findChild<QComboBox*>(QStringLiteral("proposalTables"));
    emit tables->activated(1);
    ASSERT_EQ(ds.Layout.Reading.table, 2);
    // The bar keeps offering the file's tables: the first one can be had again.
    ASSERT_TRUE(t.bar()->isVisibleTo(&t.w));
    ASSERT_TRUE(tables->isVisibleTo(t.bar()));
    EXPECT_EQ(tables->currentIndex(), 1);
    emit tables->activated(0);
    EXPECT_EQ(ds.Layout.Reading.table, 1);
    EXPECT_EQ(ds.Layout.DataRowCount, 6);

    // A table asked of every file in the settings: a file of one table is read whole, not refused.
    ds.Settings.Reading.table = 2;
    t.w.openFile(QString::fromStdString(t.plain));
    EXPECT_EQ(ds.Layout.ColumnCount, 2);
    EXPECT_EQ(ds.Layout.DataRowCount, 5);
    EXPECT_TRUE(t.recorder.notices.isEmpty()) << t.recorder.notices.join(QStringLiteral(" | ")).toStdString();
    // The file whose table was chosen keeps its choice, also when reached through a link to its folder.
    t.w.openFile(QString::fromStdString(sets));
    EXPECT_EQ(ds.Layout.Reading.table, 1);
    EXPECT_EQ(ds.Layout.DataRowCount, 6);
    const std::filesystem::path link = std::filesystem::path(t.dir.path()) / "link";
    std::filesystem::create_directory_symlink(t.dir.path(), link);
    t.w.openFile(QString::fromStdString((link / "sets.csv").string()));
    EXPECT_EQ(ds.Layout.Reading.table, 1);
    EXPECT_EQ(ds.Layout.DataRowCount, 6);
}

TEST(ReopenAs, ADateAndATimeColumnChosenInTheDialogBecomeTheTimeAxis) {
    ReopenWindow t;
    const std::string logger = t.dir.write("logger.csv", "date,time,v\n2026-11-14,23:59:50,1\n2026-11-15,00:00:10,2\n"
                                                         "2026-11-15,00:00:30,3\n2026-11-15,00:00:50,4\n2026-11-15,00:01:10,5\n");
    t.w.openFile(QString::fromStdString(logger));
    t.reopen([&](FormReopen& form) {
        form.findChild<QCheckBox*>(QStringLiteral("ChBoxDates"))->setChecked(true);
        form.findChild<QCheckBox*>(QStringLiteral("ChBoxDateTimeAxis"))->setChecked(true);
        EXPECT_TRUE(form.SGridPreview->horizontalHeaderItem(1)->text().endsWith(QStringLiteral("axis with 2")));
        form.BitBtnOK->click();
    });
    const DataSet& ds = t.w.dataSet();
    EXPECT_EQ(ds.View.XColumn, 1);
    auto* chart = t.w.findChild<CurveChart*>();
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->timeAxis(), TimeKind::YearFirst) << "date and time labels";
    EXPECT_EQ(chart->curve(2)->pointCount(), 0) << "the time column is part of X";
    EXPECT_EQ(chart->curve(3)->pointCount(), 5);
    EXPECT_EQ(ds.Table.Cells.cell(2, 2), "00:00:10") << "the cells stay as they are";
}
