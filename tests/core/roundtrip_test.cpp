// Loading a file and saving it unchanged with the same delimiter gives back the same bytes, for
// every file the writer's format can express. That set, as the generator below builds it:
//  - every line ends with CR LF, the last one included, and no line holds CR, LF or byte 26;
//  - the delimiter is comma, semicolon or tab, and no cell contains it;
//  - 1 to 10 columns; every named header line and every data line has exactly that many fields,
//    and its last field ends in a character that is neither a blank nor the delimiter (so the
//    trimming of the layout rules counts every field);
//  - with two or more columns: up to three free header text lines of one field each on top,
//    then up to three named header lines without a numeric field, then data lines whose first
//    line holds a number (so that no line is passed over by the header detection);
//  - with one column: free header lines that are not numbers, then data lines starting with a
//    number;
//  - at least five lines. Cells take any other byte, non-ASCII and NUL included.
#include "data_writer.h"
#include "loader.h"
#include "number_text.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace varnotile;
using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

class FileMaker {
public:
    explicit FileMaker(uint32_t seed) : rng_(seed) {}

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    std::string number() {
        std::string s;
        do {
            s.clear();
            if (chance(30)) s += chance(80) ? "-" : "+";
            const int digits = pick(1, 18);
            for (int i = 0; i < digits; ++i) s += static_cast<char>('0' + pick(0, 9));
            if (chance(50)) {
                s += '.';
                for (int i = pick(0, 6); i > 0; --i) s += static_cast<char>('0' + pick(0, 9));
            }
            if (chance(15)) s += (chance(50) ? "E" : "e") + std::to_string(pick(-320, 320));
        } while (!IsNumericText(s, '.'));
        return s;
    }

    // Any bytes but CR, LF, byte 26 and the delimiter; never a number. `last`: not empty, and
    // ending in something other than a blank.
    std::string text(char delimiter, bool last) {
        std::string s;
        do {
            s.clear();
            for (int i = pick(last ? 1 : 0, 8); i > 0; --i) {
                int c = chance(30) ? pick(0x80, 0xFF) : chance(5) ? 0 : pick(0x20, 0x7E);
                if (c == '\r' || c == '\n' || c == 26 || c == static_cast<unsigned char>(delimiter)) c = 'x';
                s += static_cast<char>(c);
            }
            if (last && (s.back() == ' ' || s.back() == '\t')) s.back() = 'z';
        } while (IsNumericText(s, '.'));
        return s;
    }

    std::string cell(char delimiter, bool last) { return chance(60) ? number() : text(delimiter, last); }

    std::string file(char& delimiter) {
        static const char kDelimiters[] = {',', ';', '\t'};
        delimiter = kDelimiters[pick(0, 2)];
        const int columns = chance(10) ? 1 : pick(2, 10);
        std::string out;
        int lines = 0;
        auto endLine = [&] {
            out += "\r\n";
            ++lines;
        };
        if (chance(10)) out += "\xEF\xBB\xBF";
        for (int i = pick(0, 3); i > 0; --i) {
            out += text(delimiter, true);
            endLine();
        }
        if (columns > 1) {
            for (int h = pick(0, 3); h > 0; --h) {
                for (int j = 1; j <= columns; ++j) {
                    out += text(delimiter, j == columns);
                    if (j < columns) out += delimiter;
                }
                endLine();
            }
        }
        const int rows = pick(5, 60);
        for (int r = 1; r <= rows; ++r) {
            for (int j = 1; j <= columns; ++j) {
                out += (r == 1 && j == 1) ? number() : cell(delimiter, j == columns);
                if (j < columns) out += delimiter;
            }
            endLine();
        }
        return out;
    }

private:
    std::mt19937 rng_;
};

} // namespace

TEST(RoundTrip, LoadAndSaveUnchangedGivesTheSameBytes) {
    TempDir dir;
    FileMaker maker(20261207);
    for (int n = 0; n < 400; ++n) {
        char delimiter = ',';
        const std::string bytes = maker.file(delimiter);
        DataSet ds;
        ds.Layout.ListSeparator.assign(1, delimiter);
        ds.File.CurrentFileName = dir.write("in.csv", bytes);
        const LoadOutcome outcome = LoadDataFile(ds);
        ASSERT_EQ(outcome.status, LoadOutcome::Status::Loaded) << "file " << n;
        EXPECT_TRUE(outcome.messages.empty()) << "file " << n;
        EXPECT_FALSE(ds.Layout.ExtraColumnFound) << "file " << n;
        ASSERT_EQ(DataFileText(ds), bytes) << "file " << n;
        const std::string saved = dir.path() + "/out.csv";
        ASSERT_EQ(SaveDataFile(ds, saved, false), "") << "file " << n;
        ASSERT_EQ(readFile(saved), bytes) << "file " << n;
    }
}
