#pragma once
// The rules of the chart curves without any drawing: which columns are drawn and listed, the
// points of a curve, the axis, curve and chart title texts, and the curve point readout text.
// Texts are in the file's bytes (the caller decodes them for display).
#include "dataset.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

// Curve k is drawn when column k (1..curveCount()) is numeric, its curve is wanted and it is not the X column.
bool ColumnIsDrawn(const DataSet& ds, int k);
// Drawn and not deleted: the column is named in the legend and the Y-axis title.
bool ColumnIsListed(const DataSet& ds, int k);

// A run of consecutive points joined by lines: points from .. to - 1. A curve breaks (no line
// joins two neighbouring points) at a missing value and where a blank line stands between rows.
struct CurvePiece {
    std::size_t from = 0, to = 0;
    bool operator==(const CurvePiece&) const = default;
};

// The points of one curve in row order. When `rowNumberX` is true the X values are implicit:
// point i (0-based) lies at X = i + 1 and `x` is empty.
struct CurvePoints {
    std::vector<double> x;
    std::vector<double> y;
    bool rowNumberX = false;
    // Empty: all points form one piece (no break). Otherwise every point lies in one of them.
    std::vector<CurvePiece> pieces;
    std::size_t size() const { return y.size(); }
    double xAt(std::size_t i) const { return rowNumberX ? static_cast<double>(i + 1) : x[i]; }
};

// The points curve k receives from FillCurve: none unless the column is drawn; otherwise one
// point per data row, X the row number (XColumn 0) or the X column's value (0 when that column
// is not numeric or not in the file), Y the value, on the percent scale 100 * value / ColumnAbsMax.
// A point whose X or Y is not a finite number (a missing value) is left out and breaks the line,
// as does a blank line between two rows.
CurvePoints CurvePointsFor(const DataSet& ds, int k);

// The same points read straight from the data set's values instead of copied: point i (0-based)
// is data row i + 1. It refers to the value vectors of the data set, which must outlive it; they
// may change and move (an edit, an undo, a load), so every read goes through the vectors and
// checks that they still cover the rows (covered()). Made once per fill, with the bounds and
// the order of the points as they were then.
struct CurveSource {
    const std::vector<double>* y = nullptr; // the column's values by row
    const std::vector<double>* x = nullptr; // the X column's values by row; null: X is implicit
    bool xIsRowNumber = true;               // implicit X: the row number, else 0
    double multiplier = 1.0;                // Y = multiplier * value / divisor
    double divisor = 1.0;
    std::size_t count = 0;                  // rows 1..count
    double minX = 0, maxX = 0, minY = 0, maxY = 0; // of the points that are drawn
    bool xAscending = true; // X never decreases from one drawn point to the next
    // Empty: every point is drawn, all joined. Otherwise only the points of these pieces are
    // drawn (each with finite X and Y); the others are missing values.
    std::vector<CurvePiece> pieces;

    double scaled(double value) const { return multiplier * value / divisor; }
    // Whether the vectors still hold every row of the points.
    bool covered() const { return y && y->size() > count && (!x || x->size() > count); }
    // Point i's coordinates; 0 for a value the vectors no longer hold.
    double xAt(std::size_t i) const {
        if (x) return i + 1 < x->size() ? (*x)[i + 1] : 0.0;
        return xIsRowNumber ? static_cast<double>(i + 1) : 0.0;
    }
    double yAt(std::size_t i) const { return scaled(i + 1 < y->size() ? (*y)[i + 1] : 0.0); }
};

// What the sources of all curves of one data set share, worked out once for all of them: the
// rows after blank lines and the X column's extremes and order.
struct SharedCurveFacts {
    std::vector<int> breaks;                // as CellTable::rowsAfterBreaks()
    const std::vector<double>* x = nullptr; // the X column measured; null: none
    std::size_t count = 0;                  // rows 1..count of it
    bool xFinite = false;                   // every one of them is a finite number
    double minX = 0, maxX = 0;
    bool xAscending = true;
};
SharedCurveFacts SharedCurveFactsFor(const DataSet& ds);

// The source of curve k's points: one point per row, those CurvePointsFor leaves out kept in
// place but in no piece, so that point i stays row i + 1 (count 0 when none is drawn);
// nothing when the vectors do not cover every row (CurvePointsFor then). With `shared` (made
// from `ds` as it is now) the breaks and X column are not read again.
std::optional<CurveSource> CurveSourceFor(const DataSet& ds, int k, const SharedCurveFacts* shared = nullptr);

// The source `shown` (made by CurveSourceFor) grown by the rows appended to the table since it
// was made, reading only those rows; the rows it covers must be unchanged. Nothing when the
// curve's scale or X changed meanwhile (the statistics or the X column): then CurveSourceFor.
std::optional<CurveSource> GrownCurveSource(const DataSet& ds, int k, const CurveSource& shown);

// Y-axis text of the listed columns: name, "(label)", "(header3)", two spaces, per column.
std::string ListedColumnsText(const DataSet& ds);
// Left axis title: "%" on the percent scale, else ListedColumnsText.
std::string YAxisTitle(const DataSet& ds);
// Bottom axis title: name, two spaces, label, two spaces, third header text of the X column.
std::string XAxisTitle(const DataSet& ds);
// Legend title of curve k: the column's name when listed, else one space.
std::string CurveTitle(const DataSet& ds, int k);
// The text the legend shows for curve k: its title, or "Series<k>" for a listed curve whose
// column has no name.
std::string CurveLegendText(const DataSet& ds, int k);
// The legend is shown only with ShowCurveNames and a file.
bool LegendShown(const DataSet& ds);

// Series number from a series' name: "Series1".."Series10" compared whole; 1 when none matches.
int SeriesNumberFromName(std::string_view name);

// The readout message of a pressed curve point: title, ":  row-" or ":  X-", X, ",  Value-",
// the data value, and on the percent scale "  (" plotted percent with three decimals "%)".
// An X or a value of a time column (xTime, yTime) reads as its date or time in ISO 8601.
std::string PointReadoutText(std::string_view title, double x, double plottedY, int xColumn, bool percentScale,
                             double absMax, char decimal, TimeKind xTime = TimeKind::None,
                             TimeKind yTime = TimeKind::None);

} // namespace varnotile
