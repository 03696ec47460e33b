#pragma once
// Make-table queries: a select whose rows go into a new table.
//   SELECT columns INTO target
//   FROM tables or joins
//   [WHERE …] [GROUP BY …] [HAVING …] [ORDER BY …]
#include "query/qb_select.h"

namespace tarvex::query {

class CQBMakeTable : public CQBSelect {
 private:
  bool TakeOwnRow(const CQueryAttributes& row) override;
  std::u16string IntoClause() const override;

  std::u16string targetTable_;
};

}  // namespace tarvex::query
