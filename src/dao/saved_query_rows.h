#pragma once
// A saved query as the rows MSysQueries holds for it, before they are written.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/saved_query.h"

namespace tarvex::dao {

struct SavedQueryRow {
  format::QueryRowKind attribute;
  std::u16string name1;
  std::u16string name2;
  std::u16string expression;
  std::optional<int32_t> flag;
  std::optional<int32_t> lvExtra;
  int32_t order = 0;  // counted from 1 within each attribute
};

struct SavedQuery {
  format::QueryKind kind = format::QueryKind::kSelect;
  std::vector<SavedQueryRow> rows;
};

}  // namespace tarvex::dao
