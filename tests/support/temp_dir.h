#pragma once
// A scratch folder for one test, removed with everything in it when the test ends (even when
// the test made it read-only).

#include <filesystem>
#include <string>
#include <vector>

namespace vq::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;
    std::filesystem::path operator/(const std::string& name) const {
        return std::filesystem::path(path_) / name;
    }
    // Names of the entries, to see that no temporary file was left behind.
    std::vector<std::string> entries() const;

  private:
    std::string path_;
};

}  // namespace vq::test
