// The settings file: defaults, the delimiter words, integers in decimal and hexadecimal, and
// writes that keep every other line of the file as it was.
#include "settings_file.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <memory>

using namespace varnotile;
using varnotile::test::readFile;
using varnotile::test::TempDir;

namespace {

// Data sets cannot be moved, so they are handed out on the heap.
std::unique_ptr<DataSet> settingsFrom(const std::string& text) {
    IniFile ini;
    ini.parse(text);
    auto owner = std::make_unique<DataSet>();
    DataSet& ds = *owner;
    ds.Layout.ListSeparator = "?";
    ds.Settings.KeepFileDate = false;
    ds.View.CurveColors.fill(7);
    ReadSettings(ds, ini);
    return owner;
}

} // namespace

TEST(Settings, MissingFileOrKeysGiveTheDefaults) {
    TempDir dir;
    DataSet ds;
    ds.Layout.ListSeparator = ";";
    ds.Settings.KeepFileDate = false;
    ds.View.CurveColors[4] = 99;
    ReadSettingsFile(ds, dir.path() + "/none.INI");
    EXPECT_EQ(ds.Layout.ListSeparator, ",");
    EXPECT_TRUE(ds.Settings.KeepFileDate);
    for (int k = 1; k <= 10; ++k) EXPECT_EQ(ds.View.CurveColors[k], 0u);
}

TEST(Settings, DelimiterWordsAreExactAndOtherTextsGiveTheirFirstCharacter) {
    EXPECT_EQ(settingsFrom("[List Separator]\nValue=Tab\n")->Layout.ListSeparator, "\t");
    EXPECT_EQ(settingsFrom("[List Separator]\nValue=tab\n")->Layout.ListSeparator, "t");
    EXPECT_EQ(settingsFrom("[List Separator]\r\nValue=Space\r\n")->Layout.ListSeparator, " ");
    EXPECT_EQ(settingsFrom("[List Separator]\nValue=;\n")->Layout.ListSeparator, ";");
    EXPECT_EQ(settingsFrom("[List Separator]\nValue=\n")->Layout.ListSeparator, "");
    // Section and key names are found whatever their letter case.
    EXPECT_EQ(settingsFrom("[list separator]\nVALUE = ; \n")->Layout.ListSeparator, ";");
}

TEST(Settings, IntegersAndBooleansInDecimalOrHexadecimalElseTheDefault) {
    const auto dsOwner = settingsFrom("[Save File]\nKeep Date=0\n[Curve Colors]\nCurve1=255\nCurve2=0x00FF00\n"
                                    "Curve3=$FF0000\nCurve4=red\nCurve5=12abc\nCurve6=-1\nCurve7=0xFFFFFFFF\n");
    const DataSet& ds = *dsOwner;
    EXPECT_FALSE(ds.Settings.KeepFileDate);
    EXPECT_EQ(ds.View.CurveColors[1], 255u);
    EXPECT_EQ(ds.View.CurveColors[2], 0x00FF00u);
    EXPECT_EQ(ds.View.CurveColors[3], 0xFF0000u);
    EXPECT_EQ(ds.View.CurveColors[4], 0u);
    EXPECT_EQ(ds.View.CurveColors[5], 0u);
    EXPECT_EQ(ds.View.CurveColors[6], 0xFFFFFFFFu);
    EXPECT_EQ(ds.View.CurveColors[7], 0xFFFFFFFFu);
    EXPECT_TRUE(settingsFrom("[Save File]\nKeep Date=yes\n")->Settings.KeepFileDate);
    EXPECT_TRUE(settingsFrom("[Save File]\nKeep Date=$10\n")->Settings.KeepFileDate);
}

TEST(Settings, ANewFileHasTheClassicLayout) {
    TempDir dir;
    DataSet ds;
    ds.Layout.ListSeparator = ";";
    ds.View.CurveColors[1] = 255;
    const std::string path = dir.path() + "/varnotile.INI";
    ASSERT_EQ(WriteSettingsFile(ds, path), "");
    std::string expected = "[List Separator]\r\nValue=;\r\n\r\n[Save File]\r\nKeep Date=1\r\n\r\n[Curve Colors]\r\n"
                           "Curve1=255\r\n";
    for (int k = 2; k <= 10; ++k) expected += "Curve" + std::to_string(k) + "=0\r\n";
    EXPECT_EQ(readFile(path), expected);
    DataSet back;
    ReadSettingsFile(back, path);
    EXPECT_EQ(back.Layout.ListSeparator, ";");
    EXPECT_EQ(back.View.CurveColors[1], 255u);
}

TEST(Settings, WritingReplacesOnlyItsOwnKeysAndKeepsEverythingElseByteForByte) {
    TempDir dir;
    const std::string before = "; written by hand\n"
                               "[Other Tool]\n"
                               "Window = 10, 20\n"
                               "\n"
                               "[List Separator]\n"
                               "# keep me\n"
                               "Value = ,\n"
                               "\n"
                               "[Curve Colors]\n"
                               "Curve1=$FF\n"
                               "Extra=1\n"
                               "\n"
                               "[Tail]\n"
                               "Last=x"; // no line break at the end
    const std::string path = dir.write("varnotile.INI", before);
    DataSet ds;
    ds.Layout.ListSeparator = "\t";
    ds.Settings.KeepFileDate = false;
    ds.View.CurveColors[1] = 16711680;
    ASSERT_EQ(WriteSettingsFile(ds, path), "");
    std::string expected = "; written by hand\n"
                           "[Other Tool]\n"
                           "Window = 10, 20\n"
                           "\n"
                           "[List Separator]\n"
                           "# keep me\n"
                           "Value=Tab\n"
                           "\n"
                           "[Curve Colors]\n"
                           "Curve1=16711680\n"
                           "Extra=1\n";
    for (int k = 2; k <= 10; ++k) expected += "Curve" + std::to_string(k) + "=0\n";
    expected += "\n[Tail]\nLast=x\n\n[Save File]\nKeep Date=0\n";
    EXPECT_EQ(readFile(path), expected);

    // A delimiter other than the four is not written: the file keeps its value.
    ds.Layout.ListSeparator = "|";
    ASSERT_EQ(WriteSettingsFile(ds, path), "");
    EXPECT_NE(readFile(path).find("Value=Tab\n"), std::string::npos);
}

TEST(Settings, WritingWhereNoFileCanBeMadeReportsTheReason) {
    TempDir dir;
    const std::string file = dir.write("plain.txt", "x");
    DataSet ds;
    EXPECT_NE(WriteSettingsFile(ds, file + "/varnotile.INI"), "");
    EXPECT_NE(WriteSettingsFile(ds, dir.path() + "/gone/varnotile.INI"), "");
    EXPECT_EQ(readFile(file), "x");
}

TEST(Settings, ReadingOptionsRoundTripAndAnAbsentSectionGivesTheDefaults) {
    // No section: the defaults, and a write with the defaults adds nothing.
    const auto plain = settingsFrom("[List Separator]\nValue=;\n");
    EXPECT_EQ(plain->Settings.Reading, ReadOptions());
    EXPECT_FALSE(plain->Settings.ApplyProposals);
    IniFile untouched;
    untouched.parse("[List Separator]\nValue=;\n");
    WriteSettings(*plain, untouched);
    EXPECT_EQ(untouched.text().find("[Reading]"), std::string::npos);
    // Once written, the section holds every key, in the order settings files have always had them.
    DataSet proposing;
    proposing.Settings.ApplyProposals = true;
    IniFile fresh;
    WriteSettings(proposing, fresh);
    EXPECT_NE(fresh.text().find("[Reading]\r\nWhitespace=0\r\nDecimal=System\r\nQuotedTexts=0\r\nCommentLines=0\r\n"
                                    "CommentPrefix=#\r\nMissingAsGaps=0\r\nMissingTokens=NA NaN - -- . null n/a ?\r\n"
                                    "RobustSample=0\r\nDatesAndTimes=0\r\nDayFirst=0\r\nNamesAboveData=0\r\n"
                                    "SingleQuotedNames=0\r\nContinuedLines=0\r\nTable=0\r\nWideFiles=0\r\nNamesInComment=0\r\n"
                                    "DateTimeAxis=0\r\nSingleQuotes=0\r\nBackslashEscapes=0\r\nBlankAfterDelimiter=0\r\nCrLineEnds=0\r\nLineClasses=0\r\nEmptyLastColumns=0\r\n"
                                    "ApplyProposals=1\r\n"),
              std::string::npos)
        << fresh.text();

    struct Case {
        void (*set)(ProgramSettings&);
        const char* line; // how the file holds it
    };
    const Case cases[] = {
        {[](ProgramSettings& s) { s.Reading.whitespace = true; }, "Whitespace=1"},
        {[](ProgramSettings& s) { s.Reading.decimal = DecimalChoice::Comma; }, "Decimal=Comma"},
        {[](ProgramSettings& s) { s.Reading.quotedTexts = true; }, "QuotedTexts=1"},
        {[](ProgramSettings& s) { s.Reading.commentLines = true, s.Reading.commentPrefix = "//"; }, "CommentPrefix=//"},
        // Tokens holding a blank or a quote are quoted, so every token reads back as it was.
        {[](ProgramSettings& s) { s.Reading.missingAsGaps = true, s.Reading.missingTokens = {"NA", "n a", "\"", "-"}; },
         R"(MissingTokens=NA "n a" """" -)"},
        {[](ProgramSettings& s) { s.Reading.robustSample = true; }, "RobustSample=1"},
        {[](ProgramSettings& s) { s.Reading.table = 2; }, "Table=2"},
        {[](ProgramSettings& s) { s.Reading.wideFiles = true; }, "WideFiles=1"},
        {[](ProgramSettings& s) { s.ApplyProposals = true; }, "ApplyProposals=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        DataSet ds;
        c.set(ds.Settings);
        IniFile ini;
        WriteSettings(ds, ini);
        EXPECT_NE(ini.text().find(std::string(c.line) + "\r\n"), std::string::npos) << ini.text();
        DataSet back;
        ReadSettings(back, ini);
        EXPECT_EQ(back.Settings.Reading, ds.Settings.Reading);
        EXPECT_EQ(back.Settings.ApplyProposals, ds.Settings.ApplyProposals);
        // Turned off again, the section says so rather than keeping the old value.
        WriteSettings(DataSet(), ini);
        ReadSettings(back, ini);
        EXPECT_EQ(back.Settings.Reading, ReadOptions());
        EXPECT_FALSE(back.Settings.ApplyProposals);
    }
}
