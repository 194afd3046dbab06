#include "checked_save.h"

#include "compression.h"
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
// that may only be written after the check, into memory. For a compressed target the pieces are
// encoded on their way to the file, and the lines read back are the encoded bytes decoded again:
// the check reads what the file will hold.
class PieceTaker {
public:
    PieceTaker(FileLines* lines, SaveFile* file, std::string* kept, Compression format)
        : lines_(lines), file_(file), kept_(kept), format_(format),
          encoder_(makeEncoder(format)), decoder_(lines ? makeDecoder(format) : nullptr), thread_([this] { run(); }) {}
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
    // Why the pieces could not be encoded (empty when they could).
    const std::string& codecError() const { return codecError_; }

private:
    static constexpr std::size_t kPiecesAhead = 16;

    void run() {
        for (;;) {
            std::string piece;
            bool last = false;
            {
                std::unique_lock lock(mutex_);
                piecesWaiting_.wait(lock, [&] { return done_ || !pieces_.empty(); });
                last = pieces_.empty();
                if (!last) {
                    piece = std::move(pieces_.front());
                    pieces_.pop_front();
                }
            }
            roomLeft_.notify_one();
            if (!encoder_) {
                if (last) return;
                // Every piece ends with a complete line, so splitting piece by piece splits as
                // the whole text would be split.
                giveLines(piece);
                store(piece);
                continue;
            }
            if (!codecError_.empty()) {
                if (last) return;
                continue;
            }
            std::string encoded;
            std::string error = runCodec(*encoder_, piece, last, encoded);
            if (error.empty() && decoder_) error = runCodec(*decoder_, encoded, last, decoded_);
            if (!error.empty()) {
                codecError_ = "the " + std::string(compressionName(format_)) + " data written would not read back: " + error;
                const std::lock_guard lock(mutex_);
                ok_ = false;
            } else {
                // The decoded bytes go to the lines in complete lines; the rest waits for its end.
                const std::size_t whole = last ? decoded_.size() : decoded_.rfind('\n') + 1;
                if (whole > 0) giveLines(std::string_view(decoded_).substr(0, whole));
                decoded_.erase(0, whole);
                store(encoded);
            }
            if (last) return;
        }
    }

    void giveLines(std::string_view text) {
        if (!lines_) return;
        if (std::exchange(firstLines_, false))
            lines_->assign(text);
        else
            lines_->append(text);
    }

    void store(std::string_view bytes) {
        if (kept_) *kept_ += bytes;
        if (file_ && !file_->write(bytes)) {
            const std::lock_guard lock(mutex_);
            ok_ = false;
        }
    }

    FileLines* lines_;
    SaveFile* file_;
    std::string* kept_;
    const Compression format_;
    std::unique_ptr<StreamCodec> encoder_, decoder_;
    std::string decoded_;
    std::string codecError_;
    bool firstLines_ = true;
    std::mutex mutex_;
    std::condition_variable piecesWaiting_, roomLeft_;
    std::deque<std::string> pieces_;
    bool done_ = false;
    bool ok_ = true;
    std::thread thread_; // last: it starts with every other member in place
};

} // namespace

CheckedSave SaveDataFileChecked(const DataSet& ds, const std::string& path, bool keepDate, bool force,
                                const ProgressReport& progress, const DiskStamp* asRead,
                                const ReadingChoice* proposalFrom) {
    CheckedSave result;
    const uint64_t stages = force ? 1 : 3;
    SaveFile file(path);
    if (asRead) file.replaceOnlyIf(*asRead, ds.Table.Cells.delimiter() == ds.delimiter());
    if (!file.open()) {
        result.error = file.errorString();
        return result;
    }
    // A device or pipe takes what it is given at once: nothing goes to it unchecked, so its bytes
    // wait in memory. A regular file fills while the bytes are read back; it replaces the target
    // only once they read as the table.
    const bool holdBack = file.writesThrough() && !force;
    std::string kept;
    const auto back = ReadingLike(ds, proposalFrom);
    bool written = false;
    std::string codecError;
    {
        PieceTaker taker(force ? nullptr : &back->File.FileLines, holdBack ? nullptr : &file, holdBack ? &kept : nullptr,
                         compressionOfName(path));
        WriteDataFile(ds, [&](std::string_view piece) { return taker.give(piece); }, stageOf(progress, 0, stages));
        written = taker.finish();
        codecError = taker.codecError();
    }
    if (!written) {
        result.error = codecError.empty() ? file.errorString() : codecError;
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
        result.targetChange = file.targetChange();
        return result;
    }
    if (keepDate) setFileAgeStamp(path, ds.File.FileAgeStamp);
    if (progress) progress(WorkStep::Writing, stages * 1000, stages * 1000);
    return result;
}

} // namespace varnotile
