#include "data_grid_view.h"

#include "data_grid_corner.h"
#include "data_grid_edit_delegate.h"
#include "data_grid_header.h"
#include "data_grid_model.h"
#include "data_grid_row_header.h"
#include "qt_texts.h"
#include "selection_text.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace varnotile {

DataGridView::DataGridView(QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("SGridData"));
    header_ = new DataGridHeader(this);
    rowHeader_ = new DataGridRowHeader(this);
    setHorizontalHeader(header_);
    setVerticalHeader(rowHeader_);
    header_->setDefaultSectionSize(64);
    header_->setWholeColumnQuery([this](int column) { return isWholeColumnSelected(column); });
    rowHeader_->setSelectionQuery([this] { return gridSelection(); });
    corner_ = new DataGridCorner(cornerButton(), this);
    corner_->setWholeColumnQuery([this](int column) { return isWholeColumnSelected(column); });

    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    setItemDelegate(new DataGridEditDelegate(this));

    // Pointer events of the headers and the corner reach the grid's handlers; right presses on
    // them open the grid's context menu like right presses on the cells.
    for (QWidget* part : {header_->viewport(), rowHeader_->viewport(), static_cast<QWidget*>(cornerButton())}) {
        if (!part) continue;
        part->installEventFilter(this);
    }
    for (QWidget* part : {static_cast<QWidget*>(header_), static_cast<QWidget*>(rowHeader_),
                          static_cast<QWidget*>(cornerButton())}) {
        if (!part) continue;
        part->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(part, &QWidget::customContextMenuRequested, this, [this, part](const QPoint& pos) {
            QPoint local = pos;
            if (auto* area = qobject_cast<QAbstractScrollArea*>(part)) local = area->viewport()->mapTo(part, pos);
            emit customContextMenuRequested(part->mapTo(this, local));
        });
    }
}

void DataGridView::setHeaderDataSet(const DataSet* ds) {
    header_->setDataSet(ds);
    corner_->setDataSet(ds);
}

QAbstractButton* DataGridView::cornerButton() const {
    return findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
}

void DataGridView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    const auto* gridModel = qobject_cast<DataGridModel*>(model);
    setHeaderDataSet(gridModel ? &gridModel->dataSet() : nullptr);
    rowHeader_->setSectionResizeMode(QHeaderView::Fixed);
    programRectValid_ = false;
    if (selectionModel()) {
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &DataGridView::userSelectionChanged);
    }
    if (model) {
        // A new table drops the selection the program had set.
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            programRectValid_ = false;
            updateHeaders();
        });
    }
}

void DataGridView::cellAt(const QPoint& viewPos, int& column, int& row) const {
    cellAtGlobal(mapToGlobal(viewPos), column, row);
}

void DataGridView::cellAtGlobal(const QPoint& globalPos, int& column, int& row) const {
    column = -1;
    row = -1;
    const QPoint pos = mapFromGlobal(globalPos);
    const QAbstractButton* corner = cornerButton();
    if (corner && corner->isVisible() && corner->geometry().contains(pos)) {
        column = 0;
        row = 0;
        return;
    }
    if (!header_->isHidden() && header_->geometry().contains(pos)) {
        const int section = header_->logicalIndexAt(header_->viewport()->mapFromGlobal(globalPos).x());
        if (section >= 0) {
            column = section + 1;
            row = 0;
        }
        return;
    }
    if (!rowHeader_->isHidden() && rowHeader_->geometry().contains(pos)) {
        const int section = rowHeader_->logicalIndexAt(rowHeader_->viewport()->mapFromGlobal(globalPos).y());
        if (section >= 0) {
            column = 0;
            row = section + 1;
        }
        return;
    }
    const QPoint vp = viewport()->mapFromGlobal(globalPos);
    if (!viewport()->rect().contains(vp)) return;
    const QModelIndex index = indexAt(vp);
    if (index.isValid()) {
        column = index.column() + 1;
        row = index.row() + 1;
    }
}

int DataGridView::gridRowCount() const { return model() ? model()->rowCount() + 1 : 1; }
int DataGridView::gridColumnCount() const { return model() ? model()->columnCount() + 1 : 1; }

GridRect DataGridView::gridSelection() const {
    if (programRectValid_) return programRect_;
    GridRect rect{1, 1, 1, 1};
    const QItemSelectionModel* selection = selectionModel();
    if (!selection) return rect;
    const QItemSelection ranges = selection->selection();
    if (ranges.isEmpty()) {
        const QModelIndex current = selection->currentIndex();
        if (current.isValid()) rect = {current.column() + 1, current.row() + 1, current.column() + 1, current.row() + 1};
        return rect;
    }
    int left = ranges.first().left(), top = ranges.first().top();
    int right = ranges.first().right(), bottom = ranges.first().bottom();
    for (const QItemSelectionRange& range : ranges) {
        left = std::min(left, range.left());
        top = std::min(top, range.top());
        right = std::max(right, range.right());
        bottom = std::max(bottom, range.bottom());
    }
    return {left + 1, top + 1, right + 1, bottom + 1};
}

void DataGridView::setGridSelection(const GridRect& rect) {
    QItemSelectionModel* selection = selectionModel();
    if (selection && model()) {
        const int columns = model()->columnCount();
        const int rows = model()->rowCount();
        // Model cells covered by the rectangle; the header row, the row-number column and edges
        // one past the table have no model cells.
        const int left = std::max(rect.Left, 1) - 1;
        const int right = std::min(rect.Right, columns) - 1;
        const int top = std::max(rect.Top, 1) - 1;
        const int bottom = std::min(rect.Bottom, rows) - 1;
        QItemSelection cells;
        if (left <= right && top <= bottom) cells.select(model()->index(top, left), model()->index(bottom, right));
        applyingSelection_ = true;
        selection->select(cells, QItemSelectionModel::ClearAndSelect);
        if (rect.Left == rect.Right && rect.Top == rect.Bottom && left == right && top == bottom && left >= 0 &&
            top >= 0) {
            // A single cell also becomes the current cell.
            const QModelIndex cell = model()->index(top, left);
            if (selection->currentIndex() != cell) selection->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
        }
        applyingSelection_ = false;
    }
    programRect_ = rect;
    programRectValid_ = true;
    updateHeaders();
}

bool DataGridView::isWholeColumnSelected(int column) const {
    const GridRect sel = gridSelection();
    return sel.Top == 0 && sel.Left == column && sel.Right == column;
}

void DataGridView::userSelectionChanged() {
    if (applyingSelection_) return;
    programRectValid_ = false;
    updateHeaders();
}

void DataGridView::updateHeaders() {
    header_->viewport()->update();
    rowHeader_->viewport()->update();
    if (QAbstractButton* corner = cornerButton()) corner->update();
}

void DataGridView::setHeaderRowHeight(int height) {
    headerRowHeight_ = height;
    header_->setFixedHeight(height);
    updateGeometries();
    repaintHeaderRow();
}

void DataGridView::repaintHeaderRow() {
    header_->viewport()->update();
    if (QAbstractButton* corner = cornerButton()) corner->update();
}

void DataGridView::fitColumnsToHeaderTexts() { header_->fitSectionsToHeaderTexts(); }

int DataGridView::firstVisibleRow() const {
    const int logical = rowHeader_->logicalIndexAt(0);
    if (logical < 0) return 0;
    // Scrolled to its end, the grid shows its last row whole at the bottom and cuts off the top
    // one: the first row shown whole is the one below it.
    const bool cutOff = rowHeader_->sectionViewportPosition(logical) < 0 && logical + 1 < rowHeader_->count();
    return logical + (cutOff ? 2 : 1);
}

void DataGridView::setFirstVisibleRow(int row) {
    verticalScrollBar()->setValue(std::max(0, row - 1));
}

bool DataGridView::scrolledToEnd() const {
    return verticalScrollBar()->maximum() > 0 && verticalScrollBar()->value() == verticalScrollBar()->maximum();
}

int DataGridView::fullyVisibleRowCount() const {
    const int height = std::max(1, rowHeader_->defaultSectionSize());
    return std::max(1, viewport()->height() / height);
}

bool DataGridView::eventFilter(QObject* watched, QEvent* event) {
    const bool onHeader = watched == header_->viewport();
    const bool onRows = watched == rowHeader_->viewport();
    const bool onCorner = cornerButton() && watched == cornerButton();
    if (!onHeader && !onRows && !onCorner) return QTableView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A press on a column border resizes the column and is the header's alone; a double
        // click there changes nothing (the header would size the column to its empty texts).
        if (onHeader && mouse->button() == Qt::LeftButton && header_->isOnSectionBorder(mouse->position().toPoint().x()))
            return event->type() == QEvent::MouseButtonDblClick;
        // Like a press on a cell, a press on a header ends an edit in progress.
        setFocus(Qt::MouseFocusReason);
        emitPress(mouse);
        return true;
    }
    case QEvent::MouseMove:
        emitMove(static_cast<QMouseEvent*>(event));
        return onCorner;
    case QEvent::MouseButtonRelease:
        emit gridMouseReleased();
        return onCorner || onRows;
    default:
        return false;
    }
}

bool DataGridView::viewportEvent(QEvent* event) {
    // Context menu requests from the cells carry view coordinates, as those of the headers do.
    if (event->type() == QEvent::ContextMenu && contextMenuPolicy() == Qt::CustomContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        emit customContextMenuRequested(viewport()->mapTo(this, menuEvent->pos()));
        return true;
    }
    return QTableView::viewportEvent(event);
}

void DataGridView::emitPress(const QMouseEvent* event) {
    int column, row;
    cellAtGlobal(event->globalPosition().toPoint(), column, row);
    emit gridMousePressed(event->button(), event->modifiers(), column, row);
}

void DataGridView::emitMove(const QMouseEvent* event) {
    int column, row;
    cellAtGlobal(event->globalPosition().toPoint(), column, row);
    emit gridMouseMoved(event->buttons(), event->modifiers(), column, row);
}

void DataGridView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    // The view itself would copy the current cell alone.
    if (event->matches(QKeySequence::Copy))
        copySelection();
    else if (key == Qt::Key_Space && mods == Qt::ControlModifier)
        ; // chooses the column (the window's key handler), never opens the editor
    else
        QTableView::keyPressEvent(event);
    emit gridKeyPressed(key, mods);
}

void DataGridView::copySelection() {
    const auto* gridModel = qobject_cast<const DataGridModel*>(model());
    if (!gridModel || gridModel->dataSet().Table.Cells.rowCount() == 0) return;
    const DataSet& ds = gridModel->dataSet();
    QGuiApplication::clipboard()->setText(displayString(SelectionText(ds, gridSelection()), ds.File.FileIsUtf8));
}

void DataGridView::mousePressEvent(QMouseEvent* event) {
    // Only a plain left press changes the grid's selection: it makes the pressed cell current
    // and the whole selection. The pointer never makes ranges.
    if (event->button() == Qt::LeftButton) {
        // The view would leave a range standing when the press lands inside it; the pressed cell
        // alone is selected at once, and a press on the current cell still opens its editor.
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && selectionModel()) {
            if (index == currentIndex())
                selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
            else
                selectionModel()->clearSelection();
        }
        QMouseEvent plain(event->type(), event->position(), event->scenePosition(), event->globalPosition(),
                          event->button(), event->buttons(), Qt::NoModifier, event->pointingDevice());
        QTableView::mousePressEvent(&plain);
    } else {
        setFocus(Qt::MouseFocusReason);
    }
    emitPress(event);
}

void DataGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) QTableView::mouseDoubleClickEvent(event);
    emitPress(event);
}

void DataGridView::mouseMoveEvent(QMouseEvent* event) {
    // Dragging over the cells selects nothing.
    if (event->buttons() == Qt::NoButton) QTableView::mouseMoveEvent(event);
    emitMove(event);
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
