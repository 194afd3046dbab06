// Compressed data files, over the four formats: they open as the plain file would, a save to a
// compressed name writes that format (read back decompressed), and damaged or cut-short data
// give a reason and no table. The compressed test files are made here with the same libraries.
#include "checked_save.h"
#include "compression.h"
#include "data_writer.h"
#include "loader.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>

using namespace varnotile;
using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

struct Format {
    Compression compression;
    const char* extension;
};
const Format kFormats[] = {{Compression::Gzip, ".gz"}, {Compression::Xz, ".xz"}, {Compression::Bzip2, ".bz2"},
                           {Compression::Zstd, ".zst"}};

std::string encoded(Compression format, std::string_view text) {
    std::string out;
    EXPECT_EQ(runCodec(*makeEncoder(format), text, true, out), "");
    return out;
}

std::string decoded(Compression format, std::string_view bytes) {
    std::string out;
    EXPECT_EQ(runCodec(*makeDecoder(format), bytes, true, out), "");
    return out;
}

// A table of a few thousand rows with a header, CR LF line ends and a last line without one.
std::string tableText(int rows) {
    std::string text = "Bench 7\r\ntime;U;I\r\ns;V;A\r\n";
    for (int r = 0; r < rows; ++r)
        text += std::to_string(r) + ";" + std::to_string((r * 7919) % 1000) + "," + std::to_string(r % 10) + ";" +
                std::to_string(r * r % 977) + "\r\n";
    text += "end;1;2";
    return text;
}

void expectSameTable(const DataSet& a, const DataSet& b, const char* extension) {
    ASSERT_EQ(a.Layout.DataRowCount, b.Layout.DataRowCount) << extension;
    ASSERT_EQ(a.Layout.ColumnCount, b.Layout.ColumnCount) << extension;
    EXPECT_EQ(a.Layout.FirstDataLine, b.Layout.FirstDataLine) << extension;
    for (int j = 1; j <= a.Layout.ColumnCount; ++j) {
        EXPECT_EQ(a.Layout.ColumnNames[j], b.Layout.ColumnNames[j]) << extension;
        for (int r = 1; r <= a.Layout.DataRowCount; ++r)
            ASSERT_EQ(a.Table.Cells.cell(j, r), b.Table.Cells.cell(j, r)) << extension << " row " << r;
    }
}

} // namespace

TEST(CompressedFiles, EachFormatOpensAsTheSameTableAsThePlainFileAlsoInSeveralStreams) {
    TempDir dir;
    const std::string text = tableText(3000);
    DataSet plain;
    plain.Layout.ListSeparator = ";";
    plain.File.CurrentFileName = dir.write("plain.csv", text);
    ASSERT_EQ(LoadDataFile(plain).status, LoadOutcome::Status::Loaded);
    for (const Format& f : kFormats) {
        // One stream, and two streams one after the other (as concatenated files are), the
        // second named by its bytes only.
        const std::size_t half = text.size() / 2;
        const std::string files[] = {dir.write(std::string("one.csv") + f.extension, encoded(f.compression, text)),
                                     dir.write("two.csv", encoded(f.compression, text.substr(0, half)) +
                                                              encoded(f.compression, text.substr(half)))};
        for (const std::string& file : files) {
            DataSet ds;
            ds.Layout.ListSeparator = ";";
            ds.File.CurrentFileName = file;
            ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded) << file;
            EXPECT_EQ(ds.File.FileLines.compression(), f.compression) << file;
            expectSameTable(plain, ds, f.extension);
        }
    }
}

TEST(CompressedFiles, ALargeFileReadsInPartsWithProgressByCompressedBytesAndCanBeStopped) {
    // Digits that barely compress: the compressed file is read in several parts.
    std::string text = "a;b\n";
    uint32_t x = 12345;
    while (text.size() < (std::size_t{5} << 20)) {
        x = x * 1103515245u + 12345u;
        text += std::to_string(x % 100000) + ";" + std::to_string((x >> 8) % 1000000) + "\n";
    }
    TempDir dir;
    const std::string bytes = encoded(Compression::Gzip, text);
    ASSERT_GT(bytes.size(), std::size_t{2} << 20);
    FileLines lines;
    uint64_t last = 0, total = 0;
    ASSERT_EQ(lines.read(dir.write("large.csv.gz", bytes), [&](WorkStep, uint64_t done, uint64_t whole) {
        EXPECT_GE(done, last);
        last = done;
        total = whole;
    }), "");
    EXPECT_EQ(lines.text(), text);
    EXPECT_EQ(last, bytes.size());
    EXPECT_EQ(total, bytes.size());
    // A load stopped at a report stops the decoding there.
    EXPECT_THROW(lines.read(dir.path() + "/large.csv.gz", [](WorkStep, uint64_t, uint64_t) { throw WorkCancelled(); }),
                 WorkCancelled);
}

TEST(CompressedFiles, ASaveToEachExtensionWritesThatFormatReadBackDecompressed) {
    TempDir dir;
    DataSet ds;
    ds.Layout.ListSeparator = ";";
    ds.File.CurrentFileName = dir.write("plain.csv", tableText(500));
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
    std::string writerBytes;
    ASSERT_TRUE(WriteDataFile(ds, [&](std::string_view piece) {
        writerBytes += piece;
        return true;
    }));
    for (const Format& f : kFormats) {
        const std::string out = dir.path() + "/saved.csv" + f.extension;
        const CheckedSave save = SaveDataFileChecked(ds, out, false, false);
        ASSERT_EQ(save.error, "") << f.extension;
        ASSERT_FALSE(save.difference.found) << f.extension << ReadBackSentence(save.difference);
        const std::string bytes = readFile(out);
        EXPECT_EQ(compressionOfBytes(bytes.substr(0, kCompressionMagicBytes)), f.compression) << f.extension;
        EXPECT_EQ(decoded(f.compression, bytes), writerBytes) << f.extension;
    }
}

TEST(CompressedFiles, DamagedCutShortOrMisnamedDataGiveTheReasonAndNoTable) {
    TempDir dir;
    const std::string text = tableText(2000);
    struct Case {
        std::string name, bytes, reason;
    };
    std::vector<Case> cases;
    for (const Format& f : kFormats) {
        const std::string good = encoded(f.compression, text);
        const std::string format(compressionName(f.compression));
        std::string damaged = good;
        for (std::size_t k = good.size() / 2; k < good.size() / 2 + 8; ++k) damaged[k] = static_cast<char>(~damaged[k]);
        cases.push_back({std::string("cut.csv") + f.extension, good.substr(0, good.size() * 2 / 3),
                         "the " + format + " data end too early: the file is cut short"});
        cases.push_back({std::string("damaged.csv") + f.extension, damaged, "the " + format + " data are damaged"});
        cases.push_back({std::string("plain.csv") + f.extension, text, "the name says " + format + " data"});
        cases.push_back({std::string("empty.csv") + f.extension, "", "the name says " + format + " data, but the file is empty"});
    }
    cases.push_back({"trailing.csv.gz", encoded(Compression::Gzip, text) + "garbage",
                     "the gzip data are followed by bytes that are no gzip data"});
    for (const Case& c : cases) {
        DataSet ds;
        ds.File.CurrentFileName = dir.write(c.name, c.bytes);
        const LoadOutcome outcome = LoadDataFile(ds);
        EXPECT_EQ(outcome.status, LoadOutcome::Status::ReadError) << c.name;
        EXPECT_EQ(outcome.error.substr(0, c.reason.size()), c.reason) << c.name << ": " << outcome.error;
        EXPECT_EQ(ds.File.LineCount, 0) << c.name;
        EXPECT_EQ(ds.Layout.DataRowCount, 0) << c.name;
    }
}

TEST(CompressedFiles, MegabytesOfRepetitiveTextSaveToEveryFormat) {
    // An encoder holds back its output over a long stretch of compressible text: the check's
    // decoder then sees no input for many pieces and must wait rather than call it cut short.
    std::string text = "a,b,c\n";
    while (text.size() < (std::size_t{4} << 20)) text += "1,2,3\n";
    TempDir dir;
    DataSet ds;
    ds.File.CurrentFileName = dir.write("ones.csv", text);
    ASSERT_EQ(LoadDataFile(ds).status, LoadOutcome::Status::Loaded);
    for (const Format& f : kFormats) {
        const std::string out = dir.path() + "/ones.csv" + f.extension;
        const CheckedSave save = SaveDataFileChecked(ds, out, false, false);
        ASSERT_EQ(save.error, "") << f.extension;
        ASSERT_FALSE(save.difference.found) << f.extension;
        EXPECT_EQ(decoded(f.compression, readFile(out)), DataFileText(ds)) << f.extension;
    }
}

TEST(CompressedFiles, ContentExpandingPastTheLimitIsRefusedEarlyWithTheLimitNamed) {
    std::string text;
    while (text.size() < (std::size_t{24} << 20)) text += "1,2,3\n";
    TempDir dir;
    const std::string file = dir.write("bomb.csv.zst", encoded(Compression::Zstd, text));
    setDecompressedLimit(std::size_t{8} << 20);
    FileLines lines;
    const std::string error = lines.read(file);
    setDecompressedLimit(0);
    EXPECT_EQ(error, "the decompressed data pass 8.4 MB, a quarter of this machine's memory: too large to read here");
    EXPECT_EQ(lines.count(), 0);
    EXPECT_GT(decompressedLimit(), uint64_t{1} << 26); // the machine's own: a quarter of its memory
    EXPECT_EQ(lines.read(file), "");
}
