#pragma once
// Temporary files for tests: each TempDir is a fresh folder removed with everything in it.
#include <string>
#include <string_view>

namespace varnotile::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes `bytes` exactly to `name` inside the folder and returns the full path.
    std::string write(const std::string& name, std::string_view bytes) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);

} // namespace varnotile::test
