// Following a growing file in the window: whatever way the bytes arrive (steadily, in bursts,
// lines cut in the middle, the file truncated or replaced), the window ends with the table and
// the curves of a fresh load, without a model reset for an append; unsaved edits stay.
#include "dialog_recorder.h"
#include "cell_editing.h"
#include "curves.h"
#include "follow.h"
#include "loader.h"
#include "curve_chart.h"
#include "data_grid_view.h"
#include "file_follower.h"
#include "guarded_application.h"
#include "save_file.h"
#include "main_window.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <new>
#include <random>
#include <thread>
#include <unistd.h>

using namespace varnotile;

namespace {

std::string rows(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += std::to_string(i) + "," + std::to_string(static_cast<long long>(i) * i % 97) + ".5\n";
    return s;
}

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void append(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// The table and the curves as the window shows them.
std::string shownTable(MainWindow& w) {
    const DataSet& ds = w.dataSet();
    std::string t = std::to_string(ds.Layout.ColumnCount) + "x" + std::to_string(ds.Layout.DataRowCount) + "\n";
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        for (int k = 1; k <= ds.Layout.ColumnCount; ++k) t.append(ds.Table.Cells.cell(k, r)).append("|");
        t += "\n";
    }
    auto* chart = w.findChild<CurveChart*>();
    for (int k = 1; k <= kCurveCount; ++k) {
        bool found = false;
        const CurvePlottable* c = chart->curve(k);
        const QCPRange x = c->getKeyRange(found), y = c->getValueRange(found);
        t += QStringLiteral("curve %1: %2 points %3..%4 %5..%6\n")
                 .arg(k).arg(c->pointCount()).arg(x.lower).arg(x.upper).arg(y.lower).arg(y.upper).toStdString();
    }
    const int model = w.findChild<DataGridView*>()->model()->rowCount();
    return t + "grid rows " + std::to_string(model) + "\n";
}

bool processUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        pause(2);
    }
    return true;
}

struct FollowedWindow {
    test::TempDir dir;
    std::string settings = dir.path() + "/varnotile.INI";
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(settings)};
    std::string path;
    explicit FollowedWindow(const std::string& bytes) {
        w.setDialogResponder(&recorder);
        w.resize(1000, 700);
        w.show();
        path = dir.write("log.csv", bytes);
        w.openFile(QString::fromStdString(path));
        w.findChild<QAction*>(QStringLiteral("menuFollowFile"))->trigger();
    }
    void run(const std::function<void()>& writer) {
        std::atomic<bool> done{false};
        std::thread thread([&] {
            writer();
            done = true;
        });
        processUntil([&] { return done.load(); }, 60000);
        thread.join();
    }
    // Runs `writer` on its own thread while the window goes on, then waits until the window
    // shows what a fresh load of the file shows.
    ::testing::AssertionResult follows(const std::function<void()>& writer) {
        run(writer);
        MainWindow fresh{QString::fromStdString(settings)};
        fresh.resize(1000, 700);
        fresh.show();
        fresh.openFile(QString::fromStdString(path));
        const std::string expected = shownTable(fresh);
        if (!processUntil([&] { return shownTable(w) == expected; }))
            return ::testing::AssertionFailure() << "shown:\n" << shownTable(w) << "\nfresh load:\n" << expected;
        // The curves are drawn alike too (their gaps included).
        auto drawn = [](MainWindow& m) { return m.findChild<CurveChart*>()->toPixmap(600, 400).toImage(); };
        if (drawn(w) != drawn(fresh)) return ::testing::AssertionFailure() << "the curves are drawn otherwise";
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST(FollowWindow, EndsWithTheTableOfAFreshLoadHoweverTheFileGrows) {
    FollowedWindow t("Time,Force\n" + rows(1, 40));
    int resets = 0;
    QObject::connect(t.w.findChild<DataGridView*>()->model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    const std::string& path = t.path;
    struct Phase {
        const char* name;
        std::function<void()> write;
        bool reloads;
        bool lastRowShown; // the grid showed the last row before: it still does (else it stays)
    };
    const Phase phases[] = {
        {"steady", [&] { for (int i = 41; i <= 240; ++i) { append(path, rows(i, i)); pause(2); } }, false, true},
        {"bursts", [&] { for (int b = 0; b < 5; ++b) { append(path, rows(241 + 300 * b, 540 + 300 * b)); pause(60); } }, false, true},
        {"cut lines", [&] {
             for (int i = 1741; i <= 1790; ++i) {
                 const std::string line = rows(i, i);
                 append(path, line.substr(0, 3));
                 pause(15);
                 append(path, line.substr(3));
             }
         }, false, true},
        {"gaps", [&] { append(path, "1791,\n\n1792,4.5\n1793,nan\n1794,8.5\n" + rows(1795, 1800)); }, false, true},
        {"truncated", [&] { std::ofstream(path, std::ios::binary | std::ios::trunc) << "Time,Force\n" + rows(1, 30); }, true, false},
        {"replaced", [&] {
             const std::string other = path + ".new";
             std::ofstream(other, std::ios::binary) << "Time,Force\n" + rows(500, 560);
             std::rename(other.c_str(), path.c_str());
         }, true, false},
        {"after replacing", [&] { for (int i = 561; i <= 660; ++i) { append(path, rows(i, i)); pause(1); } }, false, false},
    };
    auto* grid = t.w.findChild<DataGridView*>();
    grid->scrollToBottom();
    for (const Phase& phase : phases) {
        resets = 0;
        EXPECT_TRUE(t.follows(phase.write)) << phase.name;
        if (phase.reloads) continue;
        EXPECT_EQ(resets, 0) << phase.name << ": an append resets no model";
        // Shown last row: the new last row is shown. Else the grid stays at the top, as loaded.
        const int bottom = grid->rowAt(grid->viewport()->height() - 1);
        if (phase.lastRowShown)
            EXPECT_TRUE(bottom < 0 || bottom == grid->model()->rowCount() - 1) << phase.name << " " << bottom;
        else
            EXPECT_EQ(grid->rowAt(0), 0) << phase.name;
    }
    EXPECT_TRUE(t.w.findChild<QLabel*>(QStringLiteral("FollowState"))->text().startsWith(QStringLiteral("Following")));

    // Remembered in the settings file.
    EXPECT_TRUE(t.w.close());
    MainWindow again{QString::fromStdString(t.settings)};
    EXPECT_TRUE(again.findChild<QAction*>(QStringLiteral("menuFollowFile"))->isChecked());
}

TEST(FollowWindow, UnsavedEditsStayThroughAppendsAndUndoAndSaveWithTheNewRows) {
    FollowedWindow t("Time,Force\n" + rows(1, 40));
    EditCell(t.w.dataSet(), 2, 3, "77");
    t.run([&] { append(t.path, rows(41, 90)); });
    const DataSet& ds = t.w.dataSet();
    ASSERT_TRUE(processUntil([&] { return ds.Layout.DataRowCount == 90; }));
    EXPECT_EQ(ds.Table.Cells.cell(2, 3), "77");
    EXPECT_EQ(ds.UndoCount(), 1);
    t.w.menuUndoClick();
    EXPECT_EQ(ds.Table.Cells.cell(2, 3), "9.5");
    EXPECT_EQ(ds.Layout.DataRowCount, 90);

    EditCell(t.w.dataSet(), 2, 90, "-1");
    ASSERT_TRUE(t.w.SaveToCurrentFile());
    const std::string saved = test::readFile(t.path);
    EXPECT_NE(saved.find("89,"), std::string::npos);
    EXPECT_NE(saved.find("90,-1\r\n"), std::string::npos);

    // A file rewritten under unsaved edits asks first; Cancel keeps the table and its edits.
    EXPECT_TRUE(t.follows([] {}));
    EditCell(t.w.dataSet(), 2, 5, "55");
    t.recorder.replies << QStringLiteral("Cancel");
    std::ofstream(t.path, std::ios::binary | std::ios::trunc) << "Time,Force\n" + rows(1, 10);
    ASSERT_TRUE(processUntil([&] { return !t.recorder.questions.isEmpty(); }));
    ASSERT_EQ(t.recorder.questions.size(), 1);
    EXPECT_TRUE(t.recorder.questions[0].startsWith(QStringLiteral("\"log.csv\" was replaced on disk")));
    EXPECT_EQ(ds.Layout.DataRowCount, 90);
    EXPECT_EQ(ds.Table.Cells.cell(2, 5), "55");
}

namespace {

FileFollower& followerOf(MainWindow& w) { return *w.findChild<FileFollower*>(); }
QString followState(MainWindow& w) { return w.findChild<QLabel*>(QStringLiteral("FollowState"))->text(); }

// A logger starting its file anew: truncated in place, or a new file renamed over it.
void startAnew(const std::string& path, const std::string& bytes, bool rotate) {
    if (!rotate) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return;
    }
    std::ofstream(path + ".new", std::ios::binary) << bytes;
    std::rename((path + ".new").c_str(), path.c_str());
}

// Accepts the next modal dialog (the Save dialog with the name it proposes) once it shows.
void acceptNextModal() {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->deleteLater();
        timer->stop();
        dialog->accept();
    });
    timer->start(10);
}

} // namespace

// A file replaced under unsaved edits: the question says so, and no answer writes the old table
// over the new file. Yes saves the edits under another name, No drops them; both follow on.
TEST(FollowWindow, AFileReplacedUnderUnsavedEditsIsNeverWrittenOver) {
    struct Case {
        const char* reply;
        int rows;
        const char* cell; // (2, 3) afterwards
        bool following;
    };
    const Case cases[] = {{"Cancel", 40, "77", false}, {"No", 5, "9.5", true}, {"Yes", 5, "9.5", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        FollowedWindow t("Time,Force\n" + rows(1, 40));
        EditCell(t.w.dataSet(), 2, 3, "77");
        const std::string logged = "Time,Force\n" + rows(1, 5);
        startAnew(t.path, logged, true);
        t.recorder.replies << QString::fromLatin1(c.reply);
        if (std::string(c.reply) == "Yes") acceptNextModal();
        followerOf(t.w).readNow();
        ASSERT_EQ(t.recorder.questions.size(), 1);
        EXPECT_TRUE(t.recorder.questions[0].contains(QStringLiteral("replaced on disk")));
        EXPECT_EQ(test::readFile(t.path), logged);
        const DataSet& ds = t.w.dataSet();
        EXPECT_EQ(ds.Layout.DataRowCount, c.rows);
        EXPECT_EQ(ds.Table.Cells.cell(2, 3), c.cell);
        EXPECT_EQ(followerOf(t.w).following(), c.following);
        EXPECT_EQ(followState(t.w).startsWith(QStringLiteral("Not following")), !c.following);
        if (std::string(c.reply) == "Yes")
            EXPECT_NE(test::readFile(t.dir.path() + "/log (edited).csv").find("3,77\r\n"), std::string::npos);
    }
}

// A logger truncates or rotates its file and writes it anew, in one go or in steps: following
// goes on, a file caught too short says so in the status bar (no message box), and the table
// shows the rows as soon as the file holds them.
TEST(FollowWindow, AFileStartedAnewIsFollowedOnWithoutAMessageBox) {
    struct Case {
        const char* name;
        bool rotate;
        std::string first, then;
    };
    const std::string header = "Time,Force\n";
    const Case cases[] = {
        {"truncated, then written", false, "", header + rows(1, 10)},
        {"truncated to its header", false, header, rows(1, 10)},
        {"rotated to its header", true, header, rows(1, 10)},
        {"truncated and written at once", false, header + rows(1, 10), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FollowedWindow t(header + rows(1, 40));
        startAnew(t.path, c.first, c.rotate);
        followerOf(t.w).readNow();
        if (!c.then.empty()) {
            EXPECT_EQ(followState(t.w), QStringLiteral("Following %1 the file is too short yet").arg(QChar(0x00B7)));
            append(t.path, c.then);
            followerOf(t.w).readNow();
        }
        EXPECT_TRUE(t.recorder.notices.isEmpty()) << t.recorder.notices.join(QStringLiteral("|")).toStdString();
        EXPECT_TRUE(followerOf(t.w).following());
        EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 10);
        EXPECT_EQ(followState(t.w), QStringLiteral("Following"));
    }
}

// Saving the followed file puts a new file in its place: while a logger holds the old one open,
// or wrote more than the table shows, the save asks first, and every line the logger writes
// still arrives. Once it is done, the save goes ahead without a question.
TEST(FollowWindow, SavingTheFollowedFileLosesNoLineALoggerWrites) {
    FollowedWindow t("Time,Force\n" + rows(1, 40));
    const DataSet& ds = t.w.dataSet();
    auto* logger = new std::ofstream(t.path, std::ios::binary | std::ios::app);
    *logger << rows(41, 45) << std::flush;
    followerOf(t.w).readNow();
    EditCell(t.w.dataSet(), 2, 3, "77");

    t.recorder.replies << QStringLiteral("No");
    EXPECT_FALSE(t.w.SaveToCurrentFile());
    ASSERT_EQ(t.recorder.questions.size(), 1);
    EXPECT_TRUE(t.recorder.questions[0].contains(QStringLiteral("holds it open for writing"))) << t.recorder.questions[0].toStdString();
    *logger << rows(46, 50) << std::flush;
    delete logger;
    followerOf(t.w).readNow();
    EXPECT_EQ(ds.Layout.DataRowCount, 50);

    append(t.path, rows(51, 52)); // not read yet
    t.recorder.replies << QStringLiteral("No");
    EXPECT_FALSE(t.w.SaveToCurrentFile());
    ASSERT_EQ(t.recorder.questions.size(), 2);
    EXPECT_TRUE(t.recorder.questions[1].contains(QStringLiteral("changed on disk")));
    EXPECT_EQ(test::readFile(t.path), "Time,Force\n" + rows(1, 52));

    followerOf(t.w).readNow();
    ASSERT_TRUE(t.w.SaveToCurrentFile());
    EXPECT_EQ(t.recorder.questions.size(), 2);
    const std::string saved = test::readFile(t.path);
    EXPECT_NE(saved.find("3,77\r\n"), std::string::npos);
    EXPECT_NE(saved.find("52,85.5\r\n"), std::string::npos);
}

// The folder list shows the followed file's size and time as it grows, and a save that keeps the
// file's date gives it the time of the last read.
TEST(FollowWindow, TheFolderListAndTheKeptDateFollowTheFile) {
    FollowedWindow t("Time,Force\n" + rows(1, 40));
    constexpr int64_t kReadAt = 1000000000;
    append(t.path, rows(41, 60));
    ASSERT_TRUE(setFileAgeStamp(t.path, kReadAt));
    followerOf(t.w).readNow();
    auto* list = t.w.findChild<QTableWidget*>(QStringLiteral("SGridFiles"));
    const auto found = list->findItems(QStringLiteral("log.csv"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(list->item(found[0]->row(), 1)->text().toLongLong(), static_cast<qlonglong>(test::readFile(t.path).size()));
    EXPECT_EQ(list->item(found[0]->row(), 2)->text(),
              QLocale::system().toString(QDateTime::fromSecsSinceEpoch(kReadAt).date(), QLocale::ShortFormat));

    EditCell(t.w.dataSet(), 2, 3, "77");
    ASSERT_TRUE(t.w.dataSet().Settings.KeepFileDate);
    ASSERT_TRUE(t.w.SaveToCurrentFile());
    EXPECT_EQ(fileAgeStamp(t.path), kReadAt);
}

// A curve grown by appended rows is the curve a fresh fill makes: its pieces (gaps, blank
// lines), bounds and order of X, whatever the old curve ended with.
TEST(FollowWindow, GrownCurvesAreTheCurvesOfAFreshFill) {
    struct Case {
        const char* name;
        std::string first, added;
        int xColumn;
    };
    std::string head = "Time,Force,Flow\n";
    for (int i = -30; i <= 0; ++i) head += std::to_string(i) + "," + std::to_string(i % 7) + ".5,1\n";
    const Case cases[] = {
        {"no gaps", head + "1,2,3\n2,3,4\n3,4,5\n", "4,1,9\n5,8,0\n", 0},
        {"gap appended", head + "1,2,3\n2,3,4\n3,4,5\n", "4,,9\n5,8,\n6,7,1\n", 0},
        {"blank line appended", head + "1,2,3\n2,3,4\n3,4,5\n", "\n4,5,9\n5,8,2\n", 0},
        {"old gap open", head + "1,2,3\n2,3,4\n3,,5\n", "4,5,9\n\n5,8,2\n", 0},
        {"old gap closed", head + "1,2,3\n\n2,3,4\n3,1,5\n", "4,5,9\n5,,2\n", 0},
        {"x column falls back", head + "1,2,3\n2,3,4\n3,4,5\n", "2.5,6,9\n6,7,1\n", 1},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir.write("a.csv", c.first);
        DataSet ds;
        ds.File.CurrentFileName = path;
        ds.Layout.Reading.commentLines = ds.Layout.Reading.missingAsGaps = true;
        LoadDataFile(ds);
        ds.View.XColumn = c.xColumn;
        for (int k = 1; k <= 3; ++k) ds.View.CurveVisible[k] = true;
        FollowWatch watch = WatchLoadedFile(ds);
        std::vector<CurveSource> before;
        for (int k = 1; k <= 3; ++k) before.push_back(CurveSourceFor(ds, k).value_or(CurveSource{}));
        append(path, c.added);
        ASSERT_EQ(FollowGrowth(ds, watch).kind, Growth::Appended) << c.name;
        for (int k = 1; k <= 3; ++k) {
            const CurveSource fresh = CurveSourceFor(ds, k).value_or(CurveSource{});
            const auto grown = GrownCurveSource(ds, k, before[static_cast<std::size_t>(k - 1)]);
            if (!ColumnIsDrawn(ds, k)) continue;
            ASSERT_TRUE(grown.has_value()) << c.name << " curve " << k;
            EXPECT_EQ(grown->count, fresh.count) << c.name << " curve " << k;
            EXPECT_EQ(grown->pieces, fresh.pieces) << c.name << " curve " << k;
            EXPECT_EQ(grown->xAscending, fresh.xAscending) << c.name << " curve " << k;
            EXPECT_EQ(std::vector<double>({grown->minX, grown->maxX, grown->minY, grown->maxY}),
                      std::vector<double>({fresh.minX, fresh.maxX, fresh.minY, fresh.maxY}))
                << c.name << " curve " << k;
        }
    }
}

// A cell of a long line shows only the start of its text (no column shows more, and laying out
// all of it on every repaint would hold the window up); an edit still gets the whole text.
TEST(FollowWindow, ALongCellShowsItsStartAndEditsWhole) {
    const std::string text(300000, 'w');
    FollowedWindow t("Time,Note\n" + rows(1, 10) + "11," + text + "\n");
    const QAbstractItemModel* model = t.w.findChild<DataGridView*>()->model();
    const QModelIndex cell = model->index(10, 1);
    EXPECT_EQ(model->data(cell, Qt::EditRole).toString().size(), static_cast<qsizetype>(text.size()));
    EXPECT_EQ(model->data(cell, Qt::DisplayRole).toString(), QString(1024, QLatin1Char('w')));
}

TEST(FollowWindow, ACompressedFileIsNotFollowedAndTheStatusBarSaysWhy) {
    std::string gz;
    ASSERT_EQ(runCodec(*makeEncoder(Compression::Gzip), "t,U\n" + rows(1, 10), true, gz), "");
    test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    w.setDialogResponder(&recorder);
    w.show();
    w.openFile(QString::fromStdString(dir.write("log.csv.gz", gz)));
    w.findChild<QAction*>(QStringLiteral("menuFollowFile"))->trigger();
    EXPECT_EQ(w.dataSet().Layout.DataRowCount, 10);
    EXPECT_EQ(followState(w), QStringLiteral("Not following: a compressed file cannot be read as it grows"));
    EXPECT_TRUE(recorder.notices.isEmpty());
}

namespace {

// The cells of a fresh load of `path`, row by row.
std::string loadedCells(const std::string& path) {
    DataSet ds;
    ds.File.CurrentFileName = path;
    LoadDataFile(ds);
    std::string t;
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        for (int k = 1; k <= ds.Layout.ColumnCount; ++k) t.append(ds.Table.Cells.cell(k, r)).append("|");
        t += "\n";
    }
    return t;
}

// A logger on its own thread: opens, appends one row and closes, every millisecond or so.
struct Logger {
    std::string path;
    int from, to;
    std::thread thread;
    void start() {
        thread = std::thread([this] {
            for (int i = from; i <= to; ++i) {
                append(path, rows(i, i));
                pause(1);
            }
        });
    }
    ~Logger() {
        if (thread.joinable()) thread.join();
    }
};

// Starts the logger once the next piece of work lets the event loop run (a save, say).
void startLoggerDuringWork(Logger& logger) {
    QTimer::singleShot(0, [&logger] { logger.start(); });
}

void cancelNextWork(MainWindow& w) {
    QTimer::singleShot(0, &w, [&w] { w.findChild<QPushButton*>(QStringLiteral("BtnCancelWork"))->click(); });
}

} // namespace

// A seeded run of what loggers, programs and the user do to a followed file, interleaved: lines
// cut in the middle, the logger starting anew behind the same first lines, saves while the logger
// writes, loads of another file cancelled, another program saving over the file. After every step
// the window shows a fresh load of the file, and the file holds every line the logger wrote.
TEST(FollowWindow, SeededInterleavingLosesNoLoggedLine) {
    const std::string header = "Time,Force\n";
    const std::string firstRows = header + rows(1, 30); // over 256 bytes, the same in every run
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        FollowedWindow t(firstRows);
        t.recorder.answerYes = false;
        const QString other = QString::fromStdString(t.dir.write("other.csv", header + rows(1, 200000)));
        const std::string expected = t.dir.path() + "/expected.csv";
        std::string logged = firstRows;
        int next = 31;
        std::mt19937 random(seed);
        for (int step = 0; step < 10; ++step) {
            const unsigned kind = random() % 5;
            SCOPED_TRACE("step " + std::to_string(step) + " kind " + std::to_string(kind));
            if (kind == 0) { // rows, the last cut in the middle
                const int count = 1 + static_cast<int>(random() % 20);
                const std::string added = rows(next, next + count - 1);
                const std::size_t cut = added.size() - 1 - random() % 4;
                ASSERT_TRUE(t.follows([&] {
                    append(t.path, added.substr(0, cut));
                    pause(30);
                    append(t.path, added.substr(cut));
                }));
                logged += added;
                next += count;
            } else if (kind == 1 || kind == 4) { // started anew: in place, or a new file renamed over it
                next = 1000 * (step + 1) + static_cast<int>(random() % 100);
                logged = firstRows + rows(next, next + 9);
                next += 10;
                startAnew(t.path, logged, kind == 4);
            } else if (kind == 2) { // a save while the logger writes
                Logger logger{t.path, next, next + 40, {}};
                startLoggerDuringWork(logger);
                t.w.SaveToCurrentFile();
                if (logger.thread.joinable()) logger.thread.join();
                else append(t.path, rows(next, next + 40)); // the save ran without letting the logger start
                logged += rows(next, next + 40);
                next += 41;
            } else { // a load of another file, cancelled
                cancelNextWork(t.w);
                t.w.openFile(other);
            }
            ASSERT_TRUE(t.follows([] {}));
            std::ofstream(expected, std::ios::binary | std::ios::trunc) << logged;
            ASSERT_EQ(loadedCells(t.path), loadedCells(expected));
            ASSERT_TRUE(followerOf(t.w).following());
        }
        EXPECT_TRUE(t.recorder.notices.isEmpty()) << t.recorder.notices.join(QStringLiteral("|")).toStdString();
    }
}

// A logger that starts its file anew with the same first lines while a dialog is open: once the
// dialog is closed the table is the new run's, read afresh, not the old rows with the new run's
// later ones.
TEST(FollowWindow, AFileStartedAnewBehindTheSameFirstLinesIsReadAfresh) {
    const std::string firstRows = "Time,Force\n" + rows(1, 30);
    FollowedWindow t(firstRows + rows(31, 40));
    bool gated = false;
    QTimer::singleShot(0, [&] {
        startAnew(t.path, firstRows + rows(500, 560), false);
        followerOf(t.w).readNow(); // shut out while the dialog is open
        gated = t.w.dataSet().Layout.DataRowCount == 40;
        QApplication::activeModalWidget()->close();
    });
    QDialog dialog(&t.w);
    dialog.exec();
    EXPECT_TRUE(gated);
    EXPECT_TRUE(t.follows([] {}));
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 91);
}

// Lines a logger appends while the followed file is saved are all in the file afterwards, and
// in the table.
TEST(FollowWindow, LinesAppendedWhileTheFileIsSavedAllArrive) {
    FollowedWindow t("Time,Force\n" + rows(1, 300000));
    EditCell(t.w.dataSet(), 2, 3, "77");
    Logger logger{t.path, 300001, 300300, {}};
    startLoggerDuringWork(logger);
    ASSERT_TRUE(t.w.SaveToCurrentFile());
    ASSERT_TRUE(logger.thread.joinable());
    logger.thread.join();
    EXPECT_TRUE(t.recorder.questions.isEmpty()) << t.recorder.questions.join(QStringLiteral("|")).toStdString();
    EXPECT_TRUE(processUntil([&] { return t.w.dataSet().Layout.DataRowCount == 300300; }));
    DataSet saved;
    saved.File.CurrentFileName = t.path;
    LoadDataFile(saved);
    ASSERT_EQ(saved.Layout.DataRowCount, 300300);
    EXPECT_EQ(saved.Table.Cells.cell(2, 3), "77");
    for (int r = 1; r <= 300300; ++r) ASSERT_EQ(saved.Table.Cells.cell(1, r), std::to_string(r));
}

// A load of another file cancelled while the shown file is followed: the rows that followed in
// stay once, and following goes on from where it stood.
TEST(FollowWindow, ACancelledLoadKeepsTheFollowedRowsOnce) {
    FollowedWindow t("Time,Force\n" + rows(1, 20));
    append(t.path, rows(21, 30));
    followerOf(t.w).readNow();
    ASSERT_EQ(t.w.dataSet().Layout.DataRowCount, 30);
    const QString big = QString::fromStdString(t.dir.write("big.csv", "t,v\n" + rows(1, 300000)));
    cancelNextWork(t.w);
    t.w.openFile(big);
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 30);
    EXPECT_TRUE(followerOf(t.w).following());
    EXPECT_TRUE(t.follows([&] { append(t.path, rows(31, 32)); }));
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 32);
}

// Two windows on one file, and a file another program wrote: a save over a file that changed on
// disk since the table was read asks first, names the change, and No leaves the file as it is.
TEST(FollowWindow, ASaveOverAFileChangedOnDiskAsksAndNamesTheChange) {
    test::TempDir dir;
    const std::string path = dir.write("log.csv", "Time,Force\n" + rows(1, 20));
    DialogRecorder recorder1, recorder2;
    MainWindow w1{QString::fromStdString(dir.path() + "/1.INI")}, w2{QString::fromStdString(dir.path() + "/2.INI")};
    w1.setDialogResponder(&recorder1);
    w2.setDialogResponder(&recorder2);
    w1.openFile(QString::fromStdString(path));
    w2.openFile(QString::fromStdString(path));
    EditCell(w1.dataSet(), 2, 3, "11");
    ASSERT_TRUE(w1.SaveToCurrentFile());
    EditCell(w2.dataSet(), 2, 4, "22");
    recorder2.replies << QStringLiteral("No");
    EXPECT_FALSE(w2.SaveToCurrentFile());
    ASSERT_EQ(recorder2.questions.size(), 1);
    EXPECT_TRUE(recorder2.questions[0].contains(QStringLiteral("another file stands under its name now")))
        << recorder2.questions[0].toStdString();
    EXPECT_NE(test::readFile(path).find("3,11\r\n"), std::string::npos);

    // The window's own save is no change; a program's append is, and Yes saves over it.
    EditCell(w1.dataSet(), 2, 5, "55");
    ASSERT_TRUE(w1.SaveToCurrentFile());
    EXPECT_TRUE(recorder1.questions.isEmpty());
    append(path, rows(21, 21));
    EditCell(w1.dataSet(), 2, 6, "66");
    recorder1.replies << QStringLiteral("Yes");
    ASSERT_TRUE(w1.SaveToCurrentFile());
    ASSERT_EQ(recorder1.questions.size(), 1);
    EXPECT_TRUE(recorder1.questions[0].contains(QStringLiteral("it grew by"))) << recorder1.questions[0].toStdString();
    EXPECT_NE(test::readFile(path).find("6,66\r\n"), std::string::npos);
}

// With a table chosen, or a quoted text whose line break falls between two appends, new rows
// come in beside unsaved edits without a question.
TEST(FollowWindow, AppendsToAChosenTableOrAQuotedTextComeInBesideEdits) {
    struct Case {
        const char* name;
        const char* settings;
        std::string start;
        std::vector<std::string> appends;
        int rows;
    };
    const std::string firstTable = "a,b,c\n1,2,3\n3,4,5\n5,6,7\n6,7,8\n\n";
    auto noted = [](int from, int to) {
        std::string s;
        for (int i = from; i <= to; ++i) s += std::to_string(i) + ",n," + std::to_string(i % 7) + "\n";
        return s;
    };
    const Case cases[] = {
        {"table 2", "Table=2", firstTable + "Time,Force\n" + rows(1, 20), {rows(21, 25), rows(26, 26)}, 26},
        {"quoted text", "QuotedTexts=1", "Time,Note,Force\n" + noted(1, 20), {"21,\"two\n", "lines\",5\n", noted(22, 23)}, 23},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string settings = dir.path() + "/varnotile.INI";
        std::ofstream(settings) << "[Reading]\n" << c.settings << "\n";
        DialogRecorder recorder;
        MainWindow w{QString::fromStdString(settings)};
        w.setDialogResponder(&recorder);
        const std::string path = dir.write("log.csv", c.start);
        w.openFile(QString::fromStdString(path));
        w.findChild<QAction*>(QStringLiteral("menuFollowFile"))->trigger();
        ASSERT_EQ(w.dataSet().Layout.DataRowCount, 20);
        EditCell(w.dataSet(), 2, 3, "77");
        for (const std::string& bytes : c.appends) {
            append(path, bytes);
            followerOf(w).readNow();
        }
        EXPECT_TRUE(recorder.questions.isEmpty()) << recorder.questions.join(QStringLiteral("|")).toStdString();
        EXPECT_EQ(w.dataSet().Layout.DataRowCount, c.rows);
        EXPECT_EQ(w.dataSet().Table.Cells.cell(2, 3), "77");
    }
}

// A file that jumps by more than a logger writes (extended by a hole): the window is not read
// to death; it says why it stops following and keeps the table with its edits.
TEST(FollowWindow, AJumpNoLoggerMakesStopsFollowingWithAMessage) {
    FollowedWindow t("Time,Force\n" + rows(1, 20));
    EditCell(t.w.dataSet(), 2, 3, "77");
    ASSERT_EQ(::truncate(t.path.c_str(), static_cast<off_t>(200ull << 30)), 0);
    followerOf(t.w).readNow();
    ASSERT_EQ(t.recorder.notices.size(), 1);
    EXPECT_TRUE(t.recorder.notices[0].contains(QStringLiteral("more than this computer can hold")))
        << t.recorder.notices[0].toStdString();
    EXPECT_FALSE(followerOf(t.w).following());
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 20);
    EXPECT_EQ(t.w.dataSet().Table.Cells.cell(2, 3), "77");
    ::truncate(t.path.c_str(), 0);
}

// An exception that reaches the event loop (from any slot) becomes a message; the program goes on.
TEST(FollowWindow, AnExceptionInASlotBecomesAMessage) {
    QStringList shown;
    GuardedApplication::setReporter([&](const QString& text) { shown << text; });
    QTimer::singleShot(0, [] { throw std::bad_alloc(); });
    processUntil([&] { return !shown.isEmpty(); }, 2000);
    GuardedApplication::setReporter({});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("not enough memory")));
}

// Closing the window while a save runs: the window closes once the save is over, without asking
// to save what was just saved.
TEST(FollowWindow, ClosingWhileASaveRunsAsksNothingAfterIt) {
    FollowedWindow t("Time,Force\n" + rows(1, 100000));
    EditCell(t.w.dataSet(), 2, 3, "77");
    QTimer::singleShot(0, &t.w, [&] { t.w.close(); });
    ASSERT_TRUE(t.w.saveAsFile(QString::fromStdString(t.path)));
    processUntil([&] { return !t.w.isVisible(); }, 5000);
    EXPECT_FALSE(t.w.isVisible());
    EXPECT_TRUE(t.recorder.questions.isEmpty()) << t.recorder.questions.join(QStringLiteral("|")).toStdString();
    EXPECT_NE(test::readFile(t.path).find("3,77\r\n"), std::string::npos);
}

// A large growth is read from the disk on another thread, a piece at a time: a look waits for no
// disk, and the rows all arrive.
TEST(FollowWindow, ALargeGrowthIsReadOffTheWindowsThread) {
    FollowedWindow t("Time,Force\n" + rows(1, 30));
    append(t.path, rows(31, 1500000));
    EXPECT_EQ(followerOf(t.w).readNow().kind, Growth::Unchanged);
    EXPECT_EQ(t.w.dataSet().Layout.DataRowCount, 30);
    EXPECT_TRUE(processUntil([&] { return t.w.dataSet().Layout.DataRowCount == 1500000; }, 60000));
    EXPECT_EQ(t.w.dataSet().Table.Cells.cell(1, 1500000), "1500000");
    EXPECT_TRUE(followerOf(t.w).following());
}
