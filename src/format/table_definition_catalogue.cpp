#include "format/table_definition_catalogue.h"

#include <string_view>

namespace tarvex::format {
namespace {

struct CatalogueColumn {
  std::string_view name;
  ColumnType type;
  uint8_t flags;
  uint16_t fixedOffset;
  uint16_t variableIndex;
  uint16_t jet3Length;  // characters for text; Jet 4 doubles text and binary lengths
};

constexpr uint8_t kFixed = kColumnSystem | kColumnUpdatable | kColumnFixed;
constexpr uint8_t kVariable = kColumnSystem | kColumnUpdatable;
constexpr uint8_t kSecurityId = kVariable | kColumnSecurityId;

// In column-number order.
constexpr CatalogueColumn kColumns[] = {
    {"Id", ColumnType::kLong, kFixed, 0, 0, 4},
    {"ParentId", ColumnType::kLong, kFixed, 4, 0, 4},
    {"Name", ColumnType::kText, kVariable, 0, 0, 255},
    {"Type", ColumnType::kInt, kFixed, 8, 0, 2},
    {"DateCreate", ColumnType::kDateTime, kFixed, 10, 0, 8},
    {"DateUpdate", ColumnType::kDateTime, kFixed, 18, 0, 8},
    {"Owner", ColumnType::kBinary, kSecurityId, 0, 1, 255},
    {"Flags", ColumnType::kLong, kFixed, 26, 0, 4},
    {"Database", ColumnType::kMemo, kVariable, 0, 2, 0},
    {"Connect", ColumnType::kMemo, kVariable, 0, 3, 0},
    {"ForeignName", ColumnType::kText, kVariable, 0, 4, 255},
    {"RmtInfoShort", ColumnType::kBinary, kVariable, 0, 5, 255},
    {"RmtInfoLong", ColumnType::kOle, kVariable, 0, 6, 0},
    {"Lv", ColumnType::kOle, kVariable, 0, 7, 0},
    {"LvProp", ColumnType::kOle, kVariable, 0, 8, 0},
    {"LvModule", ColumnType::kOle, kVariable, 0, 9, 0},
    {"LvExtra", ColumnType::kOle, kVariable, 0, 10, 0},
};

}  // namespace

TableDefinition CatalogueDefinition(const JetLayout& layout) {
  TableDefinition d;
  d.tableType = kSystemTableType;
  d.maxColumns = std::size(kColumns);
  for (uint16_t number = 0; number < std::size(kColumns); ++number) {
    const CatalogueColumn& c = kColumns[number];
    const bool doubled = layout.version == JetVersion::kJet4 &&
                         (c.type == ColumnType::kText || c.type == ColumnType::kBinary);
    auto& column = d.columns.emplace_back();
    column.name.assign(c.name.begin(), c.name.end());
    column.type = static_cast<uint8_t>(c.type);
    column.number = column.position = number;
    column.varIndex = c.variableIndex;
    column.flags = c.flags;
    column.fixedOffset = c.fixedOffset;
    column.length = static_cast<uint16_t>(c.jet3Length * (doubled ? 2 : 1));
    if (column.IsLongValue()) d.longValueMaps.push_back({number, 0, 0});
  }
  const uint8_t unique = kIndexAlwaysSet | kIndexUnique;
  d.realIndexes = {{{{1, true}, {2, true}}, 0, 0, unique, 0, {}, {}},
                   {{{0, true}}, 0, 0, unique, 0, {}, {}}};
  d.logicalIndexes = {{u"ParentIdName", 0, 0, 0, {}, {}},
                      {u"Id", 1, 1, kLogicalIndexPrimaryKey, {}, {}}};
  return d;
}

}  // namespace tarvex::format
