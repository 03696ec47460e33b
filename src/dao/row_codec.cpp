#include "dao/row_codec.h"

#include "dao/field_type.h"

namespace tarvex::dao {

std::vector<format::RowColumn> RowColumns(const TableDefinition& definition) {
  std::vector<format::RowColumn> columns;
  columns.reserve(definition.columns.size());
  for (const auto& c : definition.columns)
    columns.push_back(
        {.number = c.number,
         .variable = !c.IsFixed(),
         .boolean = c.IsFixed() && c.type == static_cast<uint8_t>(FieldType::kBoolean),
         .variableIndex = c.varIndex,
         .fixedOffset = c.fixedOffset,
         .length = c.length});
  return columns;
}

}  // namespace tarvex::dao
