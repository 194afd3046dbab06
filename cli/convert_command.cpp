// varnotile-cli convert: loads a file as the window does and writes it back in the window's
// saved form, optionally with another delimiter. The reading options shape the writing as in the
// window: quoting, one space between fields with whitespace reading, comment and blank lines put
// back. The output file is replaced only when the new content is complete, and not at all when a
// text would be split by the new delimiter or the written bytes would read back as another table
// (--force writes it anyway). With --auto the bytes are read back as --auto will read them.
#include "checked_save.h"
#include "cli_common.h"
#include "data_writer.h"

#include <QFile>

#include <iostream>
#include <new>
#include <string>

namespace varnotile::cli {

int runConvert(const QStringList& arguments) {
    const CommandSyntax syntax{"convert",
                               usageWith("[--to-delimiter D2] [--keep-date] [--force] FILE OUT"),
                               "Writes FILE to OUT as the window saves it, with the delimiter D2 when given.",
                               {QStringLiteral("FILE"), QStringLiteral("OUT")}};
    QCommandLineParser parser;
    addCommonOptions(parser);
    parser.addOptions({
        {QStringLiteral("to-delimiter"), QStringLiteral("The delimiter written: one character, Tab or Space."),
         QStringLiteral("D2")},
        {QStringLiteral("keep-date"), QStringLiteral("Gives OUT the modification time of FILE.")},
        {QStringLiteral("force"), QStringLiteral("Writes OUT even when the delimiter written would split texts or "
                                                 "OUT would read back differently from FILE's table.")},
    });
    OptionalValues optionalValues;
    if (const std::optional<int> status = parseCommandLine(parser, syntax, arguments, optionalValues)) return *status;
    const std::optional<LoadOptions> options = loadOptionsOf(parser, optionalValues, syntax);
    if (!options) return kExitUsage;
    std::optional<std::string> toDelimiter;
    if (parser.isSet(QStringLiteral("to-delimiter"))) {
        toDelimiter = delimiterOption(parser, QStringLiteral("to-delimiter"), syntax);
        if (!toDelimiter) return kExitUsage;
    }
    const bool keepDate = parser.isSet(QStringLiteral("keep-date"));
    const bool force = parser.isSet(QStringLiteral("force"));
    const std::string file = QFile::encodeName(parser.positionalArguments().at(0)).toStdString();
    const std::string out = QFile::encodeName(parser.positionalArguments().at(1)).toStdString();

    DataSet ds;
    LoadOutcome outcome;
    const int status = loadForCommand(ds, *options, file, outcome);
    if (status == kExitUsage) return status;
    for (const std::string& message : outcome.messages) std::cerr << "varnotile-cli convert: " << message << "\n";
    if (status == kExitTooFewData) return status; // nothing to write; OUT is left alone

    if (toDelimiter) {
        // Whitespace reading writes one space whatever the delimiter: D2 other than a space is
        // written as asked, and read back as a delimiter of its own. A space stays runs of
        // blanks, read back as the file was read: empty texts are then written in quotes.
        if (*toDelimiter != " ") ds.Layout.Reading.whitespace = false;
        ds.Layout.ListSeparator = *toDelimiter;
    }
    // Texts holding the delimiter would come back as other fields: refuse unless told otherwise.
    if (const SplitTexts found = force ? SplitTexts{} : FindSplitTexts(ds); found.count > 0) {
        std::cerr << "varnotile-cli convert: " << SplitTextsSentence(found, ds)
                  << " Nothing was written; --force writes it anyway.\n";
        return kExitUsage;
    }
    // The written bytes are read back as OUT will be read (the delimiter and reading options
    // written with) before they replace it.
    // With --auto, OUT is read back as a load with --auto will read it: from the delimiter
    // written and the options given, with the proposal for OUT's lines where it reads better.
    std::optional<ReadingChoice> proposalFrom;
    if (options->reading.automatic)
        proposalFrom = ReadingChoice{toDelimiter ? *toDelimiter : delimiterOf(*options), options->reading.options};
    CheckedSave save;
    try {
        save = SaveDataFileChecked(ds, out, keepDate, force, {}, nullptr, proposalFrom ? &*proposalFrom : nullptr);
    } catch (const std::bad_alloc&) {
        save.error = "not enough memory";
    }
    if (save.difference.found) {
        std::cerr << "varnotile-cli convert: " << ReadBackSentence(save.difference)
                  << " Nothing was written; --force writes it anyway.\n";
        return kExitUsage;
    }
    if (!save.error.empty()) {
        std::cerr << "varnotile-cli convert: cannot write " << out << ": " << save.error << "\n";
        return kExitUsage;
    }
    return kExitLoaded;
}

} // namespace varnotile::cli
