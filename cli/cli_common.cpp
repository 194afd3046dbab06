#include "cli_common.h"

#include "settings_file.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <iostream>
#include <new>

namespace varnotile::cli {

bool takeFlag(std::vector<std::string>& args, const std::string& flag) {
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

bool takeValue(std::vector<std::string>& args, const std::string& name, std::string& value, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            return true;
        }
        const std::string prefix = name + "=";
        if (args[i].rfind(prefix, 0) == 0) {
            value = args[i].substr(prefix.size());
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

std::string delimiterFromText(const std::string& text) {
    if (text == "Tab") return "\t";
    if (text == "Space") return " ";
    return text.substr(0, text.empty() ? 0 : 1);
}

std::string settingsPathBesideProgram() {
    const QString dir = QCoreApplication::applicationDirPath();
    return (dir + QStringLiteral("/varnotile.INI")).toStdString();
}

std::string defaultDelimiter() {
    // The window program's delimiter setting, "," when there is none.
    DataSet settings;
    ReadSettingsFile(settings, settingsPathBesideProgram());
    return settings.ListSeparator;
}

bool takeLoadOptions(std::vector<std::string>& args, LoadOptions& options, std::string& error) {
    std::string value;
    if (takeValue(args, "--delimiter", value, error)) {
        if (value.empty()) {
            error = "--delimiter needs one character, Tab or Space";
            return false;
        }
        if (value != "Tab" && value != "Space" && value.size() != 1 && value != "tab" && value != "space") {
            error = "--delimiter takes one character, Tab or Space, not '" + value + "'";
            return false;
        }
        if (value == "tab") value = "Tab";
        if (value == "space") value = "Space";
        options.delimiter = value;
        options.delimiterGiven = true;
    }
    if (!error.empty()) return false;
    if (takeValue(args, "--decimal", value, error)) {
        if (value.size() != 1) {
            error = "--decimal takes one character";
            return false;
        }
        options.decimal = value[0];
    }
    return error.empty();
}

static char localeDecimal() {
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80) return static_cast<char>(point.at(0).unicode());
    return '.';
}

int loadForCommand(DataSet& ds, const LoadOptions& options, const std::string& file, LoadOutcome& outcome) {
    ds.DecimalSeparator = options.decimal ? options.decimal : localeDecimal();
    if (options.delimiterGiven)
        ds.ListSeparator = delimiterFromText(options.delimiter);
    else
        ds.ListSeparator = defaultDelimiter();
    ds.CurrentFileName = file;
    try {
        outcome = LoadDataFile(ds);
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
