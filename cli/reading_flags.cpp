#include "reading_flags.h"

namespace varnotile::cli {
namespace {

const QString kComments = QStringLiteral("comments");
const QString kMissing = QStringLiteral("missing");
const QString kWhitespace = QStringLiteral("whitespace");
const QString kQuotes = QStringLiteral("quotes");
const QString kRobustSample = QStringLiteral("robust-sample");
const QString kAuto = QStringLiteral("auto");

QString defaultTokens() {
    QStringList tokens;
    for (const std::string& token : ReadOptions{}.missingTokens) tokens << QString::fromStdString(token);
    return tokens.join(QStringLiteral(", "));
}

} // namespace

QStringList takeOptionalValues(const QStringList& arguments, OptionalValues& values) {
    QStringList kept;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        optionsEnded = optionsEnded || argument == QLatin1String("--");
        const QString commentsForm = QStringLiteral("--") + kComments + QLatin1Char('=');
        const QString missingForm = QStringLiteral("--") + kMissing + QLatin1Char('=');
        if (!optionsEnded && argument.startsWith(commentsForm)) {
            values.commentPrefix = argument.mid(commentsForm.size());
            kept << QStringLiteral("--") + kComments;
        } else if (!optionsEnded && argument.startsWith(missingForm)) {
            values.missingTokens = argument.mid(missingForm.size());
            kept << QStringLiteral("--") + kMissing;
        } else {
            kept << argument;
        }
    }
    return kept;
}

void addReadingOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kWhitespace,
         QStringLiteral("Runs of spaces and tabs are one delimiter; blanks at both ends of a line are ignored.")},
        {kQuotes, QStringLiteral("A text in double quotes may hold the delimiter; \"\" inside stands for one quote.")},
        {kComments,
         QStringLiteral("Blank lines and lines starting with # are no data (--comments=PREFIX: starting with PREFIX).")},
        {kMissing, QStringLiteral("In numeric columns, empty cells and %1 are missing values "
                                  "(--missing=TOKENS: the comma-separated TOKENS instead).")
                       .arg(defaultTokens())},
        {kRobustSample,
         QStringLiteral("The sample line is the last of the most common field count among the last 50 lines.")},
        {kAuto, QStringLiteral("Reads the file as the format detector proposes (with no other reading option).")},
    });
}

std::optional<ReadingFlags> readingFlagsOf(const QCommandLineParser& parser, const OptionalValues& values,
                                           std::string& refusal) {
    ReadingFlags flags;
    ReadOptions& options = flags.options;
    options.whitespace = parser.isSet(kWhitespace);
    options.quotedTexts = parser.isSet(kQuotes);
    options.robustSample = parser.isSet(kRobustSample);
    options.commentLines = parser.isSet(kComments);
    if (options.commentLines && values.commentPrefix) {
        // An empty prefix would make every line a comment.
        if (values.commentPrefix->isEmpty()) {
            refusal = "--comments= needs a prefix; --comments alone means #";
            return std::nullopt;
        }
        options.commentPrefix = values.commentPrefix->toLocal8Bit().toStdString();
    }
    options.missingAsGaps = parser.isSet(kMissing);
    if (options.missingAsGaps && values.missingTokens) {
        // "--missing=" leaves only the empty cells as missing values.
        options.missingTokens.clear();
        for (const QString& token : values.missingTokens->split(QLatin1Char(','), Qt::SkipEmptyParts))
            options.missingTokens.push_back(token.toLocal8Bit().toStdString());
    }
    flags.automatic = parser.isSet(kAuto);
    // The proposal replaces every reading option; taking some of the user's silently would mislead.
    if (flags.automatic && options.anyOn()) {
        refusal = "--auto chooses the reading options itself; leave out --whitespace, --quotes, --comments, "
                  "--missing and --robust-sample";
        return std::nullopt;
    }
    return flags;
}

} // namespace varnotile::cli
