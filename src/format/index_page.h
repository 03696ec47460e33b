#pragma once
// Index pages: the pages of an index's B-tree. A leaf entry is the key's bytes
// followed by the row's page (3 bytes) and row number (1 byte), big-endian so
// that entries sort as plain bytes. A node entry is the last entry of one
// child followed by the child's page (4 bytes, big-endian); a node's last
// child has no entry and is named by the tail field instead. Entries lie back
// to back from the entry area's start, with a bit set in the entry mask at the
// offset just past each one. With a shared prefix length p > 0, every entry
// but the first leaves out its first p bytes, which equal the first entry's.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/row_pointer.h"

namespace tarvex::format {

inline constexpr size_t kIndexRowPointerSize = 4;
inline constexpr size_t kIndexChildPointerSize = 4;

// What a decoder found wrong; the entries before it are kept.
enum class IndexPageFault : uint8_t {
  kNone,
  kShortEntry,     // an entry too short for its pointers
  kPrefixTooLong,  // a shared prefix longer than the first entry
};

struct IndexPage {
  bool leaf = true;
  uint32_t owner = 0;  // the table's definition page
  uint32_t previous = 0;
  uint32_t next = 0;
  uint32_t tail = 0;  // node pages: the last child
  size_t prefixLength = 0;
  bool nodeMarker = false;  // Access sets it on its node pages; other writers leave it clear
  std::vector<std::vector<uint8_t>> entries;  // whole, the prefix restored
  IndexPageFault fault = IndexPageFault::kNone;
};

constexpr size_t IndexPageCapacity(const JetLayout& layout) {
  return layout.pageSize - layout.indexEntriesOffset;
}

// The longest key an index may hold: its node entry (key, row and child
// pointers) must fit a page with a byte to spare, so that every node page
// takes at least two children and a tree always narrows towards its root.
constexpr size_t MaxIndexKeyLength(const JetLayout& layout) {
  return IndexPageCapacity(layout) - 1 - kIndexRowPointerSize - kIndexChildPointerSize;
}

// Nothing when `page` is not a whole index page of the layout.
std::optional<IndexPage> DecodeIndexPage(Bytes page, const JetLayout& layout);

// Fills `page` (one page of the layout) with `in`; false when its entries do
// not fit or its prefix is longer than an entry.
bool EncodeIndexPage(const IndexPage& in, const JetLayout& layout, std::span<uint8_t> page);

void AppendIndexRowPointer(std::vector<uint8_t>& entry, uint32_t page, uint8_t row);
void AppendIndexChildPage(std::vector<uint8_t>& entry, uint32_t child);
// The child page of a node entry (at least kIndexChildPointerSize bytes).
uint32_t IndexChildPage(Bytes entry);
// The row a leaf entry (at least kIndexRowPointerSize bytes) leads to.
RowPointer IndexEntryRow(Bytes entry);

}  // namespace tarvex::format
