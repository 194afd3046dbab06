#include "curves.h"

#include "date_time_axis.h"
#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnotile {

bool ColumnIsDrawn(const DataSet& ds, int k) {
    if (k < 1 || k > ds.curveCount() || !ds.isValueColumn(k)) return false;
    const auto i = static_cast<std::size_t>(k);
    // With a date and a time column as the X axis, the time column is part of X, not a curve.
    const bool partOfX = DateTimeAxisShown(ds) && k == ds.Layout.DateTimeAxisColumn + 1;
    return ds.Layout.ColumnIsNumeric[i] && ds.View.CurveVisible[i] && k != ds.View.XColumn && !partOfX;
}

bool ColumnIsListed(const DataSet& ds, int k) {
    return ColumnIsDrawn(ds, k) && ds.Layout.ColumnPresent[k];
}

namespace {

// What curve k's points are made of: its values, the scale and where X comes from.
struct CurveInputs {
    double multiplier = 1.0;
    double divisor = 1.0;
    int xColumn = 0;
    // The X column's values; null over row numbers and for an X column that is not a numeric
    // column of this file, which places every point at X = 0.
    const std::vector<double>* xValues = nullptr;
};

CurveInputs curveInputs(const DataSet& ds, int k) {
    CurveInputs in;
    if (ds.View.PercentScale) {
        in.multiplier = 100.0;
        in.divisor = ds.Table.ColumnAbsMax[k];
        // The statistics never leave 0 here; a table that was never measured draws plain values.
        if (in.divisor == 0.0) in.divisor = 1.0;
        // 100 times a magnitude near the largest double overflows: divide by a hundredth of it
        // instead, so that such a column is drawn like any other.
        if (!std::isfinite(in.multiplier * in.divisor)) {
            in.multiplier = 1.0;
            in.divisor /= 100.0;
        }
    }
    in.xColumn = ds.View.XColumn;
    const bool xFromColumn = ds.isValueColumn(in.xColumn) &&
                             in.xColumn <= ds.Layout.ColumnCount && ds.Layout.ColumnIsNumeric[in.xColumn];
    if (xFromColumn) in.xValues = &ds.Table.Values[in.xColumn];
    if (const std::vector<double>* axis = xFromColumn ? DateTimeAxisValues(ds, in.xColumn) : nullptr) in.xValues = axis;
    return in;
}

// The lowest and highest of v[0] .. v[n - 1], n > 0; false when one of them is not a finite
// number (the extremes are then of no use).
bool finiteRange(const double* v, std::size_t n, double& least, double& most) {
    double lo = v[0], hi = v[0];
    // v - v is 0 for a finite number and not a number otherwise: their sum tells whether all are.
    double finite = 0.0;
    std::size_t j = 0;
#if defined(__SSE2__)
    if (n >= 4) {
        // Two sets of running values at once: one alone would wait on each step before the next.
        __m128d low0 = _mm_loadu_pd(v), low1 = _mm_loadu_pd(v + 2), high0 = low0, high1 = low1;
        __m128d sum0 = _mm_sub_pd(low0, low0), sum1 = _mm_sub_pd(low1, low1);
        for (j = 4; j + 4 <= n; j += 4) {
            const __m128d a = _mm_loadu_pd(v + j), b = _mm_loadu_pd(v + j + 2);
            low0 = _mm_min_pd(low0, a);
            low1 = _mm_min_pd(low1, b);
            high0 = _mm_max_pd(high0, a);
            high1 = _mm_max_pd(high1, b);
            sum0 = _mm_add_pd(sum0, _mm_sub_pd(a, a));
            sum1 = _mm_add_pd(sum1, _mm_sub_pd(b, b));
        }
        const __m128d low = _mm_min_pd(low0, low1), high = _mm_max_pd(high0, high1), sum = _mm_add_pd(sum0, sum1);
        lo = std::min(_mm_cvtsd_f64(low), _mm_cvtsd_f64(_mm_unpackhi_pd(low, low)));
        hi = std::max(_mm_cvtsd_f64(high), _mm_cvtsd_f64(_mm_unpackhi_pd(high, high)));
        finite = _mm_cvtsd_f64(sum) + _mm_cvtsd_f64(_mm_unpackhi_pd(sum, sum));
    }
#endif
    for (; j < n; ++j) {
        lo = std::min(lo, v[j]);
        hi = std::max(hi, v[j]);
        finite += v[j] - v[j];
    }
    least = lo;
    most = hi;
    return finite == 0.0;
}

bool neverDecreases(const double* v, std::size_t n) {
    bool descends = false;
    for (std::size_t i = 1; i < n; ++i) descends |= v[i] < v[i - 1];
    return !descends;
}

// The source with its pieces: the runs of points with finite X and Y between missing values
// and the rows after `breaks`; bounds and order of X over those points alone. Count 0 when no
// point is left to draw.
CurveSource withGaps(CurveSource source, const std::vector<int>& breaks) {
    std::size_t nextBreak = 0;
    bool open = false, any = false;
    double lastX = 0;
    for (std::size_t i = 0; i < source.count; ++i) {
        const auto row = static_cast<int>(i + 1);
        while (nextBreak < breaks.size() && breaks[nextBreak] < row) ++nextBreak;
        if (nextBreak < breaks.size() && breaks[nextBreak] == row) open = false;
        const double x = source.xAt(i), y = source.yAt(i);
        if (!std::isfinite(x) || !std::isfinite(y)) {
            open = false;
            continue;
        }
        if (!open) source.pieces.push_back({i, i});
        open = true;
        source.pieces.back().to = i + 1;
        if (!any) {
            source.minX = source.maxX = x;
            source.minY = source.maxY = y;
        }
        source.minX = std::min(source.minX, x);
        source.maxX = std::max(source.maxX, x);
        source.minY = std::min(source.minY, y);
        source.maxY = std::max(source.maxY, y);
        source.xAscending = source.xAscending && !(any && x < lastX);
        lastX = x;
        any = true;
    }
    if (!any) return CurveSource{};
    if (source.pieces.size() == 1 && source.pieces[0] == CurvePiece{0, source.count}) source.pieces.clear();
    return source;
}

} // namespace

CurvePoints CurvePointsFor(const DataSet& ds, int k) {
    CurvePoints points;
    if (!ColumnIsDrawn(ds, k) || ds.Layout.DataRowCount <= 0) return points;
    const CurveInputs in = curveInputs(ds, k);
    const double multiplier = in.multiplier;
    const double divisor = in.divisor;
    const int rows = ds.Layout.DataRowCount;
    const auto& yColumn = ds.Table.Values[k];
    const int xColumn = in.xColumn;
    const std::vector<double>* xValues = in.xValues;

    points.y.reserve(static_cast<std::size_t>(rows));
    points.rowNumberX = xColumn == 0;
    if (!points.rowNumberX) points.x.reserve(static_cast<std::size_t>(rows));
    const std::size_t ySize = yColumn.size();
    const std::size_t xSize = xValues ? xValues->size() : 0;
    const std::vector<int> breaks = ds.Table.Cells.rowsAfterBreaks();
    std::size_t nextBreak = 0;
    bool broken = false; // no line from the last point kept to the next
    std::size_t pieceStart = 0;
    for (int r = 1; r <= rows; ++r) {
        while (nextBreak < breaks.size() && breaks[nextBreak] < r) ++nextBreak;
        if (nextBreak < breaks.size() && breaks[nextBreak] == r) broken = true;
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
            broken = true;
            continue;
        }
        if (broken && !points.y.empty()) {
            points.pieces.push_back({pieceStart, points.y.size()});
            pieceStart = points.y.size();
        }
        broken = false;
        if (!points.rowNumberX) points.x.push_back(x);
        points.y.push_back(y);
    }
    if (!points.pieces.empty()) points.pieces.push_back({pieceStart, points.y.size()});
    return points;
}

SharedCurveFacts SharedCurveFactsFor(const DataSet& ds) {
    SharedCurveFacts facts;
    facts.breaks = ds.Table.Cells.rowsAfterBreaks();
    const std::vector<double>* x = curveInputs(ds, 1).xValues;
    facts.count = static_cast<std::size_t>(std::max(ds.Layout.DataRowCount, 0));
    if (!x || facts.count == 0 || x->size() <= facts.count) return facts;
    facts.x = x;
    const double* xs = x->data() + 1;
    facts.xFinite = finiteRange(xs, facts.count, facts.minX, facts.maxX);
    if (facts.xFinite) facts.xAscending = neverDecreases(xs, facts.count);
    return facts;
}

std::optional<CurveSource> CurveSourceFor(const DataSet& ds, int k, const SharedCurveFacts* shared) {
    CurveSource source;
    if (!ColumnIsDrawn(ds, k) || ds.Layout.DataRowCount <= 0) return source;
    const CurveInputs in = curveInputs(ds, k);
    source.y = &ds.Table.Values[k];
    source.x = in.xValues;
    source.xIsRowNumber = in.xColumn == 0;
    source.multiplier = in.multiplier;
    source.divisor = in.divisor;
    source.count = static_cast<std::size_t>(ds.Layout.DataRowCount);
    if (!source.covered()) return std::nullopt;

    // The scale multiplies by a positive number and divides by one number, each step rounded:
    // it keeps (or, for a negative divisor, reverses) the order of any two values. So the
    // plotted extremes are the scaled extremes of the values, and all plotted values are finite
    // when those two are.
    const std::vector<int> ownBreaks = shared ? std::vector<int>{} : ds.Table.Cells.rowsAfterBreaks();
    const std::vector<int>& breaks = shared ? shared->breaks : ownBreaks;
    double least = 0, most = 0;
    if (!breaks.empty() || !finiteRange(source.y->data() + 1, source.count, least, most))
        return withGaps(std::move(source), breaks);
    const double a = source.scaled(least), b = source.scaled(most);
    if (!std::isfinite(a) || !std::isfinite(b)) return withGaps(std::move(source), breaks);
    source.minY = std::min(a, b);
    source.maxY = std::max(a, b);
    if (source.x && shared && shared->x == source.x && shared->count == source.count) {
        if (!shared->xFinite) return withGaps(std::move(source), breaks);
        source.minX = shared->minX;
        source.maxX = shared->maxX;
        source.xAscending = shared->xAscending;
    } else if (source.x) {
        const double* xs = source.x->data() + 1;
        if (!finiteRange(xs, source.count, source.minX, source.maxX)) return withGaps(std::move(source), breaks);
        source.xAscending = neverDecreases(xs, source.count);
    } else if (source.xIsRowNumber) {
        source.minX = 1;
        source.maxX = static_cast<double>(source.count);
    }
    return source;
}

std::optional<CurveSource> GrownCurveSource(const DataSet& ds, int k, const CurveSource& shown) {
    if (!ColumnIsDrawn(ds, k) || shown.count == 0 || !shown.y) return std::nullopt;
    const CurveInputs in = curveInputs(ds, k);
    if (shown.y != &ds.Table.Values[k] || shown.x != in.xValues || shown.xIsRowNumber != (in.xColumn == 0) ||
        shown.multiplier != in.multiplier || shown.divisor != in.divisor)
        return std::nullopt;
    const std::size_t from = shown.count;
    CurveSource grown = shown;
    grown.count = static_cast<std::size_t>(std::max(ds.Layout.DataRowCount, 0));
    if (grown.count < from || !grown.covered()) return std::nullopt;

    // The pieces as withGaps makes them, carried on from the last old point. No pieces means
    // one piece of every point; it is written out once a new point is left out or broken off.
    std::vector<CurvePiece>& pieces = grown.pieces;
    bool whole = pieces.empty();
    bool open = whole || pieces.back().to == from;
    double lastX = grown.xAt(whole ? from - 1 : pieces.back().to - 1);
    const std::vector<int> breaks = ds.Table.Cells.rowsAfterBreaks(static_cast<int>(from) + 1);
    std::size_t nextBreak = 0;
    for (std::size_t i = from; i < grown.count; ++i) {
        const auto row = static_cast<int>(i + 1);
        while (nextBreak < breaks.size() && breaks[nextBreak] < row) ++nextBreak;
        const bool broken = nextBreak < breaks.size() && breaks[nextBreak] == row;
        const double x = grown.xAt(i), y = grown.yAt(i);
        const bool drawn = std::isfinite(x) && std::isfinite(y);
        if (whole && (broken || !drawn)) {
            pieces.push_back({0, i});
            whole = false;
        }
        if (broken) open = false;
        if (!drawn) {
            open = false;
            continue;
        }
        if (!whole) {
            if (!open) pieces.push_back({i, i});
            pieces.back().to = i + 1;
        }
        open = true;
        grown.minX = std::min(grown.minX, x);
        grown.maxX = std::max(grown.maxX, x);
        grown.minY = std::min(grown.minY, y);
        grown.maxY = std::max(grown.maxY, y);
        grown.xAscending = grown.xAscending && !(x < lastX);
        lastX = x;
    }
    if (pieces.size() == 1 && pieces[0] == CurvePiece{0, grown.count}) pieces.clear();
    return grown;
}

std::string ListedColumnsText(const DataSet& ds) {
    std::string text;
    for (int k = 1; k <= ds.curveCount(); ++k) {
        if (!ColumnIsListed(ds, k)) continue;
        const auto i = static_cast<std::size_t>(k);
        text += ds.Layout.ColumnNames[i];
        if (!ds.Layout.ColumnLabels[i].empty()) text += "(" + ds.Layout.ColumnLabels[i] + ")";
        if (!ds.Layout.ColumnHeader3[i].empty()) text += "(" + ds.Layout.ColumnHeader3[i] + ")";
        text += "  ";
    }
    return text;
}

std::string YAxisTitle(const DataSet& ds) {
    return ds.View.PercentScale ? std::string("%") : ListedColumnsText(ds);
}

std::string XAxisTitle(const DataSet& ds) {
    const int x = ds.View.XColumn;
    if (x < 0 || static_cast<std::size_t>(x) >= ds.Layout.ColumnNames.size()) return "    ";
    const auto i = static_cast<std::size_t>(x);
    // Over a date and a time column the axis is named after both.
    const std::string name = DateTimeAxisShown(ds) ? ds.Layout.ColumnNames[i] + " + " + ds.Layout.ColumnNames[i + 1]
                                                   : ds.Layout.ColumnNames[i];
    return name + "  " + ds.Layout.ColumnLabels[i] + "  " + ds.Layout.ColumnHeader3[i];
}

std::string CurveTitle(const DataSet& ds, int k) {
    if (!ColumnIsListed(ds, k)) return " ";
    return ds.Layout.ColumnNames[k];
}

std::string CurveLegendText(const DataSet& ds, int k) {
    std::string title = CurveTitle(ds, k);
    if (title.empty()) title = "Series" + std::to_string(k);
    return title;
}

bool LegendShown(const DataSet& ds) { return ds.View.ShowCurveNames && !ds.File.CurrentFileName.empty(); }

int SeriesNumberFromName(std::string_view name) {
    int n = 0;
    if (name.starts_with("Series") && name.size() > 6 && name[6] != '0') {
        const auto [end, error] = std::from_chars(name.data() + 6, name.data() + name.size(), n);
        if (error == std::errc() && end == name.data() + name.size() && n >= 1 && n <= kWideColumnLimit) return n;
    }
    return 1;
}

std::string PointReadoutText(std::string_view title, double x, double plottedY, int xColumn, bool percentScale,
                             double absMax, char decimal, TimeKind xTime, TimeKind yTime) {
    std::string text(title);
    text += xColumn == 0 ? ":  row-" : ":  X-";
    text += xColumn != 0 && xTime != TimeKind::None ? isoTimeText(x, xTime) : formatGeneral(x, decimal);
    text += ",  Value-";
    double value = plottedY;
    if (percentScale) {
        value = plottedY * absMax / 100.0;
        if (!std::isfinite(value)) value = plottedY / 100.0 * absMax; // near the largest double
    }
    text += yTime != TimeKind::None ? isoTimeText(value, yTime) : formatGeneral(value, decimal);
    if (percentScale) text += "  (" + formatFixed3(plottedY, decimal) + "%)";
    return text;
}

} // namespace varnotile
