#include "data_grid_corner.h"

#include "header_cell_painter.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPainter>

namespace varnotile {

DataGridCorner::DataGridCorner(QAbstractButton* corner, QObject* parent) : QObject(parent), corner_(corner) {
    if (corner_) {
        corner_->setObjectName(QStringLiteral("SGridDataCorner"));
        corner_->installEventFilter(this);
        corner_->update();
    }
}

bool DataGridCorner::eventFilter(QObject* watched, QEvent* event) {
    if (watched != corner_ || event->type() != QEvent::Paint || !ds_) return QObject::eventFilter(watched, event);
    QPainter painter(corner_);
    const bool selected = wholeColumn_ && wholeColumn_(0);
    // The button's parent is the grid; its font and colours are the grid's.
    const QWidget* grid = corner_->parentWidget() ? corner_->parentWidget() : corner_;
    paintHeaderCell(painter, corner_->rect(), 0, *ds_, selected, grid->font(), grid->palette());
    return true;
}

} // namespace varnotile
