#include "cli_common.h"

#include "qt_texts.h"
#include "settings_file.h"
#include "settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <new>
#include <unistd.h>

namespace varnotile::cli {

void addCommonOptions(QCommandLineParser& parser) {
    // Not addHelpOption(): that also offers --help-all, the Qt options no command reads.
    parser.addOptions({
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Shows this help.")},
        {QStringLiteral("delimiter"),
         QStringLiteral("The data delimiter: one character, Tab or Space (default: the settings file's, else \",\")."),
         QStringLiteral("D")},
        {QStringLiteral("decimal"), QStringLiteral("The decimal separator of numbers (default: the locale's)."),
         QStringLiteral("C")},
    });
    addReadingOptions(parser);
}

int refuse(const CommandSyntax& syntax, const std::string& message) {
    std::cerr << "varnotile-cli " << syntax.name << ": " << message << "\n"
              << "usage: varnotile-cli " << syntax.name << " " << syntax.usage << "\n";
    return kExitUsage;
}

std::optional<int> parseCommandLine(QCommandLineParser& parser, const CommandSyntax& syntax,
                                    const QStringList& arguments, OptionalValues& optionalValues) {
    parser.setApplicationDescription(QString::fromUtf8(syntax.description));
    // The first element stands for the program; the parser skips it.
    if (!parser.parse(QStringList{QStringLiteral("varnotile-cli")} + takeOptionalValues(arguments, optionalValues)))
        return refuse(syntax, parser.errorText().toStdString());
    if (parser.isSet(QStringLiteral("help"))) {
        // The parser's own usage line would name the program by its path and omit the command.
        const QString table = parser.helpText();
        std::cout << "usage: varnotile-cli " << syntax.name << " " << syntax.usage << "\n"
                  << table.mid(table.indexOf(QLatin1Char('\n')) + 1).toStdString();
        return kExitLoaded;
    }
    if (parser.positionalArguments().size() != syntax.files.size())
        return refuse(syntax, "needs " + syntax.files.join(QStringLiteral(" and ")).toStdString());
    return std::nullopt;
}

std::optional<std::string> delimiterOption(const QCommandLineParser& parser, const QString& option,
                                           const CommandSyntax& syntax) {
    const QString value = parser.value(option);
    if (value == QLatin1String("Tab") || value == QLatin1String("tab")) return "\t";
    if (value == QLatin1String("Space") || value == QLatin1String("space")) return " ";
    // One byte as the shell passed it: the data set's delimiter is a single byte of the file.
    const QByteArray bytes = value.toLocal8Bit();
    if (bytes.size() == 1) return bytes.toStdString();
    refuse(syntax, "--" + option.toStdString() + " takes one character, Tab or Space, not '" + value.toStdString() + "'");
    return std::nullopt;
}

std::optional<LoadOptions> loadOptionsOf(const QCommandLineParser& parser, const OptionalValues& optionalValues,
                                         const CommandSyntax& syntax) {
    LoadOptions options;
    std::string refusal;
    const std::optional<ReadingFlags> reading = readingFlagsOf(parser, optionalValues, refusal);
    if (!reading) {
        refuse(syntax, refusal);
        return std::nullopt;
    }
    options.reading = *reading;
    if (parser.isSet(QStringLiteral("delimiter"))) {
        const std::optional<std::string> delimiter = delimiterOption(parser, QStringLiteral("delimiter"), syntax);
        if (!delimiter) return std::nullopt;
        options.delimiter = *delimiter;
        options.delimiterGiven = true;
    }
    if (parser.isSet(QStringLiteral("decimal"))) {
        const QByteArray decimal = parser.value(QStringLiteral("decimal")).toLocal8Bit();
        if (decimal.size() != 1) {
            refuse(syntax, "--decimal takes one character");
            return std::nullopt;
        }
        options.decimal = decimal[0];
    }
    return options;
}

std::string usageWith(const char* rest) {
    return "[--delimiter D] [--decimal C] " + readingUsage() + " " + rest;
}

std::string settingsPathBesideProgram() {
    const std::string dir = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    const std::string path = SettingsFilePath(dir, QFile::encodeName(qEnvironmentVariable("XDG_CONFIG_HOME")).toStdString(),
                                              QFile::encodeName(QDir::homePath()).toStdString());
    const std::string defaults = SettingsDefaultsPath(dir, path);
    return defaults.empty() ? path : defaults;
}

namespace {

// The window program's delimiter setting, "," when there is none.
std::string defaultDelimiter() {
    DataSet settings;
    ReadSettingsFile(settings, settingsPathBesideProgram());
    return settings.Layout.ListSeparator;
}

// Files from this size on show how their load goes, on a terminal.
constexpr uint64_t kBytesWorthProgress = 100'000'000;

// A line on standard error that follows the load of a large file, "Reading data.csv  45 %",
// redrawn at most ten times a second and ended by a line break. Only on a terminal: scripts
// and pipes read standard error unchanged.
class LoadProgressLine {
public:
    explicit LoadProgressLine(const std::string& file) {
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        if (error || size < kBytesWorthProgress || !::isatty(STDERR_FILENO)) return;
        name_ = std::filesystem::path(file).filename().string();
        hook_ = [this](WorkStep step, uint64_t done, uint64_t total) {
            // Reading the bytes is about a third of a load, filling the table the rest.
            const double part = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
            show(static_cast<int>(step == WorkStep::Reading ? part * 33 : 33 + part * 67), false);
        };
    }
    ~LoadProgressLine() {
        if (shownAt_) show(100, true);
    }
    const ProgressReport& hook() const { return hook_; }

private:
    void show(int percent, bool last) {
        const auto now = std::chrono::steady_clock::now();
        if (!last && shownAt_ && now - *shownAt_ < std::chrono::milliseconds(100)) return;
        shownAt_ = now;
        std::cerr << "\rReading " << name_ << "  " << percent << " %" << (last ? "\n" : "") << std::flush;
    }

    std::string name_;
    ProgressReport hook_;
    std::optional<std::chrono::steady_clock::time_point> shownAt_;
};

} // namespace

std::string delimiterOf(const LoadOptions& options) {
    return options.delimiterGiven ? options.delimiter : defaultDelimiter();
}

int loadForCommand(DataSet& ds, const LoadOptions& options, const std::string& file, LoadOutcome& outcome) {
    ds.DecimalSeparator = options.decimal ? options.decimal : localeDecimalSeparator();
    ds.Layout.ListSeparator = delimiterOf(options);
    ds.Layout.Reading = options.reading.options;
    ds.File.CurrentFileName = file;
    try {
        const LoadProgressLine progress(file);
        outcome = LoadDataFile(ds, options.reading.automatic, progress.hook());
    } catch (const std::bad_alloc&) {
        // A file larger than the memory left: a read error like any other, not an abort.
        ResetData(ds);
        outcome = LoadOutcome{};
        outcome.status = LoadOutcome::Status::ReadError;
        outcome.error = "not enough memory to hold the file";
    }
    if (outcome.status == LoadOutcome::Status::ReadError) {
        std::cerr << "varnotile-cli: cannot read " << file << ": " << outcome.error << "\n";
        return kExitUsage;
    }
    if (outcome.status == LoadOutcome::Status::TooFewData) return kExitTooFewData;
    return kExitLoaded;
}

} // namespace varnotile::cli
