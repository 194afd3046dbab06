#pragma once
// The lines of a data file, held once in one buffer and handed out as views.
#include "compression.h"
#include "progress.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnotile {

// Bytes taken straight from the system with all their pages present at once: a large file is
// then copied in without a page fault every 4 KiB, which costs more than the copy itself.
class PageBuffer {
public:
    PageBuffer() = default;
    explicit PageBuffer(std::size_t size); // throws std::bad_alloc when the system has no room
    PageBuffer(PageBuffer&& other) noexcept { swap(other); }
    PageBuffer& operator=(PageBuffer&& other) noexcept {
        PageBuffer(std::move(other)).swap(*this);
        return *this;
    }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer();

    char* data() const { return data_; }
    std::size_t size() const { return size_; }
    // Makes the buffer `size` bytes long, keeping its bytes: the pages move rather than being
    // copied where the system can, and the added ones are only there once written.
    void grow(std::size_t size);
    void swap(PageBuffer& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

class FileLines {
public:
    // Reads the file at `path` straight into the line buffer and splits it as assign() does.
    // Returns an empty string on success, else the system's reason (and holds no lines). The bytes
    // read are reported to `progress` as they come in. A file that starts with the magic bytes of
    // gzip, xz, bzip2 or zstd data is decompressed into the buffer as it is read (progress counts
    // its compressed bytes); a file named as such data that does not start so, or whose data are
    // damaged or cut short, gives the reason and no lines.
    std::string read(const std::string& path, const ProgressReport& progress = {});
    // Splits `bytes` into lines: a line ends at LF, a CR before the LF is not part of it, a CR
    // not followed by LF is dropped, a byte 26 at the start of a line ends the file and inside a
    // line ends that line's text. The buffer is compacted in place, so no second copy is made.
    void assign(std::string_view bytes);
    void clear();
    // Lines added to the end of the file, split by the same rules. `bytes` holds complete lines
    // (it ends with LF); after reopenLastLine() its first line continues the last line.
    void append(std::string_view bytes);
    // The last line had no line break yet: the next append continues it.
    void reopenLastLine();
    // A byte 26 at the start of a line ended the file: nothing after it is read.
    bool ended() const { return ended_; }
    // How many bytes of the file read() took (of `bytes` for assign()), and append() since: a
    // file that grows while it is read holds more by the time anyone looks at its size.
    uint64_t bytesRead() const { return bytesRead_; }
    // The format read() decompressed the file from (None for a plain file).
    Compression compression() const { return compression_; }

    int count() const {
        const std::size_t starts = wide_ ? starts64_.size() : starts32_.size();
        return static_cast<int>(starts == 0 ? 0 : starts - 1);
    }
    // Line i, 1-based; the empty view outside 1..count().
    std::string_view line(int i) const {
        if (i < 1 || i > count()) return {};
        const uint64_t b = start(static_cast<std::size_t>(i - 1));
        const uint64_t e = start(static_cast<std::size_t>(i)) - 1;
        return std::string_view(buffer_.data() + b, e - b);
    }
    // Makes a UTF-8 byte-order mark at the start no part of line 1.
    void skipByteOrderMark() {
        if (count() > 0 && start(0) == 0 && text().substr(0, 3) == "\xEF\xBB\xBF" && start(1) >= 4) {
            if (wide_)
                starts64_[0] = 3;
            else
                starts32_[0] = 3;
        }
    }
    // Makes lines into records, from line `from` on: a line that `endsInside(text, insideAtStart)`
    // leaves open takes the following lines into its text (line breaks included, as LF) up to the
    // one that closes it. A line left open up to the end of the text stays a line of its own,
    // and so do all lines after it, until a later call (for lines appended) finds it closed: then
    // it takes in every line up to there. Returns that line when it lies before `from` (else 0):
    // the lines after it up to `from` are no lines of their own any more. The plain split never
    // calls this, so lines stay lines unless asked.
    int joinRecords(int from, const std::function<bool(std::string_view, bool)>& endsInside);
    // The line whose opening was still open at the end of the text (0: none).
    int openRecord() const { return openRecord_; }
    // A CR alone ends a line too (set before read() or assign(); clear() keeps it). Off: it is dropped.
    void setCrEndsLines(bool on) { crEndsLines_ = on; }
    bool crEndsLines() const { return crEndsLines_; }
    // The file's first bytes as they were (up to 1 MiB), kept only when CRs alone ended lines
    // there that the split dropped: what a reading with CR line ends would look at. Else empty.
    std::string_view headWithLoneCrs() const { return headWithLoneCrs_; }
    // All line text as stored (lines separated by LF), for encoding checks.
    std::string_view text() const { return std::string_view(buffer_.data(), size_); }

private:
    // Splits buffer_[0, size_) in place; the buffer has room for one byte more.
    void split();
    // Line starts of text that has no CR and no byte 26: one after every LF, found on every core.
    void findStarts(std::size_t lines);
    uint64_t start(std::size_t k) const { return wide_ ? starts64_[k] : starts32_[k]; }
    // Drops the line starts at the given slots (ascending): each line joins the one before it.
    void dropStarts(const std::vector<std::size_t>& slots);
    void addStart(uint64_t offset) {
        if (wide_)
            starts64_.push_back(offset);
        else
            starts32_.push_back(static_cast<uint32_t>(offset));
    }

    // Line texts, each followed by '\n'.
    PageBuffer buffer_;
    std::size_t size_ = 0;
    // Start of line k at index k-1, with a sentinel at the end. Offsets take 32 bits while the
    // text is under 4 GiB, which halves this table for the usual million-line file.
    std::vector<uint32_t> starts32_;
    std::vector<uint64_t> starts64_;
    bool wide_ = false;
    bool ended_ = false;
    bool crEndsLines_ = false;
    std::string headWithLoneCrs_;
    bool continueLastLine_ = false;
    int openRecord_ = 0;
    uint64_t bytesRead_ = 0;
    Compression compression_ = Compression::None;
};

// Reads a whole file. Returns an empty string on success, else the system's reason.
std::string readWholeFile(const std::string& path, std::string& bytes);
// Reads a whole file's content into `content` (its first `size` bytes): the file's bytes,
// decompressed when read() would decompress them. Returns an empty string on success, else the reason.
std::string readFileContent(const std::string& path, PageBuffer& content, std::size_t& size);

} // namespace varnotile
