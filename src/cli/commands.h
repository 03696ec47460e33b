#pragma once
// The subcommands of the tarvex command line. Each returns the process exit status.
#include <filesystem>
#include <cstdint>
#include <optional>
#include <string>

namespace tarvex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;

struct ScanOptions {
  std::filesystem::path dataFile;
  std::optional<std::filesystem::path> templateFile;
  bool json = false;
};

struct PreviewOptions {
  std::filesystem::path dataFile;
  std::string table;
  std::optional<std::filesystem::path> templateFile;
  int64_t limit = -1;  // rows to show; negative: all
  bool csv = false;
};

struct QueriesOptions {
  std::filesystem::path dataFile;
  std::optional<std::filesystem::path> templateFile;
};

int RunScan(const ScanOptions& options, bool terminal);
int RunQueries(const QueriesOptions& options, bool terminal);
int RunPreview(const PreviewOptions& options, bool terminal);

}  // namespace tarvex::cli
