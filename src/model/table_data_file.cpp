#include "model/table_data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "model/working_folder.h"

namespace tarvex::model {
namespace {

constexpr size_t kBlockSize = 1 << 18;

// Writes all of `bytes`; false when the system refuses.
bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, bytes, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

// Reads up to `size` bytes; the count read (0 at the end), or -1 on failure.
ssize_t ReadSome(int fd, uint8_t* bytes, size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, bytes, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Stores UTF-16 units little-endian at `out`.
void PutUnits(std::u16string_view text, uint8_t* out) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, text.data(), 2 * text.size());
  } else {
    for (char16_t unit : text) {
      *out++ = static_cast<uint8_t>(unit);
      *out++ = static_cast<uint8_t>(unit >> 8);
    }
  }
}

// Stores a record's byte count little-endian at `out`.
void PutCountAt(uint32_t byteCount, uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(byteCount >> (8 * i));
}

}  // namespace

std::filesystem::path TableDataFilePath(uint64_t tableDefOffset) {
  return WorkingFolder::Path() / std::to_string(tableDefOffset);
}

bool CAccessTableDataFile::Create(uint64_t tableDefOffset) {
  return CreateAt(TableDataFilePath(tableDefOffset));
}

bool CAccessTableDataFile::CreateAt(const std::filesystem::path& path) {
  Close();
  path_ = path;
  failed_ = false;
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  buffer_.resize(kBlockSize);
  buffered_ = 0;
  return true;
}

bool CAccessTableDataFile::Flush() {
  if (buffered_ > 0 && !WriteAll(fd_, buffer_.data(), buffered_)) failed_ = true;
  buffered_ = 0;
  return !failed_;
}

bool CAccessTableDataFile::Reserve(size_t size) {
  return buffer_.size() - buffered_ >= size || Flush();
}

void CAccessTableDataFile::PutCount(uint32_t byteCount) {
  PutCountAt(byteCount, buffer_.data() + buffered_);
  buffered_ += 4;
}

bool CAccessTableDataFile::AppendValueText(std::u16string_view text) {
  if (fd_ < 0 || failed_) return false;
  // Readers take counts of 2^31 and above as negative (a row end).
  const uint64_t byteCount = 2 * static_cast<uint64_t>(text.size()) + 1;
  if (byteCount > INT32_MAX) {
    failed_ = true;
    return false;
  }
  const size_t recordSize = 4 + static_cast<size_t>(byteCount);
  if (recordSize <= buffer_.size() - buffered_ || (recordSize <= buffer_.size() && Flush())) {
    // The usual case: a short value fits the buffer whole.
    uint8_t* out = buffer_.data() + buffered_;
    PutCountAt(static_cast<uint32_t>(byteCount), out);
    PutUnits(text, out + 4);
    out[recordSize - 1] = 0;
    buffered_ += recordSize;
    return true;
  }
  if (failed_ || !Reserve(4)) return false;
  PutCount(static_cast<uint32_t>(byteCount));
  // A value longer than the buffer goes through it in pieces.
  while (!text.empty()) {
    if (!Reserve(2)) return false;
    const size_t units = std::min(text.size(), (buffer_.size() - buffered_) / 2);
    PutUnits(text.substr(0, units), buffer_.data() + buffered_);
    buffered_ += 2 * units;
    text.remove_prefix(units);
  }
  if (!Reserve(1)) return false;
  buffer_[buffered_++] = 0;
  return true;
}

bool CAccessTableDataFile::AppendNull() {
  if (fd_ < 0 || failed_) return false;
  if (!Reserve(4)) return false;
  PutCount(0);
  return true;
}

bool CAccessTableDataFile::Close() {
  if (fd_ < 0) return !failed_;
  Flush();
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  buffer_.clear();
  buffer_.shrink_to_fit();
  return !failed_;
}

void CAccessTableDataFile::Delete(uint64_t tableDefOffset) {
  std::error_code ignored;
  std::filesystem::remove(TableDataFilePath(tableDefOffset), ignored);
}

bool CDataFileReader::Open() {
  Close();
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat info {};
  length_ = ::fstat(fd_, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
  position_ = 0;
  buffer_.resize(kBlockSize);
  bufferStart_ = bufferEnd_ = 0;
  return true;
}

bool CDataFileReader::Refill() {
  bufferStart_ = bufferEnd_ = 0;
  const ssize_t got = ReadSome(fd_, buffer_.data(), buffer_.size());
  if (got <= 0) return false;
  bufferEnd_ = static_cast<size_t>(got);
  return true;
}

bool CDataFileReader::Take(uint8_t* out, size_t size) {
  if (bufferEnd_ - bufferStart_ >= size) {  // the usual case: a short value in the buffer
    if (out) std::memcpy(out, buffer_.data() + bufferStart_, size);
    bufferStart_ += size;
    return true;
  }
  while (size > 0) {
    if (bufferStart_ == bufferEnd_) {
      // A long value goes straight to its place rather than through the buffer.
      if (out && size >= buffer_.size()) {
        const ssize_t got = ReadSome(fd_, out, size);
        if (got <= 0) return false;
        out += got;
        size -= static_cast<size_t>(got);
        continue;
      }
      if (!Refill()) return false;
    }
    const size_t chunk = std::min(size, bufferEnd_ - bufferStart_);
    if (out) {
      std::memcpy(out, buffer_.data() + bufferStart_, chunk);
      out += chunk;
    }
    bufferStart_ += chunk;
    size -= chunk;
  }
  return true;
}

RecordKind CDataFileReader::ReadRecord(std::u16string& text) {
  text.clear();
  if (fd_ < 0 || AtEnd() || length_ - position_ < 4) return End();
  uint8_t header[4];
  if (!Take(header, 4)) return End();
  const int32_t byteCount = static_cast<int32_t>(header[0] | header[1] << 8 | header[2] << 16 |
                                                 static_cast<uint32_t>(header[3]) << 24);
  position_ += 4;
  if (byteCount < 0) return RecordKind::kRowEnd;
  if (byteCount == 0) return RecordKind::kNull;
  const auto count = static_cast<uint32_t>(byteCount);
  if (count > length_ - position_) return End();
  // The first N - 1 bytes are UTF-16LE units; a last odd byte is dropped.
  const size_t units = (count - 1) / 2;
  text.resize(units);
  bool read =
      Take(reinterpret_cast<uint8_t*>(text.data()), 2 * units) && Take(nullptr, count - 2 * units);
  if (!read) {
    text.clear();
    return End();
  }
  if constexpr (std::endian::native == std::endian::big)
    for (char16_t& unit : text) unit = static_cast<char16_t>(unit << 8 | unit >> 8);
  position_ += count;
  return RecordKind::kValue;
}

bool CDataFileReader::ReadTextRecord(std::u16string& text) {
  const RecordKind kind = ReadRecord(text);
  return kind == RecordKind::kValue || kind == RecordKind::kNull;
}

RecordKind CDataFileReader::End() {
  position_ = length_;
  return RecordKind::kEnd;
}

void CDataFileReader::Rewind() {
  if (fd_ >= 0) ::lseek(fd_, 0, SEEK_SET);
  bufferStart_ = bufferEnd_ = 0;
  position_ = 0;
}

void CDataFileReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  length_ = 0;
  position_ = 0;
  bufferStart_ = bufferEnd_ = 0;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

}  // namespace tarvex::model
