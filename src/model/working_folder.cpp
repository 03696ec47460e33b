#include "model/working_folder.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <mutex>
#include <random>

namespace tarvex::model {
namespace {

std::mutex folderLock;
std::filesystem::path processFolder;  // empty until first use
int holders = 0;

// Folders of processes that ended without cleaning up ("PID-XXXXXX" whose PID is gone).
void RemoveAbandonedFolders(const std::filesystem::path& base) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
    const std::string name = entry.path().filename().string();
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string::npos || name.size() != dash + 7) continue;
    if (name.find_first_not_of("0123456789") != dash) continue;
    const long pid = std::strtol(name.c_str(), nullptr, 10);
    if (pid <= 0 || pid == getpid() || kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::filesystem::remove_all(entry.path(), error);
  }
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
    const auto base = Base();
    CreateFolderPath(base);
    RemoveAbandonedFolders(base);
    std::string pattern = (base / (std::to_string(getpid()) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data())) {
      processFolder = pattern;
    } else {
      // Without a folder of our own every file operation later fails and is reported there.
      processFolder = base / std::to_string(getpid());
    }
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
}

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
    if (i == 12) value = 4;                      // version 4: random
    if (i == 16) value = 8 | (value & 3);        // RFC 4122 variant
    text += kHex[value];
  }
  return text;
}

bool NamePresent(const std::u16string& name) { return !name.empty() && name[0] != 0; }

}  // namespace tarvex::model
