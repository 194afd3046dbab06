// The reading option table drives every place that names an option: each option, turned away
// from its default on its own, comes back the same through the settings file, General Settings,
// the command line and inspect's JSON, and the help page and the manual page describe it.
#include "dataset.h"
#include "form_setting.h"
#include "reading_flags.h"
#include "reading_option_table.h"
#include "settings_file.h"
#include "test_files.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TEST(ReadingOptionTable, EveryOptionRoundTripsThroughEveryPlaceThatNamesIt) {
    const std::string help = test::readFile(VARNOTILE_EXAMPLES "/../docs/varnotile.html");
    const std::string manual = test::readFile(VARNOTILE_EXAMPLES "/../packaging/varnotile-cli.1");
    ASSERT_FALSE(help.empty() || manual.empty());
    const QJsonObject plainJson = cli::readingOptionsJson(ReadOptions());
    for (const ReadingOption& option : readingOptions()) {
        SCOPED_TRACE(std::string(option.id));
        // The option on (or its last word), with a value other than the default.
        ReadOptions on;
        QJsonObject expected;
        QString flag = QStringLiteral("--") + qs(option.cliFlag);
        if (option.isSwitch()) {
            option.set(on, 1);
            expected.insert(qs(option.jsonKey), true);
        } else if (option.isNumber()) {
            option.set(on, 2);
            expected.insert(qs(option.jsonKey), 2);
            flag += QStringLiteral("=2");
        } else {
            option.set(on, static_cast<int>(option.choices.size()) - 1);
            expected.insert(qs(option.jsonKey), qs(option.choices.back().word));
        }
        if (const ReadingOptionValue* value = option.value) {
            if (value->text) {
                on.*value->text = "//";
                expected.insert(qs(value->jsonKey), QStringLiteral("//"));
                flag += QStringLiteral("=//");
            } else {
                on.*value->tokens = {"n a", "-9"};
                expected.insert(qs(value->jsonKey), QJsonArray{QStringLiteral("n a"), QStringLiteral("-9")});
                flag += QStringLiteral("=n a,-9");
            }
        }
        ASSERT_NE(on, ReadOptions());
        // Spelled out by hand, so it must not miss an option; the day/month order and the date and
        // time axis alone read as the plain rules do (they count only with dates and times on), and wide files split lines
        // as the plain rules do and keep the plain way of loading.
        EXPECT_EQ(on.anyOn(), option.id != "dayFirst" && option.id != "dateTimeAxis" && option.id != "wideFiles");

        DataSet ds;
        ds.Settings.Reading = on;
        IniFile ini;
        WriteSettings(ds, ini);
        EXPECT_NE(ini.text().find("\n" + std::string(option.iniKey) + "="), std::string::npos) << ini.text();
        DataSet back;
        ReadSettings(back, ini);
        EXPECT_EQ(back.Settings.Reading, on);

        FormSetting form;
        EXPECT_NE(form.findChild<QWidget*>(qs(option.widgetName)), nullptr);
        form.showReading(on, false);
        ReadOptions taken;
        bool applyProposals = true;
        form.takeReading(taken, applyProposals);
        EXPECT_EQ(taken, on);

        if (!option.cliFlag.empty()) {
            QCommandLineParser parser;
            cli::addReadingOptions(parser);
            cli::OptionalValues values;
            ASSERT_TRUE(
                parser.parse(QStringList{QStringLiteral("cli")} + cli::takeOptionalValues({flag}, values)))
                << parser.errorText().toStdString();
            std::string refusal;
            const auto flags = cli::readingFlagsOf(parser, values, refusal);
            ASSERT_TRUE(flags) << refusal;
            EXPECT_EQ(flags->options, on);
            EXPECT_NE(help.find("<code>--" + std::string(option.cliFlag)), std::string::npos);
            EXPECT_NE(manual.find("\\-\\-" + QString(qs(option.cliFlag))
                                                 .replace(QLatin1Char('-'), QStringLiteral("\\-"))
                                                 .toStdString()),
                      std::string::npos);
        }

        // Only the option's own keys change, to what it holds.
        const QJsonObject json = cli::readingOptionsJson(on);
        EXPECT_EQ(json.keys(), plainJson.keys());
        for (const QString& key : json.keys())
            EXPECT_EQ(json[key], expected.contains(key) ? expected[key] : plainJson[key])
                << key.toStdString();
        for (const QString& key : expected.keys())
            EXPECT_NE(help.find("<code>" + key.toStdString() + "</code>"), std::string::npos)
                << key.toStdString();
        EXPECT_NE(help.find("<h3>" + std::string(option.label) + "</h3>"), std::string::npos);
    }
}
