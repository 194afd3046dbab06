#pragma once
// Every command of the menus and of the data grid's context menu, declared once: where it sits,
// its caption, the keys the data grid runs it by, when it may run and what runs it. The menus,
// the grid's key handling and the help page's list of commands are all made from this table.
#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

namespace varnotile {

class MainWindow;

struct CommandEntry {
    const char* objectName;
    const char* menu; // object name of the menu the item is added to
    const char* caption; // with '&' before the letter that chooses it in its menu
    // Where the command may run: true, or what the Edit menu's opening and the keys ask. Null
    // means always, or as the events that enable it set it (the curve commands are enabled by a
    // press on a header cell).
    bool (MainWindow::*allowed)() const = nullptr;
    void (MainWindow::*handler)() = nullptr;
    // Keys that run the command while the data grid has the focus (or, where the caption does not
    // name them, anywhere in the window).
    QList<QKeySequence> keys;
    const char* help = ""; // the help page's sentence
    bool separatorBefore = false;
    bool checkable = false;
    bool enabledAtStart = true;
    // The keys do nothing while a mouse button is held (a drag in progress).
    bool keysNeedNoButton = false;
    // Where the keys may run it, when that differs from `allowed`.
    bool (MainWindow::*keysAllowed)() const = nullptr;
};

// The commands in menu order; the menus themselves come first in the order of the menu bar.
const std::vector<CommandEntry>& commandTable();

struct MenuEntry {
    const char* objectName;
    const char* caption;
};
const std::vector<MenuEntry>& menuTable();

// The command whose keys include `key` with `modifiers` (Shift, Control, Alt only), or nullptr.
const CommandEntry* commandForKey(int key, Qt::KeyboardModifiers modifiers);

// A caption as the user reads it: without the '&' that marks its menu letter.
QString plainCaption(const char* caption);

// The help page's list of commands: a table with each command's menu, caption, keys and sentence.
QString commandListHtml();

} // namespace varnotile
