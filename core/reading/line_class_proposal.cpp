// The detector's part about line classes: whether telling lines apart by what they hold reads
// the file's header and rows better than the header rules.
#include "format_detector.h"
#include "line_classes.h"
#include "reading_option_table.h"

namespace varnotile {

void ProposeLineClasses(FormatProposal& p, const std::vector<std::string_view>& head, char localeDecimal) {
    if (head.empty()) return;
    const int delimiter = p.delimiter.empty() ? -1 : static_cast<unsigned char>(p.delimiter[0]);
    LineClassifier classifier(delimiter, p.options, decimalFor(p.options, localeDecimal));
    const LineReading r = classifier.classify(head);
    if (r.firstData < 0 || r.columns < 2) return;
    bool namesLikeNumbers = false;
    if (r.namesAt >= 0) {
        const LineClassifier::Shape names = classifier.shapeOf(head[static_cast<std::size_t>(r.namesAt)]);
        namesLikeNumbers = names.numbers > 0;
    }
    const bool settings = r.count(LineClass::Setting) > 0;
    if (r.blockFields == 0 && !r.oddRowNearTop && !namesLikeNumbers && !settings && !r.namesWider) return;
    p.options.lineClasses = true;
    p.findings.emplace_back(readingOption("lineClasses").findingFor(p.options));
}

} // namespace varnotile
