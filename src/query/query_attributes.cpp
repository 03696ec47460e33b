#include "query/query_attributes.h"

#include <array>

#include "query/query_text.h"

namespace tarvex::query {

std::unique_ptr<CQueryAttributes> CQueryAttributes::FromRowValues(
    const std::vector<std::u16string>& values) {
  auto row = std::make_unique<CQueryAttributes>();
  const std::array<std::u16string*, 8> byPosition = {
      &row->objectId, &row->attribute,  &row->spare2, &row->name1,
      &row->name2,    &row->expression, &row->flag,   &row->spare7};
  for (size_t i = 0; i < byPosition.size() && i < values.size(); ++i) *byPosition[i] = values[i];
  return row;
}

std::unique_ptr<CQueryAttributes> CQueryAttributes::Copy() const {
  auto copy = std::make_unique<CQueryAttributes>(*this);
  copy->next = nullptr;
  return copy;
}

RowKind CQueryAttributes::Kind() const { return static_cast<RowKind>(ParseNumber(attribute)); }

}  // namespace tarvex::query
