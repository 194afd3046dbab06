#pragma once
// The data file writer: free header text, the named header lines rebuilt from the column names,
// labels and third header texts, then the cell table, each line ended by CR LF, with the current
// delimiter. Deleted columns and the row-number column are not written.
#include "dataset.h"

#include <functional>
#include <string>
#include <string_view>

namespace varnotile {

// Receives the written text piece by piece; returns false to stop the writing.
using TextSink = std::function<bool(std::string_view)>;

// Writes the data set in the output format to `sink`. Returns false when the sink refused.
bool WriteDataFile(const DataSet& ds, const TextSink& sink);

// The whole output as one text (for small tables and tests).
std::string DataFileText(const DataSet& ds);

// Saves the data set to `path` without ever leaving a half-written file: the old file stays as
// it was until the new one is complete. With `keepDate` the file gets ds.FileAgeStamp back as
// its modification time (a failure to set it is ignored). Returns an empty string, else the
// system's reason.
std::string SaveDataFile(const DataSet& ds, const std::string& path, bool keepDate);

} // namespace varnotile
