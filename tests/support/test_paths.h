#pragma once
// Paths the tests share: the fixtures folder and scratch folders of their own.
#include <filesystem>
#include <string>
#include <vector>

namespace tarvex::test {

// The shared fixtures folder ($TARVEX_FIXTURES, else the one CMake found).
std::filesystem::path FixturesDir();

// The checkout the tests were built from (for files kept beside them: oracles, kept fuzz inputs).
// Taken from the build, not from __FILE__, which a compiler cache may make relative.
std::filesystem::path SourceDir();

// A fixture and the ground-truth dump of its content.
struct TruthFixture {
  std::filesystem::path file;
  std::filesystem::path truth;
};

// Every fixture that has a ground-truth dump (real/truth/FILE.json, synthetic/FILE.json), in path
// order.
std::vector<TruthFixture> FixturesWithTruth();

// A test name for a file: its name with every character but letters and digits as "_".
std::string TestNameOf(const std::filesystem::path& file);

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
