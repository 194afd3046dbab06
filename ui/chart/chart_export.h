#pragma once
// Writes the chart into a picture file, PNG, SVG or PDF by the file's extension, drawn by the
// same code that draws it in the window and on paper: the chart lays itself out for the
// picture's size and draws onto a painter of the file's device.
#include <QSize>
#include <QString>

#include <optional>

namespace varnotile {

class CurveChart;

enum class ChartFileFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (any case); nothing for other extensions.
std::optional<ChartFileFormat> ChartFileFormatOf(const QString& path);

// Writes `chart` to `path` as a picture of `size` pixels (the chart's size on screen when `size`
// is empty); an SVG or PDF holds the same picture as lines and text, its pixels as units.
// False with the reason in `*error` (when given) if the format is unknown or the file cannot be
// written; an existing file is then left as it was.
bool ExportChart(CurveChart& chart, const QString& path, QSize size, QString* error);

} // namespace varnotile
