#pragma once
// Reads an index tree back for tests: its leaf entries in order, found by
// walking from the root down the first child, then along the leaves.
#include <cstdint>
#include <vector>

#include "dao/page_file.h"
#include "format/index_page.h"

namespace tarvex::dao::test {

inline format::IndexPage ReadIndexPage(const PageFile& file, uint32_t number) {
  auto bytes = file.Read(number);
  return format::DecodeIndexPage(bytes, format::kJet4Layout).value_or(format::IndexPage{});
}

// Every leaf entry of the tree at `root`; `depth` gets the number of levels.
inline std::vector<std::vector<uint8_t>> TreeEntries(const PageFile& file, uint32_t root,
                                                     int& depth) {
  uint32_t page = root;
  for (depth = 1; depth < 16; ++depth) {
    auto node = ReadIndexPage(file, page);
    if (node.leaf) break;
    page = node.entries.empty() ? node.tail : format::IndexChildPage(node.entries.front());
  }
  std::vector<std::vector<uint8_t>> all;
  for (size_t guard = 0; page != 0 && guard < file.pageCount(); ++guard) {
    auto leaf = ReadIndexPage(file, page);
    all.insert(all.end(), leaf.entries.begin(), leaf.entries.end());
    page = leaf.next;
  }
  return all;
}

}  // namespace tarvex::dao::test
