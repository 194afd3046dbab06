// The data grid's header row: its height rule, the drawing of a header cell, the commands a
// press on a header cell offers, and the cell editor's reports.
#include "dialog_recorder.h"
#include "data_grid_model.h"
#include "data_grid_view.h"
#include "data_grid_header.h"
#include "header_cell_painter.h"
#include "cell_editing.h"
#include "main_window.h"
#include "test_files.h"

#include <QAbstractButton>
#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

namespace varnotile {
namespace {

std::string rows(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += std::to_string(i) + "," + std::to_string(i * 2) + ".5,x" + std::to_string(i) + "\n";
    return text;
}

struct GridFixture : ::testing::Test {
    test::TempDir dir;
    MainWindow window{QString::fromStdString(dir.path() + "/varnotile.INI")};
    DialogRecorder recorder;
    DataGridView* grid = nullptr;

    void SetUp() override {
        window.setDialogResponder(&recorder);
        window.resize(1000, 900);
        window.show();
        grid = window.findChild<DataGridView*>(QStringLiteral("SGridData"));
        ASSERT_NE(grid, nullptr);
    }
    void open(const std::string& name, const std::string& text) {
        window.openFile(QString::fromStdString(dir.write(name, text)));
    }
    bool enabled(const char* name) const {
        const auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action && action->isEnabled();
    }
    // The names of the enabled items among the curve and column commands of both menus.
    std::string enabledCommands() const {
        std::string names;
        for (const char* name : {"menuShow", "menuHide", "menuColor", "menuSetAsX", "PMenuShow", "PMenuHide",
                                 "PMenuColor", "PMenuSetAsX", "PMenuDelete", "PMenuModify"})
            if (enabled(name)) names += std::string(names.empty() ? "" : " ") + name;
        return names;
    }
    void editMenuOpened() { window.menuEditClick(); }
};

TEST_F(GridFixture, HeaderRowHeightFollowsTheNamedHeaderLines) {
    EXPECT_EQ(window.dataSet().View.HeaderLineHeight, 13);
    EXPECT_EQ(grid->headerRowHeight(), 78);
    EXPECT_EQ(grid->horizontalHeader()->height(), 78);

    open("none.csv", rows(8));
    EXPECT_EQ(window.dataSet().Layout.HeaderLineCount, 0);
    EXPECT_EQ(grid->headerRowHeight(), 53);

    open("three.csv", "Time,Temp,Note\ns,C,txt\nraw,cal,-\n" + rows(8));
    EXPECT_EQ(window.dataSet().Layout.HeaderLineCount, 3);
    EXPECT_EQ(grid->headerRowHeight(), 92);
    EXPECT_EQ(grid->horizontalHeader()->height(), 92);

    // A load that stops early leaves the header row as the reset made it.
    open("short.csv", "1,2\n3,4\n");
    EXPECT_EQ(recorder.notices, QStringList{QStringLiteral("Too few Data")});
    EXPECT_EQ(grid->headerRowHeight(), 78);
}

TEST_F(GridFixture, EmptyGridBeforeAnyLoad) {
    EXPECT_EQ(grid->gridColumnCount(), 11);
    EXPECT_EQ(grid->gridRowCount(), 10);
    EXPECT_EQ(window.dataSet().Layout.ColumnNames[0], "Row");
    for (int k = 1; k <= 10; ++k) EXPECT_TRUE(window.dataSet().View.CurveVisible[k]);
    EXPECT_EQ(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 16);
}

// Pixel colours of the drawn header: curve colour (red kept in the lowest byte), white band, and
// the selection colours of a column selected from its header.
TEST_F(GridFixture, HeaderCellShowsCurveColourBandAndSelection) {
    window.dataSet().View.CurveColors[2] = 0x0000FF; // pure red
    open("two.csv", "Time,Temp,Note\ns,C,txt\n" + rows(20));
    QHeaderView* header = grid->horizontalHeader();
    const auto sectionImage = [&](int logical) {
        const QImage all = header->grab().toImage();
        return all.copy(header->sectionViewportPosition(logical), 0, header->sectionSize(logical), header->height());
    };
    const auto hasColour = [](const QImage& image, QRect area, auto test) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (test(image.pixelColor(x, y))) return true;
        return false;
    };
    const int H = 13;
    const QImage temp = sectionImage(1);
    const bool red = hasColour(temp, QRect(0, 0, 12, H), [](QColor c) { return c.red() > 200 && c.blue() < 60 && c.green() < 60; });
    EXPECT_TRUE(red) << "colour mark in curve colour";
    EXPECT_EQ(temp.pixelColor(temp.width() - 6, 2 * H + 6), QColor(Qt::white)) << "white band";
    const QImage note = sectionImage(2);
    EXPECT_FALSE(hasColour(note, QRect(0, 0, 30, H), [](QColor c) { return c != QColor(Qt::white) && c.red() > 200 && c.green() < 60; }))
        << "no colour mark on a text column";

    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 2, 0);
    const QImage selected = sectionImage(1);
    const QColor highlight = header->palette().color(QPalette::Highlight);
    EXPECT_EQ(selected.pixelColor(selected.width() - 6, 2 * H + 6), highlight);
    EXPECT_EQ(sectionImage(0).pixelColor(sectionImage(0).width() - 6, 2 * H + 6), QColor(Qt::white));
}

// A real press on a header cell reaches the press handler, a press on a column border does not.
TEST_F(GridFixture, HeaderPressSelectsTheColumnButBorderPressResizes) {
    open("two.csv", "Time,Temp,Note\ns,C,txt\n" + rows(20));
    QHeaderView* header = grid->horizontalHeader();
    const auto press = [&](int x) {
        const QPoint pos(x, 20);
        QMouseEvent down(QEvent::MouseButtonPress, pos, header->viewport()->mapToGlobal(pos), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(header->viewport(), &down);
        QMouseEvent up(QEvent::MouseButtonRelease, pos, header->viewport()->mapToGlobal(pos), Qt::LeftButton,
                       Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(header->viewport(), &up);
    };
    press(header->sectionViewportPosition(1) + 20);
    EXPECT_EQ(window.gridSelection(), (GridRect{2, 0, 2, 21}));
    EXPECT_EQ(window.dataSet().Pointer.SelectedColumn, 2);
    EXPECT_EQ(window.dataSet().Pointer.PressRow, 0);
    EXPECT_TRUE(enabled("PMenuHide"));

    press(header->sectionViewportPosition(2) + header->sectionSize(2) - 1);
    EXPECT_EQ(window.gridSelection(), (GridRect{2, 0, 2, 21})) << "border press passed on";

    // The top-left corner is the header cell of column 0.
    QWidget* corner = grid->cornerButton();
    ASSERT_NE(corner, nullptr);
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(5, 5), corner->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(corner, &down);
    EXPECT_EQ(window.gridSelection(), (GridRect{0, 0, 0, 21}));

    // A context menu request on the header row opens the grid's popup.
    auto* popup = window.findChild<QMenu*>(QStringLiteral("PMenuSGridData"));
    ASSERT_NE(popup, nullptr);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(30, 20), header->viewport()->mapToGlobal(QPoint(30, 20)));
    QCoreApplication::sendEvent(header->viewport(), &menuEvent);
    EXPECT_TRUE(popup->isVisible());
    popup->hide();
}

TEST_F(GridFixture, HeaderPressEnablesTheColumnsCommands) {
    open("two.csv", "Time,Temp,Note\ns,C,txt\n" + rows(20));
    DataSet& ds = window.dataSet();
    ASSERT_EQ(ds.View.XColumn, 0);

    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 2, 0);
    EXPECT_EQ(enabledCommands(), "menuHide menuColor menuSetAsX PMenuHide PMenuColor PMenuSetAsX PMenuDelete PMenuModify");
    editMenuOpened();
    EXPECT_TRUE(enabled("menuDelete"));
    EXPECT_TRUE(enabled("MenuModify"));
    EXPECT_FALSE(enabled("menuUndo"));

    // A text column offers no curve command; the Edit menu still deletes it.
    window.SGridDataMouseDown(Qt::RightButton, Qt::NoModifier, 3, 0);
    EXPECT_EQ(enabledCommands(), "");
    editMenuOpened();
    EXPECT_TRUE(enabled("menuDelete"));
    EXPECT_FALSE(enabled("MenuModify"));

    // Column 0 while it is the X axis offers nothing; once another column is, Set as X-Axis.
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 0, 0);
    EXPECT_EQ(enabledCommands(), "");
    ds.View.XColumn = 1;
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 0, 0);
    EXPECT_EQ(enabledCommands(), "menuSetAsX PMenuSetAsX");
    editMenuOpened();
    EXPECT_FALSE(enabled("menuDelete"));

    // The X column itself offers neither Set as X-Axis nor deletion.
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 1, 0);
    EXPECT_EQ(enabledCommands(), "");
    editMenuOpened();
    EXPECT_FALSE(enabled("menuDelete"));

    // A hidden curve can be shown again.
    ds.View.CurveVisible[2] = false;
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, 2, 0);
    EXPECT_EQ(enabledCommands(), "menuShow PMenuShow");

    // Off the cells: nothing is selected anew and nothing enabled.
    const GridRect before = window.gridSelection();
    window.SGridDataMouseDown(Qt::LeftButton, Qt::NoModifier, -1, -1);
    EXPECT_EQ(window.gridSelection(), before);
    EXPECT_EQ(enabledCommands(), "");
    editMenuOpened();
    EditCell(ds, 1, 1, "edited");
    editMenuOpened();
    EXPECT_TRUE(enabled("menuUndo"));
    ds.Journal.clear();
}

// The editor reports every change, and the text from before the edit when cancelled.
TEST_F(GridFixture, EditorReportsEachChangeAndRestoresOnEscape) {
    open("two.csv", "Time,Temp,Note\ns,C,txt\n" + rows(20));
    auto* model = qobject_cast<DataGridModel*>(grid->model());
    ASSERT_NE(model, nullptr);
    // What reaches the data set, as "column,row:text" per change of a cell.
    struct Reports : DataSetObserver {
        DataSet& ds;
        QStringList texts;
        explicit Reports(DataSet& d) : ds(d) { ds.Changes.addObserver(this); }
        ~Reports() override { ds.Changes.removeObserver(this); }
        void cellsChanged(int column, int row, int) override {
            texts << QStringLiteral("%1,%2:%3").arg(column).arg(row).arg(QString::fromStdString(ds.cellText(column, row)));
        }
    } reported(window.dataSet());
    const QStringList& reports = reported.texts;
    const QModelIndex cell = model->index(2, 1); // grid cell (2, 3), text "6.5"
    grid->setFocus();
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* editor = grid->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    for (const char* key : {"1", "2"}) {
        QKeyEvent press(QEvent::KeyPress, key[0], Qt::NoModifier, QString::fromLatin1(key));
        QCoreApplication::sendEvent(editor, &press);
    }
    EXPECT_EQ(reports, (QStringList{QStringLiteral("2,3:1"), QStringLiteral("2,3:12")}));
    EXPECT_EQ(window.dataSet().Table.Cells.cell(2, 3), "12");
    EXPECT_EQ(editor->text(), QStringLiteral("12"));

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(editor, &escape);
    EXPECT_EQ(reports.last(), QStringLiteral("2,3:6.5"));
    EXPECT_EQ(window.dataSet().Table.Cells.cell(2, 3), "6.5");
}

// A quoted text's line break shows as a mark on the cell's one line; the editor shows the mark
// too, and the text stored keeps the line break.
TEST_F(GridFixture, LineBreaksInQuotedTextsShowAsAMark) {
    window.dataSet().Settings.Reading.quotedTexts = true;
    open("notes.csv", "Time,Note\n1,\"two\nlines\"\n" + std::string("2,x\n3,y\n4,z\n5,w\n"));
    auto* model = qobject_cast<DataGridModel*>(grid->model());
    ASSERT_NE(model, nullptr);
    const QModelIndex cell = model->index(0, 1);
    EXPECT_EQ(cell.data(Qt::DisplayRole).toString(), QStringLiteral("two") + kLineBreakMark + QStringLiteral("lines"));
    EXPECT_EQ(cell.data(Qt::EditRole).toString(), QStringLiteral("two\nlines"));
    grid->setFocus();
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* editor = grid->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("two") + kLineBreakMark + QStringLiteral("lines"));
    editor->end(false);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"));
    QCoreApplication::sendEvent(editor, &press);
    EXPECT_EQ(window.dataSet().Table.Cells.cell(2, 1), "two\nliness");
}

// At load, numeric columns are as wide as their header texts need (up to a limit); text columns
// keep the default width, and a column the user resized by dragging its border keeps its width.
TEST_F(GridFixture, LoadWidensNumericColumnsForTheirHeaderTextsButKeepsHandSizedOnes) {
    const std::string longName(120, 'n');
    std::string text = "Time,Small,Note," + longName + "\n";
    for (int i = 1; i <= 20; ++i)
        text += std::to_string(i) + "," + (i == 3 ? "-922.3" : i == 5 ? "0.0001" : "7") + ",x,1\n";
    open("wide.csv", text);
    const DataSet& ds = window.dataSet();
    ASSERT_TRUE(ds.Layout.ColumnIsNumeric[2]);
    QHeaderView* header = grid->horizontalHeader();
    const int needed = headerTextsWidth(ds, 2, header->font());
    EXPECT_GT(needed, 64);
    EXPECT_GE(header->sectionSize(1), needed) << "min -922.3 / max 0.0001 shown whole";
    EXPECT_EQ(header->sectionSize(0), 64);
    EXPECT_EQ(header->sectionSize(2), 64) << "text column";
    EXPECT_EQ(header->sectionSize(3), DataGridHeader::kWidestFittedColumn) << "long name: limit, then elided";

    // Drag the right border of column 2 to the left by hand, then load the file again.
    const int border = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
    const auto mouse = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        const QPointF pos(x, 20);
        QMouseEvent event(type, pos, header->viewport()->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(header->viewport(), &event);
    };
    mouse(QEvent::MouseButtonPress, border, Qt::LeftButton);
    mouse(QEvent::MouseMove, border - 30, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, border - 30, Qt::NoButton);
    const int handWidth = header->sectionSize(1);
    ASSERT_LT(handWidth, needed);
    open("wide.csv", text);
    EXPECT_EQ(header->sectionSize(1), handWidth);
    EXPECT_EQ(header->sectionSize(3), DataGridHeader::kWidestFittedColumn);
}

// In a column too narrow for its maximum, the number never looks like another, shorter number:
// wherever that shorter number would show whole, the longer one looks different (it ends in "…").
// The width a load gives a column shows its numbers whole.
TEST(HeaderCellDrawing, ANumberCutByTheColumnEdgeNeverReadsAsAnother) {
    QFont font;
    font.setPointSize(8);
    DataSet ds;
    ds.View.HeaderLineHeight = 13;
    ds.Layout.ColumnIsNumeric[1] = true;
    ds.Table.ColumnMin[1] = 0;
    const auto band = [&](double maximum, int width, int crop) {
        ds.Table.ColumnMax[1] = maximum;
        QImage image(width, 6 * 13, QImage::Format_RGB32);
        QPainter painter(&image);
        paintHeaderCell(painter, image.rect(), 1, ds, false, font, QPalette());
        painter.end();
        return image.copy(0, 2 * 13 - 2, crop, 13); // the line "max ..." without the grid line
    };
    const struct {
        double longer, shorter;
    } pairs[] = {{-922.3, -922}, {0.0001, 0}, {12345, 1234}};
    for (const auto& p : pairs) {
        for (int width = 20; width <= 120; ++width) {
            const QImage shorter = band(p.shorter, width, width - 1);
            if (shorter != band(p.shorter, 300, width - 1)) continue; // the shorter number is cut itself
            EXPECT_TRUE(band(p.longer, width, width - 1) != shorter) << p.longer << " reads as " << p.shorter << " at " << width;
        }
        ds.Table.ColumnMax[1] = p.longer;
        const int fitted = headerTextsWidth(ds, 1, font);
        EXPECT_TRUE(band(p.longer, fitted, fitted - 1) == band(p.longer, 300, fitted - 1)) << p.longer << " cut at " << fitted;
    }
}

} // namespace
} // namespace varnotile
