// The window going away while it is shown and a cell editor is open: the closing views must not
// read the data set after it is gone (the sanitizer build reports such a read).
#include "dialog_recorder.h"
#include "main_window.h"
#include "test_files.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace varnotile;

TEST(WindowLifetime, DestroyedWhileShownWithAnOpenCellEditor) {
    varnotile::test::TempDir dir;
    auto w = std::make_unique<MainWindow>(QString::fromStdString(dir.path() + "/varnotile.INI"));
    DialogRecorder recorder;
    w->setDialogResponder(&recorder);
    std::string text = "a,b\n";
    for (int r = 1; r <= 10; ++r) text += std::to_string(r) + "," + std::to_string(2 * r) + "\n";
    w->openFile(QString::fromStdString(dir.write("a.csv", text)));
    ASSERT_EQ(w->dataSet().Layout.DataRowCount, 10);
    w->show();
    QApplication::processEvents();
    auto* grid = w->findChild<QTableView*>(QStringLiteral("SGridData"));
    const QModelIndex index = grid->model()->index(1, 0);
    grid->setCurrentIndex(index);
    grid->edit(index);
    QApplication::processEvents();
    ASSERT_NE(grid->viewport()->findChild<QLineEdit*>(), nullptr);
    w.reset();
    EXPECT_TRUE(recorder.notices.isEmpty());
}
