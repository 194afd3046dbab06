// The window as a desktop program: copying cells, dropping files, the recent files and the
// ready-made curve colours.
#include "dialog_recorder.h"
#include "cell_editing.h"
#include "curve_chart.h"
#include "curve_plottable.h"
#include "data_grid_view.h"
#include "form_setting.h"
#include "main_window.h"
#include "palettes.h"
#include "qt_texts.h"
#include "recent_files.h"
#include "settings_file.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

using namespace varnotile;

namespace {

struct Window {
    test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    Window() { w.setDialogResponder(&recorder); }
    std::string write(const std::string& name) {
        return dir.write(name, "A,B,C\n1,2,x\"y\n3,4,p\tq\n5,6,r\n7,8,s\n");
    }
    DataGridView* grid() { return w.findChild<DataGridView*>(QStringLiteral("SGridData")); }
    void drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        // Onto the grid's cells, as a drag does: the drop goes to the widget that took the
        // drag's entry (the window, for any part of it).
        QWidget* cells = grid()->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(cells, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(cells, &drop);
        QApplication::processEvents();
    }
};

} // namespace

TEST(DesktopCopy, CtrlCPutsTheSelectionOnTheClipboardAsTabSeparatedText) {
    Window t;
    t.w.openFile(QString::fromStdString(t.write("c.csv")));
    DataGridView* grid = t.grid();
    const int columns = grid->gridColumnCount(), rows = grid->gridRowCount();
    const struct {
        GridRect selection;
        const char* text;
    } cases[] = {
        {{1, 2, 2, 3}, "3\t4\n5\t6"},                              // a range
        {{0, 1, columns, 2}, "1\t2\t\"x\"\"y\"\n3\t4\t\"p\tq\""}, // whole rows, without row numbers
        {{2, 0, 2, rows}, "B\n2\n4\n6\n8"},                        // a whole column with its name
        {{3, 3, 3, 3}, "r"},                                       // one cell
    };
    for (const auto& c : cases) {
        grid->setGridSelection(c.selection);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
        QApplication::sendEvent(grid, &press);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(c.text)) << c.text;
    }
    EXPECT_EQ(t.w.dataSet().UndoCount(), 0); // copying edits nothing
}

TEST(DesktopDrop, ADroppedFileOpensAfterTheSaveQuestion) {
    Window t;
    const std::string first = t.write("first.csv"), second = t.write("second.csv");
    t.w.openFile(QString::fromStdString(first));
    // Folders and remote files are not opened.
    t.drop({QUrl::fromLocalFile(QString::fromStdString(t.dir.path())), QUrl(QStringLiteral("https://example.org/a.csv"))});
    EXPECT_EQ(t.w.dataSet().File.CurrentFileName, first);
    ASSERT_TRUE(EditCell(t.w.dataSet(), 1, 1, "9"));
    t.recorder.replies = {QStringLiteral("No")};
    t.drop({QUrl(QStringLiteral("https://example.org/a.csv")), QUrl::fromLocalFile(QString::fromStdString(second))});
    EXPECT_EQ(t.recorder.questions, QStringList{QStringLiteral("Do you want to save the changes?")});
    EXPECT_EQ(t.w.dataSet().File.CurrentFileName, second);
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 4);
}

TEST(DesktopRecent, PushKeepsTheNewestFirstWithoutRepeatsUpToTheLimit) {
    using List = std::vector<std::string>;
    const struct {
        List before;
        std::string pushed;
        List after;
    } cases[] = {
        {{}, "a", {"a"}},
        {{"a", "b", "c"}, "c", {"c", "a", "b"}},
        {{"1", "2", "3", "4", "5", "6", "7", "8"}, "9", {"9", "1", "2", "3", "4", "5", "6", "7"}},
        {{"a"}, "", {"a"}},
    };
    for (const auto& c : cases) {
        List list = c.before;
        PushRecentFile(list, c.pushed);
        EXPECT_EQ(list, c.after) << c.pushed;
    }
}

TEST(DesktopRecent, KeptInTheSettingsListedGreyedWhenMissingAndOpened) {
    Window t;
    const std::string kept = t.write("kept.csv"), gone = t.write("gone.csv");
    t.w.openFile(QString::fromStdString(gone));
    t.w.openFile(QString::fromStdString(kept));
    std::remove(gone.c_str());
    // The list goes through the settings file and back.
    IniFile ini;
    WriteSettings(t.w.dataSet(), ini);
    DataSet read;
    ReadSettings(read, ini);
    EXPECT_EQ(read.Settings.RecentFiles, (std::vector<std::string>{kept, gone}));

    auto* menu = t.w.findChild<RecentFilesMenu*>(QStringLiteral("menuRecentFiles"));
    ASSERT_NE(menu, nullptr);
    menu->rebuild();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->isEnabled());
    EXPECT_FALSE(items[1]->isEnabled());
    ASSERT_TRUE(EditCell(t.w.dataSet(), 1, 1, "9"));
    t.recorder.replies = {QStringLiteral("Cancel")};
    items[0]->trigger();
    EXPECT_EQ(t.recorder.questions.size(), 1);
    EXPECT_EQ(t.w.dataSet().UndoCount(), 1); // Cancel keeps the edits
}

TEST(DesktopColors, PaletteButtonsSetTheTenColoursWhenTheDialogCloses) {
    Window t;
    for (const auto& [button, palette] : {std::pair{"BtnDistinctColors", CurvePalette::Distinct},
                                          std::pair{"BtnAllBlack", CurvePalette::Black}}) {
        QTimer::singleShot(0, [name = button] {
            auto* f = qobject_cast<FormSetting*>(QApplication::activeModalWidget());
            ASSERT_NE(f, nullptr);
            f->findChild<QPushButton*>(QString::fromLatin1(name))->click();
            f->BitBtnClose->click();
        });
        t.w.menuGenOptionsClick();
        const auto& expected = PaletteColors(palette);
        for (int k = 1; k <= kCurveCount; ++k) {
            EXPECT_EQ(t.w.dataSet().View.CurveColors[k], expected[static_cast<std::size_t>(k - 1)]) << button << k;
            EXPECT_EQ(t.w.findChild<CurveChart*>()->curve(k)->pen().color().rgb() & 0xFFFFFF,
                      toQColor(expected[static_cast<std::size_t>(k - 1)]).rgb() & 0xFFFFFF)
                << button << k;
        }
    }
}
