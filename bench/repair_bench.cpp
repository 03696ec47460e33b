// Repair benchmark: times `tarvex repair FILE -o OUT --force` as a whole
// process on a large Jet 4 file against mdb-export of every table of the same
// file, and reports the repair's peak memory and the rows it wrote.
//
//   repair_bench [--file PATH] [--size-mb N] [--tarvex PATH] [--output PATH] [--rounds N]
//
// The file (default repair_bench.mdb in the current folder, at least 500 MB)
// is written by the project's database engine when it is missing, too small
// or lacks a benchmark table. The tarvex program defaults to the one built
// next to this benchmark (../src/cli/tarvex); the output defaults to
// FILE_repaired.mdb beside the file, with its report (.json) and messages
// (.log). A `tarvex scan` of the same file is timed too, so that the repair's
// time splits into scan and save. Every run is warm: the file is read once
// before the first. Scan, repair and mdb-export run in turn for N rounds
// (default 3), and the fastest run of each counts, so that a busy machine
// disturbs the figures less.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

namespace fs = std::filesystem;
using tarvex::bench::kMegabyte;
using tarvex::bench::Megabytes;
using tarvex::bench::ProgramRun;
using tarvex::bench::RunProgram;

constexpr double kTargetRatio = 0.3;
constexpr double kTargetMegabytes = 64;

struct Options {
  fs::path file = "repair_bench.mdb";
  uint64_t minimumBytes = 500 * kMegabyte;
  fs::path tarvex;
  fs::path output;
  int rounds = 3;
};

// The fastest of several runs: what the program costs when nothing else
// competes for the machine. Memory is the largest any run took.
struct Best {
  int rounds = 0;
  double seconds = 0;
  long peakKilobytes = 0;

  void Add(double runSeconds, long runKilobytes) {
    seconds = rounds++ == 0 ? runSeconds : std::min(seconds, runSeconds);
    peakKilobytes = std::max(peakKilobytes, runKilobytes);
  }
};

// The tarvex program of the build this benchmark belongs to.
fs::path BuiltTarvex() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return "tarvex";
  return self.parent_path().parent_path() / "src" / "cli" / "tarvex";
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--file") == 0) options.file = argv[i + 1];
    if (std::strcmp(argv[i], "--size-mb") == 0)
      options.minimumBytes = std::strtoull(argv[i + 1], nullptr, 10) * kMegabyte;
    if (std::strcmp(argv[i], "--tarvex") == 0) options.tarvex = argv[i + 1];
    if (std::strcmp(argv[i], "--output") == 0) options.output = argv[i + 1];
    if (std::strcmp(argv[i], "--rounds") == 0) options.rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  if (options.tarvex.empty()) options.tarvex = BuiltTarvex();
  if (options.output.empty())
    options.output = options.file.parent_path() / (options.file.stem().string() + "_repaired.mdb");
  return options;
}

// Reads the file once, so that every timed run finds it in the page cache.
double Warm(const fs::path& file) {
  const auto start = tarvex::bench::Clock::now();
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(file.c_str(), "rb"), std::fclose);
  if (!in) return -1;
  std::vector<char> buffer(1 << 20);
  while (std::fread(buffer.data(), 1, buffer.size(), in.get()) > 0) {
  }
  return tarvex::bench::Seconds(start);
}

struct TableRows {
  std::string name;
  uint64_t recovered = 0;
  uint64_t written = 0;
};

struct ReportRows {
  bool read = false;
  uint64_t recovered = 0;
  uint64_t written = 0;
  std::vector<TableRows> tables;
};

ReportRows ReadReport(const fs::path& path) {
  ReportRows rows;
  std::ifstream in(path);
  const auto json = nlohmann::json::parse(in, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return rows;
  rows.recovered = json.value("rowsRecovered", uint64_t{0});
  rows.written = json.value("rowsWritten", uint64_t{0});
  if (const auto tables = json.find("tables"); tables != json.end() && tables->is_array())
    for (const auto& table : *tables)
      if (table.is_object())
        rows.tables.push_back({table.value("name", std::string()),
                               table.value("rowsRecovered", uint64_t{0}),
                               table.value("rowsWritten", uint64_t{0})});
  rows.read = true;
  return rows;
}

void PrintFailure(const char* what, const ProgramRun& run, const fs::path& log) {
  std::fprintf(stderr, "%s failed (exit status %d); its messages are in %s\n", what, run.exitStatus,
               log.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  if (!fs::exists(options.tarvex)) {
    std::fprintf(stderr, "no tarvex program at %s (pass --tarvex PATH)\n", options.tarvex.c_str());
    return 1;
  }
  if (!tarvex::bench::EnsureBenchFile(options.file, options.minimumBytes)) {
    std::fprintf(stderr, "could not write %s\n", options.file.c_str());
    return 1;
  }
  const double megabytes = static_cast<double>(fs::file_size(options.file)) / kMegabyte;
  std::printf("file %s: %.0f MB\n", options.file.c_str(), megabytes);
  std::printf("tarvex %s\n", options.tarvex.c_str());
  std::printf("sequential read: %.2f s\n", Warm(options.file));

  const fs::path log = options.output.string() + ".log";
  const fs::path report = options.output.string() + ".json";
  Best scan, repair, exported;
  int tables = 0;
  for (int round = 1; round <= options.rounds; ++round) {
    const ProgramRun scanRun =
        RunProgram({options.tarvex.string(), "scan", options.file.string()}, "/dev/null", log);
    if (!scanRun.ok) {
      PrintFailure("tarvex scan", scanRun, log);
      return 1;
    }
    // Replacing an old output would add its deletion to the repair's time.
    std::error_code ignored;
    fs::remove(options.output, ignored);
    const ProgramRun repairRun =
        RunProgram({options.tarvex.string(), "repair", options.file.string(), "-o",
                    options.output.string(), "--force", "--report", report.string()},
                   "/dev/null", log);
    if (!repairRun.ok) {
      PrintFailure("tarvex repair", repairRun, log);
      return 1;
    }
    const auto exportRun = tarvex::bench::ExportWithMdbtools(options.file);
    std::printf("round %d: scan %.2f s, repair %.2f s, mdb-export %.2f s%s\n", round,
                scanRun.seconds, repairRun.seconds, exportRun.seconds,
                exportRun.ok ? "" : " (failed)");
    std::fflush(stdout);
    scan.Add(scanRun.seconds, scanRun.peakKilobytes);
    repair.Add(repairRun.seconds, repairRun.peakKilobytes);
    if (exportRun.ok) exported.Add(exportRun.seconds, exportRun.peakKilobytes);
    tables = exportRun.tables;
  }

  std::printf("\nbest of %d rounds (peak memory: the largest of them)\n", options.rounds);
  std::printf("tarvex scan:   %8.2f s, peak memory %.1f MB\n", scan.seconds,
              Megabytes(scan.peakKilobytes));
  std::printf("tarvex repair: %8.2f s, peak memory %.1f MB (scan %.2f s + save about %.2f s)\n",
              repair.seconds, Megabytes(repair.peakKilobytes), scan.seconds,
              repair.seconds - scan.seconds);
  std::printf("  output %s: %.0f MB\n", options.output.c_str(),
              static_cast<double>(fs::file_size(options.output)) / kMegabyte);
  const ReportRows rows = ReadReport(report);
  if (rows.read) {
    for (const auto& table : rows.tables)
      std::printf("  %-24s %10llu rows recovered, %10llu written\n", table.name.c_str(),
                  static_cast<unsigned long long>(table.recovered),
                  static_cast<unsigned long long>(table.written));
  } else {
    std::printf("  the report %s cannot be read\n", report.c_str());
  }
  if (exported.rounds > 0)
    std::printf("mdb-export of every table (%d): %.2f s, peak memory %.1f MB\n", tables,
                exported.seconds, Megabytes(exported.peakKilobytes));
  else
    std::printf("mdb-export failed or is not installed\n");

  std::printf("\n");
  if (exported.rounds > 0)
    std::printf("repair / mdb-export:    %.2f (target at most %.1f); scan %.2f, save %.2f\n",
                repair.seconds / exported.seconds, kTargetRatio, scan.seconds / exported.seconds,
                (repair.seconds - scan.seconds) / exported.seconds);
  std::printf("peak memory of the repair: %.1f MB (target under %.0f)\n",
              Megabytes(repair.peakKilobytes), kTargetMegabytes);
  if (rows.read)
    std::printf("rows written / recovered: %llu / %llu\n",
                static_cast<unsigned long long>(rows.written),
                static_cast<unsigned long long>(rows.recovered));
  return 0;
}
