// Auxiliary commands of the main window: page setup, printing, file viewer, help, about.
#include "main_window.h"

#include "busy_cursor.h"
#include "chart_export.h"
#include "chart_printer.h"
#include "curve_chart.h"
#include "form_about.h"
#include "form_file_view.h"
#include "form_preprint.h"
#include "help_file.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace varnotile {

void MainWindow::createAuxDialogs() {
    form1_ = new FormFileView(this);
    formAbout_ = new FormAbout(this);
    formPreprint_ = new FormPreprint(ds_, this);
    connect(formPreprint_, &FormPreprint::printRequested, this, [this] {
        ApplyPrintMargins();
        PrintChart();
    });
    connect(formPreprint_, &FormPreprint::closing, this, &MainWindow::ApplyPrintMargins);
}

void MainWindow::ApplyPrintMargins() {
    chartPrintMargins_.Left = ds_.Page.PageMargins.Left;
    chartPrintMargins_.Top = ds_.Page.PageMargins.Top;
    chartPrintMargins_.Right = ds_.Page.PageMargins.Right;
    chartPrintMargins_.Bottom = ds_.Page.PageMargins.Bottom;
}

void MainWindow::PrintChart() {
    if (!printer1_) printer1_ = std::make_shared<QPrinter>();
    // Over the Page Setup dialog when its "Print" button asked, else over the main window.
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    QPrintDialog dialog(printer1_.get(), owner);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintChartOn(*printer1_);
}

bool MainWindow::PrintChartOn(QPrinter& printer) {
    const ChartPrintResult result = [&] {
        const BusyCursor busy;
        return printChartPage(printer, *chart_, chartPrintMargins_, ds_.Page.LandscapeOrientation);
    }();
    if (!result.ok()) showError(result.error);
    return result.ok();
}

void MainWindow::menuPageSetupClick() { formPreprint_->exec(); }

void MainWindow::menuPrintClick() { PrintChart(); }

void MainWindow::menuExportChartClick() {
    QFileDialog dialog(this, QStringLiteral("Export Chart"));
    dialog.setObjectName(QStringLiteral("ExportDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("PNG picture (*.png)"), QStringLiteral("SVG picture (*.svg)"),
                           QStringLiteral("PDF document (*.pdf)")});
    dialog.setDefaultSuffix(QStringLiteral("png"));
    // A name typed without an extension takes the chosen filter's.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.section(QStringLiteral("*."), 1).left(3));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();

    const QString onScreen = QStringLiteral("Size of the chart on screen");
    QInputDialog sizeDialog(this);
    sizeDialog.setObjectName(QStringLiteral("ExportSizeDialog1"));
    sizeDialog.setWindowTitle(QStringLiteral("Export Chart"));
    sizeDialog.setLabelText(QStringLiteral("Size (width x height in pixels):"));
    sizeDialog.setComboBoxItems({onScreen});
    sizeDialog.setComboBoxEditable(true);
    if (sizeDialog.exec() != QDialog::Accepted) return;
    QSize size; // empty: the chart's size on screen
    if (sizeDialog.textValue() != onScreen) {
        static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,5})\\s*[xX]\\s*(\\d{1,5})\\s*$"));
        const QRegularExpressionMatch m = pattern.match(sizeDialog.textValue());
        const int w = m.hasMatch() ? m.captured(1).toInt() : 0, h = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (w < 1 || h < 1 || w > 20000 || h > 20000) {
            showError(QStringLiteral("The size must be width x height in pixels, each 1 to 20000, for example 1200 x 800."));
            return;
        }
        size = QSize(w, h);
    }
    QString error;
    bool written = false;
    {
        const BusyCursor busy;
        written = ExportChart(*chart_, path, size, &error);
    }
    if (!written) showError(error);
}

void MainWindow::menuViewFileClick() {
    const QString error = form1_->FormShow(QString::fromStdString(ds_.File.CurrentFileName));
    if (!error.isEmpty()) {
        showError(error);
        return;
    }
    form1_->exec();
}

QString MainWindow::helpFilePath() {
    return QString::fromStdString(varnotile::helpFilePath(QCoreApplication::applicationFilePath().toStdString()));
}

void MainWindow::menuContentsClick() {
    // The help page opens in the desktop's viewer for HTML, which runs on its own: the program
    // does not wait for it. A missing page or no viewer at all would otherwise fail unseen, since
    // the viewer is started in the background, so both are reported here.
    const QString path = helpFilePath();
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile()) {
        showError(QStringLiteral("The help page \"%1\" was not found.").arg(shownPath));
        return;
    }
    const QString noViewer = QStringLiteral("No program could be started to show the help page \"%1\"").arg(shownPath);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener starts at once and only then finds out that nothing shows HTML, so
    // starting it tells nothing: its exit status does. It is the same opener the desktop
    // services would start.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        auto* process = new QProcess(this);
        process->setObjectName(QStringLiteral("HelpOpener"));
        process->setProgram(opener);
        process->setArguments({path});
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        connect(process, &QProcess::finished, this, [this, process, noViewer](int code, QProcess::ExitStatus status) {
            process->deleteLater();
            if (status != QProcess::NormalExit || code != 0)
                showError(noViewer + QStringLiteral(": xdg-open ended with status %1.").arg(code));
        });
        connect(process, &QProcess::errorOccurred, this, [this, process, noViewer](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart) return; // an end is reported by finished
            process->deleteLater();
            showError(noViewer + QStringLiteral(": ") + process->errorString());
        });
        process->start();
        return;
    }
#endif
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) showError(noViewer + QLatin1Char('.'));
}

void MainWindow::menuAboutClick() { formAbout_->exec(); }

} // namespace varnotile
