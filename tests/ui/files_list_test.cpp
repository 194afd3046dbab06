// The folder file list in the window: what it lists, header sorting, loading by selection with
// the save question, deleting the shown file; and the General Settings dialog.
#include "main_window.h"
#include "test_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHeaderView>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

using namespace varnotile;
using varnotile::test::readFile;

namespace {

std::string rows(int count, int width) {
    std::string s;
    for (int r = 0; r < count; ++r) s += std::to_string(r) + "," + std::string(static_cast<std::size_t>(width), '7') + "\n";
    return s;
}

void setAge(const std::string& path, time_t stamp) {
    struct utimbuf times {stamp, stamp};
    ::utime(path.c_str(), &times);
}

struct ListWindow {
    varnotile::test::TempDir dir;
    MainWindow::DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    QTableWidget* list = nullptr;
    ListWindow() {
        w.setDialogRecorder(&recorder);
        list = w.findChild<QTableWidget*>(QStringLiteral("SGridFiles"));
        setAge(dir.write("b.csv", rows(5, 1)), 1'600'000'300);
        setAge(dir.write("A.csv", rows(6, 3)), 1'600'000'100);
        setAge(dir.write("c.csv", rows(5, 3)), 1'600'000'200);
        dir.write("x.CSV", rows(5, 1));
        dir.write("notes.txt", "x");
        w.openFile(QString::fromStdString(dir.path() + "/b.csv"));
    }
    QStringList names() const {
        QStringList n;
        for (int r = 0; r < list->rowCount(); ++r) n << list->item(r, 0)->text();
        return n;
    }
    QString current() const { return list->currentRow() < 0 ? QString() : list->item(list->currentRow(), 0)->text(); }
    QString shown() const { return QString::fromStdString(w.dataSet().CurrentFileName).section(QLatin1Char('/'), -1); }
};

} // namespace

TEST(FilesList, ListsTheFolderByNameDescendingWithTheShownFileSelected) {
    ListWindow t;
    QStringList headers;
    for (int c = 0; c < 4; ++c) headers << t.list->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headers, (QStringList{"File Name", "Size", "Date", "Time"}));
    EXPECT_EQ(t.names(), (QStringList{"c.csv", "b.csv", "A.csv"})); // x.CSV differs in letter case
    EXPECT_EQ(t.current(), QStringLiteral("b.csv"));
    EXPECT_EQ(t.list->currentColumn(), 0);
    EXPECT_EQ(t.list->item(2, 1)->text(), QStringLiteral("36")); // 6 lines of "n,777\n"
    EXPECT_FALSE(t.list->item(0, 2)->text().isEmpty());
    EXPECT_EQ(t.list->item(0, 3)->text().count(QLatin1Char(':')), 2); // with seconds
    EXPECT_TRUE(t.w.dataSet().FileListActive);
}

TEST(FilesList, HeaderPressesSortBySizeAndDateAndTheTimeColumnDoesNothing) {
    ListWindow t;
    t.w.SGridFilesMouseDown(1, 0);
    EXPECT_EQ(t.names(), (QStringList{"A.csv", "c.csv", "b.csv"}));
    EXPECT_EQ(t.current(), QStringLiteral("b.csv"));
    t.w.SGridFilesMouseDown(2, 0);
    EXPECT_EQ(t.names(), (QStringList{"b.csv", "c.csv", "A.csv"}));
    t.w.SGridFilesMouseDown(3, 0);
    EXPECT_EQ(t.names(), (QStringList{"b.csv", "c.csv", "A.csv"}));
    t.w.SGridFilesMouseDown(0, 0);
    EXPECT_EQ(t.names(), (QStringList{"c.csv", "b.csv", "A.csv"}));
    // A real press of any button on the "Size" caption sorts without selecting a column.
    QHeaderView* header = t.list->horizontalHeader();
    const QPointF at(header->sectionViewportPosition(1) + 5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, header->viewport()->mapToGlobal(at), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    EXPECT_EQ(t.names(), (QStringList{"A.csv", "c.csv", "b.csv"}));
    EXPECT_EQ(t.current(), QStringLiteral("b.csv"));
    // Sorting never loads anything.
    EXPECT_EQ(t.shown(), QStringLiteral("b.csv"));
    EXPECT_TRUE(t.recorder.questions.isEmpty());
}

TEST(FilesList, SelectingANameLoadsItAndOtherColumnsOnlyAsk) {
    ListWindow t;
    t.list->setCurrentCell(2, 0); // A.csv, as a click does
    EXPECT_EQ(t.shown(), QStringLiteral("A.csv"));
    EXPECT_EQ(t.w.dataSet().DataRowCount, 6);
    EXPECT_EQ(t.current(), QStringLiteral("A.csv"));

    // With edits, a size cell asks but loads nothing; No leaves the file as it was.
    t.w.dataSet().UndoCount = 1;
    t.recorder.answerYes = false;
    t.list->setCurrentCell(0, 1);
    EXPECT_EQ(t.recorder.questions.size(), 1);
    EXPECT_EQ(t.shown(), QStringLiteral("A.csv"));
    EXPECT_EQ(t.w.dataSet().UndoCount, 1);
}

TEST(FilesList, YesSavesTheShownFileThenLoadsTheClickedOne) {
    ListWindow t;
    t.w.dataSet().Cells.setCell(2, 1, "42");
    t.w.dataSet().UndoCount = 1;
    t.list->setCurrentCell(2, 0); // A.csv
    EXPECT_EQ(t.recorder.questions, QStringList{"Do you want to save the changes?"});
    EXPECT_EQ(readFile(t.dir.path() + "/b.csv").substr(0, 9), "0,42\r\n1,7");
    EXPECT_EQ(t.shown(), QStringLiteral("A.csv"));
    EXPECT_EQ(t.w.dataSet().UndoCount, 0);
}

TEST(FilesList, AFailedSaveKeepsTheEditsAndLoadsNothing) {
    ListWindow t;
    t.w.dataSet().Cells.setCell(2, 1, "42");
    t.w.dataSet().UndoCount = 1;
    const std::string shown = t.w.dataSet().CurrentFileName;
    // Replace the shown file by a folder: the save cannot put a file there.
    ASSERT_EQ(std::remove(shown.c_str()), 0);
    ASSERT_EQ(::mkdir(shown.c_str(), 0755), 0);
    t.list->setCurrentCell(2, 0);
    EXPECT_EQ(t.recorder.notices.size(), 1);
    EXPECT_EQ(t.shown(), QStringLiteral("b.csv"));
    EXPECT_EQ(t.w.dataSet().Cells.cell(2, 1), "42");
    EXPECT_EQ(t.w.dataSet().UndoCount, 1);
    EXPECT_EQ(t.current(), QStringLiteral("b.csv"));
    EXPECT_TRUE(t.w.dataSet().FileListActive);
}

TEST(FilesList, DeleteRemovesTheShownFileButKeepsItsData) {
    ListWindow t;
    t.recorder.answerYes = false;
    t.w.menuDeleteFileClick();
    EXPECT_EQ(t.recorder.questions, QStringList{"Do you want to delete b.csv?"});
    EXPECT_EQ(t.names().size(), 3);
    t.recorder.answerYes = true;
    t.w.menuDeleteFileClick();
    EXPECT_EQ(t.names(), (QStringList{"c.csv", "A.csv"}));
    EXPECT_EQ(t.shown(), QStringLiteral("b.csv"));
    EXPECT_EQ(t.w.dataSet().DataRowCount, 5);
}

TEST(FilesSettingsDialog, ShowsTheSettingsAndAppliesThemOnOkOrCloseBox) {
    ListWindow t;
    DataSet& ds = t.w.dataSet();
    ds.ListSeparator = "\t";
    bool tabChecked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QStringLiteral("TFormSetting"));
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Varnotile General Settings"));
        tabChecked = dialog->findChild<QRadioButton*>(QStringLiteral("RBtnTab"))->isChecked();
        dialog->findChild<QRadioButton*>(QStringLiteral("RBtnSemi"))->setChecked(true);
        dialog->findChild<QCheckBox*>(QStringLiteral("ChBoxKeepAge"))->setChecked(false);
        dialog->close(); // the close box applies as "OK" does
    });
    t.w.menuGenOptionsClick();
    EXPECT_TRUE(tabChecked);
    EXPECT_EQ(ds.ListSeparator, ";");
    EXPECT_FALSE(ds.KeepFileDate);
}

TEST(FilesSettingsDialog, SettingsLastFromOneRunToTheNextAndWriteFailuresAreReported) {
    varnotile::test::TempDir dir;
    const QString path = QString::fromStdString(dir.path() + "/varnotile.INI");
    {
        MainWindow w(path);
        EXPECT_EQ(w.dataSet().ListSeparator, ",");
        w.dataSet().ListSeparator = ";";
        w.dataSet().CurveColors[3] = 0x0000FF;
        EXPECT_TRUE(w.close());
    }
    MainWindow again(path);
    EXPECT_EQ(again.dataSet().ListSeparator, ";");
    EXPECT_EQ(again.dataSet().CurveColors[3], 0x0000FFu);

    const QString blocked = QString::fromStdString(dir.write("plain", "x") + "/varnotile.INI");
    MainWindow w(blocked);
    MainWindow::DialogRecorder recorder;
    w.setDialogRecorder(&recorder);
    EXPECT_TRUE(w.close()); // the program still ends
    EXPECT_EQ(recorder.notices, QStringList{QStringLiteral("Unable to write to ") + blocked});
}
