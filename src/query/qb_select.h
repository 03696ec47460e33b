#pragma once
// Select queries:
//   SELECT [DISTINCT|DISTINCTROW] columns
//   FROM tables or joins
//   [WHERE …] [GROUP BY …] [HAVING …] [ORDER BY …]
#include "query/qb_select_shaped.h"

namespace tarvex::query {

class CQBSelect : public CQBSelectShaped {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 protected:
  bool TakeOwnRow(const CQueryAttributes& row) override;
  // What follows the column list on the SELECT line: nothing for a plain select.
  virtual std::u16string IntoClause() const { return {}; }

 private:
  std::u16string columnList_;
};

}  // namespace tarvex::query
