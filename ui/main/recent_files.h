#pragma once
// The recent files: the list kept in the settings (newest first) and the File menu's submenu
// that offers them.
#include "dataset.h"

#include <QMenu>

#include <string>
#include <vector>

namespace varnotile {

// Puts `path` first in `list`; an earlier entry of the same path goes, and so does any entry
// past `limit`.
void PushRecentFile(std::vector<std::string>& list, const std::string& path, int limit = kRecentFileLimit);

// "Recent Files": one item per file of the list, newest first, numbered for the keyboard. The
// items are made afresh whenever the menu or the menu holding it is about to show, so a file that
// no longer exists shows greyed, and the submenu is greyed while the list is empty.
class RecentFilesMenu : public QMenu {
    Q_OBJECT
public:
    // `list` lives as long as the menu (the data set's list).
    RecentFilesMenu(const std::vector<std::string>& list, QMenu* fileMenu);
    void rebuild();

signals:
    void fileChosen(const QString& path);

private:
    const std::vector<std::string>& list_;
};

} // namespace varnotile
