#include "support/test_paths.h"

#include <cstdlib>
#include <stdexcept>

#include <unistd.h>

namespace tarvex::test {

std::filesystem::path FixturesDir() {
  if (const char* env = std::getenv("TARVEX_FIXTURES"); env && *env) return env;
  return TARVEX_FIXTURES_DEFAULT;
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
