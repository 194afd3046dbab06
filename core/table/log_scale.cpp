#include "log_scale.h"

#include <cmath>

namespace varnotile {

bool LogScaleYFor(const DataSet& ds) { return ds.View.LogScaleY && !ds.View.PercentScale; }

bool LogScaleXFor(const DataSet& ds) {
    const int x = ds.View.XColumn;
    const bool timeAxis = x >= 1 && static_cast<std::size_t>(x) < ds.Layout.ColumnTime.size() &&
                          ds.Layout.ColumnTime[x] != TimeKind::None;
    return ds.View.LogScaleX && !timeAxis;
}

CurvePoints LogCurvePoints(const CurvePoints& points, bool logX, bool logY, std::size_t* leftOut) {
    CurvePoints out;
    const std::size_t n = points.size();
    out.rowNumberX = false;
    out.x.reserve(n);
    out.y.reserve(n);
    std::size_t dropped = 0;
    auto logOf = [](double v) { return v > 0 ? std::log10(v) : std::nan(""); };
    // The input's pieces (none: one piece of every point); a new piece starts after each point left out.
    std::vector<CurvePiece> pieces = points.pieces;
    if (pieces.empty() && n > 0) pieces.push_back({0, n});
    for (const CurvePiece& piece : pieces) {
        bool open = false;
        for (std::size_t i = piece.from; i < piece.to; ++i) {
            const double x = logX ? logOf(points.xAt(i)) : points.xAt(i);
            const double y = logY ? logOf(points.y[i]) : points.y[i];
            if (!std::isfinite(x) || !std::isfinite(y)) {
                ++dropped;
                open = false;
                continue;
            }
            if (!open) out.pieces.push_back({out.y.size(), out.y.size()});
            open = true;
            out.x.push_back(x);
            out.y.push_back(y);
            out.pieces.back().to = out.y.size();
        }
    }
    if (out.pieces.size() == 1) out.pieces.clear();
    if (leftOut) *leftOut = dropped;
    return out;
}

} // namespace varnotile
