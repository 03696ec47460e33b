#pragma once
// The subcommands of the tarvex command line. Each returns the process exit status.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tarvex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

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

struct RepairOptions {
  std::filesystem::path dataFile;
  std::optional<std::filesystem::path>
      output;  // default: "Tarvex_" + the damaged file's name, here
  std::optional<std::filesystem::path> templateFile;
  std::optional<std::filesystem::path> report;  // where to write the JSON report
  bool force = false;                           // replace an existing output file
};

int RunRepair(const RepairOptions& options, bool terminal);
int RunScan(const ScanOptions& options, bool terminal);
int RunQueries(const QueriesOptions& options, bool terminal);
int RunPreview(const PreviewOptions& options, bool terminal);

}  // namespace tarvex::cli
