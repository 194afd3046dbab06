// Quoted texts as spreadsheets write them: delimiters, doubled quotes, empty texts and line
// breaks inside quotes, CR LF line ends and a byte-order mark, read with quoted texts on and as
// the detector proposes; a multi-line cell saved and read back.
#include "cell_editing.h"
#include "checked_save.h"
#include "data_writer.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

using namespace varnotile;
using varnotile::test::TempDir;

namespace {

// Names, then the cells of each row, columns split by '|', rows by ';'.
std::string tableOf(const DataSet& ds) {
    std::string t;
    for (int k = 1; k <= ds.Layout.ColumnCount; ++k) t += ds.Layout.ColumnNames[k] + (k < ds.Layout.ColumnCount ? "|" : "");
    for (int r = 1; r <= ds.Layout.DataRowCount; ++r) {
        t += ";";
        for (int k = 1; k <= ds.Layout.ColumnCount; ++k)
            t.append(ds.Table.Cells.cell(k, r)).append(k < ds.Layout.ColumnCount ? "|" : "");
    }
    return t;
}

LoadOutcome loadFile(DataSet& ds, const std::string& path, bool quotes, bool autoReading) {
    ds.File.CurrentFileName = path;
    ds.Layout.Reading.quotedTexts = quotes;
    return LoadDataFile(ds, autoReading);
}

} // namespace

TEST(QuotedRecords, CsvSuiteCasesReadWithQuotesAndAsProposed) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string table;
        bool proposed = true; // read as proposed too (else only with quoted texts on)
        std::string asProposed{}; // empty: the same table
    } cases[] = {
        {"comma in quotes", "first,city,zip\nJohn,\"Anytown, WW\",08123\nJane,\"Big, City\",08124\nJim,Town,08125\nJo,\"A, B\",08126\n",
         "first|city|zip;John|Anytown, WW|08123;Jane|Big, City|08124;Jim|Town|08125;Jo|A, B|08126"},
        {"empty quoted texts", "a,b,c\n1,\"\",\"\"\n2,3,4\n5,6,7\n8,9,10\n", "a|b|c;1||;2|3|4;5|6|7;8|9|10"},
        {"empty quoted texts, CR LF", "a,b,c\r\n1,\"\",\"\"\r\n2,3,4\r\n5,6,7\r\n8,9,10\r\n", "a|b|c;1||;2|3|4;5|6|7;8|9|10"},
        {"doubled quotes", "a,b\n1,\"ha \"\"ha\"\" ha\"\n3,4\n5,6\n7,8\n", "a|b;1|ha \"ha\" ha;3|4;5|6;7|8"},
        {"json in a cell", "key,val\n1,\"{\"\"x\"\": [1, 2]}\"\n2,\"{}\"\n3,\"[]\"\n4,\"{\"\"a\"\": 1}\"\n",
         "key|val;1|{\"x\": [1, 2]};2|{};3|[];4|{\"a\": 1}"},
        {"line break in quotes", "a,b,c\n1,2,3\n\"Once upon \na time\",5,6\n7,8,9\n10,11,12\n13,14,15\n",
         "a|b|c;1|2|3;Once upon \na time|5|6;7|8|9;10|11|12;13|14|15"},
        {"line break in quotes, CR LF", "a,b,c\r\n1,2,3\r\n\"Once upon \r\na time\",5,6\r\n7,8,9\r\n10,11,12\r\n13,14,15\r\n",
         "a|b|c;1|2|3;Once upon \na time|5|6;7|8|9;10|11|12;13|14|15"},
        {"quotes and line breaks", "a,b\n1,\"ha \n\"\"ha\"\" \nha\"\n3,4\n5,6\n7,8\n", "a|b;1|ha \n\"ha\" \nha;3|4;5|6;7|8"},
        {"simple", "a,b,c\n1,2,3\n4,5,6\n7,8,9\n10,11,12\n", "a|b|c;1|2|3;4|5|6;7|8|9;10|11|12"},
        {"simple, CR LF", "a,b,c\r\n1,2,3\r\n4,5,6\r\n7,8,9\r\n10,11,12\r\n", "a|b|c;1|2|3;4|5|6;7|8|9;10|11|12"},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" "a,b,c\n1,2,3\n4,5,\xCA\xA4\n6,7,\xC3\xA9\n8,9,x\n",
         "a|b|c;1|2|3;4|5|\xCA\xA4;6|7|\xC3\xA9;8|9|x", true,
         // Nothing is proposed, and the plain rules keep the mark in the first name.
         "\xEF\xBB\xBF" "a|b|c;1|2|3;4|5|\xCA\xA4;6|7|\xC3\xA9;8|9|x"},
        // A quote that never closes keeps its line and the lines after it as they are.
        {"stray quote", "a,b\n1,2\n3,\"4\n5,6\n7,8\n9,10\n", "a|b;1|2;3|4;5|6;7|8;9|10", false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("case.csv", c.bytes);
        for (const bool autoReading : {false, true}) {
            if (autoReading && !c.proposed) continue;
            SCOPED_TRACE(autoReading ? "as proposed" : "quotes");
            DataSet ds;
            ASSERT_EQ(loadFile(ds, path, !autoReading, autoReading).status, LoadOutcome::Status::Loaded);
            EXPECT_EQ(tableOf(ds), autoReading && !c.asProposed.empty() ? c.asProposed : c.table);
        }
    }
}

TEST(QuotedRecords, MultiLineCellEditedSavesAndReadsBack) {
    TempDir dir;
    const std::string path =
        dir.write("in.csv", "t,note,v\r\n1,\"one\",2\r\n2,\"two\r\nlines\",4\r\n3,\"x\",6\r\n4,\"y\",8\r\n5,\"z\",10\r\n");
    DataSet ds;
    ASSERT_EQ(loadFile(ds, path, true, false).status, LoadOutcome::Status::Loaded);
    ASSERT_EQ(ds.Layout.DataRowCount, 5);
    EditCell(ds, 2, 4, "new\nbreak, \"quoted\"");
    EXPECT_EQ(FindSplitTexts(ds).count, 0);
    const std::string saved = dir.path() + "/out.csv";
    const CheckedSave result = SaveDataFileChecked(ds, saved, false, false);
    ASSERT_EQ(result.error, "");
    EXPECT_FALSE(result.difference.found) << result.difference.what;
    DataSet back;
    ASSERT_EQ(loadFile(back, saved, true, false).status, LoadOutcome::Status::Loaded);
    EXPECT_EQ(tableOf(back), tableOf(ds));
    EXPECT_EQ(back.Table.Cells.cell(2, 2), "two\nlines");
    EXPECT_EQ(back.Table.Cells.cell(2, 4), "new\nbreak, \"quoted\"");
    EXPECT_EQ(back.value(3, 4), 8.0);
}
