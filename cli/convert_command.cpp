// varnotile-cli convert: loads a file as the window does and writes it back in the window's
// saved form, optionally with another delimiter. The output file is replaced only when the new
// content is complete, and not at all when a text would be split by the new delimiter (--force
// writes it anyway).
#include "cli_common.h"
#include "data_writer.h"

#include <iostream>
#include <string>

namespace varnotile::cli {
namespace {

constexpr const char* kUsage =
    "usage: varnotile-cli convert [--delimiter D] [--decimal C] [--to-delimiter D2] [--keep-date] [--force] FILE OUT\n";

// The delimiter words the command line accepts: one character, Tab or Space (either case).
bool delimiterOption(std::string value, std::string& delimiter, std::string& error) {
    if (value == "tab") value = "Tab";
    if (value == "space") value = "Space";
    if (value != "Tab" && value != "Space" && value.size() != 1) {
        error = "--to-delimiter takes one character, Tab or Space, not '" + value + "'";
        return false;
    }
    delimiter = delimiterFromText(value);
    return true;
}

} // namespace

int runConvert(std::vector<std::string> args) {
    LoadOptions options;
    std::string error;
    if (!takeLoadOptions(args, options, error)) {
        std::cerr << "varnotile-cli convert: " << error << "\n";
        return kExitUsage;
    }
    std::string toText, toDelimiter;
    const bool toGiven = takeValue(args, "--to-delimiter", toText, error);
    if (!error.empty() || (toGiven && !delimiterOption(toText, toDelimiter, error))) {
        std::cerr << "varnotile-cli convert: " << error << "\n";
        return kExitUsage;
    }
    const bool keepDate = takeFlag(args, "--keep-date");
    const bool force = takeFlag(args, "--force");
    if (args.size() != 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& file = args[0];
    const std::string& out = args[1];

    DataSet ds;
    LoadOutcome outcome;
    const int status = loadForCommand(ds, options, file, outcome);
    if (status == kExitUsage) return status;
    for (const std::string& message : outcome.messages) std::cerr << "varnotile-cli convert: " << message << "\n";
    if (status == kExitTooFewData) return status; // nothing to write; OUT is left alone

    if (toGiven) ds.ListSeparator = toDelimiter;
    // Texts holding the delimiter would come back as other fields: refuse unless told otherwise.
    if (const SplitTexts found = force ? SplitTexts{} : FindSplitTexts(ds); found.count > 0) {
        std::cerr << "varnotile-cli convert: " << SplitTextsSentence(found, ds)
                  << " Nothing was written; --force writes it anyway.\n";
        return kExitUsage;
    }
    if (const std::string reason = SaveDataFile(ds, out, keepDate); !reason.empty()) {
        std::cerr << "varnotile-cli convert: cannot write " << out << ": " << reason << "\n";
        return kExitUsage;
    }
    return kExitLoaded;
}

} // namespace varnotile::cli
