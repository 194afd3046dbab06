#include "data_grid_row_header.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace varnotile {

namespace {
constexpr int kMinimumWidth = 64; // the grid's default column width
constexpr int kRowHeight = 16;
} // namespace

DataGridRowHeader::DataGridRowHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    setObjectName(QStringLiteral("SGridDataRowNumbers"));
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionsMovable(false);
    setMinimumSectionSize(10);
    setDefaultSectionSize(kRowHeight);
    setSectionResizeMode(QHeaderView::Fixed);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

QSize DataGridRowHeader::sizeHint() const {
    // Wide enough for the largest row number and for the header cell above, which shows it as
    // the column's maximum: 2 pixels left of the text, 3 right of it, 1 for the grid line, and
    // the fractional advance rounded up, or the number would end in "…".
    const QFontMetricsF metrics(font());
    const QString maximum = QStringLiteral("max ") + QString::number(std::max(1, count()));
    const int text = static_cast<int>(std::ceil(metrics.horizontalAdvance(maximum))) + 8;
    return {std::max(kMinimumWidth, text), defaultSectionSize()};
}

void DataGridRowHeader::paintEvent(QPaintEvent* event) {
    paintSelection_ = selection_ ? selection_() : GridRect{-1, -1, -1, -1};
    QHeaderView::paintEvent(event);
}

void DataGridRowHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    const int row = logicalIndex + 1;
    const GridRect& sel = paintSelection_;
    const bool selected = sel.Left == 0 && row >= sel.Top && row <= sel.Bottom;
    painter->save();
    painter->fillRect(rect, palette().color(selected ? QPalette::Highlight : QPalette::Button));
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    const QString text = model() ? model()->headerData(logicalIndex, Qt::Vertical, Qt::DisplayRole).toString() : QString();
    if (!text.isEmpty()) {
        painter->setPen(selected ? palette().color(QPalette::HighlightedText) : QColor(Qt::black));
        painter->drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    painter->restore();
}

} // namespace varnotile
