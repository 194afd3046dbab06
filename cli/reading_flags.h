#pragma once
// The reading options on the command line of every command that reads a file: --whitespace,
// --quotes, --comments[=PREFIX], --missing[=TOKENS], --robust-sample and --auto.
#include "read_options.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace varnotile::cli {

// The values given as --comments=PREFIX and --missing=TOKENS. QCommandLineParser has no options
// whose value may be left out, so these forms are taken out of the arguments before parsing.
struct OptionalValues {
    std::optional<QString> commentPrefix;
    std::optional<QString> missingTokens;
};

// The arguments with "--comments=PREFIX" and "--missing=TOKENS" turned into the bare options,
// their values kept in `values` (the last one given counts). Arguments after "--" stay as they are.
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

// The usage text of the reading options.
inline constexpr const char* kReadingUsage =
    "[--whitespace] [--quotes] [--comments[=PREFIX]] [--missing[=TOKENS]] [--robust-sample] [--auto]";

} // namespace varnotile::cli
