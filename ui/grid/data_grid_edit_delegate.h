#pragma once
// The data grid's cell editor: a line edit that reports its text to the model at every change
// (so the program sees each keystroke), once more when the edit is committed, and the text from
// before the edit when the user cancels with Escape.
#include <QStyledItemDelegate>

namespace varnotile {

class DataGridEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace varnotile
