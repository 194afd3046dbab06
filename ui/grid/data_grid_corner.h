#pragma once
// Paints the header cell of the row-number column (grid cell 0, 0) on the table's top-left
// corner button, in place of the button's own look.
#include "dataset.h"

#include <QObject>

#include <functional>

class QAbstractButton;

namespace varnotile {

class DataGridCorner : public QObject {
    Q_OBJECT
public:
    // Takes over the painting of `corner`.
    explicit DataGridCorner(QAbstractButton* corner, QObject* parent = nullptr);

    void setDataSet(const DataSet* ds) { ds_ = ds; }
    void setWholeColumnQuery(std::function<bool(int)> query) { wholeColumn_ = std::move(query); }
    QAbstractButton* button() const { return corner_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractButton* corner_;
    const DataSet* ds_ = nullptr;
    std::function<bool(int)> wholeColumn_;
};

} // namespace varnotile
