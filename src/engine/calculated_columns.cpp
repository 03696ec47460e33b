#include "engine/calculated_columns.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "engine/record_extraction.h"
#include "engine/step_progress.h"
#include "format/value_types.h"

namespace tarvex::engine {
namespace {

using format::ColumnType;
using format::TypeCode;

// The types a calculated column can give, which the scan reads from its result.
bool IsResultType(uint8_t type) {
  static constexpr ColumnType kResults[] = {
      ColumnType::kBoolean,  ColumnType::kByte,   ColumnType::kInt,    ColumnType::kLong,
      ColumnType::kCurrency, ColumnType::kSingle, ColumnType::kDouble, ColumnType::kDateTime,
      ColumnType::kText,     ColumnType::kMemo,   ColumnType::kGuid,   ColumnType::kNumeric};
  return std::any_of(std::begin(kResults), std::end(kResults),
                     [&](ColumnType result) { return TypeCode(result) == type; });
}

// Gives each calculated column of `table` the type of its result; true when one changed.
bool ApplyResultTypes(model::CAccessTable& table) {
  bool changed = false;
  for (int at = 0; at < table.columnList.count(); ++at) {
    auto& column = table.columnList.At(at)->colInfo;
    if (!column.IsCalculated()) continue;
    const auto object =
        std::find_if(table.properties.begin(), table.properties.end(),
                     [&](const auto& object) { return object.column && object.name == column.name; });
    if (object == table.properties.end()) continue;
    const auto* result = object->Find(u"ResultType");
    if (!result || result->type != TypeCode(ColumnType::kByte) || result->data.size() != 1)
      continue;
    const uint8_t type = result->data[0];
    if (!IsResultType(type) || type == column.type) continue;
    column.type = type;
    changed = true;
  }
  return changed;
}

}  // namespace

bool ApplyCalculatedResultTypes(const ScanContext& context, model::CAccessData& model) {
  if (context.layout.version != format::JetVersion::kJet4) return context.job.Running();
  std::vector<model::CAccessTable*> changed;
  for (const auto& table : model.tableList)
    if (ApplyResultTypes(*table)) changed.push_back(table.get());
  if (changed.empty()) return context.job.Running();
  return ExtractTables(context, std::move(changed)) && context.job.Running();
}

}  // namespace tarvex::engine
