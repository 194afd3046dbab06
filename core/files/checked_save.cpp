#include "checked_save.h"

#include "data_writer.h"
#include "save_file.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace varnotile {
namespace {

// Part `stage` of `stages` equal parts of one Writing step, in thousandths, whatever step and
// total the work reports.
ProgressReport stageOf(const ProgressReport& progress, uint64_t stage, uint64_t stages) {
    if (!progress) return {};
    return [&progress, stage, stages](WorkStep, uint64_t done, uint64_t total) {
        const uint64_t part = total == 0 ? 1000 : std::min<uint64_t>(done, total) * 1000 / total;
        progress(WorkStep::Writing, stage * 1000 + part, stages * 1000);
    };
}

// Takes the writer's pieces on a thread of its own, while the writer makes the next ones: into
// the lines read back (split as a file read splits them), and into the file or, for a target
// that may only be written after the check, into memory.
class PieceTaker {
public:
    PieceTaker(FileLines* lines, SaveFile* file, std::string* kept)
        : lines_(lines), file_(file), kept_(kept), thread_([this] { run(); }) {}
    ~PieceTaker() { finish(); }

    // False once the file refused a piece: the writing can stop.
    bool give(std::string_view piece) {
        std::unique_lock lock(mutex_);
        // A few megabytes ahead at most, should the disk be slower than the writer.
        roomLeft_.wait(lock, [&] { return pieces_.size() < kPiecesAhead; });
        pieces_.emplace_back(piece);
        piecesWaiting_.notify_one();
        return ok_;
    }
    // Waits until every piece is taken; false when the file refused one.
    bool finish() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        piecesWaiting_.notify_one();
        if (thread_.joinable()) thread_.join();
        return ok_;
    }

private:
    static constexpr std::size_t kPiecesAhead = 16;

    void run() {
        bool first = true;
        for (;;) {
            std::string piece;
            {
                std::unique_lock lock(mutex_);
                piecesWaiting_.wait(lock, [&] { return done_ || !pieces_.empty(); });
                if (pieces_.empty()) return;
                piece = std::move(pieces_.front());
                pieces_.pop_front();
            }
            roomLeft_.notify_one();
            // Every piece ends with a complete line, so splitting piece by piece splits as the
            // whole text would be split.
            if (lines_) {
                if (std::exchange(first, false))
                    lines_->assign(piece);
                else
                    lines_->append(piece);
            }
            if (kept_) *kept_ += piece;
            if (file_ && !file_->write(piece)) {
                const std::lock_guard lock(mutex_);
                ok_ = false;
            }
        }
    }

    FileLines* lines_;
    SaveFile* file_;
    std::string* kept_;
    std::mutex mutex_;
    std::condition_variable piecesWaiting_, roomLeft_;
    std::deque<std::string> pieces_;
    bool done_ = false;
    bool ok_ = true;
    std::thread thread_; // last: it starts with every other member in place
};

} // namespace

CheckedSave SaveDataFileChecked(const DataSet& ds, const std::string& path, bool keepDate, bool force,
                                const ProgressReport& progress) {
    CheckedSave result;
    const uint64_t stages = force ? 1 : 3;
    SaveFile file(path);
    if (!file.open()) {
        result.error = file.errorString();
        return result;
    }
    // A device or pipe takes what it is given at once: nothing goes to it unchecked, so its bytes
    // wait in memory. A regular file fills while the bytes are read back; it replaces the target
    // only once they read as the table.
    const bool holdBack = file.writesThrough() && !force;
    std::string kept;
    const auto back = ReadingLike(ds);
    bool written = false;
    {
        PieceTaker taker(force ? nullptr : &back->File.FileLines, holdBack ? nullptr : &file, holdBack ? &kept : nullptr);
        WriteDataFile(ds, [&](std::string_view piece) { return taker.give(piece); }, stageOf(progress, 0, stages));
        written = taker.finish();
    }
    if (!written) {
        result.error = file.errorString();
        return result;
    }
    if (!force) {
        // The written bytes go to the disk while the lines read back are laid out and compared.
        std::thread syncing;
        if (!holdBack) syncing = std::thread([&] { written = file.sync(); });
        try {
            result.difference = CompareReadBackLines(ds, *back, stageOf(progress, 1, 3), stageOf(progress, 2, 3));
        } catch (...) {
            if (syncing.joinable()) syncing.join();
            throw;
        }
        if (syncing.joinable()) syncing.join();
        if (result.difference.found) return result; // the SaveFile removes its temporary file
        if (holdBack) written = file.write(kept);
    }
    if (!written || !file.commit()) {
        result.error = file.errorString();
        return result;
    }
    if (keepDate) setFileAgeStamp(path, ds.File.FileAgeStamp);
    if (progress) progress(WorkStep::Writing, stages * 1000, stages * 1000);
    return result;
}

} // namespace varnotile
