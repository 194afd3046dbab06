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

    int count() const { return static_cast<int>(starts_.empty() ? 0 : starts_.size() - 1); }
    // Line i, 1-based; the empty view outside 1..count().
    std::string_view line(int i) const {
        if (i < 1 || i > count()) return {};
        const auto b = starts_[static_cast<std::size_t>(i - 1)];
        const auto e = starts_[static_cast<std::size_t>(i)] - 1;
        return std::string_view(buffer_.data() + b, e - b);
    }
    // All line text as stored (lines separated by LF), for encoding checks.
    std::string_view text() const { return buffer_; }

private:
    std::string buffer_;           // line texts, each followed by '\n'
    std::vector<uint64_t> starts_; // start of line k at starts_[k-1]; sentinel at the end
};

// Reads a whole file. Returns an empty string on success, else the system's reason.
std::string readWholeFile(const std::string& path, std::string& bytes);

} // namespace varnotile
