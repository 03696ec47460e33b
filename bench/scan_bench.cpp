// Scan benchmark: times the four scanning steps on a large Jet 4 file against
// reading the same file sequentially and against mdb-export of every table,
// and reports the scan's peak memory.
//
//   scan_bench [--file PATH] [--size-mb N] [--rounds N]
//
// The file (default scan_bench.mdb in the current folder, at least 500 MB) is
// written by the project's database engine when it is missing, too small or
// lacks a benchmark table.
// The sequential read is timed from a cold and from a warm page cache (only
// this file's pages are dropped); the warm read, the scan and mdb-export take
// turns for N rounds (3 unless given) and count with the fastest of each.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "engine/access_repair.h"
#include "model/table_data_file.h"
#include "model/table_summary.h"

namespace {

namespace fs = std::filesystem;
using tarvex::bench::Clock;
using tarvex::bench::InChild;
using tarvex::bench::kMegabyte;
using tarvex::bench::Megabytes;
using tarvex::bench::Seconds;

// The steps a scan runs, in order; the parse and sort between steps 2 and 3 are `kParse`.
enum Step { kStep1, kStep2, kParse, kStep3, kStep4, kStepCount };
constexpr std::array<const char*, kStepCount> kStepNames = {
    "step 1 (table definitions)", "step 2 (data pages)", "parse definitions", "step 3 (records)",
    "step 4 (table names)"};

// The standard scanner with a stopwatch around each step.
template <typename Scanner>
class TimedScanner : public Scanner {
 public:
  explicit TimedScanner(std::array<double, kStepCount>& seconds) : seconds_(seconds) {}

  bool ScanTableDefinitions(tarvex::model::CAccessData& m) override {
    return Time(kStep1, [&] { return Scanner::ScanTableDefinitions(m); });
  }
  bool RemoveContinuationDefinitions(tarvex::model::CAccessData& m) override {
    return Time(kStep1, [&] { return Scanner::RemoveContinuationDefinitions(m); });
  }
  bool ScanDataPages(tarvex::model::CAccessData& m) override {
    return Time(kStep2, [&] { return Scanner::ScanDataPages(m); });
  }
  bool ParseTableDefinitions(tarvex::model::CAccessData& m) override {
    return Time(kParse, [&] { return Scanner::ParseTableDefinitions(m); });
  }
  bool SortColumns(tarvex::model::CAccessData& m) override {
    return Time(kParse, [&] { return Scanner::SortColumns(m); });
  }
  bool ExtractRecords(tarvex::model::CAccessData& m) override {
    return Time(kStep3, [&] { return Scanner::ExtractRecords(m); });
  }
  bool RecoverTableNames(tarvex::model::CAccessData& m) override {
    return Time(kStep4, [&] { return Scanner::RecoverTableNames(m); });
  }
  bool PostProcessComplexColumns(tarvex::model::CAccessData& m) override {
    return Time(kStep4, [&] { return Scanner::PostProcessComplexColumns(m); });
  }

 private:
  template <typename Fn>
  bool Time(Step step, Fn fn) {
    const auto start = Clock::now();
    const bool result = fn();
    seconds_[step] += Seconds(start);
    return result;
  }

  std::array<double, kStepCount>& seconds_;
};

struct ScanResult {
  std::array<double, kStepCount> seconds{};
  long peakKilobytes = 0;
  int tables = 0;
  uint64_t userRows = 0;
  bool ok = false;
};

// Rows the scan wrote for the visible tables (read back after the clock stopped).
uint64_t UserRows(const tarvex::model::CAccessData& model) {
  uint64_t records = 0;
  for (const auto* table : tarvex::model::SummariseTables(model).visibleTables) {
    const int columns = table->columnList.count();
    tarvex::model::CDataFileReader reader(table->DataFilePath());
    if (columns == 0 || !reader.Open()) continue;
    uint64_t values = 0;
    std::u16string value;
    while (reader.ReadTextRecord(value)) ++values;
    records += values / static_cast<uint64_t>(columns);
  }
  return records;
}

ScanResult Scan(const fs::path& file) {
  ScanResult result;
  rusage usage{};
  result.ok = InChild(
      [&] {
        using namespace tarvex::engine;
        ScanSettings settings = ScanSettings::WithoutPause();
        settings.makeScanner = [&](bool jet4) -> std::unique_ptr<CAccessProcessFile> {
          if (jet4) return std::make_unique<TimedScanner<CAccessProcessFileJet4>>(result.seconds);
          return std::make_unique<TimedScanner<CAccessProcessFileJet3>>(result.seconds);
        };
        tarvex::model::Job job;
        job.Start();
        CAccessRepair repair(job, settings);
        repair.Repair(file, file);
        if (!repair.model()) return;
        result.tables = repair.model()->tableList.count();
        result.userRows = UserRows(*repair.model());
      },
      &result, sizeof result, &usage);
  result.peakKilobytes = usage.ru_maxrss;
  return result;
}

double ReadSequentially(const fs::path& file) {
  const auto start = Clock::now();
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(file.c_str(), "rb"), std::fclose);
  if (!in) return -1;
  std::vector<char> buffer(1 << 20);
  while (std::fread(buffer.data(), 1, buffer.size(), in.get()) > 0) {
  }
  return Seconds(start);
}

// Drops the file's pages from the page cache, so that the next read comes from the disk.
void DropFromCache(const fs::path& file) {
  const int fd = open(file.c_str(), O_RDONLY);
  if (fd < 0) return;
  fdatasync(fd);
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  fs::path file = "scan_bench.mdb";
  uint64_t minimumBytes = 500 * kMegabyte;
  int rounds = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--file") == 0) file = argv[i + 1];
    if (std::strcmp(argv[i], "--size-mb") == 0)
      minimumBytes = std::strtoull(argv[i + 1], nullptr, 10) * kMegabyte;
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  if (!tarvex::bench::EnsureBenchFile(file, minimumBytes)) {
    std::fprintf(stderr, "could not write %s\n", file.c_str());
    return 1;
  }
  const double megabytes = static_cast<double>(fs::file_size(file)) / kMegabyte;
  std::printf("file %s: %.0f MB\n", file.c_str(), megabytes);

  DropFromCache(file);
  const double coldRead = ReadSequentially(file);
  std::printf("sequential read, cold cache: %.2f s (%.0f MB/s)\n", coldRead, megabytes / coldRead);

  // The warm read, the scan and mdb-export take turns; each counts with the fastest of its rounds,
  // what it costs when nothing else competes for the machine (one run alone swings by half).
  double read = 0;
  double total = 0;
  double exported = 0;
  long peakKilobytes = 0;
  int exportedTables = 0;
  for (int round = 1; round <= rounds; ++round) {
    std::printf("round %d\n", round);
    const double roundRead = ReadSequentially(file);
    std::printf("  sequential read, warm cache: %.2f s (%.0f MB/s)\n", roundRead,
                megabytes / roundRead);
    sync();  // the previous round's data files must not be written back during this one
    const ScanResult roundScan = Scan(file);
    if (!roundScan.ok) {
      std::fprintf(stderr, "the scan failed\n");
      return 1;
    }
    double roundTotal = 0;
    for (int step = 0; step < kStepCount; ++step) {
      std::printf("    %-28s %8.2f s\n", kStepNames[step], roundScan.seconds[step]);
      roundTotal += roundScan.seconds[step];
    }
    std::printf(
        "  scan, steps 1 to 4: %.2f s, %d tables, %llu rows in user tables, peak memory %.1f MB\n",
        roundTotal, roundScan.tables, static_cast<unsigned long long>(roundScan.userRows),
        Megabytes(roundScan.peakKilobytes));
    const auto exportRun = tarvex::bench::ExportWithMdbtools(file);
    if (exportRun.ok)
      std::printf("  mdb-export of every table (%d): %.2f s\n", exportRun.tables,
                  exportRun.seconds);
    else
      std::printf("  mdb-export failed or is not installed\n");

    read = round == 1 ? roundRead : std::min(read, roundRead);
    if (round == 1 || roundTotal < total) total = roundTotal;
    peakKilobytes = std::max(peakKilobytes, roundScan.peakKilobytes);
    if (exportRun.ok) {
      exported = exported > 0 ? std::min(exported, exportRun.seconds) : exportRun.seconds;
      exportedTables = exportRun.tables;
    }
  }

  std::printf("\nfastest of %d rounds (peak memory: the largest of them)\n", rounds);
  std::printf("sequential read, warm cache: %.2f s; scan, steps 1 to 4: %.2f s", read, total);
  if (exported > 0)
    std::printf("; mdb-export of every table (%d): %.2f s", exportedTables, exported);
  std::printf("\nscan / sequential read: %.2f warm (target at most 10), %.2f cold\n", total / read,
              total / coldRead);
  if (exported > 0)
    std::printf("scan / mdb-export:      %.2f (target at most 0.15)\n", total / exported);
  std::printf("peak memory of the scan: %.1f MB (target under 64)\n", Megabytes(peakKilobytes));
  return 0;
}
