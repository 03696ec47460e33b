#pragma once
// One window per user: the first instance holds an exclusive lock on a file
// in the user's runtime folder for as long as it runs. The lock goes with the
// process, so a crashed instance never blocks the next one.
#include <filesystem>
#include <optional>

namespace tarvex::shell {

class SingleInstanceLock {
 public:
  // Takes the lock on `lockFile`; nothing when another process holds it. When
  // the file cannot be made at all the instance runs unguarded rather than not at all.
  static std::optional<SingleInstanceLock> Acquire(const std::filesystem::path& lockFile);

  SingleInstanceLock(SingleInstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  SingleInstanceLock& operator=(SingleInstanceLock&&) = delete;
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
  ~SingleInstanceLock();

 private:
  explicit SingleInstanceLock(int fd) : fd_(fd) {}
  int fd_;
};

// The lock file: in $XDG_RUNTIME_DIR, else in the temporary folder with the user's id in its name.
std::filesystem::path DefaultInstanceLockPath();

}  // namespace tarvex::shell
