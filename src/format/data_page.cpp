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

RowSlotWalker::RowSlotWalker(Bytes page, const JetLayout& layout)
    : page_(page), layout_(layout), end_(static_cast<uint32_t>(page.size())) {
  if (const auto header = DecodeDataPageHeader(page, layout)) count_ = header->rowCount;
  tableEnd_ = static_cast<uint32_t>(layout.dataPageRowTableOffset + kRowOffsetWordSize * count_);
}

RowSlot RowSlotWalker::Next() {
  const uint16_t word =
      CDataReader::U16(page_, layout_.dataPageRowTableOffset + kRowOffsetWordSize * next_++)
          .value_or(0);
  const uint32_t start = word & kRowOffsetMask;
  const bool located = start >= tableEnd_ && start <= end_;
  const RowSlot slot{start, located ? end_ : start, (word & kRowDeletedFlag) != 0,
                     (word & kRowPointerFlag) != 0, located};
  if (located) end_ = start;
  return slot;
}

std::optional<RowSlot> LocateRow(Bytes page, const JetLayout& layout, uint32_t row) {
  RowSlotWalker walker(page, layout);
  if (row >= walker.count()) return std::nullopt;
  for (uint32_t n = 0; n < row; ++n) walker.Next();
  const RowSlot slot = walker.Next();
  if (!slot.located) return std::nullopt;
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
