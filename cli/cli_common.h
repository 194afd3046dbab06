#pragma once
// Shared by the commands of varnotile-cli: option parsing and loading a file as the window does.
#include "dataset.h"
#include "loader.h"

#include <string>
#include <vector>

namespace varnotile::cli {

// Exit statuses shared by every command.
inline constexpr int kExitLoaded = 0;
inline constexpr int kExitTooFewData = 1;
inline constexpr int kExitUsage = 2;

struct LoadOptions {
    std::string delimiter; // as given on the command line ("", ",", "Tab", "Space", ...)
    bool delimiterGiven = false;
    char decimal = 0;      // 0: the locale's
};

// Takes --delimiter and --decimal out of `args` (leaving the rest in order). Returns false
// with a message in `error` when an option is malformed.
bool takeLoadOptions(std::vector<std::string>& args, LoadOptions& options, std::string& error);
// Takes a valueless flag such as "--cells"; true when it was present.
bool takeFlag(std::vector<std::string>& args, const std::string& flag);
// Takes "--name VALUE"; true when present, with the value in `value`. Sets `error` when the
// value is missing.
bool takeValue(std::vector<std::string>& args, const std::string& name, std::string& value, std::string& error);

// The delimiter text of the command line or of the settings file as the one character it stands for.
std::string delimiterFromText(const std::string& text);
// The settings file the window program uses (beside this executable).
std::string settingsPathBesideProgram();
// The delimiter used when --delimiter is absent: the settings file's, else ",".
std::string defaultDelimiter();

// Prepares a data set with the options and loads `file`. Returns the exit status; prints a
// read error on standard error.
int loadForCommand(DataSet& ds, const LoadOptions& options, const std::string& file, LoadOutcome& outcome);

// Command entry points; `args` excludes the command name.
int runInspect(std::vector<std::string> args);
int runConvert(std::vector<std::string> args);
// render takes the whole command line: it needs a QApplication of its own.
int runRender(int argc, char** argv);

} // namespace varnotile::cli
