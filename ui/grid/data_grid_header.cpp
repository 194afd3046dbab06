#include "data_grid_header.h"

#include "header_cell_painter.h"

#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace varnotile {

DataGridHeader::DataGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("SGridDataHeader"));
    // Presses select through the grid's own handler, never through the header.
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionsMovable(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(0);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    // Only presses on a column border reach the header's own handlers (the grid takes all
    // others), so a resize during a press is the user's.
    connect(this, &QHeaderView::sectionResized, this, [this](int logicalIndex) {
        if (dragging_) sizedByHand_.insert(logicalIndex);
    });
}

void DataGridHeader::mousePressEvent(QMouseEvent* event) {
    dragging_ = true;
    QHeaderView::mousePressEvent(event);
}

void DataGridHeader::mouseReleaseEvent(QMouseEvent* event) {
    QHeaderView::mouseReleaseEvent(event);
    dragging_ = false;
}

void DataGridHeader::fitSectionsToHeaderTexts() {
    if (!ds_) return;
    const bool wasDragging = dragging_;
    dragging_ = false;
    for (int logical = 0; logical < count(); ++logical) {
        if (sizedByHand_.contains(logical) || isSectionHidden(logical)) continue;
        const int column = logical + 1;
        int width = defaultSectionSize();
        if (column <= ds_->fieldSlots() && ds_->Layout.ColumnIsNumeric[column])
            width = std::clamp(headerTextsWidth(*ds_, column, font()), width, std::max(width, kWidestFittedColumn));
        if (sectionSize(logical) != width) resizeSection(logical, width);
    }
    dragging_ = wasDragging;
}

bool DataGridHeader::isOnSectionBorder(int x) const {
    const int logical = logicalIndexAt(x);
    if (logical < 0) return false;
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    const int pos = x - sectionViewportPosition(logical);
    if (pos < grip) {
        // The left border belongs to the previous visible section.
        for (int visual = visualIndex(logical) - 1; visual >= 0; --visual) {
            const int before = this->logicalIndex(visual);
            if (!isSectionHidden(before)) return sectionResizeMode(before) == QHeaderView::Interactive;
        }
        // Hidden (width 0) sections at the very left can still be widened from this border.
        return visualIndex(logical) > 0;
    }
    if (sectionSize(logical) - pos <= grip) return sectionResizeMode(logical) == QHeaderView::Interactive;
    return false;
}

void DataGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    if (!ds_) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    const int column = logicalIndex + 1;
    const bool selected = wholeColumn_ && wholeColumn_(column);
    paintHeaderCell(*painter, rect, column, *ds_, selected, font(), palette());
}

} // namespace varnotile
