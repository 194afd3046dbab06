#pragma once
// Long work on the data set (a load, a save) done on a thread of its own, so that the window
// stays painted meanwhile, with a progress bar once the work takes a while.
#include "progress.h"

#include <functional>

class QProgressBar;

namespace varnotile {

// Runs `work` on a thread of its own while the calling (window) thread waits in an event loop
// that keeps the windows painted and holds back the user's input until the work is done. Once
// the work has taken half a second, `bar` shows how far it has come; it is hidden again at the
// end. An exception the work throws is thrown again here.
void runWithProgress(QProgressBar* bar, const std::function<void(const ProgressReport&)>& work);

} // namespace varnotile
