#pragma once
// The subcommands of the tarvex command line. Each returns the process exit status.
#include <filesystem>
#include <optional>

namespace tarvex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;

struct ScanOptions {
  std::filesystem::path dataFile;
  std::optional<std::filesystem::path> templateFile;
  bool json = false;
};

int RunScan(const ScanOptions& options, bool terminal);

}  // namespace tarvex::cli
