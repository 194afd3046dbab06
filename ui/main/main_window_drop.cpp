// Files dropped onto the main window: the first local file of a drop opens as "Open..." would.
#include "main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace varnotile {
namespace {

// The first local file (not a folder) the drag carries; empty when there is none.
QString droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isFile()) return path;
    }
    return {};
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The drag source waits until the drop returns: the save question and the load come after it.
    QTimer::singleShot(0, this, [this, path] { openDroppedFile(path); });
}

void MainWindow::openDroppedFile(const QString& path) {
    // A load that started in the meantime owns the data set; the drop comes too late.
    if (work_.busy() || !offerToSaveChanges(true)) return;
    openFile(path);
}

} // namespace varnotile
