#pragma once
// Shared by the commands of varnotile-cli: the options every command reads a file with, one way
// of parsing and refusing a command line, and loading a file as the window does.
#include "dataset.h"
#include "loader.h"
#include "reading_flags.h"

#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>

namespace varnotile::cli {

// Exit statuses shared by every command.
inline constexpr int kExitLoaded = 0;
inline constexpr int kExitTooFewData = 1;
inline constexpr int kExitUsage = 2;

// What a command's help and refusals say about it.
struct CommandSyntax {
    const char* name;        // "inspect"
    std::string usage;       // the options and files after the command name
    const char* description; // one sentence for --help
    QStringList files;       // the file arguments, in order: "FILE", "OUT"
};

struct LoadOptions {
    std::string delimiter; // the delimiter character itself
    bool delimiterGiven = false;
    // The separator the locale would give: the System decimal choice stands for it, so '.' and
    // ',' read as the Point and Comma choices do while a file without other options keeps the
    // plain rules.
    char decimal = 0;      // 0: the locale's
    ReadingFlags reading;
};

// Adds the options every command has: --help, --delimiter, --decimal and the reading options.
// Each command adds its own options after them.
void addCommonOptions(QCommandLineParser& parser);
// Parses the arguments that follow the command name. Returns the exit status when the command
// ends here: 0 after printing --help, kExitUsage after refusing an unknown or malformed option or
// a wrong number of files; nothing when the command goes on. `optionalValues` receives the values
// of --comments=PREFIX and --missing=TOKENS.
std::optional<int> parseCommandLine(QCommandLineParser& parser, const CommandSyntax& syntax,
                                    const QStringList& arguments, OptionalValues& optionalValues);
// Prints "varnotile-cli NAME: MESSAGE" and the command's usage on standard error; returns kExitUsage.
int refuse(const CommandSyntax& syntax, const std::string& message);
// --delimiter, --decimal and the reading options of a parsed command line; refuses (printing why)
// a malformed value.
std::optional<LoadOptions> loadOptionsOf(const QCommandLineParser& parser, const OptionalValues& optionalValues,
                                         const CommandSyntax& syntax);
// A delimiter option's value as the character it stands for: one character, or Tab or Space
// (also in lower case). Refuses (printing why) anything else.
std::optional<std::string> delimiterOption(const QCommandLineParser& parser, const QString& option,
                                           const CommandSyntax& syntax);

// The usage text of the options every command has, followed by `rest`.
std::string usageWith(const char* rest);

// The settings file the window program uses (beside this executable).
std::string settingsPathBesideProgram();

// The delimiter a file is read with: --delimiter's, else the window program's setting.
std::string delimiterOf(const LoadOptions& options);

// Prepares a data set with the options and loads `file`. Returns the exit status; prints a
// read error on standard error.
int loadForCommand(DataSet& ds, const LoadOptions& options, const std::string& file, LoadOutcome& outcome);

// Command entry points; `arguments` excludes the program and command names.
int runInspect(const QStringList& arguments);
int runConvert(const QStringList& arguments);
// render takes the whole command line: it needs a QApplication of its own.
int runRender(int argc, char** argv);

} // namespace varnotile::cli
