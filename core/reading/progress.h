#pragma once
// How far a long piece of work (reading a large file, filling its table, writing it) has come,
// told to whoever started it: a progress bar, a line on a terminal. Reports come in steps of
// megabytes or thousands of rows, never per line, so a hook costs nothing that shows.
#include <cstdint>
#include <functional>
#include <mutex>

namespace varnotile {

enum class WorkStep {
    Reading, // bytes of the file read
    Filling, // data rows of the table filled
    Writing, // data rows written
};

// Called with the step, the work done so far and the whole of it. Within a step `done` only
// rises, and the step's last report has done == total. Reports may come from any thread, but
// never two at a time.
using ProgressReport = std::function<void(WorkStep step, uint64_t done, uint64_t total)>;

// Thrown by a report hook to stop work that is no longer wanted: the work ends at that report,
// and whatever it was building is left half done, to be thrown away by whoever started it. A
// load may be stopped so; a save never is (a file half written is of no use).
struct WorkCancelled {};

// Adds up the pieces of one step that several threads finish in any order, and reports the sum
// after each piece, one report at a time. Does nothing without a hook.
class SharedProgress {
public:
    SharedProgress(const ProgressReport& report, WorkStep step, uint64_t total)
        : report_(report), step_(step), total_(total) {}
    void add(uint64_t piece) {
        if (!report_) return;
        const std::lock_guard lock(mutex_);
        done_ += piece;
        report_(step_, done_, total_);
    }

private:
    const ProgressReport& report_;
    WorkStep step_;
    uint64_t total_;
    uint64_t done_ = 0;
    std::mutex mutex_;
};

} // namespace varnotile
