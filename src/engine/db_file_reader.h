#pragma once
// Positioned, read-only access to the damaged file (and the template file)
// over POSIX calls with 64-bit offsets. Failures go into the caller's error
// carrier with the system's text; nothing throws.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "model/error_handler.h"

namespace tarvex::engine {

using model::CErrorHandler;

// One open file descriptor and the last system error seen on it.
class CFileCust {
 public:
  CFileCust() = default;
  CFileCust(const CFileCust&) = delete;
  CFileCust& operator=(const CFileCust&) = delete;
  ~CFileCust() { Close(); }

  bool Open(const std::filesystem::path& path);
  bool Close();
  bool IsOpen() const { return fd_ >= 0; }
  // The file's size; 0 and a stored error when it cannot be taken.
  uint64_t Size();
  // Reads up to `buffer.size()` bytes at `offset`; returns the count read, or -1 on failure.
  int64_t ReadAt(uint64_t offset, std::span<uint8_t> buffer);
  int lastError() const { return lastError_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  int fd_ = -1;
  int lastError_ = 0;
  std::filesystem::path path_;
};

// The system's text for an error number.
std::u16string SystemErrorText(int error);

class CDBFileReader {
 public:
  void SetPath(std::filesystem::path path) { path_ = std::move(path); }
  // Opens the stored path for reading; on failure the carrier gets code 1 and the system's text.
  bool Open(CErrorHandler& error);
  uint64_t Size() { return file_.Size(); }
  // Moves the read position; an offset past the end is allowed (later reads return nothing).
  bool Seek(uint64_t offset, CErrorHandler& error);
  bool SeekFromEnd(uint64_t distance, CErrorHandler& error);
  // Reads up to buffer.size() bytes at the position and advances it. A read that
  // reaches the end of the file returns fewer bytes (in `bytesRead`) without an
  // error, and the rest of the buffer keeps its contents.
  bool Read(std::span<uint8_t> buffer, CErrorHandler& error, size_t* bytesRead = nullptr);
  // Seek and read in one call.
  bool ReadAt(uint64_t offset, std::span<uint8_t> buffer, CErrorHandler& error,
              size_t* bytesRead = nullptr);
  bool Close();
  bool IsOpen() const { return file_.IsOpen(); }

 private:
  void Fail(CErrorHandler& error, int systemError);

  CFileCust file_;
  std::filesystem::path path_;
  uint64_t position_ = 0;
};

}  // namespace tarvex::engine
