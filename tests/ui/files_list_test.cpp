// The folder file list in the window: what it lists, header sorting, loading by selection with
// the save question, deleting the shown file; and the General Settings dialog.
#include "dialog_recorder.h"
#include "cell_editing.h"
#include "main_window.h"
#include "test_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <QDialog>
#include <QHeaderView>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

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
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    QTableWidget* list = nullptr;
    ListWindow() {
        w.setDialogResponder(&recorder);
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
    QString shown() const {
        return QString::fromStdString(w.dataSet().File.CurrentFileName).section(QLatin1Char('/'), -1);
    }
    QStringList highlighted() const {
        QStringList n;
        for (const QTableWidgetItem* item : list->selectedItems()) n << item->text();
        return n;
    }
    // A left click on a cell as the pointer gives it, with the events it leaves behind handled.
    void click(int row, int column) {
        w.show();
        QWidget* viewport = list->viewport();
        const QPointF at = list->visualItemRect(list->item(row, column)).center();
        const QPointF global = viewport->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &release);
        QCoreApplication::processEvents();
    }
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
    EXPECT_TRUE(t.w.dataSet().FolderList.FileListActive);
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
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 6);
    EXPECT_EQ(t.current(), QStringLiteral("A.csv"));

    // With edits, a size cell asks but loads nothing; No leaves the file as it was.
    EditCell(t.w.dataSet(), 2, 1, "42");
    t.recorder.answerYes = false;
    t.list->setCurrentCell(0, 1);
    EXPECT_EQ(t.recorder.questions.size(), 1);
    EXPECT_EQ(t.shown(), QStringLiteral("A.csv"));
    EXPECT_EQ(t.w.dataSet().UndoCount(), 1);
}

TEST(FilesList, YesSavesTheShownFileThenLoadsTheClickedOne) {
    ListWindow t;
    EditCell(t.w.dataSet(), 2, 1, "42");
    t.list->setCurrentCell(2, 0); // A.csv
    EXPECT_EQ(t.recorder.questions, QStringList{"Do you want to save the changes?"});
    EXPECT_EQ(readFile(t.dir.path() + "/b.csv").substr(0, 9), "0,42\r\n1,7");
    EXPECT_EQ(t.shown(), QStringLiteral("A.csv"));
    EXPECT_EQ(t.w.dataSet().UndoCount(), 0);
}

TEST(FilesList, AFailedSaveKeepsTheEditsAndLoadsNothing) {
    ListWindow t;
    EditCell(t.w.dataSet(), 2, 1, "42");
    const std::string shown = t.w.dataSet().File.CurrentFileName;
    // Replace the shown file by a folder: the save cannot put a file there.
    ASSERT_EQ(std::remove(shown.c_str()), 0);
    ASSERT_EQ(::mkdir(shown.c_str(), 0755), 0);
    t.click(2, 0); // A.csv
    EXPECT_EQ(t.recorder.notices.size(), 1);
    EXPECT_EQ(t.shown(), QStringLiteral("b.csv"));
    EXPECT_EQ(t.w.dataSet().Table.Cells.cell(2, 1), "42");
    EXPECT_EQ(t.w.dataSet().UndoCount(), 1);
    EXPECT_EQ(t.current(), QStringLiteral("b.csv"));
    EXPECT_EQ(t.highlighted(), QStringList{"b.csv"}) << "not the clicked row while b.csv is still shown";
    EXPECT_TRUE(t.w.dataSet().FolderList.FileListActive);
}

TEST(FilesList, TheHighlightFollowsTheShownFileByNameWhenASaveReSortsTheList) {
    ListWindow t;
    t.w.SGridFilesMouseDown(1, 0); // by size: A.csv, c.csv, b.csv
    EditCell(t.w.dataSet(), 2, 1, "42");
    t.click(1, 0); // c.csv; saving b.csv puts the list back in name order, with b.csv in that row
    EXPECT_EQ(t.recorder.questions, QStringList{"Do you want to save the changes?"});
    EXPECT_EQ(t.shown(), QStringLiteral("c.csv"));
    EXPECT_EQ(t.current(), QStringLiteral("c.csv"));
    EXPECT_EQ(t.highlighted(), QStringList{"c.csv"});
}

TEST(FilesList, ColumnsAreWideEnoughForTheirTexts) {
    ListWindow t;
    t.dir.write("climate_chamber_long_name.csv", rows(5, 2));
    t.w.openFile(QString::fromStdString(t.dir.path() + "/b.csv"));
    const QFontMetrics metrics(t.list->font());
    // The item's text is drawn inside a margin on either side.
    const int margins = 2 * (t.list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t.list) + 1);
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < t.list->rowCount(); ++r) {
            const QString text = t.list->item(r, c)->text();
            EXPECT_GE(t.list->columnWidth(c), metrics.horizontalAdvance(text) + margins) << text.toStdString();
        }
        EXPECT_GE(t.list->columnWidth(c), metrics.horizontalAdvance(t.list->horizontalHeaderItem(c)->text()));
    }
}

TEST(FilesList, AFileOpenedThroughALinkedFolderHasItsRowSelected) {
    ListWindow t;
    varnotile::test::TempDir other;
    const std::string link = other.path() + "/linked";
    std::filesystem::create_directory_symlink(t.dir.path(), link);
    t.w.openFile(QString::fromStdString(link + "/b.csv"));
    EXPECT_EQ(t.current(), QStringLiteral("b.csv"));
    t.w.SGridFilesMouseDown(1, 0);
    EXPECT_EQ(t.current(), QStringLiteral("b.csv"));
    EXPECT_EQ(t.highlighted(), QStringList{"b.csv"});
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
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 5);
}

TEST(FilesSettingsDialog, ShowsTheSettingsAndAppliesThemOnOkOrCloseBox) {
    ListWindow t;
    DataSet& ds = t.w.dataSet();
    ds.Layout.ListSeparator = "\t";
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
    EXPECT_EQ(ds.Layout.ListSeparator, ";");
    EXPECT_FALSE(ds.Settings.KeepFileDate);
}

TEST(FilesSettingsDialog, SettingsLastFromOneRunToTheNextAndWriteFailuresAreReported) {
    varnotile::test::TempDir dir;
    const QString path = QString::fromStdString(dir.path() + "/varnotile.INI");
    {
        MainWindow w(path);
        EXPECT_EQ(w.dataSet().Layout.ListSeparator, ",");
        w.dataSet().Layout.ListSeparator = ";";
        w.dataSet().View.CurveColors[3] = 0x0000FF;
        EXPECT_TRUE(w.close());
    }
    MainWindow again(path);
    EXPECT_EQ(again.dataSet().Layout.ListSeparator, ";");
    EXPECT_EQ(again.dataSet().View.CurveColors[3], 0x0000FFu);

    const QString blocked = QString::fromStdString(dir.write("plain", "x") + "/varnotile.INI");
    MainWindow w(blocked);
    DialogRecorder recorder;
    w.setDialogResponder(&recorder);
    EXPECT_TRUE(w.close()); // the program still ends
    EXPECT_EQ(recorder.notices, QStringList{QStringLiteral("Unable to write to ") + blocked});
}

TEST(FilesOpenDialog, FilterCaptionsReadAsGivenAndEachChoosesItsFiles) {
    varnotile::test::TempDir dir, settings;
    for (const char* name : {"a.csv", "b.txt", "c.prn", "d.dat", "e.xyz", "f", "g.csv.gz", "h.dat.zst"}) dir.write(name, "1\n");
    MainWindow w(QString::fromStdString(settings.path() + "/varnotile.INI"));
    QStringList captions;
    std::vector<QStringList> listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        ASSERT_TRUE(combo && view);
        captions << combo->currentText();
        dialog->setDirectory(QString::fromStdString(dir.path()));
        // The files the view offers (a filtered-out file is hidden or greyed out).
        auto offered = [&] {
            QStringList names;
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r) {
                const QModelIndex index = view->model()->index(r, 0, view->rootIndex());
                if (index.flags() & Qt::ItemIsEnabled) names << index.data().toString();
            }
            names.sort();
            return names;
        };
        auto settle = [&](int wanted) {
            QElapsedTimer timer;
            timer.start();
            do QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            while (timer.elapsed() < 3000 && (offered().size() < wanted || timer.elapsed() < 100));
        };
        dialog->selectNameFilter(dialog->nameFilters().constLast());
        settle(8);
        for (int i = 0; i < combo->count(); ++i) {
            dialog->selectNameFilter(dialog->nameFilters().at(i)); // as choosing it in the list does
            settle(0);
            if (i > 0) captions << combo->currentText();
            listed.push_back(offered());
        }
        dialog->reject();
    });
    w.menuOpenClick();
    EXPECT_EQ(captions, (QStringList{"csv files (*.csv)", "text files (*.txt)",
                                     "All text files (*.csv, *.txt, *.prn, *.dat)",
                                     "Compressed text files (*.gz, *.xz, *.bz2, *.zst)", "All files"}));
    ASSERT_EQ(listed.size(), 5u);
    // Each text type's filter also lists its compressed forms.
    EXPECT_EQ(listed[0], (QStringList{"a.csv", "g.csv.gz"}));
    EXPECT_EQ(listed[1], QStringList{"b.txt"});
    EXPECT_EQ(listed[2], (QStringList{"a.csv", "b.txt", "c.prn", "d.dat", "g.csv.gz", "h.dat.zst"}));
    EXPECT_EQ(listed[3], (QStringList{"g.csv.gz", "h.dat.zst"}));
    EXPECT_EQ(listed[4], (QStringList{"a.csv", "b.txt", "c.prn", "d.dat", "e.xyz", "f", "g.csv.gz", "h.dat.zst"}));
}
