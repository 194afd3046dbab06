#include "data_grid_edit_delegate.h"

#include "data_grid_model.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QToolTip>

#include <limits>

namespace varnotile {

namespace {
// Properties kept on each editor: the cell it edits and the cell's text before the edit.
constexpr char kIndexProperty[] = "varnotileCell";
constexpr char kOriginalProperty[] = "varnotileOriginalText";

constexpr char kMarksProperty[] = "varnotileMarksBreaks";

void report(const QPersistentModelIndex& cell, const QString& text) {
    if (!cell.isValid()) return;
    const_cast<QAbstractItemModel*>(cell.model())->setData(cell, text, Qt::EditRole);
}

// A keystroke's text: taken at once when the cell would take it; otherwise (a date half typed)
// the editor shows why in red beside it, and only the committed text is judged (setModelData).
void reportKeystroke(QLineEdit* editor, const QPersistentModelIndex& cell, const QString& text) {
    const auto* model = cell.isValid() ? qobject_cast<const DataGridModel*>(cell.model()) : nullptr;
    const QString why = model ? model->refusal(cell, text) : QString();
    editor->setToolTip(why);
    editor->setStyleSheet(why.isEmpty() ? QString() : QStringLiteral("QLineEdit { color: #b00000; }"));
    if (why.isEmpty()) {
        QToolTip::hideText();
        report(cell, text);
    } else if (editor->isVisible()) {
        QToolTip::showText(editor->mapToGlobal(QPoint(0, editor->height())), why, editor);
    }
}

// A line edit holds one line: the line breaks of a text show as the grid's mark while it is
// edited, and the marks are line breaks again in the text stored. A text that holds the mark
// itself is edited as it is.
bool marksBreaks(const QWidget* editor) { return editor->property(kMarksProperty).toBool(); }
QString shownInEditor(QString text, bool marks) { return marks ? text.replace(QLatin1Char('\n'), kLineBreakMark) : text; }
QString storedFromEditor(QString text, bool marks) { return marks ? text.replace(kLineBreakMark, QLatin1Char('\n')) : text; }
} // namespace

QWidget* DataGridEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    // A line edit cuts its text at 32767 characters by default; a cell holds whatever its line
    // held, and a cut text would be stored back as the cell's new text.
    editor->setMaxLength(std::numeric_limits<int>::max());
    const QPersistentModelIndex cell(index);
    editor->setProperty(kIndexProperty, QVariant::fromValue(cell));
    const QString original = index.data(Qt::EditRole).toString();
    editor->setProperty(kOriginalProperty, original);
    const bool marks = original.contains(QLatin1Char('\n')) && !original.contains(kLineBreakMark);
    editor->setProperty(kMarksProperty, marks);
    connect(editor, &QLineEdit::textEdited, editor,
            [editor, cell, marks](const QString& text) { reportKeystroke(editor, cell, storedFromEditor(text, marks)); });
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
    const QString text = shownInEditor(index.data(Qt::EditRole).toString(), marksBreaks(line));
    if (line->text() != text) line->setText(text);
}

void DataGridEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, storedFromEditor(line->text(), marksBreaks(line)), Qt::EditRole);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

bool DataGridEditDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (auto* line = qobject_cast<QLineEdit*>(watched)) {
            const QString original = line->property(kOriginalProperty).toString();
            if (storedFromEditor(line->text(), marksBreaks(line)) != original) {
                const auto cell = line->property(kIndexProperty).value<QPersistentModelIndex>();
                line->setText(shownInEditor(original, marksBreaks(line)));
                report(cell, original);
            }
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

} // namespace varnotile
