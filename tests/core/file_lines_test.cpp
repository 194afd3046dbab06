// Large texts are read and split in parts on several cores; the lines must not depend on it.
#include "file_lines.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace varnotile;

TEST(ReadLines, LargeTextSplitsAndReadsLikeItsLineByLineReading) {
    // Lines of every length from 0 to 96 bytes, several megabytes in all, so that the parts
    // begin and end anywhere in a line.
    std::vector<std::string> expected;
    std::string text;
    for (int i = 0; text.size() < (std::size_t{3} << 20) + 17; ++i) {
        expected.push_back(std::string(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26)));
        text += expected.back() + '\n';
    }
    text.pop_back(); // the last line without its line break
    auto check = [&](const FileLines& lines, const char* how) {
        ASSERT_EQ(lines.count(), static_cast<int>(expected.size())) << how;
        for (int i = 1; i <= lines.count(); ++i) ASSERT_EQ(lines.line(i), expected[static_cast<std::size_t>(i - 1)]) << how << i;
    };
    FileLines lines;
    lines.assign(text);
    check(lines, "split ");
    test::TempDir dir;
    ASSERT_EQ(lines.read(dir.write("large.csv", text)), "");
    check(lines, "read ");
    lines.assign(text + "\r"); // a CR anywhere takes the careful walk, with the same lines
    check(lines, "careful ");
}
