#pragma once
// The folder file list: the entries of a folder with the shown file's extension, and the three
// orders the list can be shown in. Date and time texts are made by the caller (they follow the
// locale), so this stays free of any toolkit.
#include "dataset.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnotile {

struct FolderEntry {
    std::string name;
    int64_t size = 0;
    int64_t stamp = 0;     // modification time, seconds since the epoch
    bool hasStamp = false; // false when the entry's time could not be read
};

// The extension of a name: from its last dot, dot included; empty without a dot. The name of a
// compressed file keeps the extension before the compression's: "a.csv.gz" gives ".csv.gz".
std::string_view extensionOf(std::string_view name);

// Every entry of `folder` (files and folders, hidden ones included, not "." and "..") whose
// extension equals `extension` exactly, letter case included, in the order the file system
// gives them. A folder that cannot be read gives no entries.
std::vector<FolderEntry> EnumerateFolder(const std::string& folder, std::string_view extension);

// Puts the entries into the list arrays of the data set ([1..ListFileCount]) with DataFolder.
// `dateText` and `timeText` turn a time stamp into the texts shown.
void SetFolderList(DataSet& ds, std::string folder, const std::vector<FolderEntry>& entries,
                   const std::function<std::string(int64_t)>& dateText,
                   const std::function<std::string(int64_t)>& timeText);

// Name order: letters a-z compare as A-Z, other bytes by their code, and a name sorts above
// every name that is a prefix of it. Negative, zero or positive like strcmp.
int compareFileNames(std::string_view a, std::string_view b);

enum class FileListOrder { ByName, BySize, ByDate };

// Entry numbers (1-based, into the list arrays) in the order the rows show them. Every order is
// descending (Z before A, largest first, newest first, entries without a time last); entries
// with equal keys keep their enumeration order.
std::vector<int> FileListRows(const DataSet& ds, FileListOrder order);

// The full path of a listed name: DataFolder, the path separator, the name.
std::string listedPath(const std::string& folder, std::string_view name);

// The position in `rows` (as FileListRows gives them) of the entry that is the file `shownPath`,
// or -1 when the list does not hold it. The name must match exactly; the folders are compared by
// their canonical paths, so a file opened through a symbolic link to its folder is found.
int shownFileRow(const DataSet& ds, const std::vector<int>& rows, const std::string& shownPath);

} // namespace varnotile
