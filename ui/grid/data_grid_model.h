#pragma once
// The data grid's model: a view over the data set's cell table. Model row r-1 is data row r and
// model column j-1 is data column j; the header row (row 0) and the row numbers (column 0) are
// the view's header sections.
#include "dataset.h"

#include <QAbstractTableModel>

namespace varnotile {

class DataGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataGridModel(DataSet& ds, QObject* parent = nullptr);

    const DataSet& dataSet() const { return ds_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Grid size in grid coordinates (header row and row-number column included), as the grid
    // shows it: 11 x 10 before a load, ColumnCount+1 x DataRowCount+1 after.
    int gridRowCount() const { return rows_ + 1; }
    int gridColumnCount() const { return columns_ + 1; }
    // Sets the grid's size (grid coordinates) and tells the views.
    void setGridSize(int gridColumns, int gridRows);
    // The cells changed without a change of size (an edit, an undo, a modification).
    void cellsChanged(int column = -1);
    // The whole table changed (a load or a deletion).
    void tableReset();

signals:
    // The user's text for cell (column, row) in grid coordinates, reported at every change of
    // the editor's text before the model stores it in the cell; the main window applies it.
    void cellTextEdited(int column, int row, const QString& text);

private:
    DataSet& ds_;
    int rows_ = 9;     // data rows shown
    int columns_ = 10; // data columns shown
};

} // namespace varnotile
