#pragma once
// The reading options on the command line of every command that reads a file, as the option
// table declares them (--whitespace, --quotes, --comments[=PREFIX], --missing[=TOKENS],
// --robust-sample, --table N), and --auto; and the options as inspect's JSON gives them.
#include "read_options.h"

#include <QCommandLineParser>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <string>

namespace varnotile::cli {

// The values given as --FLAG=VALUE for the options that carry one, by flag ("comments").
// QCommandLineParser has no options whose value may be left out, so these forms are taken out of
// the arguments before parsing.
struct OptionalValues {
    std::map<QString, QString> byFlag;
};

// The arguments with every "--FLAG=VALUE" of an option carrying a value turned into the bare
// flag, the value kept in `values` (the last one given counts). Arguments after "--" stay as they are.
QStringList takeOptionalValues(const QStringList& arguments, OptionalValues& values);

// What the file is read with: the options, or (automatic) the detector's proposal.
struct ReadingFlags {
    ReadOptions options;
    bool automatic = false;
};

void addReadingOptions(QCommandLineParser& parser);
// The flags of a parsed command line; nothing, with `refusal` saying why, for a malformed value
// or --auto together with an option it would override.
std::optional<ReadingFlags> readingFlagsOf(const QCommandLineParser& parser, const OptionalValues& values,
                                           std::string& refusal);

// The usage text of the reading options: "[--whitespace] ... [--auto]".
std::string readingUsage();

// Every option under its JSON key: a switch as true or false, a number as a number, a choice as its word, a text as a
// string, tokens as an array of strings.
QJsonObject readingOptionsJson(const ReadOptions& options);

} // namespace varnotile::cli
