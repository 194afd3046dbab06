// The window without the mouse and for a first look: standard keys, menu letters, F10, the
// column choice by key, accessible names, the settings' tooltips and Cancel, the About version
// and the empty chart's hint.
#include "curve_chart.h"
#include "dialog_recorder.h"
#include "main_window.h"
#include "test_files.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

struct Window {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    Window() { w.setDialogResponder(&recorder); }
    template <class T> T* child(const char* name) const { return w.findChild<T*>(QString::fromLatin1(name)); }
    void open(const std::string& name, const std::string& bytes) { w.openFile(QString::fromStdString(dir.write(name, bytes))); }
};

} // namespace

// Every menu and command has a letter of its own within its menu, and the standard commands
// their platform keys.
TEST(WindowAccess, MenusHaveLettersAndStandardCommandsTheirKeys) {
    Window t;
    const QList<QAction*> menus = t.w.menuBar()->actions();
    QSet<QChar> menuLetters;
    for (QAction* menu : menus) {
        const QString text = menu->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        ASSERT_GE(amp, 0) << text.toStdString();
        EXPECT_FALSE(menuLetters.contains(text[amp + 1].toLower())) << text.toStdString();
        menuLetters << text[amp + 1].toLower();
        QSet<QChar> letters;
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) continue;
            const QString caption = item->text();
            const qsizetype at = caption.indexOf(QLatin1Char('&'));
            ASSERT_GE(at, 0) << caption.toStdString();
            EXPECT_FALSE(letters.contains(caption[at + 1].toLower())) << caption.toStdString();
            letters << caption[at + 1].toLower();
        }
    }
    const struct {
        const char* item;
        QKeySequence::StandardKey key;
    } keys[] = {{"menuOpen", QKeySequence::Open},
                {"menuSave", QKeySequence::Save},
                {"menuPrint", QKeySequence::Print},
                {"menuExit", QKeySequence::Quit},
                {"menuContents", QKeySequence::HelpContents}};
    for (const auto& k : keys)
        EXPECT_EQ(t.child<QAction>(k.item)->shortcuts(), QKeySequence::keyBindings(k.key)) << k.item;
    EXPECT_EQ(t.child<QAction>("menuBarKey")->shortcut(), QKeySequence(Qt::Key_F10));
    t.w.show();
    t.child<QAction>("menuBarKey")->trigger(); // F10: the File menu opens
    EXPECT_EQ(t.w.menuBar()->activeAction(), t.child<QMenu>("menuFile")->menuAction());
    t.child<QMenu>("menuFile")->close();
}

// Ctrl+Space in the grid chooses the current column as a press on its header cell does, so the
// curve commands can be had from the keyboard.
TEST(WindowAccess, CtrlSpaceChoosesTheColumnForTheCurveCommands) {
    Window t;
    t.open("a.csv", "x,y\n1,2\n3,4\n5,6\n7,8\n");
    auto* grid = t.child<QTableView>("SGridData");
    grid->setCurrentIndex(grid->model()->index(2, 1));
    EXPECT_FALSE(t.child<QAction>("menuHide")->isEnabled());
    QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(t.w.commandColumn(), 2);
    EXPECT_TRUE(t.child<QAction>("menuHide")->isEnabled());
    EXPECT_TRUE(t.child<QAction>("menuSetAsX")->isEnabled());
}

// Header cells and the Modify dialog's fields are named for a screen reader.
TEST(WindowAccess, HeaderCellsAndModifyFieldsHaveAccessibleNames) {
    Window t;
    t.open("a.csv", "T1_degC,pressure\n1,2\n3,4\n5,6\n7,8\n");
    const QAbstractItemModel* model = t.child<QTableView>("SGridData")->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::AccessibleTextRole).toString(), QStringLiteral("T1_degC"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::AccessibleTextRole).toString(), QStringLiteral("pressure"));
    EXPECT_EQ(model->headerData(2, Qt::Vertical, Qt::AccessibleTextRole).toString(), QStringLiteral("Row 3"));
    auto* modify = t.child<QDialog>("TFormModify");
    for (QWidget* field : modify->findChildren<QLineEdit*>()) {
        if (qobject_cast<QComboBox*>(field->parentWidget())) continue; // the combo box's own edit
        EXPECT_FALSE(field->accessibleName().isEmpty()) << field->objectName().toStdString();
    }
    EXPECT_FALSE(modify->findChild<QComboBox*>()->accessibleName().isEmpty());
}

// Every option of General Settings says what it does (in plain words), and Cancel changes nothing.
TEST(WindowAccess, SettingsExplainEveryOptionAndCancelKeepsThem) {
    Window t;
    DataSet& ds = t.w.dataSet();
    const ReadOptions readingBefore = ds.Settings.Reading;
    const std::string separatorBefore = ds.Layout.ListSeparator;
    const auto colorsBefore = ds.View.CurveColors;
    QStringList untold;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QList<QWidget*> options;
        for (auto* w : dialog->findChildren<QCheckBox*>()) options << w;
        for (auto* w : dialog->findChildren<QComboBox*>()) options << w;
        for (auto* w : dialog->findChildren<QSpinBox*>()) options << w;
        for (auto* w : dialog->findChildren<QRadioButton*>()) options << w;
        for (auto* w : dialog->findChildren<QLineEdit*>())
            if (!qobject_cast<QSpinBox*>(w->parentWidget()) && !qobject_cast<QComboBox*>(w->parentWidget())) options << w;
        for (QWidget* w : options)
            if (w->toolTip().isEmpty() || w->toolTip().contains(QStringLiteral("1970"))) untold << w->objectName();
        for (auto* box : dialog->findChildren<QCheckBox*>()) box->setChecked(!box->isChecked());
        dialog->findChild<QRadioButton*>(QStringLiteral("RBtnTab"))->setChecked(true);
        dialog->findChild<QPushButton*>(QStringLiteral("BtnAllBlack"))->click();
        dialog->findChild<QPushButton*>(QStringLiteral("BtnCancel"))->click();
    });
    t.w.menuGenOptionsClick();
    EXPECT_TRUE(untold.isEmpty()) << untold.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(ds.Settings.Reading, readingBefore);
    EXPECT_EQ(ds.Layout.ListSeparator, separatorBefore);
    EXPECT_TRUE(ds.View.CurveColors == colorsBefore);
}

// The empty start tells how to open a file; a file shown hides the hint.
TEST(WindowAccess, TheEmptyChartTellsHowToOpenAFile) {
    Window t;
    auto* chart = t.child<CurveChart>("Chart1");
    ASSERT_TRUE(chart->emptyHint());
    EXPECT_TRUE(chart->emptyHint()->visible());
    EXPECT_EQ(chart->emptyHint()->text(), QStringLiteral("Open a data file with File > Open... or drop it here"));
    t.open("a.csv", "1,2\n3,4\n5,6\n7,8\n9,10\n");
    EXPECT_FALSE(chart->emptyHint()->visible());
}
