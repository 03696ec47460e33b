#pragma once
// Reads an index tree back for tests: its leaf entries in order, found by
// walking from the root down the first child, then along the leaves; and
// what index tests share to compare entries.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dao/index_checks.h"
#include "dao/page_file.h"
#include "dao/table_store.h"
#include "format/index_page.h"
#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::dao::test {

inline format::IndexPage ReadIndexPage(const PageFile& file, uint32_t number) {
  auto bytes = file.Read(number);
  return format::DecodeIndexPage(bytes, file.layout()).value_or(format::IndexPage{});
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

// An entry as hexadecimal bytes, for failure messages.
inline std::string Hex(std::span<const uint8_t> bytes) {
  std::string out;
  char digits[4];
  for (uint8_t b : bytes) {
    std::snprintf(digits, sizeof(digits), "%02x ", b);
    out += digits;
  }
  return out;
}

// True when a text key column of `real` holds a character beyond Latin-1,
// which the engine keys in a form of its own.
inline bool HasWideText(TableStore& table, const RealIndexDefinition& real) {
  bool wide = false;
  const auto columns = KeyColumnsOf(table.definition(), real);
  table.ForEachRow([&](format::RowPointer, const RowView& row) {
    for (const auto& key : columns)
      if (key.type == format::TypeCode(format::ColumnType::kText))
        if (auto bytes = row.Value(key.index))
          for (char16_t c : format::DecodeJet4Text(*bytes)) wide = wide || c > 0xFF;
  });
  return wide;
}

}  // namespace tarvex::dao::test
