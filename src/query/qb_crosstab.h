#pragma once
// Crosstab queries:
//   TRANSFORM value
//   SELECT row headings
//   FROM …
//   [WHERE …] GROUP BY row headings [HAVING …] [ORDER BY …]
//   PIVOT column heading
#include <string>
#include <vector>

#include "query/qb_select_shaped.h"

namespace tarvex::query {

class CQBCrosstab : public CQBSelectShaped {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 private:
  bool TakeOwnRow(const CQueryAttributes& row) override;
  void AddColumn(const CQueryAttributes& row);
  void AddGroupingKey(const CQueryAttributes& row);
  std::u16string PivotClause() const;

  std::u16string columnList_;
  std::u16string transformList_;
  std::vector<std::u16string> pivotKeys_;
  std::vector<std::u16string> columnHeadings_;
};

}  // namespace tarvex::query
