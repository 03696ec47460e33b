#include "shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace tarvex::shell {

std::optional<SingleInstanceLock> SingleInstanceLock::Acquire(
    const std::filesystem::path& lockFile) {
  // O_NOFOLLOW: in a shared temporary folder another user could have put a link there.
  const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return SingleInstanceLock(-1);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool heldByAnother = errno == EWOULDBLOCK;
    ::close(fd);
    if (heldByAnother) return std::nullopt;
    return SingleInstanceLock(-1);
  }
  return SingleInstanceLock(fd);
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::filesystem::path DefaultInstanceLockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime && std::filesystem::is_directory(runtime))
    return std::filesystem::path(runtime) / "tarvex-for-access.lock";
  std::error_code error;
  std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
  if (error) temporary = "/tmp";
  return temporary / ("tarvex-for-access-" + std::to_string(::getuid()) + ".lock");
}

}  // namespace tarvex::shell
