#include "engine/table_definition.h"

#include <algorithm>
#include <unordered_set>

#include "model/working_folder.h"

namespace tarvex::engine {
namespace {

using format::Bytes;
using format::CDataReader;
using format::JetLayout;

// Far more pages than any definition needs; bounds a chain that a damaged file makes endless.
constexpr size_t kMaxDefinitionPages = 4096;
constexpr uint16_t kNoColumn = 0xFFFF;

template <typename T>
T Field(std::optional<T> value) {
  return value.value_or(T{});
}

void ParseHeader(Bytes def, const JetLayout& layout, model::CAccessTableDefInfo& info) {
  info.headerWord1 = Field(CDataReader::U32(def, layout.tableDefLengthOffset));
  if (layout.tableDefHeaderWord2Offset) info.headerWord2 = Field(CDataReader::U32(def, layout.tableDefHeaderWord2Offset));
  info.rowCount = Field(CDataReader::U32(def, layout.tableDefRowCountOffset));
  info.headerWord3 = Field(CDataReader::U32(def, layout.tableDefHeaderWord3Offset));
  info.tableType = Field(CDataReader::U8(def, layout.tableTypeOffset));
  info.maxColumns = Field(CDataReader::U16(def, layout.tableDefMaxColumnsOffset));
  info.variableColumnCount = Field(CDataReader::U16(def, layout.tableDefVariableColumnCountOffset));
  info.columnCount = Field(CDataReader::U16(def, layout.tableDefColumnCountOffset));
  info.indexCount = Field(CDataReader::U32(def, layout.tableDefIndexCountOffset));
  info.realIndexCount = Field(CDataReader::U32(def, layout.tableDefRealIndexCountOffset));
  info.headerWord4 = Field(CDataReader::U32(def, layout.tableDefHeaderWord4Offset));
  info.headerWord5 = Field(CDataReader::U32(def, layout.tableDefHeaderWord5Offset));
}

model::CAccessColInfo ParseColumnEntry(Bytes entry, const JetLayout& layout) {
  const auto& at = layout.column;
  model::CAccessColInfo info;
  info.type = Field(CDataReader::U8(entry, at.type));
  info.columnNumber = Field(CDataReader::U16(entry, at.number));
  info.variableIndex = Field(CDataReader::U16(entry, at.variableIndex));
  info.extra = Field(CDataReader::U32(entry, at.extra));
  info.flags = Field(CDataReader::U8(entry, at.flags));
  if (at.extraFlags) info.extraFlags = Field(CDataReader::U8(entry, at.extraFlags));
  info.fixedOffset = Field(CDataReader::U16(entry, at.fixedOffset));
  info.length = Field(CDataReader::U16(entry, at.length));
  // Jet 4 stores a text column's length in bytes of UTF-16; the model keeps characters.
  if (layout.version == format::JetVersion::kJet4 && info.type == 10) info.length /= 2;
  return info;
}

// Reads the columns; returns where the entries end (where the names begin).
uint64_t ParseColumns(Bytes def, const JetLayout& layout, uint64_t start, model::CAccessTable& table) {
  const uint16_t count = table.tableDefInfo.columnCount;
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t at = start + uint64_t{i} * layout.columnEntryLength;
    auto entry = at <= def.size() ? CDataReader::Slice(def, at, layout.columnEntryLength) : std::nullopt;
    if (!entry) {
      // A definition too short for its own column count keeps one empty column.
      table.columnList.Append({});
      break;
    }
    table.columnList.Append(ParseColumnEntry(*entry, layout));
  }
  return start + uint64_t{count} * layout.columnEntryLength;
}

std::u16string Utf16Name(Bytes bytes) {
  std::u16string name(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return name;
}

// Reads one name at `pos`, moving past it. A name that does not fit is empty and moves only past its length.
std::u16string ReadName(Bytes def, const JetLayout& layout, const NameDecoder& decodeJet3Name, uint64_t& pos) {
  const size_t lengthSize = layout.columnNameLengthSize;
  if (pos > def.size() || def.size() - pos < lengthSize) {
    pos += lengthSize;
    return {};
  }
  const size_t length = lengthSize == 2 ? *CDataReader::U16(def, pos) : *CDataReader::U8(def, pos);
  pos += lengthSize;
  auto bytes = CDataReader::Slice(def, pos, length);
  if (!bytes) return {};
  pos += length;
  if (layout.version == format::JetVersion::kJet4) return Utf16Name(*bytes);
  return decodeJet3Name ? decodeJet3Name(*bytes) : std::u16string(bytes->begin(), bytes->end());
}

uint64_t ParseNames(Bytes def, const JetLayout& layout, const NameDecoder& decodeJet3Name, uint64_t pos,
                    model::CAccessTable& table) {
  int recovered = 0;
  for (uint16_t i = 0; i < table.tableDefInfo.columnCount; ++i) {
    std::u16string name = ReadName(def, layout, decodeJet3Name, pos);
    if (!model::NamePresent(name)) {
      const std::string text = "RecoveredField####" + std::to_string(recovered++);
      name.assign(text.begin(), text.end());
    }
    table.columnList.Rename(i, name);
  }
  return pos;
}

model::CAccessTableIndex ParseRealIndex(Bytes def, const JetLayout& layout, uint64_t entry,
                                        uint16_t maxColumns) {
  model::CAccessTableIndex index;
  const uint64_t map = entry + layout.realIndexColumnMapOffset;
  for (int slot = 0; slot < model::kMaxIndexColumns; ++slot) {
    const uint64_t at = map + 3 * static_cast<uint64_t>(slot);
    if (at > def.size()) break;
    auto number = CDataReader::U16(def, at);
    auto order = CDataReader::U8(def, at + 2);
    if (!number || !order || *number == kNoColumn || *number >= maxColumns) break;
    const auto used = index.columns.begin() + index.columnCount;
    if (std::any_of(index.columns.begin(), used, [&](const auto& c) { return c.columnNumber == *number; })) break;
    index.columns[index.columnCount++] = {*number, *order == 1};
  }
  const uint64_t flagsAt = entry + layout.realIndexFlagsOffset;
  const uint8_t flags = flagsAt < def.size() ? def[flagsAt] : 0;
  index.unique = (flags & 0x01) != 0;
  index.ignoreNulls = flags == 2;
  index.required = flags == 8;
  return index;
}

void ParseIndexes(Bytes def, const JetLayout& layout, uint64_t start, model::CAccessTable& table) {
  const auto& info = table.tableDefInfo;
  // Column numbers of deleted columns are never reused, so they run up to the maximum, not the count.
  const uint16_t maxColumns = std::max(info.maxColumns, info.columnCount);
  for (uint32_t k = 0; k < info.realIndexCount; ++k) {
    const uint64_t entry = start + uint64_t{k} * layout.realIndexEntryLength;
    if (entry + layout.realIndexColumnMapOffset >= def.size()) break;
    table.indexList.Add(ParseRealIndex(def, layout, entry, maxColumns));
  }
  // The logical indexes say which real index backs the primary key.
  const uint64_t logicalStart = start + uint64_t{info.realIndexCount} * layout.realIndexEntryLength;
  for (uint32_t k = 0; k < info.indexCount; ++k) {
    const uint64_t entry = logicalStart + uint64_t{k} * layout.logicalIndexEntryLength;
    if (entry > def.size() || !CDataReader::Fits(def, entry, layout.logicalIndexEntryLength)) break;
    if (def[entry + layout.logicalIndexTypeOffset] != 1) continue;
    const uint32_t realNumber = *CDataReader::U32(def, entry + layout.logicalIndexRealNumberOffset);
    if (realNumber < static_cast<uint32_t>(table.indexList.count())) {
      table.indexList.MarkPrimaryKey(static_cast<int>(realNumber));
    }
  }
}

}  // namespace

std::vector<uint8_t> ReadDefinitionChain(CDBFileReader& file, uint64_t fileSize, const JetLayout& layout,
                                         uint64_t firstOffset) {
  const uint64_t pageSize = layout.pageSize;
  std::vector<uint8_t> definition;
  std::unordered_set<uint64_t> visited;
  std::vector<uint8_t> page(pageSize);
  uint64_t offset = firstOffset;
  while (visited.size() < kMaxDefinitionPages) {
    if (fileSize < pageSize || offset > fileSize - pageSize) break;
    CErrorHandler error;
    size_t got = 0;
    if (!file.ReadAt(offset, page, error, &got) || got != pageSize) break;
    visited.insert(offset);
    if (definition.empty()) {
      definition.assign(page.begin(), page.end());
    } else {
      definition.insert(definition.end(), page.begin() + 8, page.end());
    }
    const uint64_t next = layout.PageOffset(*CDataReader::U32(page, layout.tableDefNextPageOffset));
    if (next == 0 || visited.contains(next)) break;
    offset = next;
  }
  return definition;
}

void ParseDefinition(Bytes def, const JetLayout& layout, const NameDecoder& decodeJet3Name,
                     model::CAccessTable& table) {
  ParseHeader(def, layout, table.tableDefInfo);
  const uint64_t columnsStart =
      layout.tableDefHeaderLength + uint64_t{table.tableDefInfo.realIndexCount} * layout.realIndexCountBlockEntryLength;
  const uint64_t namesStart = ParseColumns(def, layout, columnsStart, table);
  const uint64_t indexesStart = ParseNames(def, layout, decodeJet3Name, namesStart, table);
  ParseIndexes(def, layout, indexesStart, table);
}

}  // namespace tarvex::engine
