#include "query/qb_make_table.h"

#include "query/query_text.h"

namespace tarvex::query {

bool CQBMakeTable::TakeOwnRow(const CQueryAttributes& row) {
  if (row.Kind() != RowKind::kType) return CQBSelect::TakeOwnRow(row);
  targetTable_ = BracketIfNeeded(row.name1);
  return true;
}

std::u16string CQBMakeTable::IntoClause() const {
  return targetTable_.empty() ? std::u16string() : u" INTO " + targetTable_;
}

}  // namespace tarvex::query
