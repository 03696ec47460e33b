#include "engine/db_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "format/unicode.h"

namespace tarvex::engine {

bool CFileCust::Open(const std::filesystem::path& path) {
  Close();
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    lastError_ = errno;
    return false;
  }
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    lastError_ = EISDIR;
    return false;
  }
  return true;
}

bool CFileCust::Close() {
  if (fd_ < 0) return true;
  const bool closed = ::close(fd_) == 0;
  if (!closed) lastError_ = errno;
  fd_ = -1;
  return closed;
}

uint64_t CFileCust::Size() {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
    if (fd_ >= 0) lastError_ = errno;
    return 0;
  }
  return static_cast<uint64_t>(info.st_size);
}

int64_t CFileCust::ReadAt(uint64_t offset, std::span<uint8_t> buffer) {
  if (fd_ < 0) {
    lastError_ = EBADF;
    return -1;
  }
  size_t total = 0;
  while (total < buffer.size()) {
    const ssize_t got = ::pread(fd_, buffer.data() + total, buffer.size() - total,
                                static_cast<off_t>(offset + total));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      lastError_ = errno;
      return -1;
    }
    if (got == 0) break;  // end of file
    total += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(total);
}

std::u16string SystemErrorText(int error) { return format::FromUtf8(std::strerror(error)); }

void CDBFileReader::Fail(CErrorHandler& error, int systemError) {
  error.Set(SystemErrorText(systemError), 1);
}

bool CDBFileReader::Open(CErrorHandler& error) {
  position_ = 0;
  if (file_.Open(path_)) return true;
  Fail(error, file_.lastError());
  return false;
}

bool CDBFileReader::Seek(uint64_t offset, CErrorHandler& error) {
  if (!file_.IsOpen()) {
    Fail(error, EBADF);
    return false;
  }
  position_ = offset;
  return !error.Failed();
}

bool CDBFileReader::SeekFromEnd(uint64_t distance, CErrorHandler& error) {
  const uint64_t size = Size();
  if (distance > size) {
    Fail(error, EINVAL);
    return false;
  }
  return Seek(size - distance, error);
}

bool CDBFileReader::Read(std::span<uint8_t> buffer, CErrorHandler& error, size_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (position_ > static_cast<uint64_t>(INT64_MAX) - buffer.size()) {
    Fail(error, EINVAL);
    return false;
  }
  const int64_t got = file_.ReadAt(position_, buffer);
  if (got < 0) {
    Fail(error, file_.lastError());
    return false;
  }
  position_ += static_cast<uint64_t>(got);
  if (bytesRead) *bytesRead = static_cast<size_t>(got);
  return !error.Failed();
}

bool CDBFileReader::ReadAt(uint64_t offset, std::span<uint8_t> buffer, CErrorHandler& error,
                           size_t* bytesRead) {
  return Seek(offset, error) && Read(buffer, error, bytesRead);
}

bool CDBFileReader::Close() { return file_.Close(); }

}  // namespace tarvex::engine
