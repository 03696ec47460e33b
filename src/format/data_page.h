#pragma once
// Data pages (table rows, usage-map rows, long-value rows): a header (type,
// free space, owner, row count), then one 16-bit offset word per row, the
// row's start in the low bits and two flags in the high ones. Rows are stored
// from the page's end towards its start, so a row ends where the row before
// it starts.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/page_type.h"
#include "format/row.h"

namespace tarvex::format {

inline constexpr size_t kRowOffsetWordSize = 2;
inline constexpr uint16_t kRowDeletedFlag = 0x8000;
inline constexpr uint16_t kRowPointerFlag = 0x4000;  // the row holds only a pointer to the real row
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
// A row pointer keeps the row number in one byte.
inline constexpr uint32_t kMaxRowsPerPage = 255;

inline bool IsDataPage(Bytes page, const JetLayout& layout) {
  return page.size() >= 2 && page[0] == layout.dataPageSignature[0] &&
         page[1] == layout.dataPageSignature[1];
}

// Puts the data-page signature back on a page whose other parts say it is one.
inline void RestoreDataPageSignature(std::span<uint8_t> page, const JetLayout& layout) {
  if (page.size() < 2) return;
  page[0] = layout.dataPageSignature[0];
  page[1] = layout.dataPageSignature[1];
}

struct DataPageHeader {
  uint16_t freeSpace = 0;
  uint32_t owner = 0;
  uint32_t rowCount = 0;
};

// Nothing when the page is not a data page or its offset table would not fit on it.
std::optional<DataPageHeader> DecodeDataPageHeader(Bytes page, const JetLayout& layout);

struct RowSlot {
  uint32_t start = 0;
  uint32_t end = 0;
  bool deleted = false;  // also set on the place a moved row went to
  bool moved = false;    // the row holds only a row pointer to where it lies now
  bool located = false;  // false: its start lies in the header, the offset table, or above its end
  bool whole = true;     // false: a row of the walk's frame that does not hold together

  Bytes Of(Bytes page) const { return page.subspan(start, end - start); }
  // The place a moved row went to, or a deleted row: only a row pointer to it tells.
  bool MovedHere() const { return deleted && !moved; }
};

// Walks the offset table in row order and decides where each row lies: from
// its start to the start of the nearest earlier row that was located (the
// page's end for the first). A start outside that range is damage: the row is
// not located and leaves the end for the next row as it was, so one bad word
// costs one row and rows never overlap.
//
// Given the frame of the page's table, the row below one not located ends where
// it first fits exactly, and a word in a sector a torn write zeroed places no
// row. A word is also taken as damaged when the row it places does not hold
// together; the row is then found from its end, where the row before it starts
// (its flags are lost with the word). A row found neither way is not whole, nor
// is one a torn write zeroed in part: one ending in zeros that run on from a
// broken row above it.
class RowSlotWalker {
 public:
  // No rows when the page is not a data page.
  RowSlotWalker(Bytes page, const JetLayout& layout, RowFrame* frame = nullptr);
  uint32_t count() const { return count_; }
  // The slot of the next row; called at most count() times.
  RowSlot Next();

 private:
  // Whether another live row's word starts inside the slot.
  bool TakesInAnother(const RowSlot& slot) const;
  // Where the next row's word says it starts; nothing after the last row.
  std::optional<uint32_t> NextStart() const;
  bool Torn(const RowSlot& slot) const;

  Bytes page_;
  const JetLayout& layout_;
  RowFrame* frame_;
  uint32_t count_ = 0;
  uint32_t next_ = 0;
  uint32_t tableEnd_ = 0;
  uint32_t end_ = 0;
  bool zerosAbove_ = false;  // the row above was not whole and begins with a zero
  bool endUnknown_ = false;  // the row above was not located, so where this one ends is not known
};

// A torn write leaves whole disk sectors of a page zeroed.
inline constexpr size_t kDiskSectorSize = 512;

// Whether byte `at` lies in a disk sector of the page that holds only zeros.
bool InZeroedSector(Bytes page, size_t at);

// Whether a torn write took part of the row: a 512-byte disk sector of the page that holds only
// zeros takes in its first or its last byte. A healthy row never shows this: its first byte, the
// column count, is never zero, nor is that of the row above it, and its last bytes hold its null
// mask and variable offsets. Zeros wholly inside a long row may be its own values.
bool CutByZeroedSector(Bytes page, const RowSlot& slot);

// Every row slot of a page in row order, for callers that look up many rows
// of one page: each lookup is then no walk of the rows before it.
std::vector<RowSlot> RowSlots(Bytes page, const JetLayout& layout);

// The slot of row `row` when it is located and whole; nothing when the page is
// not a data page or has no such row.
std::optional<RowSlot> LocateRow(Bytes page, const JetLayout& layout, uint32_t row,
                                 RowFrame* frame = nullptr);

// A data page being filled: each row goes below the last one at the next row
// number, and the header's free space and row count follow.
class DataPageBuilder {
 public:
  DataPageBuilder(const JetLayout& layout, uint32_t owner);
  // Continues an existing page; nothing when it is not a data page of the layout's size or holds
  // more rows than a row pointer can name.
  static std::optional<DataPageBuilder> Continue(std::vector<uint8_t> bytes,
                                                 const JetLayout& layout);

  uint32_t rowCount() const { return rowCount_; }
  size_t freeSpace() const {
    return lowestRowStart_ - layout_->dataPageRowTableOffset - kRowOffsetWordSize * rowCount_;
  }
  bool CanAdd(size_t rowLength) const {
    return rowCount_ < kMaxRowsPerPage && rowLength + kRowOffsetWordSize <= freeSpace();
  }
  // Whether enough room is left for the page to be offered for new rows again.
  bool WorthFilling() const { return freeSpace() >= kUsefulFreeSpace; }
  // Adds a row at the next row number and returns that number; the caller checks CanAdd first.
  uint8_t Add(Bytes row);
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  // Below this much room a page is no longer worth listing as having space.
  static constexpr size_t kUsefulFreeSpace = 64;
  void UpdateHeader();

  const JetLayout* layout_;
  std::vector<uint8_t> bytes_;
  uint32_t rowCount_ = 0;
  size_t lowestRowStart_ = 0;
};

}  // namespace tarvex::format
