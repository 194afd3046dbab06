// Column names written in a comment line above the data ("# x y dy", a scan file's "#L Z TOTAL"):
// read with the option, proposed by the detector, and written back on a save.
#include "checked_save.h"
#include "format_detector.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

std::string namesOf(const DataSet& ds) {
    std::string names;
    for (int k = 1; k <= ds.Layout.ColumnCount && ds.Layout.HeaderLineCount > 0; ++k)
        names += (k > 1 ? "|" : "") + std::string(trimBlanks(ds.Layout.ColumnNames[k]));
    return names;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return lines;
}

const ReadOptions kOn{.whitespace = true, .commentLines = true, .namesInComment = true};
const ReadOptions kOff{.whitespace = true, .commentLines = true};
const ReadOptions kTabOn{.commentLines = true, .namesInComment = true};

} // namespace

TEST(NamesInComment, ReadFromTheCommentLineThatFitsAndProposed) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* delimiter;
        ReadOptions options;
        const char* names; // trimmed, joined by '|'; "" for none
        bool proposed;     // the detector proposes the option for the file
    };
    const std::string rows = "1.0  2.0  0.1\n2.0  3.5  0.2\n3.0  4.5  0.1\n4.0  5.0  0.3\n5.0  6.5  0.2\n";
    const std::string tabRows = "1\t1\t50.0\n2\t1\t51.5\n3\t1\t52.0\n4\t1\t49.5\n5\t1\t48.0\n";
    const Case cases[] = {
        // The nearest comment line of one name per column names them with comment lines alone.
        {"plain comment names", "# Fit results\n# x      y      dy\n" + rows, ",", kOn, "x|y|dy", false},
        {"a note between the names and the data", "# x y dy\n# units: s\n\n" + rows, ",", kOn, "x|y|dy", true},
        {"a scan file's #L line", "#S 1 K rates\n#N 3\n#L Z  TOTAL  KL1\n" + rows, ",", kOn, "Z|TOTAL|KL1", true},
        {"tab-separated commented names holding a number", "# tab delimited\n# pair\t1\tL1\n" + tabRows, "\t",
         kTabOn, "pair|1|L1", true},
        {"names between rule lines", "# title\n-----\na b c\n-----\n" + rows, ",", kOn, "a|b|c", true},
        {"a comment of another count", "# x y\n" + rows, ",", kOn, "", false},
        {"a comment of numbers only", "# 1 2 3\n" + rows, ",", kOn, "", false},
        {"option off: a note between", "# x y dy\n# units: s\n" + rows, ",", kOff, "", true},
        {"option off: #L", "#L Z  TOTAL  KL1\n" + rows, ",", kOff, "", true},
        {"a names line found: nothing proposed", "# x y dy\nx y dy\n" + rows, ",", kOn, "x|y|dy", false},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        DataSet ds;
        ds.Layout.ListSeparator = c.delimiter;
        ds.Layout.Reading = c.options;
        ds.File.CurrentFileName = dir.write("in.txt", c.bytes);
        LoadDataFile(ds);
        EXPECT_EQ(ds.Layout.DataRowCount, 5) << c.what;
        EXPECT_EQ(namesOf(ds), c.names) << c.what;
        const FormatProposal p = ProposeReading(linesOf(c.bytes), '.');
        EXPECT_EQ(p.options.namesInComment, c.proposed) << c.what << ": " << p.sentence();
        EXPECT_TRUE(!c.proposed || p.options.commentLines) << c.what;
    }
}

// A renamed column rewrites the names comment with its prefix and tag; the save's read-back
// check agrees, and the lines around it stay as they stood.
TEST(NamesInComment, ARenameRewritesTheCommentAndReadsBack) {
    test::TempDir dir;
    DataSet ds;
    ds.Layout.Reading = kOn;
    ds.File.CurrentFileName = dir.write("in.dat", "#S 1 K rates\n#L Z  TOTAL  KL1\n1 2 3\n4 5 6\n7 8 9\n10 11 12\n13 14 15\n");
    LoadDataFile(ds);
    ASSERT_EQ(namesOf(ds), "Z|TOTAL|KL1");
    ds.Layout.ColumnNames[2] = "ALL";
    const std::string saved = dir.path() + "/out.dat";
    const CheckedSave result = SaveDataFileChecked(ds, saved, false, false);
    EXPECT_EQ(result.error, "");
    EXPECT_FALSE(result.difference.found) << result.difference.what;
    const std::string text = test::readFile(saved);
    EXPECT_EQ(text.substr(0, text.find("1 2 3")), "#S 1 K rates\r\n#L Z ALL KL1\r\n") << text;
    DataSet back;
    back.Layout.Reading = kOn;
    back.File.CurrentFileName = saved;
    LoadDataFile(back);
    EXPECT_EQ(namesOf(back), "Z|ALL|KL1");

    // Names between rule lines are an ordinary names line once found.
    DataSet ruled;
    ruled.Layout.Reading = kOn;
    ruled.File.CurrentFileName = dir.write("ruled.dat", "# fit\n---\na b\n---\n1 2\n3 4\n5 6\n7 8\n9 10\n");
    LoadDataFile(ruled);
    ruled.Layout.ColumnNames[1] = "t";
    const CheckedSave again = SaveDataFileChecked(ruled, saved, false, false);
    EXPECT_FALSE(again.difference.found) << again.difference.what;
    EXPECT_EQ(test::readFile(saved).substr(0, 20), "# fit\r\n---\r\nt b\r\n---");
}
