#pragma once
// The data grid SGridData: a table view whose horizontal header is the drawn header row and
// whose vertical header holds the row numbers. Pointer and key events reach the main window in
// grid coordinates (row 0 = header row, column 0 = row numbers, -1 = off the cells).
#include <QTableView>

namespace varnotile {

class DataGridView : public QTableView {
    Q_OBJECT
public:
    explicit DataGridView(QWidget* parent = nullptr);

    // Grid cell under a point of the view's own coordinates; (-1, -1) off the cells.
    void cellAt(const QPoint& viewPos, int& column, int& row) const;

signals:
    void gridMousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column, int row);
    void gridMouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int column, int row);
    void gridMouseReleased();
    void gridKeyPressed(int key, Qt::KeyboardModifiers modifiers);
    void gridCellSelected(int column, int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};

} // namespace varnotile
