#include "dao/data_page.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/jet4_constants.h"
#include "format/data_page.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::dao {
namespace {

using format::CDataReader;
using format::kJet4Layout;

constexpr size_t kSlotSize = 2;
// Below this much room a page is no longer worth listing as having space.
constexpr size_t kUsefulFreeSpace = 64;

}  // namespace

DataPage::DataPage(uint32_t owner)
    : bytes_(kJet4Layout.pageSize, 0), lowestRowStart_(kJet4Layout.pageSize) {
  bytes_[0] = jet4::kDataPageType;
  bytes_[1] = 0x01;
  format::PutU32(bytes_, kJet4Layout.dataPageOwnerOffset, owner);
  UpdateHeader();
}

DataPage DataPage::FromBytes(std::vector<uint8_t> bytes) {
  auto slots = ReadRowSlots(bytes);
  if (bytes.size() != kJet4Layout.pageSize || bytes[0] != jet4::kDataPageType)
    throw DaoException("The page is not a data page.");
  DataPage page;
  page.bytes_ = std::move(bytes);
  page.rowCount_ = *CDataReader::U16(page.bytes_, kJet4Layout.dataPageRowCountOffset);
  if (page.rowCount_ > jet4::kMaxRowsPerPage || slots.size() != page.rowCount_)
    throw DaoException("The data page is damaged.");
  page.lowestRowStart_ = kJet4Layout.pageSize;
  for (const auto& slot : slots) page.lowestRowStart_ = std::min(page.lowestRowStart_, slot.start);
  if (page.lowestRowStart_ < kJet4Layout.dataPageRowTableOffset + kSlotSize * page.rowCount_)
    throw DaoException("The data page is damaged.");
  return page;
}

size_t DataPage::freeSpace() const {
  return lowestRowStart_ - kJet4Layout.dataPageRowTableOffset - kSlotSize * rowCount_;
}

bool DataPage::CanAdd(size_t rowLength) const {
  return rowCount_ < jet4::kMaxRowsPerPage && rowLength + kSlotSize <= freeSpace();
}

bool DataPage::WorthFilling() const { return freeSpace() >= kUsefulFreeSpace; }

uint8_t DataPage::Add(std::span<const uint8_t> row) {
  size_t start = lowestRowStart_ - row.size();
  std::copy(row.begin(), row.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(start));
  format::PutU16(bytes_, kJet4Layout.dataPageRowTableOffset + kSlotSize * rowCount_,
                 static_cast<uint16_t>(start));
  lowestRowStart_ = start;
  auto number = static_cast<uint8_t>(rowCount_++);
  UpdateHeader();
  return number;
}

void DataPage::UpdateHeader() {
  format::PutU16(bytes_, jet4::kDataPageFreeSpaceOffset, static_cast<uint16_t>(freeSpace()));
  format::PutU16(bytes_, kJet4Layout.dataPageRowCountOffset, static_cast<uint16_t>(rowCount_));
}

std::vector<RowSlot> ReadRowSlots(std::span<const uint8_t> page) {
  std::vector<RowSlot> slots;
  if (page.size() != kJet4Layout.pageSize || page[0] != jet4::kDataPageType) return slots;
  auto count = format::DataPageRowCount(page, kJet4Layout);
  if (!count || *count > jet4::kMaxRowsPerPage) return slots;
  size_t tableEnd = kJet4Layout.dataPageRowTableOffset + kSlotSize * *count;
  size_t end = page.size();
  for (uint32_t i = 0; i < *count; ++i) {
    uint16_t word = format::RowOffsetWord(page, kJet4Layout, i);
    RowSlot slot;
    slot.start = word & format::kRowOffsetMask;
    slot.end = end;
    slot.deleted = (word & format::kRowDeletedFlag) != 0;
    slot.overflow = (word & format::kRowPointerFlag) != 0;
    if (slot.start < tableEnd || slot.start > end) {
      slot.deleted = true;
      slot.valid = false;
      slot.start = slot.end = end;
    }
    end = slot.start;
    slots.push_back(slot);
  }
  return slots;
}

}  // namespace tarvex::dao
