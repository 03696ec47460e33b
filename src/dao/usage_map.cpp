#include "dao/usage_map.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "format/jet_layout.h"
#include "format/usage_map.h"

namespace tarvex::dao {
namespace {

// The bitmap pages the row names, 0 where it names none or a page that is not a bitmap page.
std::vector<uint32_t> ReusableBitmapPages(std::span<const uint8_t> row, const PageFile& file) {
  const auto map = format::DecodeUsageMap(row);
  std::vector<uint32_t> pages = map ? map->bitmapPages : std::vector<uint32_t>{};
  for (uint32_t& page : pages)
    if (page >= file.pageCount() || !format::DecodeBitmapPage(file.Read(page), file.layout()))
      page = 0;
  return pages;
}

// Writes the bitmap pages of `marked` (ascending) over [0, limit), in the pages of `reusable`
// where they name one, and the pointers to them; ranges without a marked page get no page
// unless `allRanges`.
void WriteReference(std::span<uint8_t> row, std::span<const uint32_t> marked,
                    std::vector<uint32_t> reusable, uint32_t limit, PageFile& file,
                    bool allRanges) {
  const uint32_t pagesPerBitmapPage = format::PagesPerBitmapPage(file.layout());
  const size_t ranges = (static_cast<size_t>(limit) + pagesPerBitmapPage - 1) / pagesPerBitmapPage;
  if (ranges > format::ReferenceMapSlots(row.size()))
    throw DaoException("The database has outgrown a usage map.");
  reusable.resize(std::max(reusable.size(), ranges), 0);
  std::vector<uint32_t> bitmapPages(ranges, 0);
  std::vector<uint8_t> page(file.layout().pageSize);
  for (uint32_t k = 0; k < ranges; ++k) {
    if (!format::EncodeBitmapPage(page, k, marked, file.layout()) && !allRanges) continue;
    bitmapPages[k] = reusable[k] ? reusable[k] : file.Allocate();
    file.Write(bitmapPages[k], page);
  }
  format::EncodeReferenceMap(row, bitmapPages);
}

void CheckMapRow(std::span<const uint8_t> row) {
  if (row.size() < format::kInlineMapHeaderLength + 1)
    throw DaoException("A usage map row is too short to rewrite.");
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
  const auto map = format::DecodeUsageMap(row);
  if (!map) return pages;
  std::vector<uint8_t> bitmapPage;
  const auto readBitmapPage = [&](uint32_t number) -> std::optional<format::Bytes> {
    if (number >= file.pageCount()) return std::nullopt;
    bitmapPage = file.Read(number);
    return format::Bytes(bitmapPage);
  };
  format::ForEachMarkedPage(*map, file.layout(), pageLimit, readBitmapPage,
                            [&pages](uint64_t page) { pages.Add(static_cast<uint32_t>(page)); });
  return pages;
}

void WriteUsageMap(std::span<uint8_t> row, const PageSet& pages, PageFile& file) {
  CheckMapRow(row);
  if (pages.empty()) {
    format::EncodeInlineMap(row, 0, {});
    return;
  }
  const uint32_t start = pages.pages().front() / 8 * 8;
  if (pages.back() - start < format::InlineMapCapacity(row.size()) &&
      row[0] != static_cast<uint8_t>(format::UsageMapType::kReference)) {
    format::EncodeInlineMap(row, start, pages.pages());
    return;
  }
  WriteReference(row, pages.pages(), ReusableBitmapPages(row, file), pages.back() + 1, file, false);
}

void WriteGlobalUsageMap(std::span<uint8_t> row, const PageSet& freePages, PageFile& file) {
  CheckMapRow(row);
  // Pages past the file's end are free too, as far as the map reaches.
  auto marked = [&](uint32_t reach) {
    std::vector<uint32_t> pages = freePages.pages();
    for (uint32_t page = file.pageCount(); page < reach; ++page) pages.push_back(page);
    return pages;
  };
  const uint32_t inlinePages = format::InlineMapCapacity(row.size());
  if (file.pageCount() <= inlinePages) {
    format::EncodeInlineMap(row, 0, marked(inlinePages));
    return;
  }
  // Bitmap pages allocated now lie past the old end: allocate them first, so
  // that the map describes the file's final length.
  const uint32_t pagesPerBitmapPage = format::PagesPerBitmapPage(file.layout());
  const uint32_t ranges = (file.pageCount() + pagesPerBitmapPage) / pagesPerBitmapPage;
  auto bitmapPages = ReusableBitmapPages(row, file);
  bitmapPages.resize(std::max<size_t>(bitmapPages.size(), ranges), 0);
  for (uint32_t k = 0; k < ranges; ++k)
    if (bitmapPages[k] == 0) bitmapPages[k] = file.Allocate();
  WriteReference(row, marked(ranges * pagesPerBitmapPage), bitmapPages, ranges * pagesPerBitmapPage,
                 file, true);
}

}  // namespace tarvex::dao
