#include "recent_files.h"

#include <QAction>
#include <QFileInfo>
#include <QFontMetrics>

#include <algorithm>

namespace varnotile {

void PushRecentFile(std::vector<std::string>& list, const std::string& path, int limit) {
    if (path.empty()) return;
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    list.insert(list.begin(), path);
    if (limit >= 0 && list.size() > static_cast<std::size_t>(limit)) list.resize(static_cast<std::size_t>(limit));
}

RecentFilesMenu::RecentFilesMenu(const std::vector<std::string>& list, QMenu* fileMenu)
    : QMenu(QStringLiteral("&Recent Files"), fileMenu), list_(list) {
    setObjectName(QStringLiteral("menuRecentFiles"));
    connect(fileMenu, &QMenu::aboutToShow, this, &RecentFilesMenu::rebuild);
    connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::rebuild);
    rebuild();
}

void RecentFilesMenu::rebuild() {
    clear();
    // Long paths are shortened in the middle, where the folders are; the tip shows them whole.
    const int width = fontMetrics().averageCharWidth() * 70;
    int number = 0;
    for (const std::string& entry : list_) {
        const QString path = QString::fromStdString(entry);
        QString shown = fontMetrics().elidedText(path, Qt::ElideMiddle, width);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = addAction(QStringLiteral("&%1  %2").arg(++number).arg(shown));
        item->setToolTip(path);
        item->setStatusTip(path);
        item->setEnabled(QFileInfo(path).isFile());
        connect(item, &QAction::triggered, this, [this, path] { emit fileChosen(path); });
    }
    setToolTipsVisible(true);
    menuAction()->setEnabled(!list_.empty());
}

} // namespace varnotile
