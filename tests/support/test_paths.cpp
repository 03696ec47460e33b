#include "support/test_paths.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace tarvex::test {

std::filesystem::path FixturesDir() {
  if (const char* env = std::getenv("TARVEX_FIXTURES"); env && *env) return env;
  return TARVEX_FIXTURES_DEFAULT;
}

std::filesystem::path SourceDir() { return TARVEX_SOURCE_DIR; }

std::vector<TruthFixture> FixturesWithTruth() {
  std::vector<TruthFixture> fixtures;
  const auto dir = FixturesDir();
  for (const auto& entry : std::filesystem::directory_iterator(dir / "real")) {
    const auto truth = dir / "real" / "truth" / (entry.path().filename().string() + ".json");
    if (entry.is_regular_file() && std::filesystem::exists(truth))
      fixtures.push_back({entry.path(), truth});
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir / "synthetic")) {
    const auto truth = std::filesystem::path(entry.path().string() + ".json");
    if (entry.is_regular_file() && std::filesystem::exists(truth))
      fixtures.push_back({entry.path(), truth});
  }
  std::sort(fixtures.begin(), fixtures.end(), [](auto& a, auto& b) { return a.file < b.file; });
  return fixtures;
}

std::string TestNameOf(const std::filesystem::path& file) {
  std::string name = file.filename().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
      '_');
  return name;
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace tarvex::test
