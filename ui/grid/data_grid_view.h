#pragma once
// The data grid SGridData: a table view whose horizontal header is the drawn header row and
// whose vertical header holds the row numbers. Pointer and key events reach the main window in
// grid coordinates (row 0 = header row, column 0 = row numbers, -1 = off the cells), from the
// cells, both headers and the top-left corner alike. The view keeps the selection rectangle the
// program sets, edges included, until the user changes the selection.
#include "dataset.h"

#include <QTableView>

class QAbstractButton;

namespace varnotile {

class DataGridHeader;
class DataGridRowHeader;
class DataGridCorner;
class DataGridModel;

class DataGridView : public QTableView {
    Q_OBJECT
public:
    explicit DataGridView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    // The data set the header row and the corner draw from (setModel sets the model's): a
    // stand-in while the model's is being replaced on another thread.
    void setHeaderDataSet(const DataSet* ds);

    // Grid cell under a point of the view's own coordinates; (-1, -1) off the cells.
    void cellAt(const QPoint& viewPos, int& column, int& row) const;
    void cellAtGlobal(const QPoint& globalPos, int& column, int& row) const;

    // Grid size in grid coordinates (header row and row-number column included).
    int gridRowCount() const;
    int gridColumnCount() const;

    // The selection rectangle in grid coordinates. A rectangle set with setGridSelection is
    // reported exactly as set until the view's selection changes; otherwise the selected data
    // cells (or the current cell) are reported.
    GridRect gridSelection() const;
    void setGridSelection(const GridRect& rect);
    // True while grid column k is selected as a whole from the header row down.
    bool isWholeColumnSelected(int column) const;

    // Height of the drawn header row in pixels.
    int headerRowHeight() const { return headerRowHeight_; }
    void setHeaderRowHeight(int height);
    // Repaints the header row (and the row-number column's header cell).
    void repaintHeaderRow();
    // Widths after a load: numeric columns as wide as their header texts need (within a limit),
    // other columns the default; columns the user resized by hand keep their width.
    void fitColumnsToHeaderTexts();

    // Vertical scrolling by whole rows: the first data row shown whole (1-based) and the number of
    // rows shown completely.
    int firstVisibleRow() const;
    void setFirstVisibleRow(int row);
    int fullyVisibleRowCount() const;
    // Scrolled down as far as it goes: the last row is shown whole at the bottom and the top row
    // may be cut off, so every row stands half a row higher than before.
    bool scrolledToEnd() const;

    DataGridHeader* headerRow() const { return header_; }
    DataGridRowHeader* rowNumbers() const { return rowHeader_; }
    QAbstractButton* cornerButton() const;

signals:
    void gridMousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column, int row);
    void gridMouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int column, int row);
    void gridMouseReleased();
    void gridKeyPressed(int key, Qt::KeyboardModifiers modifiers);
    void gridCellSelected(int column, int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    // Ctrl+C: the selected cells as tab-separated text on the clipboard.
    void copySelection();
    void userSelectionChanged();
    void emitPress(const QMouseEvent* event);
    void emitMove(const QMouseEvent* event);
    void updateHeaders();

    DataGridHeader* header_ = nullptr;
    DataGridRowHeader* rowHeader_ = nullptr;
    DataGridCorner* corner_ = nullptr;
    int headerRowHeight_ = 0;
    GridRect programRect_;
    bool programRectValid_ = false;
    bool applyingSelection_ = false;
};

} // namespace varnotile
