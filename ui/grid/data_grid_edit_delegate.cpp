#include "data_grid_edit_delegate.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>

#include <limits>

namespace varnotile {

namespace {
// Properties kept on each editor: the cell it edits and the cell's text before the edit.
constexpr char kIndexProperty[] = "varnotileCell";
constexpr char kOriginalProperty[] = "varnotileOriginalText";

void report(const QPersistentModelIndex& cell, const QString& text) {
    if (!cell.isValid()) return;
    const_cast<QAbstractItemModel*>(cell.model())->setData(cell, text, Qt::EditRole);
}
} // namespace

QWidget* DataGridEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    // A line edit cuts its text at 32767 characters by default; a cell holds whatever its line
    // held, and a cut text would be stored back as the cell's new text.
    editor->setMaxLength(std::numeric_limits<int>::max());
    const QPersistentModelIndex cell(index);
    editor->setProperty(kIndexProperty, QVariant::fromValue(cell));
    editor->setProperty(kOriginalProperty, index.data(Qt::EditRole).toString());
    connect(editor, &QLineEdit::textEdited, editor, [cell](const QString& text) { report(cell, text); });
    return editor;
}

void DataGridEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) {
        QStyledItemDelegate::setEditorData(editor, index);
        return;
    }
    // Every reported keystroke changes the cell and so comes back here; the editor already
    // shows that text, and setting it again would move the cursor.
    const QString text = index.data(Qt::EditRole).toString();
    if (line->text() != text) line->setText(text);
}

void DataGridEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, line->text(), Qt::EditRole);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

bool DataGridEditDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (auto* line = qobject_cast<QLineEdit*>(watched)) {
            const QString original = line->property(kOriginalProperty).toString();
            if (line->text() != original) {
                const auto cell = line->property(kIndexProperty).value<QPersistentModelIndex>();
                line->setText(original);
                report(cell, original);
            }
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace varnotile
