#pragma once
// Builds a whole index B-tree from its entries: leaf pages linked in order,
// node pages above them (each keeping its last child in the tail pointer),
// up to one root page.
#include <cstdint>
#include <vector>

#include "dao/page_file.h"
#include "dao/usage_map.h"

namespace tarvex::dao {

struct IndexEntry {
  std::vector<uint8_t> key;  // flag and value bytes of every key column
  uint32_t page = 0;         // the row's location
  uint8_t row = 0;

  // Key, then big-endian page and row: the bytes an index page stores.
  std::vector<uint8_t> Bytes() const;
  bool operator<(const IndexEntry& other) const;
};

struct BuiltIndex {
  uint32_t rootPage = 0;
  PageSet pages;  // every page of the tree, for the index's usage map
};

// Sorts `entries` and writes the tree for the table whose definition page is
// `owner`. Pages are taken from `reusable` first (the root from its first
// page, so an index keeps its root), then allocated; reusable pages left over
// are returned in `unused` (written as zero pages) for the caller to free.
BuiltIndex BuildIndex(std::vector<IndexEntry> entries, uint32_t owner, const PageSet& reusable,
                      PageFile& file, std::vector<uint32_t>& unused);

}  // namespace tarvex::dao
