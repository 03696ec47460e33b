#pragma once
// The table data file: the decoded rows of one table as value texts, row
// after row, one record per column. A record is a little-endian 32-bit byte
// count N, then the text in UTF-16LE and one zero byte (N = 2 × units + 1);
// a null value is a record with N = 0, so that it differs from the empty text
// (N = 1). Readers take a negative N as the end of the current row. There is
// no header and no row count; readers count records.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tarvex::model {

// The file that holds the rows of the table defined at `tableDefOffset`.
std::filesystem::path TableDataFilePath(uint64_t tableDefOffset);

class CAccessTableDataFile {
 public:
  CAccessTableDataFile() = default;
  CAccessTableDataFile(const CAccessTableDataFile&) = delete;
  CAccessTableDataFile& operator=(const CAccessTableDataFile&) = delete;
  ~CAccessTableDataFile() { Close(); }

  // Starts a new, empty file for the table (an old one is replaced). False when it cannot be made.
  bool Create(uint64_t tableDefOffset);
  // Starts a new, empty file at `path`.
  bool CreateAt(const std::filesystem::path& path);
  // Appends one value record; false once a write has failed.
  bool AppendValueText(const std::u16string& text);
  // Appends the record of a null value.
  bool AppendNull();
  // Flushes and closes; false when anything written was lost.
  bool Close();
  const std::filesystem::path& path() const { return path_; }

  // Deletes the table's file if it exists; failures are ignored.
  static void Delete(uint64_t tableDefOffset);

 private:
  bool WriteCount(uint32_t byteCount);

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// What one record of a table data file holds.
enum class RecordKind {
  kValue,   // a value text (possibly empty)
  kNull,    // a null value
  kRowEnd,  // a negative byte count: the current row ends here
  kEnd,     // the end of the file, or a record cut short by it (which ends the reading)
};

// Streams the value records of a table data file back.
class CDataFileReader {
 public:
  CDataFileReader() = default;
  explicit CDataFileReader(std::filesystem::path path) : path_(std::move(path)) {}
  CDataFileReader(const CDataFileReader&) = delete;
  CDataFileReader& operator=(const CDataFileReader&) = delete;
  ~CDataFileReader() { Close(); }

  void SetPath(std::filesystem::path path) { path_ = std::move(path); }
  // Opens the file and starts at its beginning; false when it does not open.
  bool Open();
  // Reads the next record; `text` holds its value (empty for every kind but kValue).
  RecordKind ReadRecord(std::u16string& text);
  // Reads the next record into `text`, a null as the empty text. False at the
  // end, at a record cut short by the end of the file, and at a row end.
  bool ReadTextRecord(std::u16string& text);
  void Rewind();
  bool AtEnd() const { return position_ >= length_; }
  void Close();
  uint64_t position() const { return position_; }

 private:
  // Ends the reading: later reads return kEnd.
  RecordKind End();

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  uint64_t length_ = 0;
  uint64_t position_ = 0;
};

}  // namespace tarvex::model
