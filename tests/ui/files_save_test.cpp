// Saving from the window: unsaved edits are offered for saving before Open and before closing
// (with Cancel), failed saves keep the program open and the edits in place, "Save..." shows the
// saved file, and a save that would not read back as the table asks first.
#include "dialog_recorder.h"
#include "cell_editing.h"
#include "main_window.h"
#include "test_files.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

using namespace varnotile;
using varnotile::test::readFile;

namespace {

constexpr const char* kQuestion = "Do you want to save the changes?";

const std::string kData = "Time,Force\n0,1.5\n1,2.5\n2,3.5\n3,4.5\n4,5.5\n";

struct Window {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    Window() { w.setDialogResponder(&recorder); }
    std::string open(const std::string& name, const std::string& bytes) {
        const std::string path = dir.write(name, bytes);
        w.openFile(QString::fromStdString(path));
        return path;
    }
    // An edit the journal knows about: a changed cell and one entry.
    void edit(const std::string& text) { EditCell(w.dataSet(), 2, 1, text); }
};

// Acts on the next modal dialog as soon as it is shown (rejects it unless told otherwise) and
// records its object name.
void onNextModal(QString* seen, std::function<void(QWidget*)> act = [](QWidget* w) {
    if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
}) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, seen, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        timer->stop();
        timer->deleteLater();
        if (seen) *seen = modal->objectName();
        act(modal);
    });
    timer->start(10);
}

} // namespace

TEST(FilesSave, ClosingWithEditsAsksAndSavesOnYesOrDiscardsOnNo) {
    Window t;
    const std::string path = t.open("a.csv", kData);
    t.edit("9.25");
    t.recorder.answerYes = false;
    EXPECT_TRUE(t.w.close());
    EXPECT_EQ(t.recorder.questions, QStringList{QString::fromLatin1(kQuestion)});
    EXPECT_EQ(readFile(path), kData);

    Window u;
    const std::string other = u.open("b.csv", kData);
    u.edit("9.25");
    EXPECT_TRUE(u.w.close());
    EXPECT_EQ(readFile(other), "Time,Force\r\n0,9.25\r\n1,2.5\r\n2,3.5\r\n3,4.5\r\n4,5.5\r\n");
    EXPECT_EQ(u.w.dataSet().UndoCount(), 0);
}

TEST(FilesSave, AFailedSaveOnClosingKeepsTheProgramOpenAndTheEdits) {
    Window t;
    const std::string path = t.open("a.csv", kData);
    t.edit("9.25");
    // The shown file's folder has gone; nothing can be written there.
    t.w.dataSet().File.CurrentFileName = t.dir.path() + "/gone/a.csv";
    EXPECT_FALSE(t.w.close());
    ASSERT_EQ(t.recorder.notices.size(), 1);
    EXPECT_TRUE(t.recorder.notices[0].startsWith(QStringLiteral("Cannot save the file \"")));
    EXPECT_TRUE(t.recorder.notices[0].contains(QStringLiteral("gone/a.csv")));
    EXPECT_EQ(t.w.dataSet().UndoCount(), 1);
    EXPECT_EQ(t.w.dataSet().Table.Cells.cell(2, 1), "9.25");
    EXPECT_EQ(readFile(path), kData);
    // The settings are only written once the program really ends.
    EXPECT_EQ(readFile(t.dir.path() + "/varnotile.INI"), "");
}

TEST(FilesSave, OpenAsksAboutUnsavedEditsBeforeItsDialog) {
    Window t;
    const std::string path = t.open("a.csv", kData);
    t.edit("7");
    QString dialog;
    onNextModal(&dialog);
    t.w.menuOpenClick();
    EXPECT_EQ(t.recorder.questions, QStringList{QString::fromLatin1(kQuestion)});
    EXPECT_EQ(dialog, QStringLiteral("OpenDialog1"));
    EXPECT_NE(readFile(path).find("0,7\r\n"), std::string::npos);
    EXPECT_EQ(t.w.dataSet().UndoCount(), 0);

    // A save that fails stops the command before its dialog.
    t.edit("8");
    t.w.dataSet().File.CurrentFileName = path + "/x.csv";
    t.recorder.questions.clear();
    dialog.clear();
    t.w.menuOpenClick();
    EXPECT_EQ(t.recorder.questions.size(), 1);
    EXPECT_TRUE(dialog.isEmpty());
    EXPECT_EQ(t.w.dataSet().UndoCount(), 1);
    QApplication::processEvents(); // the pending watcher finds no dialog; let it go
}

TEST(FilesSave, SaveAsWritesTheNewFileShowsItAndLoadsItAgain) {
    Window t;
    t.open("a.csv", "Title line\nTime;Force\n0;1\n1;2\n2;3\n3;4\n");
    ASSERT_EQ(t.w.dataSet().Layout.ListSeparator, ",");
    t.w.dataSet().Layout.ListSeparator = ";"; // the file is semicolon-separated; read it as such
    t.w.openFile(QString::fromStdString(t.dir.path() + "/a.csv"));
    t.w.dataSet().Layout.ListSeparator = ",";
    t.edit("5");
    const std::string target = t.dir.path() + "/sub";
    ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
    ASSERT_TRUE(t.w.saveAsFile(QString::fromStdString(target + "/b.csv")));
    EXPECT_EQ(readFile(target + "/b.csv"), "Title line\r\nTime,Force\r\n0,5\r\n1,2\r\n2,3\r\n3,4\r\n");
    const DataSet& ds = t.w.dataSet();
    EXPECT_EQ(ds.File.CurrentFileName, target + "/b.csv");
    EXPECT_EQ(ds.UndoCount(), 0);
    EXPECT_EQ(ds.Layout.ColumnNames[2], "Force"); // read back with the comma
    EXPECT_EQ(ds.FolderList.DataFolder, target);
    EXPECT_EQ(t.w.windowTitle(), QStringLiteral("Varnotile  - ") + QString::fromStdString(target + "/b.csv"));
    auto* list = t.w.findChild<QTableWidget*>(QStringLiteral("SGridFiles"));
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("b.csv"));
}

TEST(FilesSave, TextsTheDelimiterWouldSplitAreWrittenOnlyAfterYes) {
    const QString sentence = QStringLiteral(
        "1 texts contain the delimiter \",\" and would be split when the file is read again (first: row %1, column %2). "
        "Save anyway?");
    struct Case {
        const char* what;
        std::function<void(DataSet&)> change;
        QString question;
    } cases[] = {
        {"cell", [](DataSet& ds) { ds.Table.Cells.setCell(2, 2, "1,5"); }, sentence.arg(2).arg(2)},
        {"name", [](DataSet& ds) { ds.Layout.ColumnNames[2] = "a,b"; }, sentence.arg(0).arg(2)},
        {"line break", [](DataSet& ds) { ds.Table.Cells.setCell(1, 3, "x\ny"); },
         QStringLiteral("1 texts contain the delimiter \",\" or a line break and would be split when the file is read "
                        "again (first: row 3, column 1). Save anyway?")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window t;
        const std::string path = t.open("a.csv", kData);
        c.change(t.w.dataSet());
        t.recorder.replies = {QStringLiteral("No"), QStringLiteral("No")};
        EXPECT_FALSE(t.w.SaveToCurrentFile());
        EXPECT_FALSE(t.w.saveAsFile(QString::fromStdString(t.dir.path() + "/b.csv")));
        EXPECT_EQ(t.recorder.questions, (QStringList{c.question, c.question}));
        EXPECT_EQ(readFile(path), kData);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(t.dir.path() + "/b.csv")));
        // Yes writes the texts as they stand.
        t.recorder.answerYes = true;
        EXPECT_TRUE(t.w.SaveToCurrentFile());
        EXPECT_NE(readFile(path), kData);
    }
}

TEST(FilesSave, AnEmptyTableProposesNoNameAndAsksBeforeReplacingAFileWithContent) {
    Window t;
    const std::string refused = t.open("short.csv", "1\n2\n3\n");
    ASSERT_EQ(t.recorder.notices, QStringList{QStringLiteral("Too few Data")});
    QString proposed = QStringLiteral("unset");
    onNextModal(nullptr, [&](QWidget* dialog) {
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) proposed = name->text();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    EXPECT_FALSE(t.w.SaveAsDialog());
    EXPECT_EQ(proposed, QString());

    t.recorder.answerYes = false;
    EXPECT_FALSE(t.w.saveAsFile(QString::fromStdString(refused)));
    ASSERT_EQ(t.recorder.questions.size(), 1);
    EXPECT_TRUE(t.recorder.questions[0].contains(QString::fromStdString(refused)));
    EXPECT_TRUE(t.recorder.questions[0].contains(QStringLiteral("(6 bytes)"))) << t.recorder.questions[0].toStdString();
    EXPECT_EQ(readFile(refused), "1\n2\n3\n");

    // A new name, or an empty file, is written without asking.
    t.recorder.questions.clear();
    EXPECT_TRUE(t.w.saveAsFile(QString::fromStdString(t.dir.path() + "/new.csv")));
    EXPECT_TRUE(t.recorder.questions.isEmpty());
    EXPECT_EQ(readFile(t.dir.path() + "/new.csv"), "");
}

TEST(FilesSave, CancelOnExitOrOpenReturnsToTheWindowUnchanged) {
    Window t;
    const std::string path = t.open("a.csv", kData);
    t.edit("9.25");
    t.recorder.replies = {QStringLiteral("Cancel")};
    EXPECT_FALSE(t.w.close());
    EXPECT_EQ(t.recorder.questions, QStringList{QString::fromLatin1(kQuestion)});
    bool dialogShown = false;
    QTimer::singleShot(0, [&] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialogShown = true;
            modal->reject();
        }
    });
    t.recorder.replies = {QStringLiteral("Cancel")};
    t.w.menuOpenClick();
    QApplication::processEvents();
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(readFile(path), kData);
    EXPECT_EQ(t.w.dataSet().UndoCount(), 1);
    EXPECT_EQ(t.w.dataSet().Table.Cells.cell(2, 1), "9.25");
    EXPECT_EQ(readFile(t.dir.path() + "/varnotile.INI"), "");
}


TEST(FilesSave, ASaveThatWouldReadBackDifferentlyAsksBeforeReplacingTheFile) {
    Window t;
    t.w.dataSet().Settings.Reading.commentLines = true;
    const std::string path = t.open("a.csv", kData);
    ASSERT_TRUE(EditCell(t.w.dataSet(), 1, 3, "#a1"));
    const QString question = QStringLiteral(
        "1 texts would not read back as they are (first: row 3, column 1): a text starting with \"#\" makes its "
        "line a comment. Save anyway?");
    t.recorder.replies = {QStringLiteral("No"), QStringLiteral("No")};
    EXPECT_FALSE(t.w.SaveToCurrentFile());
    EXPECT_FALSE(t.w.saveAsFile(QString::fromStdString(t.dir.path() + "/b.csv")));
    EXPECT_EQ(t.recorder.questions, (QStringList{question, question}));
    EXPECT_EQ(readFile(path), kData);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(t.dir.path() + "/b.csv")));
    EXPECT_EQ(t.w.dataSet().UndoCount(), 1);
    EXPECT_EQ(t.w.dataSet().Table.Cells.cell(1, 3), "#a1");
    t.recorder.answerYes = true;
    EXPECT_TRUE(t.w.SaveToCurrentFile());
    EXPECT_EQ(readFile(path), "Time,Force\r\n0,1.5\r\n1,2.5\r\n#a1,3.5\r\n3,4.5\r\n4,5.5\r\n");
}

TEST(FilesSave, ASavedFileIsReadAgainTheWayItWasWrittenAfterTheSettingsChanged) {
    Window t;
    t.w.dataSet().Settings.Reading.whitespace = true;
    t.open("a.txt", "Time  Force\n0 1.5\n1   2.5\n2 3.5\n3 4.5\n4 5.5\n");
    // General Settings turn whitespace reading off; the shown file was read with it.
    t.w.dataSet().Settings.Reading.whitespace = false;
    t.edit("9");
    ASSERT_TRUE(t.w.saveAsFile(QString::fromStdString(t.dir.path() + "/b.txt")));
    EXPECT_TRUE(t.recorder.questions.isEmpty());
    // Unchanged lines go back as they stood; the edited one keeps its length.
    EXPECT_EQ(readFile(t.dir.path() + "/b.txt"), "Time  Force\r\n0 9  \r\n1   2.5\r\n2 3.5\r\n3 4.5\r\n4 5.5\r\n");
    const DataSet& ds = t.w.dataSet();
    EXPECT_EQ(ds.Layout.ColumnCount, 2);
    EXPECT_EQ(ds.Layout.ColumnNames[2], "Force");
    EXPECT_EQ(ds.Layout.DataRowCount, 5);
    EXPECT_TRUE(ds.Layout.Reading.whitespace);
}
