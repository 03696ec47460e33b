#pragma once
// Usage maps (format/usage_map.h) as the engine keeps and rewrites them: a
// page set in memory, a row rewritten in place, bitmap pages from the file.
#include <cstdint>
#include <span>
#include <vector>

#include "dao/page_file.h"

namespace tarvex::dao {

// Sorted, duplicate-free page numbers.
class PageSet {
 public:
  void Add(uint32_t page);
  void Remove(uint32_t page);
  // Adds `page` when `present`, else removes it.
  void Set(uint32_t page, bool present);
  bool Contains(uint32_t page) const;
  bool empty() const { return pages_.empty(); }
  uint32_t back() const { return pages_.back(); }
  const std::vector<uint32_t>& pages() const { return pages_; }

 private:
  std::vector<uint32_t> pages_;
};

// The pages whose bit is set in the usage-map row `row`, limited to pages
// below `pageLimit`. Reference maps read their bitmap pages from `file`;
// a pointer to a page that is not a bitmap page is ignored.
PageSet ReadUsageMap(std::span<const uint8_t> row, const PageFile& file, uint32_t pageLimit);

// Rewrites `row` (its length unchanged) so that exactly `pages` have their
// bit set: inline when they fit the row's bitmap, else by reference, reusing
// the bitmap pages the row named before and allocating more from `file`.
// Throws DaoException when the pages cannot be described in the row.
void WriteUsageMap(std::span<uint8_t> row, const PageSet& pages, PageFile& file);

// The global map row of page 1: set bits are free pages; every page from
// `pageCount` up to what the map covers is marked free. May allocate bitmap
// pages (which it marks used), so `file.pageCount()` can grow.
void WriteGlobalUsageMap(std::span<uint8_t> row, const PageSet& freePages, PageFile& file);

}  // namespace tarvex::dao
