#pragma once
// What inspect prints about a loaded file, shared with inspect --follow.
#include "dataset.h"
#include "json_texts.h"
#include "loader.h"

#include <QJsonObject>

namespace varnotile::cli {

// Everything but the cells: the layout, every column's header texts and statistics, the proposal.
// The file's texts are values of `texts`, which writes the document.
QJsonObject loadReport(const DataSet& ds, const LoadOutcome& outcome, JsonTexts& texts);
// The "min" and "max" of a column as loadReport gives them: null for a column without a value,
// absent beyond the columns that keep statistics (ten, or all of a wide file).
QJsonObject columnRange(const DataSet& ds, int column);

} // namespace varnotile::cli
