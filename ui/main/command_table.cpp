#include "command_table.h"

#include "main_window.h"

namespace varnotile {
namespace {

// The key alone and with every combination of Shift, Control and Alt.
QList<QKeySequence> withAnyModifiers(Qt::Key key) {
    QList<QKeySequence> keys;
    for (int m = 0; m < 8; ++m) {
        Qt::KeyboardModifiers mods;
        if (m & 1) mods |= Qt::ShiftModifier;
        if (m & 2) mods |= Qt::ControlModifier;
        if (m & 4) mods |= Qt::AltModifier;
        keys << QKeySequence(QKeyCombination(mods, key));
    }
    return keys;
}

const char* const kGridMenu = "PMenuSGridData";

// The platform's keys for a standard command (Ctrl+O for Open, F1 for help...).
QList<QKeySequence> standard(QKeySequence::StandardKey key) { return QKeySequence::keyBindings(key); }

} // namespace

const std::vector<MenuEntry>& menuTable() {
    static const std::vector<MenuEntry> menus = {
        {"menuFile", "&File"}, {"menuEdit", "&Edit"}, {"menuView", "&View"}, {"menuOptions", "&Options"}, {"menuHelp", "&Help"},
    };
    return menus;
}

const std::vector<CommandEntry>& commandTable() {
    using W = MainWindow;
    static const std::vector<CommandEntry> commands = {
        {"menuOpen", "menuFile", "&Open...", nullptr, &W::menuOpenClick, standard(QKeySequence::Open),
         "Opens a data file (unsaved changes are offered for saving first)."},
        {"menuSave", "menuFile", "&Save...", nullptr, &W::menuSaveClick, standard(QKeySequence::Save),
         "Saves the table under a name you choose and shows the saved file."},
        {"menuDeleteFile", "menuFile", "&Delete...", nullptr, &W::menuDeleteFileClick, {},
         "Deletes the file chosen in the folder list, after asking."},
        {"menuPageSetup", "menuFile", "Page Set&up...", nullptr, &W::menuPageSetupClick, {},
         "Sets the orientation and margins of the printed chart.", true},
        {"menuPrint", "menuFile", "&Print...", nullptr, &W::menuPrintClick, standard(QKeySequence::Print), "Prints the chart on one page."},
        {"menuExportChart", "menuFile", "&Export Chart...", nullptr, &W::menuExportChartClick, {},
         "Writes the chart as a PNG, SVG or PDF file."},
        {"menuReopenAs", "menuFile", "Reopen &as...", nullptr, &W::menuReopenAsClick, {},
         "Reads the shown file again another way (delimiter, decimal separator, reading options, table, date "
         "order, a time axis from a date and a time column), with a preview of its first lines; the file is read "
         "that way for the rest of the run."},
        {"menuExit", "menuFile", "E&xit", nullptr, &W::menuExitClick, standard(QKeySequence::Quit), "Closes the program.", true},

        {"menuUndo", "menuEdit", "&Undo   Ctrl+Z", &W::canUndo, &W::menuUndoClick, {QKeySequence(Qt::CTRL | Qt::Key_Z)},
         "Reverses the newest edit, deletion or modification.", false, false, true, true},
        {"menuDelete", "menuEdit", "&Delete", &W::canDelete, &W::menuDeleteClick, withAnyModifiers(Qt::Key_Delete),
         "Deletes the selected column or the rows of the selection; the key also deletes every row of a range two or "
         "more columns wide.",
         false, false, true, false, &W::canDeleteByKey},
        {"MenuModify", "menuEdit", "&Modify...", &W::canModify, &W::MenuModifyClick, {},
         "Renames the selected column and transforms a range of its values."},
        {"menuRedo", "menuEdit", "&Redo", &W::canRedo, &W::menuRedoClick,
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
         "Makes the change that Undo reversed again; any new change ends what can be redone.", true, false, false},


        {"menuShow", "menuView", "&Show Curve", nullptr, &W::menuShowClick, {},
         "Draws the curve of the column whose header cell was pressed.", false, false, false},
        {"menuHide", "menuView", "&Hide Curve", nullptr, &W::menuHideClick, {},
         "Hides the curve of the column whose header cell was pressed.", false, false, false},
        {"menuColor", "menuView", "Curve &Color...", nullptr, &W::menuColorClick, {},
         "Chooses the colour of that column's curve.", false, false, false},
        {"menuSetAsX", "menuView", "Set as &X-Axis", nullptr, &W::menuSetAsXClick, {},
         "Draws the other curves over that column's values.", true, false, false},
        {"menuYScale", "menuView", "&Y-Axis Scale...", nullptr, &W::menuYScaleClick, {},
         "Switches the Y axis between percent and the values themselves.", true},
        {"menuViewFile", "menuView", "Show &File", nullptr, &W::menuViewFileClick, {},
         "Shows the file's text as it is on the disk.", true},
        {"menuFollowFile", "menuView", "F&ollow File", nullptr, &W::menuFollowFileClick, {},
         "Shows rows that a logger appends to the file as they arrive.", true, true},
        {"menuTracker", "menuView", "&Tracker", nullptr, &W::menuTrackerClick, {},
         "Draws a line under the pointer with a mark on each curve; the status bar reads the nearest curve's value.",
         true, true},
        {"menuCursors", "menuView", "C&ursors", nullptr, &W::menuCursorsClick, {},
         "Two cursors to drag (or move with the arrow keys, 1 and 2 choosing one); a table gives the values at both, "
         "their differences and the slope.",
         false, true},
        {"menuStatistics", "menuView", "St&atistics", nullptr, &W::menuStatisticsClick, {},
         "Count, missing values, mean, standard deviation, extremes and integral of each curve over the X range shown "
         "or the rows selected.",
         false, true},

        {"menuGenOptions", "menuOptions", "&General Settings...", nullptr, &W::menuGenOptionsClick, {},
         "Sets the delimiter, the reading options, the file date and the curve colours."},
        {"menuChartOptions", "menuOptions", "&Chart Options...", nullptr, &W::menuChartOptionsClick, {},
         "Sets the scale, the curve names and the chart title."},

        {"menuContents", "menuHelp", "Pelmora &Help", nullptr, &W::menuContentsClick, standard(QKeySequence::HelpContents), "Opens this page."},
        {"menuAbout", "menuHelp", "&About...", nullptr, &W::menuAboutClick, {}, "Shows the program's version."},

        {"PMenuShow", kGridMenu, "&Show Curve", nullptr, &W::PMenuShowClick, {}, "Same as View, Show Curve.", false, false,
         false},
        {"PMenuHide", kGridMenu, "&Hide Curve", nullptr, &W::PMenuHideClick, {}, "Same as View, Hide Curve.", false, false,
         false},
        {"PMenuColor", kGridMenu, "Curve &Color", nullptr, &W::PMenuColorClick, {}, "Same as View, Curve Color.", true,
         false, false},
        {"PMenuSetAsX", kGridMenu, "Set as &X-Axis", nullptr, &W::PMenuSetAsXClick, {}, "Same as View, Set as X-Axis.", false,
         false, false},
        {"PMenuDelete", kGridMenu, "&Delete", nullptr, &W::PMenuDeleteClick, {}, "Same as Edit, Delete.", true, false, false},
        {"PMenuModify", kGridMenu, "&Modify...", nullptr, &W::PMenuModifyClick, {}, "Same as Edit, Modify.", false, false,
         false},
    };
    return commands;
}

const CommandEntry* commandForKey(int key, Qt::KeyboardModifiers modifiers) {
    const QKeySequence pressed(QKeyCombination(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier),
                                               static_cast<Qt::Key>(key)));
    for (const CommandEntry& command : commandTable())
        if (command.keys.contains(pressed)) return &command;
    return nullptr;
}

QString plainCaption(const char* caption) { return QString::fromLatin1(caption).remove(QLatin1Char('&')); }

QString commandListHtml() {
    auto caption = [](const char* text) {
        // A caption that names its key after a run of blanks: "Undo   Ctrl+Z".
        return plainCaption(text).split(QStringLiteral("   ")).constFirst().toHtmlEscaped();
    };
    auto menuCaption = [](const char* objectName) {
        for (const MenuEntry& m : menuTable())
            if (qstrcmp(m.objectName, objectName) == 0) return plainCaption(m.caption);
        return QStringLiteral("Grid menu");
    };
    QString html = QStringLiteral("<table class=\"commands\">\n<tr><th>Command</th><th>Keys in the grid</th><th>What it does</th></tr>\n");
    for (const CommandEntry& command : commandTable()) {
        QStringList keys;
        for (const QKeySequence& key : command.keys) keys << key.toString(QKeySequence::PortableText).toHtmlEscaped();
        // Delete runs with any modifiers: name the key once.
        if (keys.size() == 8) keys = QStringList{keys.constFirst() + QStringLiteral(" (with any modifiers)")};
        html += QStringLiteral("<tr><td><b>%1 &rarr; %2</b></td><td>%3</td><td>%4</td></tr>\n")
                    .arg(menuCaption(command.menu), caption(command.caption), keys.join(QStringLiteral(", ")),
                         QString::fromUtf8(command.help).toHtmlEscaped());
    }
    return html + QStringLiteral("</table>\n");
}

} // namespace varnotile
