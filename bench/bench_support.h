#pragma once
// What the benchmarks share: a stopwatch, work and programs run in a child
// process so that their peak memory is measured alone (wait4's rusage),
// mdb-export of every table as the yardstick, and the large benchmark file.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvex::bench {

using Clock = std::chrono::steady_clock;

inline constexpr uint64_t kMegabyte = 1000 * 1000;

double Seconds(Clock::time_point since);
double Megabytes(long kilobytes);

// Runs `work` in a child process, so that its memory is measured alone; the
// child hands back `size` bytes of its result through a pipe.
template <typename Fn>
bool InChild(Fn work, void* result, size_t size, rusage* usage) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    work();
    const bool written = write(fds[1], result, size) == static_cast<ssize_t>(size);
    _exit(written ? 0 : 1);
  }
  close(fds[1]);
  const bool read_ok = pid > 0 && read(fds[0], result, size) == static_cast<ssize_t>(size);
  close(fds[0]);
  int status = 0;
  if (pid > 0) wait4(pid, &status, 0, usage);
  return read_ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct ProgramRun {
  bool ok = false;  // started and exited with status 0
  int exitStatus = -1;
  double seconds = 0;
  long peakKilobytes = 0;  // the child's ru_maxrss
};

// Runs `arguments` (the program first, looked up in PATH) with its standard
// output and error sent to the files named (created or truncated).
ProgramRun RunProgram(const std::vector<std::string>& arguments,
                      const std::filesystem::path& standardOutput = "/dev/null",
                      const std::filesystem::path& standardError = "/dev/null");

// The user tables mdb-tables lists in `file`.
std::vector<std::string> MdbTables(const std::filesystem::path& file);

struct ExportRun {
  bool ok = false;
  double seconds = 0;      // every table, one mdb-export after the other
  long peakKilobytes = 0;  // the largest of the runs
  int tables = 0;
};

// mdb-export of every user table of `file` to /dev/null.
ExportRun ExportWithMdbtools(const std::filesystem::path& file);

// Makes sure `file` is a benchmark database of at least `minimumBytes`,
// writing it anew (in a child process, with a line of progress) when it is
// missing, too small or lacks a benchmark table. False when it cannot.
bool EnsureBenchFile(const std::filesystem::path& file, uint64_t minimumBytes);

}  // namespace tarvex::bench
