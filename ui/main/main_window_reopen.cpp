// "Reopen as...": the shown file read again the way the user sets in the dialog, with a preview.
#include "main_window.h"

#include "date_time_axis.h"
#include "form_reopen.h"
#include "proposal_bar.h"

#include <QFileInfo>

namespace varnotile {

void MainWindow::menuReopenAsClick() {
    if (work_.busy()) return;
    const std::string path = ds_.File.CurrentFileName;
    if (path.empty() || ds_.File.LineCount == 0) {
        showError(QStringLiteral("No file is shown: open one first with \"Open...\"."));
        return;
    }
    if (!formReopen_) formReopen_ = new FormReopen(this);
    formReopen_->showFile(QFileInfo(QString::fromStdString(path)).fileName(), ds_.File.FileLines, CurrentChoice(ds_),
                          ProposedChoice(ds_), ds_.DecimalSeparator, ds_.File.FileIsUtf8);
    if (formReopen_->exec() != QDialog::Accepted) return;
    const ReadingChoice choice = formReopen_->chosen();
    // Reading the file again drops the edits: they are offered for saving first.
    if (!offerToSaveChanges(true)) return;
    readingChoices_[path] = choice;
    LoadDataFile();
    // A time axis asked for is drawn at once.
    if (ds_.Layout.DateTimeAxisColumn != 0 && !DateTimeAxisShown(ds_)) {
        ds_.View.XColumn = ds_.Layout.DateTimeAxisColumn;
        ClearAllCurves();
        FillAllCurves();
        RefreshHeaderRow();
    }
}

} // namespace varnotile
