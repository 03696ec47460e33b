#include "dao/foreign_key_indexes.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/database.h"
#include "dao/table_def.h"
#include "format/unicode.h"

namespace tarvex::dao {
namespace {

std::vector<uint16_t> KeyColumns(const RealIndexDefinition& real) {
  std::vector<uint16_t> columns;
  for (const auto& key : real.keys) columns.push_back(key.columnNumber);
  return columns;
}

std::optional<uint32_t> UniqueIndexOver(const TableDefinition& table,
                                        std::vector<uint16_t> columns) {
  std::sort(columns.begin(), columns.end());
  for (uint32_t r = 0; r < table.realIndexes.size(); ++r) {
    if (!(table.realIndexes[r].flags & format::kIndexUnique)) continue;
    auto keys = KeyColumns(table.realIndexes[r]);
    std::sort(keys.begin(), keys.end());
    if (keys == columns) return r;
  }
  return std::nullopt;
}

bool NameTaken(const TableDefinition& table, std::u16string_view name) {
  return std::any_of(table.logicalIndexes.begin(), table.logicalIndexes.end(),
                     [&](const LogicalIndexDefinition& l) { return SameNameNoCase(l.name, name); });
}

// Access names the referenced side's index ".r" and a letter: the one of its
// number counted from A, or else the first free one from B.
std::u16string PrimarySideName(const TableDefinition& table, uint32_t number) {
  std::u16string name = u".rA";
  if (number < 26) {
    name[2] = static_cast<char16_t>(u'A' + number);
    if (!NameTaken(table, name)) return name;
  }
  for (char16_t letter = u'B'; letter <= u'Z'; ++letter) {
    name[2] = letter;
    if (!NameTaken(table, name)) return name;
  }
  throw DaoException("The table has no free name for another relationship index.");
}

void RequireRoom(const TableDefinition& table, size_t logical, size_t real, const char* side) {
  if (table.logicalIndexes.size() + logical > format::kMaxIndexes ||
      table.realIndexes.size() + real > format::kMaxIndexes)
    throw DaoException(std::string("The ") + side + " table has no room for another index.");
}

}  // namespace

ForeignKeyPlan PlanForeignKeys(const TableDefinition& primary,
                               const std::vector<uint16_t>& referenced,
                               const TableDefinition& foreign,
                               const std::vector<uint16_t>& referencing, const std::u16string& name,
                               std::u16string_view takeIndex) {
  ForeignKeyPlan plan;
  const auto unique = UniqueIndexOver(primary, referenced);
  if (!unique)
    throw DaoException("No unique index covers exactly the referenced fields of relationship '" +
                       format::ToUtf8(name) + "'.");
  plan.primaryReal = *unique;
  for (const auto& key : primary.realIndexes[*unique].keys) {
    const auto pair = std::find(referenced.begin(), referenced.end(), key.columnNumber);
    plan.foreignKeys.push_back(referencing[static_cast<size_t>(pair - referenced.begin())]);
  }
  // The index to take keeps its own tree, even where another (a primary key) has the same keys.
  for (size_t l = 0; l < foreign.logicalIndexes.size() && !takeIndex.empty(); ++l) {
    const auto& logical = foreign.logicalIndexes[l];
    if (logical.indexType == format::kLogicalIndexOrdinary &&
        logical.realNumber < foreign.realIndexes.size() &&
        KeyColumns(foreign.realIndexes[logical.realNumber]) == plan.foreignKeys &&
        SameNameNoCase(logical.name, takeIndex)) {
      plan.takenLogical = l;
      plan.foreignReal = logical.realNumber;
    }
  }
  for (uint32_t r = 0; r < foreign.realIndexes.size() && !plan.foreignReal; ++r)
    if (KeyColumns(foreign.realIndexes[r]) == plan.foreignKeys) plan.foreignReal = r;
  // The taken index gives up its name to the relationship's.
  for (size_t l = 0; l < foreign.logicalIndexes.size(); ++l)
    if (l != plan.takenLogical && SameNameNoCase(foreign.logicalIndexes[l].name, name))
      throw DaoException("The referencing table already has an index named '" +
                         format::ToUtf8(name) + "'.");
  const bool sameTable = &primary == &foreign;
  const size_t foreignLogical = plan.takenLogical ? 0 : 1;
  RequireRoom(primary, sameTable ? 1 + foreignLogical : 1, sameTable && !plan.foreignReal ? 1 : 0,
              "referenced");
  if (!sameTable) RequireRoom(foreign, foreignLogical, plan.foreignReal ? 0 : 1, "referencing");
  plan.primaryName = PrimarySideName(primary, static_cast<uint32_t>(primary.logicalIndexes.size()));
  return plan;
}

void AddForeignKeys(const ForeignKeyPlan& plan, TableDefinition& primary, uint32_t primaryPage,
                    TableDefinition& foreign, uint32_t foreignPage, const std::u16string& name,
                    long attributes, const std::function<uint32_t()>& newUsageMap) {
  const uint8_t updates = (attributes & kDbRelationUpdateCascade) ? format::kCascade : 0;
  const uint8_t deletes = (attributes & kDbRelationDeleteCascade)   ? format::kCascade
                          : (attributes & kDbRelationDeleteSetNull) ? format::kCascadeToNull
                                                                    : 0;
  // Numbers follow the indexes already there; a table referring to itself gets both.
  const auto primaryNumber = static_cast<uint32_t>(primary.logicalIndexes.size());
  const auto foreignNumber =
      plan.takenLogical
          ? foreign.logicalIndexes[*plan.takenLogical].number
          : static_cast<uint32_t>(foreign.logicalIndexes.size()) + (&primary == &foreign ? 1 : 0);
  uint32_t foreignReal = 0;
  if (plan.foreignReal) {
    foreignReal = *plan.foreignReal;
  } else {
    // Placed after every other index, where mdbtools looks for indexes that only relationships use.
    RealIndexDefinition real;
    for (uint16_t column : plan.foreignKeys) real.keys.push_back({column, true});
    real.flags = format::kIndexAlwaysSet;
    real.usageMap = newUsageMap();
    foreignReal = static_cast<uint32_t>(foreign.realIndexes.size());
    foreign.realIndexes.push_back(std::move(real));
  }
  primary.logicalIndexes.push_back(
      {plan.primaryName,
       primaryNumber,
       plan.primaryReal,
       format::kLogicalIndexForeignKey,
       {},
       format::IndexRelation{format::kPrimarySide, foreignNumber, foreignPage, updates, deletes}});
  LogicalIndexDefinition foreignSide{
      name,
      foreignNumber,
      foreignReal,
      format::kLogicalIndexForeignKey,
      {},
      format::IndexRelation{format::kForeignSide, primaryNumber, primaryPage, updates, deletes}};
  if (plan.takenLogical)
    foreign.logicalIndexes[*plan.takenLogical] = std::move(foreignSide);
  else
    foreign.logicalIndexes.push_back(std::move(foreignSide));
}

}  // namespace tarvex::dao
