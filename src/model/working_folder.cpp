#include "model/working_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <random>

namespace tarvex::model {
namespace {

std::mutex folderLock;
std::filesystem::path processFolder;  // empty until first use
int lockFile = -1;                    // held locked while the folder is in use
int holders = 0;

constexpr char kLockName[] = "lock";

// Where nothing can ever be created (a path under a file): with it every
// write fails and is reported, rather than landing in a shared place.
const std::filesystem::path kNowhere = "/dev/null/no-working-folder";

// A folder this program made: "PID-XXXXXX".
bool IsProcessFolderName(const std::string& name) {
  const size_t dash = name.find('-');
  return dash > 0 && dash != std::string::npos && name.size() == dash + 7 &&
         name.find_first_not_of("0123456789") == dash;
}

// Folders whose process has ended without removing them. A living process
// holds the lock on its folder's lock file, wherever its process id is
// counted (another container may share the cache); a folder without a lock
// file is being made, or was not made by us, and is left alone.
void RemoveAbandonedFolders(const std::filesystem::path& base) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
    if (!IsProcessFolderName(entry.path().filename().string()) || entry.path() == processFolder)
      continue;
    const int fd = ::open((entry.path() / kLockName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) std::filesystem::remove_all(entry.path(), error);
    ::close(fd);
  }
}

// Locks the new folder before its lock file takes its name, so that no sweep
// ever finds it unlocked.
bool LockFolder(const std::filesystem::path& folder) {
  const auto staging = folder / ".lock";
  const int fd = ::open(staging.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
      ::rename(staging.c_str(), (folder / kLockName).c_str()) != 0) {
    ::close(fd);
    return false;
  }
  lockFile = fd;
  return true;
}

std::filesystem::path EnvPath(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? std::filesystem::path(value) : std::filesystem::path();
}

}  // namespace

std::filesystem::path WorkingFolder::Base() {
  if (auto dir = EnvPath("TARVEX_WORK_DIR"); !dir.empty()) return dir;
  if (auto cache = EnvPath("XDG_CACHE_HOME"); !cache.empty()) return cache / "TarvexforAccess";
  if (auto home = EnvPath("HOME"); !home.empty()) return home / ".cache" / "TarvexforAccess";
  return std::filesystem::temp_directory_path() / "TarvexforAccess";
}

std::filesystem::path WorkingFolder::Path() {
  std::lock_guard guard(folderLock);
  if (processFolder.empty() || !std::filesystem::is_directory(processFolder)) {
    if (lockFile >= 0) ::close(lockFile);  // of a folder that has gone
    lockFile = -1;
    const auto base = Base();
    CreateFolderPath(base);
    RemoveAbandonedFolders(base);
    std::string pattern = (base / (std::to_string(getpid()) + "-XXXXXX")).string();
    processFolder.clear();
    if (mkdtemp(pattern.data())) {
      if (LockFolder(pattern)) {
        processFolder = pattern;
      } else {
        std::error_code ignored;
        std::filesystem::remove_all(pattern, ignored);
      }
    }
    if (processFolder.empty()) return kNowhere / "";
  }
  return processFolder / "";
}

void WorkingFolder::Acquire() {
  std::lock_guard guard(folderLock);
  ++holders;
}

void WorkingFolder::Release() {
  std::lock_guard guard(folderLock);
  if (--holders > 0 || processFolder.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(processFolder, ignored);
  processFolder.clear();
  if (lockFile >= 0) ::close(lockFile);
  lockFile = -1;
}

bool WorkingFolder::Available() { return Path() != kNowhere / ""; }

void CreateFolderPath(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

std::u16string NewGuidText() {
  std::random_device device;
  std::uniform_int_distribution<int> nibble(0, 15);
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string text;
  for (int i = 0; i < 32; ++i) {
    if (i == 8 || i == 12 || i == 16 || i == 20) text += u'-';
    int value = nibble(device);
    if (i == 12) value = 4;                // version 4: random
    if (i == 16) value = 8 | (value & 3);  // RFC 4122 variant
    text += kHex[value];
  }
  return text;
}

bool NamePresent(const std::u16string& name) { return !name.empty() && name[0] != 0; }

}  // namespace tarvex::model
