#pragma once
// Reads an index tree back for tests: its leaf entries in order, found by
// walking from the root down the first child, then along the leaves.
#include <cstdint>
#include <vector>

#include "dao/jet4_constants.h"
#include "dao/page_file.h"
#include "format/data_reader.h"

namespace tarvex::dao::test {

// The entries of one index page with the prefix compression undone.
inline std::vector<std::vector<uint8_t>> IndexPageEntries(const std::vector<uint8_t>& page) {
  std::vector<std::vector<uint8_t>> entries;
  size_t prefix = *format::CDataReader::U16(page, jet4::kIndexPrefixLengthOffset);
  size_t start = 0;
  size_t maskBits = (jet4::kIndexEntriesOffset - jet4::kIndexEntryMaskOffset) * 8;
  for (size_t bit = 0; bit < maskBits && jet4::kIndexEntriesOffset + bit <= page.size(); ++bit) {
    if (!((page[jet4::kIndexEntryMaskOffset + bit / 8] >> (bit % 8)) & 1)) continue;
    std::vector<uint8_t> entry;
    if (!entries.empty())
      entry.assign(entries.front().begin(), entries.front().begin() + static_cast<long>(prefix));
    entry.insert(entry.end(), page.begin() + static_cast<long>(jet4::kIndexEntriesOffset + start),
                 page.begin() + static_cast<long>(jet4::kIndexEntriesOffset + bit));
    entries.push_back(std::move(entry));
    start = bit;
  }
  return entries;
}

// Every leaf entry of the tree at `root`; `depth` gets the number of levels.
inline std::vector<std::vector<uint8_t>> TreeEntries(const PageFile& file, uint32_t root,
                                                     int& depth) {
  uint32_t page = root;
  for (depth = 1; depth < 16; ++depth) {
    auto bytes = file.Read(page);
    if (bytes[0] == jet4::kIndexLeafPageType) break;
    auto entries = IndexPageEntries(bytes);
    if (entries.empty()) {
      page = *format::CDataReader::U32(bytes, jet4::kIndexTailPageOffset);
      continue;
    }
    const auto& first = entries.front();
    size_t n = first.size();
    page = static_cast<uint32_t>(first[n - 4]) << 24 | first[n - 3] << 16 | first[n - 2] << 8 |
           first[n - 1];
  }
  std::vector<std::vector<uint8_t>> all;
  for (size_t guard = 0; page != 0 && guard < file.pageCount(); ++guard) {
    auto bytes = file.Read(page);
    auto entries = IndexPageEntries(bytes);
    all.insert(all.end(), entries.begin(), entries.end());
    page = *format::CDataReader::U32(bytes, jet4::kIndexNextPageOffset);
  }
  return all;
}

}  // namespace tarvex::dao::test
