#pragma once
// The data grid's row-number column. Rows are all the same height, and the width follows the
// largest row number, so nothing is measured row by row even for a million rows.
#include "dataset.h"

#include <QHeaderView>

#include <functional>

namespace varnotile {

class DataGridRowHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit DataGridRowHeader(QWidget* parent = nullptr);

    // The grid's selection in grid coordinates; row numbers inside a selection that includes
    // column 0 are drawn as selected.
    void setSelectionQuery(std::function<GridRect()> query) { selection_ = std::move(query); }

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<GridRect()> selection_;
    mutable GridRect paintSelection_; // taken once per paint
};

} // namespace varnotile
