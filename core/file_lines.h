#pragma once
// The lines of a data file, held once in one buffer and handed out as views.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

class FileLines {
public:
    // Splits `bytes` into lines: a line ends at LF, a CR before the LF is not part of it, a CR
    // not followed by LF is dropped, a byte 26 at the start of a line ends the file and inside a
    // line ends that line's text. The buffer is compacted in place, so no second copy is made.
    void assign(std::string bytes);
    void clear();

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
        if (count() > 0 && start(0) == 0 && buffer_.compare(0, 3, "\xEF\xBB\xBF") == 0 && start(1) >= 4) {
            if (wide_)
                starts64_[0] = 3;
            else
                starts32_[0] = 3;
        }
    }
    // All line text as stored (lines separated by LF), for encoding checks.
    std::string_view text() const { return buffer_; }

private:
    uint64_t start(std::size_t k) const { return wide_ ? starts64_[k] : starts32_[k]; }
    void addStart(uint64_t offset) {
        if (wide_)
            starts64_.push_back(offset);
        else
            starts32_.push_back(static_cast<uint32_t>(offset));
    }

    std::string buffer_; // line texts, each followed by '\n'
    // Start of line k at index k-1, with a sentinel at the end. Offsets take 32 bits while the
    // text is under 4 GiB, which halves this table for the usual million-line file.
    std::vector<uint32_t> starts32_;
    std::vector<uint64_t> starts64_;
    bool wide_ = false;
};

// Reads a whole file. Returns an empty string on success, else the system's reason.
std::string readWholeFile(const std::string& path, std::string& bytes);

} // namespace varnotile
