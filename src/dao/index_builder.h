#pragma once
// Builds a whole index B-tree from its entries: leaf pages linked in order,
// node pages above them (each keeping its last child in the tail pointer),
// up to one root page.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dao/page_file.h"
#include "dao/usage_map.h"

namespace tarvex::dao {

// An index's leaf entries, back to back in one buffer: each is its key
// followed by the row's place, big-endian (format/index_page.h), so that
// entries sorted as unsigned bytes stand in the tree's order.
class IndexEntries {
 public:
  void Add(std::span<const uint8_t> key, uint32_t page, uint8_t row);
  size_t size() const { return spans_.size(); }
  std::span<const uint8_t> operator[](size_t i) const {
    return std::span<const uint8_t>(bytes_).subspan(spans_[i].start, spans_[i].length);
  }
  // Sorts the entries; returns how many distinct keys they hold.
  size_t Sort();

 private:
  struct Span {
    size_t start;
    uint32_t length;
  };
  std::vector<uint8_t> bytes_;
  std::vector<Span> spans_;
};

struct BuiltIndex {
  uint32_t rootPage = 0;
  size_t distinctKeys = 0;
  PageSet pages;  // every page of the tree, for the index's usage map
};

// Sorts `entries` and writes the tree for the table whose definition page is
// `owner`. Pages are taken from `reusable` first (the root from its first
// page, so an index keeps its root), then allocated; reusable pages left over
// are returned in `unused` (written as zero pages) for the caller to free.
BuiltIndex BuildIndex(IndexEntries entries, uint32_t owner, const PageSet& reusable, PageFile& file,
                      std::vector<uint32_t>& unused);

}  // namespace tarvex::dao
