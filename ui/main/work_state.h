#pragma once
// Who owns the window's data set: the user, or a load or save running on another thread. While
// the work owns it, every command of the window is off (its actions wherever they are shown,
// and the central widget with the grids and the chart), so that nothing reaches the data set
// whichever way it comes: a key, a pointer, an accessibility "press", a queued call. Handlers
// that can be called directly ask busy() once, at their entry.
#include <QPointer>

#include <atomic>
#include <utility>
#include <vector>

class QAction;
class QMainWindow;
class QWidget;

namespace varnotile {

class WorkState {
public:
    explicit WorkState(QMainWindow* window) : window_(window) {}

    bool busy() const { return depth_ > 0; }
    // How many works have begun: one that began since a look tells that the data set may be another.
    unsigned long long worksBegun() const { return begun_; }
    // The running work is a load, which may be stopped (a save is not).
    bool cancellable() const { return busy() && cancellable_; }
    // Asks a running load to stop; the table shown before it stays.
    void cancel() {
        if (cancellable()) cancelRequested_ = true;
    }
    std::atomic<bool>& cancelFlag() { return cancelRequested_; }

    // For the time it lives the work owns the data set: the commands are off, and on again
    // exactly as they were once it ends.
    class Hold {
    public:
        Hold(WorkState& state, bool cancellable);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        WorkState& state_;
    };

private:
    void disableCommands();
    void restoreCommands();

    QMainWindow* window_;
    int depth_ = 0;
    unsigned long long begun_ = 0;
    bool cancellable_ = false;
    std::atomic<bool> cancelRequested_{false};
    std::vector<std::pair<QPointer<QAction>, bool>> actions_;
    bool centralWasDisabled_ = false;
    QPointer<QWidget> focus_;
};

} // namespace varnotile
