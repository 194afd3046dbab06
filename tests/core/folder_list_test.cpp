// The folder file list: which entries are listed and the three descending orders.
#include "folder_list.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <memory>

#include <algorithm>
#include <filesystem>

using namespace varnotile;

namespace {

// Data sets cannot be moved, so they are handed out on the heap.
std::unique_ptr<DataSet> listOf(const std::vector<FolderEntry>& entries) {
    auto owner = std::make_unique<DataSet>();
    DataSet& ds = *owner;
    SetFolderList(ds, "/data", entries, [](int64_t s) { return "d" + std::to_string(s); },
                  [](int64_t s) { return "t" + std::to_string(s); });
    return owner;
}

std::vector<std::string> namesIn(const DataSet& ds, FileListOrder order) {
    std::vector<std::string> names;
    for (int k : FileListRows(ds, order))
        names.push_back(ds.FolderList.ListNames[static_cast<std::size_t>(k)]);
    return names;
}

} // namespace

TEST(FolderList, ListsEntriesWithExactlyTheSameExtension) {
    varnotile::test::TempDir dir;
    for (const char* name : {"b.csv", "A.csv", "x.CSV", ".hidden.csv", "csv", "notes.txt", "a.csv.bak"})
        dir.write(name, "12345");
    std::filesystem::create_directory(dir.path() + "/folder.csv");
    std::vector<std::string> names;
    for (const FolderEntry& e : EnumerateFolder(dir.path(), ".csv")) {
        names.push_back(e.name);
        EXPECT_TRUE(e.hasStamp);
        if (e.name == "b.csv") EXPECT_EQ(e.size, 5);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden.csv", "A.csv", "b.csv", "folder.csv"}));
    EXPECT_TRUE(EnumerateFolder(dir.path() + "/missing", ".csv").empty());
    EXPECT_EQ(extensionOf("archive.tar.gz"), ".tar.gz");
    EXPECT_EQ(extensionOf("dir.d/data.zst"), ".zst");
    EXPECT_EQ(extensionOf("README"), "");
    EXPECT_EQ(listedPath("/", "a.csv"), "/a.csv");
    EXPECT_EQ(listedPath("/data", "a.csv"), "/data/a.csv");
}

TEST(FolderList, NamesSortDescendingIgnoringLetterCaseWithLongerNamesAboveTheirPrefixes) {
    const auto dsOwner = listOf({{"b.csv", 1, 1, true}, {"A.csv", 1, 1, true}, {"ab", 1, 1, true},
                               {"AB.csv", 1, 1, true}, {"z", 1, 1, true}, {"_u", 1, 1, true}});
    const DataSet& ds = *dsOwner;
    // Letters compare as capitals, so "_" (above "Z" in code) sorts above every letter.
    EXPECT_EQ(namesIn(ds, FileListOrder::ByName),
              (std::vector<std::string>{"_u", "z", "b.csv", "AB.csv", "ab", "A.csv"}));
    EXPECT_EQ(compareFileNames("abc", "ABC"), 0);
    EXPECT_GT(compareFileNames("data10", "data1"), 0);
    EXPECT_LT(compareFileNames("Data", "datum"), 0);
    // Names equal but for letter case keep their enumeration order.
    EXPECT_EQ(namesIn(*listOf({{"abc", 1, 1, true}, {"ABC", 1, 1, true}}), FileListOrder::ByName),
              (std::vector<std::string>{"abc", "ABC"}));
}

TEST(FolderList, SizesSortNumericallyAndEqualSizesKeepEnumerationOrder) {
    const auto dsOwner = listOf({{"p", 20, 1, true}, {"q", 100, 1, true}, {"r", 20, 1, true}, {"s", 9, 1, true},
                               {"t", 20, 1, true}});
    const DataSet& ds = *dsOwner;
    EXPECT_EQ(namesIn(ds, FileListOrder::BySize), (std::vector<std::string>{"q", "p", "r", "t", "s"}));
}

TEST(FolderList, DatesSortNewestFirstWithUndatedEntriesLast) {
    const auto dsOwner = listOf({{"old", 1, 100, true}, {"undated", 1, 0, false}, {"new", 1, 300, true},
                               {"mid", 1, 200, true}, {"same", 1, 200, true}});
    const DataSet& ds = *dsOwner;
    EXPECT_EQ(namesIn(ds, FileListOrder::ByDate),
              (std::vector<std::string>{"new", "mid", "same", "old", "undated"}));
    EXPECT_EQ(ds.FolderList.ListDates[3], "d300");
    EXPECT_EQ(ds.FolderList.ListTimes[3], "t300");
    EXPECT_EQ(ds.FolderList.ListDates[2], "");
    EXPECT_EQ(ds.FolderList.ListSizes[1], "1");
}
