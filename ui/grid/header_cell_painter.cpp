#include "header_cell_painter.h"

#include "number_text.h"
#include "qt_texts.h"
#include "time_range_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace varnotile {
namespace {

// Left offset of the header texts in a cell, and the room kept free on their right.
constexpr int kTextLeft = 2;
constexpr int kTextRight = 3;

// Writes `text` with its top-left corner at (x, y). A text wider than the room left in the cell
// ends in "…", so that a cut number never reads as another number.
void writeAt(QPainter& painter, const QRect& cell, int x, int y, const QString& text) {
    if (text.isEmpty()) return;
    const int room = cell.right() + 1 - x;
    if (room <= 0) return;
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, room);
    const QRect box(x, y, room, painter.fontMetrics().height());
    painter.drawText(box.intersected(cell), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
}

// The minimum and maximum lines of a numeric column (the row-number column shows its row range).
// A time column writes both ends in one form (each with its time of day when either has one).
QString rangeEnd(const DataSet& ds, int column, double value, double otherEnd) {
    const TimeKind time = static_cast<std::size_t>(column) < ds.Layout.ColumnTime.size() ? ds.Layout.ColumnTime[column]
                                                                                         : TimeKind::None;
    return QString::fromStdString(time == TimeKind::None ? ds.valueText(column, value)
                                                         : isoTimeTextAlike(value, time, otherEnd));
}

QString minimumLine(const DataSet& ds, int column) {
    if (column == 0) return QStringLiteral("min 1");
    return QStringLiteral("min ") + rangeEnd(ds, column, ds.Table.ColumnMin[column], ds.Table.ColumnMax[column]);
}

QString maximumLine(const DataSet& ds, int column) {
    if (column == 0) return QStringLiteral("max ") + QString::fromStdString(formatGeneral(ds.Layout.DataRowCount, ds.decimal()));
    return QStringLiteral("max ") + rangeEnd(ds, column, ds.Table.ColumnMax[column], ds.Table.ColumnMin[column]);
}

// The symbol glyphs of the header are drawn as shapes, so they look the same whatever fonts the
// system has. `size` is the glyph height of the grid font; the shapes sit where a symbol font
// glyph of that size would.
void drawColourMark(QPainter& painter, int left, int top, int size, const QColor& colour) {
    const double d = size * 0.62;
    const QRectF circle(left + 1.0, top + (size - d) / 2.0 + 1.0, d, d);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(circle);
    painter.restore();
}

void drawCurveBox(QPainter& painter, int left, int top, int size, bool checked, const QColor& colour) {
    const int side = std::max(7, static_cast<int>(size * 0.7 + 0.5));
    const QRectF box(left + 0.5, top + (size - side) / 2.0 + 1.5, side - 1.0, side - 1.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 1.0));
    painter.drawRect(box);
    if (checked) {
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.18, box.top() + box.height() * 0.52);
        tick.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.78);
        tick.lineTo(box.left() + box.width() * 0.84, box.top() + box.height() * 0.20);
        painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
    }
    painter.restore();
}

} // namespace


void paintHeaderCell(QPainter& painter, const QRect& cell, int column, const DataSet& ds, bool selected,
                     const QFont& font, const QPalette& palette) {
    if (column < 0 || column > ds.fieldSlots()) return;
    const auto k = static_cast<std::size_t>(column);

    painter.save();
    // The fixed cell as the grid draws it: face colour (the selection colour in a column
    // selected as a whole) with the grid lines on its right and bottom edges. The drawing below
    // stays inside the lines.
    painter.fillRect(cell, selected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Button));
    painter.setPen(palette.color(QPalette::Mid));
    painter.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
    painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());

    const QRect inner = cell.adjusted(0, 0, -1, -1);
    const int L = inner.left();
    const int T = inner.top();
    const int R = inner.right() + 1; // exclusive
    const int H = ds.View.HeaderLineHeight;
    painter.setClipRect(inner);
    painter.setFont(font);

    const QColor textColour = selected ? palette.color(QPalette::HighlightedText) : QColor(Qt::black);
    painter.setPen(textColour);
    const QRect textRoom = inner.adjusted(0, 0, -kTextRight, 0);
    writeAt(painter, textRoom, L + kTextLeft, T + 3 * H + 2,
            displayString(ds.Layout.ColumnNames[k], ds.File.FileIsUtf8));
    writeAt(painter, textRoom, L + kTextLeft, T + 4 * H + 2,
            displayString(ds.Layout.ColumnLabels[k], ds.File.FileIsUtf8));
    writeAt(painter, textRoom, L + kTextLeft, T + 5 * H + 2,
            displayString(ds.Layout.ColumnHeader3[k], ds.File.FileIsUtf8));

    if (!selected) painter.fillRect(QRect(L, T, R - L, 3 * H), Qt::white);

    if (column == ds.View.XColumn) writeAt(painter, inner, L + H + 17, T, QStringLiteral("X"));

    if (ds.Layout.ColumnIsNumeric[k]) {
        writeAt(painter, textRoom, L + kTextLeft, T + H - 2, minimumLine(ds, column));
        writeAt(painter, textRoom, L + kTextLeft, T + 2 * H - 2, maximumLine(ds, column));
        if (column > 0) {
            const int glyph = QFontMetrics(font).ascent();
            drawCurveBox(painter, L + 15, T, glyph, ds.View.CurveVisible[k], textColour);
            drawColourMark(painter, L, T, glyph, toQColor(ds.View.CurveColors[k]));
        }
    }

    painter.setPen(Qt::black);
    painter.drawLine(L + 2, T + 3 * H, R - 3, T + 3 * H);
    painter.restore();
}

int headerTextsWidth(const DataSet& ds, int column, const QFont& font) {
    if (column < 0 || column > ds.fieldSlots()) return 0;
    const auto k = static_cast<std::size_t>(column);
    const QFontMetricsF metrics(font);
    QStringList texts{displayString(ds.Layout.ColumnNames[k], ds.File.FileIsUtf8),
                      displayString(ds.Layout.ColumnLabels[k], ds.File.FileIsUtf8),
                      displayString(ds.Layout.ColumnHeader3[k], ds.File.FileIsUtf8)};
    if (ds.Layout.ColumnIsNumeric[k]) texts << minimumLine(ds, column) << maximumLine(ds, column);
    double widest = 0;
    for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
    // Fractional advances round up, or the text would just miss its room and end in "…"; the
    // grid line on the cell's right edge takes one more pixel.
    return widest > 0 ? kTextLeft + static_cast<int>(std::ceil(widest)) + 1 + kTextRight + 1 : 0;
}

} // namespace varnotile
