#include "data_grid_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace varnotile {

DataGridView::DataGridView(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("SGridData"));
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    verticalHeader()->setDefaultSectionSize(16);
    verticalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setDefaultSectionSize(64);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
}

void DataGridView::cellAt(const QPoint& viewPos, int& column, int& row) const {
    column = -1;
    row = -1;
    const QPoint vp = viewport()->mapFrom(this, viewPos);
    const QModelIndex index = indexAt(vp);
    if (index.isValid()) {
        column = index.column() + 1;
        row = index.row() + 1;
    }
}

void DataGridView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    QTableView::keyPressEvent(event);
    emit gridKeyPressed(key, mods);
}

void DataGridView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    int column, row;
    cellAt(viewport()->mapTo(this, event->position().toPoint()), column, row);
    emit gridMousePressed(event->button(), event->modifiers(), column, row);
}

void DataGridView::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    int column, row;
    cellAt(viewport()->mapTo(this, event->position().toPoint()), column, row);
    emit gridMouseMoved(event->buttons(), event->modifiers(), column, row);
}

void DataGridView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    emit gridMouseReleased();
}

void DataGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid()) emit gridCellSelected(current.column() + 1, current.row() + 1);
}

} // namespace varnotile
