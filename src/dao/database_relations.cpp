// Relationships: rows in MSysRelationships, an entry in the catalogue with
// its permissions, and for an enforced one the foreign-key indexes.
#include <algorithm>
#include <string>

#include "dao/dao_exception.h"
#include "dao/database_file.h"
#include "dao/foreign_key_indexes.h"
#include "dao/system_tables.h"
#include "dao/table_def.h"
#include "dao/value_conversion.h"
#include "format/catalogue_objects.h"
#include "format/data_reader.h"
#include "format/unicode.h"
#include "format/value_text.h"

namespace tarvex::dao {
namespace {

using format::ToUtf8;

// The columns of MSysRelationships by meaning, looked up by name: a file
// Access made need not number them as this engine does.
struct RelationshipColumns {
  size_t name, attributes, count, position, object, column, referencedObject, referencedColumn;
};

RelationshipColumns FindRelationshipColumns(const TableDefinition& d) {
  auto at = [&](const char16_t* name) {
    for (size_t i = 0; i < d.columns.size(); ++i)
      if (d.columns[i].name == name) return i;
    throw DaoException("MSysRelationships lacks its column '" + ToUtf8(name) + "'.");
  };
  return {at(u"szRelationship"),
          at(u"grbit"),
          at(u"ccolumn"),
          at(u"icolumn"),
          at(u"szObject"),
          at(u"szColumn"),
          at(u"szReferencedObject"),
          at(u"szReferencedColumn")};
}

// The column numbers of `fields` in `table`, in order; throws for a missing,
// empty or repeated field.
std::vector<uint16_t> FieldNumbers(const TableDefinition& table, const std::u16string& tableName,
                                   const std::vector<std::u16string>& fields) {
  std::vector<uint16_t> numbers;
  for (const auto& field : fields) {
    if (field.empty()) throw DaoException("A field pair names no field.");
    const auto column = std::find_if(table.columns.begin(), table.columns.end(),
                                     [&](const auto& c) { return SameNameNoCase(c.name, field); });
    if (column == table.columns.end())
      throw DaoException("Table '" + ToUtf8(tableName) + "' has no field '" + ToUtf8(field) + "'.");
    if (std::find(numbers.begin(), numbers.end(), column->number) != numbers.end())
      throw DaoException("Field '" + ToUtf8(field) + "' is named twice.");
    numbers.push_back(column->number);
  }
  return numbers;
}

const std::u16string& ColumnName(const TableDefinition& table, uint16_t number) {
  return table.ColumnByNumber(number)->name;
}

}  // namespace

int32_t DatabaseFile::NextSyntheticId() const {
  int32_t last = 0;
  for (const auto& entry : catalogue_)
    if (entry.id < 0 && (last == 0 || entry.id > last)) last = entry.id;
  if (last == -1) throw DaoException("The catalogue has no free object id.");
  return last == 0 ? format::kFirstSyntheticId : last + 1;
}

void DatabaseFile::AddRelation(const RelationInfo& info) {
  if (readOnly()) throw DaoException("The database is opened read-only.");
  CheckObjectName(info.name, "Relationship");
  const std::string label = "Relationship '" + ToUtf8(info.name) + "'";
  for (const auto& entry : catalogue_)
    if (entry.parentId == format::kRelationshipsContainerId &&
        SameNameNoCase(entry.name, info.name))
      throw DaoException(label + " already exists.");
  if (info.fields.empty()) throw DaoException(label + " has no field pairs.");
  if (info.fields.size() > format::kIndexKeySlots)
    throw DaoException(label + " has more than 10 field pairs.");
  auto tablePage = [&](const std::u16string& name) {
    const auto page = FindTable(name);
    if (!page) throw DaoException(label + " names no table '" + ToUtf8(name) + "'.");
    return *page;
  };
  const uint32_t primaryPage = tablePage(info.table);
  const uint32_t foreignPage = tablePage(info.foreignTable);
  const uint32_t rowsPage = tablePage(SystemTableName(SystemTable::kRelationships));
  TableStore& primary = Table(primaryPage);
  TableStore& foreign = Table(foreignPage);
  TableStore& rows = Table(rowsPage);
  std::vector<std::u16string> names, foreignNames;
  for (const auto& pair : info.fields) {
    names.push_back(pair.name);
    foreignNames.push_back(pair.foreignName);
  }
  const auto referenced = FieldNumbers(primary.definition(), info.table, names);
  const auto referencing = FieldNumbers(foreign.definition(), info.foreignTable, foreignNames);
  const auto columns = FindRelationshipColumns(rows.definition());
  std::optional<ForeignKeyPlan> plan;
  if (!(info.attributes & kDbRelationDontEnforce))
    plan = PlanForeignKeys(primary.definition(), referenced, foreign.definition(), referencing,
                           info.name, info.foreignIndex);

  const auto& d = rows.definition();
  std::vector<std::vector<StoredValue>> pairRows;
  for (size_t i = 0; i < info.fields.size(); ++i) {
    auto& values = pairRows.emplace_back(d.columns.size());
    auto put = [&](size_t column, std::u16string_view text) {
      values[column] = ConvertText(d.columns[column], text, textFormat());
    };
    put(columns.name, info.name);
    put(columns.attributes, format::FromUtf8(std::to_string(info.attributes)));
    put(columns.count, format::FromUtf8(std::to_string(info.fields.size())));
    put(columns.position, format::FromUtf8(std::to_string(i)));
    put(columns.object, TableName(foreignPage));  // as the table spells it
    put(columns.column, ColumnName(foreign.definition(), referencing[i]));
    put(columns.referencedObject, TableName(primaryPage));
    put(columns.referencedColumn, ColumnName(primary.definition(), referenced[i]));
  }

  // Every check has passed: nothing below refuses the relationship.
  for (const auto& values : pairRows) rows.AppendRow(values);
  const int32_t id = NextSyntheticId();
  AddCatalogueRow(
      {id, format::kRelationshipsContainerId, info.name, format::kRelationshipObjectType, 0},
      ownerSid_, {});
  for (size_t i = 0; i < tableGrantSids_.size(); ++i)
    AddAceRow(id, tableGrantSids_[i],
              i == 0 ? format::kNewRelationshipOwnerAccess : format::kNewRelationshipAccess, false);
  if (plan)
    AddForeignKeys(*plan, primary.mutableDefinition(), primaryPage, foreign.mutableDefinition(),
                   foreignPage, info.name, info.attributes, [this] { return AddMapRow().ToU32(); });
}

void DatabaseFile::MarkNotEnforced(const std::set<std::u16string>& names) {
  const auto page = FindTable(SystemTableName(SystemTable::kRelationships));
  if (!page) return;
  TableStore& rows = Table(*page);
  const auto columns = FindRelationshipColumns(rows.definition());
  rows.RewriteFixedValues(
      columns.attributes, [&](const RowView& row) -> std::optional<std::vector<uint8_t>> {
        const auto name = row.Value(columns.name);
        const auto attributes = row.Value(columns.attributes);
        if (!name || !attributes) return std::nullopt;
        const std::u16string text = DecodeStoredText(*name, textFormat());
        if (std::none_of(names.begin(), names.end(),
                         [&](const auto& n) { return SameNameNoCase(n, text); }))
          return std::nullopt;
        const auto bits = format::CDataReader::U32(*attributes, 0);
        if (!bits) return std::nullopt;
        std::vector<uint8_t> marked(attributes->size());
        format::PutU32(marked, 0, *bits | static_cast<uint32_t>(kDbRelationDontEnforce));
        return marked;
      });
}

}  // namespace tarvex::dao
