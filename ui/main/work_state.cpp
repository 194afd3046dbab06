#include "work_state.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>

namespace varnotile {

WorkState::Hold::Hold(WorkState& state, bool cancellable) : state_(state) {
    if (state_.depth_++ > 0) return;
    ++state_.begun_;
    state_.cancellable_ = cancellable;
    state_.cancelRequested_ = false;
    state_.disableCommands();
}

WorkState::Hold::~Hold() {
    if (--state_.depth_ > 0) return;
    state_.restoreCommands();
    state_.cancellable_ = false;
    state_.cancelRequested_ = false;
}

void WorkState::disableCommands() {
    // Every action the window owns: the menus and their items, the context menu, the recent
    // files. A disabled action ignores trigger() too, however it is called.
    actions_.clear();
    for (QAction* action : window_->findChildren<QAction*>()) {
        actions_.emplace_back(action, action->isEnabled());
        action->setEnabled(false);
    }
    // The grids, the chart and the proposal bar take no input. A cell editor open in the grid
    // commits its text as it loses the focus, which is before the work starts.
    focus_ = QApplication::focusWidget();
    if (QWidget* central = window_->centralWidget()) {
        centralWasDisabled_ = central->testAttribute(Qt::WA_Disabled);
        central->setEnabled(false);
    }
}

void WorkState::restoreCommands() {
    if (QWidget* central = window_->centralWidget()) central->setEnabled(!centralWasDisabled_);
    for (const auto& [action, enabled] : actions_)
        if (action) action->setEnabled(enabled);
    actions_.clear();
    if (focus_ && focus_->isEnabled() && focus_->window() == window_) focus_->setFocus();
    focus_.clear();
}

} // namespace varnotile
