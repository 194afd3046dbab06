#pragma once
// The data grid's model: a view over the data set's cell table. Model row r-1 is data row r and
// model column j-1 is data column j; the header row (row 0) and the row numbers (column 0) are
// the view's header sections.
#include "dataset.h"
#include "dataset_changes.h"

#include <QAbstractTableModel>

#include <functional>

namespace varnotile {

// What a cell shows in place of a line break its text holds (the text itself keeps the break).
inline constexpr QChar kLineBreakMark{0x21B5};

class DataGridModel : public QAbstractTableModel, private DataSetObserver {
    Q_OBJECT
public:
    explicit DataGridModel(DataSet& ds, QObject* parent = nullptr);
    ~DataGridModel() override;

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
    // The whole table changed (a load).
    void tableReset();
    // Whether cells may be edited now (a save reads the table meanwhile): while the gate says
    // no, no cell is editable and setData() changes nothing, whoever calls it.
    void setEditGate(std::function<bool()> gate) { editGate_ = std::move(gate); }
    // Why `text` would be refused as the text of `index` (empty: it would be taken).
    QString refusal(const QModelIndex& index, const QString& text) const;
    // Told why an edited text was refused (a time column's cell that reads as no time).
    void setRefusalSink(std::function<void(const QString&)> sink) { refusalSink_ = std::move(sink); }

private:
    // The data set's changes become the model's own signals; only a load resets the model.
    void cellsChanged(int column, int firstRow, int lastRow) override;
    void aboutToRemoveRows(int firstRow, int lastRow) override;
    void rowsRemoved(int firstRow, int lastRow) override;
    void aboutToInsertRows(int firstRow, int lastRow) override;
    void rowsInserted(int firstRow, int lastRow) override;
    void tableReplaced() override;

    DataSet& ds_;
    int rows_ = 9;     // data rows shown
    int columns_ = 10; // data columns shown
    int rowsComing_ = 0; // rows announced as about to be removed (negative) or inserted
    std::function<bool()> editGate_;
    std::function<void(const QString&)> refusalSink_;
};

} // namespace varnotile
