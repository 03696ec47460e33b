#include "dao/usage_map.h"

#include <algorithm>
#include <string>

#include "dao/dao_exception.h"
#include "dao/jet4_constants.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::dao {
namespace {

using format::CDataReader;
using format::kJet4Layout;

constexpr uint32_t kPagesPerBitmapPage = (kJet4Layout.pageSize - jet4::kBitmapPageHeaderLength) * 8;

void SetBit(std::span<uint8_t> bitmap, size_t bit) {
  bitmap[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
}
bool BitSet(std::span<const uint8_t> bitmap, size_t bit) {
  return (bitmap[bit / 8] >> (bit % 8)) & 1;
}

void CollectBits(std::span<const uint8_t> bitmap, uint32_t firstPage, uint32_t pageLimit,
                 PageSet& out) {
  for (size_t bit = 0; bit < bitmap.size() * 8; ++bit) {
    uint64_t page = static_cast<uint64_t>(firstPage) + bit;
    if (page >= pageLimit) break;
    if (BitSet(bitmap, bit)) out.Add(static_cast<uint32_t>(page));
  }
}

std::vector<uint32_t> ReferencePointers(std::span<const uint8_t> row) {
  std::vector<uint32_t> pointers;
  if (row.empty() || row[0] != jet4::kReferenceMapType) return pointers;
  for (size_t at = 1; at + 4 <= row.size(); at += 4) pointers.push_back(*CDataReader::U32(row, at));
  return pointers;
}

bool IsBitmapPage(const PageFile& file, uint32_t page) {
  if (page == 0 || page >= file.pageCount()) return false;
  return file.Read(page)[0] == jet4::kUsageBitmapPageType;
}

void WriteInline(std::span<uint8_t> row, uint32_t start, const std::vector<uint32_t>& pages) {
  std::fill(row.begin(), row.end(), 0);
  row[0] = jet4::kInlineMapType;
  format::PutU32(row, 1, start);
  auto bitmap = row.subspan(jet4::kInlineMapHeaderLength);
  for (uint32_t page : pages) SetBit(bitmap, page - start);
}

// Writes the bitmap pages for `isSet(page)` over [0, limit) and the pointers to them.
template <typename IsSet>
void WriteReference(std::span<uint8_t> row, uint32_t limit, PageFile& file, IsSet isSet,
                    bool allRanges) {
  auto old = ReferencePointers(row);
  size_t slots = (row.size() - 1) / 4;
  size_t ranges = (static_cast<size_t>(limit) + kPagesPerBitmapPage - 1) / kPagesPerBitmapPage;
  if (ranges > slots) throw DaoException("The database has outgrown a usage map.");
  std::fill(row.begin(), row.end(), 0);
  row[0] = jet4::kReferenceMapType;
  for (size_t k = 0; k < ranges; ++k) {
    uint32_t first = static_cast<uint32_t>(k * kPagesPerBitmapPage);
    std::vector<uint8_t> page(kJet4Layout.pageSize, 0);
    page[0] = jet4::kUsageBitmapPageType;
    page[1] = 0x01;
    auto bitmap = std::span<uint8_t>(page).subspan(jet4::kBitmapPageHeaderLength);
    bool any = false;
    for (uint32_t bit = 0; bit < kPagesPerBitmapPage; ++bit) {
      if (isSet(first + bit)) {
        SetBit(bitmap, bit);
        any = true;
      }
    }
    if (!any && !allRanges) continue;
    uint32_t number = (k < old.size() && IsBitmapPage(file, old[k])) ? old[k] : file.Allocate();
    file.Write(number, page);
    format::PutU32(row, 1 + 4 * k, number);
  }
}

}  // namespace

void PageSet::Add(uint32_t page) {
  if (pages_.empty() || page > pages_.back()) {
    pages_.push_back(page);
    return;
  }
  auto at = std::lower_bound(pages_.begin(), pages_.end(), page);
  if (at == pages_.end() || *at != page) pages_.insert(at, page);
}

void PageSet::Remove(uint32_t page) {
  auto at = std::lower_bound(pages_.begin(), pages_.end(), page);
  if (at != pages_.end() && *at == page) pages_.erase(at);
}

void PageSet::Set(uint32_t page, bool present) {
  if (present) {
    Add(page);
  } else {
    Remove(page);
  }
}

bool PageSet::Contains(uint32_t page) const {
  return std::binary_search(pages_.begin(), pages_.end(), page);
}

PageSet ReadUsageMap(std::span<const uint8_t> row, const PageFile& file, uint32_t pageLimit) {
  PageSet pages;
  if (row.size() < jet4::kInlineMapHeaderLength) return pages;
  if (row[0] == jet4::kInlineMapType) {
    CollectBits(row.subspan(jet4::kInlineMapHeaderLength), *CDataReader::U32(row, 1), pageLimit,
                pages);
    return pages;
  }
  auto pointers = ReferencePointers(row);
  for (size_t k = 0; k < pointers.size(); ++k) {
    if (!IsBitmapPage(file, pointers[k])) continue;
    auto page = file.Read(pointers[k]);
    auto bitmap = std::span<const uint8_t>(page).subspan(jet4::kBitmapPageHeaderLength);
    CollectBits(bitmap, static_cast<uint32_t>(k * kPagesPerBitmapPage), pageLimit, pages);
  }
  return pages;
}

namespace {

void CheckMapRow(std::span<const uint8_t> row) {
  if (row.size() < jet4::kInlineMapHeaderLength + 1)
    throw DaoException("A usage map row is too short to rewrite.");
}

}  // namespace

void WriteUsageMap(std::span<uint8_t> row, const PageSet& pages, PageFile& file) {
  CheckMapRow(row);
  uint32_t inlinePages = static_cast<uint32_t>((row.size() - jet4::kInlineMapHeaderLength) * 8);
  if (pages.empty()) {
    WriteInline(row, 0, {});
    return;
  }
  uint32_t start = pages.pages().front() / 8 * 8;
  if (pages.back() - start < inlinePages && row[0] != jet4::kReferenceMapType) {
    WriteInline(row, start, pages.pages());
    return;
  }
  WriteReference(
      row, pages.back() + 1, file, [&](uint32_t page) { return pages.Contains(page); }, false);
}

void WriteGlobalUsageMap(std::span<uint8_t> row, const PageSet& freePages, PageFile& file) {
  CheckMapRow(row);
  uint32_t inlinePages = static_cast<uint32_t>((row.size() - jet4::kInlineMapHeaderLength) * 8);
  if (file.pageCount() <= inlinePages) {
    WriteInline(row, 0, {});
    auto bitmap = row.subspan(jet4::kInlineMapHeaderLength);
    for (uint32_t page : freePages.pages()) SetBit(bitmap, page);
    for (uint32_t page = file.pageCount(); page < inlinePages; ++page) SetBit(bitmap, page);
    return;
  }
  // Bitmap pages allocated now lie past the old end: allocate them first, so
  // that the map describes the file's final length.
  uint32_t ranges = (file.pageCount() + kPagesPerBitmapPage) / kPagesPerBitmapPage;
  auto old = ReferencePointers(row);
  for (uint32_t k = 0; k < ranges; ++k)
    if (k >= old.size() || !IsBitmapPage(file, old[k])) {
      uint32_t page = file.Allocate();
      std::vector<uint8_t> blank(kJet4Layout.pageSize, 0);
      blank[0] = jet4::kUsageBitmapPageType;
      blank[1] = 0x01;
      file.Write(page, blank);
      if (k < old.size())
        old[k] = page;
      else
        old.push_back(page);
    }
  for (size_t k = 0; k < old.size() && 1 + 4 * k + 4 <= row.size(); ++k)
    format::PutU32(row, 1 + 4 * k, old[k]);
  row[0] = jet4::kReferenceMapType;
  uint32_t end = file.pageCount();
  WriteReference(
      row, ranges * kPagesPerBitmapPage, file,
      [&](uint32_t page) { return page >= end || freePages.Contains(page); }, true);
}

}  // namespace tarvex::dao
