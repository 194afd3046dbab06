#include "curves.h"

#include "number_text.h"

#include <cmath>

namespace varnotile {

bool ColumnIsDrawn(const DataSet& ds, int k) {
    if (k < 1 || k > kCurveCount) return false;
    const auto i = static_cast<std::size_t>(k);
    return ds.ColumnIsNumeric[i] && ds.CurveVisible[i] && k != ds.XColumn;
}

bool ColumnIsListed(const DataSet& ds, int k) {
    return ColumnIsDrawn(ds, k) && ds.ColumnPresent[static_cast<std::size_t>(k)];
}

CurvePoints CurvePointsFor(const DataSet& ds, int k) {
    CurvePoints points;
    if (!ColumnIsDrawn(ds, k) || ds.DataRowCount <= 0) return points;
    double multiplier = 1.0;
    double divisor = 1.0;
    if (ds.PercentScale) {
        multiplier = 100.0;
        divisor = ds.ColumnAbsMax[static_cast<std::size_t>(k)];
        // The statistics never leave 0 here; a table that was never measured draws plain values.
        if (divisor == 0.0) divisor = 1.0;
    }
    const int rows = ds.DataRowCount;
    const auto& yColumn = ds.Values[static_cast<std::size_t>(k)];
    const int xColumn = ds.XColumn;
    // An X column that is not a numeric column of this file places every point at X = 0.
    const bool xFromColumn = xColumn >= 1 && xColumn <= kColumnLimit && xColumn <= ds.ColumnCount &&
                             ds.ColumnIsNumeric[static_cast<std::size_t>(xColumn)];
    const std::vector<double>* xValues = xFromColumn ? &ds.Values[static_cast<std::size_t>(xColumn)] : nullptr;

    points.y.reserve(static_cast<std::size_t>(rows));
    points.rowNumberX = xColumn == 0;
    if (!points.rowNumberX) points.x.reserve(static_cast<std::size_t>(rows));
    const std::size_t ySize = yColumn.size();
    const std::size_t xSize = xValues ? xValues->size() : 0;
    for (int r = 1; r <= rows; ++r) {
        const auto ri = static_cast<std::size_t>(r);
        const double v = ri < ySize ? yColumn[ri] : 0.0;
        const double y = multiplier * v / divisor;
        double x;
        if (xColumn == 0)
            x = static_cast<double>(r);
        else if (xValues)
            x = ri < xSize ? (*xValues)[ri] : 0.0;
        else
            x = 0.0;
        if (!std::isfinite(x) || !std::isfinite(y)) {
            // A left-out point breaks the implicit numbering: keep the row numbers explicitly.
            if (points.rowNumberX) {
                points.rowNumberX = false;
                points.x.reserve(static_cast<std::size_t>(rows));
                for (std::size_t i = 0; i < points.y.size(); ++i) points.x.push_back(static_cast<double>(i + 1));
            }
            continue;
        }
        if (!points.rowNumberX) points.x.push_back(x);
        points.y.push_back(y);
    }
    return points;
}

std::string ListedColumnsText(const DataSet& ds) {
    std::string text;
    for (int k = 1; k <= kCurveCount; ++k) {
        if (!ColumnIsListed(ds, k)) continue;
        const auto i = static_cast<std::size_t>(k);
        text += ds.ColumnNames[i];
        if (!ds.ColumnLabels[i].empty()) text += "(" + ds.ColumnLabels[i] + ")";
        if (!ds.ColumnHeader3[i].empty()) text += "(" + ds.ColumnHeader3[i] + ")";
        text += "  ";
    }
    return text;
}

std::string YAxisTitle(const DataSet& ds) { return ds.PercentScale ? std::string("%") : ListedColumnsText(ds); }

std::string XAxisTitle(const DataSet& ds) {
    const int x = ds.XColumn;
    if (x < 0 || x > kFieldSlots) return "    ";
    const auto i = static_cast<std::size_t>(x);
    return ds.ColumnNames[i] + "  " + ds.ColumnLabels[i] + "  " + ds.ColumnHeader3[i];
}

std::string CurveTitle(const DataSet& ds, int k) {
    if (!ColumnIsListed(ds, k)) return " ";
    return ds.ColumnNames[static_cast<std::size_t>(k)];
}

std::string CurveLegendText(const DataSet& ds, int k) {
    std::string title = CurveTitle(ds, k);
    if (title.empty()) title = "Series" + std::to_string(k);
    return title;
}

bool LegendShown(const DataSet& ds) { return ds.ShowCurveNames && !ds.CurrentFileName.empty(); }

int SeriesNumberFromName(std::string_view name) {
    for (int n = 1; n <= kCurveCount; ++n)
        if (name == "Series" + std::to_string(n)) return n;
    return 1;
}

std::string PointReadoutText(std::string_view title, double x, double plottedY, int xColumn, bool percentScale,
                             double absMax, char decimal) {
    std::string text(title);
    text += xColumn == 0 ? ":  row-" : ":  X-";
    text += formatGeneral(x, decimal);
    text += ",  Value-";
    text += formatGeneral(percentScale ? plottedY * absMax / 100.0 : plottedY, decimal);
    if (percentScale) text += "  (" + formatFixed3(plottedY, decimal) + "%)";
    return text;
}

} // namespace varnotile
