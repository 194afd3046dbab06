#pragma once
// Curves on logarithmic axes: the chart draws log10 of the values on a linear axis whose ticks
// are labelled with the values themselves. A value that is zero or negative has no logarithm: its
// point is left out and the line breaks there, as at a missing value.
#include "curves.h"

#include <cmath>
#include <cstddef>

namespace varnotile {

// The axes that are logarithmic for `ds`: Y when asked for; X when asked for and X is not a time
// column (a time axis stays linear). Both exclude the percent scale.
bool LogScaleYFor(const DataSet& ds);
bool LogScaleXFor(const DataSet& ds);

// `points` with X and/or Y replaced by their log10; points without one are left out (counted in
// `leftOut`, when given), breaking the line.
CurvePoints LogCurvePoints(const CurvePoints& points, bool logX, bool logY, std::size_t* leftOut = nullptr);

// A coordinate of a logarithmic axis back as the value it stands for.
inline double FromLogAxis(double coordinate, bool logAxis) { return logAxis ? std::pow(10.0, coordinate) : coordinate; }

} // namespace varnotile
