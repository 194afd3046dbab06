// Editing commands of the main window: cell edits, undo, delete, modify.
#include "main_window.h"

#include "data_grid_model.h"
#include "data_grid_view.h"
#include "cell_editing.h"
#include "deletion.h"
#include "text_codec.h"
#include "form_modify.h"
#include "modification.h"
#include "qt_texts.h"
#include "undo_journal.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

namespace varnotile {

void MainWindow::createEditDialogs() {
    formModify_ = new FormModify(this);
    formModify_->setErrorSink([this](const QString& text) { showError(text); });
}

// A new current cell changes only what the status line says; an edit reads its former text from
// the cell itself when it is stored.
void MainWindow::SGridDataSelectCell(int /*column*/, int /*row*/) {
    UpdateCaptionAndStatus();
}

void MainWindow::SGridDataSetEditText(int column, int row, const QString& value) {
    if (work_.busy()) return;
    // The data set stores the text, journals the change from the cell's present text and tells
    // the grid, the header row and the chart what changed.
    std::string text = storedBytes(value, ds_.File.FileIsUtf8);
    if (const std::optional<std::string> why = RefusedCellText(ds_, column, text)) {
        showError(QString::fromStdString(displayText(*why, ds_.File.FileIsUtf8)));
        return;
    }
    EditCell(ds_, column, row, std::move(text));
}

void MainWindow::menuUndoClick() {
    if (work_.busy()) return;
    UndoLast(ds_);
    UpdateCaptionAndStatus();
}

void MainWindow::menuRedoClick() {
    if (work_.busy()) return;
    RedoNext(ds_);
    UpdateCaptionAndStatus();
}

void MainWindow::enableRedo() { menuRedo_->setEnabled(ds_.Journal.canRedo()); }

void MainWindow::menuDeleteClick() {
    if (!work_.busy()) DeleteSelection();
}

void MainWindow::DeleteSelection() {
    const DeletionTarget target = ClassifySelection(ds_, gridSelection());
    if (target.kind == DeletionTarget::Kind::Column)
        DeleteColumn(target.column);
    else if (target.kind == DeletionTarget::Kind::Rows)
        DeleteRows(target.top, target.bottom);
    gridData_->horizontalScrollBar()->setValue(0);
}

void MainWindow::DeleteColumn(int k) {
    if (k < 1 || k > ds_.Layout.ColumnCount) return;
    const GridRect selection = gridSelection();
    const int width = gridData_->horizontalHeader()->sectionSize(k - 1);
    if (!varnotile::DeleteColumn(ds_, k, width)) return;
    // A selection on the deleted column moves on to the next column.
    if (selection.Left == k && selection.Right == k) {
        const GridRect moved = SelectionAfterColumnDeletion(ds_, selection, k);
        if (!(moved == selection)) setSelectionRect(moved);
    }
}

void MainWindow::DeleteRows(int top, int bottom) {
    const GridRect selection = gridSelection();
    if (!varnotile::DeleteRows(ds_, top, bottom)) return;
    // The grid keeps its selection where it was, within the rows that are left.
    GridRect kept = selection;
    kept.Top = std::min(kept.Top, ds_.Layout.DataRowCount);
    kept.Bottom = std::min(kept.Bottom, ds_.Layout.DataRowCount);
    if (kept.Bottom >= 1 && kept.Top >= 0) setSelectionRect(kept);
}

void MainWindow::MenuModifyClick() {
    if (work_.busy()) return;
    const int k = commandColumn();
    if (k < 1 || k > ds_.Layout.ColumnCount || k > ds_.fieldSlots()) return;
    const auto slot = static_cast<std::size_t>(k);
    formModify_->FormShow(displayString(ds_.Layout.ColumnNames[slot], ds_.File.FileIsUtf8),
                          displayString(ds_.Layout.ColumnLabels[slot], ds_.File.FileIsUtf8),
                          ds_.Edit.ModifyFromRow, ds_.Edit.ModifyToRow, ds_.Layout.DataRowCount, ds_.decimal());
    // "Cancel" and the close box leave everything as it was; only "Modify" applies.
    if (formModify_->exec() != QDialog::Accepted) return;
    std::string name = storedBytes(formModify_->columnName(), ds_.File.FileIsUtf8);
    std::string label = storedBytes(formModify_->columnLabel(), ds_.File.FileIsUtf8);
    const ModifyRequest request = formModify_->request();
    const std::optional<std::string> refused = RefusedTimeModification(ds_, k, request);
    if (refused) showError(QString::fromStdString(*refused));
    const ModifyPlan plan = refused ? ModifyPlan{} : PlanModification(ds_, request);
    ModifyResult result;
    {
        // The new name, the label and the new values reach the header row and the chart at once.
        const ChangeScope scope(ds_.Changes);
        RenameColumn(ds_, k, std::move(name), std::move(label));
        if (plan.confirmed()) result = ApplyModification(ds_, k, plan);
    }
    if (result.unchangedResults > 0)
        showNotice(QStringLiteral("%1 new value(s) were out of range and could not be written; "
                                  "those cells were left unchanged.")
                       .arg(result.unchangedResults));
}

} // namespace varnotile
