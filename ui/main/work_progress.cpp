#include "work_progress.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

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

// Drops the user's input to every widget while the work runs, but for the Cancel button, and
// turns Escape into a cancel. Input to the windows themselves passes: they hand it on to their
// widgets, where it is looked at again.
class InputHold : public QObject {
public:
    InputHold(QAbstractButton* button, std::function<void()> escape)
        : button_(button), escape_(std::move(escape)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) return false;
        if (button_ && button_->isVisible() && watched == button_) return false;
        if (escape_ && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            escape_();
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

private:
    QAbstractButton* button_;
    std::function<void()> escape_;
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

bool runWithProgress(QProgressBar* bar, const std::function<void(const ProgressReport&)>& work,
                     std::atomic<bool>* cancel, QAbstractButton* button) {
    LatestReport latest;
    const ProgressReport report = [&latest, cancel](WorkStep step, uint64_t done, uint64_t total) {
        if (cancel && cancel->load()) throw WorkCancelled{};
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
        } catch (const WorkCancelled&) {
            // stopped on request: *cancel says so
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
        if (cancel && button) button->show();
    });
    const auto stop = [cancel] { *cancel = true; };
    if (cancel && button) QObject::connect(button, &QAbstractButton::clicked, &loop, stop);
    bar->setRange(0, kBarSteps);
    ticker.start();
    {
        // Painting, timers and the window system's other events go on; keys and pointer presses
        // are dropped (the window's commands are off meanwhile), but for cancelling.
        const InputHold hold(cancel ? button : nullptr, cancel ? std::function<void()>(stop) : nullptr);
        loop.exec();
    }
    // The loop also ends when the program is asked to quit; the work is waited for all the same.
    if (worker.joinable()) worker.join();
    ticker.stop();
    bar->hide();
    bar->reset();
    if (button) button->hide();
    if (failure) std::rethrow_exception(failure);
    return !(cancel && cancel->load());
}

} // namespace varnotile
