#pragma once
// The table data file: the decoded rows of one table as value texts, row
// after row, one record per column. A record is a little-endian 32-bit byte
// count N, then the text in UTF-16LE and one zero byte (N = 2 × units + 1);
// a null value is a record with N = 0, so that it differs from the empty text
// (N = 1). Readers take a negative N as the end of the current row. There is
// no header and no row count; readers count records.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::model {

// The file that holds the rows of the table defined at `tableDefOffset`.
std::filesystem::path TableDataFilePath(uint64_t tableDefOffset);

// Written per value, often on a thread other than the one that holds it: it
// takes cache lines of its own, shared with no neighbour.
class alignas(64) CAccessTableDataFile {
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
  bool AppendValueText(std::u16string_view text);
  // Appends the record of a null value.
  bool AppendNull();
  // Flushes and closes; false when anything written was lost.
  bool Close();
  const std::filesystem::path& path() const { return path_; }

  // Deletes the table's file if it exists; failures are ignored.
  static void Delete(uint64_t tableDefOffset);

 private:
  void PutCount(uint32_t byteCount);
  // Makes room for `size` (at most a few) more bytes in the buffer, writing
  // out what it holds when needed.
  bool Reserve(size_t size);
  bool Flush();

  std::filesystem::path path_;
  int fd_ = -1;
  bool failed_ = false;
  // Records are put together here and written in large blocks: three stdio
  // calls per value, each taking the stream's lock, cost more than the copying.
  std::vector<uint8_t> buffer_;
  size_t buffered_ = 0;
};

// What one record of a table data file holds.
enum class RecordKind {
  kValue,   // a value text (possibly empty)
  kNull,    // a null value
  kRowEnd,  // a negative byte count: the current row ends here
  kEnd,     // the end of the file, or a record cut short by it (which ends the reading)
};

// Streams the value records of a table data file back. Its place moves per
// record, often on a thread other than the one that holds it: it takes cache
// lines of its own.
class alignas(64) CDataFileReader {
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
  // Copies the next `size` bytes of the file to `out` (or skips them when
  // `out` is null); false when the file ends or fails first.
  bool Take(uint8_t* out, size_t size);
  // Reads the next block of the file into the emptied buffer; false at its end.
  bool Refill();

  std::filesystem::path path_;
  int fd_ = -1;
  uint64_t length_ = 0;
  uint64_t position_ = 0;  // of the next record, counted from the file's start
  std::vector<uint8_t> buffer_;
  size_t bufferStart_ = 0;  // the unread bytes are buffer_[bufferStart_, bufferEnd_)
  size_t bufferEnd_ = 0;
};

}  // namespace tarvex::model
