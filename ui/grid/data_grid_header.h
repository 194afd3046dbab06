#pragma once
// The data grid's header row: one drawn header cell per data column (colour mark, curve box,
// "X", minimum and maximum, separator, header texts). Its height is set by the program; a press
// on a column border resizes the column, every other press is the grid's to handle.
#include "dataset.h"

#include <QHeaderView>
#include <QSet>

#include <functional>

namespace varnotile {

class DataGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit DataGridHeader(QWidget* parent = nullptr);

    void setDataSet(const DataSet* ds) { ds_ = ds; }
    // Tells whether grid column k is selected as a whole from the header row down.
    void setWholeColumnQuery(std::function<bool(int)> query) { wholeColumn_ = std::move(query); }
    // True when x (viewport coordinates) lies on a border where a drag resizes a column.
    bool isOnSectionBorder(int x) const;

    // Gives every column the user has not resized by hand the default width, or, for a numeric
    // column, the width its header texts need, up to kWidestFittedColumn (wider texts end in
    // "…"). Columns resized by hand keep their width.
    void fitSectionsToHeaderTexts();
    static constexpr int kWidestFittedColumn = 200;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const DataSet* ds_ = nullptr;
    std::function<bool(int)> wholeColumn_;
    bool dragging_ = false;     // a press on a column border is being dragged
    QSet<int> sizedByHand_;     // sections the user has resized by dragging a border
};

} // namespace varnotile
