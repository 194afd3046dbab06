#pragma once
// Texts of the chart's measurements: the hover readout and differences of X as durations.
// Texts are in the file's bytes (the caller decodes them for display).
#include "dataset.h"

#include <string>

namespace varnotile {

// A difference of seconds as a duration: "12.5 s" under a minute, else "[-][D d ]H:MM:SS[.fff]".
std::string DurationText(double seconds, char decimal);

// A value of `column` as the header row shows it, its unit (the column's label) after it.
std::string ValueWithUnit(const Document& ds, int column, double value);

// An X value as the readouts show it: "row 17" over row numbers, else the X column's value
// (a date and time for a time column).
std::string XPositionText(const Document& ds, int xColumn, double x);

// The hover readout of curve `column` at one of its points: "Temp = -2.2 degC at 2026-11-14T12:00:00".
std::string HoverReadoutText(const Document& ds, int column, double value, int xColumn, double x);

} // namespace varnotile
