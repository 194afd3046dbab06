// Editing commands of the main window: cell edits, undo, delete, modify.
#include "main_window.h"

#include "data_grid_model.h"
#include "data_grid_view.h"
#include "deletion.h"
#include "form_modify.h"
#include "modification.h"
#include "text_codec.h"
#include "undo_journal.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <vector>

namespace varnotile {

void MainWindow::createEditDialogs() {
    formModify_ = new FormModify(this);
    formModify_->setErrorSink([this](const QString& text) { showError(text); });
}

void MainWindow::SGridDataSelectCell(int column, int row) {
    beforeColumn_ = column;
    beforeRow_ = row;
    ds_.CellTextBefore = column >= 1 && row >= 1 ? ds_.cellText(column, row) : std::string();
    UpdateCaptionAndStatus();
}

void MainWindow::SGridDataSetEditText(int column, int row, const QString& value) {
    if (column < 1 || column > ds_.ColumnCount || row < 1 || row > ds_.DataRowCount) return;
    std::string text = storedText(value.toStdString(), ds_.FileIsUtf8);
    // The grid reports before it stores, so the cell's present text is the old one; should the
    // cell already hold the text, the text it had when it was selected is the old one.
    const std::string oldText = column == beforeColumn_ && row == beforeRow_ ? ds_.CellTextBefore : text;
    applyEditEffect(EditCell(ds_, column, row, std::move(text), oldText));
}

void MainWindow::menuUndoClick() {
    applyEditEffect(UndoLast(ds_));
    UpdateCaptionAndStatus();
}

void MainWindow::refreshCellTextBefore() {
    ds_.CellTextBefore = beforeColumn_ >= 1 && beforeRow_ >= 1 ? ds_.cellText(beforeColumn_, beforeRow_) : std::string();
}

void MainWindow::menuDeleteClick() { DeleteSelection(); }

void MainWindow::DeleteSelection() {
    const DeletionTarget target = ClassifySelection(ds_, gridSelection());
    if (target.kind == DeletionTarget::Kind::Column)
        DeleteColumn(target.column);
    else if (target.kind == DeletionTarget::Kind::Rows)
        DeleteRows(target.top, target.bottom);
    gridData_->horizontalScrollBar()->setValue(0);
}

void MainWindow::DeleteColumn(int k) {
    if (k < 1 || k > ds_.ColumnCount) return;
    const GridRect selection = gridSelection();
    const int width = gridData_->horizontalHeader()->sectionSize(k - 1);
    const EditEffect effect = varnotile::DeleteColumn(ds_, k, width);
    if (!effect.changed) return;
    applyEditEffect(effect);
    // A selection on the deleted column moves on to the next column.
    if (selection.Left == k && selection.Right == k) {
        const GridRect moved = SelectionAfterColumnDeletion(ds_, selection, k);
        if (!(moved == selection)) setSelectionRect(moved);
    }
}

void MainWindow::DeleteRows(int top, int bottom) {
    const GridRect selection = gridSelection();
    const EditEffect effect = varnotile::DeleteRows(ds_, top, bottom);
    if (!effect.changed) return;
    applyEditEffect(effect);
    // The grid keeps its selection where it was, within the rows that are left.
    GridRect kept = selection;
    kept.Top = std::min(kept.Top, ds_.DataRowCount);
    kept.Bottom = std::min(kept.Bottom, ds_.DataRowCount);
    if (kept.Bottom >= 1 && kept.Top >= 0) setSelectionRect(kept);
}

void MainWindow::MenuModifyClick() {
    const int k = commandColumn();
    if (k < 1 || k > ds_.ColumnCount || k > kFieldSlots) return;
    const auto slot = static_cast<std::size_t>(k);
    formModify_->FormShow(QString::fromStdString(displayText(ds_.ColumnNames[slot], ds_.FileIsUtf8)),
                          QString::fromStdString(displayText(ds_.ColumnLabels[slot], ds_.FileIsUtf8)),
                          ds_.ModifyFromRow, ds_.ModifyToRow, ds_.DataRowCount);
    ds_.ModifyConfirmed = false;
    // "Cancel" and the close box leave everything as it was; only "Modify" applies.
    if (formModify_->exec() != QDialog::Accepted) return;
    std::string name = storedText(formModify_->columnName().toStdString(), ds_.FileIsUtf8);
    std::string label = storedText(formModify_->columnLabel().toStdString(), ds_.FileIsUtf8);
    if (name != ds_.ColumnNames[slot] || label != ds_.ColumnLabels[slot]) ds_.HeaderTextsChanged = true;
    ds_.ColumnNames[slot] = std::move(name);
    ds_.ColumnLabels[slot] = std::move(label);
    const ModifyPlan plan = PlanModification(ds_, formModify_->request());
    EditEffect effect;
    if (plan.confirmed()) effect = ApplyModification(ds_, k, plan);
    applyEditEffect(effect);
    // The new name and label show at once in the header row and the chart titles.
    if (!effect.headerRow) RefreshHeaderRow();
    if (!effect.chartTitles) RebuildChartTitles();
    if (effect.unchangedResults > 0)
        showNotice(QStringLiteral("%1 new value(s) were out of range and could not be written; "
                                  "those cells were left unchanged.")
                       .arg(effect.unchangedResults));
}

void MainWindow::applyEditEffect(const EditEffect& effect) {
    if (!effect.changed) return;
    // An undo, a deletion or a modification may have changed the selected cell.
    refreshCellTextBefore();
    QHeaderView* header = gridData_->horizontalHeader();
    if (effect.rowCountChanged) {
        // A new row count resets the grid's model; the hidden columns and widths stay as they were.
        std::vector<int> widths;
        std::vector<bool> hidden;
        for (int c = 0; c < header->count(); ++c) {
            hidden.push_back(header->isSectionHidden(c));
            widths.push_back(hidden.back() ? 0 : header->sectionSize(c));
        }
        gridModel_->setGridSize(ds_.ColumnCount + 1, ds_.DataRowCount + 1);
        for (int c = 0; c < header->count() && c < static_cast<int>(widths.size()); ++c) {
            if (hidden[static_cast<std::size_t>(c)]) {
                header->hideSection(c);
            } else {
                if (header->isSectionHidden(c)) header->showSection(c);
                header->resizeSection(c, widths[static_cast<std::size_t>(c)]);
            }
        }
    }
    if (effect.hideColumn >= 1 && effect.hideColumn <= header->count()) header->hideSection(effect.hideColumn - 1);
    if (effect.showColumn >= 1 && effect.showColumn <= header->count()) {
        header->showSection(effect.showColumn - 1);
        header->resizeSection(effect.showColumn - 1, effect.showWidth > 0 ? effect.showWidth : header->defaultSectionSize());
    }
    if (effect.cellsColumn >= 0) gridModel_->cellsChanged(effect.cellsColumn == 0 ? -1 : effect.cellsColumn);
    if (effect.allCurves)
        ClearAllCurves();
    else if (effect.clearCurve > 0)
        ClearCurve(effect.clearCurve);
    if (effect.headerRow) RefreshHeaderRow();
    if (effect.allCurves)
        FillAllCurves();
    else if (effect.fillCurve > 0)
        FillCurve(effect.fillCurve);
    if (effect.chartTitles) RebuildChartTitles();
}

} // namespace varnotile
