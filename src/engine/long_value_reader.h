#pragma once
// Memo and OLE object values (format/long_value.h). Memo bytes are gathered in
// memory; every OLE object goes to a file of its own in the working folder, and
// the value becomes that file's path.
//
// Everything read from the file is checked: pages must lie wholly inside the
// file and be data pages, rows must lie inside their page, and a chain is
// followed as format::LongValueChain bounds it, so a damaged chain can neither
// hang the scan nor fill the disk.
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/db_file_reader.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/long_value.h"

namespace tarvex::engine {

class CLongValueReader {
 public:
  // `file` is open on the data file and outlives the reader; `fileSize` bounds every page read.
  // Reads move the file's read position: callers read their own pages with ReadAt.
  // Readers that write OLE files into one folder at once share `oleNumbers`, so that no two of
  // their files get the same name; without it the reader numbers its own files from 0.
  CLongValueReader(CDBFileReader& file, uint64_t fileSize, const format::JetLayout& layout,
                   std::atomic<int>* oleNumbers = nullptr);

  // The memo's bytes. header: the long-value header; afterHeader: the row's
  // bytes after it, to the end of the row. Nothing when the value cannot be had;
  // a value cut short yields the bytes found so far (see lastValuePartial).
  std::optional<std::vector<uint8_t>> MemoValue(format::Bytes header, format::Bytes afterHeader);
  // The same into `value`, whose storage is reused from value to value; false when the value
  // cannot be had.
  bool MemoValueInto(format::Bytes header, format::Bytes afterHeader, std::vector<uint8_t>& value);

  // Writes the OLE object to a new file in the working folder and returns the
  // file's full path as UTF-16LE plus one zero byte. Nothing, and no file left
  // behind, when the object cannot be had. The caller lists the path in the
  // OLE file-name list when it formats the value, so the file is deleted with
  // the model.
  std::optional<std::vector<uint8_t>> OleValue(format::Bytes header, format::Bytes afterHeader);

  // A zero-length OLE object (a row whose value has no bytes, not even a header):
  // an empty file, whose path is returned as OleValue returns it.
  std::optional<std::vector<uint8_t>> EmptyOleValue();

  // True when the last value read (MemoValue, OleValue) is only a part of the
  // value its header describes: an inline length past its row, a row shorter
  // than its value, or a chain that ends before its length is gathered.
  bool lastValuePartial() const { return partial_; }

  // How many OLE file names this reader (and those sharing its numbers) made; every name uses a
  // new number.
  int oleCounter() const { return oleNumbers_->load(); }

 private:
  class OleFile;

  // The value's bytes in the row, or in the page last read, valid until the next page is read.
  std::optional<format::Bytes> InlineBytes(const format::LongValueHeader& header,
                                           format::Bytes afterHeader);
  std::optional<format::Bytes> SingleRowBytes(const format::LongValueHeader& header);
  // Hands every chain segment, cut to the header's length, to `take` (false: stop, absent);
  // false when the value is absent.
  template <typename Take>
  bool WalkChain(const format::LongValueHeader& header, bool keepPartial, Take take);

  std::optional<std::vector<uint8_t>> OleInline(const format::LongValueHeader& header,
                                                format::Bytes afterHeader);
  std::optional<std::vector<uint8_t>> OleSingleRow(const format::LongValueHeader& header);
  std::optional<std::vector<uint8_t>> OleChain(const format::LongValueHeader& header);

  // Reads the page into page_; false when it does not lie wholly inside the file or cannot be read.
  // The page already there is not read again: values of rows cut one after another mostly lie
  // on the same page.
  bool ReadPage(uint32_t page);
  bool PageLiesInFile(uint32_t page) const;
  // The bytes of row `row` of the page in page_: from its offset to the previous
  // row's offset (the page end for row 0). Nothing when the row is not on the page.
  std::optional<format::Bytes> RowBytes(uint8_t row) const;
  std::filesystem::path NewOleFilePath(const char* prefix);

  CDBFileReader& file_;
  uint64_t fileSize_;
  const format::JetLayout& layout_;
  std::vector<uint8_t> page_;
  std::optional<uint32_t> pageHeld_;  // the page whose bytes page_ holds
  std::atomic<int> ownOleNumbers_{0};
  std::atomic<int>* oleNumbers_;
  bool partial_ = false;
};

}  // namespace tarvex::engine
