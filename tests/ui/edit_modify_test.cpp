// The Modify dialog through the main window: Modify applies, Cancel and the close box change
// nothing, a row field that is not an integer keeps the dialog open.
#include "dialog_recorder.h"
#include "main_window.h"
#include "test_files.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

struct ModifyWindow {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    QDialog* dialog = nullptr;
    ModifyWindow() {
        w.setDialogResponder(&recorder);
        w.openFile(QString::fromStdString(dir.write("m.csv", "name,other\nunit,u2\n1,5\n2,6\n3,7\n1.50,8\n5,9.5\n")));
        dialog = w.findChild<QDialog*>(QStringLiteral("TFormModify"));
        // Column 1 is the one the commands act on.
        w.dataSet().Pointer.SelectedColumn = 1;
        w.setSelectionRect(GridRect{1, 0, 1, w.dataSet().Layout.DataRowCount + 1});
    }
    DataSet& ds() { return w.dataSet(); }
    QLineEdit* edit(const char* name) { return dialog->findChild<QLineEdit*>(QLatin1String(name)); }
    QPushButton* button(const char* name) { return dialog->findChild<QPushButton*>(QLatin1String(name)); }
    // Runs the Modify command; `user` acts on the open dialog and must close it.
    void run(std::function<void()> user) {
        QTimer::singleShot(0, dialog, [this, user] {
            ASSERT_TRUE(dialog->isVisible());
            user();
            if (dialog->isVisible()) dialog->reject();
        });
        w.MenuModifyClick();
    }
    std::string cell(int c, int r) { return std::string(ds().Table.Cells.cell(c, r)); }
};

} // namespace

TEST(EditModify, DialogShowsTheColumnAndModifyApplies) {
    ModifyWindow t;
    ASSERT_NE(t.dialog, nullptr);
    EXPECT_EQ(t.dialog->windowTitle(), QStringLiteral("Data Modifying..."));
    ASSERT_EQ(t.ds().Layout.DataRowCount, 5);
    t.run([&] {
        EXPECT_EQ(t.edit("EditColonName")->text(), QStringLiteral("name"));
        EXPECT_EQ(t.edit("EditColonLabel")->text(), QStringLiteral("unit"));
        EXPECT_EQ(t.edit("EditBegRow")->text(), QStringLiteral("1"));
        EXPECT_EQ(t.edit("EditEndRow")->text(), QStringLiteral("5"));
        EXPECT_EQ(t.edit("EditMult")->text(), QStringLiteral("1"));
        EXPECT_EQ(t.edit("EditAdd")->text(), QStringLiteral("0"));
        EXPECT_TRUE(t.edit("EditVal1")->text().isEmpty());
        EXPECT_EQ(t.dialog->focusWidget(), t.button("BitBtnModify"));
        EXPECT_EQ(t.button("BitBtnModify")->nextInFocusChain(), t.button("BitBtnCancel"));
        t.edit("EditColonName")->setText(QStringLiteral("renamed"));
        t.edit("EditBegRow")->setText(QStringLiteral("2"));
        t.edit("EditEndRow")->setText(QStringLiteral("3"));
        t.edit("EditMult")->setText(QStringLiteral("2"));
        t.edit("EditAdd")->setText(QStringLiteral("1"));
        t.button("BitBtnModify")->click();
    });
    EXPECT_EQ(t.ds().Layout.ColumnNames[1], "renamed");
    EXPECT_EQ(t.cell(1, 1), "1");
    EXPECT_EQ(t.cell(1, 2), "5");
    EXPECT_EQ(t.cell(1, 3), "7");
    EXPECT_EQ(t.ds().Table.Values[1][3], 7);
    EXPECT_EQ(t.ds().UndoCount(), 1);
    // The range is kept for the next showing; "All" puts in every row of the table.
    t.run([&] {
        EXPECT_EQ(t.edit("EditBegRow")->text(), QStringLiteral("2"));
        EXPECT_EQ(t.edit("EditEndRow")->text(), QStringLiteral("3"));
        t.button("BitBtnAll")->click();
        EXPECT_EQ(t.edit("EditBegRow")->text(), QStringLiteral("1"));
        EXPECT_EQ(t.edit("EditEndRow")->text(), QStringLiteral("5"));
        t.button("BitBtnCancel")->click();
    });
    t.w.menuUndoClick();
    EXPECT_EQ(t.cell(1, 2), "2");
    EXPECT_EQ(t.ds().Table.Values[1][2], 2);
}

TEST(EditModify, CancelAndCloseBoxChangeNothing) {
    ModifyWindow t;
    auto typeEverything = [&] {
        t.edit("EditColonName")->setText(QStringLiteral("other name"));
        t.edit("EditColonLabel")->setText(QStringLiteral("other label"));
        t.edit("EditVal1")->setText(QStringLiteral("0"));
        t.edit("EditVal2")->setText(QStringLiteral("9"));
        t.edit("EditMult")->setText(QStringLiteral("2"));
        t.edit("EditBegRow")->setText(QStringLiteral("2"));
    };
    t.run([&] {
        typeEverything();
        t.button("BitBtnCancel")->click();
    });
    t.run([&] {
        typeEverything();
        t.dialog->close();
    });
    EXPECT_EQ(t.ds().Layout.ColumnNames[1], "name");
    EXPECT_EQ(t.ds().Layout.ColumnLabels[1], "unit");
    EXPECT_EQ(t.ds().Edit.ModifyFromRow, 1);
    EXPECT_EQ(t.cell(1, 4), "1.50");
    EXPECT_EQ(t.ds().UndoCount(), 0);
}

TEST(EditModify, RowFieldThatIsNotAnIntegerKeepsTheDialogOpen) {
    ModifyWindow t;
    t.run([&] {
        t.edit("EditMult")->setText(QStringLiteral("3"));
        t.edit("EditEndRow")->setText(QStringLiteral("4x"));
        t.button("BitBtnModify")->click();
        EXPECT_TRUE(t.dialog->isVisible());
        t.edit("EditBegRow")->setText(QString());
        t.edit("EditEndRow")->setText(QStringLiteral("4"));
        t.button("BitBtnModify")->click();
        EXPECT_TRUE(t.dialog->isVisible());
        t.edit("EditBegRow")->setText(QStringLiteral("0")); // becomes 1
        t.button("BitBtnModify")->click();
        EXPECT_FALSE(t.dialog->isVisible());
    });
    EXPECT_EQ(t.recorder.notices,
              (QStringList{QStringLiteral("'4x' is not a valid integer value"), QStringLiteral("'' is not a valid integer value")}));
    EXPECT_EQ(t.cell(1, 1), "3");
    EXPECT_EQ(t.cell(1, 4), "4.5");
    EXPECT_EQ(t.cell(1, 5), "5"); // beyond To Row
    EXPECT_EQ(t.ds().Edit.ModifyFromRow, 1);
    EXPECT_EQ(t.ds().UndoCount(), 1);
}

TEST(EditModify, FactorThatIsNotANumberKeepsTheDialogOpenAndChangesNothing) {
    ModifyWindow t;
    t.run([&] {
        t.edit("EditMult")->setText(QStringLiteral("1,5"));
        t.button("BitBtnModify")->click();
        EXPECT_TRUE(t.dialog->isVisible());
        t.edit("EditMult")->setText(QStringLiteral("1.5"));
        t.button("BitBtnModify")->click();
        EXPECT_FALSE(t.dialog->isVisible());
    });
    EXPECT_EQ(t.recorder.notices, QStringList{QStringLiteral("'1,5' is not a number: the decimal separator is '.'")});
    EXPECT_EQ(t.cell(1, 2), "3");
    EXPECT_EQ(t.ds().UndoCount(), 1);
}

TEST(EditModify, ConditionKeepsItsTextBetweenShowings) {
    ModifyWindow t;
    t.run([&] {
        auto* box = t.dialog->findChild<QComboBox*>(QStringLiteral("CmbBoxCondition"));
        EXPECT_EQ(box->currentText(), QStringLiteral(">"));
        box->setCurrentIndex(2);
        t.edit("EditVal1")->setText(QStringLiteral("1"));
        t.edit("EditVal2")->setText(QStringLiteral("100"));
        t.button("BitBtnModify")->click();
    });
    EXPECT_EQ(t.cell(1, 1), "100");
    EXPECT_EQ(t.cell(1, 2), "2");
    t.run([&] {
        EXPECT_EQ(t.dialog->findChild<QComboBox*>(QStringLiteral("CmbBoxCondition"))->currentText(), QStringLiteral("="));
    });
}

TEST(EditModify, OutOfRangeResultsAreReported) {
    ModifyWindow t;
    for (int i = 0; i < 2; ++i)
        t.run([&] {
            t.edit("EditMult")->setText(QStringLiteral("1e300"));
            t.button("BitBtnModify")->click();
        });
    ASSERT_EQ(t.recorder.notices.size(), 1);
    EXPECT_TRUE(t.recorder.notices.front().contains(QStringLiteral("out of range")));
    EXPECT_EQ(t.cell(1, 1), "1E300");
}

TEST(EditModify, ARenameIsOfferedForSavingBeforeTheWindowCloses) {
    ModifyWindow t;
    t.run([&] {
        t.edit("EditColonName")->setText(QStringLiteral("renamed"));
        t.button("BitBtnModify")->click();
    });
    EXPECT_EQ(t.ds().UndoCount(), 0); // a rename makes no journal entry...
    t.recorder.answerYes = true;
    t.w.close();
    ASSERT_EQ(t.recorder.questions.size(), 1); // ...but it is not thrown away without a question
    EXPECT_EQ(t.recorder.questions[0], QStringLiteral("Do you want to save the changes?"));
    EXPECT_NE(varnotile::test::readFile(t.dir.path() + "/m.csv").find("renamed,other"), std::string::npos);
}
