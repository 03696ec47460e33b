#include "model/table_data_file.h"

#include <bit>

#include "model/working_folder.h"

namespace tarvex::model {
namespace {

constexpr size_t kStreamBuffer = 1 << 16;

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
  file_ = std::fopen(path_.c_str(), "wbx");
  if (!file_) return false;
  std::setvbuf(file_, nullptr, _IOFBF, kStreamBuffer);
  return true;
}

bool CAccessTableDataFile::WriteCount(uint32_t byteCount) {
  uint8_t header[4];
  for (int i = 0; i < 4; ++i) header[i] = static_cast<uint8_t>(byteCount >> (8 * i));
  return std::fwrite(header, 1, 4, file_) == 4;
}

bool CAccessTableDataFile::AppendValueText(const std::u16string& text) {
  if (!file_ || failed_) return false;
  // Readers take counts of 2^31 and above as negative (a row end).
  const uint64_t byteCount = 2 * static_cast<uint64_t>(text.size()) + 1;
  if (byteCount > INT32_MAX) {
    failed_ = true;
    return false;
  }
  bool written = WriteCount(static_cast<uint32_t>(byteCount));
  if constexpr (std::endian::native == std::endian::little) {
    written = written && std::fwrite(text.data(), 2, text.size(), file_) == text.size();
  } else {
    for (char16_t unit : text) {
      const uint8_t bytes[2] = {static_cast<uint8_t>(unit), static_cast<uint8_t>(unit >> 8)};
      written = written && std::fwrite(bytes, 1, 2, file_) == 2;
    }
  }
  written = written && std::fputc(0, file_) != EOF;
  if (!written) failed_ = true;
  return !failed_;
}

bool CAccessTableDataFile::AppendNull() {
  if (!file_ || failed_) return false;
  if (!WriteCount(0)) failed_ = true;
  return !failed_;
}

bool CAccessTableDataFile::Close() {
  if (!file_) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

void CAccessTableDataFile::Delete(uint64_t tableDefOffset) {
  std::error_code ignored;
  std::filesystem::remove(TableDataFilePath(tableDefOffset), ignored);
}

bool CDataFileReader::Open() {
  Close();
  file_ = std::fopen(path_.c_str(), "rb");
  if (!file_) return false;
  std::setvbuf(file_, nullptr, _IOFBF, kStreamBuffer);
  std::error_code error;
  const auto size = std::filesystem::file_size(path_, error);
  length_ = error ? 0 : size;
  position_ = 0;
  return true;
}

RecordKind CDataFileReader::ReadRecord(std::u16string& text) {
  text.clear();
  if (!file_ || AtEnd() || length_ - position_ < 4) return End();
  uint8_t header[4];
  if (std::fread(header, 1, 4, file_) != 4) return End();
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
  bool read = true;
  if constexpr (std::endian::native == std::endian::little) {
    read = std::fread(text.data(), 2, units, file_) == units;
  } else {
    for (size_t i = 0; read && i < units; ++i) {
      uint8_t bytes[2];
      read = std::fread(bytes, 1, 2, file_) == 2;
      text[i] = static_cast<char16_t>(bytes[0] | bytes[1] << 8);
    }
  }
  for (uint32_t rest = count - 2 * static_cast<uint32_t>(units); read && rest > 0; --rest)
    read = std::fgetc(file_) != EOF;
  if (!read) {
    text.clear();
    return End();
  }
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
  if (file_) std::fseek(file_, 0, SEEK_SET);
  position_ = 0;
}

void CDataFileReader::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  length_ = 0;
  position_ = 0;
}

}  // namespace tarvex::model
