#include "file_lines.h"

#include <algorithm>
#include <cstdint>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnotile {

void FileLines::clear() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    std::vector<uint32_t>().swap(starts32_);
    std::vector<uint64_t>().swap(starts64_);
    wide_ = false;
}

void FileLines::assign(std::string bytes) {
    clear();
    buffer_ = std::move(bytes);
    // Every line then ends with LF; a missing final line break adds no line of its own.
    if (!buffer_.empty() && buffer_.back() != '\n') buffer_.push_back('\n');
    const std::size_t n = buffer_.size();
    char* data = buffer_.data();
    // One slot per line plus the sentinel, reserved once: growing by doubling would hold the old
    // and the new table at the same time.
    wide_ = n >= UINT32_MAX;
    const std::size_t lines = static_cast<std::size_t>(std::count(data, data + n, '\n')) + 1;
    if (wide_)
        starts64_.reserve(lines);
    else
        starts32_.reserve(lines);
    std::size_t r = 0, w = 0; // read and write positions; w never overtakes r
    while (r < n) {
        if (data[r] == 26) break; // Ctrl+Z at the start of a line ends the file
        addStart(w);
        const char* lf = static_cast<const char*>(std::memchr(data + r, '\n', n - r));
        const std::size_t end = static_cast<std::size_t>(lf - data);
        if (w == r && !std::memchr(data + r, '\r', end - r) && !std::memchr(data + r, 26, end - r)) {
            w = end; // the usual case: nothing to drop, nothing to move
        } else {
            for (std::size_t k = r; k < end; ++k) {
                const char c = data[k];
                if (c == '\r') continue; // a CR is never part of a line (before LF or alone)
                if (c == 26) break;      // Ctrl+Z inside a line ends its text
                data[w++] = c;
            }
        }
        data[w++] = '\n';
        r = end + 1;
    }
    addStart(w);
    buffer_.resize(w);
}

std::string readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Opened without waiting, so that a named pipe nobody writes to cannot block the program, and
    // only regular files are read: a pipe or a device (a terminal, /dev/zero) may never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
    // One byte more than the size, so that the line splitter's final line break needs no second
    // buffer; a file that grows while it is read simply gets more room.
    std::size_t used = 0;
    bytes.resize(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : std::size_t{1} << 16);
    for (;;) {
        if (used == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            bytes.clear();
            return std::strerror(err ? err : EIO);
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(used);
    return {};
}

} // namespace varnotile
