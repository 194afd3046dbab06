#pragma once
// Drawing of one cell of the data grid's header row: the curve's colour mark and check box, the
// "X" of the X column, the column's minimum and maximum on a white band, a separator line and
// the column's name, label and third header text below it. A text too wide for its cell ends
// in "…".
#include "dataset.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

class QPainter;

namespace varnotile {

// Paints the header cell of grid column `column` (0 = row numbers) into `cell`. `selected` is
// true while the column is selected as a whole from the header row down: the cell then shows
// the selection colours instead of the white band. `font` is the grid's font, which also gives
// the line pitch `ds.View.HeaderLineHeight`.
void paintHeaderCell(QPainter& painter, const QRect& cell, int column, const DataSet& ds, bool selected,
                     const QFont& font, const QPalette& palette);

// The width a header cell of grid column `column` needs to show all its texts whole (minimum,
// maximum and the three header texts); 0 when it shows none.
int headerTextsWidth(const DataSet& ds, int column, const QFont& font);

} // namespace varnotile
