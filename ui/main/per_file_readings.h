#pragma once
// The reading chosen for each file during the run ("Read it that way", a table of the file,
// "Reopen as..."), kept by the file's canonical path: a file reached through a link or another
// spelling of its folder (the Open dialog and the folder list may name it differently) is the
// same file and keeps its reading.
#include "reading_advice.h"

#include <map>
#include <string>

namespace varnotile {

class PerFileReadings {
public:
    using Map = std::map<std::string, ReadingChoice>;
    Map::iterator find(const std::string& path) { return map_.find(key(path)); }
    Map::iterator end() { return map_.end(); }
    std::size_t count(const std::string& path) const { return map_.count(key(path)); }
    void erase(const std::string& path) { map_.erase(key(path)); }
    ReadingChoice& operator[](const std::string& path) { return map_[key(path)]; }

private:
    // The canonical path of an existing file, else the path as given.
    static std::string key(const std::string& path);
    Map map_;
};

} // namespace varnotile
