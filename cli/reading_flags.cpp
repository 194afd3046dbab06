#include "reading_flags.h"

#include "reading_option_table.h"

#include <QJsonArray>

namespace varnotile::cli {
namespace {

const QString kAuto = QStringLiteral("auto");

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString flagOf(const ReadingOption& option) {
    return qs(option.cliFlag);
}

// The switches and numbers the command line offers; choices are not on it.
bool onCommandLine(const ReadingOption& option) {
    return !option.cliFlag.empty() && (option.isSwitch() || option.isNumber());
}

// The value's default as the help shows it: the text, or the tokens separated by ", ".
QString defaultValue(const ReadingOptionValue& value) {
    const ReadOptions plain;
    if (value.text) return QString::fromStdString(plain.*value.text);
    QStringList tokens;
    for (const std::string& token : plain.*value.tokens)
        tokens << QString::fromStdString(token);
    return tokens.join(QStringLiteral(", "));
}

} // namespace

QStringList takeOptionalValues(const QStringList& arguments, OptionalValues& values) {
    QStringList kept;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        optionsEnded = optionsEnded || argument == QLatin1String("--");
        bool taken = false;
        for (const ReadingOption& option : readingOptions()) {
            if (optionsEnded || !option.value || !onCommandLine(option)) continue;
            const QString form = QStringLiteral("--") + flagOf(option) + QLatin1Char('=');
            if (!argument.startsWith(form)) continue;
            values.byFlag[flagOf(option)] = argument.mid(form.size());
            kept << QStringLiteral("--") + flagOf(option);
            taken = true;
            break;
        }
        if (!taken) kept << argument;
    }
    return kept;
}

void addReadingOptions(QCommandLineParser& parser) {
    for (const ReadingOption& option : readingOptions()) {
        if (!onCommandLine(option)) continue;
        QString help = qs(option.help);
        if (option.value) help = help.arg(defaultValue(*option.value));
        if (option.isNumber())
            parser.addOption(QCommandLineOption(flagOf(option), help, QStringLiteral("N")));
        else
            parser.addOption(QCommandLineOption(flagOf(option), help));
    }
    parser.addOption(QCommandLineOption(
        kAuto,
        QStringLiteral("Reads the file as the format detector proposes where that reads it better (with no other "
                       "reading option).")));
}

std::optional<ReadingFlags> readingFlagsOf(const QCommandLineParser& parser, const OptionalValues& values,
                                           std::string& refusal) {
    ReadingFlags flags;
    ReadOptions& options = flags.options;
    QStringList given;
    for (const ReadingOption& option : readingOptions()) {
        if (!onCommandLine(option)) continue;
        const QString flag = flagOf(option);
        if (option.isNumber()) {
            if (!parser.isSet(flag)) continue;
            bool ok = false;
            const QString text = parser.value(flag);
            const int number = text.toInt(&ok);
            if (!ok || number < 0 || number > option.maxNumber) {
                refusal = "--" + flag.toStdString() + " needs a number from 0 to " + std::to_string(option.maxNumber) +
                          ", not \"" + text.toStdString() + "\"";
                return std::nullopt;
            }
            option.set(options, number);
            continue;
        }
        given << QStringLiteral("--") + flag;
        const bool on = parser.isSet(flag);
        option.set(options, on ? 1 : 0);
        const auto value = values.byFlag.find(flag);
        if (!on || !option.value || value == values.byFlag.end()) continue;
        if (option.value->text) {
            // An empty prefix would make every line a comment.
            if (value->second.isEmpty()) {
                refusal = "--" + flag.toStdString() + "= needs a " +
                          QString(qs(option.value->cliName)).toLower().toStdString() + "; --" +
                          flag.toStdString() + " alone means " + defaultValue(*option.value).toStdString();
                return std::nullopt;
            }
            options.*option.value->text = value->second.toLocal8Bit().toStdString();
        } else {
            // "--missing=" leaves only the empty cells as missing values.
            std::vector<std::string>& tokens = options.*option.value->tokens;
            tokens.clear();
            for (const QString& token : value->second.split(QLatin1Char(','), Qt::SkipEmptyParts))
                tokens.push_back(token.toLocal8Bit().toStdString());
        }
    }
    flags.automatic = parser.isSet(kAuto);
    // The proposal replaces every reading option; taking some of the user's silently would mislead.
    // A table number stays: it picks one of the tables the proposal reads the file as.
    ReadOptions switches = options;
    switches.table = 0;
    if (flags.automatic && (switches.anyOn() || switches.wideFiles)) {
        const QString last = given.takeLast();
        refusal = "--auto chooses the reading options itself; leave out " +
                  (given.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last).toStdString();
        return std::nullopt;
    }
    return flags;
}

std::string readingUsage() {
    std::string usage;
    for (const ReadingOption& option : readingOptions()) {
        if (!onCommandLine(option)) continue;
        usage += "[--" + std::string(option.cliFlag);
        if (option.isNumber()) usage += " N";
        if (option.value) usage += "[=" + std::string(option.value->cliName) + "]";
        usage += "] ";
    }
    return usage + "[--auto]";
}

QJsonObject readingOptionsJson(const ReadOptions& options) {
    QJsonObject json;
    for (const ReadingOption& option : readingOptions()) {
        const int state = option.get(options);
        if (option.isSwitch())
            json.insert(qs(option.jsonKey), state != 0);
        else if (option.isNumber())
            json.insert(qs(option.jsonKey), state);
        else
            json.insert(qs(option.jsonKey), qs(option.choices[static_cast<std::size_t>(state)].word));
        if (!option.value) continue;
        if (option.value->text) {
            json.insert(qs(option.value->jsonKey), QString::fromStdString(options.*option.value->text));
        } else {
            QJsonArray tokens;
            for (const std::string& token : options.*option.value->tokens)
                tokens.append(QString::fromStdString(token));
            json.insert(qs(option.value->jsonKey), tokens);
        }
    }
    return json;
}

} // namespace varnotile::cli
