#include "dao/row_codec.h"

#include "dao/field_type.h"
#include "format/jet_layout.h"

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

format::RowShape RowShapeOf(const TableDefinition& definition) {
  return {.maxColumns = definition.maxColumns,
          .hasVariableColumns = definition.VariableColumnCount() > 0};
}

format::RowEncoder RowEncoderFor(const TableDefinition& definition) {
  return format::RowEncoder(format::kJet4Layout, RowColumns(definition), definition.maxColumns,
                            definition.FixedAreaLength(), definition.VariableColumnCount());
}

}  // namespace tarvex::dao
