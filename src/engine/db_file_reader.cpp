#include "engine/db_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "format/unicode.h"

namespace tarvex::engine {
namespace {

std::atomic<PositionedRead> positionedRead{nullptr};

const char* FileKind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  return "a special file";
}

bool Fail(CErrorHandler& error, int systemError) {
  error.Set(SystemErrorText(systemError), 1);
  return false;
}

}  // namespace

std::u16string SystemErrorText(int error) { return format::FromUtf8(std::strerror(error)); }

void SetPositionedReadForTesting(PositionedRead read) { positionedRead = read; }

bool CDBFileReader::Open(const std::filesystem::path& path, CErrorHandler& error) {
  Close();
  // Without O_NONBLOCK opening a FIFO waits for a writer that may never come.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) return Fail(error, errno);
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    const int failure = errno;
    Close();
    return Fail(error, failure);
  }
  if (S_ISDIR(info.st_mode)) {
    Close();
    return Fail(error, EISDIR);
  }
  // A FIFO, socket or device has no size to take pages from: /dev/zero would read forever.
  if (!S_ISREG(info.st_mode)) {
    Close();
    error.Set(format::FromUtf8(std::string("not a regular file (") + FileKind(info.st_mode) + ")"),
              1);
    return false;
  }
  return true;
}

uint64_t CDBFileReader::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_size);
}

bool CDBFileReader::ReadAt(uint64_t offset, std::span<uint8_t> buffer, CErrorHandler& error,
                           size_t* bytesRead) {
  if (fd_ < 0) return Fail(error, EBADF);
  // A carrier that already holds a failure reads nothing more.
  if (error.Failed()) return false;
  if (bytesRead) *bytesRead = 0;
  if (offset > static_cast<uint64_t>(INT64_MAX) - buffer.size()) return Fail(error, EINVAL);
  size_t total = 0;
  while (total < buffer.size()) {
    const PositionedRead read = positionedRead.load();
    const ssize_t got = (read ? read : ::pread)(fd_, buffer.data() + total, buffer.size() - total,
                                                static_cast<off_t>(offset + total));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail(error, errno);
    if (got == 0) break;  // end of file
    total += static_cast<size_t>(got);
  }
  if (bytesRead) *bytesRead = total;
  return true;
}

bool CDBFileReader::ReadWhole(uint64_t offset, std::span<uint8_t> buffer) {
  CErrorHandler error;
  size_t got = 0;
  return ReadAt(offset, buffer, error, &got) && got == buffer.size();
}

void CDBFileReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace tarvex::engine
