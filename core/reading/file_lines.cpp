#include "file_lines.h"

#include "compression.h"
#include "parallel.h"
#include "progress.h"

#include <algorithm>
#include <cstdint>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <vector>
#include <utility>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnotile {

PageBuffer::PageBuffer(std::size_t size) {
    if (size == 0) return;
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE;
#endif
    void* pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, -1, 0);
    if (pages == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<char*>(pages);
    size_ = size;
}

void PageBuffer::grow(std::size_t size) {
    if (size <= size_) return;
#ifdef MREMAP_MAYMOVE
    if (data_) {
        void* pages = ::mremap(data_, size_, size, MREMAP_MAYMOVE);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<char*>(pages);
        size_ = size;
        return;
    }
#endif
    PageBuffer larger(size);
    if (size_ > 0) std::memcpy(larger.data(), data_, size_);
    swap(larger);
}

PageBuffer::~PageBuffer() {
    if (data_) ::munmap(data_, size_);
}

namespace {

// Opens `path` for reading when it is a regular file and tells its size. Opened without waiting,
// so that a named pipe nobody writes to cannot block the program, and only regular files are
// read: a pipe or a device (a terminal, /dev/zero) may never end.
std::string openRegularFile(const std::string& path, int& fd, std::size_t& size) {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return std::strerror(err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
    }
    size = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    return {};
}

// Closes the file however the read ends: a progress report may stop it with an exception.
struct FileCloser {
    int fd;
    ~FileCloser() { ::close(fd); }
};

// A read of this many bytes or more is shared out over the cores.
constexpr std::size_t kBytesWorthSharing = std::size_t{1} << 20;
constexpr std::size_t kBytesPerReadPart = std::size_t{8} << 20;

// Reads the first `size` bytes of `fd` into `buffer` in parts on every core at once: copying out
// of the system's file cache and the first touch of the fresh buffer are most of a large read's
// time. Returns how many bytes from the start were read (fewer when the file got shorter). Each
// part read is reported to `progress`.
std::size_t readInParts(int fd, char* buffer, std::size_t size, int& error, SharedProgress& progress) {
    const std::size_t parts = (size + kBytesPerReadPart - 1) / kBytesPerReadPart;
    std::vector<std::size_t> got(parts, 0);
    std::vector<int> errors(parts, 0);
    forEachInParallel(parts, [&](std::size_t part) {
        const std::size_t begin = part * kBytesPerReadPart, end = std::min(size, begin + kBytesPerReadPart);
        std::size_t at = begin;
        while (at < end) {
            const ssize_t n = ::pread(fd, buffer + at, end - at, static_cast<off_t>(at));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) errors[part] = errno ? errno : EIO;
            if (n <= 0) break;
            at += static_cast<std::size_t>(n);
        }
        got[part] = at - begin;
        progress.add(got[part]);
    });
    std::size_t used = 0;
    for (std::size_t part = 0; part < parts; ++part) {
        if (errors[part] != 0) {
            error = errors[part];
            return 0;
        }
        used += got[part];
        if (got[part] < std::min(size, (part + 1) * kBytesPerReadPart) - part * kBytesPerReadPart) break;
    }
    return used;
}

// Reads `fd` to its end into `buffer`, which doubles whenever it is full:
// a file that grows while it is read simply gets more room. On return at least one
// byte of room is left after the `used` bytes. A large read is reported in parts, and every read
// ends with a report of all its bytes.
std::string readToEnd(int fd, PageBuffer& buffer, std::size_t& used, const ProgressReport& progress = {}) {
    used = 0;
    if (buffer.size() > kBytesWorthSharing) {
        int error = 0;
        SharedProgress parts(progress, WorkStep::Reading, buffer.size() - 1);
        used = readInParts(fd, buffer.data(), buffer.size() - 1, error, parts);
        if (error != 0 || ::lseek(fd, static_cast<off_t>(used), SEEK_SET) < 0) {
            if (error == 0) error = errno;
            return std::strerror(error);
        }
    }
    auto grow = [&](std::size_t to) {
        PageBuffer larger(to);
        if (used > 0) std::memcpy(larger.data(), buffer.data(), used);
        buffer = std::move(larger);
    };
    for (;;) {
        if (used == buffer.size()) grow(buffer.size() * 2);
        const ssize_t got = ::read(fd, buffer.data() + used, buffer.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            return std::strerror(err ? err : EIO);
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    if (used == buffer.size()) grow(used + 1);
    if (progress) progress(WorkStep::Reading, used, used);
    return {};
}

// The format of the open file `fd`: by its first bytes, or by its name when that names a format
// its bytes do not start as (the file is damaged or misnamed, and is not read as text).
std::string compressionOfFile(int fd, const std::string& path, Compression& format) {
    char head[kCompressionMagicBytes];
    ssize_t got;
    do got = ::pread(fd, head, sizeof head, 0);
    while (got < 0 && errno == EINTR);
    if (got < 0) return std::strerror(errno ? errno : EIO);
    format = compressionOfBytes(std::string_view(head, static_cast<std::size_t>(got)));
    if (format != Compression::None) return {};
    const Compression named = compressionOfName(path);
    if (named == Compression::None) return {};
    return "the name says " + std::string(compressionName(named)) + " data, but the file " +
           (got == 0 ? std::string("is empty") : "does not start as " + std::string(compressionName(named)) + " data do");
}

// Decodes the compressed file `fd` of `size` bytes into `buffer`, which grows as the content
// needs (its pages move rather than being copied), so the content is held once. The compressed
// bytes pass through in parts and are what `progress` counts. On return one byte of room is
// left after the `used` bytes; `taken` tells how many bytes of the file were read.
std::string decodeToEnd(int fd, std::size_t size, Compression format, PageBuffer& buffer, std::size_t& used,
                        uint64_t& taken, const ProgressReport& progress) {
    constexpr std::size_t kPart = std::size_t{1} << 20;
    const std::unique_ptr<StreamCodec> decoder = makeDecoder(format);
    std::vector<char> in(kPart);
    std::size_t inBegin = 0, inEnd = 0;
    bool last = false;
    used = 0;
    taken = 0;
    // A first guess of the content's size (text tables usually shrink to a quarter or less),
    // held down so that a wrong guess does not take pages the content never fills.
    constexpr std::size_t kFirstGuessLimit = std::size_t{256} << 20;
    buffer = PageBuffer(std::clamp<std::size_t>(std::min(size, kFirstGuessLimit) * 4, std::size_t{1} << 16, kFirstGuessLimit));
    uint64_t reported = 0;
    const uint64_t limit = decompressedLimit();
    for (;;) {
        if (used > limit) return decompressedTooLarge(limit);
        if (inBegin == inEnd && !last) {
            inBegin = inEnd = 0;
            const ssize_t got = ::read(fd, in.data(), in.size());
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return std::strerror(errno ? errno : EIO);
            inEnd = static_cast<std::size_t>(got);
            last = got == 0;
        }
        if (buffer.size() - used < kPart / 4) buffer.grow(buffer.size() * 2);
        // Steps of bounded output, so the content passes the limit by little before it is seen.
        const std::size_t room = std::min(buffer.size() - used - 1, kPart * 64);
        const StreamCodec::Step s =
            decoder->step(std::string_view(in.data() + inBegin, inEnd - inBegin), buffer.data() + used, room, last);
        if (!s.error.empty()) return s.error;
        inBegin += s.taken;
        taken += s.taken;
        used += s.made;
        if (progress && taken - reported >= kPart / 4) {
            reported = taken;
            progress(WorkStep::Reading, taken, std::max<uint64_t>(size, taken));
        }
        if (s.ended) break;
        if (s.taken == 0 && s.made == 0 && !last) {
            // The decoder needs more input than the part holds: keep the rest, read on after it.
            std::memmove(in.data(), in.data() + inBegin, inEnd - inBegin);
            inEnd -= inBegin;
            inBegin = 0;
            if (inEnd == in.size()) in.resize(in.size() * 2);
            ssize_t got;
            do got = ::read(fd, in.data() + inEnd, in.size() - inEnd);
            while (got < 0 && errno == EINTR);
            if (got < 0) return std::strerror(errno ? errno : EIO);
            inEnd += static_cast<std::size_t>(got);
            last = got == 0;
        }
    }
    if (progress) progress(WorkStep::Reading, taken, taken);
    return {};
}

struct PartScan {
    std::size_t lineBreaks = 0;
    bool needsCare = false; // holds a CR or a byte 26
};

// Counts the LFs of data[0, n) and notes a CR or a byte 26. The count runs in blocks of 255 bytes
// with a one-byte counter, which the compiler turns into wide vector compares.
PartScan scanPart(const char* data, std::size_t n) {
    PartScan scan;
    unsigned char care = 0;
    for (std::size_t i = 0; i < n;) {
        const std::size_t blockEnd = std::min(n, i + 255);
        unsigned char breaks = 0;
        for (; i < blockEnd; ++i) {
            const unsigned char c = static_cast<unsigned char>(data[i]);
            breaks += c == '\n';
            care |= (c == '\r') | (c == 26);
        }
        scan.lineBreaks += breaks;
    }
    scan.needsCare = care != 0;
    return scan;
}

// Writes the offset after every LF of data[begin, end) to starts[first], starts[first + 1], ...
template <typename Offset>
void writeStarts(const char* data, std::size_t begin, std::size_t end, Offset* starts) {
    while (begin < end) {
        const void* lf = std::memchr(data + begin, '\n', end - begin);
        if (!lf) break;
        begin = static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1;
        *starts++ = static_cast<Offset>(begin);
    }
}

// A CR not followed by LF.
bool loneCrAt(const char* data, std::size_t k, std::size_t n) { return data[k] == '\r' && (k + 1 == n || data[k + 1] != '\n'); }

// Moves the text of data[r, end) to w without its CRs (never part of a line, before LF or
// alone), up to a byte 26 (which ends a line's text). Returns the new write position.
std::size_t compactLine(char* data, std::size_t r, std::size_t end, std::size_t w) {
    for (std::size_t k = r; k < end; ++k) {
        const char c = data[k];
        if (c == '\r') continue;
        if (c == 26) break;
        data[w++] = c;
    }
    return w;
}

} // namespace

void FileLines::clear() {
    buffer_ = PageBuffer();
    size_ = 0;
    std::vector<uint32_t>().swap(starts32_);
    std::vector<uint64_t>().swap(starts64_);
    wide_ = false;
    ended_ = false;
    std::string().swap(headWithLoneCrs_);
    continueLastLine_ = false;
    openRecord_ = 0;
    bytesRead_ = 0;
    compression_ = Compression::None;
}

int FileLines::joinRecords(int from, const std::function<bool(std::string_view, bool)>& endsInside) {
    const int n = count();
    std::vector<std::size_t> joined; // slot k - 1 holds the start of line k
    int earlier = 0;
    int i = std::max(from, 1);
    // Each line is looked at once: after a line left open to the end nothing more is joined, so
    // a stray quote cannot make the scan start over from every line after it.
    auto closingLine = [&](int first) {
        int j = first;
        while (j <= n && endsInside(line(j), true)) ++j;
        return j;
    };
    if (openRecord_ != 0) {
        const int close = closingLine(i);
        if (close > n) return 0; // still open
        for (int k = openRecord_ + 1; k <= close; ++k) joined.push_back(static_cast<std::size_t>(k - 1));
        earlier = openRecord_ < i ? openRecord_ : 0;
        openRecord_ = 0;
        i = close + 1;
    }
    for (; i <= n; ++i) {
        if (!endsInside(line(i), false)) continue;
        const int close = closingLine(i + 1);
        if (close > n) {
            openRecord_ = i;
            break;
        }
        for (int k = i + 1; k <= close; ++k) joined.push_back(static_cast<std::size_t>(k - 1));
        i = close;
    }
    if (!joined.empty()) {
        dropStarts(joined);
        if (openRecord_ != 0) openRecord_ -= static_cast<int>(joined.size());
    }
    return earlier;
}

void FileLines::dropStarts(const std::vector<std::size_t>& slots) {
    auto compact = [&](auto& starts) {
        std::size_t w = slots.front(), next = 0;
        for (std::size_t r = slots.front(); r < starts.size(); ++r) {
            if (next < slots.size() && slots[next] == r) {
                ++next;
                continue;
            }
            starts[w++] = starts[r];
        }
        starts.resize(w);
    };
    if (wide_)
        compact(starts64_);
    else
        compact(starts32_);
}

void FileLines::reopenLastLine() {
    if (count() == 0 || size_ == 0 || ended_) return;
    if (openRecord_ == count()) openRecord_ = 0; // its text changes: it is looked at afresh
    --size_; // the line break the split gave the last line
    if (wide_)
        starts64_.pop_back();
    else
        starts32_.pop_back();
    continueLastLine_ = true;
}

void FileLines::append(std::string_view bytes) {
    const bool continuing = std::exchange(continueLastLine_, false);
    bytesRead_ += bytes.size();
    if (bytes.empty() || ended_) {
        if (continuing) addStart(++size_); // the line keeps its break and stays as it was
        return;
    }
    if (size_ + bytes.size() + 1 > buffer_.size()) {
        // A larger buffer, doubling so that many small appends seldom grow it; its pages move
        // rather than being copied, so a large file's first append does not stall.
        buffer_.grow(std::max(size_ + bytes.size() + 1, 2 * buffer_.size()));
    }
    char* data = buffer_.data();
    std::memcpy(data + size_, bytes.data(), bytes.size());
    std::size_t n = size_ + bytes.size();
    if (crEndsLines_)
        for (std::size_t k = size_; k < n; ++k)
            if (loneCrAt(data, k, n)) data[k] = '\n';
    if (data[n - 1] != '\n') data[n++] = '\n';
    if (!wide_ && n >= UINT32_MAX) {
        starts64_.assign(starts32_.begin(), starts32_.end());
        std::vector<uint32_t>().swap(starts32_);
        wide_ = true;
    }
    if (!continuing) { // the sentinel goes; the walk sets it again after the new lines
        if (wide_)
            starts64_.pop_back();
        else
            starts32_.pop_back();
    }
    // The same walk as the careful split, from where the text ended.
    std::size_t r = size_, w = size_;
    for (bool first = true; r < n; first = false) {
        const bool continuedLine = first && continuing;
        if (!continuedLine) {
            if (data[r] == 26) { // Ctrl+Z at the start of a line ends the file
                ended_ = true;
                break;
            }
            addStart(w);
        }
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(std::memchr(data + r, '\n', n - r)) - data);
        w = compactLine(data, r, end, w);
        data[w++] = '\n';
        r = end + 1;
    }
    addStart(w);
    size_ = w;
}

std::string FileLines::read(const std::string& path, const ProgressReport& progress) {
    clear();
    int fd = -1;
    std::size_t size = 0;
    if (std::string error = openRegularFile(path, fd, size); !error.empty()) return error;
    const FileCloser closer{fd};
    Compression format = Compression::None;
    if (std::string error = compressionOfFile(fd, path, format); !error.empty()) return error;
    if (format != Compression::None) {
        if (std::string error = decodeToEnd(fd, size, format, buffer_, size_, bytesRead_, progress); !error.empty()) {
            clear();
            return error;
        }
        split();
        compression_ = format;
        return {};
    }
    // One byte more than the size, for the final line break the splitter may add.
    buffer_ = PageBuffer(size > 0 ? size + 1 : std::size_t{1} << 16);
    if (std::string error = readToEnd(fd, buffer_, size_, progress); !error.empty()) {
        clear();
        return error;
    }
    bytesRead_ = size_;
    split();
    return {};
}

void FileLines::assign(std::string_view bytes) {
    clear();
    buffer_ = PageBuffer(bytes.size() + 1);
    if (!bytes.empty()) std::memcpy(buffer_.data(), bytes.data(), bytes.size());
    size_ = bytes.size();
    bytesRead_ = size_;
    split();
}

void FileLines::split() {
    char* data = buffer_.data();
    if (crEndsLines_)
        for (std::size_t k = 0; k < size_; ++k)
            if (loneCrAt(data, k, size_)) data[k] = '\n';
    // Every line then ends with LF; a missing final line break adds no line of its own.
    if (size_ > 0 && data[size_ - 1] != '\n') data[size_++] = '\n';
    const std::size_t n = size_;
    wide_ = n >= UINT32_MAX;
    // The text in parts, one per core when it is large, each scanned for its line breaks and for
    // the bytes that make lines change.
    const std::size_t parts = partsFor(n, kBytesWorthSharing);
    auto partBegin = [&](std::size_t part) { return n * part / parts; };
    std::vector<PartScan> scans(parts);
    forEachInParallel(parts, [&](std::size_t part) {
        scans[part] = scanPart(data + partBegin(part), partBegin(part + 1) - partBegin(part));
    });
    std::size_t lines = 1; // the sentinel
    bool needsCare = false;
    for (const PartScan& scan : scans) {
        lines += scan.lineBreaks;
        needsCare = needsCare || scan.needsCare;
    }
    if (!needsCare) {
        // The usual case: nothing to drop, nothing to move; line k+1 starts after the k-th LF,
        // and each part writes the starts of its own LFs.
        std::vector<std::size_t> firstSlot(parts, 1);
        for (std::size_t part = 1; part < parts; ++part)
            firstSlot[part] = firstSlot[part - 1] + scans[part - 1].lineBreaks;
        auto fill = [&](auto& starts) {
            starts.resize(lines);
            starts[0] = 0;
            forEachInParallel(parts, [&](std::size_t part) {
                writeStarts(data, partBegin(part), partBegin(part + 1), starts.data() + firstSlot[part]);
            });
        };
        if (wide_)
            fill(starts64_);
        else
            fill(starts32_);
        return;
    }
    // The head as it was, where CRs alone end lines there: the proposal looks at it.
    constexpr std::size_t kHeadBytes = 1 << 20;
    const std::size_t head = std::min(n, kHeadBytes);
    for (std::size_t k = 0; k < head; ++k)
        if (loneCrAt(data, k, n)) {
            headWithLoneCrs_.assign(data, head);
            break;
        }
    // One slot per line plus the sentinel, reserved once: growing by doubling would hold the old
    // and the new table at the same time.
    if (wide_)
        starts64_.reserve(lines);
    else
        starts32_.reserve(lines);
    std::size_t r = 0, w = 0; // read and write positions; w never overtakes r
    while (r < n) {
        if (data[r] == 26) { // Ctrl+Z at the start of a line ends the file
            ended_ = true;
            break;
        }
        addStart(w);
        const char* lf = static_cast<const char*>(std::memchr(data + r, '\n', n - r));
        const std::size_t end = static_cast<std::size_t>(lf - data);
        if (w == r && !std::memchr(data + r, '\r', end - r) && !std::memchr(data + r, 26, end - r)) {
            w = end; // nothing to drop, nothing to move in this line
        } else {
            w = compactLine(data, r, end, w);
        }
        data[w++] = '\n';
        r = end + 1;
    }
    addStart(w);
    size_ = w;
}

std::string readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    int fd = -1;
    std::size_t size = 0;
    if (std::string error = openRegularFile(path, fd, size); !error.empty()) return error;
    const FileCloser closer{fd};
    PageBuffer buffer(size > 0 ? size + 1 : std::size_t{1} << 16);
    std::size_t used = 0;
    if (std::string error = readToEnd(fd, buffer, used); !error.empty()) return error;
    bytes.assign(buffer.data(), used);
    return {};
}

std::string readFileContent(const std::string& path, PageBuffer& content, std::size_t& size) {
    content = PageBuffer();
    size = 0;
    int fd = -1;
    std::size_t fileSize = 0;
    if (std::string error = openRegularFile(path, fd, fileSize); !error.empty()) return error;
    const FileCloser closer{fd};
    Compression format = Compression::None;
    if (std::string error = compressionOfFile(fd, path, format); !error.empty()) return error;
    std::size_t used = 0;
    uint64_t taken = 0;
    if (format == Compression::None) content = PageBuffer(fileSize > 0 ? fileSize + 1 : std::size_t{1} << 16);
    std::string error = format == Compression::None ? readToEnd(fd, content, used)
                                                    : decodeToEnd(fd, fileSize, format, content, used, taken, {});
    if (error.empty()) size = used;
    return error;
}

} // namespace varnotile
