// Reading options in the window: the General Settings dialog keeps them, and a file that reads
// badly gets the proposal bar, or is read the proposed way at once when proposals apply
// automatically.
#include "dialog_recorder.h"
#include "cell_editing.h"
#include "form_setting.h"
#include "main_window.h"
#include "palettes.h"
#include "test_files.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

// Semicolons, decimal commas and comment lines: read with the plain comma rules it comes out badly.
constexpr const char* kLoggerFile = "# logger 7\n# site north\ntime;temp;hum\n1;2,5;30\n2;2,7;31\n3;2,9;29\n"
                                    "4;3,1;28\n5;3,0;27\n6;2,8;26\n";

struct ReadingWindow {
    test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    std::string logger = dir.write("logger.csv", kLoggerFile);
    std::string plain = dir.write("plain.csv", "a,b\n1,2\n3,4\n5,6\n7,8\n9,10\n");
    ReadingWindow() {
        w.setDialogResponder(&recorder);
        // Curves in distinct colours: the bar has only readings to offer here.
        ApplyPalette(CurvePalette::Distinct, w.dataSet().View.CurveColors);
        w.ApplyCurveColors();
    }
    QWidget* bar() const { return w.findChild<QWidget*>(QStringLiteral("proposalBar")); }
    void press(const char* button) { w.findChild<QPushButton*>(QString::fromLatin1(button))->click(); }
    // The logger file as a careful reader takes it: three numeric columns, six rows.
    void expectReadRight() const {
        const DataSet& ds = w.dataSet();
        EXPECT_EQ(ds.Layout.ColumnCount, 3);
        EXPECT_EQ(ds.Layout.DataRowCount, 6);
        EXPECT_EQ(ds.Layout.ColumnNames[2], "temp");
        EXPECT_DOUBLE_EQ(ds.value(2, 1), 2.5);
    }
};

// The delimiter button checked in General Settings ("" for none), closing the dialog unchanged.
std::string delimiterShownInSettings(MainWindow& w) {
    std::string checked;
    QTimer::singleShot(0, [&] {
        auto* f = qobject_cast<FormSetting*>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        for (auto* b : f->findChildren<QRadioButton*>())
            if (b->objectName().startsWith(QStringLiteral("RBtn")) && b->isChecked()) checked += b->objectName().toStdString();
        f->close();
    });
    w.menuGenOptionsClick();
    return checked;
}

} // namespace

TEST(ReadingOptionsDialog, ShowsAndAppliesTheReadingOptions) {
    ReadingWindow t;
    DataSet& ds = t.w.dataSet();
    ds.Settings.Reading.robustSample = true;
    bool robustShown = false;
    QTimer::singleShot(0, [&] {
        auto* f = qobject_cast<FormSetting*>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        // The widgets are found by their names, as users' scripts and the accessibility tools do.
        const auto check = [&](const char* name) { return f->findChild<QCheckBox*>(QString::fromLatin1(name)); };
        const auto edit = [&](const char* name) { return f->findChild<QLineEdit*>(QString::fromLatin1(name)); };
        robustShown = check("ChBoxRobustSample")->isChecked();
        check("ChBoxWhitespace")->setChecked(true);
        f->findChild<QComboBox*>(QStringLiteral("CBoxDecimal"))->setCurrentText(QStringLiteral("Comma"));
        check("ChBoxComments")->setChecked(true);
        edit("EdCommentPrefix")->setText(QStringLiteral("%"));
        check("ChBoxMissing")->setChecked(true);
        edit("EdMissingTokens")->setText(QStringLiteral(R"(NA "no data" -)"));
        check("ChBoxApplyProposals")->setChecked(true);
        f->close();
    });
    t.w.menuGenOptionsClick();
    EXPECT_TRUE(robustShown);
    const ReadOptions& o = ds.Settings.Reading;
    EXPECT_TRUE(o.whitespace && o.commentLines && o.missingAsGaps && o.robustSample);
    EXPECT_EQ(o.decimal, DecimalChoice::Comma);
    EXPECT_EQ(o.commentPrefix, "%");
    EXPECT_EQ(o.missingTokens, (std::vector<std::string>{"NA", "no data", "-"}));
    EXPECT_TRUE(ds.Settings.ApplyProposals);
    EXPECT_EQ(ds.Layout.ListSeparator, ","); // the delimiter radio buttons are untouched
}

TEST(ReadingOptionsProposal, TheBarReadsTheFileTheProposedWayOrGoesAway) {
    ReadingWindow t;
    t.w.openFile(QString::fromStdString(t.logger));
    ASSERT_TRUE(t.bar()->isVisibleTo(&t.w));
    EXPECT_EQ(t.bar()->findChild<QLabel*>(QStringLiteral("proposalText"))->text().toStdString(),
              t.w.dataSet().Layout.Proposal.sentence());

    // Unsaved edits are asked about first; Cancel leaves everything as it is.
    EditCell(t.w.dataSet(), 1, 1, "42");
    t.recorder.replies = {QStringLiteral("Cancel")};
    t.press("proposalReadButton");
    EXPECT_EQ(t.recorder.questions, QStringList{"Do you want to save the changes?"});
    EXPECT_TRUE(t.w.dataSet().isModified());
    EXPECT_TRUE(t.bar()->isVisibleTo(&t.w));

    t.recorder.replies = {QStringLiteral("No")};
    t.press("proposalReadButton");
    t.expectReadRight();
    EXPECT_FALSE(t.bar()->isVisibleTo(&t.w));
    // The file keeps its way for this run; other files and the settings keep the comma.
    t.w.LoadDataFile();
    t.expectReadRight();
    ASSERT_TRUE(t.w.close());
    EXPECT_NE(test::readFile(t.dir.path() + "/varnotile.INI").find("Value=,"), std::string::npos);
    t.w.openFile(QString::fromStdString(t.plain));
    EXPECT_EQ(t.w.dataSet().Layout.ListSeparator, ",");
    EXPECT_EQ(t.w.dataSet().Layout.ColumnCount, 2);

    // Dismissed, the bar stays away for that file for the rest of the run, after other files too.
    const std::string second = t.dir.write("second.csv", kLoggerFile);
    t.w.openFile(QString::fromStdString(second));
    ASSERT_TRUE(t.bar()->isVisibleTo(&t.w));
    t.press("proposalDismissButton");
    EXPECT_FALSE(t.bar()->isVisibleTo(&t.w));
    t.w.LoadDataFile();
    EXPECT_FALSE(t.bar()->isVisibleTo(&t.w));
    EXPECT_EQ(t.w.dataSet().Layout.Reading, ReadOptions()); // nothing changed without the user's word
    t.w.openFile(QString::fromStdString(t.dir.write("third.csv", kLoggerFile)));
    EXPECT_TRUE(t.bar()->isVisibleTo(&t.w)); // another file's proposal is offered
    t.w.openFile(QString::fromStdString(second));
    EXPECT_FALSE(t.bar()->isVisibleTo(&t.w));
}

TEST(ReadingOptionsProposal, APipeFileReadTheProposedWaySavesWithPipesAndLeavesTheSettingsAlone) {
    ReadingWindow t;
    const std::string pipes = t.dir.write("pipes.txt", "10 Feb 2005|43.78\n11 Feb 2005|43.79\n14 Feb 2005|43.72\n"
                                                      "15 Feb 2005|43.76\n16 Feb 2005|43.82\n");
    t.w.openFile(QString::fromStdString(pipes));
    ASSERT_TRUE(t.bar()->isVisibleTo(&t.w));
    t.press("proposalReadButton");
    DataSet& ds = t.w.dataSet();
    ASSERT_EQ(ds.Layout.ColumnCount, 2);
    EditCell(ds, 2, 1, "44.5");
    ASSERT_TRUE(t.w.SaveToCurrentFile());
    EXPECT_EQ(test::readFile(pipes), "10 Feb 2005|44.5\r\n11 Feb 2005|43.79\r\n14 Feb 2005|43.72\r\n"
                                     "15 Feb 2005|43.76\r\n16 Feb 2005|43.82\r\n");

    // General Settings shows the settings' comma, not the file's '|', and leaves both as they are.
    EXPECT_EQ(delimiterShownInSettings(t.w), "RBtnComma");
    EXPECT_EQ(ds.Layout.ListSeparator, "|");
    t.w.LoadDataFile();
    EXPECT_EQ(ds.Layout.ColumnCount, 2);
    ASSERT_TRUE(t.w.close());
    EXPECT_NE(test::readFile(t.dir.path() + "/varnotile.INI").find("Value=,"), std::string::npos);

    // A '|' the settings file itself holds is none of the dialog's choices: none shows, and it stays.
    MainWindow w(QString::fromStdString(t.dir.write("pipe.INI", "[List Separator]\nValue=|\n")));
    EXPECT_EQ(delimiterShownInSettings(w), "");
    EXPECT_EQ(w.dataSet().Layout.ListSeparator, "|");
    w.dataSet().Layout.ListSeparator = ","; // shown once with a button checked, and then with '|' again
    EXPECT_EQ(delimiterShownInSettings(w), "RBtnComma");
    w.dataSet().Layout.ListSeparator = "|";
    EXPECT_EQ(delimiterShownInSettings(w), "");
    EXPECT_EQ(w.dataSet().Layout.ListSeparator, "|");
}

TEST(ReadingOptionsProposal, AppliedAutomaticallyTheFileReadsRightAtOnce) {
    ReadingWindow t;
    t.w.dataSet().Settings.ApplyProposals = true;
    t.w.openFile(QString::fromStdString(t.logger));
    t.expectReadRight();
    EXPECT_FALSE(t.bar()->isVisibleTo(&t.w));
    EXPECT_TRUE(t.recorder.questions.isEmpty());

    // Twelve columns of decimal commas, more than ten fields whether split at commas or at
    // semicolons: read the proposed way, wide, in one pass, so the ten-column message never shows.
    std::string wide = "a;b;c;d;e;f;g;h;i;j;k;l\n";
    for (int r = 0; r < 6; ++r) wide += "1,5;2,5;3,5;4,5;5,5;6,5;7,5;8,5;9,5;10,5;11,5;12,5\n";
    t.w.openFile(QString::fromStdString(t.dir.write("wide.csv", wide)));
    EXPECT_TRUE(t.recorder.notices.isEmpty()) << t.recorder.notices.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(t.w.dataSet().Layout.ListSeparator, ";");
    EXPECT_EQ(t.w.dataSet().Layout.ColumnCount, 12);
}

TEST(ReadingOptionsProposal, AFileOfSeveralTablesOffersThemAndChoosingOneReadsIt) {
    ReadingWindow t;
    // Read whole, only the second, smaller table shows.
    const std::string sets = t.dir.write("sets.csv", "t,x\n1,2\n2,3\n3,4\n4,5\n5,6\n6,7\n&\nt,x,y\n1,2,3\n2,3,4\n3,4,5\n");
    t.w.openFile(QString::fromStdString(sets));
    ASSERT_TRUE(t.bar()->isVisibleTo(&t.w));
    EXPECT_TRUE(t.bar()->findChild<QLabel*>(QStringLiteral("proposalText"))->text().contains(QStringLiteral("table 1 of 2")));
    auto* tables = t.bar()->findChild<QComboBox*>(QStringLiteral("proposalTables"));
    ASSERT_TRUE(tables && tables->isVisibleTo(t.bar()));
    ASSERT_EQ(tables->count(), 2);
    EXPECT_EQ(tables->currentIndex(), 0);
    EXPECT_EQ(tables->itemText(1), QStringLiteral("Table 2: line 9, 3 rows \u00d7 3 columns (t, x, y)"));
    // The closed list names its table whole, however narrow the panel: on a row of its own, its
    // line also as a tooltip, and the open list as wide as the longest line.
    EXPECT_EQ(tables->toolTip(), tables->itemText(0));
    EXPECT_GE(tables->view()->minimumWidth(), tables->fontMetrics().horizontalAdvance(tables->itemText(1)));
    EXPECT_EQ(tables->sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
    // Two tables: the whole file's blank lines and trailer are no finding of the table read.
    EXPECT_FALSE(t.bar()->findChild<QLabel*>(QStringLiteral("proposalText"))->text().contains(QStringLiteral("trailer")));

    tables->setCurrentIndex(1);
    emit tables->activated(1);
    const DataSet& ds = t.w.dataSet();
    EXPECT_EQ(ds.Layout.Reading.table, 2);
    EXPECT_EQ(ds.Layout.ColumnCount, 3);
    EXPECT_EQ(ds.Layout.DataRowCount, 3);
    EXPECT_EQ(ds.Layout.ColumnNames[3], "y");
    // The bar stays, offering the file's other table.
    EXPECT_TRUE(t.bar()->isVisibleTo(&t.w));
}
