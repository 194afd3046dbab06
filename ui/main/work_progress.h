#pragma once
// Long work on the data set (a load, a save) done on a thread of its own, so that the window
// stays painted meanwhile, with a progress bar once the work takes a while.
#include "progress.h"

#include <atomic>
#include <functional>

class QAbstractButton;
class QProgressBar;

namespace varnotile {

// Runs `work` on a thread of its own while the calling (window) thread waits in an event loop
// that keeps the windows painted and drops the user's input until the work is done. Once the
// work has taken half a second, `bar` shows how far it has come; it is hidden again at the end.
// An exception the work throws is thrown again here.
//
// With `cancel` the work may be stopped: `button` shows beside the bar, and a click on it, the
// Escape key or anyone setting *cancel makes the work's next report throw WorkCancelled. Returns
// false when the work was cancelled (finished or not, what it built is to be thrown away).
bool runWithProgress(QProgressBar* bar, const std::function<void(const ProgressReport&)>& work,
                     std::atomic<bool>* cancel = nullptr, QAbstractButton* button = nullptr);

} // namespace varnotile
