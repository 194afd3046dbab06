// Chart commands of the main window: curves, titles, colours, X column, scale, point readout.
// A command that changes what is plotted (X column, curves shown, Y scale) lets the axes range
// over the points again; edits of the data keep the user's zoom.
#include "main_window.h"

#include "busy_cursor.h"
#include "curve_chart.h"
#include "curves.h"
#include "date_time_axis.h"
#include "form_options.h"
#include "log_scale.h"
#include "proposal_bar.h"
#include "qt_texts.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>

namespace varnotile {

void MainWindow::createChartDialogs() {
    formOptions_ = new FormOptions(this);
    connect(formOptions_, &FormOptions::curveNamesToggled, this,
            [this](bool shown) { ds_.View.ShowCurveNames = shown; });
    connect(formOptions_, &FormOptions::chartTitleToggled, this,
            [this](bool shown) { ds_.View.ShowChartTitle = shown; });
    connect(chart_, &CurveChart::curvePressed, this,
            [this](CurvePlottable* curve, int pointIndex) { Chart1ClickSeries(curve, pointIndex); });
}

void MainWindow::ApplyCurveColors() { chart_->applyCurveColors(ds_); }

void MainWindow::RebuildChartTitles() { chart_->rebuildTitles(ds_); }

void MainWindow::FillCurve(int k) {
    RefreshDateTimeAxis(ds_);
    chart_->fillCurve(ds_, k);
    RebuildChartTitles();
}

void MainWindow::FillAllCurves() {
    // The titles depend on all curves, so they are rebuilt once, after the last one.
    RefreshDateTimeAxis(ds_);
    chart_->fillCurves(ds_);
    RebuildChartTitles();
}

void MainWindow::ClearCurve(int k) {
    chart_->clearCurve(k);
    RebuildChartTitles();
}

void MainWindow::ClearAllCurves() { chart_->clearAllCurves(); }

void MainWindow::ChooseCurveColor() {
    const int k = commandColumn();
    if (!isCurve(k)) return;
    const Rgb current = ds_.View.CurveColors[k];
    QColorDialog dialog(toQColor(current), this);
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    if (dialog.exec() != QDialog::Accepted) return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid()) return;
    ds_.View.CurveColors[k] = toRgb(chosen);
    RefreshHeaderRow();
    ApplyCurveColors();
    ClearCurve(k);
    FillCurve(k);
    RebuildChartTitles();
    proposalBar_->offerDistinctColours(chart_->drawnInOneColour() && !dismissedFiles_.count(ds_.File.CurrentFileName));
}

void MainWindow::Chart1ClickSeries(QObject* series, int pointIndex) {
    if (!series) return;
    ShowPointReadout(SeriesNumberFromName(series->objectName().toStdString()), pointIndex);
}

void MainWindow::ShowPointReadout(int seriesNumber, int pointIndex) {
    const CurvePlottable* curve = chart_->curve(seriesNumber);
    if (!curve || pointIndex < 0 || pointIndex >= curve->pointCount()) return;
    const double absMax = ds_.Table.ColumnAbsMax[seriesNumber];
    // On a logarithmic axis the curve holds log10 of the values.
    const std::string text =
        PointReadoutText(curve->name().toStdString(), FromLogAxis(curve->pointX(pointIndex), chart_->logX()),
                         FromLogAxis(curve->pointY(pointIndex), chart_->logY()),
                         ds_.View.XColumn, ds_.View.PercentScale, absMax, ds_.decimal(),
                         ds_.Layout.ColumnTime[ds_.View.XColumn], ds_.Layout.ColumnTime[seriesNumber]);
    showNotice(QString::fromStdString(text));
}

void MainWindow::setShowHideEnabled(bool showEnabled, bool hideEnabled) {
    menuShow_->setEnabled(showEnabled);
    pmenuShow_->setEnabled(showEnabled);
    menuHide_->setEnabled(hideEnabled);
    pmenuHide_->setEnabled(hideEnabled);
}

void MainWindow::menuShowClick() {
    const int k = commandColumn();
    if (!isCurve(k) || !ds_.Layout.ColumnIsNumeric[k]) return;
    ds_.View.CurveVisible[k] = true;
    setShowHideEnabled(false, true);
    FillCurve(k);
    RefreshHeaderRow();
    chart_->fitToPoints();
    proposalBar_->offerDistinctColours(chart_->drawnInOneColour() && !dismissedFiles_.count(ds_.File.CurrentFileName));
}

void MainWindow::menuHideClick() {
    const int k = commandColumn();
    if (!isCurve(k) || !ds_.Layout.ColumnIsNumeric[k]) return;
    ds_.View.CurveVisible[k] = false;
    setShowHideEnabled(true, false);
    ClearCurve(k);
    RefreshHeaderRow();
    chart_->fitToPoints();
    proposalBar_->offerDistinctColours(chart_->drawnInOneColour() && !dismissedFiles_.count(ds_.File.CurrentFileName));
}

void MainWindow::menuColorClick() { ChooseCurveColor(); }

void MainWindow::menuSetAsXClick() {
    const int k = commandColumn();
    if (k < 0 || k > ds_.curveCount() || !ds_.Layout.ColumnIsNumeric[k]) return;
    BusyCursor busy;
    ds_.View.XColumn = k;
    ClearAllCurves();
    FillAllCurves();
    RebuildChartTitles();
    RefreshHeaderRow();
    chart_->fitToPoints();
    proposalBar_->offerDistinctColours(chart_->drawnInOneColour() && !dismissedFiles_.count(ds_.File.CurrentFileName));
}

void MainWindow::adoptProposedXAxis() {
    const int x = ds_.Layout.Proposal.xColumn;
    if (x < 1 || x > ds_.curveCount() || x > ds_.Layout.ColumnCount || ds_.Layout.ColumnTime[x] == TimeKind::None ||
        ds_.View.XColumn == x)
        return;
    ds_.View.XColumn = x;
    ClearAllCurves();
    FillAllCurves();
    RebuildChartTitles();
    RefreshHeaderRow();
    chart_->fitToPoints();
}

bool MainWindow::runChartOptions() {
    ds_.View.PercentScaleBefore = ds_.View.PercentScale;
    formOptions_->FormShow(ds_.View.PercentScale);
    formOptions_->showLogScales(ds_.View.LogScaleY, ds_.View.LogScaleX);
    const bool logYBefore = ds_.View.LogScaleY, logXBefore = ds_.View.LogScaleX;
    formOptions_->exec();
    // Closing the dialog, by "OK" or by its close box, takes over the chosen scale.
    ds_.View.PercentScale = formOptions_->percentScaleChosen();
    ds_.View.LogScaleY = formOptions_->logYChosen();
    ds_.View.LogScaleX = formOptions_->logXChosen();
    return ds_.View.PercentScale != ds_.View.PercentScaleBefore || ds_.View.LogScaleY != logYBefore ||
           ds_.View.LogScaleX != logXBefore;
}

void MainWindow::menuYScaleClick() {
    if (!runChartOptions()) return;
    BusyCursor busy;
    ClearAllCurves();
    FillAllCurves();
    RebuildChartTitles();
    chart_->fitToPoints();
}

void MainWindow::menuChartOptionsClick() {
    if (runChartOptions()) {
        BusyCursor busy;
        ClearAllCurves();
        FillAllCurves();
        chart_->fitToPoints();
    }
    RebuildChartTitles();
}

} // namespace varnotile
