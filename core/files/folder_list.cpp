#include "folder_list.h"

#include "compression.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <numeric>
#include <sys/stat.h>

namespace varnotile {

std::string_view extensionOf(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    // A compressed file's extension includes the one of the data inside: ".csv.gz".
    if (compressionOfName(name) != Compression::None && dot > 0) {
        const auto inner = name.rfind('.', dot - 1);
        if (inner != std::string_view::npos && inner + 1 < dot && name.substr(inner, dot - inner).find('/') == std::string_view::npos)
            dot = inner;
    }
    return name.substr(dot);
}

std::string listedPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

namespace {

// The folder with every symbolic link and "." or ".." resolved; as given when it cannot be resolved.
std::string canonicalFolder(const std::string& folder) {
    char resolved[PATH_MAX];
    return ::realpath(folder.empty() ? "/" : folder.c_str(), resolved) ? std::string(resolved) : folder;
}

} // namespace

int shownFileRow(const DataSet& ds, const std::vector<int>& rows, const std::string& shownPath) {
    const auto slash = shownPath.rfind('/');
    if (shownPath.empty() || slash == std::string::npos) return -1;
    const std::string_view name = std::string_view(shownPath).substr(slash + 1);
    int found = -1;
    for (std::size_t row = 0; row < rows.size() && found < 0; ++row) {
        const auto k = static_cast<std::size_t>(rows[row]);
        if (k < ds.FolderList.ListNames.size() && ds.FolderList.ListNames[k] == name)
            found = static_cast<int>(row);
    }
    if (found < 0) return -1;
    const std::string folder = shownPath.substr(0, slash);
    if (folder == ds.FolderList.DataFolder ||
        canonicalFolder(folder) == canonicalFolder(ds.FolderList.DataFolder))
        return found;
    return -1;
}

std::vector<FolderEntry> EnumerateFolder(const std::string& folder, std::string_view extension) {
    std::vector<FolderEntry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return entries;
    while (const dirent* d = ::readdir(dir)) {
        const std::string_view name = d->d_name;
        if (name == "." || name == "..") continue;
        if (extensionOf(name) != extension) continue;
        FolderEntry entry;
        entry.name = name;
        struct stat st {};
        if (::stat(listedPath(folder, name).c_str(), &st) == 0) {
            entry.size = static_cast<int64_t>(st.st_size);
            entry.stamp = static_cast<int64_t>(st.st_mtime);
            entry.hasStamp = true;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

void SetFolderList(DataSet& ds, std::string folder, const std::vector<FolderEntry>& entries,
                   const std::function<std::string(int64_t)>& dateText,
                   const std::function<std::string(int64_t)>& timeText) {
    ds.FolderList.DataFolder = std::move(folder);
    ds.FolderList.ListFileCount = static_cast<int>(entries.size());
    const std::size_t slots = entries.size() + 1;
    ds.FolderList.ListNames.assign(slots, {});
    ds.FolderList.ListSizes.assign(slots, {});
    ds.FolderList.ListDates.assign(slots, {});
    ds.FolderList.ListTimes.assign(slots, {});
    ds.FolderList.ListStamps.assign(slots, 0);
    ds.FolderList.ListHasStamp.assign(slots, 0);
    ds.FolderList.ListPlaced.assign(slots, 0);
    for (std::size_t k = 1; k < slots; ++k) {
        const FolderEntry& e = entries[k - 1];
        ds.FolderList.ListNames[k] = e.name;
        ds.FolderList.ListSizes[k] = std::to_string(e.size);
        if (e.hasStamp) {
            ds.FolderList.ListDates[k] = dateText(e.stamp);
            ds.FolderList.ListTimes[k] = timeText(e.stamp);
            ds.FolderList.ListStamps[k] = e.stamp;
            ds.FolderList.ListHasStamp[k] = 1;
        }
    }
}

int compareFileNames(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<int> FileListRows(const DataSet& ds, FileListOrder order) {
    const int count =
        std::min<int>(ds.FolderList.ListFileCount, static_cast<int>(ds.FolderList.ListNames.size()) - 1);
    std::vector<int> rows(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(rows.begin(), rows.end(), 1);
    auto at = [](int k) { return static_cast<std::size_t>(k); };
    switch (order) {
    case FileListOrder::ByName:
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return compareFileNames(ds.FolderList.ListNames[at(a)], ds.FolderList.ListNames[at(b)]) > 0;
        });
        break;
    case FileListOrder::BySize: {
        std::vector<int64_t> sizes(at(count) + 1, 0);
        for (int k = 1; k <= count; ++k) {
            const std::string& s = ds.FolderList.ListSizes[at(k)];
            std::from_chars(s.data(), s.data() + s.size(), sizes[at(k)]);
        }
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return sizes[at(a)] > sizes[at(b)]; });
        break;
    }
    case FileListOrder::ByDate: {
        auto hasStamp = [&](int k) {
            return at(k) < ds.FolderList.ListHasStamp.size() && ds.FolderList.ListHasStamp[at(k)];
        };
        auto stamp = [&](int k) {
            return at(k) < ds.FolderList.ListStamps.size() ? ds.FolderList.ListStamps[at(k)] : 0;
        };
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            if (hasStamp(a) != hasStamp(b)) return hasStamp(a);
            return hasStamp(a) && stamp(a) > stamp(b);
        });
        break;
    }
    }
    return rows;
}

} // namespace varnotile
