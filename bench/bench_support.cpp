#include "bench_support.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

#include "bench_database.h"

namespace tarvex::bench {
namespace {

namespace fs = std::filesystem;

// Points descriptor `target` of the child at `path`; false when it cannot be opened.
bool Redirect(int target, const fs::path& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = dup2(fd, target) == target;
  close(fd);
  return ok;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double Megabytes(long kilobytes) { return static_cast<double>(kilobytes) / 1024; }

ProgramRun RunProgram(const std::vector<std::string>& arguments, const fs::path& standardOutput,
                      const fs::path& standardError) {
  ProgramRun run;
  if (arguments.empty()) return run;
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (!Redirect(STDOUT_FILENO, standardOutput) || !Redirect(STDERR_FILENO, standardError))
      _exit(126);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = Seconds(start);
  run.peakKilobytes = usage.ru_maxrss;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.ok = run.exitStatus == 0;
  return run;
}

std::vector<std::string> MdbTables(const fs::path& file) {
  std::vector<std::string> tables;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(
      popen(("mdb-tables -1 " + ShellQuoted(file) + " 2>/dev/null").c_str(), "r"), pclose);
  if (!pipe) return tables;
  std::array<char, 4096> line{};
  while (std::fgets(line.data(), line.size(), pipe.get())) {
    std::string name(line.data());
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    if (!name.empty()) tables.push_back(name);
  }
  return tables;
}

ExportRun ExportWithMdbtools(const fs::path& file) {
  ExportRun result;
  const auto tables = MdbTables(file);
  if (tables.empty()) return result;
  for (const auto& table : tables) {
    const ProgramRun run = RunProgram({"mdb-export", file.string(), table});
    if (!run.ok) return result;
    result.seconds += run.seconds;
    result.peakKilobytes = std::max(result.peakKilobytes, run.peakKilobytes);
    ++result.tables;
  }
  result.ok = true;
  return result;
}

bool EnsureBenchFile(const fs::path& file, uint64_t minimumBytes) {
  std::error_code error;
  if (fs::exists(file, error) && fs::file_size(file, error) >= minimumBytes) {
    // Looked at in a child too: this process stays small, since a child it
    // starts begins with its memory counted.
    bool complete = false;
    rusage ignored{};
    if (InChild([&] { complete = HasBenchTables(file); }, &complete, sizeof complete, &ignored) &&
        complete)
      return true;
  }
  fs::remove(file, error);
  std::printf("writing %s (at least %llu MB) ...\n", file.c_str(),
              static_cast<unsigned long long>(minimumBytes / kMegabyte));
  std::fflush(stdout);
  const auto start = Clock::now();
  uint64_t rows = 0;
  rusage usage{};
  // In a child: the writer's memory must not count as the measured run's.
  const bool ok =
      InChild([&] { rows = WriteBenchDatabase(file, minimumBytes); }, &rows, sizeof rows, &usage);
  std::printf("  %llu rows in %.1f s\n", static_cast<unsigned long long>(rows), Seconds(start));
  return ok;
}

}  // namespace tarvex::bench
