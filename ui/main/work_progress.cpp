#include "work_progress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace varnotile {
namespace {

// Work shorter than this shows no bar: it would only flicker.
constexpr int kQuietMilliseconds = 500;
// How often the bar follows the work.
constexpr int kTickMilliseconds = 100;
constexpr int kBarSteps = 1000;

QString stepFormat(WorkStep step) {
    switch (step) {
    case WorkStep::Reading: return QStringLiteral("Reading %p%");
    case WorkStep::Filling: return QStringLiteral("Filling the table %p%");
    case WorkStep::Writing: return QStringLiteral("Saving %p%");
    }
    return QStringLiteral("%p%");
}

// Drops the user's input that still reaches a widget while the work runs: the loop holds back
// what the window system delivers, but input can also come posted or delivered at once.
class InputHold : public QObject {
public:
    InputHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }
};

// The latest report, written by the working thread and read by the window's.
struct LatestReport {
    std::mutex mutex;
    bool any = false;
    WorkStep step = WorkStep::Reading;
    uint64_t done = 0;
    uint64_t total = 0;
};

} // namespace

void runWithProgress(QProgressBar* bar, const std::function<void(const ProgressReport&)>& work) {
    LatestReport latest;
    const ProgressReport report = [&latest](WorkStep step, uint64_t done, uint64_t total) {
        const std::lock_guard lock(latest.mutex);
        latest.any = true;
        latest.step = step;
        latest.done = done;
        latest.total = total;
    };
    QEventLoop loop;
    std::exception_ptr failure;
    const auto run = [&] {
        try {
            work(report);
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: the loop may not be running yet, and it lives on the window's thread.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    };
    std::thread worker;
    try {
        worker = std::thread(run);
    } catch (const std::system_error&) {
        run(); // no thread to be had: the work runs here, with the window still for its time
    }

    QElapsedTimer elapsed;
    elapsed.start();
    QTimer ticker;
    ticker.setInterval(kTickMilliseconds);
    QObject::connect(&ticker, &QTimer::timeout, bar, [&] {
        if (elapsed.elapsed() < kQuietMilliseconds) return;
        const std::lock_guard lock(latest.mutex);
        if (!latest.any) return;
        bar->setFormat(stepFormat(latest.step));
        const uint64_t whole = std::max(latest.total, latest.done);
        bar->setValue(whole == 0 ? kBarSteps : static_cast<int>(latest.done * kBarSteps / whole));
        bar->show();
    });
    bar->setRange(0, kBarSteps);
    ticker.start();
    {
        // Painting, timers and the window system's other events go on; keys and pointer presses
        // wait until the work is done.
        const InputHold hold;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // The loop also ends when the program is asked to quit; the work is waited for all the same.
    if (worker.joinable()) worker.join();
    ticker.stop();
    bar->hide();
    bar->reset();
    if (failure) std::rethrow_exception(failure);
}

} // namespace varnotile
