#include "dao/system_tables.h"

#include <array>
#include <initializer_list>
#include <span>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "format/jet_layout.h"
#include "format/table_definition_catalogue.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

constexpr uint8_t kFixedSystemColumn =
    format::kColumnSystem | format::kColumnUpdatable | format::kColumnFixed;
constexpr uint8_t kVariableSystemColumn = format::kColumnSystem | format::kColumnUpdatable;
constexpr uint8_t kSecurityIdColumn = kVariableSystemColumn | format::kColumnSecurityId;
// Text of 255 characters, two bytes each in Jet 4; binary of 255 bytes, which
// Jet 4 doubles as well.
constexpr uint16_t kSystemTextCharacters = 255;

struct Column {
  const char16_t* name;
  FieldType type;
  uint8_t flags = 0;  // 0: the usual system flags for the type
};

struct Index {
  const char16_t* name;
  std::initializer_list<uint16_t> columns;
  uint8_t flags;
  uint8_t logicalNumber;
  uint8_t indexType;
};

ColumnDefinition MakeColumn(const Column& wanted, const TextFormat& text) {
  ColumnDefinition c;
  c.name = wanted.name;
  c.type = static_cast<uint8_t>(wanted.type);
  auto traits = StoredTraitsOf(c.type);
  c.flags = wanted.flags    ? wanted.flags
            : traits->fixed ? kFixedSystemColumn
                            : kVariableSystemColumn;
  const uint16_t variableLength =
      text.version == format::JetVersion::kJet3 ? kSystemTextCharacters : 2 * kSystemTextCharacters;
  c.length = traits->fixed ? traits->fixedSize : (traits->longValue ? 0 : variableLength);
  if (wanted.type == FieldType::kBoolean) c.length = 1;
  return c;
}

TableDefinition Make(std::span<const Column> columns, std::initializer_list<Index> indexes,
                     const TextFormat& text) {
  TableDefinition d;
  d.tableType = format::kSystemTableType;
  for (const auto& column : columns) d.columns.push_back(MakeColumn(column, text));
  AssignColumnLayout(d, false, text);
  uint32_t real = 0;
  for (const auto& index : indexes) {
    RealIndexDefinition r;
    for (uint16_t column : index.columns) r.keys.push_back({column, true});
    r.flags = index.flags;
    d.realIndexes.push_back(r);
    d.logicalIndexes.push_back({index.name, index.logicalNumber, real++, index.indexType, {}, {}});
  }
  for (const auto& c : d.columns)
    if (c.IsLongValue()) d.longValueMaps.push_back({c.number, {}, {}});
  return d;
}

TableDefinition Make(std::initializer_list<Column> columns, std::initializer_list<Index> indexes,
                     const TextFormat& text) {
  return Make(std::span(columns.begin(), columns.size()), indexes, text);
}

}  // namespace

std::u16string SystemTableName(SystemTable table) {
  switch (table) {
    case SystemTable::kObjects:
      return u"MSysObjects";
    case SystemTable::kAces:
      return u"MSysACEs";
    case SystemTable::kQueries:
      return u"MSysQueries";
    case SystemTable::kRelationships:
      return u"MSysRelationships";
  }
  return {};
}

size_t SystemColumn(const TableDefinition& definition, SystemTable table, const char16_t* name) {
  for (size_t i = 0; i < definition.columns.size(); ++i)
    if (definition.columns[i].name == name) return i;
  throw DaoException(format::ToUtf8(SystemTableName(table)) + " lacks its column '" +
                     format::ToUtf8(name) + "'.");
}

TableDefinition SystemTableDefinition(SystemTable table, const TextFormat& text) {
  using T = FieldType;
  const bool jet3 = text.version == format::JetVersion::kJet3;
  const uint8_t unique = format::kIndexAlwaysSet | format::kIndexUnique;
  switch (table) {
    case SystemTable::kObjects: {
      TableDefinition d =
          format::CatalogueDefinition(jet3 ? format::kJet3Layout : format::kJet4Layout);
      AssignColumnLayout(d, false, text);
      return d;
    }
    case SystemTable::kAces:
      return Make({{u"ObjectId", T::kLong},
                   {u"SID", T::kBinary, kSecurityIdColumn},
                   {u"ACM", T::kLong},
                   {u"FInheritable", T::kBoolean}},
                  {{u"ObjectId", {0}, format::kIndexAlwaysSet | format::kIndexRequired, 0, 0}},
                  text);
    case SystemTable::kQueries: {
      static constexpr std::array<Column, 8> kColumns{{{u"ObjectId", T::kLong},
                                                       {u"Attribute", T::kByte},
                                                       {u"Order", T::kBinary},
                                                       {u"Name1", T::kText},
                                                       {u"Name2", T::kText},
                                                       {u"Expression", T::kMemo},
                                                       {u"Flag", T::kInteger},
                                                       {u"LvExtra", T::kLong}}};
      // Access 97 has no LvExtra column.
      return Make(std::span(kColumns).first(jet3 ? kColumns.size() - 1 : kColumns.size()),
                  {{u"ObjectIdAttribute", {0, 1, 2}, unique, 0, format::kLogicalIndexPrimaryKey}},
                  text);
    }
    case SystemTable::kRelationships: {
      const uint8_t ignoreNulls = format::kIndexAlwaysSet | format::kIndexIgnoreNulls;
      return Make({{u"szRelationship", T::kText},
                   {u"grbit", T::kLong},
                   {u"ccolumn", T::kLong},
                   {u"icolumn", T::kLong},
                   {u"szObject", T::kText},
                   {u"szColumn", T::kText},
                   {u"szReferencedObject", T::kText},
                   {u"szReferencedColumn", T::kText}},
                  {{u"szRelationship", {0}, ignoreNulls, 0, 0},
                   {u"szObject", {4}, ignoreNulls, 1, 0},
                   {u"szReferencedObject", {6}, ignoreNulls, 2, 0}},
                  text);
    }
  }
  return {};
}

}  // namespace tarvex::dao
