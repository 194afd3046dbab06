// Measuring on the chart in the window: the hover readout and the tracker (remembered), the two
// cursors and their table, the statistics of the shown range or the selection, logarithmic axes
// from Chart Options; and varnotile-cli render --log-y and inspect --range.
#include "cell_editing.h"
#include "chart_measure.h"
#include "curve_chart.h"
#include "dialog_recorder.h"
#include "form_options.h"
#include "log_axis_ticker.h"
#include "main_window.h"
#include "measure_controller.h"
#include "measure_table.h"
#include "range_statistics.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

using namespace varnotile;

namespace {

// Load has negative values: its readout shows the sign, the log axis leaves them out.
const char* kFile = "Temp,Load\ndegC,N\n10,-4\n20,-8\n40,2\n30,6\n";

// Lets queued repaints and the tables' updates after them run.
void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

struct Window {
    explicit Window(std::shared_ptr<varnotile::test::TempDir> folder = std::make_shared<varnotile::test::TempDir>())
        : dir(std::move(folder)) {
        w->setDialogResponder(&recorder);
        w->resize(1200, 800);
        w->show();
        w->openFile(QString::fromStdString(dir->write("m.csv", kFile)));
        chart->replot();
        settle();
    }
    std::shared_ptr<varnotile::test::TempDir> dir;
    std::string settings = dir->path() + "/varnotile.INI";
    DialogRecorder recorder;
    std::unique_ptr<MainWindow> w = std::make_unique<MainWindow>(QString::fromStdString(settings));
    CurveChart* chart = w->findChild<CurveChart*>(QStringLiteral("Chart1"));
    QAction* item(const char* name) { return w->findChild<QAction*>(QString::fromLatin1(name)); }
    ChartMeasure* measure() { return w->findChild<ChartMeasure*>(); }
    QString status() { return w->findChild<QLabel*>(QStringLiteral("LabMeasure"))->text(); }
    MeasureTable* table(const char* name) { return w->findChild<MeasureTable*>(QString::fromLatin1(name)); }
    // The pointer moved onto the plot at X = x, Y = y (plot coordinates).
    void hover(double x, double y) {
        const QPointF at(chart->xAxis->coordToPixel(x), chart->yAxis->coordToPixel(y));
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(chart, &move);
    }
    QString cell(MeasureTable* t, int row, int column) { return t->table()->item(row, column)->text(); }
};

} // namespace

TEST(MeasureWindow, HoverReadoutAndTrackerRemembered) {
    auto folder = std::make_shared<varnotile::test::TempDir>();
    {
        Window win(folder);
        QAction* tracker = win.item("menuTracker");
        ASSERT_NE(tracker, nullptr);
        EXPECT_FALSE(tracker->isChecked()); // off by default
        // Load at row 2 is -8, drawn at -100 % (percent scale, the start value).
        win.hover(2, -100);
        EXPECT_EQ(win.status(), QStringLiteral("Load = -8 N at row 2"));
        EXPECT_FALSE(win.measure()->trackerShown());
        tracker->trigger();
        EXPECT_TRUE(win.measure()->trackerShown());
        win.hover(3, 100);
        EXPECT_EQ(win.status(), QStringLiteral("Temp = 40 degC at row 3"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(win.chart, &leave);
        EXPECT_TRUE(win.status().isEmpty());
        win.w->close(); // writes the settings
    }
    Window again(folder);
    EXPECT_TRUE(again.item("menuTracker")->isChecked());
    EXPECT_TRUE(again.measure()->trackerShown());
}

TEST(MeasureWindow, CursorsTableGivesValuesDifferencesAndCopies) {
    Window win;
    win.item("menuCursors")->trigger();
    auto* dock = win.w->findChild<QDockWidget*>(QStringLiteral("DockCursors"));
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(dock->isVisible());
    win.measure()->setCursorX(0, 1);
    win.measure()->setCursorX(1, 3);
    MeasureTable* t = win.table("CursorTable");
    ASSERT_EQ(t->table()->rowCount(), 3); // X, Temp, Load
    EXPECT_EQ(win.cell(t, 0, 3), QStringLiteral("2"));       // ΔX
    EXPECT_EQ(win.cell(t, 1, 0), QStringLiteral("Temp (degC)"));
    EXPECT_EQ(win.cell(t, 1, 1), QStringLiteral("10"));
    EXPECT_EQ(win.cell(t, 1, 2), QStringLiteral("40"));
    EXPECT_EQ(win.cell(t, 1, 3), QStringLiteral("30"));      // ΔY
    EXPECT_EQ(win.cell(t, 1, 4), QStringLiteral("15"));      // ΔY/ΔX
    EXPECT_EQ(win.cell(t, 2, 3), QStringLiteral("6"));       // Load: 2 - (-4)

    // The keys move the chosen cursor: B one pixel at a time, back to row 2 with Shift.
    const double before = win.measure()->cursorX(1);
    QKeyEvent two(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"));
    QApplication::sendEvent(win.chart, &two);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(win.chart, &left);
    EXPECT_LT(win.measure()->cursorX(1), before);
    EXPECT_EQ(win.measure()->cursorX(0), 1);

    // Dragging cursor A to row 4.
    const QPointF a(win.chart->xAxis->coordToPixel(1), win.chart->yAxis->coordToPixel(0));
    const QPointF to(win.chart->xAxis->coordToPixel(4), a.y());
    QMouseEvent press(QEvent::MouseButtonPress, a, win.chart->mapToGlobal(a), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, to, win.chart->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, to, win.chart->mapToGlobal(to), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(win.chart, &press);
    QApplication::sendEvent(win.chart, &move);
    QApplication::sendEvent(win.chart, &release);
    EXPECT_NEAR(win.measure()->cursorX(0), 4, 0.05);
    EXPECT_EQ(win.cell(t, 1, 1), QStringLiteral("30"));

    win.w->findChild<QPushButton*>(QStringLiteral("CursorTableCopy"))->click();
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5); // caption, headers, three rows
    EXPECT_EQ(lines[1].split(QLatin1Char('\t')).size(), 5);
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Temp (degC)\t30\t")));

    // A file shown whole with both cursors off its X range: they come back into view.
    win.measure()->setCursorX(0, 500);
    win.measure()->setCursorX(1, 600);
    win.w->openFile(QString::fromStdString(win.dir->write("n.csv", kFile)));
    settle();
    const QCPRange shown = win.chart->xAxis->range();
    EXPECT_TRUE(shown.contains(win.measure()->cursorX(0)) && shown.contains(win.measure()->cursorX(1)));
}

TEST(MeasureWindow, StatisticsFollowTheShownRangeAndTheSelection) {
    Window win;
    win.item("menuStatistics")->trigger();
    EXPECT_TRUE(win.w->findChild<QDockWidget*>(QStringLiteral("DockStatistics"))->isVisible());
    MeasureTable* t = win.table("StatisticsTable");
    ASSERT_EQ(t->table()->columnCount(), 3); // the measures, Temp, Load
    EXPECT_EQ(win.cell(t, 0, 1), QStringLiteral("4"));  // count
    EXPECT_EQ(win.cell(t, 2, 1), QStringLiteral("25")); // mean of 10, 20, 40, 30
    EXPECT_EQ(win.cell(t, 6, 1), QStringLiteral("40")); // max
    EXPECT_EQ(win.cell(t, 7, 1), QStringLiteral("row 3"));
    EXPECT_EQ(win.cell(t, 8, 1), QStringLiteral("80")); // 15 + 30 + 35

    win.chart->xAxis->setRange(1.5, 3.5); // a zoom: rows 2 and 3
    settle();
    EXPECT_EQ(win.cell(t, 0, 1), QStringLiteral("2"));
    EXPECT_EQ(win.cell(t, 4, 2), QStringLiteral("-8")); // min of Load
    EXPECT_TRUE(t->caption().contains(QStringLiteral("row 1.5")));

    win.w->setSelectionRect(GridRect{1, 3, 2, 4}); // rows 3 and 4 selected
    settle();
    EXPECT_TRUE(t->caption().startsWith(QStringLiteral("Rows 3 to 4")));
    EXPECT_EQ(win.cell(t, 2, 1), QStringLiteral("35"));

    // An edit and its undo: the statistics follow.
    ASSERT_TRUE(EditCell(win.w->dataSet(), 1, 4, "100")); // Temp of row 4: 30 -> 100
    settle();
    EXPECT_EQ(win.cell(t, 2, 1), QStringLiteral("70"));
    win.w->menuUndoClick();
    settle();
    EXPECT_EQ(win.cell(t, 2, 1), QStringLiteral("35"));
}

// A file whose X runs back and forth: row i has X = i * 7919 mod n (every X once) and Y = i mod m.
struct UnsortedFile {
    std::vector<double> x{0}, y{0};
    std::string text = "X,Y\n";
    UnsortedFile(int n, int m) {
        char buffer[32];
        for (int i = 1; i <= n; ++i) {
            x.push_back(static_cast<double>(static_cast<long long>(i) * 7919 % n));
            y.push_back(i % m);
            text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, x.back()).ptr);
            text += ',';
            text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, y.back()).ptr);
            text += '\n';
        }
    }
    // Statistics of Y over every row, in the order of X.
    RangeStatistics direct() const {
        std::vector<std::size_t> rows(x.size() - 1);
        std::iota(rows.begin(), rows.end(), 1);
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) { return x[a] < x[b]; });
        return DirectRangeStatistics(&x, y, rows);
    }
};

TEST(MeasureWindow, FirstStatisticsOfABigUnsortedFileLeaveTheWindowFree) {
    varnotile::test::TempDir dir;
    const UnsortedFile big(2'000'000, 1000), other(1'500'000, 300);
    MainWindow w(QString::fromStdString(dir.path() + "/varnotile.INI"));
    w.show();
    auto open = [&](const char* name, const UnsortedFile& file) {
        w.openFile(QString::fromStdString(dir.write(name, file.text)));
        w.dataSet().View.XColumn = 1;
        w.ClearAllCurves();
        w.FillAllCurves();
    };
    open("big.csv", big);
    auto* controller = w.findChild<MeasureController*>();
    MeasureTable* t = controller->statisticsTable();
    auto waitComputed = [&] {
        QEventLoop loop;
        QObject::connect(controller, &MeasureController::computed, &loop, &QEventLoop::quit);
        QTimer::singleShot(60'000, &loop, &QEventLoop::quit);
        if (controller->computing()) loop.exec();
        settle();
    };
    auto expectShown = [&](const UnsortedFile& file) {
        const RangeStatistics s = file.direct();
        EXPECT_EQ(t->table()->item(0, 1)->text(), QString::number(s.count));
        EXPECT_NEAR(t->table()->item(2, 1)->text().toDouble(), s.mean, 1e-6 * std::fabs(s.mean));
        EXPECT_EQ(t->table()->item(6, 1)->text().toDouble(), s.max);
        EXPECT_NEAR(t->table()->item(8, 1)->text().toDouble(), s.integral, 1e-6 * std::fabs(s.integral));
    };

    // The window answers while the order and the summaries are made.
    w.findChild<QAction*>(QStringLiteral("menuStatistics"))->trigger();
    ASSERT_TRUE(controller->computing());
    EXPECT_EQ(t->caption(), QStringLiteral("Computing…"));
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(10);
    waitComputed();
    tick.stop();
    EXPECT_GT(last, 0);
    EXPECT_LT(longest, 200);
    EXPECT_FALSE(controller->computing());
    expectShown(big);

    // Another file loaded while the first look at this one is made: that look is dropped.
    open("big2.csv", big);
    settle();
    ASSERT_TRUE(controller->computing());
    open("other.csv", other);
    waitComputed();
    waitComputed(); // the look at the file now shown
    expectShown(other);
}

TEST(MeasureWindow, LogarithmicYAxisLeavesOutValuesOfZeroOrLess) {
    Window win;
    QTimer::singleShot(0, [&] {
        auto* f = win.w->findChild<FormOptions*>(QStringLiteral("TFormOptions"));
        f->ChBoxLogY->setChecked(true);
        EXPECT_TRUE(f->RBtnNumeric->isChecked()); // log and percent exclude each other
        f->BitBtnOK->click();
    });
    win.w->menuChartOptionsClick();
    EXPECT_TRUE(win.w->dataSet().View.LogScaleY);
    EXPECT_FALSE(win.w->dataSet().View.PercentScale);
    EXPECT_TRUE(win.chart->logY());
    EXPECT_NE(dynamic_cast<LogAxisTicker*>(win.chart->yAxis->ticker().data()), nullptr);
    EXPECT_EQ(win.chart->curve(2)->pointCount(), 2); // Load: -4 and -8 left out
    EXPECT_DOUBLE_EQ(win.chart->curve(1)->pointY(2), std::log10(40.0));
    settle();
    EXPECT_EQ(win.status(), QStringLiteral("2 values of 0 or less left out of the logarithmic axis"));
    win.hover(3, std::log10(40.0));
    EXPECT_EQ(win.status(), QStringLiteral("Temp = 40 degC at row 3"));

    // Percentage again clears the logarithm.
    QTimer::singleShot(0, [&] {
        auto* f = win.w->findChild<FormOptions*>(QStringLiteral("TFormOptions"));
        f->RBtnPercent->setChecked(true);
        EXPECT_FALSE(f->ChBoxLogY->isChecked());
        f->BitBtnOK->click();
    });
    win.w->menuChartOptionsClick();
    EXPECT_FALSE(win.chart->logY());
    EXPECT_EQ(win.chart->curve(2)->pointCount(), 4);
}

TEST(MeasureWindow, CommandLineLogAxesAndRangeStatistics) {
    varnotile::test::TempDir dir;
    const QString file = QString::fromStdString(dir.write("m.csv", kFile));
    const QString out = QString::fromStdString(dir.path() + "/log.png");
    QProcess p;
    p.start(QStringLiteral(VARNOTILE_CLI), {QStringLiteral("render"), QStringLiteral("--log-y"), QStringLiteral("--log-x"),
                                            QStringLiteral("--size"), QStringLiteral("400x300"), file, out});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardError().contains("2 values of 0 or less"));
    EXPECT_EQ(QImage(out).size(), QSize(400, 300));

    p.start(QStringLiteral(VARNOTILE_CLI), {QStringLiteral("inspect"), QStringLiteral("--range"), QStringLiteral("2:4"), file});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject range = QJsonDocument::fromJson(p.readAllStandardOutput()).object().value(QStringLiteral("range")).toObject();
    const QJsonObject temp = range.value(QStringLiteral("columns")).toObject().value(QStringLiteral("1")).toObject();
    EXPECT_EQ(temp.value(QStringLiteral("count")).toInt(), 3);
    EXPECT_DOUBLE_EQ(temp.value(QStringLiteral("mean")).toDouble(), 30);
    EXPECT_DOUBLE_EQ(temp.value(QStringLiteral("max_x")).toDouble(), 3);
    EXPECT_DOUBLE_EQ(temp.value(QStringLiteral("integral")).toDouble(), 30 + 35);

    p.start(QStringLiteral(VARNOTILE_CLI), {QStringLiteral("inspect"), QStringLiteral("--range"), QStringLiteral("2-4"), file});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2); // refused, with the reason
    EXPECT_TRUE(p.readAllStandardError().contains("--range takes X1:X2"));
}

// Pictures of the measurements for the help page: run with VARNOTILE_SCREENSHOT_DIR set (under a
// display, e.g. xvfb-run with QT_QPA_PLATFORM=xcb); skipped otherwise.
TEST(MeasureWindow, Screenshots) {
    const QByteArray out = qgetenv("VARNOTILE_SCREENSHOT_DIR");
    if (out.isEmpty()) GTEST_SKIP() << "VARNOTILE_SCREENSHOT_DIR not set";
    varnotile::test::TempDir dir;
    std::string text = "Time,Temp,RH,Vacuum\n,degC,%,mbar\n";
    for (int i = 0; i < 24 * 60; i += 2) {
        const double h = i / 60.0;
        char line[160];
        std::snprintf(line, sizeof line, "2026-11-14T%02d:%02d:00,%.2f,%.1f,%.4g\n", i / 60 % 24, i % 60,
                      -4 + 6 * std::sin((h - 9) / 24 * 6.2832) + 0.4 * std::sin(i * 1.3), 70 + 15 * std::cos(h / 5),
                      1000 * std::exp(-h / 2.5) + 0.02 * (1 + std::sin(i * 0.7)));
        text += line;
    }
    const std::string settings = dir.path() + "/varnotile.INI";
    dir.write("varnotile.INI", "[Reading]\nDatesAndTimes=1\n[Curve Colors]\nCurve2=255\nCurve3=32768\nCurve4=16711680\n");
    MainWindow w(QString::fromStdString(settings));
    w.resize(1600, 900);
    w.show();
    w.openFile(QString::fromStdString(dir.write("logger.csv", text)));
    w.dataSet().View.XColumn = 1;
    w.ClearAllCurves();
    w.FillAllCurves();
    w.RebuildChartTitles();
    w.RefreshHeaderRow();
    auto* chart = w.findChild<CurveChart*>(QStringLiteral("Chart1"));
    auto* measure = w.findChild<ChartMeasure*>();
    auto shot = [&](const char* name) {
        chart->replot();
        settle();
        w.grab().save(QString::fromLocal8Bit(out) + QLatin1Char('/') + QLatin1String(name));
    };
    auto hover = [&](double x, double y) {
        const QPointF at(chart->xAxis->coordToPixel(x), chart->yAxis->coordToPixel(y));
        QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(chart, &move);
    };
    const double t0 = 1794614400; // 2026-11-14T00:00:00
    w.findChild<QAction*>(QStringLiteral("menuTracker"))->trigger();
    chart->replot();
    hover(t0 + 6.5 * 3600, -50);
    shot("measure_tracker.png");
    w.findChild<QAction*>(QStringLiteral("menuTracker"))->trigger();
    w.findChild<QAction*>(QStringLiteral("menuCursors"))->trigger();
    measure->setCursorX(0, t0 + 4 * 3600);
    measure->setCursorX(1, t0 + 15.5 * 3600);
    shot("measure_cursors.png");
    w.findChild<QAction*>(QStringLiteral("menuCursors"))->trigger();
    w.findChild<QAction*>(QStringLiteral("menuStatistics"))->trigger();
    chart->xAxis->setRange(t0 + 3 * 3600, t0 + 12 * 3600);
    shot("measure_statistics.png");
    w.findChild<QAction*>(QStringLiteral("menuStatistics"))->trigger();
    QEvent leave(QEvent::Leave); // the status bar counts the values left out
    QApplication::sendEvent(chart, &leave);
    w.dataSet().View.PercentScale = false;
    w.dataSet().View.LogScaleY = true;
    w.ClearAllCurves();
    w.FillAllCurves();
    w.RebuildChartTitles();
    chart->fitToPoints();
    shot("measure_log_axis.png");
    w.close();
}
