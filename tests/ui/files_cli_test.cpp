// varnotile-cli: convert's delimiter conversion, exit statuses, and the default delimiter taken
// from the settings file beside the program; the command line every command shares; compressed files;
// standard output, pipes and devices as targets.
#include "compression.h"
#include "test_files.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

struct CliRun {
    int status = -1;
    QString errors;
    QString output;
};

CliRun run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError()),
            QString::fromLocal8Bit(p.readAllStandardOutput())};
}

CliRun convert(const QString& program, const QStringList& args) {
    return run(program, QStringList{QStringLiteral("convert")} + args);
}

const std::string kSemicolons = "Bench 3\nt;U\n0;1,5\n1;2,5\n2;3,5\n3;4,5\n";

} // namespace

TEST(FilesCli, ConvertWritesTheSavedFormWithTheNewDelimiter) {
    TempDir dir;
    const QString in = QString::fromStdString(dir.write("in.csv", kSemicolons));
    const QString out = QString::fromStdString(dir.path() + "/out.txt");
    const CliRun run = convert(QStringLiteral(VARNOTILE_CLI), {"--delimiter", ";", "--decimal", ",", "--to-delimiter",
                                                            "Tab", in, out});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(readFile(out.toStdString()), "Bench 3\r\nt\tU\r\n0\t1,5\r\n1\t2,5\r\n2\t3,5\r\n3\t4,5\r\n");
    // Written with '|', the proposed reading takes it as pipe-separated and writes it back the same.
    const QString pipes = QString::fromStdString(dir.path() + "/pipes.txt");
    ASSERT_EQ(convert(QStringLiteral(VARNOTILE_CLI), {"--auto", "--to-delimiter", "|", out, pipes}).status, 0);
    EXPECT_EQ(readFile(pipes.toStdString()), "Bench 3\r\nt|U\r\n0|1,5\r\n1|2,5\r\n2|3,5\r\n3|4,5\r\n");
    ASSERT_EQ(convert(QStringLiteral(VARNOTILE_CLI), {"--auto", pipes, out}).status, 0);
    EXPECT_EQ(readFile(out.toStdString()), readFile(pipes.toStdString()));

    EXPECT_EQ(convert(QStringLiteral(VARNOTILE_CLI), {QString::fromStdString(dir.write("short.csv", "1\n2\n")), out}).status, 1);
    const CliRun unwritable = convert(QStringLiteral(VARNOTILE_CLI), {in, QString::fromStdString(dir.path() + "/no/out.txt")});
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_TRUE(unwritable.errors.contains(QStringLiteral("cannot write"))) << unwritable.errors.toStdString();
    EXPECT_EQ(convert(QStringLiteral(VARNOTILE_CLI), {"--to-delimiter", "ab", in, out}).status, 2);
    EXPECT_EQ(convert(QStringLiteral(VARNOTILE_CLI), {in}).status, 2);
}

TEST(FilesCli, WithoutDelimiterOptionTheSettingsBesideTheProgramDecide) {
    TempDir dir;
    // A copy of the program in a folder of its own, with the window program's settings file.
    const QString program = QString::fromStdString(dir.path() + "/varnotile-cli");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VARNOTILE_CLI), program));
    const QString in = QString::fromStdString(dir.write("in.csv", kSemicolons));
    const QString out = QString::fromStdString(dir.path() + "/out.csv");
    // No settings file: the comma, so every line is one field and comes back unchanged.
    ASSERT_EQ(convert(program, {"--to-delimiter", ",", in, out}).status, 0);
    EXPECT_EQ(readFile(out.toStdString()), "Bench 3\r\nt;U\r\n0;1,5\r\n1;2,5\r\n2;3,5\r\n3;4,5\r\n");
    dir.write("varnotile.INI", "[List Separator]\r\nValue=;\r\n");
    ASSERT_EQ(convert(program, {"--to-delimiter", "Tab", in, out}).status, 0);
    EXPECT_EQ(readFile(out.toStdString()), "Bench 3\r\nt\tU\r\n0\t1,5\r\n1\t2,5\r\n2\t3,5\r\n3\t4,5\r\n");
}

TEST(FilesCli, ConvertRefusesTextsTheNewDelimiterWouldSplitUnlessForced) {
    TempDir dir;
    const QString in = QString::fromStdString(dir.write("in.csv", kSemicolons));
    const QString out = QString::fromStdString(dir.path() + "/out.csv");
    const QStringList toComma{"--delimiter", ";", "--decimal", ",", "--to-delimiter", ","};
    const CliRun refused = convert(QStringLiteral(VARNOTILE_CLI), toComma + QStringList{in, out});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.errors.contains(QStringLiteral(
        "4 texts contain the delimiter \",\" and would be split when the file is read again (first: row 1, column 2)")))
        << refused.errors.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    const CliRun forced = convert(QStringLiteral(VARNOTILE_CLI), toComma + QStringList{"--force", in, out});
    EXPECT_EQ(forced.status, 0) << forced.errors.toStdString();
    EXPECT_EQ(readFile(out.toStdString()), "Bench 3\r\nt,U\r\n0,1,5\r\n1,2,5\r\n2,3,5\r\n3,4,5\r\n");
}

TEST(FilesCli, EveryCommandRefusesAnUnknownOptionAlikeAndExplainsItsOwn) {
    for (const QString& command : {QStringLiteral("inspect"), QStringLiteral("convert"), QStringLiteral("render")}) {
        const CliRun refused = run(QStringLiteral(VARNOTILE_CLI), {command, "--colour", "in.csv", "out.png"});
        EXPECT_EQ(refused.status, 2) << command.toStdString();
        EXPECT_TRUE(refused.errors.contains("varnotile-cli " + command + ": Unknown option 'colour'.\nusage: varnotile-cli " +
                                            command + " ["))
            << refused.errors.toStdString();
        const CliRun help = run(QStringLiteral(VARNOTILE_CLI), {command, "--help"});
        EXPECT_EQ(help.status, 0) << command.toStdString();
        EXPECT_TRUE(help.output.startsWith("usage: varnotile-cli " + command + " [--delimiter D] [--decimal C]"))
            << help.output.toStdString();
        EXPECT_TRUE(help.output.contains("--delimiter <D>")) << help.output.toStdString();
    }
}

namespace {

// inspect's JSON in brief: per column N[min,max] or T, "/n" for n missing values; then the row
// count and the file line of each row.
std::string tableSummary(const QByteArray& json) {
    const QJsonObject report = QJsonDocument::fromJson(json).object();
    QStringList columns;
    for (const QJsonValue& value : report[QStringLiteral("columns")].toArray()) {
        const QJsonObject column = value.toObject();
        QString text = QStringLiteral("T");
        if (column[QStringLiteral("numeric")].toBool())
            text = QStringLiteral("N[%1,%2]").arg(column[QStringLiteral("min")].toDouble()).arg(column[QStringLiteral("max")].toDouble());
        if (const int missing = column[QStringLiteral("missing_count")].toInt())
            text += QStringLiteral("/%1").arg(missing);
        columns << text;
    }
    // Runs of consecutive lines as "first-last".
    QStringList lines;
    int runStart = 0, previous = 0;
    auto closeRun = [&] {
        if (runStart)
            lines << (previous > runStart ? QStringLiteral("%1-%2").arg(runStart).arg(previous) : QString::number(runStart));
    };
    for (const QJsonValue& value : report[QStringLiteral("row_lines")].toArray()) {
        const int line = value.toInt();
        if (line != previous + 1) {
            closeRun();
            runStart = line;
        }
        previous = line;
    }
    closeRun();
    return (columns.join(' ') + QStringLiteral(" | %1: ").arg(report[QStringLiteral("data_row_count")].toInt()) +
            lines.join(',')).toStdString();
}

} // namespace

TEST(FilesCli, ReadingOptionsShapeTheTableInspectReportsAndConvertWritesBack) {
    struct Case {
        QStringList flags;
        std::string text;
        std::string table;
    };
    std::string twentyRowsAndATrailer = "t,U\n";
    for (int r = 0; r < 20; ++r) twentyRowsAndATrailer += std::to_string(r) + "," + std::to_string(r + 1) + "\n";
    twentyRowsAndATrailer += "end of record\n";
    const Case cases[] = {
        {{"--whitespace"}, "t    U\n  0  1\n  1  2\n 2   3\n 3   4\n", "N[0,3] N[1,4] | 4: 2-5"},
        {{"--quotes"}, "name,v\n\"a,b\",\"1\"\n\"c\",2\n\"d\",3\n\"e\",4\n", "T N[1,4] | 4: 2-5"},
        {{"--comments=%"}, "% note\nt,U\n0,1\n%\n1,2\n\n2,3\n3,4\n", "N[0,3] N[1,4] | 4: 3,5,7-8"},
        {{"--missing=NA,-999"}, "t,U\n0,1\n1,NA\n2,-999\n3,4.5\n", "N[0,3] N[1,4.5]/2 | 4: 2-5"},
        {{"--missing"}, "t,U\n0,1\n1,n/a\n2,?\n3,4.5\n", "N[0,3] N[1,4.5]/2 | 4: 2-5"},
        {{"--robust-sample"}, twentyRowsAndATrailer, "N[0,19] N[1,20] | 20: 2-21"},
        {{"--auto"}, "# logger 7\nt;U\n0;1,5\n# pause\n1;2,5\n2;3,5\n3;4,5\n", "N[0,3] N[1.5,4.5] | 4: 3,5-7"},
        {{"--auto"}, "day|U\n10 Feb 2005|1\n11 Feb 2005|2\n14 Feb 2005|3\n15 Feb 2005|4\n", "T N[1,4] | 4: 2-5"},
        {{"--wide"}, "a,b,c,d,e,f,g,h,i,j,k,l\n1,2,3,4,5,6,7,8,9,10,11,12\n2,3,4,5,6,7,8,9,10,11,12,13\n"
                     "3,4,5,6,7,8,9,10,11,12,13,14\n4,5,6,7,8,9,10,11,12,13,14,15\n",
         "N[1,4] N[2,5] N[3,6] N[4,7] N[5,8] N[6,9] N[7,10] N[8,11] N[9,12] N[10,13] N[11,14] N[12,15] | 4: 2-5"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const QString in = QString::fromStdString(dir.write("in.txt", c.text));
        const CliRun inspected =
            run(QStringLiteral(VARNOTILE_CLI), QStringList{"inspect", "--cells"} + c.flags + QStringList{in});
        EXPECT_EQ(inspected.status, 0) << inspected.errors.toStdString();
        EXPECT_EQ(tableSummary(inspected.output.toUtf8()), c.table) << c.flags.join(' ').toStdString();
    }

    // Quoted texts holding either delimiter, and a doubled quote, come back as the same cells.
    const QString in = QString::fromStdString(
        dir.write("quoted.csv", "name;v\n\"a;b\";1,5\n\"say \"\"hi\"\"\";2\n\"x,y\";3\n\"z\";4\n"));
    const QString out = QString::fromStdString(dir.path() + "/out.csv");
    const QStringList read{"--decimal", ",", "--quotes"};
    const QStringList toComma{"--delimiter", ";", "--to-delimiter", ",", in, out};
    ASSERT_EQ(convert(QStringLiteral(VARNOTILE_CLI), read + toComma).status, 0);
    auto cells = [&](const QString& delimiter, const QString& file) {
        const CliRun inspected = run(QStringLiteral(VARNOTILE_CLI),
                                     QStringList{"inspect", "--cells", "--delimiter", delimiter} + read + QStringList{file});
        return QJsonDocument::fromJson(inspected.output.toUtf8()).object()[QStringLiteral("cells")].toArray();
    };
    EXPECT_EQ(cells(QStringLiteral(","), out), cells(QStringLiteral(";"), in)) << readFile(out.toStdString());
    EXPECT_EQ(cells(QStringLiteral(";"), in).size(), 4);

    // --auto replaces every reading option: given together they are refused.
    EXPECT_EQ(run(QStringLiteral(VARNOTILE_CLI), {"inspect", "--auto", "--quotes", in}).status, 2);
    EXPECT_EQ(run(QStringLiteral(VARNOTILE_CLI), {"inspect", "--auto", "--wide", in}).status, 2);
}

TEST(FilesCli, InspectWritesLongHeaderTextsAsShortOnes) {
    // Texts past the length that inspect writes piece by piece, with characters that need
    // escaping and, in UTF-8, characters on the edges of the pieces.
    std::string unit = "\xC3\xA9\"\\\x01 tab\t";
    std::string utf8Line;
    while (utf8Line.size() < (1u << 20) + 3000) utf8Line += unit;
    std::string cp1252Line;
    QString cp1252Shown;
    while (cp1252Line.size() < 9000) {
        cp1252Line += "caf\xE9 \x80 \"q\" ";
        cp1252Shown += QStringLiteral("caf\u00E9 \u20AC \"q\" ");
    }
    struct Case {
        std::string line;
        QString shown;
    };
    const Case cases[] = {{utf8Line, QString::fromStdString(utf8Line)}, {cp1252Line, cp1252Shown}};
    TempDir dir;
    for (const Case& c : cases) {
        const QString in = QString::fromStdString(dir.write("long.csv", c.line + "\nt,U\n0,1\n1,2\n2,3\n3,4\n"));
        const CliRun inspected = run(QStringLiteral(VARNOTILE_CLI), {"inspect", in});
        ASSERT_EQ(inspected.status, 0) << inspected.errors.toStdString();
        QJsonParseError error;
        const QJsonObject report = QJsonDocument::fromJson(inspected.output.toUtf8(), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        const QString header = report[QStringLiteral("header_lines")].toObject()[QStringLiteral("1")].toString();
        EXPECT_EQ(header.size(), c.shown.size());
        EXPECT_TRUE(header == c.shown);
    }
}

TEST(FilesCli, ConvertRefusesContentThatWouldReadBackDifferentlyUnlessForced) {
    TempDir dir;
    // With Space as the delimiter the title "Bench 3" and the names read back as data rows.
    const QString in = QString::fromStdString(dir.write("in.csv", kSemicolons));
    const QString out = QString::fromStdString(dir.write("out.csv", "old"));
    const QStringList args{"--delimiter", ";", "--decimal", ",", "--to-delimiter", "Space", in, out};
    const CliRun refused = convert(QStringLiteral(VARNOTILE_CLI), args);
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.errors.contains(QStringLiteral(
        "2 header lines would read back as data rows; the saved file would read differently (first: row 0, column 1 "
        "\"t\"). Nothing was written; --force writes it anyway.")))
        << refused.errors.toStdString();
    EXPECT_EQ(readFile(out.toStdString()), "old");
    EXPECT_EQ(convert(QStringLiteral(VARNOTILE_CLI), QStringList{"--force"} + args).status, 0);
    EXPECT_EQ(readFile(out.toStdString()), "Bench 3\r\nt U\r\n0 1,5\r\n1 2,5\r\n2 3,5\r\n3 4,5\r\n");
}

TEST(FilesCli, InspectNamesTimeColumnsAndGivesTheirRangeInIso8601) {
    TempDir dir;
    const QString in = QString::fromStdString(
        dir.write("log.csv", "time,temp\n14.11.2026 08:00,1\n14.11.2026 09:00,2\n15.11.2026 10:30,3\n16.11.2026 08:00,4\n"));
    const CliRun inspected = run(QStringLiteral(VARNOTILE_CLI), {"inspect", "--dates", in});
    ASSERT_EQ(inspected.status, 0) << inspected.errors.toStdString();
    const QJsonArray columns = QJsonDocument::fromJson(inspected.output.toUtf8()).object()["columns"].toArray();
    ASSERT_EQ(columns.size(), 2);
    const QJsonObject time = columns[0].toObject();
    EXPECT_EQ(time["kind"].toString(), "time");
    EXPECT_EQ(time["min_text"].toString(), "2026-11-14T08:00:00");
    EXPECT_EQ(time["max_text"].toString(), "2026-11-16T08:00:00");
    EXPECT_EQ(time["min"].toDouble(), 20771 * 86400.0 + 8 * 3600);
    EXPECT_EQ(columns[1].toObject()["kind"].toString(), "number");
    // Without the option the column is text, and the proposal says why it should not be.
    const QJsonObject plain = QJsonDocument::fromJson(run(QStringLiteral(VARNOTILE_CLI), {"inspect", in}).output.toUtf8()).object();
    EXPECT_EQ(plain["columns"].toArray()[0].toObject()["kind"].toString(), "text");
    EXPECT_TRUE(plain["proposal"].toObject()["dates"].toBool());
    EXPECT_TRUE(plain["proposal"].toObject()["offered"].toBool());
}

TEST(FilesCli, CompressedFilesInspectAndConvertAsTheirTextAndAreNotFollowed) {
    TempDir dir;
    std::string gz;
    ASSERT_EQ(varnotile::runCodec(*varnotile::makeEncoder(varnotile::Compression::Gzip), kSemicolons, true, gz), "");
    const QString plain = QString::fromStdString(dir.write("in.csv", kSemicolons));
    const QString packed = QString::fromStdString(dir.write("in.csv.gz", gz));
    const QStringList read{"--delimiter", ";", "--decimal", ","};
    const CliRun plainInspect = run(QStringLiteral(VARNOTILE_CLI), QStringList{"inspect", "--cells"} + read + QStringList{plain});
    const CliRun packedInspect = run(QStringLiteral(VARNOTILE_CLI), QStringList{"inspect", "--cells"} + read + QStringList{packed});
    EXPECT_EQ(packedInspect.status, 0) << packedInspect.errors.toStdString();
    EXPECT_EQ(packedInspect.output, plainInspect.output);

    // Converted to a .gz name: gzip whose text is the plain conversion's.
    const QString out = QString::fromStdString(dir.path() + "/out.txt");
    const QString outGz = out + QStringLiteral(".gz");
    ASSERT_EQ(convert(QStringLiteral(VARNOTILE_CLI), read + QStringList{"--to-delimiter", "Tab", plain, out}).status, 0);
    const CliRun packedConvert = convert(QStringLiteral(VARNOTILE_CLI), read + QStringList{"--to-delimiter", "Tab", packed, outGz});
    ASSERT_EQ(packedConvert.status, 0) << packedConvert.errors.toStdString();
    const std::string written = readFile(outGz.toStdString());
    EXPECT_EQ(varnotile::compressionOfBytes(written.substr(0, varnotile::kCompressionMagicBytes)), varnotile::Compression::Gzip);
    std::string text;
    ASSERT_EQ(varnotile::runCodec(*varnotile::makeDecoder(varnotile::Compression::Gzip), written, true, text), "");
    EXPECT_EQ(text, readFile(out.toStdString()));

    // Cut short: refused with the file and the reason; following is refused.
    const QString cut = QString::fromStdString(dir.write("cut.csv.gz", gz.substr(0, gz.size() - 6)));
    const CliRun cutInspect = run(QStringLiteral(VARNOTILE_CLI), QStringList{"inspect"} + read + QStringList{cut});
    EXPECT_EQ(cutInspect.status, 2);
    EXPECT_TRUE(cutInspect.errors.contains(cut + QStringLiteral(": the gzip data end too early"))) << cutInspect.errors.toStdString();
    const CliRun followed = run(QStringLiteral(VARNOTILE_CLI), QStringList{"inspect", "--follow"} + read + QStringList{packed});
    EXPECT_EQ(followed.status, 2);
    EXPECT_TRUE(followed.errors.contains(QStringLiteral("a compressed file cannot be read as it grows"))) << followed.errors.toStdString();
}

TEST(FilesCli, InspectListsTheTablesAndTableChoosesOneOrIsRefusedBeyondThem) {
    TempDir dir;
    const QString in = QString::fromStdString(
        dir.write("sets.dat", "t,x\n1,2\n2,3\n3,4\n&\nt,x,y\n1,2,3\n2,3,4\n3,4,5\n4,5,6\n"));
    const QString cli = QStringLiteral(VARNOTILE_CLI);
    const CliRun second = run(cli, {"inspect", "--table", "2", in});
    ASSERT_EQ(second.status, 0) << second.errors.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(second.output.toUtf8()).object();
    const QJsonArray tables = report[QStringLiteral("tables")].toArray();
    ASSERT_EQ(tables.size(), 2);
    const int expected[2][4] = {{1, 4, 3, 2}, {6, 10, 4, 3}}; // first line, last line, rows, columns
    for (int k = 0; k < 2; ++k) {
        const QJsonObject table = tables[k].toObject();
        EXPECT_EQ(table[QStringLiteral("first_line")].toInt(), expected[k][0]) << k;
        EXPECT_EQ(table[QStringLiteral("last_line")].toInt(), expected[k][1]) << k;
        EXPECT_EQ(table[QStringLiteral("rows")].toInt(), expected[k][2]) << k;
        EXPECT_EQ(table[QStringLiteral("columns")].toInt(), expected[k][3]) << k;
    }
    EXPECT_EQ(report[QStringLiteral("table")].toInt(), 2);
    EXPECT_EQ(report[QStringLiteral("column_count")].toInt(), 3);
    EXPECT_EQ(report[QStringLiteral("data_row_count")].toInt(), 4);
    // The largest table is the last, which the whole file shows already: none is proposed.
    EXPECT_EQ(report[QStringLiteral("proposal")].toObject()[QStringLiteral("table")].toInt(), 0);

    const CliRun beyond = run(cli, {"convert", "--table", "3", in, QString::fromStdString(dir.path() + "/out.csv")});
    EXPECT_EQ(beyond.status, 2);
    EXPECT_TRUE(beyond.errors.contains(QStringLiteral("the file holds 2 tables; there is no table 3")))
        << beyond.errors.toStdString();
    EXPECT_EQ(run(cli, {"render", "--table", "x", in, QString::fromStdString(dir.path() + "/out.png")}).status, 2);
}

TEST(FilesCli, ConvertWithSpaceBetweenBlanksKeepsEmptyQuotedCells) {
    TempDir dir;
    const QString in = QString::fromStdString(dir.write("in.txt", "a b c\n1 \"\" 3\n4 5 6\n7 \"\" 9\n1 2 3\n1 2 3\n"));
    const QString out = QString::fromStdString(dir.path() + "/out.txt");
    const QStringList read{"--delimiter", "Space", "--whitespace", "--quotes"};
    const CliRun converted = convert(QStringLiteral(VARNOTILE_CLI), read + QStringList{"--to-delimiter", "Space", in, out});
    ASSERT_EQ(converted.status, 0) << converted.errors.toStdString();
    EXPECT_EQ(readFile(out.toStdString()), "a b c\r\n1 \"\" 3\r\n4 5 6\r\n7 \"\" 9\r\n1 2 3\r\n1 2 3\r\n");
}

// Standard output: /dev/stdout reaches a pipe, and output that cannot be written is a failure.
TEST(FilesCli, StandardOutputIsWrittenIntoAPipeAndAFailedWriteExitsWithTwo) {
    TempDir dir;
    const QString in = QString::fromStdString(dir.write("in.csv", kSemicolons));
    const QStringList read{"--delimiter", ";", "--decimal", ","};
    const CliRun piped = convert(QStringLiteral(VARNOTILE_CLI), read + QStringList{in, "/dev/stdout"});
    EXPECT_EQ(piped.status, 0) << piped.errors.toStdString();
    EXPECT_EQ(piped.output, QStringLiteral("Bench 3\r\nt;U\r\n0;1,5\r\n1;2,5\r\n2;3,5\r\n3;4,5\r\n"));
    // Standard output open on a file for appending: the bytes go after what it holds.
    const std::string appended = dir.write("appended.csv", "kept\n");
    QProcess appending;
    appending.setStandardOutputFile(QString::fromStdString(appended), QIODevice::Append);
    appending.start(QStringLiteral(VARNOTILE_CLI), QStringList{"convert"} + read + QStringList{in, "/dev/stdout"});
    appending.waitForFinished(30000);
    EXPECT_EQ(appending.exitCode(), 0);
    EXPECT_EQ(readFile(appended), "kept\n" + piped.output.toStdString());
    for (const QStringList& args : {QStringList{"inspect", in}, QStringList{"--help"}, QStringList{"convert", in, "/dev/stdout"}}) {
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(VARNOTILE_CLI), args);
        p.waitForFinished(30000);
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_FALSE(p.readAllStandardError().isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(FilesCli, RenderWritesIntoAPipeRatherThanReplacingIt) {
    TempDir dir;
    const QString in = QString::fromStdString(dir.write("in.csv", kSemicolons));
    const std::string pipe = dir.path() + "/chart.png";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = readFile(pipe); });
    const CliRun rendered = run(QStringLiteral(VARNOTILE_CLI), {"render", "--delimiter", ";", in, QString::fromStdString(pipe)});
    reader.join();
    EXPECT_EQ(rendered.status, 0) << rendered.errors.toStdString();
    EXPECT_EQ(received.substr(0, 4), "\x89PNG");
    struct stat st {};
    ASSERT_EQ(::stat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
