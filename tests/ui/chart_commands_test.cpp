// The chart in the window: Show/Hide and Set as X-Axis, the options dialog's two commands, what
// they and edits do to a zoom, the point readout from a press on a curve, and varnotile-cli render.
#include "dialog_recorder.h"
#include "curve_chart.h"
#include "form_options.h"
#include "main_window.h"
#include "test_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

const char* kFile = "Name,Temp,Load\n,degC,N\n1,10,-4\n2,20,-8\n3,40,2\n2,30,6\n";

struct Window {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    CurveChart* chart = w.findChild<CurveChart*>(QStringLiteral("Chart1"));
    Window() {
        w.setDialogResponder(&recorder);
        w.openFile(QString::fromStdString(dir.write("c.csv", kFile)));
    }
    QAction* item(const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }
    FormOptions* options() { return w.findChild<FormOptions*>(QStringLiteral("TFormOptions")); }
    // Runs `command`; while its modal dialog is open, `inDialog` acts on it and presses OK.
    void withOptions(void (MainWindow::*command)(), const std::function<void(FormOptions*)>& inDialog) {
        QTimer::singleShot(0, [&] {
            FormOptions* f = options();
            inDialog(f);
            f->BitBtnOK->click();
        });
        (w.*command)();
    }
};

std::vector<double> ys(const CurvePlottable* c) {
    std::vector<double> out;
    for (int i = 0; i < c->pointCount(); ++i) out.push_back(c->pointY(i));
    return out;
}

// A zoom far away from every point, as a user's wheel or drag leaves it.
const QCPRange kZoomX(100, 200);
const QCPRange kZoomY(500, 600);

void zoomAway(CurveChart* chart) {
    chart->xAxis->setRange(kZoomX);
    chart->yAxis->setRange(kZoomY);
}

bool zoomed(const CurveChart* chart) { return chart->xAxis->range() == kZoomX && chart->yAxis->range() == kZoomY; }

// Both axes range exactly over the points of all curves, as after a load.
bool followsPoints(const CurveChart* chart) {
    QCPRange x, y;
    bool first = true;
    for (int k = 1; k <= 10; ++k)
        for (int i = 0; i < chart->curve(k)->pointCount(); ++i) {
            const double px = chart->curve(k)->pointX(i), py = chart->curve(k)->pointY(i);
            x = first ? QCPRange(px, px) : x.expanded(px);
            y = first ? QCPRange(py, py) : y.expanded(py);
            first = false;
        }
    return chart->xAxis->range() == x && chart->yAxis->range() == y;
}

} // namespace

TEST(ChartCommands, LoadFillsDrawnColumnsOnly) {
    Window t;
    ASSERT_TRUE(t.chart);
    EXPECT_EQ(t.chart->curve(1)->pointCount(), 4);
    EXPECT_EQ(ys(t.chart->curve(2)), (std::vector<double>{25, 50, 100, 75}));
    EXPECT_EQ(ys(t.chart->curve(3)), (std::vector<double>{-50, -100, 25, 75}));
    EXPECT_EQ(t.chart->curve(4)->pointCount(), 0);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(t.w.findChild<CurvePlottable*>(QStringLiteral("Series%1").arg(k)), t.chart->curve(k));
    EXPECT_EQ(t.chart->yAxis->label(), QStringLiteral("%"));
    EXPECT_EQ(t.chart->xAxis->label(), QStringLiteral("Row    "));
    EXPECT_TRUE(t.chart->legendShown());
    EXPECT_TRUE(t.chart->chartTitleShown());
    EXPECT_EQ(t.chart->curve(2)->name(), QStringLiteral("Temp"));
}

TEST(ChartCommands, ShowAndHideToggleBothMenus) {
    Window t;
    t.w.dataSet().Pointer.SelectedColumn = 2;
    t.w.menuHideClick();
    EXPECT_EQ(t.chart->curve(2)->pointCount(), 0);
    EXPECT_EQ(t.chart->curve(2)->name(), QStringLiteral(" "));
    EXPECT_TRUE(t.item("menuShow")->isEnabled());
    EXPECT_TRUE(t.item("PMenuShow")->isEnabled());
    EXPECT_FALSE(t.item("menuHide")->isEnabled());
    EXPECT_FALSE(t.item("PMenuHide")->isEnabled());

    t.w.PMenuShowClick();
    EXPECT_EQ(t.chart->curve(2)->pointCount(), 4);
    EXPECT_FALSE(t.item("menuShow")->isEnabled());
    EXPECT_FALSE(t.item("PMenuShow")->isEnabled());
    EXPECT_TRUE(t.item("menuHide")->isEnabled());
    EXPECT_TRUE(t.item("PMenuHide")->isEnabled());

    // Columns outside 1..10 do nothing.
    for (int column : {-1, 0, 11, 25}) {
        t.w.dataSet().Pointer.SelectedColumn = column;
        t.w.menuHideClick();
        t.w.menuSetAsXClick();
    }
    EXPECT_EQ(t.w.dataSet().View.XColumn, 0);
    EXPECT_EQ(t.chart->curve(2)->pointCount(), 4);
}

TEST(ChartCommands, SetAsXKeepsRowOrder) {
    Window t;
    t.w.dataSet().Pointer.SelectedColumn = 1;
    t.w.menuSetAsXClick();
    const CurvePlottable* c = t.chart->curve(2);
    ASSERT_EQ(c->pointCount(), 4);
    EXPECT_EQ(c->pointX(2), 3);
    EXPECT_EQ(c->pointX(3), 2); // back again: never sorted
    EXPECT_EQ(t.chart->curve(1)->pointCount(), 0);
    EXPECT_EQ(t.chart->xAxis->label(), QStringLiteral("Name    "));
}

TEST(ChartOptions, ChartOptionsAlwaysRebuildsTitles) {
    Window t;
    t.withOptions(&MainWindow::menuChartOptionsClick, [](FormOptions* f) { f->ChBoxSeriesTitles->click(); });
    EXPECT_FALSE(t.w.dataSet().View.ShowCurveNames);
    EXPECT_FALSE(t.chart->legendShown());
    EXPECT_EQ(ys(t.chart->curve(2)), (std::vector<double>{25, 50, 100, 75})); // scale unchanged
    t.withOptions(&MainWindow::menuChartOptionsClick, [](FormOptions* f) { f->ChBoxSeriesTitles->click(); });
    EXPECT_TRUE(t.chart->legendShown());
}

TEST(ChartOptions, YAxisScaleActsOnlyOnAScaleChange) {
    Window t;
    t.withOptions(&MainWindow::menuYScaleClick, [](FormOptions* f) { f->ChBoxChartTitle->click(); });
    EXPECT_FALSE(t.w.dataSet().View.ShowChartTitle);
    EXPECT_TRUE(t.chart->chartTitleShown()); // waits for the next rebuild

    t.withOptions(&MainWindow::menuYScaleClick, [](FormOptions* f) { f->RBtnNumeric->setChecked(true); });
    EXPECT_FALSE(t.w.dataSet().View.PercentScale);
    EXPECT_EQ(ys(t.chart->curve(2)), (std::vector<double>{10, 20, 40, 30}));
    EXPECT_EQ(t.chart->yAxis->label(), QStringLiteral("Name  Temp(degC)  Load(N)  "));
    EXPECT_FALSE(t.chart->chartTitleShown());

    // Numeric, then Percentage again before closing: nothing changes.
    t.withOptions(&MainWindow::menuYScaleClick, [](FormOptions* f) {
        f->RBtnPercent->setChecked(true);
        f->RBtnNumeric->setChecked(true);
    });
    EXPECT_EQ(ys(t.chart->curve(2)), (std::vector<double>{10, 20, 40, 30}));
    EXPECT_TRUE(t.options()->RBtnNumeric->isChecked());
}

TEST(ChartZoom, ChangeOfWhatIsPlottedRangesOverThePointsAgain) {
    const std::vector<std::pair<const char*, std::function<void(Window&)>>> commands = {
        {"Set as X-Axis", [](Window& t) { t.w.dataSet().Pointer.SelectedColumn = 1; t.w.menuSetAsXClick(); }},
        {"Hide Curve", [](Window& t) { t.w.dataSet().Pointer.SelectedColumn = 3; t.w.menuHideClick(); }},
        {"Show Curve", [](Window& t) { t.w.dataSet().Pointer.SelectedColumn = 3; t.w.PMenuShowClick(); }},
        {"Y-Axis Scale...", [](Window& t) {
             t.withOptions(&MainWindow::menuYScaleClick, [](FormOptions* f) { f->RBtnNumeric->setChecked(true); });
         }},
        {"Chart Options...", [](Window& t) {
             t.withOptions(&MainWindow::menuChartOptionsClick, [](FormOptions* f) { f->RBtnNumeric->setChecked(true); });
         }},
    };
    for (const auto& [caption, command] : commands) {
        SCOPED_TRACE(caption);
        Window t;
        t.w.dataSet().Pointer.SelectedColumn = 3;
        t.w.menuHideClick(); // so that Show Curve has a curve to show
        zoomAway(t.chart);
        command(t);
        EXPECT_TRUE(followsPoints(t.chart));
        EXPECT_TRUE(t.chart->autoRange());
    }
}

TEST(ChartZoom, DataChangesKeepTheZoomADoubleClickOffTheCurvesUndoesIt) {
    Window t;
    t.chart->resize(800, 600);
    t.chart->replot();
    zoomAway(t.chart);
    t.w.SGridDataSelectCell(2, 3);
    t.w.SGridDataSetEditText(2, 3, QStringLiteral("45"));
    ASSERT_EQ(t.w.dataSet().Table.Values[2][3], 45);
    EXPECT_TRUE(zoomed(t.chart));
    t.w.menuUndoClick();
    ASSERT_EQ(t.w.dataSet().Table.Values[2][3], 40);
    EXPECT_TRUE(zoomed(t.chart));
    t.w.setSelectionRect(GridRect{0, 2, 4, 2});
    t.w.menuDeleteClick();
    ASSERT_EQ(t.w.dataSet().Layout.DataRowCount, 3);
    EXPECT_TRUE(zoomed(t.chart));

    // No point lies in the zoomed plot: a double click anywhere in it hits no curve.
    t.chart->replot();
    const QPointF at = t.chart->axisRect()->rect().center();
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, t.chart->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(t.chart, &twice);
    EXPECT_TRUE(followsPoints(t.chart));
    EXPECT_TRUE(t.recorder.notices.isEmpty());
}

TEST(PointReadoutWindow, PressOnACurveShowsItsPoint) {
    Window t;
    t.chart->resize(800, 600);
    t.chart->replot();
    const CurvePlottable* c = t.chart->curve(3);
    const QPointF at(t.chart->xAxis->coordToPixel(c->pointX(2)), t.chart->yAxis->coordToPixel(c->pointY(2)));
    const QCPRange before = t.chart->xAxis->range();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        QMouseEvent press(QEvent::MouseButtonPress, at, t.chart->mapToGlobal(at), button, button, Qt::NoModifier);
        QApplication::sendEvent(t.chart, &press);
        QMouseEvent move(QEvent::MouseMove, at + QPointF(40, 0), t.chart->mapToGlobal(at + QPointF(40, 0)), Qt::NoButton,
                         button, Qt::NoModifier);
        QApplication::sendEvent(t.chart, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, at + QPointF(40, 0), t.chart->mapToGlobal(at), button,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(t.chart, &release);
    }
    ASSERT_EQ(t.recorder.notices.size(), 2);
    EXPECT_EQ(t.recorder.notices[0], QStringLiteral("Load:  row-3,  Value-2  (25.000%)"));
    EXPECT_EQ(t.chart->xAxis->range(), before); // no drag started

    t.w.ShowPointReadout(3, 1);
    EXPECT_EQ(t.recorder.notices.last(), QStringLiteral("Load:  row-2,  Value--8  (-100.000%)"));
    t.w.ShowPointReadout(3, 99); // no such point: nothing
    EXPECT_EQ(t.recorder.notices.size(), 3);
}

TEST(RenderCommand, WritesThePictureAndReportsTooFewData) {
    varnotile::test::TempDir dir;
    const QString file = QString::fromStdString(dir.write("c.csv", kFile));
    const QString out = QString::fromStdString(dir.path() + "/chart.png");
    QProcess p;
    p.start(QStringLiteral(VARNOTILE_CLI), {QStringLiteral("render"), QStringLiteral("--size"), QStringLiteral("640x480"),
                                            QStringLiteral("--x"), QStringLiteral("1"), file, out});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QImage image(out);
    EXPECT_EQ(image.size(), QSize(640, 480));

    p.start(QStringLiteral(VARNOTILE_CLI), {QStringLiteral("render"), QString::fromStdString(dir.write("s.csv", "1\n2\n")), out});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    for (const QStringList& bad : {QStringList{QStringLiteral("--x"), QStringLiteral("11"), file, out},
                                   QStringList{QStringLiteral("--size"), QStringLiteral("0x5"), file, out},
                                   QStringList{file, dir.path().c_str() + QStringLiteral("/c.gif")}}) {
        p.start(QStringLiteral(VARNOTILE_CLI), QStringList{QStringLiteral("render")} + bad);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 2) << bad.join(QLatin1Char(' ')).toStdString();
    }
}
