// varnotile-cli: convert's delimiter conversion, exit statuses, and the default delimiter taken
// from the settings file beside the program; the command line every command shares.
#include "test_files.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

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
    ASSERT_EQ(convert(program, {"--to-delimiter", "Space", in, out}).status, 0);
    EXPECT_EQ(readFile(out.toStdString()), "Bench 3\r\nt U\r\n0 1,5\r\n1 2,5\r\n2 3,5\r\n3 4,5\r\n");
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
