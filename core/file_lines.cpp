#include "file_lines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace varnotile {

void FileLines::clear() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
}

void FileLines::assign(std::string bytes) {
    starts_.clear();
    buffer_ = std::move(bytes);
    // Every line then ends with LF; a missing final line break adds no line of its own.
    if (!buffer_.empty() && buffer_.back() != '\n') buffer_.push_back('\n');
    const std::size_t n = buffer_.size();
    char* data = buffer_.data();
    std::size_t r = 0, w = 0; // read and write positions; w never overtakes r
    while (r < n) {
        if (data[r] == 26) break; // Ctrl+Z at the start of a line ends the file
        starts_.push_back(w);
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
    starts_.push_back(w);
    buffer_.resize(w);
}

std::string readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::strerror(errno);
    if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
    char chunk[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, f);
        if (got > 0) bytes.append(chunk, got);
        if (got < sizeof chunk) {
            if (std::ferror(f)) {
                const int err = errno;
                std::fclose(f);
                bytes.clear();
                return std::strerror(err ? err : EIO);
            }
            break;
        }
    }
    std::fclose(f);
    return {};
}

} // namespace varnotile
