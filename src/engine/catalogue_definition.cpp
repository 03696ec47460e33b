#include "engine/catalogue_definition.h"

#include <algorithm>
#include <string_view>

#include "format/data_reader.h"

namespace tarvex::engine {
namespace {

using format::JetLayout;
using format::PutU16;
using format::PutU32;

struct CatalogueColumn {
  std::string_view name;
  uint8_t type;
  uint8_t flags;
  uint16_t fixedOffset;
  uint16_t variableIndex;
  uint16_t jet3Length;  // characters for text; Jet 4 doubles text and binary lengths
};

constexpr uint8_t kFixed = 0x13;
constexpr uint8_t kVariable = 0x12;
constexpr uint8_t kSidBinary = 0x32;

// In column-number order.
constexpr CatalogueColumn kColumns[] = {
    {"Id", 4, kFixed, 0, 0, 4},
    {"ParentId", 4, kFixed, 4, 0, 4},
    {"Name", 10, kVariable, 0, 0, 255},
    {"Type", 3, kFixed, 8, 0, 2},
    {"DateCreate", 8, kFixed, 10, 0, 8},
    {"DateUpdate", 8, kFixed, 18, 0, 8},
    {"Owner", 9, kSidBinary, 0, 1, 255},
    {"Flags", 4, kFixed, 26, 0, 4},
    {"Database", 12, kVariable, 0, 2, 0},
    {"Connect", 12, kVariable, 0, 3, 0},
    {"ForeignName", 10, kVariable, 0, 4, 255},
    {"RmtInfoShort", 9, kVariable, 0, 5, 255},
    {"RmtInfoLong", 11, kVariable, 0, 6, 0},
    {"Lv", 11, kVariable, 0, 7, 0},
    {"LvProp", 11, kVariable, 0, 8, 0},
    {"LvModule", 11, kVariable, 0, 9, 0},
    {"LvExtra", 11, kVariable, 0, 10, 0},
};
constexpr uint16_t kColumnCount = std::size(kColumns);
constexpr uint16_t kVariableCount = 11;

struct CatalogueIndex {
  uint16_t columns[2];
  int columnCount;
  uint8_t flags;
  uint8_t logicalType;  // 1: primary key
};
constexpr CatalogueIndex kIndexes[] = {{{1, 2}, 2, 0x01, 0}, {{0, 0}, 1, 0x09, 1}};
constexpr uint32_t kIndexCount = std::size(kIndexes);

bool IsJet4(const JetLayout& layout) { return layout.version == format::JetVersion::kJet4; }

size_t WriteHeader(std::vector<uint8_t>& page, const JetLayout& layout) {
  std::copy_n(layout.tableDefSignature.begin(), layout.tableDefSignatureLength, page.begin());
  page[layout.tableTypeOffset] = format::kSystemTableType;
  PutU16(page, layout.tableDefMaxColumnsOffset, kColumnCount);
  PutU16(page, layout.tableDefVariableColumnCountOffset, kVariableCount);
  PutU16(page, layout.tableDefColumnCountOffset, kColumnCount);
  PutU32(page, layout.tableDefIndexCountOffset, kIndexCount);
  PutU32(page, layout.tableDefRealIndexCountOffset, kIndexCount);
  return layout.tableDefHeaderLength + kIndexCount * layout.realIndexCountBlockEntryLength;
}

size_t WriteColumns(std::vector<uint8_t>& page, const JetLayout& layout, size_t pos) {
  const auto& at = layout.column;
  for (uint16_t number = 0; number < kColumnCount; ++number) {
    const CatalogueColumn& column = kColumns[number];
    const bool doubled = IsJet4(layout) && (column.type == 10 || column.type == 9);
    page[pos + at.type] = column.type;
    PutU16(page, pos + at.number, number);
    PutU16(page, pos + at.variableIndex, column.variableIndex);
    page[pos + at.flags] = column.flags;
    PutU16(page, pos + at.fixedOffset, column.fixedOffset);
    PutU16(page, pos + at.length, static_cast<uint16_t>(column.jet3Length * (doubled ? 2 : 1)));
    pos += layout.columnEntryLength;
  }
  return pos;
}

size_t WriteNames(std::vector<uint8_t>& page, const JetLayout& layout, size_t pos) {
  for (const CatalogueColumn& column : kColumns) {
    if (IsJet4(layout)) {
      PutU16(page, pos, static_cast<uint16_t>(2 * column.name.size()));
      pos += 2;
      for (char c : column.name) {
        PutU16(page, pos, static_cast<uint8_t>(c));
        pos += 2;
      }
    } else {
      page[pos++] = static_cast<uint8_t>(column.name.size());
      pos = std::copy(column.name.begin(), column.name.end(), page.begin() + static_cast<long>(pos)) - page.begin();
    }
  }
  return pos;
}

size_t WriteIndexes(std::vector<uint8_t>& page, const JetLayout& layout, size_t pos) {
  for (const CatalogueIndex& index : kIndexes) {
    const size_t map = pos + layout.realIndexColumnMapOffset;
    for (int slot = 0; slot < 10; ++slot) {
      const bool used = slot < index.columnCount;
      PutU16(page, map + 3 * slot, used ? index.columns[slot] : 0xFFFF);
      page[map + 3 * slot + 2] = used ? 1 : 0;
    }
    page[pos + layout.realIndexFlagsOffset] = index.flags;
    pos += layout.realIndexEntryLength;
  }
  for (uint32_t number = 0; number < kIndexCount; ++number) {
    const size_t logicalNumberOffset = layout.logicalIndexRealNumberOffset - 4;
    PutU32(page, pos + logicalNumberOffset, number);
    PutU32(page, pos + layout.logicalIndexRealNumberOffset, number);
    page[pos + layout.logicalIndexTypeOffset] = kIndexes[number].logicalType;
    pos += layout.logicalIndexEntryLength;
  }
  return pos;
}

}  // namespace

std::vector<uint8_t> CatalogueDefinitionPage(const JetLayout& layout) {
  std::vector<uint8_t> page(layout.pageSize, 0);
  size_t pos = WriteHeader(page, layout);
  pos = WriteColumns(page, layout, pos);
  pos = WriteNames(page, layout, pos);
  pos = WriteIndexes(page, layout, pos);
  PutU16(page, pos, 0xFFFF);  // no long-value column maps follow
  PutU32(page, layout.tableDefLengthOffset, static_cast<uint32_t>(pos + 2));
  return page;
}

}  // namespace tarvex::engine
