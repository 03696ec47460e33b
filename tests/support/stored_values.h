#pragma once
// What a decoded row holds for its columns, as a row encoder takes it back: a
// boolean whose bit is set holds an empty value; any other column what the row
// stores for it, or nothing.
#include <optional>
#include <vector>

#include "format/row.h"

namespace tarvex::test {

inline std::vector<format::StoredValue> StoredValues(
    const format::RowDecoder& row, const std::vector<format::RowColumn>& columns) {
  std::vector<format::StoredValue> values;
  for (const auto& c : columns) {
    const auto value =
        c.boolean && row.HasValue(c.number) ? std::optional(format::Bytes{}) : row.Value(c);
    values.push_back(value ? format::StoredValue(std::vector<uint8_t>(value->begin(), value->end()))
                           : format::StoredValue());
  }
  return values;
}

}  // namespace tarvex::test
