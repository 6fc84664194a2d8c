#pragma once
#include <filesystem>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with its contents at the
// end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
