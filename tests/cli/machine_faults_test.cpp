// Faults of the machine and the file system, met by `tarvex repair` as a user
// would meet them: each ends in its documented exit status and a clear
// message, leaves nothing at the output path and no working folder, and leaves
// the damaged file as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace {

namespace fs = std::filesystem;

// Root reads and writes whatever the permissions say: the cases about them run
// the command line as this user instead.
constexpr uid_t kNobody = 65534;
constexpr auto kMostSeconds = std::chrono::seconds(300);

struct Outcome {
  int status = -1;  // -1: killed, a hang
  std::string output;
};

struct Limits {
  bool asOtherUser = false;
  std::optional<rlim_t> fileSize;  // bytes any one file may reach
};

// Runs `arguments` with the limits, its working folder `work`; stdout and stderr together.
Outcome RunLimited(const fs::path& program, const std::vector<std::string>& arguments,
            const fs::path& work, const Limits& limits) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[0]);
    setenv("TARVEX_WORK_DIR", work.c_str(), 1);
    if (limits.asOtherUser &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
      _exit(126);
    if (limits.fileSize) {
      const rlimit limit{*limits.fileSize, *limits.fileSize};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  Outcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + kMostSeconds;
  char buffer[4096];
  for (;;) {
    pollfd ready{pipeFds[0], POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) == 0) {
      kill(pid, SIGKILL);
      break;
    }
    const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    outcome.output.append(buffer, static_cast<size_t>(got));
  }
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  return outcome;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

fs::path Fixture(const char* name) { return tarvex::test::FixturesDir() / "real" / name; }

// A case's folder: the input among `in`, the output written into `out`, the working folder
// `work`; each open to the other user.
struct Folders {
  fs::path in, out, work;
};

struct FaultCase {
  const char* name;
  // Makes the input in `in` (or names one) and returns its path.
  std::function<fs::path(const Folders&)> input;
  Limits limits;
  int status;
  const char* printed;
  bool outputFolderReadOnly = false;
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

fs::path CopyOf(const char* fixture, const Folders& folders, const char* name = "damaged.mdb") {
  const fs::path path = folders.in / name;
  fs::copy_file(Fixture(fixture), path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  return path;
}

fs::path Written(const Folders& folders, const std::string& bytes) {
  const fs::path path = folders.in / "damaged.mdb";
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// Larger than the biggest table's rows in the working folder, smaller than the repaired database.
constexpr rlim_t kRoomForTheScanOnly = 512 << 10;
constexpr rlim_t kRoomForNoTable = 64 << 10;
constexpr uint64_t kOverTwoGigabytes = (uint64_t{1} << 31) + 8192;

const std::vector<FaultCase>& Cases() {
  static const std::vector<FaultCase> cases = {
      {"DiskFullDuringTheSave",
       [](const Folders& f) { return CopyOf("jet4_northwind2000.mdb", f); },
       {false, kRoomForTheScanOnly},
       1,
       "the database could not be saved: The new database cannot be written"},
      {"DiskFullInTheWorkingFolderDuringTheScan",
       [](const Folders& f) { return CopyOf("jet4_northwind2000.mdb", f); },
       {false, kRoomForNoTable},
       1,
       "could not all be kept in the working folder"},
      {"OutputFolderThatCannotBeWritten",
       [](const Folders& f) { return CopyOf("jet4_decimal.mdb", f); },
       {true, std::nullopt},
       2,
       "cannot be written: Permission denied",
       true},
      {"InputIsAFolder", [](const Folders& f) { return f.in; }, {}, 1, "Is a directory"},
      {"InputIsAFifo",
       [](const Folders& f) {
         const fs::path fifo = f.in / "damaged.mdb";
         mkfifo(fifo.c_str(), 0644);
         return fifo;
       },
       {},
       1,
       "not a regular file (a FIFO)"},
      {"InputIsDevZero", [](const Folders&) { return fs::path("/dev/zero"); }, {}, 1,
       "not a regular file (a character device)"},
      {"InputIsASymlinkLoop",
       [](const Folders& f) {
         fs::create_symlink(f.in / "b.mdb", f.in / "a.mdb");
         fs::create_symlink(f.in / "a.mdb", f.in / "b.mdb");
         return f.in / "a.mdb";
       },
       {},
       1,
       "Too many levels of symbolic links"},
      {"InputThatCannotBeRead",
       [](const Folders& f) {
         const fs::path path = CopyOf("jet4_decimal.mdb", f);
         fs::permissions(path, fs::perms::none);
         return path;
       },
       {true, std::nullopt},
       1,
       "Permission denied"},
      {"InputIsEmpty", [](const Folders& f) { return Written(f, ""); }, {}, 1,
       "no page of it is a Jet page"},
      {"InputIsOneByte", [](const Folders& f) { return Written(f, "\x01"); }, {}, 1,
       "no page of it is a Jet page"},
      {"SparseInputOverTwoGigabytes",
       [](const Folders& f) {
         const fs::path path = CopyOf("jet4_decimal.mdb", f);
         fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
         fs::resize_file(path, kOverTwoGigabytes);
         return path;
       },
       {},
       0,
       "rows written"},
  };
  return cases;
}

// The files below `folder`, by name.
std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  return names;
}

class MachineFault : public testing::TestWithParam<FaultCase> {};

TEST_P(MachineFault, EndsWithItsStatusAndLeavesNothingBehind) {
  const FaultCase& c = GetParam();
  tarvex::test::ScratchDir scratch;
  const fs::path base = scratch.path();
  const Folders folders{base / "in", base / "out", base / "work"};
  for (const auto& folder : {folders.in, folders.out, folders.work}) fs::create_directory(folder);
  fs::permissions(base, fs::perms::all & ~(fs::perms::group_write | fs::perms::others_write));
  fs::permissions(folders.out, fs::perms::all);
  fs::permissions(folders.work, fs::perms::all);
  if (c.outputFolderReadOnly)
    fs::permissions(folders.out, fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
  Limits limits = c.limits;
  fs::path program = TARVEX_CLI;
  if (limits.asOtherUser && geteuid() == 0) {
    // The build tree may not be open to that user: it runs a copy of the program.
    program = base / "tarvex";
    fs::copy_file(TARVEX_CLI, program);
  } else {
    limits.asOtherUser = false;
  }
  const fs::path input = c.input(folders);
  struct stat before {};
  const bool regular = stat(input.c_str(), &before) == 0 && S_ISREG(before.st_mode);
  const bool small = regular && before.st_size < (1 << 24) && (before.st_mode & S_IRUSR);
  const std::string bytesBefore = small ? ReadAll(input) : "";
  const fs::path output = folders.out / "repaired.mdb";

  const auto outcome = RunLimited(program, {"repair", input.string(), "-o", output.string()},
                           folders.work, limits);

  EXPECT_EQ(outcome.status, c.status) << outcome.output;
  EXPECT_NE(outcome.output.find(c.printed), std::string::npos) << outcome.output;
  const auto written = Entries(folders.out);
  if (c.status == 0)
    EXPECT_EQ(written, std::vector<std::string>{"repaired.mdb"});
  else
    EXPECT_TRUE(written.empty()) << written.front();
  EXPECT_TRUE(Entries(folders.work).empty()) << "a working folder was left behind";
  struct stat after {};
  if (regular) {
    ASSERT_EQ(stat(input.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  }
  if (small) {
    EXPECT_TRUE(ReadAll(input) == bytesBefore) << "the damaged file was changed";
  }
}

INSTANTIATE_TEST_SUITE_P(Cli, MachineFault, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
