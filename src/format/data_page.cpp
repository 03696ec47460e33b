#include "format/data_page.h"

#include <algorithm>

namespace tarvex::format {
std::optional<DataPageHeader> DecodeDataPageHeader(Bytes page, const JetLayout& layout) {
  const auto count = CDataReader::U16(page, layout.dataPageRowCountOffset);
  if (!IsDataPage(page, layout) || !count ||
      layout.dataPageRowTableOffset + kRowOffsetWordSize * uint64_t{*count} > page.size())
    return std::nullopt;
  return DataPageHeader{*CDataReader::U16(page, kPageFreeSpaceOffset),
                        *CDataReader::U32(page, layout.dataPageOwnerOffset), *count};
}

bool InZeroedSector(Bytes page, size_t at) {
  const size_t sector = at - at % kDiskSectorSize;
  if (sector + kDiskSectorSize > page.size()) return false;
  const Bytes bytes = page.subspan(sector, kDiskSectorSize);
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

namespace {

// A row count too large for its page is damage: the offset words that place
// rows one below the other, from the page's end, tell how many there are.
uint32_t CountPlacedRows(Bytes page, const JetLayout& layout) {
  uint32_t end = static_cast<uint32_t>(page.size());
  uint32_t rows = 0;
  for (;; ++rows) {
    const size_t at = layout.dataPageRowTableOffset + kRowOffsetWordSize * rows;
    const auto word = CDataReader::U16(page, at);
    const uint32_t start = word.value_or(0) & kRowOffsetMask;
    if (!word || start < at + kRowOffsetWordSize || start > end) return rows;
    end = start;
  }
}

}  // namespace

RowSlotWalker::RowSlotWalker(Bytes page, const JetLayout& layout, RowFrame* frame)
    : page_(page), layout_(layout), frame_(frame), end_(static_cast<uint32_t>(page.size())) {
  if (const auto header = DecodeDataPageHeader(page, layout))
    count_ = header->rowCount;
  else if (frame && IsDataPage(page, layout))
    count_ = CountPlacedRows(page, layout);
  tableEnd_ = static_cast<uint32_t>(layout.dataPageRowTableOffset + kRowOffsetWordSize * count_);
}

RowSlot RowSlotWalker::Next() {
  const size_t wordAt = layout_.dataPageRowTableOffset + kRowOffsetWordSize * next_++;
  const uint16_t word = CDataReader::U16(page_, wordAt).value_or(0);
  // A word a torn write zeroed took with it whether its row is live or deleted: reading the
  // row from its end could bring a deleted one back.
  if (frame_ && InZeroedSector(page_, wordAt)) {
    zerosAbove_ = false;
    endUnknown_ = true;
    return RowSlot{0, 0, false, false, false};
  }
  const uint32_t start = word & kRowOffsetMask;
  const bool located = start >= tableEnd_ && start <= end_;
  RowSlot slot{start, located ? end_ : start, (word & kRowDeletedFlag) != 0,
               (word & kRowPointerFlag) != 0, located};
  // A deleted or moved row's place holds no row of the table to check it by;
  // its word is damaged all the same when that place takes in a live row's.
  const bool flagged = located && (slot.deleted || slot.moved);
  const bool damagedFlags = frame_ && flagged && TakesInAnother(slot);
  const bool checked = frame_ && (!flagged || damagedFlags);
  RowFit fit = checked && located ? frame_->Fit(slot.Of(page_)) : RowFit::kBroken;
  // A row that fits only with a gap may have taken in a neighbour.
  if (fit == RowFit::kWithGap && TakesInAnother(slot)) fit = RowFit::kBroken;
  // Below a row whose word is lost, a row's end is not known: the lost row lies between. The row
  // ends where it first fits exactly.
  if (checked && located && endUnknown_ && fit != RowFit::kExact) {
    for (uint32_t end = start + 1; end < end_; ++end) {
      if (frame_->Fit(page_.subspan(start, end - start)) == RowFit::kExact) {
        slot.end = end;
        fit = RowFit::kExact;
        break;
      }
    }
  }
  if (checked && located && Torn(slot)) {
    slot.whole = false;
  } else if (checked && fit != RowFit::kExact) {
    const auto found = frame_->StartBefore(page_, tableEnd_, end_);
    // A row found from its end that swallows the next row, whole where the words of both place
    // it, was read from damaged bytes of this row's own: its word is sound, and taking the find
    // would cost the rows below.
    const auto below = NextStart();
    const bool swallowsNext = found && located && below && *below > *found && *below < start &&
                              frame_->Fit(page_.subspan(*below, start - *below)) == RowFit::kExact;
    if (found && !swallowsNext)
      slot = RowSlot{*found, end_, false, false, true};
    else if (damagedFlags)
      slot.located = false;
    else if (fit == RowFit::kBroken)
      slot.whole = false;
  }
  if (slot.located) end_ = slot.start;
  endUnknown_ = !slot.located;
  zerosAbove_ =
      checked && slot.located && !slot.whole && slot.start < page_.size() && page_[slot.start] == 0;
  return slot;
}

std::optional<uint32_t> RowSlotWalker::NextStart() const {
  if (next_ >= count_) return std::nullopt;
  const auto word =
      CDataReader::U16(page_, layout_.dataPageRowTableOffset + kRowOffsetWordSize * next_);
  if (!word) return std::nullopt;
  return *word & kRowOffsetMask;
}

bool RowSlotWalker::TakesInAnother(const RowSlot& slot) const {
  for (uint32_t n = 0; n < count_; ++n) {
    const uint16_t word =
        CDataReader::U16(page_, layout_.dataPageRowTableOffset + kRowOffsetWordSize * n)
            .value_or(0);
    const uint32_t start = word & kRowOffsetMask;
    if (!(word & kRowDeletedFlag) && start > slot.start && start < slot.end) return true;
  }
  return false;
}

// Zeros that begin the row above and end this one are one run of damage (a
// torn write); a row of fixed columns alone cannot show it otherwise.
bool RowSlotWalker::Torn(const RowSlot& slot) const {
  return zerosAbove_ && !frame_->HasVariableColumns() && slot.end > slot.start &&
         page_[slot.end - 1] == 0;
}

bool CutByZeroedSector(Bytes page, const RowSlot& slot) {
  if (slot.end <= slot.start || slot.end > page.size()) return false;
  return InZeroedSector(page, slot.start) || InZeroedSector(page, slot.end - 1);
}

std::vector<RowSlot> RowSlots(Bytes page, const JetLayout& layout) {
  RowSlotWalker walker(page, layout);
  std::vector<RowSlot> slots(walker.count());
  for (RowSlot& slot : slots) slot = walker.Next();
  return slots;
}

std::optional<RowSlot> LocateRow(Bytes page, const JetLayout& layout, uint32_t row,
                                 RowFrame* frame) {
  RowSlotWalker walker(page, layout, frame);
  if (row >= walker.count()) return std::nullopt;
  for (uint32_t n = 0; n < row; ++n) walker.Next();
  const RowSlot slot = walker.Next();
  if (!slot.located || !slot.whole) return std::nullopt;
  return slot;
}

DataPageBuilder::DataPageBuilder(const JetLayout& layout, uint32_t owner)
    : layout_(&layout), bytes_(layout.pageSize, 0), lowestRowStart_(layout.pageSize) {
  PutPageType(bytes_, PageType::kData);
  PutU32(bytes_, layout.dataPageOwnerOffset, owner);
  UpdateHeader();
}

std::optional<DataPageBuilder> DataPageBuilder::Continue(std::vector<uint8_t> bytes,
                                                         const JetLayout& layout) {
  if (bytes.size() != layout.pageSize) return std::nullopt;
  RowSlotWalker walker(bytes, layout);
  const auto header = DecodeDataPageHeader(bytes, layout);
  if (!header || header->rowCount > kMaxRowsPerPage) return std::nullopt;
  DataPageBuilder page(layout, header->owner);
  page.rowCount_ = header->rowCount;
  for (uint32_t n = 0; n < walker.count(); ++n) {
    const RowSlot slot = walker.Next();
    if (slot.located) page.lowestRowStart_ = std::min<size_t>(page.lowestRowStart_, slot.start);
  }
  page.bytes_ = std::move(bytes);
  return page;
}

uint8_t DataPageBuilder::Add(Bytes row) {
  const size_t start = lowestRowStart_ - row.size();
  std::copy(row.begin(), row.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(start));
  PutU16(bytes_, layout_->dataPageRowTableOffset + kRowOffsetWordSize * rowCount_,
         static_cast<uint16_t>(start));
  lowestRowStart_ = start;
  const auto number = static_cast<uint8_t>(rowCount_++);
  UpdateHeader();
  return number;
}

void DataPageBuilder::UpdateHeader() {
  PutU16(bytes_, kPageFreeSpaceOffset, static_cast<uint16_t>(freeSpace()));
  PutU16(bytes_, layout_->dataPageRowCountOffset, static_cast<uint16_t>(rowCount_));
}

}  // namespace tarvex::format
