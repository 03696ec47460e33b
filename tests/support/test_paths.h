#pragma once
// Paths the tests share: the fixtures folder and scratch folders of their own.
#include <filesystem>
#include <string>

namespace tarvex::test {

// The shared fixtures folder ($TARVEX_FIXTURES, else the one CMake found).
std::filesystem::path FixturesDir();

// A fresh, empty folder under the system's temporary folder, removed by the destructor.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tarvex::test
