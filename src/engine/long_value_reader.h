#pragma once
// Memo and OLE object values whose bytes need not lie in the row. The 12-byte
// long-value header at the start of such a column's variable data says whether
// the data follows inline, lies in one long-value row of another page, or in a
// chain of long-value rows. Memo bytes are gathered in memory; every OLE object
// goes to a file of its own in the working folder, and the value becomes that
// file's path.
//
// Everything read from the file is checked: pages must lie wholly inside the
// file and be data pages, rows must lie inside their page, a chain never
// visits a page twice and never yields more than the header's length, so a
// damaged chain can neither hang the scan nor fill the disk.
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/db_file_reader.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::engine {

struct LongValueHeader {
  static constexpr size_t kSize = 12;
  static constexpr uint8_t kInline = 0x80;
  static constexpr uint8_t kSingleRow = 0x40;
  static constexpr uint8_t kChain = 0x00;

  uint32_t length = 0;  // all three length bytes: values of 64 KB and more come back whole
  uint8_t kind = 0;     // kInline, kSingleRow or kChain; anything else is not a long value
  uint8_t row = 0;      // first long-value row
  uint32_t page = 0;    // its page number

  // Nothing when fewer than kSize bytes are given.
  static std::optional<LongValueHeader> Parse(format::Bytes header);
};

class CLongValueReader {
 public:
  // `file` is open on the data file and outlives the reader; `fileSize` bounds every page read.
  // Reads move the file's read position: callers read their own pages with ReadAt.
  CLongValueReader(CDBFileReader& file, uint64_t fileSize, const format::JetLayout& layout);

  // The memo's bytes. header: the long-value header; afterHeader: the row's
  // bytes after it, to the end of the row. Nothing when the value cannot be had;
  // a chain cut short by the end of the file yields the bytes found so far.
  std::optional<std::vector<uint8_t>> MemoValue(format::Bytes header, format::Bytes afterHeader);

  // Writes the OLE object to a new file in the working folder and returns the
  // file's full path as UTF-16LE plus one zero byte. Nothing, and no file left
  // behind, when the object cannot be had. The caller lists the path in the
  // OLE file-name list when it formats the value, so the file is deleted with
  // the model.
  std::optional<std::vector<uint8_t>> OleValue(format::Bytes header, format::Bytes afterHeader);

  // A zero-length OLE object (a row whose value has no bytes, not even a header):
  // an empty file, whose path is returned as OleValue returns it.
  std::optional<std::vector<uint8_t>> EmptyOleValue();

  // How many OLE file names this reader has made; every name uses a new number.
  int oleCounter() const { return oleCounter_; }

 private:
  class OleFile;
  enum class ChainEnd { kValue, kAbsent };

  std::optional<std::vector<uint8_t>> InlineBytes(const LongValueHeader& header,
                                                  format::Bytes afterHeader) const;
  std::optional<std::vector<uint8_t>> SingleRowBytes(const LongValueHeader& header);
  // Hands every chain segment, cut to the header's length, to `take` (false: stop, absent).
  template <typename Take>
  ChainEnd WalkChain(const LongValueHeader& header, bool keepPartial, Take take);

  std::optional<std::vector<uint8_t>> OleInline(const LongValueHeader& header,
                                                format::Bytes afterHeader);
  std::optional<std::vector<uint8_t>> OleSingleRow(const LongValueHeader& header);
  std::optional<std::vector<uint8_t>> OleChain(const LongValueHeader& header);

  // Reads the page into page_; false when it does not lie wholly inside the file or cannot be read.
  bool ReadPage(uint32_t page);
  bool PageLiesInFile(uint32_t page) const;
  bool IsDataPage() const;
  // The bytes of row `row` of the page in page_: from its offset to the previous
  // row's offset (the page end for row 0). Nothing when the row is not on the page.
  std::optional<format::Bytes> RowBytes(uint8_t row) const;
  std::filesystem::path NewOleFilePath(const char* prefix);

  CDBFileReader& file_;
  uint64_t fileSize_;
  const format::JetLayout& layout_;
  std::vector<uint8_t> page_;
  int oleCounter_ = 0;
};

}  // namespace tarvex::engine
