#pragma once
// Positioned, read-only access to the damaged file (and the template file)
// over POSIX calls with 64-bit offsets. Failures go into the caller's error
// carrier with the system's text; nothing throws. The file closes with its reader.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "model/error_handler.h"

namespace tarvex::engine {

using model::CErrorHandler;

// The system's text for an error number.
std::u16string SystemErrorText(int error);

// The call every reader reads with: pread, unless a test stands in for it to
// make chosen reads fail as a failing disk would. Null restores pread.
using PositionedRead = ssize_t (*)(int fd, void* buffer, size_t count, off_t offset);
void SetPositionedReadForTesting(PositionedRead read);

class CDBFileReader {
 public:
  CDBFileReader() = default;
  CDBFileReader(const CDBFileReader&) = delete;
  CDBFileReader& operator=(const CDBFileReader&) = delete;
  ~CDBFileReader() { Close(); }

  // Opens `path` for reading; on failure the carrier gets code 1 and the system's text.
  bool Open(const std::filesystem::path& path, CErrorHandler& error);
  // The file's size; 0 when it cannot be taken.
  uint64_t Size() const;
  // Reads up to buffer.size() bytes at `offset`. A read that reaches the end of
  // the file returns fewer bytes (in `bytesRead`) without an error, and the
  // rest of the buffer keeps its contents.
  bool ReadAt(uint64_t offset, std::span<uint8_t> buffer, CErrorHandler& error,
              size_t* bytesRead = nullptr);
  // True when all of the buffer was read at `offset`; false at a failure or
  // where the file ends first.
  bool ReadWhole(uint64_t offset, std::span<uint8_t> buffer);

 private:
  void Close();

  int fd_ = -1;
};

}  // namespace tarvex::engine
