#include "engine/table_definition.h"

#include <algorithm>
#include <vector>

#include "format/table_definition.h"
#include "model/working_folder.h"

namespace tarvex::engine {
namespace {

using format::JetLayout;

model::CAccessColInfo ColumnInfo(const format::ColumnDefinition& column, const JetLayout& layout) {
  model::CAccessColInfo info{column.type,        column.number, column.varIndex,
                             column.extra,       column.flags,  column.extraFlags,
                             column.fixedOffset, column.length, {}};
  // Jet 4 stores a text column's length in bytes of UTF-16; the model keeps characters.
  if (layout.version == format::JetVersion::kJet4 &&
      info.type == static_cast<uint8_t>(format::ColumnType::kText))
    info.length /= 2;
  return info;
}

// Jet 3 names hold one code-page byte per character.
std::u16string ColumnName(const std::u16string& stored, const JetLayout& layout,
                          const NameDecoder& decodeJet3Name) {
  if (layout.version == format::JetVersion::kJet4 || !decodeJet3Name || stored.empty())
    return stored;
  return decodeJet3Name(std::vector<uint8_t>(stored.begin(), stored.end()));
}

// The key columns up to the first one that cannot be: past the table's
// columns or already named (damage). Column numbers of deleted columns are
// never reused, so they run up to the maximum, not the count.
model::CAccessTableIndex IndexInfo(const format::RealIndexDefinition& real, uint16_t maxColumns) {
  model::CAccessTableIndex index;
  for (const auto& key : real.keys) {
    const auto used = index.columns.begin() + index.columnCount;
    if (key.columnNumber >= maxColumns || index.columnCount == model::kMaxIndexColumns ||
        std::any_of(index.columns.begin(), used,
                    [&](const auto& c) { return c.columnNumber == key.columnNumber; }))
      break;
    index.columns[index.columnCount++] = {key.columnNumber, key.ascending};
  }
  index.unique = (real.flags & format::kIndexUnique) != 0;
  index.ignoreNulls = (real.flags & format::kIndexIgnoreNulls) != 0;
  index.required = (real.flags & format::kIndexRequired) != 0;
  return index;
}

}  // namespace

std::vector<uint8_t> ReadDefinitionChain(CDBFileReader& file, uint64_t fileSize,
                                         const JetLayout& layout, uint64_t firstOffset) {
  const auto first = static_cast<uint32_t>(firstOffset / layout.pageSize);
  return format::ReadDefinitionStream(first, layout,
                                      [&](uint32_t page, std::span<uint8_t> into) {
                                        const uint64_t offset = layout.PageOffset(page);
                                        return fileSize >= into.size() &&
                                               offset <= fileSize - into.size() &&
                                               file.ReadWhole(offset, into);
                                      })
      .bytes;
}

void ParseDefinition(format::Bytes bytes, const JetLayout& layout,
                     const NameDecoder& decodeJet3Name, model::CAccessTable& table) {
  // Whatever the decoder found wrong, what it read before is kept.
  const auto decoded = format::DecodeTableDefinition(bytes, layout);
  const auto& d = decoded.definition;
  const auto& stored = decoded.stored;
  auto& info = table.tableDefInfo;
  info = {stored.length,          stored.word2,   d.rowCount,
          d.autoNumber,           d.tableType,    d.maxColumns,
          stored.variableColumns, stored.columns, stored.logicalIndexes,
          stored.realIndexes,     d.ownedMap,     d.freeMap};
  int recovered = 0;
  auto append = [&](model::CAccessColInfo column) {
    if (!model::NamePresent(column.name)) {
      const std::string text = "RecoveredField####" + std::to_string(recovered++);
      column.name.assign(text.begin(), text.end());
    }
    table.columnList.Append(column);
  };
  for (const auto& column : d.columns) {
    auto columnInfo = ColumnInfo(column, layout);
    columnInfo.name = ColumnName(column.name, layout, decodeJet3Name);
    append(columnInfo);
  }
  // A definition too short for its own column count keeps one empty column.
  if (d.columns.size() < stored.columns) append({});
  const uint16_t maxColumns = std::max(info.maxColumns, info.columnCount);
  // A real index that only the referencing side of relationships uses is theirs: it has no
  // index of its own in Access, and the repaired relationship takes it back.
  std::vector<int> ordinaryUses(d.realIndexes.size()), foreignUses(d.realIndexes.size());
  for (const auto& logical : d.logicalIndexes) {
    if (logical.realNumber >= d.realIndexes.size()) continue;
    const bool referencing = logical.indexType == format::kLogicalIndexForeignKey &&
                             logical.relation && logical.relation->side == format::kForeignSide;
    ++(referencing ? foreignUses : ordinaryUses)[logical.realNumber];
  }
  for (size_t r = 0; r < d.realIndexes.size(); ++r) {
    auto index = IndexInfo(d.realIndexes[r], maxColumns);
    index.relationshipsOnly = foreignUses[r] > 0 && ordinaryUses[r] == 0;
    table.indexList.Add(index);
  }
  // The logical indexes say which real index backs the primary key.
  for (const auto& logical : d.logicalIndexes)
    if (logical.indexType == format::kLogicalIndexPrimaryKey &&
        logical.realNumber < static_cast<uint32_t>(table.indexList.count()))
      table.indexList.MarkPrimaryKey(static_cast<int>(logical.realNumber));
}

}  // namespace tarvex::engine
