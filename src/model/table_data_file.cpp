#include "model/table_data_file.h"

#include <bit>
#include <vector>

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

bool CAccessTableDataFile::AppendValueText(const std::u16string& text) {
  if (!file_ || failed_) return false;
  const uint64_t byteCount = 2 * static_cast<uint64_t>(text.size()) + 1;
  if (byteCount > UINT32_MAX) {
    failed_ = true;
    return false;
  }
  uint8_t header[4];
  for (int i = 0; i < 4; ++i) header[i] = static_cast<uint8_t>(byteCount >> (8 * i));
  bool written = std::fwrite(header, 1, 4, file_) == 4;
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

bool CDataFileReader::ReadTextRecord(std::u16string& text) {
  text.clear();
  if (!file_ || AtEnd() || length_ - position_ < 4) return false;
  uint8_t header[4];
  if (std::fread(header, 1, 4, file_) != 4) return false;
  const uint32_t byteCount = header[0] | header[1] << 8 | header[2] << 16 |
                             static_cast<uint32_t>(header[3]) << 24;
  position_ += 4;
  if (byteCount > length_ - position_) {
    position_ = length_;  // a record cut short ends the reading
    return false;
  }
  std::vector<uint8_t> bytes(byteCount);
  if (std::fread(bytes.data(), 1, byteCount, file_) != byteCount) return false;
  position_ += byteCount;
  if (byteCount > 0) {
    const size_t units = (byteCount - 1) / 2;
    text.resize(units);
    for (size_t i = 0; i < units; ++i) {
      text[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
  }
  return true;
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
