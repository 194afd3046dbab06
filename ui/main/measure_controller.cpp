#include "measure_controller.h"

#include "chart_measure.h"
#include "curve_chart.h"
#include "measure_table.h"
#include "measure_texts.h"
#include "number_text.h"
#include "text_codec.h"
#include "work_state.h"

#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

namespace varnotile {
namespace {

QDockWidget* makeDock(QMainWindow* window, const QString& name, const QString& title, QWidget* content) {
    auto* dock = new QDockWidget(title, window);
    dock->setObjectName(name);
    // Shown and hidden by its View command only, so the menu's check mark always tells.
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    dock->setWidget(content);
    window->addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    return dock;
}

// `value` to 7 significant digits: the digits of a computed result beyond those say nothing about
// the data and make the table hard to read.
double toSevenDigits(double value) {
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%.6e", value);
    return std::strtod(rounded, nullptr);
}

// Values a first look may read on the window's thread: a few tens of milliseconds at most.
constexpr std::size_t kAtOnce = 2'000'000;
// Values copied in one step of a bigger look's copying (a few milliseconds).
constexpr std::size_t kCopyStep = 1'000'000;

} // namespace

MeasureController::MeasureController(QMainWindow* window, DataSet& ds, CurveChart* chart, std::function<GridRect()> selection,
                                     const WorkState* work)
    : QObject(window), ds_(ds), chart_(chart), selection_(std::move(selection)), work_(work) {
    ds_.Changes.addObserver(&index_);
    measure_ = new ChartMeasure(chart_, ds_, index_, this);
    cursorsTable_ = new MeasureTable(QStringLiteral("CursorTable"));
    statisticsTable_ = new MeasureTable(QStringLiteral("StatisticsTable"));
    cursorsDock_ = makeDock(window, QStringLiteral("DockCursors"), QStringLiteral("Cursors"), cursorsTable_);
    statisticsDock_ = makeDock(window, QStringLiteral("DockStatistics"), QStringLiteral("Statistics"), statisticsTable_);

    status_ = new QLabel(window->statusBar());
    status_->setObjectName(QStringLiteral("LabMeasure"));
    status_->setFrameShape(QFrame::Panel);
    status_->setFrameShadow(QFrame::Sunken);
    status_->setMinimumWidth(260);
    window->statusBar()->addWidget(status_, 1);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(0);
    connect(refreshTimer_, &QTimer::timeout, this, &MeasureController::refreshNow);
    copyTimer_ = new QTimer(this);
    copyTimer_->setInterval(0);
    connect(copyTimer_, &QTimer::timeout, this, &MeasureController::copyStep);
    connect(measure_, &ChartMeasure::hoverTextChanged, this, [this](const QString& text) {
        hoverText_ = text;
        showStatus();
    });
    connect(measure_, &ChartMeasure::cursorsMoved, this, &MeasureController::updateCursorTable);
    // A zoom, a drag, or curves filled anew (an edit, a load, another X column or scale).
    connect(chart_, &QCustomPlot::afterReplot, this, &MeasureController::scheduleRefresh);
    connect(chart_->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &MeasureController::scheduleRefresh);
}

MeasureController::~MeasureController() {
    // The thread reads only its own copies; it is let finish, its result going nowhere.
    if (worker_.joinable()) worker_.join();
}

void MeasureController::setTrackerShown(bool shown) { measure_->setTrackerShown(shown); }

void MeasureController::setCursorsShown(bool shown) {
    measure_->setCursorsShown(shown);
    cursorsDock_->setVisible(shown);
    // The keys move the cursors while the chart has the focus.
    if (shown) {
        if (chart_->focusPolicy() == Qt::NoFocus) chart_->setFocusPolicy(Qt::ClickFocus);
        chart_->setFocus(Qt::OtherFocusReason);
    }
    updateCursorTable();
}

void MeasureController::setStatisticsShown(bool shown) {
    statisticsShown_ = shown;
    statisticsDock_->setVisible(shown);
    if (shown) refreshNow();
}

void MeasureController::selectionChanged() {
    if (statisticsShown_) scheduleRefresh();
}

void MeasureController::scheduleRefresh() {
    if (!refreshTimer_->isActive()) refreshTimer_->start();
}

void MeasureController::refreshNow() {
    // A load or save owns the data set: the tables wait (the curves filled after a load ask again).
    if (work_ && work_->busy()) return;
    if (work_ && std::exchange(worksSeen_, work_->worksBegun()) != work_->worksBegun())
        index_.forgetAll(); // a load may have put new vectors where the old ones were
    const bool refilled = curvesRefilled();
    if (refilled) buildFailed_ = false;
    // Another file (or another X) shown whole, the cursors both off it: back to where they start.
    if (refilled && chart_->autoRange() && measure_->cursorsShown()) {
        const QCPRange range = chart_->xAxis->range();
        auto off = [&](int which) {
            const double x = measure_->cursorX(which);
            return !range.contains(chart_->logX() ? std::log10(x) : x);
        };
        if (off(0) && off(1)) measure_->placeCursorsInView();
    }
    if (statisticsShown_) updateStatistics();
    if (measure_->cursorsShown()) updateCursorTable();
    showStatus();
}

bool MeasureController::curvesRefilled() {
    // The summaries follow the data set's changes themselves (edits, appended rows, a load's new
    // vectors); a curve filled anew only tells that what is shown may have changed.
    const auto count = static_cast<std::size_t>(chart_->curveCount());
    revisions_.resize(count + 1, 0);
    bool refilled = false;
    for (std::size_t k = 1; k <= count; ++k) {
        const quint64 revision = chart_->curve(static_cast<int>(k))->revision();
        refilled = refilled || revision != revisions_[k];
        revisions_[k] = revision;
    }
    return refilled;
}

QString MeasureController::curveName(int column) const {
    const auto k = static_cast<std::size_t>(column);
    std::string name = ds_.Layout.ColumnNames[k];
    if (name.empty()) name = "Series" + std::to_string(column);
    if (!ds_.Layout.ColumnLabels[k].empty() && ds_.Layout.ColumnTime[k] == TimeKind::None)
        name += " (" + ds_.Layout.ColumnLabels[k] + ")";
    return QString::fromStdString(displayText(name, ds_.File.FileIsUtf8));
}

QString MeasureController::number(double value) const {
    if (!std::isfinite(value)) return {};
    return QString::fromStdString(formatGeneral(toSevenDigits(value), ds_.decimal()));
}

void MeasureController::showStatus() {
    QString text = hoverText_;
    if (text.isEmpty() && chart_->logLeftOut() > 0)
        text = QStringLiteral("%1 values of 0 or less left out of the logarithmic axis").arg(chart_->logLeftOut());
    status_->setText(text);
}

bool MeasureController::summariesReady(const std::vector<int>& columns, bool overX) {
    if (build_) return false; // the tables are refreshed when it is done
    if (buildFailed_) return true;
    std::shared_ptr<SummaryBuild> build;
    try {
        build = index_.startBuild(ds_, ds_.View.XColumn, columns, overX);
    } catch (const std::bad_alloc&) {
        return true; // no room for copies: made where they are asked for, as before
    }
    if (!build) return true;
    if (build->size() <= kAtOnce) {
        build->copySome(std::numeric_limits<std::size_t>::max());
        build->run();
        index_.finishBuild(ds_, *build);
        return true;
    }
    // Big: copied in steps between the window's events, then made on another thread.
    build_ = build;
    buildWorks_ = work_ ? work_->worksBegun() : 0;
    copyTimer_->start();
    return false;
}

void MeasureController::copyStep() {
    const bool sameData = !work_ || (!work_->busy() && work_->worksBegun() == buildWorks_);
    if (!build_ || !sameData || !index_.current(ds_, *build_)) { // changed meanwhile: asked for afresh
        copyTimer_->stop();
        build_ = nullptr;
        scheduleRefresh();
        return;
    }
    if (!build_->copySome(kCopyStep)) return;
    copyTimer_->stop();
    if (worker_.joinable()) worker_.join(); // finished already: its result was taken in
    worker_ = std::thread([this, build = build_] {
        bool ok = true;
        try {
            build->run();
        } catch (...) { // no memory for it, or no thread: made where asked for, as before
            ok = false;
        }
        QMetaObject::invokeMethod(this, [this, ok] {
            buildFailed_ = !ok;
            buildFinished();
        }, Qt::QueuedConnection);
    });
}

void MeasureController::buildFinished() {
    if (worker_.joinable()) worker_.join();
    const std::shared_ptr<SummaryBuild> build = std::exchange(build_, nullptr);
    if (!build) return;
    // Made for the data set as it was: taken in only if no load, save or change came since.
    const bool sameData = !work_ || (!work_->busy() && work_->worksBegun() == buildWorks_);
    if (sameData && !buildFailed_) index_.finishBuild(ds_, *build);
    refreshNow(); // what was dropped is asked for afresh
    emit computed();
}

void MeasureController::showComputing(MeasureTable* table) {
    table->setCaption(QStringLiteral("Computing…"));
    table->table()->setEnabled(false);
}

void MeasureController::updateCursorTable() {
    if (!measure_->cursorsShown() || (work_ && work_->busy())) return;
    // The values at the cursors are found in the X order of the rows.
    if (!index_.xOrderReady(ds_, ds_.View.XColumn) && !summariesReady({}, true)) {
        showComputing(cursorsTable_);
        return;
    }
    cursorsTable_->table()->setEnabled(true);
    const int xColumn = ds_.View.XColumn;
    const bool timeAxis = xColumn >= 1 && ds_.Layout.ColumnTime[xColumn] != TimeKind::None;
    auto xText = [&](double x) {
        return std::isfinite(x) ? QString::fromStdString(displayText(XPositionText(ds_, xColumn, x), ds_.File.FileIsUtf8))
                                : QString();
    };
    const double xa = measure_->cursorX(0), xb = measure_->cursorX(1), dx = xb - xa;
    const QString dxText = timeAxis ? QString::fromStdString(DurationText(dx, ds_.decimal())) : number(dx);
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("X"), xText(xa), xText(xb), dxText, QString()};
    if (ds_.Layout.DataRowCount > 0)
        for (int k : measure_->drawnCurves()) {
            const ChartMeasure::Reading a = measure_->readingAt(k, xa), b = measure_->readingAt(k, xb);
            auto valueText = [&](const ChartMeasure::Reading& r) {
                return r.found ? QString::fromStdString(displayText(ds_.valueText(k, r.value), ds_.File.FileIsUtf8)) : QString();
            };
            const double dy = a.found && b.found ? b.value - a.value : std::nan("");
            rows << QStringList{curveName(k), valueText(a), valueText(b), number(dy), dx != 0 ? number(dy / dx) : QString()};
        }
    cursorsTable_->setCaption(timeAxis ? QStringLiteral("Values at cursors A and B; ΔY/ΔX per second")
                                       : QStringLiteral("Values at cursors A and B"));
    cursorsTable_->setRows({QStringLiteral("Curve"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("ΔY (B−A)"),
                            QStringLiteral("ΔY/ΔX")},
                           rows);
}

void MeasureController::updateStatistics() {
    const int xColumn = ds_.View.XColumn;
    const GridRect sel = selection_ ? selection_() : GridRect{};
    const int rowCount = ds_.Layout.DataRowCount;
    const bool bySelection = sel.Top >= 1 && sel.Bottom > sel.Top && sel.Top <= rowCount;
    const QCPRange range = chart_->xAxis->range();
    const double x1 = chart_->logX() ? std::pow(10.0, range.lower) : range.lower;
    const double x2 = chart_->logX() ? std::pow(10.0, range.upper) : range.upper;
    auto xText = [&](double x) {
        return std::isfinite(x) ? QString::fromStdString(displayText(XPositionText(ds_, xColumn, x), ds_.File.FileIsUtf8))
                                : QString();
    };
    if (bySelection)
        statisticsTable_->setCaption(QStringLiteral("Rows %1 to %2 of the grid selection")
                                         .arg(sel.Top)
                                         .arg(std::min(sel.Bottom, rowCount)));
    else { // the ends of the axis to 7 digits (a time to the second, as its ticks)
        const bool timeAxis = xColumn >= 1 && ds_.Layout.ColumnTime[xColumn] != TimeKind::None;
        auto end = [&](double x) { return timeAxis ? xText(std::round(x)) : xText(toSevenDigits(x)); };
        statisticsTable_->setCaption(QStringLiteral("Rows shown: X from %1 to %2").arg(end(x1), end(x2)));
    }
    // One column per curve, one row per measure: narrow beside the chart for a few curves.
    QStringList headers{QStringLiteral("Statistic")};
    QList<QStringList> rows{{QStringLiteral("Count")},    {QStringLiteral("Missing")}, {QStringLiteral("Mean")},
                            {QStringLiteral("Std. dev.")}, {QStringLiteral("Min")},     {QStringLiteral("Min at")},
                            {QStringLiteral("Max")},       {QStringLiteral("Max at")},  {QStringLiteral("Integral")}};
    const std::vector<int> curves = rowCount > 0 ? measure_->drawnCurves() : std::vector<int>{};
    if (!summariesReady(curves, !bySelection)) {
        showComputing(statisticsTable_);
        return;
    }
    statisticsTable_->table()->setEnabled(true);
    index_.prepare(ds_, xColumn, curves, !bySelection);
    for (int k : curves) {
            const RangeStatistics s = bySelection ? index_.overRows(ds_, xColumn, k, sel.Top, std::min(sel.Bottom, rowCount))
                                                  : index_.overX(ds_, xColumn, k, x1, x2);
            const bool time = ds_.Layout.ColumnTime[k] != TimeKind::None;
            auto value = [&](double v) {
                return std::isfinite(v) ? QString::fromStdString(displayText(ds_.valueText(k, v), ds_.File.FileIsUtf8)) : QString();
            };
            const QString spread = time && std::isfinite(s.standardDeviation)
                                       ? QString::fromStdString(DurationText(s.standardDeviation, ds_.decimal()))
                                       : number(s.standardDeviation);
            const QStringList cells{QString::number(s.count), QString::number(s.missing), time ? value(s.mean) : number(s.mean),
                                    spread,                    value(s.min),               xText(s.minX),
                                    value(s.max),              xText(s.maxX),              number(s.integral)};
            headers << curveName(k);
            for (int i = 0; i < cells.size(); ++i) rows[i] << cells[i];
        }
    statisticsTable_->setRows(headers, rows);
}

} // namespace varnotile
