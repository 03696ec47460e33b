#include "dao/table_definition.h"

#include <algorithm>
#include <string>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "format/database_header.h"

namespace tarvex::dao {

using format::DefinitionFault;

namespace {

// What rows are encoded and keyed by must lie where rows can hold it: a
// column past the null mask or a fixed value past the row's end would be
// written outside the row.
void CheckDefinition(const TableDefinition& d, const format::JetLayout& layout) {
  auto damaged = [](const char* what) {
    throw DaoException(std::string("The table definition is damaged (") + what + ").");
  };
  for (size_t i = 0; i < d.columns.size(); ++i) {
    const auto& c = d.columns[i];
    if (c.number >= std::max<size_t>(d.maxColumns, d.columns.size()))
      damaged("a column lies past the null mask");
    if (i > 0 && c.number == d.columns[i - 1].number) damaged("two columns share a number");
    if (c.IsFixed() && size_t{c.fixedOffset} + c.length > layout.rowMaxLength)
      damaged("a fixed column lies past the end of a row");
  }
  for (const auto& real : d.realIndexes)
    for (const auto& key : real.keys)
      if (!d.ColumnByNumber(key.columnNumber)) damaged("an index names a missing column");
}

}  // namespace

TableDefinition DecodeTableDefinition(std::span<const uint8_t> stream,
                                      const format::JetLayout& layout, const TextFormat& text) {
  auto decoded = format::DecodeTableDefinition(stream, layout);
  if (decoded.fault == DefinitionFault::kNotADefinition)
    throw DaoException("The page is not a table definition.");
  if (decoded.fault == DefinitionFault::kCountsDoNotFit)
    throw DaoException("The table definition is damaged (its counts do not fit).");
  if (decoded.fault != DefinitionFault::kNone)
    throw DaoException("The table definition is damaged (it ends too early).");
  auto& d = decoded.definition;
  std::stable_sort(d.columns.begin(), d.columns.end(),
                   [](const auto& a, const auto& b) { return a.number < b.number; });
  CheckDefinition(d, layout);
  for (auto& c : d.columns) c.name = NameFromDefinition(c.name, text);
  for (auto& l : d.logicalIndexes) l.name = NameFromDefinition(l.name, text);
  return std::move(d);
}

std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& definition,
                                           const format::JetLayout& layout,
                                           const TextFormat& text) {
  if (text.version != format::JetVersion::kJet3)
    return format::EncodeTableDefinition(definition, layout);
  TableDefinition stored = definition;
  for (auto& c : stored.columns) c.name = NameForDefinition(c.name, text);
  for (auto& l : stored.logicalIndexes) l.name = NameForDefinition(l.name, text);
  // Jet 3 indexes have no always-set bit.
  for (auto& r : stored.realIndexes) r.flags &= static_cast<uint8_t>(~format::kIndexAlwaysSet);
  return format::EncodeTableDefinition(stored, layout);
}

void AssignColumnLayout(TableDefinition& d, bool longValuesLast, const TextFormat& text) {
  // Jet 3 keeps the column's code page in the word's high half.
  const uint32_t sortOrder = text.version == format::JetVersion::kJet3
                                 ? format::kGeneralSortOrder | static_cast<uint32_t>(text.codePage)
                                                                   << 16
                                 : format::kGeneralSortOrder;
  uint16_t fixedOffset = 0;
  uint16_t varIndex = 0;
  for (size_t i = 0; i < d.columns.size(); ++i) {
    auto& c = d.columns[i];
    c.number = static_cast<uint16_t>(i);
    c.position = static_cast<uint16_t>(i);
    // Access writes the General sort order (sort version 0, the top byte) into
    // every entry but a decimal's, whose word holds its precision and scale.
    if (c.type != static_cast<uint8_t>(FieldType::kDecimal)) c.extra = sortOrder;
    if (c.IsFixed() && c.type != static_cast<uint8_t>(FieldType::kBoolean)) {
      c.fixedOffset = fixedOffset;
      fixedOffset = static_cast<uint16_t>(fixedOffset + c.length);
    }
  }
  for (auto& c : d.columns)
    if (!c.IsFixed() && !(longValuesLast && c.IsLongValue())) c.varIndex = varIndex++;
  if (longValuesLast)
    for (auto& c : d.columns)
      if (!c.IsFixed() && c.IsLongValue()) c.varIndex = varIndex++;
  d.maxColumns = static_cast<uint16_t>(d.columns.size());
}

}  // namespace tarvex::dao
